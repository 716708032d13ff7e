// tests/analysis/ContentCriteriaTest.cpp: how each content criterion records a hit (its
// count, its tag in the result text, its condition values) and which near misses it
// must not take.
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

// What the scanner passes for address header values and the run for envelope values.
constexpr const char* kAddressDelimiters = " \r'\"\n<>;";
constexpr const char* kEnvelopeDelimiters = ":]\r\n";
constexpr const char* kUnclosed = "No closing quotation for attachment\n";

class ContentCriteriaTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSettings();
        ForgetFirstUseSettings();
    }
    void Expect(HandBuiltRun& run, int type, int count, const char* result, const char* value0) {
        EXPECT_EQ(count, run.Result(1).matchCount[type]);
        EXPECT_STREQ(result, run.Result(1).resultText[type]);
        EXPECT_STREQ(value0, run.Result(1).conditionValues[type][0]);
    }
    testing_support::TempTree tree;
    testing_support::ScopedRegistry registry{tree};
};

// Header addresses are tagged MF-R, envelope values MF-E, and the sender placeholder
// means nothing in the envelope.
TEST_F(ContentCriteriaTest, AddressesCountEachListedAddressAsAWholeWord) {
    struct Case {
        const char* name;
        bool envelope;
        int type;
        const char* value;
        const char* text;
        int count;
        const char* result;
    };
    const Case kCases[] = {
        {"both listed", false, kCc, "bob@example.com\tcarol@example.com",
         "bob@example.com; carol@example.com", 2, "<MF-R>carol@example.com</MF-R>"},
        {"sender placeholder", false, kFrom, "[QP_SENDER]", "Alice <alice@example.com>", 1,
         "<MF-R>alice@example.com</MF-R>"},
        {"placeholder replaced only as written", false, kFrom, "[qp_sender]",
         "Alice <alice@example.com>", 0, ""},
        {"envelope recipient", true, kToOrCc, "carol@example.com",
         "[SMTP:bob@example.com];[SMTP:carol@example.com]", 1, "<MF-E>carol@example.com</MF-E>"},
        {"no sender placeholder in the envelope", true, kToOrCc, "[QP_SENDER]",
         "[SMTP:alice@example.com]", 0, ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        HandBuiltRun run;
        SafeCopy(run.message.sender, "[SMTP:alice@example.com]");
        run.AddFilter(c.type, c.value);
        CaptureStdout();
        EXPECT_EQ(1, c.envelope ? EvaluateEnvelopeCriterion(c.type, kEnvelopeDelimiters, c.text,
                                                            &run.set, &run.evaluations)
                                : EvaluateAddressCriterion(c.type, c.text, kAddressDelimiters,
                                                           &run.set, &run.evaluations));
        (void)GetCapturedStdout();
        Expect(run, c.type, c.count, c.result, c.count > 0 ? "1" : "");
    }
    // A word file referenced by either keeps the tag of its evaluator.
    tree.WriteFile("lists/partners.txt", "bob@example.com\n192.0.2.7\n");
    const std::string reference =
        "<REFERENCE><FILE>partners.txt</FILE><PATH>" + tree.Join("lists") + "</PATH>";
    HandBuiltRun run;
    run.AddFilter(kToOrCc, reference);
    (void)EvaluateAddressCriterion(kToOrCc, "bob@example.com", kAddressDelimiters, &run.set,
                                   &run.evaluations);
    Expect(run, kToOrCc, 1, "<MF-W>bob@example.com</MF-W>", "1");
    HandBuiltRun envelope;
    envelope.AddFilter(kIpAddress, reference);
    (void)EvaluateEnvelopeCriterion(kIpAddress, kEnvelopeDelimiters, "192.0.2.7", &envelope.set,
                                    &envelope.evaluations);
    EXPECT_STREQ("<MF-E>192.0.2.7</MF-E>", envelope.Result(1).resultText[kIpAddress]);
}

TEST_F(ContentCriteriaTest, SizeIsOverTheLimitAndABareCarriageReturnAsksForTheSize) {
    struct Case {
        const char* name;
        const char* value;
        int conditions;
        int32_t size;
        int count;
        const char* result;
        const char* value0;
        const char* value1;
    };
    const Case kCases[] = {
        {"one byte over", "50000", 1, 50001, 1, "<SZ>50001</SZ><SZL>50000</SZL>", "1", ""},
        {"exactly the limit", "50000", 1, 50000, 0, "", "0", ""},
        // A script that names SIZE without a limit asks for the size itself.
        {"script conditions", "100\t\r", 2, 1234, 1, "<SZ>1234</SZ><SZL>100\t\r</SZL>", "1",
         "1234"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        HandBuiltRun run;
        run.AddFilter(kSize, c.value, c.conditions);
        CaptureStdout();
        EXPECT_EQ(1, EvaluateSize(kSize, c.size, &run.set, &run.evaluations));
        (void)GetCapturedStdout();
        Expect(run, kSize, c.count, c.result, c.value0);
        EXPECT_STREQ(c.value1, run.Result(1).conditionValues[kSize][1]);
    }
    HandBuiltRun run;  // the count is set, not added, message piece by piece
    run.AddFilter(kSize, "10");
    (void)EvaluateSize(kSize, 20, &run.set, &run.evaluations);
    (void)EvaluateSize(kSize, 30, &run.set, &run.evaluations);
    Expect(run, kSize, 1, "<SZ>30</SZ><SZL>10</SZL>", "1");
}

TEST_F(ContentCriteriaTest, SenderAuthAndMarksMeetOnlyEnabledFiltersOfTheirCriterion) {
    for (int32_t status : {1, 2, -1}) {
        SCOPED_TRACE(status);
        HandBuiltRun run;
        run.AddFilter(kSenderAuth, status == -1 ? "-1" : "1", 2);
        EXPECT_EQ(1, EvaluateSenderAuth(kSenderAuth, status, &run.set, &run.evaluations));
        const bool met = status != 2;
        const std::string value = std::to_string(status);
        Expect(run, kSenderAuth, met ? 1 : 0, met ? "<MF-ES>1</MF-ES>" : "", value.c_str());
        EXPECT_EQ(value, run.Result(1).conditionValues[kSenderAuth][1]);
    }
    HandBuiltRun run;
    run.AddFilter(kAllMessages, "", 2);
    run.AddFilter(kAllMessages, "", 1, 0);
    run.AddFilter(kUrlbl, "");
    for (int message = 0; message < 2; ++message)
        (void)MarkCriterion(kAllMessages, "MF-ALL", "All Messages", &run.set, &run.evaluations);
    Expect(run, kAllMessages, 2, "<MF-ALL>All Messages</MF-ALL>", "1");
    EXPECT_EQ(0, run.Result(2).matchCount[kAllMessages]);
    EXPECT_EQ(0, run.Result(3).matchCount[kAllMessages]);
}

TEST_F(ContentCriteriaTest, HeaderParameterIsQuotedOrEndsAtASeparator) {
    struct Case {
        const char* line;
        const char* parameter;
        size_t capacity;
        int rc;
        const char* value;
        const char* console;
    };
    const Case kCases[] = {
        {"Content-Type: x; NAME=a.exe; charset=x", "name", 64, 1, "a.exe", ""},
        {"filename=\"a.exe\r\n", "filename", 64, 0, "", kUnclosed},
        {"name=abcde", "name", 5, 0, "", kUnclosed},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.line);
        char value[64] = "stale";
        CaptureStdout();
        EXPECT_EQ(c.rc, ExtractHeaderParameter(c.line, c.parameter, value, c.capacity));
        EXPECT_EQ(c.console, GetCapturedStdout());
        EXPECT_STREQ(c.value, value);
    }
}

}  // namespace
