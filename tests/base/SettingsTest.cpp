// tests/base/SettingsTest.cpp: settings read at their first use, the directory group,
// and the counters' registry copies.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "base/Counters.h"
#include "base/Settings.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"

namespace {

using namespace testing_support;

TEST(FirstUseSettings, AreReadOnceAndKeptAndOnlyExactlyOneSwitchesOn) {
    PluginTree server;
    ForgetFirstUseSettings();
    server.registry.SetDword(kPluginKey, "Case Sensitivity", 1);
    server.registry.SetDword(kPluginKey, "Perform SBLRBL", 3);
    EXPECT_EQ(1, CaseSensitive());
    EXPECT_EQ(3u, PerformSblRbl());
    server.registry.SetDword(kPluginKey, "Case Sensitivity", 0);
    server.registry.SetDword(kPluginKey, "Perform SBLRBL", 0);
    EXPECT_EQ(1, CaseSensitive());
    EXPECT_EQ(3u, PerformSblRbl());
    ForgetFirstUseSettings();  // only exactly 1 switches on
    server.registry.SetDword(kPluginKey, "SpamAssassin Enabled", 2);
    server.registry.SetDword(kPluginKey, "Case Sensitivity", 2);
    EXPECT_EQ(0, SpamAssassinEnabled());
    EXPECT_EQ(0, CaseSensitive());
    EXPECT_EQ(0u, PerformSblRbl());
}

TEST(DirectoryGroup, RefreshSeesAnAdministratorsChange) {
    PluginTree server;
    DirectoryGroup group;
    RefreshDirectoryGroup(&group);
    EXPECT_EQ(server.tree.Join("connectors"), group.connectorRoot);
    server.registry.SetString(kRootKey, "Quarantine Directory", "/srv/quarantine");
    RefreshDirectoryGroup(nullptr);
    SnapshotDirectoryGroup(&group);
    EXPECT_STREQ("/srv/quarantine", group.quarantine);
}

// Holds the registry's write lock from another connection, so that writes fail while
// reads (the log mode) still work.
class RegistryWriteBlocker {
public:
    explicit RegistryWriteBlocker(const std::string& path) {
        sqlite3_open(path.c_str(), &db_);
        sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    }
    ~RegistryWriteBlocker() {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db_);
    }

private:
    sqlite3* db_ = nullptr;
};

TEST(SaveCounter, FailedWritesAreReportedOnce) {
    PluginTree server;
    server.SetLogMode(2);
    ResetSettings();
    Settings().updateStatistics = 1;
    ResetCounterWarning();
    RegistryWriteBlocker blocker(server.registry.Path());
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(1, SaveCounter(kCountersKey, "SA Total Scans", 1));
    EXPECT_EQ(1, SaveCounter(kCountersKey, "SA Detections", 1));
    std::string out = ::testing::internal::GetCapturedStdout();
    const std::string message =
        "QP-IXXXX: Unable to save queue statistics for service. The service account may not "
        "have permission to write to the registry path " +
        std::string(kCountersKey) + ", item SA Total Scans\n";
    EXPECT_NE(std::string::npos, out.find(message)) << out;
    EXPECT_EQ(std::string::npos, out.find("item SA Detections"));
}

}  // namespace
