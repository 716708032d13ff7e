// tests/filters/FilterScriptTest.cpp: the criteria a script registers, and the program
// built from it at action time (tokens, placeholders, header and trailer).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/Settings.h"
#include "common/Console.h"
#include "filters/FilterScript.h"
#include "filters/ScriptSite.h"
#include "tests/filters/HandBuiltRun.h"
#include "tests/fixtures/Wine.h"
#include "vbscript/ScriptEngine.h"

namespace {

using testing_support::HandBuiltRun;

class FilterScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        vbscript::RegisterVBScriptEngine();
        ResetSettings();
        Settings().scriptLiteralMode = 1;
        SafeCopy(run.message.subject, "Win a \"free\" prize");
        SafeCopy(run.message.sender, "[SMTP:o\"brien@example.net]");
        SafeCopy(run.message.clientIp, "192.0.2.7");
        SafeCopy(run.message.account, "example.com");
        SafeCopy(run.message.recipients, "[SMTP:a@example.com];[SMTP:b@example.com]");
    }
    void TearDown() override { ResetSettings(); }

    static void SafeCopy(char* destination, const char* text) { std::strcpy(destination, text); }

    // A script filter (number filterCount) registered from `script`, with its evaluation.
    FilterDefinition& Register(const std::string& script) {
        FilterDefinition& filter = run.AddFilter(0, "", 0, 0);
        filter.isScript = 1;
        filter.scriptText = script;
        std::strcpy(filter.displayName, "Script filter");
        ::testing::internal::CaptureStdout();
        RegisterScriptCriteria(&run.set, script.c_str());
        console = ::testing::internal::GetCapturedStdout();
        return filter;
    }

    // Builds and runs filter 1's program; its result, with the result data in `data`.
    int Run() {
        ::testing::internal::CaptureStdout();
        const FilterDefinition& filter = *run.set.filters[1];
        int result = BuildAndRunFilterScript(&run.message, &run.set, 1, &run.evaluations,
                                             filter.scriptText.c_str(), data, sizeof data);
        console = ::testing::internal::GetCapturedStdout();
        return result;
    }

    HandBuiltRun run;
    std::string console;
    char data[1024] = "";
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
    for (int type : {kSubject, kBody, kSize, kToOrCc}) {
        EXPECT_EQ(1, c[type].enabled) << type;
    }
    int enabled = 0;
    for (const Criterion& criterion : filter.criteria) enabled += criterion.enabled;
    EXPECT_EQ(4, enabled);
    EXPECT_NE(std::string::npos, console.find("Setting Critieria:0:free\n"));
    EXPECT_NE(std::string::npos, console.find("Setting Critieria:7:\r\n"));
}

TEST_F(FilterScriptTest, EmptyConditionsKeepTheirPlaceAndLongOnesAreRegisteredWhole) {
    FilterDefinition& filter = Register(
        "a = CriteriaMet([QP_BODY], \"\")\r\nb = CriteriaMet([QP_BODY], \"free\")\r\n"
        "c = CriteriaMet([QP_BODY], \"\")\r\nd = CriteriaMet([QP_BODY], \"win\")\r\n");
    const Criterion& body = filter.criteria[kBody];
    EXPECT_EQ("\tfree\t\twin", body.value);
    ASSERT_EQ(4, body.conditionCount);
    const char* want[] = {"", "free", "", "win"};
    for (int j = 0; j < 4; ++j) {
        char condition[16] = "unset";
        EXPECT_EQ(1, GetCriterionCondition(body, j, condition, sizeof condition)) << j;
        EXPECT_STREQ(want[j], condition) << j;
    }
    // A long condition is registered whole.
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

TEST_F(FilterScriptTest, MetTokenBecomesItsValueAndDecidesTheResult) {
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
}

TEST_F(FilterScriptTest, OccurrencesTakeTheirOwnConditionValues) {
    Register(
        "If CriteriaMet([QP_BODY], \"a\") Then FilterResult = 2\r\n"
        "If CriteriaMet([QP_BODY], \"b\") Then FilterResult = 1\r\n"
        "QPResultData = \"size=\" & [QP_SIZE]");
    std::strcpy(run.Result(1).conditionValues[kBody][1], "1");
    std::strcpy(run.Result(1).conditionValues[kSize][0], "2048");
    EXPECT_EQ(1, Run());
    EXPECT_STREQ("size=2048", data);
}

TEST_F(FilterScriptTest, TokensInOtherCaseAreLeftInTheProgram) {
    // Wine's VBScript engine does not accept a bracketed name ([QP_subject]) as a
    // variable, as the Windows engine does.
    if (testing_support::RunningUnderWine())
        GTEST_SKIP() << "Wine's VBScript does not take bracketed names";
    // Left in the program, the token reads as an empty variable: not met.
    Register(
        "If CriteriaMet([QP_subject], \"free\") Then FilterResult = 2 Else FilterResult = 1\r\n"
        "QPResultData = \"[QP_subject]\"");
    std::strcpy(run.Result(1).conditionValues[kSubject][0], "1");
    EXPECT_EQ(1, Run());
    EXPECT_STREQ("[QP_subject]", data);
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

TEST_F(FilterScriptTest, AScriptErrorIsOneLineNamingTheFilterAndItsFileLine) {
    // Wine's VBScript engine does not hand its compile and run-time errors to the site's
    // OnScriptError, as the Windows engine does.
    if (testing_support::RunningUnderWine())
        GTEST_SKIP() << "Wine's VBScript reports no errors through OnScriptError";
    static std::vector<std::string> presented;
    presented.clear();
    SetScriptErrorPresenter([](const char*, const char* text) { presented.push_back(text); });
    Register("FilterResult = 1\r\nx = 1 / 0\r\n");
    std::strcpy(run.set.filters[1]->filterId, "F7");
    EXPECT_EQ(0, Run());
    SetScriptErrorPresenter(nullptr);
    ASSERT_EQ(1u, presented.size());
    const std::string& text = presented[0];
    EXPECT_EQ(0u, text.find("Script Error: Filter: Script filter; File: ")) << text;
    EXPECT_NE(std::string::npos, text.find("CRITERIA\\F7.MES; Line: 2 Column: ")) << text;
    EXPECT_NE(std::string::npos, text.find("Description: Division by zero")) << text;
    EXPECT_EQ(std::string::npos, text.find_first_of("\r\n\t")) << text;
}

TEST_F(FilterScriptTest, ReplaceInStringCountsAndNeverRescansInsertedText) {
    struct Case {
        const char* text;
        const char* pattern;
        const char* replacement;
        int maximum;
        bool stay;
        bool exact;
        const char* want;
        int count;
    } cases[] = {
        {"aXbXc", "X", "XX", 0, false, true, "aXXbXXc", 2},
        {"axbXc", "X", "-", 0, false, false, "a-b-c", 2},
        {"abb", "ab", "a", 0, true, true, "a", 2},  // staying finds the "ab" it made
        {"abb", "ab", "a", 0, false, true, "ab", 1},
        {"abab", "ab", "ab", 0, true, true, "abab", 2},  // would loop: moves on instead
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(c.count,
                  ReplaceInString(&text, c.pattern, c.replacement, c.maximum, c.stay, c.exact))
            << c.text << " " << c.pattern;
        EXPECT_EQ(c.want, text) << c.text << " " << c.pattern;
    }
}

}  // namespace
