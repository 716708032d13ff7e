// tests/analysis/MarkCriteriaTest.cpp: the authentication status and the marked criteria.
#include <gtest/gtest.h>

#include "analysis/ContentCriteria.h"
#include "tests/filters/HandBuiltRun.h"

namespace {

using testing_support::HandBuiltRun;

TEST(MarkCriteria, SenderAuthIsMetByExactlyTheExpectedStatus) {
    struct Case {
        const char* name;
        const char* value;
        int32_t status;
        int wantCount;
        const char* wantResult;
        const char* wantValue;
    };
    const Case kCases[] = {
        {"status 1", "1", 1, 1, "<MF-ES>1</MF-ES>", "1"},
        {"status 2", "1", 2, 0, "", "2"},
        {"status 0", "1", 0, 0, "", "0"},
        {"expected 0, status 0", "0", 0, 1, "<MF-ES>1</MF-ES>", "0"},
        {"negative status", "-1", -1, 1, "<MF-ES>1</MF-ES>", "-1"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        HandBuiltRun run;
        run.AddFilter(kSenderAuth, c.value, 2);
        EXPECT_EQ(1, EvaluateSenderAuth(kSenderAuth, c.status, &run.set, &run.evaluations));
        const FilterEvaluation& result = run.Result(1);
        EXPECT_EQ(c.wantCount, result.matchCount[kSenderAuth]);
        EXPECT_STREQ(c.wantResult, result.resultText[kSenderAuth]);
        EXPECT_STREQ(c.wantValue, result.conditionValues[kSenderAuth][0]);
        EXPECT_STREQ(c.wantValue, result.conditionValues[kSenderAuth][1]);
    }
}

TEST(MarkCriteria, MarkMeetsEveryFilterThatUsesTheCriterion) {
    HandBuiltRun run;
    run.AddFilter(kAllMessages, "", 2);
    run.AddFilter(kAllMessages, "", 1, 0);
    run.AddFilter(kUrlbl, "");
    for (int message = 0; message < 2; ++message)
        EXPECT_EQ(
            1, MarkCriterion(kAllMessages, "MF-ALL", "All Messages", &run.set, &run.evaluations));
    EXPECT_EQ(2, run.Result(1).matchCount[kAllMessages]);
    EXPECT_STREQ("<MF-ALL>All Messages</MF-ALL>", run.Result(1).resultText[kAllMessages]);
    EXPECT_STREQ("1", run.Result(1).conditionValues[kAllMessages][1]);
    EXPECT_EQ(0, run.Result(2).matchCount[kAllMessages]);
    EXPECT_EQ(0, run.Result(3).matchCount[kAllMessages]);

    EXPECT_EQ(
        1, MarkCriterion(kUrlbl, "MF-SBLURI", "multi.uribl.example", &run.set, &run.evaluations));
    EXPECT_STREQ("<MF-SBLURI>multi.uribl.example</MF-SBLURI>", run.Result(3).resultText[kUrlbl]);
}

}  // namespace
