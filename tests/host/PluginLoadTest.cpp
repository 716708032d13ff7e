// tests/host/PluginLoadTest.cpp: loads MTAFILTER.so (MTAFILTER.DLL) with the system's
// loader, exactly as the MTA does, and checks what a host relies on: the five exports and
// nothing else, the report log opened at load and ended at unload, and the exports' fixed
// results.
#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <sstream>
#include <string>

#include "platform/Library.h"
#include "tests/fixtures/PluginTree.h"

namespace {

using testing_support::PluginTree;

constexpr const char* kExportNames[] = {"FilterInit", "FilterExecute", "FilterCommand",
                                        "FilterUnInit", "ExecuteVBScript"};
constexpr uint32_t kLogToFile = 1;

using FilterInitFunction = int32_t (*)(intptr_t);
using FilterExecuteFunction = int32_t (*)(const char*, const char*, const char*, intptr_t);
using FilterCommandFunction = int32_t (*)(intptr_t, intptr_t, const char*);
using FilterUnInitFunction = int32_t (*)(intptr_t);

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

// The line formats and the file's name are pinned in ReportLogTest; here, that loading
// and unloading the library are what open and end the report.
TEST(PluginLoad, LoadingOpensTheReportAndUnloadingEndsIt) {
    PluginTree plugin;
    plugin.SetLogMode(kLogToFile);
    LoadedPlugin library;
    ASSERT_TRUE(library.Loaded()) << platform::LibraryLastError();
    EXPECT_NE(std::string::npos, plugin.ReportFile().find("\tStart\t"));
    EXPECT_EQ(std::string::npos, plugin.ReportFile().find("\tEnd\t"));
    library.Unload();
    // Nothing else may hold the library, or its teardown would not have run.
    ASSERT_FALSE(PluginStillLoaded());
    EXPECT_NE(std::string::npos, plugin.ReportFile().find("\tEnd\t")) << plugin.ReportFile();
}

// Over a tree of its own (the registry in place before the library loads), as a host
// holds the plug-in between messages.
TEST(PluginLoad, ExportsGiveTheirFixedAnswers) {
    PluginTree plugin;
    LoadedPlugin library;
    ASSERT_TRUE(library.Loaded()) << platform::LibraryLastError();
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

}  // namespace
