// tests/filters/FilterScriptTest.cpp: the criteria a script registers, the program built
// from it at action time (tokens, placeholders, header and trailer), and ExecuteVBScript
// running it: results, result data, errors, trace lines and the presented error text.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/Settings.h"
#include "common/Console.h"
#include "filters/FilterScript.h"
#include "filters/ScriptHost.h"
#include "filters/ScriptSite.h"
#include "tests/filters/HandBuiltRun.h"
#include "tests/fixtures/Wine.h"
#include "vbscript/ScriptEngine.h"

namespace {

using testing_support::HandBuiltRun;

std::vector<std::string> presented;

// The header every filter program starts with, and its closing lines.
std::string FilterProgram(const std::string& body) {
    return "Dim QPResultData\r\nQPResultData = \"SCRIPT\"\r\nFunction QP_GetResultData()\r\n"
           "QP_GetResultData=QPResultData\r\nEnd Function\r\nFunction QP_Execute\r\n"
           "\tFilterResult=0\r\n" +
           body + "\r\nQP_Execute = FilterResult\r\nEnd Function\r\n";
}

class FilterScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        vbscript::RegisterVBScriptEngine();
        ResetSettings();
        Settings().scriptLiteralMode = 1;
        Settings().debugStatus = 2;  // trace lines to standard output
        presented.clear();
        previous_ = SetScriptErrorPresenter([](const char* caption, const char* text) {
            presented.push_back(std::string(caption) + "|" + text);
        });
        std::strcpy(run.message.subject, "Win a \"free\" prize");
        std::strcpy(run.message.sender, "[SMTP:o\"brien@example.net]");
        std::strcpy(run.message.clientIp, "192.0.2.7");
        std::strcpy(run.message.account, "example.com");
        std::strcpy(run.message.recipients, "[SMTP:a@example.com];[SMTP:b@example.com]");
    }
    void TearDown() override {
        SetScriptErrorPresenter(previous_);
        ResetSettings();
    }

    // A script filter (number filterCount) registered from `script`, with its evaluation.
    FilterDefinition& Register(const std::string& script) {
        FilterDefinition& filter = run.AddFilter(0, "", 0, 0);
        filter.isScript = 1;
        filter.scriptText = script;
        std::strcpy(filter.displayName, "Script filter");
        console = Printed([&] { RegisterScriptCriteria(&run.set, script.c_str()); });
        return filter;
    }
    // Builds and runs filter n's program; its result, with the result data in `data`.
    int Run(int n = 1) {
        int result = 0;
        console = Printed([&] {
            result =
                BuildAndRunFilterScript(&run.message, &run.set, n, &run.evaluations,
                                        run.set.filters[n]->scriptText.c_str(), data, sizeof data);
        });
        return result;
    }
    // Runs a program as it stands and returns its result, keeping the trace in `console`.
    int Run(const std::string& program, const char* function, int fetch, int capacity = 1024) {
        int result = 0;
        console = Printed(
            [&] { result = ExecuteVBScript(program.c_str(), function, data, capacity, fetch); });
        return result;
    }
    template <typename Step>
    static std::string Printed(Step step) {
        ::testing::internal::CaptureStdout();
        step();
        return ::testing::internal::GetCapturedStdout();
    }

    HandBuiltRun run;
    std::string console;
    char data[1024] = "untouched";

private:
    ScriptErrorPresenter previous_ = nullptr;
};

TEST_F(FilterScriptTest, TokensRegisterConditionsInTheirOrder) {
    FilterDefinition& filter = Register(
        "If CriteriaMet([QP_SUBJECT], \"free\") Then FilterResult = 1\r\n"
        "If CriteriaMet([QP_BODY],\"one\") And CriteriaMet([QP_BODY] ,\r\n \"two\") Then x = 1\r\n"
        "If [QP_SIZE] > 100 Then FilterResult = 1\r\n"
        "If CriteriaMet([QP_TOorCC],plain words) Then x = 2\r\n"
        "If CriteriaMet([QP_subject], \"lower\") Then x = 3\r\n"
        "If CriteriaMet([QP_NOSUCH], \"x\") Then x = 4\r\n");
    const Criterion* c = filter.criteria;
    EXPECT_EQ("free\tlower", c[kSubject].value);
    EXPECT_EQ(2, c[kSubject].conditionCount);
    EXPECT_EQ("one\ttwo", c[kBody].value);
    EXPECT_EQ(2, c[kBody].conditionCount);
    EXPECT_EQ("\r", c[kSize].value);
    EXPECT_EQ("plain words", c[kToOrCc].value);
    int enabled = 0;  // the four types above, and no other
    for (const Criterion& criterion : filter.criteria) enabled += criterion.enabled;
    EXPECT_EQ(4, enabled);
    EXPECT_NE(std::string::npos, console.find("Setting Critieria:0:free\n"));
    EXPECT_NE(std::string::npos, console.find("Setting Critieria:7:\r\n"));
}

