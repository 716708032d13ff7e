// tests/tools/RegistryCommandTest.cpp: "mtafilter registry" as administrators use it:
// set and get of every type, listings, JSON, deletion, files, usage errors and exit codes.
// The keys are below the server's branch, which on Windows every test starts without.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/fixtures/TempTree.h"
#include "tests/tools/InProcessCommand.h"
#include "tools/Commands.h"

namespace {

using testing_support::ScopedRegistry;
using testing_support::TempTree;

using Result = testing_support::CommandResult;

constexpr const char* kKey = "HKLM\\SOFTWARE\\Wow6432Node\\Quill Post\\Test";

class RegistryCommandTest : public testing::Test {
protected:
    // Runs "mtafilter --registry DB registry ARGS..." in this process.
    Result Run(const std::vector<std::string>& args) {
        std::vector<std::string> all = {"--registry", registry_.Path(), "registry"};
        all.insert(all.end(), args.begin(), args.end());
        return testing_support::RunMtafilter(std::move(all));
    }

    void Set(const std::string& name, const std::string& typed) {
        Result result = Run({"set", kKey, name, typed});
        ASSERT_EQ(kExitSuccess, result.code) << typed << ": " << result.err;
    }

    TempTree tree_;
    ScopedRegistry registry_{tree_};
};

TEST_F(RegistryCommandTest, SetThenGetPrintsEachType) {
    const std::pair<const char*, const char*> cases[] = {
        {"dword:0x1F", "31\n"},
        {"dword:4294967295", "4294967295\n"},
        {"expand_sz:%TEMP%\\x", "%TEMP%\\x\n"},
        {"multi_sz:a,b\\,c,d\\\\e", "a,b\\,c,d\\\\e\n"},
        {"binary:0a0B,ff", "0a0bff\n"},
    };
    for (const auto& [typed, printed] : cases) {
        Set("v", typed);
        Result result =
            Run({"get", "HKEY_LOCAL_MACHINE\\software\\wow6432node\\quill post\\TEST", "V"});
        EXPECT_EQ(kExitSuccess, result.code) << typed << ": " << result.err;
        EXPECT_EQ(printed, result.out) << typed;
    }
}

// Made in the order of their names: Windows lists values in the order they were made,
// Wine in the order of their names.
TEST_F(RegistryCommandTest, GetListsEveryValueInOrderAsTextOrJson) {
    Set("@", "sz:default");
    Set("Blob", "binary:00ff");
    Set("List", "multi_sz:a,b");
    Set("Path", "sz:C:\\\"x\"");
    Set("Reload", "dword:7");
    EXPECT_EQ("@=default\nBlob=00ff\nList=a,b\nPath=C:\\\"x\"\nReload=7\n", Run({"get", kKey}).out);
    Result result = Run({"get", "--json", kKey});
    EXPECT_EQ(kExitSuccess, result.code) << result.err;
    EXPECT_EQ(
        "{\n"
        "  \"@\": {\"type\": \"sz\", \"value\": \"default\"},\n"
        "  \"Blob\": {\"type\": \"binary\", \"value\": \"00ff\"},\n"
        "  \"List\": {\"type\": \"multi_sz\", \"value\": [\"a\", \"b\"]},\n"
        "  \"Path\": {\"type\": \"sz\", \"value\": \"C:\\\\\\\"x\\\"\"},\n"
        "  \"Reload\": {\"type\": \"dword\", \"value\": 7}\n"
        "}\n",
        result.out);
    EXPECT_EQ("{\n  \"Reload\": {\"type\": \"dword\", \"value\": 7}\n}\n",
              Run({"get", kKey, "reload", "--json"}).out);
}

TEST_F(RegistryCommandTest, DeleteRemovesAValueOrAKeyTreeAndMissingOnesFailWithAHint) {
    Set("Keep", "dword:1");
    Set("Drop", "dword:2");
    ASSERT_EQ(kExitSuccess, Run({"set", std::string(kKey) + "\\Sub", "x", "dword:3"}).code);
    EXPECT_EQ(kExitSuccess, Run({"delete", kKey, "drop"}).code);
    EXPECT_EQ("Keep=1\n", Run({"get", kKey}).out);
    EXPECT_EQ(kExitFailure, Run({"delete", kKey, "Drop"}).code);
    Result missing = Run({"get", kKey, "Drop"});
    EXPECT_EQ(kExitFailure, missing.code);
    EXPECT_NE(std::string::npos, missing.err.find("no such")) << missing.err;
    EXPECT_NE(std::string::npos, missing.err.find("mtafilter registry export")) << missing.err;
    EXPECT_EQ(kExitSuccess, Run({"delete", kKey}).code);
    EXPECT_EQ(kExitFailure, Run({"get", std::string(kKey) + "\\Sub"}).code);
    EXPECT_EQ(kExitFailure, Run({"delete", kKey}).code);
}

TEST_F(RegistryCommandTest, BadUsageExitsWithTwoAndHelpWithZero) {
    const std::vector<std::string> cases[] = {
        {},
        {"set", "HKLM\\X", "v", "float:1"},
        {"set", "HKLM\\X", "v", "dword:4294967296"},
        {"set", "HKLM\\X", "v", "binary:abc"},
        {"get", "HKCU\\Software"},
        {"delete", "HKLM"},
    };
    for (const std::vector<std::string>& args : cases) {
        Result result = Run(args);
        EXPECT_EQ(kExitUsage, result.code) << testing::PrintToString(args) << ": " << result.err;
        EXPECT_FALSE(result.err.empty()) << testing::PrintToString(args);
    }
    for (const char* command : {"import", "export", "get", "set", "delete"}) {
        Result result = Run({command, "--help"});
        EXPECT_EQ(kExitSuccess, result.code) << command;
        EXPECT_EQ(0u, result.out.find(std::string("usage: mtafilter registry ") + command))
            << result.out;
    }
    EXPECT_NE(std::string::npos, Run({"set", "--help"}).out.find("multi_sz:"));
}

TEST_F(RegistryCommandTest, ImportAndExportGoThroughFiles) {
    const std::string text =
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Quill Post\\Test]\n"
        "\"Path\"=\"C:\\\\Mail\"\n\"Reload\"=dword:00000001\n\n";
    tree_.WriteFile("in.reg", text);
    Result imported = Run({"import", tree_.Join("in.reg")});
    ASSERT_EQ(kExitSuccess, imported.code) << imported.err;
    ASSERT_EQ(kExitSuccess, Run({"export", kKey, "--output", tree_.Join("o.reg")}).code);
    EXPECT_EQ(text, testing_support::WindowsKeyNames(tree_.ReadFile("o.reg")));
    // A refused file (RegFileTest pins that nothing of it is imported) fails the command.
    tree_.WriteFile("bad.reg", "REGEDIT4\n\"v\"=dword:1\n");
    Result bad = Run({"import", tree_.Join("bad.reg")});
    EXPECT_EQ(kExitFailure, bad.code);
    EXPECT_NE(std::string::npos, bad.err.find(tree_.Join("bad.reg") + ":2: ")) << bad.err;
}

TEST_F(RegistryCommandTest, CorruptDatabaseFailsWithAdvice) {
#ifdef _WIN32
    GTEST_SKIP() << "the Windows registry is the system's, not a database file";
#endif
    tree_.WriteFile("registry.db", std::string(2048, 'z'));
    Result result = Run({"get", "HKLM\\SOFTWARE"});
    EXPECT_EQ(kExitFailure, result.code);
    EXPECT_NE(std::string::npos, result.err.find("--registry")) << result.err;
}

}  // namespace
