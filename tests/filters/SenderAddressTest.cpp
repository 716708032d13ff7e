// tests/filters/SenderAddressTest.cpp: the bare address of an envelope sender.
#include <gtest/gtest.h>

#include <string>

#include "filters/SenderAddress.h"

namespace {

TEST(SenderAddress, TextAfterTheFirstColonLosesItsLastCharacter) {
    struct Case {
        const char* name;
        const char* sender;
        const char* want;
        int wantRc;
    };
    const Case kCases[] = {
        {"no colon: whole text", "alice@example.com", "alice@example.com", 0},
        {"no bracket: last character still dropped", "SMTP:alice@example.com", "alice@example.co",
         1},
        {"first colon decides", "[X400:c=de:o=acme]", "c=de:o=acme", 1},
        {"only the bracket after the colon", "[SMTP:]", "", 1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        char address[kSenderAddressCapacity] = "stale";
        EXPECT_EQ(c.wantRc, ExtractSenderAddress(c.sender, address));
        EXPECT_STREQ(c.want, address);
    }
}

TEST(SenderAddress, AddressThatDoesNotFitIsRefusedWhole) {
    const std::string exact = "[SMTP:" + std::string(kSenderAddressCapacity - 1, 'a') + "]";
    const std::string over = "[SMTP:" + std::string(kSenderAddressCapacity, 'a') + "]";
    char address[kSenderAddressCapacity];
    EXPECT_EQ(1, ExtractSenderAddress(exact.c_str(), address));
    EXPECT_EQ(kSenderAddressCapacity - 1, std::string(address).size());
    EXPECT_EQ(1, ExtractSenderAddress(over.c_str(), address));
    EXPECT_STREQ("", address);
}

}  // namespace
