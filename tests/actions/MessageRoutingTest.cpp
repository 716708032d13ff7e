// tests/actions/MessageRoutingTest.cpp: deleting and copying queued messages, forwarded
// copies, appended recipients and copies into mailbox folders, on a temporary server tree.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "actions/MessageRouting.h"
#include "base/Settings.h"
#include "common/SafeText.h"
#include "store/MailboxFolders.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

constexpr const char* kEnvelope =
    "Recipients=[SMTP:a@example.com]\r\nSender=[SMTP:b@example.net]\r\n";
constexpr const char* kMessage = "From: b@example.net\r\nSubject: hi\r\n\r\nbody\r\n";

class MessageRoutingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSettings();
        ReadStoreSettings();
        RefreshDirectoryGroup(nullptr);
        server.QueueMessage("SMTP", "M1.MAI", kEnvelope, kMessage);
        SafeCopy(record->messageId, "M1.MAI");
        SafeCopy(record->connector, "SMTP");
        SafeCopy(record->sender, "[SMTP:b@example.net]");
        SafeCopy(record->recipients, "[SMTP:a@example.com]");
        SafeCopy(record->server, "mx.example.net");
        SafeCopy(record->clientIp, "192.0.2.7");
        SafeCopy(record->account, "PO");
        SafeCopy(record->status, "Queued");
        record->timeAcquired = 1764979200;
    }
    // The files of the Inbound queue other than M1.MAI.
    std::vector<std::string> NewInboundMessages() const {
        return server.FilesIn("connectors/SMTP/Inbound", "M1.MAI");
    }
    std::string Inbound(const std::string& name) const {
        return server.tree.ReadFile("connectors/SMTP/Inbound/" + name);
    }

    PluginTree server;
    std::unique_ptr<MessageRecord> record = std::make_unique<MessageRecord>();
};

// Nothing is deleted or copied by half: a delete without an envelope keeps the message,
// a copy of a message that is missing fails; the queue selector picks Outgoing.
TEST_F(MessageRoutingTest, DeleteAndCopiesNeedTheWholeMessage) {
    EXPECT_EQ(1, CopyToQuarantine(record.get(), true));
    server.QueueMessage("SMTP", "M1.MAI", "second envelope", "second message");
    EXPECT_EQ(1, CopyToQuarantine(record.get(), true));  // replaces the earlier copy
    EXPECT_EQ("second envelope", server.tree.ReadFile("quarantine/M1.MAI"));
    EXPECT_EQ("second message", server.tree.ReadFile("quarantine/Messages/M1.MAI"));
    fs::remove(server.tree.Join("connectors/SMTP/Inbound/M1.MAI"));
    EXPECT_EQ(0, DeleteQueuedMessage(record.get(), true));
    EXPECT_EQ("second message", Inbound("Messages/M1.MAI"));
    server.QueueMessage("SMTP", "M1.MAI", kEnvelope, kMessage);
    fs::remove(server.tree.Join("connectors/SMTP/Inbound/Messages/M1.MAI"));
    EXPECT_EQ(0, CopyToQuarantine(record.get(), true));
    fs::remove(server.tree.Join("connectors/SMTP/Inbound/M1.MAI"));
    EXPECT_EQ(0, CopyToBadMail(record.get(), true));
    EXPECT_FALSE(server.tree.Exists("badmail/M1.MAI"));

    server.tree.WriteFile("connectors/SMTP/Outgoing/M1.MAI", "out envelope");
    server.tree.WriteFile("connectors/SMTP/Outgoing/Messages/M1.MAI", "out message");
    EXPECT_EQ(1, CopyToBadMail(record.get(), false));
    EXPECT_EQ("out envelope", server.tree.ReadFile("badmail/M1.MAI"));
    EXPECT_EQ("out message", server.tree.ReadFile("badmail/Messages/M1.MAI"));
    EXPECT_EQ(1, DeleteQueuedMessage(record.get(), false));
    EXPECT_FALSE(server.tree.Exists("connectors/SMTP/Outgoing/Messages/M1.MAI"));
}

// An unset (or missing) directory never sends held copies to the root of the drive:
// the copy fails and the report log names the setting.
TEST_F(MessageRoutingTest, CopiesNeedTheirDirectorySet) {
    server.SetLogMode(2);  // report lines to standard output
    const std::string missing = server.tree.Join("no-such-dir");
    struct Case {
        const char* setting;
        const char* value;
        int (*copy)(const MessageRecord*, bool);
        const char* want;
    } const cases[] = {
        {"Quarantine Directory", "", CopyToQuarantine,
         "QP-E0602: COPY_TO_QUARANTINE not done for message M1.MAI: the \"Quarantine Directory\" "
         "setting is not set"},
        {"Bad Mail Directory", missing.c_str(), CopyToBadMail,
         "setting names a directory that does not exist"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setting);
        server.registry.SetString(kRootKey, c.setting, c.value);
        RefreshDirectoryGroup(nullptr);
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(0, c.copy(record.get(), true));
        const std::string out = ::testing::internal::GetCapturedStdout();
        EXPECT_NE(std::string::npos, out.find(c.want)) << out;
        EXPECT_NE(std::string::npos, out.find("The message stays queued.\n")) << out;
    }
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_FALSE(fs::exists("/Messages/M1.MAI"));
    EXPECT_EQ(kMessage, Inbound("Messages/M1.MAI"));
}