// Empty conditions keeping their place are run through FilterExecute in
// FilterRunConfigurationTest.
TEST_F(FilterScriptTest, LongConditionsAreRegisteredWhole) {
    const std::string words(3000, 'w');
    FilterDefinition& longer = Register("If CriteriaMet([QP_SUBJECT], \"" + words +
                                        "\") And CriteriaMet([QP_SUBJECT], \"x\") Then y = 1");
    std::string condition;
    EXPECT_EQ(1, GetCriterionCondition(longer.criteria[kSubject], 0, &condition));
    EXPECT_EQ(words, condition);
    EXPECT_EQ(1, GetCriterionCondition(longer.criteria[kSubject], 1, &condition));
    EXPECT_EQ("x", condition);
    EXPECT_EQ(0, GetCriterionCondition(longer.criteria[kSubject], 2, &condition));
}

TEST_F(FilterScriptTest, ScanStopsAtAMissingBracketOrAnOpenCondition) {
    FilterDefinition& missingBracket = Register("x([QP_FROM],\"x\")\r\ny = [QP_SUBJECT");
    EXPECT_EQ("x", missingBracket.criteria[kFrom].value);
    EXPECT_EQ(0, missingBracket.criteria[kSubject].conditionCount);

    // The "]" found may be a later token's: the name then spans both and matches nothing.
    FilterDefinition& spanning = Register("x = [QP_SUBJECT,\"a\")\r\ny = [QP_BODY]");
    EXPECT_EQ(0, spanning.criteria[kSubject].conditionCount);
    EXPECT_EQ(0, spanning.criteria[kBody].conditionCount);

    FilterDefinition& openParen = Register("a([QP_FROM],\"x\") b([QP_TO],open c([QP_CC],\"z\"");
    EXPECT_EQ("x", openParen.criteria[kFrom].value);
    EXPECT_EQ(0, openParen.criteria[kTo].conditionCount);
    EXPECT_EQ(0, openParen.criteria[kCc].conditionCount);

    FilterDefinition& openQuote = Register("a([QP_FROM], \"unclosed)");
    EXPECT_EQ(0, openQuote.criteria[kFrom].conditionCount);
}

TEST_F(FilterScriptTest, MetTokensBecomeTheirOccurrencesValuesAndDecideTheResult) {
    Register("If CriteriaMet([QP_SUBJECT], \"free\") Then FilterResult = 1");
    std::strcpy(run.Result(1).conditionValues[kSubject][0], "1");
    EXPECT_EQ(1, Run());
    EXPECT_STREQ("SCRIPT", data);
    EXPECT_NE(std::string::npos, console.find("Checking Filter[1]Criteria[0]::(1)->49\n"));
    EXPECT_NE(std::string::npos, console.find("Setting True value 1\n"));

    for (const char* unmet : {"", "0"}) {
        std::strcpy(run.Result(1).conditionValues[kSubject][0], unmet);
        EXPECT_EQ(0, Run()) << unmet;
        EXPECT_NE(std::string::npos, console.find("Setting False\n"));
    }
    // Each occurrence takes its own condition's value.
    Register(
        "If CriteriaMet([QP_BODY], \"a\") Then FilterResult = 2\r\n"
        "If CriteriaMet([QP_BODY], \"b\") Then FilterResult = 1\r\n"
        "QPResultData = \"size=\" & [QP_SIZE]");
    std::strcpy(run.Result(2).conditionValues[kBody][1], "1");
    std::strcpy(run.Result(2).conditionValues[kSize][0], "2048");
    EXPECT_EQ(1, Run(2));
    EXPECT_STREQ("size=2048", data);
}

TEST_F(FilterScriptTest, PlaceholdersTakeMessageValuesEscapedForAStringLiteral) {
    Register(
        "FilterResult = 1\r\nQPResultData = \"%SUBJECT%|%IPADDRESS%|%POSTOFFICE%|\" & "
        "\"%RECIPIENTS%|%SENDERADDRESS%\"");
    std::strcpy(run.message.recipients, "[SMTP:a@example.com]\r\n[SMTP:b@example.com]");
    EXPECT_EQ(1, Run());
    EXPECT_STREQ(
        "Win a \"free\" prize|192.0.2.7|example.com|[SMTP:a@example.com][SMTP:b@example.com]|"
        "o\"brien@example.net",
        data);
    Settings().scriptLiteralMode = 0;  // placeholders then stay as written
    EXPECT_EQ(1, Run());
    EXPECT_EQ(0u, std::string(data).find("%SUBJECT%|"));
}

TEST_F(FilterScriptTest, ASenderCannotWriteIntoTheProgram) {
    // An address check that an envelope sender tries to break out of and decide itself.
    Register(
        "sender = LCase(\"%SENDERADDRESS%\")\r\n"
        "If sender = \"boss@example.com\" Then FilterResult = 1");
    std::strcpy(run.message.sender, "[SMTP:x\"):FilterResult=1:y=(\"@evil.example]");
    EXPECT_EQ(0, Run());
    std::strcpy(run.message.sender, "[SMTP:x\"\r\nFilterResult=1\r\ny=\"@evil.example]");
    EXPECT_EQ(0, Run());
    std::strcpy(run.message.sender, "[SMTP:boss@example.com]");
    EXPECT_EQ(1, Run());
}

