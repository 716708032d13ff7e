// tests/base/CounterSaveFailureTest.cpp: the counters' registry copies when the registry
// refuses writes, which the test brings about by holding the write lock of the registry's
// database file.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "base/Counters.h"
#include "base/Settings.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"

namespace {

using namespace testing_support;

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
