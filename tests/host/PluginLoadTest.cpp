// tests/host/PluginLoadTest.cpp: loads MTAFILTER.so (MTAFILTER.DLL) with the system's
// loader, exactly as the MTA does, and checks what a host relies on: the five exports and
// nothing else, the report log's Start and End lines at load and unload, and the exports'
// fixed results.
#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Library.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"
#include "tests/fixtures/Wine.h"

namespace {

using testing_support::PluginTree;

constexpr const char* kExportNames[] = {"FilterInit", "FilterExecute", "FilterCommand",
                                        "FilterUnInit", "ExecuteVBScript"};
constexpr uint32_t kLogToFile = 1;
constexpr const char* kHeaderLine =
    "Time\tAction\tMessageID\tConnector\tFilter\tResult\tAccount\tSender\tIPAddress\tData\tSubject";

using FilterInitFunction = int32_t (*)(intptr_t);
using FilterExecuteFunction = int32_t (*)(const char*, const char*, const char*, intptr_t);
using FilterCommandFunction = int32_t (*)(intptr_t, intptr_t, const char*);
using FilterUnInitFunction = int32_t (*)(intptr_t);
using ExecuteVBScriptFunction = int32_t (*)(const char*, const char*, char*, int32_t, int32_t);

// The plug-in as a host holds it: loaded on construction, unloaded on Unload or destruction.
class LoadedPlugin {
public:
    LoadedPlugin() : handle_(platform::LibraryLoad(MTAFILTER_PLUGIN)) {}
    ~LoadedPlugin() { Unload(); }
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;

    bool Loaded() const { return handle_ != nullptr; }
    void* Entry(const char* name) const { return platform::LibraryEntry(handle_, name); }
    template <typename Function>
    Function Export(const char* name) const {
        return reinterpret_cast<Function>(Entry(name));
    }
    void Unload() {
        platform::LibraryUnload(handle_);
        handle_ = nullptr;
    }

private:
    platform::Library handle_;
};

// Whether anything in this process still holds the plug-in loaded.
bool PluginStillLoaded() {
#ifdef _WIN32
    return GetModuleHandleA("MTAFILTER.DLL") != nullptr;
#else
    return dlopen(MTAFILTER_PLUGIN, RTLD_NOW | RTLD_NOLOAD) != nullptr;
#endif
}

std::string TodaysReportName() {
    time_t now = std::time(nullptr);
    char name[64];
    std::strftime(name, sizeof name, "MTAFILTER-Report-%y%m%d.log", std::localtime(&now));
    return name;
}

// The report files of the tree's log directory.
std::set<std::string> ReportNames(const PluginTree& plugin) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(plugin.tree.Join("logs")))
        names.insert(entry.path().filename().string());
    return names;
}

// "MM/DD/YY HH:MM:SS\tStart\t-\t-\t-\t-\t-\t-\t-\t-": the time, the action and eight "-".
bool IsMarkerLine(const std::string& line, const std::string& action) {
    constexpr std::string_view kTimestampShape = "00/00/00 00:00:00";  // 0: any digit
    if (line.size() < kTimestampShape.size()) return false;
    for (size_t i = 0; i < kTimestampShape.size(); ++i) {
        bool digit = std::isdigit(static_cast<unsigned char>(line[i])) != 0;
        if (kTimestampShape[i] == '0' ? !digit : line[i] != kTimestampShape[i]) return false;
    }
    std::string rest = "\t" + action;
    for (int column = 0; column < 8; ++column) rest += "\t-";
    return line.substr(kTimestampShape.size()) == rest;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();  // the file is CR LF text
        lines.push_back(line);
    }
    return lines;
}

TEST(PluginLoad, ExportsNoOtherFunction) {
#ifdef _WIN32
    GTEST_SKIP() << "scripts/windows.sh checks the DLL's export table with objdump";
#endif
    std::string symbols;
    ASSERT_EQ(testing_support::RunCommand(std::string("nm -D --defined-only ") + MTAFILTER_PLUGIN,
                                          &symbols),
              0);
    std::set<std::string> functions;
    std::istringstream in(symbols);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (fields >> address >> type >> name && type.find_first_of("TWi") != std::string::npos)
            functions.insert(name);
    }
    EXPECT_EQ(functions, std::set<std::string>(std::begin(kExportNames), std::end(kExportNames)));
}

