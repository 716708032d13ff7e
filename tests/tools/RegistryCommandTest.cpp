// tests/tools/RegistryCommandTest.cpp: "mtafilter registry" as administrators use it:
// set and get of every type, listings, JSON, deletion, files, usage errors and exit codes.
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

class RegistryCommandTest : public testing::Test {
protected:
    // Runs "mtafilter --registry DB registry ARGS..." in this process.
    Result Run(const std::vector<std::string>& args) {
        std::vector<std::string> all = {"--registry", registry_.Path(), "registry"};
        all.insert(all.end(), args.begin(), args.end());
        return testing_support::RunMtafilter(std::move(all));
    }

    void Set(const std::string& name, const std::string& typed) {
        Result result = Run({"set", "HKLM\\SOFTWARE\\Quill Post", name, typed});
        ASSERT_EQ(kExitSuccess, result.code) << typed << ": " << result.err;
    }

    TempTree tree_;
    ScopedRegistry registry_{tree_};
};

TEST_F(RegistryCommandTest, SetThenGetPrintsEachType) {
    const std::pair<const char*, const char*> cases[] = {
        {"dword:10", "10\n"},
        {"dword:0x1F", "31\n"},
        {"dword:4294967295", "4294967295\n"},
        {"sz:hello world", "hello world\n"},
        {"sz:", "\n"},
        {"expand_sz:%TEMP%\\x", "%TEMP%\\x\n"},
        {"multi_sz:a,b\\,c,d\\\\e", "a,b\\,c,d\\\\e\n"},
        {"multi_sz:", "\n"},
        {"binary:0a0B,ff", "0a0bff\n"},
    };
    for (const auto& [typed, printed] : cases) {
        Set("v", typed);
        Result result = Run({"get", "HKEY_LOCAL_MACHINE\\software\\quill post", "V"});
        EXPECT_EQ(kExitSuccess, result.code) << typed << ": " << result.err;
        EXPECT_EQ(printed, result.out) << typed;
    }
}

TEST_F(RegistryCommandTest, GetWithoutValueListsEveryValueInOrder) {
    Set("Reload", "dword:1");
    Set("@", "sz:default");
    Set("Path", "sz:/var/spool");
    Result result = Run({"get", "HKLM\\SOFTWARE\\Quill Post"});
    EXPECT_EQ(kExitSuccess, result.code) << result.err;
    EXPECT_EQ("Reload=1\n@=default\nPath=/var/spool\n", result.out);
}

TEST_F(RegistryCommandTest, GetJsonGivesTypesAndValues) {
    Set("Reload", "dword:7");
    Set("Path", "sz:C:\\\"x\"");
    Set("List", "multi_sz:a,b");
    Set("Blob", "binary:00ff");
    Result result = Run({"get", "--json", "HKLM\\SOFTWARE\\Quill Post"});
    EXPECT_EQ(kExitSuccess, result.code) << result.err;
    EXPECT_EQ(
        "{\n"
        "  \"Reload\": {\"type\": \"dword\", \"value\": 7},\n"
        "  \"Path\": {\"type\": \"sz\", \"value\": \"C:\\\\\\\"x\\\"\"},\n"
        "  \"List\": {\"type\": \"multi_sz\", \"value\": [\"a\", \"b\"]},\n"
        "  \"Blob\": {\"type\": \"binary\", \"value\": \"00ff\"}\n"
        "}\n",
        result.out);
    result = Run({"get", "HKLM\\SOFTWARE\\Quill Post", "reload", "--json"});
    EXPECT_EQ("{\n  \"Reload\": {\"type\": \"dword\", \"value\": 7}\n}\n", result.out);
}

TEST_F(RegistryCommandTest, GetOfMissingKeyOrValueFailsWithAHint) {
    Set("Reload", "dword:1");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"get", "HKLM\\SOFTWARE\\Nothing"},
          std::vector<std::string>{"get", "HKLM\\SOFTWARE\\Quill Post", "Absent"}}) {
        Result result = Run(args);
        EXPECT_EQ(kExitFailure, result.code) << args.back();
        EXPECT_NE(std::string::npos, result.err.find("no such")) << result.err;
        EXPECT_NE(std::string::npos, result.err.find("mtafilter registry export")) << result.err;
    }
}

TEST_F(RegistryCommandTest, DeleteRemovesAValueOrAKeyTree) {
    Set("Keep", "dword:1");
    Set("Drop", "dword:2");
    ASSERT_EQ(kExitSuccess, Run({"set", "HKLM\\SOFTWARE\\Quill Post\\Sub", "x", "dword:3"}).code);
    EXPECT_EQ(kExitSuccess, Run({"delete", "HKLM\\SOFTWARE\\Quill Post", "drop"}).code);
    EXPECT_EQ("Keep=1\n", Run({"get", "HKLM\\SOFTWARE\\Quill Post"}).out);
    EXPECT_EQ(kExitFailure, Run({"delete", "HKLM\\SOFTWARE\\Quill Post", "Drop"}).code);
    EXPECT_EQ(kExitSuccess, Run({"delete", "HKLM\\SOFTWARE\\Quill Post"}).code);
    EXPECT_EQ(kExitFailure, Run({"get", "HKLM\\SOFTWARE\\Quill Post\\Sub"}).code);
    EXPECT_EQ(kExitFailure, Run({"delete", "HKLM\\SOFTWARE\\Quill Post"}).code);
}

