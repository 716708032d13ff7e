// tests/analysis/IpPatternsTest.cpp: the address patterns of the system whitelist.
#include <gtest/gtest.h>

#include "analysis/IpPatterns.h"

namespace {

struct Case {
    const char* name;
    const char* address;
    const char* pattern;
    int want;
};

TEST(IpPatterns, IPv4StarAcceptsTheRestOfAnOctet) {
    const Case kCases[] = {
        {"exact", "192.0.2.7", "192.0.2.7", 1},
        {"other last octet", "192.0.2.8", "192.0.2.7", 0},
        {"two star octets", "192.168.4.7", "192.168.*.*", 1},
        {"final star takes the rest", "10.1.2.3", "10.*", 1},
        {"star after a digit", "192.168.14.7", "192.168.1*.7", 1},
        {"star octet, other prefix", "192.168.24.7", "192.168.1*.7", 0},
        {"lone star", "203.0.113.9", "*", 1},
        {"address shorter than the pattern", "10.1.2", "10.1.2.3", 0},
        {"pattern shorter than the address", "10.1.2.3", "10.1.2", 0},
        {"star octet past the address's end", "10.1.2", "10.1.2.*", 0},
        {"different first octet", "11.1.2.3", "10.*", 0},
        {"empty pattern", "10.1.2.3", "", 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.want, MatchIPv4Pattern(c.address, c.pattern));
    }
}

TEST(IpPatterns, IPv4DotOnOneSideSkipsTheOthersOctet) {
    // Octets are compared as text, so one that is a prefix of the other is accepted.
    const Case kCases[] = {
        {"pattern octet shorter", "192.0.2.7", "19.0.2.7", 1},
        {"address octet shorter", "19.0.2.7", "192.0.2.7", 1},
        {"differing before the dot", "182.0.2.7", "19.0.2.7", 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.want, MatchIPv4Pattern(c.address, c.pattern));
    }
}

TEST(IpPatterns, IPv6GroupsAreComparedAsNumbers) {
    const Case kCases[] = {
        {"same spelling", "2001:db8:0:0:0:0:0:1", "2001:db8:0:0:0:0:0:1", 1},
        {"gap in the address", "2001:db8::1", "2001:db8:0:0:0:0:0:1", 1},
        {"gap in the pattern", "2001:db8:0:0:0:0:0:1", "2001:DB8::1", 1},
        {"leading zeros", "2001:0db8::0001", "2001:db8::1", 1},
        {"other last group", "2001:db8::2", "2001:db8::1", 0},
        {"gap at the start", "::1", "0:0:0:0:0:0:0:1", 1},
        {"gap at the end", "fe80::", "fe80:0:0:0:0:0:0:0", 1},
        {"star group", "2001:db8::42", "2001:db8::*", 1},
        {"star groups after a gap", "2001:db8:1:2:3:4:5:6", "2001:db8:*:*:*:*:*:*", 1},
        {"gap is zeros, not any", "2001:db8:1::42", "2001:db8::*", 0},
        {"star in the address is no wildcard", "2001:db8::*", "2001:db8::1", 0},
        {"lone star is not eight groups", "2001:db8::1", "*", 0},
        {"five digits", "2001:db8::1", "2001:db8::00001", 0},
        {"two gaps", "1::2::3", "1::2::3", 0},
        {"nine groups", "1:2:3:4:5:6:7:8:9", "*:*:*:*:*:*:*:*", 0},
        {"not hexadecimal", "2001:db8::g", "2001:db8::*", 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.want, MatchIPv6Pattern(c.address, c.pattern));
    }
}

TEST(IpPatterns, IPv6AddressHoldsEightGroups) {
    IPv6Address address;
    ASSERT_EQ(1, address.Parse("1:*::ffff", 1));
    const IPv6Address::Group want[IPv6Address::kGroupCount] = {
        {1, false}, {0, true},  {0, false}, {0, false},
        {0, false}, {0, false}, {0, false}, {0xffff, false}};
    for (int i = 0; i < IPv6Address::kGroupCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(want[i].value, address[i].value);
        EXPECT_EQ(want[i].wildcard, address[i].wildcard);
    }
    EXPECT_EQ(0, address.Parse("1:*::ffff", 0));
}

}  // namespace