TEST(PluginLoad, LoadingOpensTodaysReportAndUnloadingEndsIt) {
    PluginTree plugin;
    plugin.SetLogMode(kLogToFile);
    std::string dayBefore = TodaysReportName();
    LoadedPlugin library;
    ASSERT_TRUE(library.Loaded()) << platform::LibraryLastError();
    std::set<std::string> names = ReportNames(plugin);
    ASSERT_EQ(names.size(), 1u);
    // Midnight may pass while the library loads.
    EXPECT_TRUE(*names.begin() == dayBefore || *names.begin() == TodaysReportName())
        << *names.begin();
    library.Unload();
    // Nothing else may hold the library, or its teardown would not have run.
    ASSERT_FALSE(PluginStillLoaded());
    std::vector<std::string> lines = Lines(plugin.ReportFile());
    ASSERT_EQ(lines.size(), 3u) << plugin.ReportFile();
    EXPECT_EQ(lines[0], kHeaderLine);
    EXPECT_TRUE(IsMarkerLine(lines[1], "Start")) << lines[1];
    EXPECT_TRUE(IsMarkerLine(lines[2], "End")) << lines[2];
}

// The plug-in loaded over a tree of its own, as a host holds it between messages.
class PluginCalls : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(library.Loaded()) << platform::LibraryLastError(); }

    PluginTree plugin;  // first: the registry must be in place before the library loads
    LoadedPlugin library;
};

TEST_F(PluginCalls, ExportsGiveTheirFixedAnswers) {
    auto filterExecute = library.Export<FilterExecuteFunction>("FilterExecute");
    auto filterInit = library.Export<FilterInitFunction>("FilterInit");
    auto filterUnInit = library.Export<FilterUnInitFunction>("FilterUnInit");
    auto filterCommand = library.Export<FilterCommandFunction>("FilterCommand");
    ASSERT_TRUE(filterExecute && filterInit && filterUnInit && filterCommand);
    EXPECT_EQ(filterExecute("", "0123456789ABCDEF0123456789ABCDEF.MAI", "SMTP", 0), 1);
    EXPECT_EQ(filterExecute("", "0123456789ABCDEF0123456789ABCDEF.MAI", "NOQUEUE", 0), 1);
    EXPECT_EQ(filterInit(0), 1);                      // no other plug-ins
    EXPECT_EQ(filterCommand(0, 0, "TRAIN SPAM"), 0);  // no Bayesian provider
    EXPECT_EQ(filterUnInit(0), 1);
}

// Scripts run by a host through the export: the host has no way to start the library's
// COM, so the call itself must. Trace lines and script errors go to the report file.
class ScriptCalls : public ::testing::Test {
protected:
    ScriptCalls() {
        plugin.SetLogMode(kLogToFile);
        plugin.registry.SetDword(testing_support::kPluginKey, "Debug Status", 1);
        library = std::make_unique<LoadedPlugin>();
    }
    void SetUp() override {
        ASSERT_TRUE(library->Loaded()) << platform::LibraryLastError();
        execute = library->Export<ExecuteVBScriptFunction>("ExecuteVBScript");
        ASSERT_NE(execute, nullptr);
    }
    static std::string Program(const std::string& body) {
        return "Dim QPResultData\r\nQPResultData = \"SCRIPT\"\r\nFunction QP_GetResultData()\r\n"
               "QP_GetResultData=QPResultData\r\nEnd Function\r\nFunction QP_Execute\r\n"
               "\tFilterResult=0\r\n" +
               body + "\r\nQP_Execute = FilterResult\r\nEnd Function\r\n";
    }

    PluginTree plugin;
    std::unique_ptr<LoadedPlugin> library;
    ExecuteVBScriptFunction execute = nullptr;
    char data[1024] = "untouched";
};

// What the results and errors are is pinned in ScriptHostTest; here, that the export runs
// scripts on a host thread, reports errors to the report file, and still lets go.
TEST_F(ScriptCalls, ResultsErrorsAndUnload) {
    EXPECT_EQ(1, execute(Program("FilterResult = 1\r\nQPResultData = \"hit\"").c_str(),
                         "QP_Execute", data, sizeof data, 0));
    EXPECT_STREQ("hit", data);
    EXPECT_EQ(0, execute(Program("If Then").c_str(), "QP_Execute", data, sizeof data, 1));
    EXPECT_EQ(0, std::string(data).rfind("Script Syntax Error: HRESULT = -", 0)) << data;
    EXPECT_EQ(0, execute(Program("FilterResult = 1 / 0").c_str(), "QP_Execute", data, 0, 0));
    library->Unload();
    const std::string report = plugin.ReportFile();
    EXPECT_NE(std::string::npos,
              report.find("Script failed. 'QP_Execute()' function returned value = 0."));
    EXPECT_NE(std::string::npos, report.find("\tEnd\t"));
    // Wine's VBScript engine hands script errors back to the caller without calling the
    // site's OnScriptError, so under Wine no ScriptSite lines reach the report.
    if (testing_support::RunningUnderWine()) return;
    EXPECT_NE(std::string::npos, report.find("ScriptSite: Script Error:")) << report;
    EXPECT_NE(std::string::npos, report.find("Description: Division by zero"));
}

}  // namespace
