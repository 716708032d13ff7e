// tests/scanners/plugin/FilterRun.h: a plug-in tree with one quarantining filter per
// criterion, real messages queued and filtered, and the report's "Executed" entries.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/Counters.h"
#include "base/Settings.h"
#include "frame/Exports.h"
#include "frame/Lifecycle.h"
#include "tests/fixtures/PluginRun.h"
#include "tests/fixtures/PluginTree.h"

class FilterRun : public ::testing::Test {
protected:
    void TearDown() override { testing_support::Printed(TeardownPlugin); }

    // A fresh start for the process-wide state, the report log on, and `libraries` from the
    // build copied into the provider directory.
    void Install(std::initializer_list<const char*> libraries) {
        Counters() = ScannerCounters{};
        ForgetFirstUseSettings();
        server.SetLogMode(1);
        for (const char* library : libraries)
            std::filesystem::copy_file(std::string(MTAFILTER_SCANNER_DIR) + "/" + library,
                                       server.tree.Join(std::string("app64/") + library));
    }

    // Filter `id` with the one criterion `type` reaching `value`, copying to quarantine.
    void AddFilter(const std::string& id, int type, const std::string& value) {
        filterTable += "Rule " + id + "\t1\t" + id + "\t\tFilter " + id + "\t\r\n";
        server.tree.WriteFile("config/FILTERS/FILTER.TAB", filterTable);
        server.tree.WriteFile("config/FILTERS/CRITERIA/" + id + ".TAB",
                              std::string(type, '\n') + "1\t\t" + value + "\t\t\t1\r\n");
        server.tree.WriteFile("config/FILTERS/ACTIONS/" + id + ".TAB",
                              "1\t\t\tCOPY_TO_QUARANTINE\tkeep a copy\r\n");
    }
    // Queues and filters each (id, body) message under `header`; the plug-in is loaded
    // once for all of them.
    void Run(const std::vector<std::pair<std::string, std::string>>& messages,
             const std::string& envelope, const std::string& header) {
        for (const auto& [id, body] : messages)
            server.QueueMessage("SMTP", id, envelope, header + body + "\r\n");
        ::testing::internal::CaptureStdout();
        InitializePlugin();
        for (const auto& message : messages)
            EXPECT_EQ(1, FilterExecute("", message.first.c_str(), "SMTP", 0));
        ::testing::internal::GetCapturedStdout();
    }
    // "<message id> <filter name> | <criteria text>" of each "Executed" report entry.
    std::vector<std::string> Executed() const {
        std::vector<std::string> entries;
        std::stringstream report(server.ReportFile());
        for (std::string line; std::getline(report, line);) {
            if (line.find("\tExecuted\t") == std::string::npos) continue;
            std::vector<std::string> columns;
            std::stringstream fields(line);
            for (std::string column; std::getline(fields, column, '\t');) columns.push_back(column);
            if (columns.size() > 9)
                entries.push_back(columns[2] + " " + columns[4] + " | " + columns[9]);
        }
        return entries;
    }

    testing_support::PluginTree server;
    std::string filterTable;
};
