// tests/actions/NotificationTest.cpp: notifications to the sender, to an address and to
// the recipients: the built-in text, templates and the envelopes of the new messages.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "actions/Notifications.h"
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
        std::snprintf(record->sender, sizeof record->sender, "%s", "[SMTP:anna@example.org]");
        std::snprintf(record->recipients, sizeof record->recipients, "%s",
                      "[SMTP:bob@example.com];[SMTP:carl@example.com]");
        std::snprintf(record->server, sizeof record->server, "%s", "mx1");
        record->timeAcquired = 1000;
        server.tree.WriteFile(QueuedPath("SMTP", "Inbound"), kMessage);
    }
    void TearDown() override { platform::SetFixedClockForTesting(-1); }

    // The identifiers of the messages the action added to the Inbound queue.
    std::vector<std::string> NewMessages() const {
        return server.FilesIn("connectors/SMTP/Inbound/Messages", "A1.MAI");
    }
    // The one new message; its identifier goes to `id`.
    std::string OnlyNewMessage(std::string* id) const {
        std::vector<std::string> ids = NewMessages();
        EXPECT_EQ(1u, ids.size());
        if (ids.size() != 1) return "";
        *id = ids[0];
        return server.tree.ReadFile(QueuedPath("SMTP", "Inbound", ids[0]));
    }
    std::string Envelope(const std::string& id) const {
        return server.tree.ReadFile("connectors/SMTP/Inbound/" + id);
    }
    static std::string MessageIdText(const std::string& id) {
        return "<" + id.substr(0, 32) + "@mail.example.com>";
    }
    static std::string BuiltIn(const std::string& id, const std::string& to,
                               const std::string& reason) {
        return "Message-ID: " + MessageIdText(id) + "\r\n" +
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
};

TEST_F(NotificationTest, SenderGetsTheBuiltInTextAndAnEnvelopeAddressedToTheSender) {
    ASSERT_EQ(1, NotifySender(record.get(), "", kContext, "Block offers", "Held [QP_MF-W]", true));
    std::string id;
    std::string text = OnlyNewMessage(&id);
    EXPECT_EQ(36u, id.size());
    EXPECT_EQ(".MAI", id.substr(32));
    EXPECT_EQ(BuiltIn(id, "To: <anna@example.org>", "Held [QP_MF-W]"), text);
    EXPECT_EQ(
        "Recipients=[SMTP:anna@example.org]\r\nServer=mx1\r\n"
        "Sender=[SMTP:postmaster@example.com]\r\nTimeAcquired=1000\r\n"
        "Status=Undelivered\r\n",
        Envelope(id));
    EXPECT_STREQ("[SMTP:anna@example.org]", record->sender);  // the run's record is kept
    EXPECT_EQ(1000, record->timeAcquired);
}

TEST_F(NotificationTest, OutgoingQueueAndAMissingMessage) {
    EXPECT_EQ(0, NotifySender(record.get(), "", kContext, "Block offers", "d", false));
    EXPECT_TRUE(NewMessages().empty());
    server.tree.WriteFile(QueuedPath("SMTP", "Outgoing"), kMessage);
    EXPECT_EQ(1, NotifySender(record.get(), "", kContext, "Block offers", "d", false));
    EXPECT_EQ(1u, NewMessages().size());
}

TEST_F(NotificationTest, TemplateFillsEveryPlaceholderAndAddsTheMarkOnce) {
    Template("Held",
             "From: [QP_BADMAILSENDER]\nMessage-ID: [QP_MID]\n"
             "Subject: [QP_FILTERNAME] held [QP_MF-W]\nDate: [QP_TIME]\n\n"
             "Why: [QP_ACTIONDESC] for [QP_MSG] [QP_UNKNOWN]\n[QP_HEADERS]\nEnd\n");
    ASSERT_EQ(1, NotifySender(record.get(), "Held", kContext, "Block offers", "Quarantined", true));
    std::string id;
    std::string text = OnlyNewMessage(&id);
    EXPECT_EQ("From: postmaster@example.com\r\nMessage-ID: " + MessageIdText(id) +
                  "\r\nSubject: Block offers held free=3Doffer\r\n"
                  "Date: Mon, 5 Jan 2026 08:04:09 +0000\r\nX-QPFilter: 1\r\n\r\n"
                  "Why: Quarantined for A1.MAI [QP_UNKNOWN]\r\n" +
                  kHeaders + "End\r\n",
              text);
}

