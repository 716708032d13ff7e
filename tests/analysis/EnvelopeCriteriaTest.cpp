// tests/analysis/EnvelopeCriteriaTest.cpp: the criteria tested on envelope values.
#include <gtest/gtest.h>

#include <string>

#include "analysis/ContentCriteria.h"
#include "base/Settings.h"
#include "common/SafeText.h"
#include "tests/filters/HandBuiltRun.h"
#include "tests/fixtures/TempTree.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
using testing_support::HandBuiltRun;

// What the filter run passes: "[SMTP:a@b]" then yields the bare address as a word.
constexpr const char* kEnvelopeDelimiters = ":]\r\n";

class EnvelopeCriteriaTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSettings();
        ForgetFirstUseSettings();
    }
    testing_support::TempTree tree;
    testing_support::ScopedRegistry registry{tree};
};

TEST_F(EnvelopeCriteriaTest, EnvelopeValuesMatchSilentlyWithTheEnvelopeTag) {
    struct Case {
        const char* name;
        int type;
        const char* value;
        const char* text;
        int wantCount;
        const char* wantResult;
    };
    const Case kCases[] = {
        {"recipient in the list", kToOrCc, "carol@example.com",
         "[SMTP:bob@example.com];[SMTP:carol@example.com]", 1, "<MF-E>carol@example.com</MF-E>"},
        {"client address", kIpAddress, "198.51.100.4\t192.0.2.7", "192.0.2.7", 1,
         "<MF-E>192.0.2.7</MF-E>"},
        {"account", kAccount, "acme", "acme", 1, "<MF-E>acme</MF-E>"},
        {"connector prefix is no word", kConnector, "SMTP", "SMTPS", 0, ""},
        {"no sender placeholder here", kToOrCc, "[QP_SENDER]", "[SMTP:alice@example.com]", 0, ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        HandBuiltRun run;
        SafeCopy(run.message.sender, "[SMTP:alice@example.com]");
        run.AddFilter(c.type, c.value);
        CaptureStdout();
        EXPECT_EQ(1, EvaluateEnvelopeCriterion(c.type, kEnvelopeDelimiters, c.text, &run.set,
                                               &run.evaluations));
        EXPECT_EQ("", GetCapturedStdout());
        EXPECT_EQ(c.wantCount, run.Result(1).matchCount[c.type]);
        EXPECT_STREQ(c.wantResult, run.Result(1).resultText[c.type]);
    }
}

TEST_F(EnvelopeCriteriaTest, WordFileHitsCarryTheEnvelopeTag) {
    tree.WriteFile("lists/hosts.txt", "192.0.2.7\n");
    const std::string reference =
        "<REFERENCE><FILE>hosts.txt</FILE><PATH>" + tree.Join("lists") + "</PATH>";
    HandBuiltRun run;
    run.AddFilter(kIpAddress, reference);
    (void)EvaluateEnvelopeCriterion(kIpAddress, kEnvelopeDelimiters, "192.0.2.7", &run.set,
                                    &run.evaluations);
    EXPECT_EQ(1, run.Result(1).matchCount[kIpAddress]);
    EXPECT_STREQ("<MF-E>192.0.2.7</MF-E>", run.Result(1).resultText[kIpAddress]);
}

}  // namespace