// A postoffice filter forwards the Outgoing copy (none: nothing is written) and names
// the postoffice; a mailbox filter's copy carries no postoffice mark.
TEST_F(MessageRoutingTest, ForwardFromPostofficeFilterTakesTheOutgoingCopy) {
    server.registry.SetString(kSmtpKey, "Bad Mail Notification Sender Address", "bad@example.com");
    EXPECT_EQ(0, ForwardMessage(record.get(), "x@example.com", "PO", ""));
    EXPECT_TRUE(NewInboundMessages().empty());
    server.tree.WriteFile("connectors/SMTP/Outgoing/Messages/M1.MAI", "Subject: out\r\n\r\nx\r\n");
    EXPECT_EQ(1,
              ForwardMessage(record.get(), "[SMTP:x@example.com];[SMTP:y@example.com]", "PO", ""));
    auto names = NewInboundMessages();
    ASSERT_EQ(1u, names.size());
    const std::string copy = Inbound("Messages/" + names[0]);
    EXPECT_NE(std::string::npos, copy.find("X-QPFilter: 1\r\nX-QP-POFilter: PO\r\n")) << copy;
    EXPECT_NE(std::string::npos, copy.find("Subject: out\r\n"));
    const std::string envelope = Inbound(names[0]);
    EXPECT_NE(std::string::npos,
              envelope.find("Recipients=[SMTP:x@example.com];[SMTP:y@example.com]\r\n"));
    EXPECT_NE(std::string::npos, envelope.find("Sender=[SMTP:bad@example.com]\r\n"));
    // Nothing is left of where the original came from.
    EXPECT_EQ(std::string::npos, envelope.find("mx.example.net"));
    EXPECT_EQ(std::string::npos, envelope.find("192.0.2.7"));
    fs::remove(server.tree.Join("connectors/SMTP/Inbound/Messages/" + names[0]));
    fs::remove(server.tree.Join("connectors/SMTP/Inbound/" + names[0]));
    EXPECT_EQ(1, ForwardMessage(record.get(), "x@example.com", "PO", "bob"));
    names = NewInboundMessages();
    ASSERT_EQ(1u, names.size());
    EXPECT_EQ(std::string::npos, Inbound("Messages/" + names[0]).find("X-QP-POFilter"));
}

// Recipients join with ";", an empty text adds nothing, and a list that would not fit
// is refused whole.
TEST_F(MessageRoutingTest, AppendRecipientsJoinsItemsWhileTheyFit) {
    SafeCopy(record->recipients, "");
    EXPECT_EQ(1, AppendRecipients(record.get(), "[SMTP:c@example.com]"));
    EXPECT_EQ(0, AppendRecipients(record.get(), ""));
    EXPECT_STREQ("[SMTP:c@example.com]", record->recipients);
    const std::string item = "[SMTP:c@example.com]";  // 20 characters
    std::string full(kRecipientsCapacity - 1 - 21, 'r');
    SafeCopy(record->recipients, full.c_str());
    EXPECT_EQ(1, AppendRecipients(record.get(), item.c_str()));  // exactly 23,999
    EXPECT_EQ(static_cast<size_t>(kRecipientsCapacity - 1), std::strlen(record->recipients));
    SafeCopy(record->recipients, (full + "r").c_str());
    EXPECT_EQ(0, AppendRecipients(record.get(), item.c_str()));
    EXPECT_EQ(full + "r", record->recipients);
}

class MailboxCopyTest : public MessageRoutingTest {
protected:
    void SetUp() override {
        MessageRoutingTest::SetUp();
        SafeCopy(record->user, "bob");
        server.tree.WriteFile("connectors/SMTP/Outgoing/Messages/M1.MAI", kMessage);
        fs::create_directories(server.tree.Join("mail/PO/MAILROOT/bob"));
    }
};

TEST_F(MailboxCopyTest, CopyReplacesAnEarlierCopyAndFlagsTheFolder) {
    server.tree.WriteFile("mail/PO/MAILROOT/bob/Junk E-mail/M1.MAI", "an earlier copy");
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(1, CopyToMailboxFolder(record.get(), "Junk E-mail"));
    EXPECT_EQ("Folder=Junk E-mail::Folder Made Dirty to notify clients\n",
              ::testing::internal::GetCapturedStdout());
    EXPECT_EQ(kMessage, server.tree.ReadFile("mail/PO/MAILROOT/bob/Junk E-mail/M1.MAI"));
    EXPECT_EQ(kFolderFlagText, server.tree.ReadFile("mail/PO/MAILROOT/bob/_FOLDER.DTY"));
    EXPECT_EQ(kFolderFlagText,
              server.tree.ReadFile("mail/PO/MAILROOT/bob/Junk E-mail/_CHANGE.DTY"));
    EXPECT_STREQ("Junk E-mail", record->folder);
}

TEST_F(MailboxCopyTest, MissingMailboxOrMessageFails) {
    SafeCopy(record->user, "nobody");
    EXPECT_EQ(0, CopyToMailboxFolder(record.get(), "Archive"));
    EXPECT_FALSE(server.tree.Exists("mail/PO/MAILROOT/nobody"));
    SafeCopy(record->user, "bob");
    fs::remove(server.tree.Join("connectors/SMTP/Outgoing/Messages/M1.MAI"));
    EXPECT_EQ(0, CopyToMailboxFolder(record.get(), "Archive"));
    EXPECT_FALSE(server.tree.Exists("mail/PO/MAILROOT/bob/Archive/_CHANGE.DTY"));
}

}  // namespace
