// tests/actions/MessageRewritingTest.cpp: setting a header field and prefixing the subject
// of a queued message (or of a mailbox copy), and the messages each must leave alone.
#include <gtest/gtest.h>

#include <string>

#include "actions/MessageRewriting.h"
#include "tests/actions/RewritingFixture.h"

namespace {

using testing_support::RewritingTest;

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
