// tests/actions/MessageHeaderTest.cpp: setting a header field of a queued message.
#include <gtest/gtest.h>

#include <string>

#include "actions/MessageRewriting.h"
#include "tests/actions/RewritingFixture.h"

namespace {

using testing_support::RewritingTest;

class MessageHeaderTest : public RewritingTest {
protected:
    std::string Set(const std::string& message, const char* name = "X-Spam-Flag",
                    const char* value = "YES (free)") {
        server.tree.WriteFile(QueuedPath("SMTP", "Inbound"), message);
        EXPECT_EQ(1, SetMessageHeader(record.get(), name, value, true));
        return server.tree.ReadFile(QueuedPath("SMTP", "Inbound"));
    }
};

TEST_F(MessageHeaderTest, AddsTheFieldAtTheEndOfTheHeaderBlock) {
    EXPECT_EQ(Golden("header-add.want.eml"), Set(Golden("header-add.in.eml")));
}

TEST_F(MessageHeaderTest, ReplacesEveryLineOfTheFieldKeepingContinuations) {
    EXPECT_EQ(Golden("header-replace.want.eml"), Set(Golden("header-replace.in.eml")));
}

TEST_F(MessageHeaderTest, Cases) {
    using namespace std::string_literals;  // "..."s keeps the NUL of the binary case
    struct Case {
        const char* name;
        std::string message;
        std::string want;
    };
    const Case kCases[] = {
        {"no empty line: appended with one", "From: a\r\n",
         "From: a\r\nX-Spam-Flag: YES (free)\r\n\r\n"},
        {"no empty line, last line unterminated", "From: a",
         "From: a\r\nX-Spam-Flag: YES (free)\r\n\r\n"},
        {"bare line feed ends the header", "From: a\n\nX-Spam-Flag: body\n",
         "From: a\nX-Spam-Flag: YES (free)\r\n\r\nX-Spam-Flag: body\n"},
        {"name must be followed by colon and blank", "X-Spam-Flagged: a\r\n\r\n",
         "X-Spam-Flagged: a\r\nX-Spam-Flag: YES (free)\r\n\r\n"},
        {"replaced without an empty line adds nothing", "X-SPAM-FLAG: no",
         "X-Spam-Flag: YES (free)\r\n"},
        {"a lone CR does not end the header", "A: b\r\n\r\rC: d\r\n\r\nbody\r\n",
         "A: b\r\n\r\rC: d\r\nX-Spam-Flag: YES (free)\r\n\r\nbody\r\n"},
        {"a last lone CR does", "A: b\r\n\r", "A: b\r\nX-Spam-Flag: YES (free)\r\n\r\n"},
        {"body copied byte for byte", "A: b\r\n\r\n\0\xff\r\n\r\nX-Spam-Flag: z"s,
         "A: b\r\nX-Spam-Flag: YES (free)\r\n\r\n\0\xff\r\n\r\nX-Spam-Flag: z"s},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.want, Set(c.message));
    }
}

TEST_F(MessageHeaderTest, KeepsEveryByteOfALongRunOfLoneCarriageReturns) {
    const std::string carriageReturns(1 << 20, '\r');
    // Compared as a whole but not printed whole: a mismatch shows the sizes.
    const std::string got = Set("A: b\r\n" + carriageReturns);
    const std::string want = "A: b\r\n" + carriageReturns + "\r\nX-Spam-Flag: YES (free)\r\n\r\n";
    EXPECT_TRUE(want == got) << got.size() << " bytes instead of " << want.size();
}

TEST_F(MessageHeaderTest, OutgoingQueueAndMissingMessage) {
    EXPECT_EQ(0, SetMessageHeader(record.get(), "X-A", "1", true));
    EXPECT_FALSE(server.tree.Exists(QueuedPath("SMTP", "Inbound")));
    server.tree.WriteFile(QueuedPath("SMTP", "Outgoing"), "A: b\r\n\r\n");
    EXPECT_EQ(1, SetMessageHeader(record.get(), "X-A", "1", false));
    EXPECT_EQ("A: b\r\nX-A: 1\r\n\r\n", server.tree.ReadFile(QueuedPath("SMTP", "Outgoing")));
}

}  // namespace
