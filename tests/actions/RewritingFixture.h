// tests/actions/RewritingFixture.h: a server tree with one queued message for the tests
// of the rewriting and notification actions, and the golden files they compare with.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "base/MessageRecord.h"
#include "base/Settings.h"
#include "common/WholeFile.h"
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

    // A file of tests/actions/data, found from the source tree whatever the working
    // directory of the test.
    static std::string DataPath(const std::string& file) {
        return std::string(MTAFILTER_TEST_SOURCE_DIR) + "/actions/data/" + file;
    }

    // A golden file of tests/actions/data ("name.in.eml", "name.want.eml").
    static std::string Golden(const std::string& file) {
        std::string bytes;
        EXPECT_EQ(1, ReadWholeFile(DataPath(file).c_str(), &bytes)) << file;
        return bytes;
    }

    PluginTree server;
    std::unique_ptr<MessageRecord> record = std::make_unique<MessageRecord>();
};

}  // namespace testing_support
