// tests/actions/MessageRewritingTest.cpp: annotations around the body of single-part and
// multipart messages, and the filter mark that keeps them from being added twice;
// setting a header field and prefixing the subject of a queued message (or of a mailbox
// copy), and the messages each must leave alone. Real-shaped messages are checked against
// golden files and, with a MIME parser that is not ours (mime_check.py), for parts,
// attachments and added text.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "actions/MessageRewriting.h"
#include "tests/actions/RewritingFixture.h"

namespace {

using testing_support::RewritingTest;

constexpr const char* kAnnotation = "This message was checked by the mail filter.";
constexpr const char* kAnnotationFile = "config/POSTOFFICES/System/Annotations/F7.TXT";

class AnnotationTest : public RewritingTest {
protected:
    void SetUp() override {
        RewritingTest::SetUp();
        server.tree.WriteFile(kAnnotationFile, kAnnotation);
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

TEST_F(AnnotationTest, SinglePartAfterOnlyAndBeforeAndAfter) {
    EXPECT_EQ(Golden("annotate-single-after.want.eml"),
              Annotate(Golden("annotate-single.in.eml"), 0, 1));
    EXPECT_EQ(Golden("annotate-single-both.want.eml"),
              Annotate(Golden("annotate-single.in.eml"), 1, 1));
}

// Each real-shaped message: the golden result, and what an outside MIME parser sees in
// it: the same parts, every attachment decoding to the same bytes, preamble and
// epilogue kept, and only the annotation added to `changedParts` text parts.
TEST_F(AnnotationTest, RealShapedMessagesKeepTheirStructure) {
    struct Case {
        const char* name;
        const char* in;
        const char* want;
        int changedParts;
    };
    const Case cases[] = {
        // Parameters on the type line, the boundary on a folded line, an epilogue.
        {"alternative", "annotate-alternative.in.eml", "annotate-alternative.want.eml", 3},
        // An inner boundary longer than the outer one and starting with it, quoted-printable
        // text and HTML, a base64 image and a text attachment, an epilogue.
        {"nested", "annotate-nested.in.eml", "annotate-nested.want.eml", 2},
        // A base64 text body is never touched: only the mark is added.
        {"base64 single part", "annotate-base64.in.eml", "annotate-base64.want.eml", 0},
        {"quoted-printable single part", "annotate-qp.in.eml", "annotate-qp.want.eml", 1},
        // An inner multipart reusing the outer boundary: parts are taken as the outer
        // boundary divides them, and none is lost.
        {"reused boundary", "annotate-reused-boundary.in.eml", "annotate-reused-boundary.want.eml",
         2},
    };
    const bool haveChecker = std::system("python3 -c 'import email' >/dev/null 2>&1") == 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string annotated = Annotate(Golden(c.in), 1, 1);
        EXPECT_EQ(Golden(c.want), annotated);
        if (!haveChecker) continue;  // the golden files still pin the result
        server.tree.WriteFile("annotated.eml", annotated);
        const std::string command =
            "python3 " + DataPath("../mime_check.py") + " " + DataPath(c.in) + " " +
            server.tree.Join("annotated.eml") + " " + server.tree.Join(kAnnotationFile) + " " +
            std::to_string(c.changedParts) + " > " + server.tree.Join("check.txt") + " 2>&1";
        EXPECT_EQ(0, std::system(command.c_str())) << server.tree.ReadFile("check.txt");
    }
}

// HTML gets the annotation as HTML: escaped, its line breaks as <br>, inside the body.
TEST_F(AnnotationTest, HtmlGetsEscapedAnnotationsInsideTheBody) {
    server.tree.WriteFile(kAnnotationFile, "Checked <ok> & \"clean\"\nsecond line\n");
    const std::string annotated = Annotate(Golden("annotate-html.in.eml"), 1, 1);
    EXPECT_EQ(Golden("annotate-html.want.eml"), annotated);
}

// An annotation file saved with bare line feeds goes in with CR LF line ends.
TEST_F(AnnotationTest, AnnotationLinesEndInCrLf) {
    server.tree.WriteFile(kAnnotationFile, "one\ntwo\rthree");
    EXPECT_EQ("Subject: a\r\nX-QPFilter: 1\r\n\r\nbody\r\n\r\none\r\ntwo\r\nthree\r\n",
              Annotate("Subject: a\r\n\r\nbody\r\n", 0, 1));
}

// Quoted-printable encoding of the annotation: "=", 8-bit bytes, blanks at a line's end
// and long lines; and an insertion in the middle of an encoded line joins on with soft
// breaks, so the decoded text has no break the sender did not write.
TEST_F(AnnotationTest, QuotedPrintableAnnotationIsEncoded) {
    server.tree.WriteFile(kAnnotationFile, "a=b \xE9 end \n" + std::string(80, 'x'));
    const std::string plain =
        "Content-Type: text/plain\r\nContent-Transfer-Encoding: "
        "quoted-printable\r\n\r\nbody=\r\n";
    EXPECT_EQ(
        "Content-Type: text/plain\r\nContent-Transfer-Encoding: quoted-printable\r\n"
        "X-QPFilter: 1\r\n\r\nbody=\r\n\r\na=3Db =E9 end=20\r\n" +
            std::string(75, 'x') + "=\r\nxxxxx\r\n",
        Annotate(plain, 0, 1));
    const std::string html =
        "Content-Type: text/html\r\nContent-Transfer-Encoding: "
        "quoted-printable\r\n\r\n<p>x</p></body>\r\n";
    EXPECT_EQ(
        "Content-Type: text/html\r\nContent-Transfer-Encoding: quoted-printable\r\n"
        "X-QPFilter: 1\r\n\r\n<p>x</p>=\r\n<br>\r\na=3Db =E9 end <br>\r\n" +
            std::string(75, 'x') + "=\r\nxxxxx<br>\r\n</body>\r\n",
        Annotate(html, 0, 1));
}

// Parts a reader does not read as text, and signed multiparts, are never changed.
TEST_F(AnnotationTest, OnlyInlineTextPartsChange) {
    const std::string parts[] = {
        "Content-Type: text/plain\r\nContent-Disposition: attachment; filename=a.txt\r\n",
        "Content-Type: text/plain\r\nContent-Transfer-Encoding: base64\r\n",
        "Content-Type: text/plain\r\nContent-Transfer-Encoding: x-uuencode\r\n",
        "Content-Type: application/pdf\r\n",
        "Content-Type: message/rfc822\r\n",
    };
    for (const std::string& headers : parts) {
        SCOPED_TRACE(headers);
        const std::string message = "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n" +
                                    headers + "\r\nZm9v\r\n--b--\r\n";
        const size_t headerEnd = message.find("\r\n\r\n") + 2;
        EXPECT_EQ(message.substr(0, headerEnd) + "X-QPFilter: 1\r\n" + message.substr(headerEnd),
                  Annotate(message, 1, 1));
    }
    const std::string signedMessage =
        "Content-Type: multipart/signed; boundary=s; protocol=\"application/pgp-signature\"\r\n"
        "\r\n--s\r\nContent-Type: text/plain\r\n\r\nsigned text\r\n--s\r\n"
        "Content-Type: application/pgp-signature\r\n\r\nsig\r\n--s--\r\n";
    const std::string annotated = Annotate(signedMessage, 1, 1);
    EXPECT_EQ(std::string::npos, annotated.find(kAnnotation));
}

// A delimiter is the boundary alone on its line: trailing white space is allowed, a
// longer boundary that starts with it is not one, and delimiters are kept as written.
TEST_F(AnnotationTest, DelimiterLines) {
    const std::string message =
        "Content-Type: multipart/mixed; boundary=b1\r\n\r\n--b1 \t\r\n"
        "Content-Type: text/plain\r\n\r\ntext\r\n--b1x\r\nstill text\r\n--b1--  \r\n"
        "epilogue\r\n";
    EXPECT_EQ(
        "Content-Type: multipart/mixed; boundary=b1\r\nX-QPFilter: 1\r\n\r\n--b1 \t\r\n"
        "Content-Type: text/plain\r\n\r\ntext\r\n--b1x\r\nstill text\r\n\r\n" +
            std::string(kAnnotation) + "\r\n--b1--  \r\nepilogue\r\n",
        Annotate(message, 0, 1));
}

// A marked message is never annotated again; mode zero changes nothing; a missing
// annotation file still marks.
TEST_F(AnnotationTest, MarkedMessagesModeZeroAndMissingFiles) {
    std::string once = Annotate(Golden("annotate-single.in.eml"), 1, 1);
    EXPECT_EQ(once, Annotate(once, 1, 1));
    const std::string marked = "x-qpfilter: 0\r\nSubject: a\r\n\r\nbody\r\n";
    EXPECT_EQ(marked, Annotate(marked, 1, 1));
    const std::string message = Golden("annotate-single.in.eml");
    EXPECT_EQ(message, Annotate(message, 0, 0));
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

class MessageRewritingTest : public RewritingTest {
protected:
    // Queues `message` in the Inbound queue, applies `rewrite` and returns the result.
    template <typename Rewrite>
    std::string Rewritten(const std::string& message, Rewrite rewrite) {
        server.tree.WriteFile(QueuedPath("SMTP", "Inbound"), message);
        EXPECT_EQ(1, rewrite());
        return server.tree.ReadFile(QueuedPath("SMTP", "Inbound"));
    }
    std::string Set(const std::string& message) {
        return Rewritten(message, [&] {
            return SetMessageHeader(record.get(), "X-Spam-Flag", "YES (free)", true);
        });
    }
    std::string Prefix(const std::string& message, const char* prefix = "[SPAM] ") {
        return Rewritten(message, [&] { return PrefixQueuedSubject(record.get(), prefix, true); });
    }
};

TEST_F(MessageRewritingTest, RealShapedMessagesMatchTheirGoldenFiles) {
    EXPECT_EQ(Golden("header-add.want.eml"), Set(Golden("header-add.in.eml")));
    // Every line of the field is replaced, continuations with it.
    EXPECT_EQ(Golden("header-replace.want.eml"), Set(Golden("header-replace.in.eml")));
    const std::string prefixed = Prefix(Golden("subject-prefix.in.eml"));
    EXPECT_EQ(Golden("subject-prefix.want.eml"), prefixed);
    EXPECT_EQ(prefixed, Prefix(prefixed));  // the same filter never prefixes twice
}

TEST_F(MessageRewritingTest, HeaderGoesAtTheEndOfTheHeaderBlockAndTheBodyIsKept) {
    using namespace std::string_literals;  // "..."s keeps the NUL of the binary case
    struct Case {
        const char* name;
        std::string message;
        std::string want;
    } const cases[] = {
        {"no empty line, last line unterminated", "From: a",
         "From: a\r\nX-Spam-Flag: YES (free)\r\n\r\n"},
        {"bare line feed ends the header", "From: a\n\nX-Spam-Flag: body\n",
         "From: a\nX-Spam-Flag: YES (free)\r\n\r\nX-Spam-Flag: body\n"},
        {"replaced without an empty line adds nothing", "X-SPAM-FLAG: no",
         "X-Spam-Flag: YES (free)\r\n"},
        {"a lone CR does not end the header", "A: b\r\n\r\rC: d\r\n\r\nbody\r\n",
         "A: b\r\n\r\rC: d\r\nX-Spam-Flag: YES (free)\r\n\r\nbody\r\n"},
        {"body copied byte for byte", "A: b\r\n\r\n\0\xff\r\n\r\nX-Spam-Flag: z"s,
         "A: b\r\nX-Spam-Flag: YES (free)\r\n\r\n\0\xff\r\n\r\nX-Spam-Flag: z"s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.want, Set(c.message));
    }
    const std::string carriageReturns(1 << 20, '\r');
    // Compared as a whole but not printed whole: a mismatch shows the sizes.
    const std::string got = Set("A: b\r\n" + carriageReturns);
    const std::string want = "A: b\r\n" + carriageReturns + "\r\nX-Spam-Flag: YES (free)\r\n\r\n";
    EXPECT_TRUE(want == got) << got.size() << " bytes instead of " << want.size();
}

TEST_F(MessageRewritingTest, SubjectPrefixCases) {
    struct Case {
        const char* name;
        const char* message;
        const char* want;  // null: unchanged
    } const cases[] = {
        {"lower-case header", "subject:\t hello\r\n\r\nb\r\n",
         "subject:\t [SPAM] hello\r\n\r\nb\r\n"},
        {"bare line feeds have no header end", "Subject: a\n\nbody\n", nullptr},
        {"already prefixed, other case", "Subject: [spam] hi\r\n\r\n", nullptr},
        {"mark inside the subject is prefixed again", "Subject: Re: [SPAM] hi\r\n\r\n",
         "Subject: [SPAM] Re: [SPAM] hi\r\n\r\n"},
        {"empty subject", "Subject:\r\n\r\n", "Subject:[SPAM] \r\n\r\n"},
        {"empty file", "", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.want != nullptr ? c.want : c.message, Prefix(c.message));
    }
}

// The queue selector picks Outgoing; a missing message is never created.
TEST_F(MessageRewritingTest, SelectedQueueAndMissingMessage) {
    EXPECT_EQ(0, SetMessageHeader(record.get(), "X-A", "1", true));
    EXPECT_EQ(1, PrefixQueuedSubject(record.get(), "[P] ", true));
    EXPECT_FALSE(server.tree.Exists(QueuedPath("SMTP", "Inbound")));
    server.tree.WriteFile(QueuedPath("SMTP", "Outgoing"), "Subject: x\r\n\r\n");
    EXPECT_EQ(1, SetMessageHeader(record.get(), "X-A", "1", false));
    EXPECT_EQ(1, PrefixQueuedSubject(record.get(), "[P] ", false));
    EXPECT_EQ("Subject: [P] x\r\nX-A: 1\r\n\r\n",
              server.tree.ReadFile(QueuedPath("SMTP", "Outgoing")));
}

TEST_F(MessageRewritingTest, MailboxCopyInTheRecordedFolder) {
    std::snprintf(record->account, sizeof record->account, "%s", "sales");
    std::snprintf(record->user, sizeof record->user, "%s", "anna");
    PrefixMailboxSubject(record.get(), "[P] ");  // no folder recorded: nothing to do
    EXPECT_FALSE(server.tree.Exists("mail/sales/MAILROOT/anna"));

    std::snprintf(record->folder, sizeof record->folder, "%s", "Junk E-mail");
    server.tree.WriteFile("mail/sales/MAILROOT/anna/Junk E-mail/A1.MAI", "Subject: a\r\n\r\n");
    PrefixMailboxSubject(record.get(), "[P] ");
    EXPECT_EQ("Subject: [P] a\r\n\r\n",
              server.tree.ReadFile("mail/sales/MAILROOT/anna/Junk E-mail/A1.MAI"));
}

}  // namespace