TEST_F(RegistryCommandTest, BadUsageExitsWithTwo) {
    const std::vector<std::string> cases[] = {
        {},
        {"frob"},
        {"set", "HKLM\\X", "v"},
        {"set", "HKLM\\X", "v", "float:1"},
        {"set", "HKLM\\X", "v", "1"},
        {"set", "HKLM\\X", "v", "dword:4294967296"},
        {"set", "HKLM\\X", "v", "dword:-1"},
        {"set", "HKLM\\X", "v", "dword:12ab"},
        {"set", "HKLM\\X", "v", "binary:abc"},
        {"get", "HKCU\\Software"},
        {"get", "SOFTWARE\\X"},
        {"get", "HKLM\\X", "--bogus"},
        {"export", "--json"},
        {"export", "--output"},
        {"delete", "HKLM"},
        {"import"},
    };
    for (const std::vector<std::string>& args : cases) {
        Result result = Run(args);
        EXPECT_EQ(kExitUsage, result.code) << testing::PrintToString(args) << ": " << result.err;
        EXPECT_FALSE(result.err.empty()) << testing::PrintToString(args);
    }
    EXPECT_FALSE(tree_.Exists("registry.db"));
}

TEST_F(RegistryCommandTest, EverySubcommandHasHelp) {
    for (const char* command : {"import", "export", "get", "set", "delete"}) {
        Result result = Run({command, "--help"});
        EXPECT_EQ(kExitSuccess, result.code) << command;
        EXPECT_EQ(0u, result.out.find(std::string("usage: mtafilter registry ") + command))
            << result.out;
    }
    Result result = Run({"--help"});
    EXPECT_EQ(kExitSuccess, result.code);
    EXPECT_NE(std::string::npos, result.out.find("import FILE.reg"));
    EXPECT_NE(std::string::npos, Run({"set", "--help"}).out.find("multi_sz:"));
}

TEST_F(RegistryCommandTest, ImportAndExportGoThroughFilesAndABadImportChangesNothing) {
    const std::string text =
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quill Post]\n"
        "\"Reload\"=dword:00000001\n\"Path\"=\"C:\\\\Mail\"\n\n";
    tree_.WriteFile("in.reg", text);
    Result imported = Run({"import", tree_.Join("in.reg")});
    ASSERT_EQ(kExitSuccess, imported.code) << imported.err;
    EXPECT_EQ(text, Run({"export"}).out);
    ASSERT_EQ(kExitSuccess,
              Run({"export", "HKLM\\SOFTWARE", "--output", tree_.Join("o.reg")}).code);
    EXPECT_EQ(text, tree_.ReadFile("o.reg"));
    tree_.WriteFile("bad.reg", "REGEDIT4\n[HKLM\\SOFTWARE\\A]\n\"v\"=dword:1\n\"w\"=dword:xyz\n");
    Result bad = Run({"import", tree_.Join("bad.reg")});
    EXPECT_EQ(kExitFailure, bad.code);
    EXPECT_NE(std::string::npos, bad.err.find(tree_.Join("bad.reg") + ":4: ")) << bad.err;
    EXPECT_EQ(kExitFailure, Run({"get", "HKLM\\SOFTWARE\\A"}).code);
}

TEST_F(RegistryCommandTest, CorruptDatabaseFailsWithAdvice) {
    tree_.WriteFile("registry.db", std::string(2048, 'z'));
    Result result = Run({"get", "HKLM\\SOFTWARE"});
    EXPECT_EQ(kExitFailure, result.code);
    EXPECT_NE(std::string::npos, result.err.find("--registry")) << result.err;
}

TEST_F(RegistryCommandTest, ValueSetByAnotherProcessIsReadHere) {
    Set("Reload", "dword:0");
    std::string tool =
        std::string(MTAFILTER_TOOL) + " --registry " + registry_.Path() + " registry ";
    std::string output;
    ASSERT_EQ(0, testing_support::RunCommand(
                     tool + "set 'HKLM\\SOFTWARE\\Quill Post' Reload dword:5", &output, true))
        << output;
    EXPECT_EQ("5\n", Run({"get", "HKLM\\SOFTWARE\\Quill Post", "Reload"}).out);
    Set("Reload", "dword:6");
    output.clear();
    ASSERT_EQ(
        0, testing_support::RunCommand(tool + "get 'HKLM\\SOFTWARE\\Quill Post' Reload", &output));
    EXPECT_EQ("6\n", output);
}

}  // namespace
