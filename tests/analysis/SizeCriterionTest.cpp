// tests/analysis/SizeCriterionTest.cpp: the SIZE criterion and the values it gives scripts.
#include <gtest/gtest.h>

#include <string>

#include "analysis/ContentCriteria.h"
#include "tests/filters/HandBuiltRun.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
using testing_support::HandBuiltRun;

TEST(SizeCriterion, LargerThanTheLimitIsMet) {
    struct Case {
        const char* name;
        const char* value;
        int conditionCount;
        int32_t size;
        int wantCount;
        const char* wantResult;
        const char* wantValue0;
        const char* wantValue1;
    };
    const Case kCases[] = {
        {"one byte over", "50000", 1, 50001, 1, "<SZ>50001</SZ><SZL>50000</SZL>", "1", ""},
        {"exactly the limit", "50000", 1, 50000, 0, "", "0", ""},
        // A script that names SIZE without a limit asks for the size itself; the limit
        // then reads as 0, so any message with content is over it.
        {"carriage return asks for the size", "\r", 1, 1234, 1, "<SZ>1234</SZ><SZL>\r</SZL>",
         "1234", ""},
        {"script conditions", "100\t\r", 2, 1234, 1, "<SZ>1234</SZ><SZL>100\t\r</SZL>", "1",
         "1234"},
        {"second condition not over", "100\t5000", 2, 1234, 1, "<SZ>1234</SZ><SZL>100\t5000</SZL>",
         "1", "0"},
        {"empty message", "0", 1, 0, 0, "", "0", ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        HandBuiltRun run;
        run.AddFilter(kSize, c.value, c.conditionCount);
        CaptureStdout();
        EXPECT_EQ(1, EvaluateSize(kSize, c.size, &run.set, &run.evaluations));
        EXPECT_EQ("Message Size detected as " + std::to_string(c.size) + "\r\n",
                  GetCapturedStdout());
        const FilterEvaluation& result = run.Result(1);
        EXPECT_EQ(c.wantCount, result.matchCount[kSize]);
        EXPECT_STREQ(c.wantResult, result.resultText[kSize]);
        EXPECT_STREQ(c.wantValue0, result.conditionValues[kSize][0]);
        EXPECT_STREQ(c.wantValue1, result.conditionValues[kSize][1]);
    }
}

TEST(SizeCriterion, CountIsSetNotAdded) {
    HandBuiltRun run;
    run.AddFilter(kSize, "10");
    (void)EvaluateSize(kSize, 20, &run.set, &run.evaluations);
    (void)EvaluateSize(kSize, 30, &run.set, &run.evaluations);
    EXPECT_EQ(1, run.Result(1).matchCount[kSize]);
    EXPECT_STREQ("<SZ>30</SZ><SZL>10</SZL>", run.Result(1).resultText[kSize]);
}

}  // namespace
