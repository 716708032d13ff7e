// tests/analysis/AttachmentCriteriaTest.cpp: attachment name patterns, the presence of an
// attachment, and the header parameters they read.
#include <gtest/gtest.h>

#include <string>

#include "analysis/ContentCriteria.h"
#include "base/Settings.h"
#include "tests/filters/HandBuiltRun.h"
#include "tests/fixtures/TempTree.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
using testing_support::HandBuiltRun;

constexpr const char* kAttachmentDelimiters = " \r\n\";";
constexpr const char* kUnclosed = "No closing quotation for attachment\n";

class AttachmentCriteriaTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSettings();
        ForgetFirstUseSettings();
    }
    testing_support::TempTree tree;
    testing_support::ScopedRegistry registry{tree};
};

TEST_F(AttachmentCriteriaTest, HeaderParameterIsQuotedOrEndsAtASeparator) {
    struct Case {
        const char* name;
        const char* line;
        const char* parameter;
        size_t capacity;
        int wantRc;
        const char* want;
        const char* wantOutput;
    };
    const Case kCases[] = {
        {"quoted", "Content-Disposition: attachment; filename=\"a b.pdf\"\r\n", "filename", 64, 1,
         "a b.pdf", ""},
        {"unquoted, ends at semicolon", "Content-Type: x; NAME=a.exe; charset=x", "name", 64, 1,
         "a.exe", ""},
        {"unquoted, ends at line end", "name=a.exe\r\n", "name", 64, 1, "a.exe", ""},
        {"unquoted, runs to the end", "name=a.exe", "name", 64, 1, "a.exe", ""},
        {"missing", "Content-Type: text/plain", "name", 64, 0, "", ""},
        {"no closing quote", "filename=\"a.exe\r\n", "filename", 64, 0, "", kUnclosed},
        {"value exactly fills", "name=abcd", "name", 5, 1, "abcd", ""},
        {"value does not fit", "name=abcde", "name", 5, 0, "", kUnclosed},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        char value[64] = "stale";
        CaptureStdout();
        EXPECT_EQ(c.wantRc, ExtractHeaderParameter(c.line, c.parameter, value, c.capacity));
        EXPECT_EQ(c.wantOutput, GetCapturedStdout());
        EXPECT_STREQ(c.want, value);
    }
}

TEST_F(AttachmentCriteriaTest, NamePatternMatchesFileNameOrName) {
    struct Case {
        const char* name;
        const char* value;
        const char* line;
        int wantCount;
        const char* wantResult;
    };
    const Case kCases[] = {
        {"quoted file name", "*.exe", "Content-Disposition: attachment; filename=\"setup.exe\"", 1,
         "<MF-A>*.exe</MF-A>"},
        {"unquoted name", "*.exe", "Content-Type: application/x; name=setup.exe", 1,
         "<MF-A>*.exe</MF-A>"},
        {"second alternative", "*.zip\t*.scr", "name=\"photo.scr\"", 1, "<MF-A>*.scr</MF-A>"},
        {"no pattern matches", "*.exe\t*.scr", "filename=\"report.pdf\"", 0, ""},
        {"no name at all", "*.exe", "Content-Transfer-Encoding: base64", 0, ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        HandBuiltRun run;
        run.AddFilter(kHasAttachmentsMatching, c.value);
        CaptureStdout();
        EXPECT_EQ(1, EvaluateAttachmentName(kHasAttachmentsMatching, c.line, kAttachmentDelimiters,
                                            &run.set, &run.evaluations));
        EXPECT_EQ(c.wantCount > 0 ? "Attachment Criteria Met\n" : "", GetCapturedStdout());
        const FilterEvaluation& result = run.Result(1);
        EXPECT_EQ(c.wantCount, result.matchCount[kHasAttachmentsMatching]);
        EXPECT_STREQ(c.wantResult, result.resultText[kHasAttachmentsMatching]);
        EXPECT_STREQ(c.wantCount > 0 ? "1" : "",
                     result.conditionValues[kHasAttachmentsMatching][0]);
    }
}

TEST_F(AttachmentCriteriaTest, HasAttachmentCountsOncePerFilter) {
    HandBuiltRun run;
    run.AddFilter(kHasAnAttachment, "", 2);
    run.AddFilter(kHasAnAttachment, "");
    CaptureStdout();
    for (const char* line : {"Content-Type: text/plain", "filename=\"a.pdf\"", "name=\"b.pdf\""})
        (void)EvaluateHasAttachment(kHasAnAttachment, line, "", &run.set, &run.evaluations);
    EXPECT_EQ(
        "Message Body Has Attachment Criteria Met\n"
        "Message Body Has Attachment Criteria Met\n",
        GetCapturedStdout());
    for (int n = 1; n <= 2; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(1, run.Result(n).matchCount[kHasAnAttachment]);
        EXPECT_STREQ("<MF-HA>1</MF-HA>", run.Result(n).resultText[kHasAnAttachment]);
        EXPECT_STREQ("1", run.Result(n).conditionValues[kHasAnAttachment][0]);
    }
    EXPECT_STREQ("1", run.Result(1).conditionValues[kHasAnAttachment][1]);
}

TEST_F(AttachmentCriteriaTest, LineWithoutNameRecordsZero) {
    HandBuiltRun run;
    run.AddFilter(kHasAnAttachment, "");
    (void)EvaluateHasAttachment(kHasAnAttachment, "Content-Type: text/plain", "", &run.set,
                                &run.evaluations);
    EXPECT_EQ(0, run.Result(1).matchCount[kHasAnAttachment]);
    EXPECT_STREQ("0", run.Result(1).conditionValues[kHasAnAttachment][0]);
}

}  // namespace