TEST_F(NotificationTest, TemplateMarkCases) {
    struct Case {
        const char* name;
        const char* text;
        const char* want;
    };
    const Case kCases[] = {
        {"mark already present in lower case", "x-qpfilter: 1\nSubject: s\n\nbody\n",
         "x-qpfilter: 1\r\nSubject: s\r\n\r\nbody\r\n"},
        {"no empty line: appended after the last line", "Subject: s\nbody",
         "Subject: s\r\nbody\r\nX-QPFilter: 1\r\n"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        for (const std::string& id : NewMessages())
            fs::remove(server.tree.Join(QueuedPath("SMTP", "Inbound", id)));
        Template("T", c.text);
        ASSERT_EQ(1, NotifySender(record.get(), "T", kContext, "f", "d", true));
        std::string id;
        EXPECT_EQ(c.want, OnlyNewMessage(&id));
    }
}

TEST_F(NotificationTest, AddressNeedsTheReferenceOpeningAndAnAddress) {
    EXPECT_EQ(0, NotifyAddress(record.get(), "<ADDRESS>a@b</ADDRESS>", kContext, "f", "d", true));
    EXPECT_EQ(0, NotifyAddress(record.get(), "<reference><ADDRESS>a@b</ADDRESS>", kContext, "f",
                               "d", true));
    EXPECT_TRUE(NewMessages().empty());
}

// A missing template, an address without a file, and the recipients' notice all take the
// built-in text; the recipients' is addressed to no one in particular.
TEST_F(NotificationTest, BuiltInTextWhenThereIsNoTemplateAndTheAddressesTemplate) {
    ASSERT_EQ(1, NotifyAddress(record.get(), "<REFERENCE><ADDRESS>audit@example.com</ADDRESS>",
                               kContext, "Block offers", "d", true));
    std::string id;
    EXPECT_EQ(BuiltIn(id = NewMessages().at(0), "To: <audit@example.com>", "d"),
              OnlyNewMessage(&id));
    EXPECT_NE(std::string::npos, Envelope(id).find("Recipients=[SMTP:audit@example.com]\r\n"));
    fs::remove(server.tree.Join(QueuedPath("SMTP", "Inbound", id)));
    ASSERT_EQ(1, NotifyRecipients(record.get(), "Nowhere", kContext, "Block offers", "d", true));
    EXPECT_EQ(BuiltIn(id = NewMessages().at(0), "To: Undisclosed-Recipients", "d"),
              OnlyNewMessage(&id));
    fs::remove(server.tree.Join(QueuedPath("SMTP", "Inbound", id)));
    Template("Audit", "To: [QP_FILTERNAME]\n\nx\n");
    ASSERT_EQ(1, NotifyAddress(record.get(),
                               "<REFERENCE><FILE>Audit</FILE><ADDRESS>audit@example.com</ADDRESS>",
                               kContext, "Block offers", "d", true));
    EXPECT_EQ("To: Block offers\r\nX-QPFilter: 1\r\n\r\nx\r\n", OnlyNewMessage(&id));
}

TEST_F(NotificationTest, RecipientsGetEveryHeadersLineAndTheirOwnRecipientList) {
    Template("R", "Subject: s\n\n[QP_HEADERS]\n--\n[QP_HEADERS]\n");
    ASSERT_EQ(1, NotifyRecipients(record.get(), "R", kContext, "f", "d", true));
    std::string id;
    EXPECT_EQ("Subject: s\r\nX-QPFilter: 1\r\n\r\n" + kHeaders + "--\r\n" + kHeaders,
              OnlyNewMessage(&id));
    EXPECT_NE(std::string::npos,
              Envelope(id).find("Recipients=[SMTP:bob@example.com];[SMTP:carl@example.com]\r\n"));
}

// Every line of a notification ends in CR LF, whatever the quoted message, the
// template or the values used: and no value breaks a template line.
TEST_F(NotificationTest, HeadersStopAtABareLineFeedEmptyLineAndEveryLineEndsInCrLf) {
    server.tree.WriteFile(QueuedPath("SMTP", "Inbound"), "A: 1\nB: 2\r\n\nC: body\n");
    Template("H", "S: [QP_ACTIONDESC]\rT: t\nTo: x\n\n[QP_HEADERS]\nend");
    ASSERT_EQ(1, NotifySender(record.get(), "H", kContext, "f", "held\r\nBcc: y", true));
    std::string id;
    EXPECT_EQ("S: held  Bcc: y\r\nT: t\r\nTo: x\r\nX-QPFilter: 1\r\n\r\nA: 1\r\nB: 2\r\nend",
              OnlyNewMessage(&id));
    ASSERT_EQ(1, NotifySender(record.get(), "", kContext, "f\nX: y", "held\r\nBcc: y", true));
    for (const std::string& other : NewMessages()) {
        if (other == id) continue;
        const std::string text = server.tree.ReadFile(QueuedPath("SMTP", "Inbound", other));
        EXPECT_NE(std::string::npos, text.find("Subject: Message Filter Notification: f X: y\r\n"));
        EXPECT_NE(std::string::npos, text.find("\r\nReason: (held  Bcc: y)\r\n"));
        EXPECT_NE(std::string::npos, text.find("\r\n\r\nA: 1\r\nB: 2\r\n"));
    }
}

// Notices never go to a null sender (backscatter) nor to the notification sender itself
// (a loop); nothing is queued and the report log says why.
TEST_F(NotificationTest, NoNoticeToANullSenderOrToItself) {
    server.SetLogMode(2);  // report lines to standard output
    struct Case {
        const char* name;
        const char* sender;
    };
    const Case cases[] = {{"bracketed null", "[SMTP:]"},
                          {"bracketed angle null", "[SMTP:<>]"},
                          {"own address in other case", "[SMTP:PostMaster@Example.com]"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::snprintf(record->sender, sizeof record->sender, "%s", c.sender);
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(0, NotifySender(record.get(), "", kContext, "Block offers", "d", true));
        const std::string out = ::testing::internal::GetCapturedStdout();
        EXPECT_NE(std::string::npos,
                  out.find("QP-W0601: No notification sent for message A1.MAI (filter \"Block "
                           "offers\"): its recipient "))
            << out;
        EXPECT_TRUE(NewMessages().empty());
    }
    EXPECT_EQ(0, NotifyAddress(record.get(), "<REFERENCE><ADDRESS>postmaster@example.com</ADDRESS>",
                               kContext, "f", "d", true));
    EXPECT_TRUE(NewMessages().empty());
    // Of the message's own recipients, only the notification sender is left out.
    std::snprintf(record->recipients, sizeof record->recipients, "%s",
                  "[SMTP:postmaster@example.com];[SMTP:bob@example.com];[SMTP:]");
    ASSERT_EQ(1, NotifyRecipients(record.get(), "", kContext, "f", "d", true));
    std::string id;
    OnlyNewMessage(&id);
    EXPECT_NE(std::string::npos, Envelope(id).find("Recipients=[SMTP:bob@example.com]\r\n"));
}

}  // namespace
