// tests/actions/NotificationTest.cpp: notifications to the sender, to an address and to
// the recipients: the built-in text, templates, the envelopes of the new messages, and
// the date text of generated messages in several time zones.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "actions/Notifications.h"
#include "common/SafeText.h"
#include "platform/Clock.h"
#include "platform/Console.h"
#include "tests/actions/RewritingFixture.h"

namespace {

namespace fs = std::filesystem;
using testing_support::kSmtpKey;
using testing_support::RewritingTest;

constexpr int64_t kNow = 1767600249;  // Mon, 5 Jan 2026 08:04:09 UTC
const std::string kHeaders =
    "From: Anna <anna@example.org>\r\nTo: <bob@example.com>\r\nSubject: Invoice\r\n";
const std::string kMessage = kHeaders + "\r\nSee attached.\r\n";
constexpr const char* kContext = "<MSG>A1.MAI</MSG><MF-W>free=offer</MF-W>";

class NotificationTest : public RewritingTest {
protected:
    void SetUp() override {
        RewritingTest::SetUp();
        server.registry.SetString(kSmtpKey, "Bad Mail Notification Sender Address",
                                  "postmaster@example.com");
        platform::SetEnvironmentValue("TZ", "UTC0");
        platform::RefreshTimeZone();
        platform::SetFixedClockForTesting(kNow);
        SafeCopy(record->sender, "[SMTP:anna@example.org]");
        SafeCopy(record->recipients, "[SMTP:bob@example.com];[SMTP:carl@example.com]");
        SafeCopy(record->server, "mx1");
        record->timeAcquired = 1000;
        server.tree.WriteFile(QueuedPath("SMTP", "Inbound"), kMessage);
    }
    void TearDown() override { platform::SetFixedClockForTesting(-1); }

    std::vector<std::string> NewMessages() const {
        return server.FilesIn("connectors/SMTP/Inbound/Messages", "A1.MAI");
    }
    // The one message the action queued, taken out of the queue so that the next one is
    // alone there; its identifier and envelope are kept in `id` and `envelope`.
    std::string TakeNotice() {
        const std::vector<std::string> ids = NewMessages();
        EXPECT_EQ(1u, ids.size());
        if (ids.size() != 1) return "";
        id = ids[0];
        envelope = server.tree.ReadFile("connectors/SMTP/Inbound/" + id);
        const std::string text = server.tree.ReadFile(QueuedPath("SMTP", "Inbound", id));
        fs::remove(server.tree.Join(QueuedPath("SMTP", "Inbound", id)));
        return text;
    }
    std::string MessageIdText() const { return "<" + id.substr(0, 32) + "@mail.example.com>"; }
    std::string BuiltIn(const std::string& to, const std::string& reason) const {
        return "Message-ID: " + MessageIdText() + "\r\n" +
               "From: \"Message Filter Agent\" <postmaster@example.com>\r\n" + to + "\r\n" +
               "Subject: Message Filter Notification: Block offers\r\n"
               "Date: Mon, 5 Jan 2026 08:04:09 +0000\r\nX-QPFilter: 1\r\nPrecedence: bulk\r\n"
               "\r\n\r\nQuillpost: Quillpost Message Scan intercepted the delivery of this "
               "message. \r\nReason: (" +
               reason + ")\r\n\r\nMessage headers follow:\r\n\r\n" + kHeaders;
    }
    void Template(const std::string& name, const std::string& text) const {
        server.tree.WriteFile("config/FILTERS/Templates/" + name + ".TXT", text);
    }

