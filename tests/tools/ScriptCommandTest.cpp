// tests/tools/ScriptCommandTest.cpp: "mtafilter script": a whole program, or one function
// of a filter program with its result and result data.
#include <gtest/gtest.h>

#include <string>

#include "tests/fixtures/TempTree.h"
#include "tests/tools/InProcessCommand.h"

namespace {

using testing_support::RunMtafilter;

class ScriptCommandTest : public testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& text) {
        tree_.WriteFile(name, text);
        return tree_.Join(name);
    }

private:
    testing_support::TempTree tree_;
};

constexpr const char* kFilterProgram =
    "Dim QPResultData\r\nQPResultData = \"SCRIPT\"\r\n"
    "Function QP_GetResultData()\r\nQP_GetResultData = QPResultData\r\nEnd Function\r\n"
    "Function QP_Execute\r\nQP_Execute = 1\r\nQPResultData = \"say \"\"hi\"\"\"\r\nEnd "
    "Function\r\n";

TEST_F(ScriptCommandTest, FunctionPrintsResultAndResultData) {
    const std::string path = Write("filter.vbs", kFilterProgram);
    auto text = RunMtafilter({"script", path, "--function", "QP_Execute"});
    EXPECT_EQ(0, text.code) << text.err;
    EXPECT_EQ("result: 1\nresult data: say \"hi\"\n", text.out);

    auto json = RunMtafilter({"script", "--json", path, "--function", "QP_Execute"});
    EXPECT_EQ(0, json.code) << json.err;
    EXPECT_EQ("{\"result\": 1, \"resultData\": \"say \\\"hi\\\"\"}\n", json.out);

    auto missing = RunMtafilter({"script", path, "--function", "Nowhere"});
    EXPECT_EQ(0, missing.code);
    EXPECT_EQ("result: 0\nresult data: \n", missing.out);
}

TEST_F(ScriptCommandTest, ScriptErrorsGoToStandardErrorAndFail) {
    const std::string syntax = Write("broken.vbs", "Function F()\r\nIf Then\r\nEnd Function\r\n");
    auto parsed = RunMtafilter({"script", syntax, "--function", "F"});
    EXPECT_EQ(1, parsed.code);
    EXPECT_EQ(0u, parsed.out.find("result: 0\nresult data: Script Syntax Error: HRESULT = -"));
    EXPECT_NE(std::string::npos, parsed.err.find("ScriptSite: Script Error:"));
    EXPECT_NE(std::string::npos, parsed.err.find("Line: 2 "));

    const std::string failing = Write("fails.vbs", "Function F()\r\nF = 1 / 0\r\nEnd Function\r\n");
    auto run = RunMtafilter({"script", failing, "--function", "F"});
    EXPECT_EQ(1, run.code);
    EXPECT_NE(std::string::npos, run.err.find("Description: Division by zero"));
}

TEST_F(ScriptCommandTest, WholeProgramAndBadUsage) {
    const std::string path = Write("hello.vbs", "WScript.Echo \"hello\", 1 + 1\r\n");
    auto whole = RunMtafilter({"script", path});
    EXPECT_EQ(0, whole.code) << whole.err;
    EXPECT_EQ("hello 2\n", whole.out);

    EXPECT_EQ(2, RunMtafilter({"script", path, "--json"}).code);
    EXPECT_EQ(1, RunMtafilter({"script", path + ".missing", "--function", "F"}).code);
    EXPECT_EQ(0, RunMtafilter({"script", "--help"}).code);
}

}  // namespace
