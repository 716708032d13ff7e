// tests/filters/ScriptHostTest.cpp: ExecuteVBScript in the process: results, result data,
// syntax and run-time errors, trace lines and the presented error text.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "base/Settings.h"
#include "filters/ScriptHost.h"
#include "filters/ScriptSite.h"
#include "tests/fixtures/Wine.h"
#include "vbscript/ScriptEngine.h"

namespace {

std::vector<std::string> presented;

void Collect(const char* caption, const char* text) {
    presented.push_back(std::string(caption) + "|" + text);
}

// The header every filter program starts with, and its closing lines.
std::string FilterProgram(const std::string& body) {
    return "Dim QPResultData\r\nQPResultData = \"SCRIPT\"\r\nFunction QP_GetResultData()\r\n"
           "QP_GetResultData=QPResultData\r\nEnd Function\r\nFunction QP_Execute\r\n"
           "\tFilterResult=0\r\n" +
           body + "\r\nQP_Execute = FilterResult\r\nEnd Function\r\n";
}

class ScriptHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        vbscript::RegisterVBScriptEngine();
        ResetSettings();
        Settings().debugStatus = 2;  // trace lines to standard output
        presented.clear();
        previous_ = SetScriptErrorPresenter(Collect);
    }
    void TearDown() override {
        SetScriptErrorPresenter(previous_);
        ResetSettings();
    }

    // Runs the program and returns its result, keeping the trace in `trace`.
    int Run(const std::string& program, const char* function, int fetch, int capacity = 1024) {
        ::testing::internal::CaptureStdout();
        int result = ExecuteVBScript(program.c_str(), function, data, capacity, fetch);
        trace = ::testing::internal::GetCapturedStdout();
        return result;
    }

    char data[1024] = "untouched";
    std::string trace;

private:
    ScriptErrorPresenter previous_ = nullptr;
};

