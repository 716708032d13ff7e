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

TEST(IpPatterns, IPv4StarAcceptsTheRestOfAnOctetAndOctetsCompareAsText) {
    const Case kCases[] = {
        {"star after a digit", "192.168.14.7", "192.168.1*.7", 1},
        {"star octet, other prefix", "192.168.24.7", "192.168.1*.7", 0},
        {"pattern shorter than the address", "10.1.2.3", "10.1.2", 0},
        // Octets are compared as text, so one that is a prefix of the other is accepted.
        {"pattern octet shorter", "192.0.2.7", "19.0.2.7", 1},
        {"differing before the dot", "182.0.2.7", "19.0.2.7", 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.want, MatchIPv4Pattern(c.address, c.pattern));
    }
}

TEST(IpPatterns, IPv6GroupsAreComparedAsNumbers) {
    const Case kCases[] = {
        {"gap in the address", "2001:db8::1", "2001:db8:0:0:0:0:0:1", 1},
        {"leading zeros", "2001:0db8::0001", "2001:db8::1", 1},
        {"five digits", "2001:db8::1", "2001:db8::00001", 0},
        {"gap is zeros, not any", "2001:db8:1::42", "2001:db8::*", 0},
        {"lone star is not eight groups", "2001:db8::1", "*", 0},
        {"two gaps", "1::2::3", "1::2::3", 0},
        {"nine groups", "1:2:3:4:5:6:7:8:9", "*:*:*:*:*:*:*:*", 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.want, MatchIPv6Pattern(c.address, c.pattern));
    }
}

}  // namespace
