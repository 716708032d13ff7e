// tests/actions/AnnotationTest.cpp: annotations around the body of single-part and
// multipart messages, and the filter mark that keeps them from being added twice.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "actions/MessageRewriting.h"
#include "tests/actions/RewritingFixture.h"

namespace {

using testing_support::RewritingTest;

constexpr const char* kAnnotation = "This message was checked by the mail filter.";

class AnnotationTest : public RewritingTest {
protected:
    void SetUp() override {
        RewritingTest::SetUp();
        server.tree.WriteFile("config/POSTOFFICES/System/Annotations/F7.TXT", kAnnotation);
    }
    // Annotates `message` (in the LS connector's Outgoing queue) with the dispatcher's
    // switches for `mode`; returns the message afterwards.
    std::string Annotate(const std::string& message, int before, int after, const char* name = "F7",
                         int want = 1) {
        server.tree.WriteFile(QueuedPath("LS", "Outgoing"), message);
        AnnotationRequest request{};
        std::snprintf(request.scopeName, sizeof request.scopeName, "%s", "System");
        std::snprintf(request.beforeName, sizeof request.beforeName, "%s", name);
        std::snprintf(request.afterName, sizeof request.afterName, "%s", name);
        request.beforeSwitch = before;
        request.afterSwitch = after;
        EXPECT_EQ(want, AppendAnnotations(record.get(), &request));
        return server.tree.ReadFile(QueuedPath("LS", "Outgoing"));
    }
};

TEST_F(AnnotationTest, SinglePartAfterOnly) {
    EXPECT_EQ(Golden("annotate-single-after.want.eml"),
              Annotate(Golden("annotate-single.in.eml"), 0, 1));
}

TEST_F(AnnotationTest, SinglePartBeforeAndAfter) {
    EXPECT_EQ(Golden("annotate-single-both.want.eml"),
              Annotate(Golden("annotate-single.in.eml"), 1, 1));
}

TEST_F(AnnotationTest, MultipartAlternativeAnnotatesTextPartsTypedWithoutParameters) {
    EXPECT_EQ(Golden("annotate-alternative.want.eml"),
              Annotate(Golden("annotate-alternative.in.eml"), 1, 1));
}

TEST_F(AnnotationTest, MarkedMessageIsNeverAnnotatedAgain) {
    std::string once = Annotate(Golden("annotate-single.in.eml"), 1, 1);
    EXPECT_EQ(once, Annotate(once, 1, 1));
    const std::string marked = "x-qpfilter: 0\r\nSubject: a\r\n\r\nbody\r\n";
    EXPECT_EQ(marked, Annotate(marked, 1, 1));
}

TEST_F(AnnotationTest, ModeZeroChangesNothing) {
    const std::string message = Golden("annotate-single.in.eml");
    EXPECT_EQ(message, Annotate(message, 0, 0));
}

TEST_F(AnnotationTest, MissingAnnotationFileStillMarksTheMessage) {
    EXPECT_EQ("Subject: a\r\nX-QPFilter: 1\r\n\r\nbody\r\n",
              Annotate("Subject: a\r\n\r\nbody\r\n", 1, 1, "Missing"));
}

TEST_F(AnnotationTest, BoundaryOnTheTypeLineAndUnterminatedParts) {
    const std::string message =
        "Content-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n--b1\r\n"
        "Content-Type: text/plain;\r\n\r\ntext\r\n--b1\r\nContent-Type: image/png\r\n\r\n"
        "AAAA\r\n";
    EXPECT_EQ(
        "Content-Type: multipart/mixed; boundary=\"b1\"\r\nX-QPFilter: 1\r\n\r\n--b1\r\n"
        "Content-Type: text/plain;\r\n\r\ntext\r\n\r\n" +
            std::string(kAnnotation) + "\r\n--b1\r\nContent-Type: image/png\r\n\r\nAAAA\r\n",
        Annotate(message, 0, 1));
}

TEST_F(AnnotationTest, OnlyTheLsOutgoingCopyAndAMissingMessageFails) {
    server.tree.WriteFile(QueuedPath("SMTP", "Inbound"), "Subject: a\r\n\r\n");
    AnnotationRequest request{};
    std::snprintf(request.scopeName, sizeof request.scopeName, "%s", "System");
    request.afterSwitch = 1;
    EXPECT_EQ(0, AppendAnnotations(record.get(), &request));
    EXPECT_EQ("Subject: a\r\n\r\n", server.tree.ReadFile(QueuedPath("SMTP", "Inbound")));
}

}  // namespace
