// tests/analysis/AddressCriteriaTest.cpp: the To, Cc and From criteria on header values.
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

// What the scanner passes for address header values.
constexpr const char* kAddressDelimiters = " \r'\"\n<>;";

class AddressCriteriaTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSettings();
        ForgetFirstUseSettings();
    }
    testing_support::TempTree tree;
    testing_support::ScopedRegistry registry{tree};
};

TEST_F(AddressCriteriaTest, InlineAddressesCountEachHit) {
    struct Case {
        const char* name;
        int type;
        const char* value;
        const char* header;
        int wantCount;
        const char* wantResult;
    };
    const Case kCases[] = {
        {"one of two listed", kTo, "bob@example.com\tcarol@example.com", "Bob <bob@example.com>", 1,
         "<MF-R>bob@example.com</MF-R>"},
        {"both listed", kCc, "bob@example.com\tcarol@example.com",
         "bob@example.com; carol@example.com", 2, "<MF-R>carol@example.com</MF-R>"},
        {"part of a longer address", kTo, "bob@example.com", "jimbob@example.com", 0, ""},
        {"sender placeholder", kFrom, "[QP_SENDER]", "Alice <alice@example.com>", 1,
         "<MF-R>alice@example.com</MF-R>"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        HandBuiltRun run;
        SafeCopy(run.message.sender, "[SMTP:alice@example.com]");
        run.AddFilter(c.type, c.value);
        EXPECT_EQ(1, EvaluateAddressCriterion(c.type, c.header, kAddressDelimiters, &run.set,
                                              &run.evaluations));
        EXPECT_EQ(c.wantCount, run.Result(1).matchCount[c.type]);
        EXPECT_STREQ(c.wantResult, run.Result(1).resultText[c.type]);
        EXPECT_STREQ(c.wantCount > 0 ? "1" : "", run.Result(1).conditionValues[c.type][0]);
    }
}

TEST_F(AddressCriteriaTest, RecipientListIsAnnounced) {
    HandBuiltRun run;
    run.AddFilter(kTo, "bob@example.com\tcarol@example.com");
    CaptureStdout();
    (void)EvaluateAddressCriterion(kTo, "bob@example.com", kAddressDelimiters, &run.set,
                                   &run.evaluations);
    EXPECT_EQ(
        "Processing Recipient List of 2 delimiters\r\n"
        "Message sender/recipient criteria met\n",
        GetCapturedStdout());
}

TEST_F(AddressCriteriaTest, WordFileHitsCarryTheWordTag) {
    tree.WriteFile("lists/partners.txt", "bob@example.com\n");
    const std::string reference =
        "<REFERENCE><FILE>partners.txt</FILE><PATH>" + tree.Join("lists") + "</PATH>";
    HandBuiltRun run;
    run.AddFilter(kToOrCc, reference);
    CaptureStdout();
    (void)EvaluateAddressCriterion(kToOrCc, "bob@example.com", kAddressDelimiters, &run.set,
                                   &run.evaluations);
    EXPECT_EQ("Message General Criteria met against [bob@example.com] in specified word file.\n",
              GetCapturedStdout());
    EXPECT_STREQ("<MF-W>bob@example.com</MF-W>", run.Result(1).resultText[kToOrCc]);
}

}  // namespace
