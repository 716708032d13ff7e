// tests/actions/SubjectPrefixTest.cpp: the subject prefix in the queue and in a mailbox
// folder, and the messages it must leave alone.
#include <gtest/gtest.h>

#include <string>

#include "actions/MessageRewriting.h"
#include "tests/actions/RewritingFixture.h"

namespace {

using testing_support::RewritingTest;

class SubjectPrefixTest : public RewritingTest {
protected:
    // Queues `message` in the Inbound queue, prefixes it and returns the result.
    std::string Prefix(const std::string& message, const char* prefix = "[SPAM] ") {
        server.tree.WriteFile(QueuedPath("SMTP", "Inbound"), message);
        EXPECT_EQ(1, PrefixQueuedSubject(record.get(), prefix, true));
        return server.tree.ReadFile(QueuedPath("SMTP", "Inbound"));
    }
};

TEST_F(SubjectPrefixTest, PrefixesTheHeaderSubjectOnlyMatchingTheGoldenFile) {
    EXPECT_EQ(Golden("subject-prefix.want.eml"), Prefix(Golden("subject-prefix.in.eml")));
}

TEST_F(SubjectPrefixTest, RewritesTheSelectedQueue) {
    server.tree.WriteFile(QueuedPath("SMTP", "Outgoing"), "Subject: x\r\n\r\nbody\r\n");
    server.tree.WriteFile(QueuedPath("SMTP", "Inbound"), "Subject: x\r\n\r\nbody\r\n");
    EXPECT_EQ(1, PrefixQueuedSubject(record.get(), "[P] ", false));
    EXPECT_EQ("Subject: [P] x\r\n\r\nbody\r\n",
              server.tree.ReadFile(QueuedPath("SMTP", "Outgoing")));
    EXPECT_EQ("Subject: x\r\n\r\nbody\r\n", server.tree.ReadFile(QueuedPath("SMTP", "Inbound")));
}

TEST_F(SubjectPrefixTest, Cases) {
    struct Case {
        const char* name;
        const char* message;
        const char* prefix;
        const char* want;  // null: unchanged
    };
    const Case kCases[] = {
        {"lower-case header", "subject:\t hello\r\n\r\nb\r\n", "[SPAM] ",
         "subject:\t [SPAM] hello\r\n\r\nb\r\n"},
        {"first subject line wins", "Subject: a\r\nSubject: b\r\n\r\n", "[P] ",
         "Subject: [P] a\r\nSubject: b\r\n\r\n"},
        {"inside a line does not count", "X-Old-Subject: a\r\n\r\nSubject: body\r\n", "[P] ",
         nullptr},
        {"bare line feeds have no header end", "Subject: a\n\nbody\n", "[P] ", nullptr},
        {"already prefixed, other case", "Subject: [spam] hi\r\n\r\n", "[SPAM] ", nullptr},
        {"prefix alone after a hop trimmed it", "Subject: [SPAM]\r\n\r\n", "[SPAM] ", nullptr},
        {"mark inside the subject is prefixed again", "Subject: Re: [SPAM] hi\r\n\r\n", "[SPAM] ",
         "Subject: [SPAM] Re: [SPAM] hi\r\n\r\n"},
        {"empty subject", "Subject:\r\n\r\n", "[P] ", "Subject:[P] \r\n\r\n"},
        {"blank prefix", "Subject: a\r\n\r\n", "  ", nullptr},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.want != nullptr ? c.want : c.message, Prefix(c.message, c.prefix));
    }
}

TEST_F(SubjectPrefixTest, TheSameFilterNeverPrefixesTwice) {
    std::string once = Prefix(Golden("subject-prefix.in.eml"));
    EXPECT_EQ(once, Prefix(once));
}

TEST_F(SubjectPrefixTest, MissingAndEmptyFilesAreLeftAloneAndStillSucceed) {
    EXPECT_EQ(1, PrefixQueuedSubject(record.get(), "[P] ", true));
    EXPECT_FALSE(server.tree.Exists(QueuedPath("SMTP", "Inbound")));
    EXPECT_EQ("", Prefix(""));
}

TEST_F(SubjectPrefixTest, MailboxCopyInTheRecordedFolder) {
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