TEST_F(ScriptHostTest, ResultIsTheLowSixteenBitsWithTheirSign) {
    struct Case {
        const char* value;
        int want;
    } cases[] = {{"True", -1}, {"CLng(65537)", 1}, {"CLng(65535)", -1}, {"\"text\"", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(c.want,
                  Run(FilterProgram(std::string("FilterResult = ") + c.value), "QP_Execute", 0));
        EXPECT_EQ("Script executed successfully.\n", trace);
    }
}

TEST_F(ScriptHostTest, ResultDataIsFetchedOnlyWhenAskedOrWhenTheResultIsNonzero) {
    EXPECT_EQ(0, Run(FilterProgram("QPResultData = \"zero\""), "QP_Execute", 0));
    EXPECT_STREQ("untouched", data);

    EXPECT_EQ(0, Run(FilterProgram("QPResultData = \"zero\""), "QP_Execute", 1));
    EXPECT_STREQ("zero", data);

    EXPECT_EQ(1, Run(FilterProgram("FilterResult = 1"), "QP_Execute", 0));
    EXPECT_STREQ("SCRIPT", data);

    EXPECT_EQ(
        -1, Run(FilterProgram("FilterResult = True\r\nQPResultData = \"named\""), "QP_Execute", 0));
    EXPECT_STREQ("named", data);

    // An empty value empties the buffer; a number is not text and leaves it empty too.
    EXPECT_EQ(1, Run(FilterProgram("FilterResult = 1\r\nQPResultData = Empty"), "QP_Execute", 0));
    EXPECT_STREQ("", data);
    std::strcpy(data, "old");
    EXPECT_EQ(1, Run(FilterProgram("FilterResult = 1\r\nQPResultData = 42"), "QP_Execute", 0));
    EXPECT_STREQ("", data);
    EXPECT_EQ(1, Run(FilterProgram("FilterResult = 1\r\nQPResultData = \"abcdefgh\""), "QP_Execute",
                     0, 4));
    EXPECT_STREQ("abc", data);  // cut to the capacity

    // A program that never mentions it leaves it alone unless fetching is asked.
    std::strcpy(data, "untouched");
    const std::string program = "Function F()\r\nF = 1\r\nEnd Function\r\n";
    EXPECT_EQ(1, Run(program, "F", 0));
    EXPECT_STREQ("untouched", data);
    EXPECT_EQ(1, Run(program, "F", 1));
    EXPECT_STREQ("", data);  // emptied at the start; the missing function changes nothing
}

TEST_F(ScriptHostTest, ErrorsArePresentedAndASyntaxErrorWrittenIntoTheResultDataWhenFetching) {
    // Wine's VBScript engine does not hand its compile and run-time errors to the site's
    // OnScriptError, as the Windows engine does.
    if (testing_support::RunningUnderWine())
        GTEST_SKIP() << "Wine's VBScript reports no errors through OnScriptError";
    const std::string broken = FilterProgram("If FilterResult Then");
    EXPECT_EQ(0, Run(broken, "QP_Execute", 0));
    EXPECT_STREQ("untouched", data);
    ASSERT_EQ(1u, presented.size());
    EXPECT_NE(std::string::npos, presented[0].find("ScriptSite|Script Error: Line: "));
    EXPECT_NE(std::string::npos, presented[0].find("; Code: "));

    EXPECT_EQ(0, Run(broken, "QP_Execute", 1));
    EXPECT_TRUE(std::string(data).starts_with("Script Syntax Error: HRESULT = -")) << data;
    EXPECT_EQ('.', data[std::strlen(data) - 1]);
    EXPECT_EQ("", trace);

    // A run-time error's text names its source, code, line and column.
    presented.clear();
    EXPECT_EQ(0, Run("Function F()\r\nF = 1 / 0\r\nEnd Function\r\n", "F", 0));
    EXPECT_EQ("Script failed. 'QP_Execute()' function returned value = 0.\n", trace);
    ASSERT_EQ(1u, presented.size());
    const std::string& text = presented[0];
    EXPECT_NE(std::string::npos, text.find("; Error: 800A000B;")) << text;
    EXPECT_NE(std::string::npos, text.find("; Description: Division by zero;")) << text;
    EXPECT_NE(std::string::npos, text.find("Line: 2 Column: ")) << text;
    EXPECT_NE(std::string::npos, text.find("; Code: F = 1 / 0")) << text;
    EXPECT_EQ(std::string::npos, text.find_first_of("\r\n\t")) << text;
}

TEST_F(ScriptHostTest, UnknownFunctionGivesZeroWithoutTrace) {
    EXPECT_EQ(0, Run(FilterProgram("FilterResult = 1"), "NoSuchFunction", 0));
    EXPECT_EQ("", trace);
    EXPECT_TRUE(presented.empty());
    Settings().debugStatus = 0;  // and no trace at all without debugging
    EXPECT_EQ(1, Run(FilterProgram("FilterResult = 1"), "QP_Execute", 0));
    EXPECT_EQ("", trace);
}

TEST_F(ScriptHostTest, NoStateSurvivesFromOneCallToTheNext) {
    EXPECT_EQ(1, Run("Dim kept\r\nkept = 5\r\nFunction F()\r\nF = 1\r\nEnd Function\r\n", "F", 0));
    EXPECT_EQ(1, Run("Function F()\r\nIf IsEmpty(kept) Then F = 1\r\nEnd Function\r\n", "F", 0));
}

TEST_F(ScriptHostTest, ConcurrentCallsEachRunTheirOwnProgram) {
    Settings().debugStatus = 0;
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &wrong] {
            const std::string program = FilterProgram(
                "FilterResult = 1\r\nQPResultData = \"thread " + std::to_string(t) + "\"");
            for (int i = 0; i < 25; ++i) {
                char result[64] = "";
                if (ExecuteVBScript(program.c_str(), "QP_Execute", result, sizeof result, 0) != 1 ||
                    "thread " + std::to_string(t) != result)
                    ++wrong;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(0, wrong.load());
}

}  // namespace