TEST_F(FilterScriptTest, ReplaceInStringCountsAndNeverRescansInsertedText) {
    const struct {
        const char *text, *pattern, *replacement;
        bool stay, exact;
        const char* want;
        int count;
    } cases[] = {
        {"aXbXc", "X", "XX", false, true, "aXXbXXc", 2},
        {"axbXc", "X", "-", false, false, "a-b-c", 2},
        {"abb", "ab", "a", true, true, "a", 2},       // staying finds the "ab" it made
        {"abab", "ab", "ab", true, true, "abab", 2},  // would loop: moves on instead
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(c.count, ReplaceInString(&text, c.pattern, c.replacement, 0, c.stay, c.exact))
            << c.text;
        EXPECT_EQ(c.want, text) << c.text;
    }
}

TEST_F(FilterScriptTest, ResultIsTheLowSixteenBitsWithTheirSign) {
    const std::pair<const char*, int> cases[] = {{"True", -1}, {"CLng(65537)", 1}};
    for (const auto& [value, want] : cases)
        EXPECT_EQ(want, Run(FilterProgram(std::string("FilterResult = ") + value), "QP_Execute", 0))
            << value;
}

TEST_F(FilterScriptTest, ResultDataIsFetchedOnlyWhenAskedOrWhenTheResultIsNonzero) {
    EXPECT_EQ(0, Run(FilterProgram("QPResultData = \"zero\""), "QP_Execute", 0));
    EXPECT_STREQ("untouched", data);

    EXPECT_EQ(0, Run(FilterProgram("QPResultData = \"zero\""), "QP_Execute", 1));
    EXPECT_STREQ("zero", data);

    EXPECT_EQ(1, Run(FilterProgram("FilterResult = 1"), "QP_Execute", 0));
    EXPECT_STREQ("SCRIPT", data);

    EXPECT_EQ(
        -1, Run(FilterProgram("FilterResult = True\r\nQPResultData = \"named\""), "QP_Execute", 0));
    EXPECT_STREQ("named", data);

    // An empty value empties the buffer.
    EXPECT_EQ(1, Run(FilterProgram("FilterResult = 1\r\nQPResultData = Empty"), "QP_Execute", 0));
    EXPECT_STREQ("", data);
    EXPECT_EQ(1, Run(FilterProgram("FilterResult = 1\r\nQPResultData = \"abcdefgh\""), "QP_Execute",
                     0, 4));
    EXPECT_STREQ("abc", data);  // cut to the capacity
}

TEST_F(FilterScriptTest, ErrorsArePresentedAndASyntaxErrorWrittenIntoTheResultDataWhenFetching) {
    // Wine's VBScript engine does not hand its compile and run-time errors to the site's
    // OnScriptError, as the Windows engine does.
    if (testing_support::RunningUnderWine())
        GTEST_SKIP() << "Wine's VBScript reports no errors through OnScriptError";
    const std::string broken = FilterProgram("If FilterResult Then");
    EXPECT_EQ(0, Run(broken, "QP_Execute", 0));
    EXPECT_STREQ("untouched", data);
    ASSERT_EQ(1u, presented.size());

    EXPECT_EQ(0, Run(broken, "QP_Execute", 1));
    EXPECT_TRUE(std::string(data).starts_with("Script Syntax Error: HRESULT = -")) << data;
    EXPECT_EQ('.', data[std::strlen(data) - 1]);
    EXPECT_EQ("", console);

    // A run-time error names the filter, its file, the line and the description, on one line.
    presented.clear();
    Register("FilterResult = 1\r\nx = 1 / 0\r\n");
    std::strcpy(run.set.filters[1]->filterId, "F7");
    EXPECT_EQ(0, Run());
    ASSERT_EQ(1u, presented.size());
    const std::string& named = presented[0];
    EXPECT_NE(std::string::npos, named.find("|Script Error: Filter: Script filter; File: "))
        << named;
    EXPECT_NE(std::string::npos, named.find("CRITERIA\\F7.MES; Line: 2 Column: ")) << named;
    EXPECT_NE(std::string::npos, named.find("; Description: Division by zero;")) << named;
    EXPECT_EQ(std::string::npos, named.find_first_of("\r\n\t")) << named;
}

TEST_F(FilterScriptTest, UnknownFunctionGivesZeroWithoutTraceAndNoStateSurvivesACall) {
    EXPECT_EQ(0, Run(FilterProgram("FilterResult = 1"), "NoSuchFunction", 0));
    EXPECT_EQ("", console);
    EXPECT_TRUE(presented.empty());
    Settings().debugStatus = 0;  // and no console at all without debugging
    EXPECT_EQ(1, Run("Dim kept\r\nkept = 5\r\nFunction F()\r\nF = 1\r\nEnd Function\r\n", "F", 0));
    EXPECT_EQ("", console);
    EXPECT_EQ(1, Run("Function F()\r\nIf IsEmpty(kept) Then F = 1\r\nEnd Function\r\n", "F", 0));
}

TEST_F(FilterScriptTest, ConcurrentCallsEachRunTheirOwnProgram) {
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
