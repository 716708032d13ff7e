// tests/actions/NewMessageTest.cpp: queueing a message the plug-in writes itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "actions/NewMessage.h"
#include "tests/actions/RewritingFixture.h"

namespace {

using testing_support::RewritingTest;

class NewMessageTest : public RewritingTest {
protected:
    void SetUp() override {
        RewritingTest::SetUp();
        std::snprintf(record->messageId, sizeof record->messageId, "%s", "N1.MAI");
        std::snprintf(record->recipients, sizeof record->recipients, "%s", "[SMTP:b@example.com]");
        std::snprintf(record->sender, sizeof record->sender, "%s", "[SMTP:p@example.com]");
        std::snprintf(record->server, sizeof record->server, "%s", "mx1");
        std::snprintf(record->status, sizeof record->status, "%s", "Undelivered");
        record->timeAcquired = 1767600000;
    }
};

TEST_F(NewMessageTest, WritesTheMessageWholeAndThenItsEnvelope) {
    const std::string text = "Subject: s\r\n\r\nbody\r\n";
    ASSERT_EQ(1, QueueNewMessage(record.get(), text.data(), text.size()));
    EXPECT_EQ(text, server.tree.ReadFile(QueuedPath("SMTP", "Inbound", "N1.MAI")));
    EXPECT_EQ(
        "Recipients=[SMTP:b@example.com]\r\nServer=mx1\r\nSender=[SMTP:p@example.com]\r\n"
        "TimeAcquired=1767600000\r\nStatus=Undelivered\r\n",
        server.tree.ReadFile("connectors/SMTP/Inbound/N1.MAI"));
}

TEST_F(NewMessageTest, NoQueueDirectoryWritesNothing) {
    std::snprintf(record->connector, sizeof record->connector, "%s", "NOSUCH");
    EXPECT_EQ(0, QueueNewMessage(record.get(), "x", 1));
    EXPECT_FALSE(server.tree.Exists("connectors/NOSUCH"));
}

TEST_F(NewMessageTest, AnEnvelopeThatCannotBeWrittenLeavesTheMessageAndSucceeds) {
    std::filesystem::create_directories(server.tree.Join("connectors/SMTP/Inbound/N1.MAI"));
    EXPECT_EQ(1, QueueNewMessage(record.get(), "x", 1));
    EXPECT_EQ("x", server.tree.ReadFile(QueuedPath("SMTP", "Inbound", "N1.MAI")));
}

}  // namespace
