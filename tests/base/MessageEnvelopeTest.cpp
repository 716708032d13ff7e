// tests/base/MessageEnvelopeTest.cpp: reading and writing message envelopes.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "base/MessageEnvelope.h"
#include "base/Settings.h"
#include "tests/fixtures/PluginTree.h"

namespace {

using testing_support::PluginTree;

class MessageEnvelopeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSettings();
        RefreshDirectoryGroup(nullptr);
        std::snprintf(record->messageId, sizeof record->messageId, "%s", "A1.MAI");
        std::snprintf(record->connector, sizeof record->connector, "%s", "SMTP");
    }
    // Reads an envelope with the given bytes.
    void Read(const std::string& bytes) {
        server.tree.WriteFile("connectors/SMTP/Inbound/A1.MAI", bytes);
        ASSERT_EQ(1, ReadEnvelope(record.get()));
    }

    PluginTree server;
    std::unique_ptr<MessageRecord> record = std::make_unique<MessageRecord>();
};

TEST_F(MessageEnvelopeTest, ReadsEveryKeyKeepingSpacesAndTheLastLineWithoutTerminator) {
    Read(
        "Recipients=[SMTP:a@example.com];[SMTP:b@example.net]\r\n"
        "Sender=[SMTP:x@example.org]\r\n\r\n"
        "Server=mx1\r\nClientIP=192.0.2.7\r\nAccount=sales\r\nUser=anna\r\n"
        "CommandType=SEND\r\nSubject= Hello  there \r\nTimeAcquired=1764979200\r\n"
        "Other=ignored\r\nStatus=QUEUED\r\nAuthenticationStatus=2");
    EXPECT_STREQ("[SMTP:a@example.com];[SMTP:b@example.net]", record->recipients);
    EXPECT_STREQ("[SMTP:x@example.org]", record->sender);
    EXPECT_STREQ("mx1", record->server);
    EXPECT_STREQ("192.0.2.7", record->clientIp);
    EXPECT_STREQ("sales", record->account);
    EXPECT_STREQ("anna", record->user);
    EXPECT_STREQ("SEND", record->commandType);
    EXPECT_STREQ(" Hello  there ", record->subject);
    EXPECT_EQ(1764979200, record->timeAcquired);
    EXPECT_STREQ("QUEUED", record->status);
    EXPECT_EQ(2, record->authenticationStatus);
    EXPECT_EQ(2, record->criteriaAuthenticationStatus);
}

// Keys count only at the start of a line, numbers as far as they go; over-long values
// are cut and the later line wins; a missing envelope empties the fields.
TEST_F(MessageEnvelopeTest, OddLinesOverlongValuesAndAMissingEnvelope) {
    Read(
        "AuthenticationStatus=7x\r\n  Sender=[SMTP:indented@example.com]\r\nTimeAcquired=abc\r\n"
        "Recipients=" +
        std::string(30000, 'r') + "\r\nClientIP=first\r\nClientIP=" + std::string(100, '9') +
        "\r\n");
    EXPECT_EQ(7, record->authenticationStatus);
    EXPECT_STREQ("", record->sender);
    EXPECT_EQ(0, record->timeAcquired);
    EXPECT_EQ(std::string(23999, 'r'), record->recipients);
    EXPECT_EQ(std::string(65, '9'), record->clientIp);
    std::filesystem::remove(server.tree.Join("connectors/SMTP/Inbound/A1.MAI"));
    ASSERT_EQ(1, ReadEnvelope(record.get()));
    EXPECT_STREQ("", record->recipients);
    EXPECT_STREQ("A1.MAI", record->messageId);
}

TEST_F(MessageEnvelopeTest, WriteKeepsOnlyTheCarriedKeysInOrderAndReadsBackOrFailsWithoutAQueue) {
    std::snprintf(record->sender, sizeof record->sender, "%s", "[SMTP:x@example.org]");
    std::snprintf(record->server, sizeof record->server, "%s", "mx1");
    std::snprintf(record->status, sizeof record->status, "%s", "Q");
    std::snprintf(record->clientIp, sizeof record->clientIp, "%s", "192.0.2.1");
    record->timeAcquired = -3;
    ASSERT_EQ(1, WriteEnvelope(record.get()));
    EXPECT_EQ(
        "Recipients=\r\nServer=mx1\r\nSender=[SMTP:x@example.org]\r\nTimeAcquired=-3\r\n"
        "Status=Q\r\n",
        server.tree.ReadFile("connectors/SMTP/Inbound/A1.MAI"));
    auto again = std::make_unique<MessageRecord>(*record);
    ASSERT_EQ(1, ReadEnvelope(again.get()));
    EXPECT_STREQ(record->sender, again->sender);
    EXPECT_EQ(-3, again->timeAcquired);
    EXPECT_STREQ("", again->clientIp);
    std::snprintf(record->connector, sizeof record->connector, "%s", "NOQUEUE");
    EXPECT_EQ(0, WriteEnvelope(record.get()));
}

TEST(ExtractEnvelopeAddress, TakesTheTextBetweenColonAndBracket) {
    char out[64] = "untouched";
    ExtractEnvelopeAddress("]x:y", out, sizeof out);  // bracket before colon
    EXPECT_STREQ("untouched", out);
    ExtractEnvelopeAddress("[SMTP:a@example.com]", out, sizeof out);
    EXPECT_STREQ("a@example.com", out);
    char small[4] = "old";
    ExtractEnvelopeAddress("[SMTP:toolong]", small, sizeof small);
    EXPECT_STREQ("old", small);
}

}  // namespace
