// tests/platform/NetworkTest.cpp: host-name resolution without the outside network.
#include <gtest/gtest.h>

#include <string>

#include "platform/Network.h"

namespace {

TEST(ResolveHostName, DottedAddressIsItself) {
    char address[16];
    ASSERT_EQ(platform::ResolveHostName("127.0.0.1", address, sizeof address), 1);
    EXPECT_STREQ(address, "127.0.0.1");
    EXPECT_EQ(platform::ResolveHostName("127.0.0.1", address, 9), 0);  // needs 10
}

TEST(ResolveHostName, LocalhostIsLoopback) {
    char address[16];
    ASSERT_EQ(platform::ResolveHostName("localhost", address, sizeof address), 1);
    EXPECT_EQ(std::string(address).rfind("127.", 0), 0u) << address;
}

TEST(ResolveHostName, ReservedInvalidNameFails) {
    char address[16];
    EXPECT_EQ(platform::ResolveHostName("no-such-host.invalid", address, sizeof address), 0);
}

}  // namespace