    std::string id;
    std::string envelope;
};

TEST_F(NotificationTest, SenderGetsTheBuiltInTextAndAnEnvelopeAddressedToTheSender) {
    ASSERT_EQ(1, NotifySender(record.get(), "", kContext, "Block offers", "Held [QP_MF-W]", true));
    const std::string text = TakeNotice();
    EXPECT_EQ(".MAI", id.substr(32));
    EXPECT_EQ(BuiltIn("To: <anna@example.org>", "Held [QP_MF-W]"), text);
    EXPECT_EQ(
        "Recipients=[SMTP:anna@example.org]\r\nServer=mx1\r\n"
        "Sender=[SMTP:postmaster@example.com]\r\nTimeAcquired=1000\r\nStatus=Undelivered\r\n",
        envelope);
    EXPECT_STREQ("[SMTP:anna@example.org]", record->sender);  // the run's record is kept
    EXPECT_EQ(1000, record->timeAcquired);
    // The Outgoing queue's copy, when the queue selector says so, and none without one.
    EXPECT_EQ(0, NotifySender(record.get(), "", kContext, "Block offers", "d", false));
    server.tree.WriteFile(QueuedPath("SMTP", "Outgoing"), kMessage);
    EXPECT_EQ(1, NotifySender(record.get(), "", kContext, "Block offers", "d", false));
    EXPECT_EQ(1u, NewMessages().size());
}

// Every placeholder is filled; the mark goes in once: before the empty line, after the
// last line when there is none, not at all when the template has it.
TEST_F(NotificationTest, TemplateFillsEveryPlaceholderAndAddsTheMarkOnce) {
    Template("Held",
             "From: [QP_BADMAILSENDER]\nMessage-ID: [QP_MID]\n"
             "Subject: [QP_FILTERNAME] held [QP_MF-W]\nDate: [QP_TIME]\n\n"
             "Why: [QP_ACTIONDESC] for [QP_MSG] [QP_UNKNOWN]\n[QP_HEADERS]\nEnd\n");
    ASSERT_EQ(1, NotifySender(record.get(), "Held", kContext, "Block offers", "Quarantined", true));
    const std::string text = TakeNotice();
    EXPECT_EQ("From: postmaster@example.com\r\nMessage-ID: " + MessageIdText() +
                  "\r\nSubject: Block offers held free=3Doffer\r\n"
                  "Date: Mon, 5 Jan 2026 08:04:09 +0000\r\nX-QPFilter: 1\r\n\r\n"
                  "Why: Quarantined for A1.MAI [QP_UNKNOWN]\r\n" +
                  kHeaders + "End\r\n",
              text);
    Template("T", "x-qpfilter: 1\nSubject: s\n\nbody\n");
    ASSERT_EQ(1, NotifySender(record.get(), "T", kContext, "f", "d", true));
    EXPECT_EQ("x-qpfilter: 1\r\nSubject: s\r\n\r\nbody\r\n", TakeNotice());
    Template("T", "Subject: s\nbody");
    ASSERT_EQ(1, NotifySender(record.get(), "T", kContext, "f", "d", true));
    EXPECT_EQ("Subject: s\r\nbody\r\nX-QPFilter: 1\r\n", TakeNotice());
}

// An address needs the reference opening in capitals; without a file it takes the
// built-in text, as the recipients' notice does (addressed to no one in particular).
TEST_F(NotificationTest, AddressAndRecipientsNotices) {
    EXPECT_EQ(0, NotifyAddress(record.get(), "<ADDRESS>a@b</ADDRESS>", kContext, "f", "d", true));
    EXPECT_TRUE(NewMessages().empty());
    ASSERT_EQ(1, NotifyAddress(record.get(), "<REFERENCE><ADDRESS>audit@example.com</ADDRESS>",
                               kContext, "Block offers", "d", true));
    id = NewMessages().at(0);
    EXPECT_EQ(BuiltIn("To: <audit@example.com>", "d"), TakeNotice());
    EXPECT_NE(std::string::npos, envelope.find("Recipients=[SMTP:audit@example.com]\r\n"));
    ASSERT_EQ(1, NotifyRecipients(record.get(), "Nowhere", kContext, "Block offers", "d", true));
    id = NewMessages().at(0);
    EXPECT_EQ(BuiltIn("To: Undisclosed-Recipients", "d"), TakeNotice());
    Template("Audit", "To: [QP_FILTERNAME]\n\nx\n");
    ASSERT_EQ(1, NotifyAddress(record.get(),
                               "<REFERENCE><FILE>Audit</FILE><ADDRESS>audit@example.com</ADDRESS>",
                               kContext, "Block offers", "d", true));
    EXPECT_EQ("To: Block offers\r\nX-QPFilter: 1\r\n\r\nx\r\n", TakeNotice());
    ASSERT_EQ(1, NotifyRecipients(record.get(), "Audit", kContext, "f", "d", true));
    TakeNotice();
    EXPECT_NE(std::string::npos,
              envelope.find("Recipients=[SMTP:bob@example.com];[SMTP:carl@example.com]\r\n"));
}

// Every line of a notification ends in CR LF, whatever the quoted message, the
// template or the values used: and no value breaks a template line.
TEST_F(NotificationTest, HeadersStopAtABareLineFeedEmptyLineAndEveryLineEndsInCrLf) {
    server.tree.WriteFile(QueuedPath("SMTP", "Inbound"), "A: 1\nB: 2\r\n\nC: body\n");
    Template("H", "S: [QP_ACTIONDESC]\rT: t\nTo: x\n\n[QP_HEADERS]\nend");
    ASSERT_EQ(1, NotifySender(record.get(), "H", kContext, "f", "held\r\nBcc: y", true));
    EXPECT_EQ("S: held  Bcc: y\r\nT: t\r\nTo: x\r\nX-QPFilter: 1\r\n\r\nA: 1\r\nB: 2\r\nend",
              TakeNotice());
    ASSERT_EQ(1, NotifySender(record.get(), "", kContext, "f\nX: y", "held\r\nBcc: y", true));
    const std::string text = TakeNotice();
    EXPECT_NE(std::string::npos, text.find("Subject: Message Filter Notification: f X: y\r\n"));
    EXPECT_NE(std::string::npos, text.find("\r\nReason: (held  Bcc: y)\r\n"));
    EXPECT_NE(std::string::npos, text.find("\r\n\r\nA: 1\r\nB: 2\r\n"));
}

// Notices never go to a null sender (backscatter) nor to the notification sender itself
// (a loop); nothing is queued and the report log says why.
TEST_F(NotificationTest, NoNoticeToANullSenderOrToItself) {
    server.SetLogMode(2);  // report lines to standard output
    for (const char* sender : {"[SMTP:]", "[SMTP:<>]", "[SMTP:PostMaster@Example.com]"}) {
        SCOPED_TRACE(sender);
        SafeCopy(record->sender, sender);
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(0, NotifySender(record.get(), "", kContext, "Block offers", "d", true));
        const std::string out = ::testing::internal::GetCapturedStdout();
        EXPECT_NE(std::string::npos,
                  out.find("QP-W0601: No notification sent for message A1.MAI (filter \"Block "
                           "offers\"): its recipient "))
            << out;
    }
    EXPECT_EQ(0, NotifyAddress(record.get(), "<REFERENCE><ADDRESS>postmaster@example.com</ADDRESS>",
                               kContext, "f", "d", true));
    EXPECT_TRUE(NewMessages().empty());
    // Of the message's own recipients, only the notification sender is left out.
    SafeCopy(record->recipients, "[SMTP:postmaster@example.com];[SMTP:bob@example.com];[SMTP:]");
    ASSERT_EQ(1, NotifyRecipients(record.get(), "", kContext, "f", "d", true));
    TakeNotice();
    EXPECT_NE(std::string::npos, envelope.find("Recipients=[SMTP:bob@example.com]\r\n"));
}

// English names, no leading zero on the day, the zone's offset with its sign and
// half hours, summer time applied.
TEST(MessageDate, EnglishNamesAndTheOffsetOfTheZone) {
    struct Case {
        const char* zone;
        int64_t when;
        const char* want;
    } const cases[] = {
        {"CET-1CEST,M3.5.0,M10.5.0/3", 1783207800, "Sun, 5 Jul 2026 01:30:00 +0200"},
        {"NST3:30", 1767600249, "Mon, 5 Jan 2026 04:34:09 -0330"},
        {"UTC0", 0, "Thu, 1 Jan 1970 00:00:00 +0000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zone);
        platform::SetEnvironmentValue("TZ", c.zone);
        platform::RefreshTimeZone();
        platform::SetFixedClockForTesting(c.when);
        std::unique_ptr<char[]> text(FormatMessageDate());
        EXPECT_STREQ(c.want, text.get());
    }
    platform::SetFixedClockForTesting(-1);
}

}  // namespace
