// tests/analysis/LongConditionsTest.cpp: every inline-list evaluator reads a condition as
// the administrator wrote it, however long: no alternative is cut off or skipped. Long
// sender and client address lists are run whole in FilterRunConfigurationTest.
#include <gtest/gtest.h>

#include <string>

#include "analysis/ContentCriteria.h"
#include "base/Settings.h"
#include "filters/WordLists.h"
#include "tests/filters/HandBuiltRun.h"
#include "tests/fixtures/TempTree.h"

namespace {

using testing_support::HandBuiltRun;

class LongConditionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSettings();
        ForgetFirstUseSettings();
    }
    testing_support::TempTree tree;
    testing_support::ScopedRegistry registry{tree};
};

// `count` alternatives made by `make`, tab-separated, then `last`.
template <typename Make>
std::string List(int count, Make make, const std::string& last) {
    std::string list;
    for (int n = 0; n < count; ++n) list += make(n) + "\t";
    return list + last;
}

TEST_F(LongConditionsTest, TheLastOfManyAlternativesIsStillTested) {
    struct Case {
        const char* name;
        int type;
        std::string value;
        const char* text;
    };
    const auto word = [](int n) { return "word" + std::to_string(n); };
    const Case kCases[] = {
        {"more than a thousand alternatives, past 2047 characters", kSubject,
         List(1100, word, "viagra"), "cheap viagra"},
        {"attachment names past 1023 characters", kHasAttachmentsMatching,
         List(
             120, [](int n) { return "*.x" + std::to_string(n); }, "*.exe"),
         "Content-Type: application/x; name=setup.exe"},
        {"an empty first alternative", kSubject, "\tviagra\tcheap", "cheap"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        HandBuiltRun run;
        run.AddFilter(c.type, c.value);
        testing::internal::CaptureStdout();
        if (c.type == kHasAttachmentsMatching)
            EvaluateAttachmentName(c.type, c.text, " ", &run.set, &run.evaluations);
        else
            EvaluateWordListCriterion(c.type, c.text, " ", &run.set, &run.evaluations);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(1, run.Result(1).matchCount[c.type]);
        EXPECT_STREQ("1", run.Result(1).conditionValues[c.type][0]);
    }
}

}  // namespace
