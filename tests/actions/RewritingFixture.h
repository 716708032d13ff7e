// tests/actions/RewritingFixture.h: a server tree with one queued message for the tests
// of the rewriting and notification actions, and the golden files they compare with.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "frame/MessageRecord.h"
#include "frame/Settings.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"

namespace testing_support {

class RewritingTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.registry.SetString(kSmtpKey, "Local Domain Name", "mail.example.com");
        ResetSettings();
        ReadStoreSettings();
        RefreshDirectoryGroup(nullptr);
        std::snprintf(record->messageId, sizeof record->messageId, "%s", "A1.MAI");
        std::snprintf(record->connector, sizeof record->connector, "%s", "SMTP");
    }

    // "connectors/<connector>/<queue>/Messages/<id>", relative to the tree.
    static std::string QueuedPath(const std::string& connector, const std::string& queue,
                                  const std::string& id = "A1.MAI") {
        return "connectors/" + connector + "/" + queue + "/Messages/" + id;
    }

    // A golden file of tests/actions/data ("name.in.eml", "name.want.eml").
    static std::string Golden(const std::string& file) {
        // Not __FILE__: a compiler cache may have made it relative to the build folder.
        std::string path = std::string(MTAFILTER_TEST_SOURCE_DIR) + "/actions/data/" + file;
        std::FILE* stream = std::fopen(path.c_str(), "rb");
        EXPECT_NE(nullptr, stream) << path;
        if (stream == nullptr) return "";
        std::string bytes;
        char block[4096];
        size_t got = 0;
        while ((got = std::fread(block, 1, sizeof block, stream)) > 0) bytes.append(block, got);
        std::fclose(stream);
        return bytes;
    }

    PluginTree server;
    std::unique_ptr<MessageRecord> record = std::make_unique<MessageRecord>();
};

}  // namespace testing_support
