// analysis/IpPatterns.cpp: matching a client address with the patterns of the system
// whitelist. The IPv4 form is compared as text, as administrators have always written
// it; IPv6 is compared as numbers, since one address has many spellings.
#include "analysis/IpPatterns.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

using std::string_view;

constexpr int kMaxGroupDigits = 4;

// Just past the next "." at or after `at`; the end of the text when there is none.
const char* PastNextDot(const char* at) {
    const char* dot = std::strchr(at, '.');
    return dot != nullptr ? dot + 1 : at + std::strlen(at);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseGroup(string_view text, bool allowWildcards, IPv6Address::Group* group) {
    if (allowWildcards && text == "*") {
        group->wildcard = true;
        return true;
    }
    if (text.empty() || text.size() > kMaxGroupDigits) return false;
    unsigned value = 0;
    for (char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) return false;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    group->value = static_cast<uint16_t>(value);
    return true;
}

// The ":"-separated groups of one side of "::" (empty text: none). Returns the count,
// or -1 when a group is malformed or there are too many.
int ParseGroups(string_view text, bool allowWildcards, IPv6Address::Group* groups) {
    if (text.empty()) return 0;
    int count = 0;
    for (;;) {
        const size_t colon = text.find(':');
        if (count == IPv6Address::kGroupCount) return -1;
        if (!ParseGroup(text.substr(0, colon), allowWildcards, &groups[count])) return -1;
        ++count;
        if (colon == string_view::npos) return count;
        text.remove_prefix(colon + 1);
    }
}

}  // namespace

int IPv6Address::Parse(const char* text, int allowWildcards) {
    *this = IPv6Address{};
    if (text == nullptr) return 0;
    const string_view whole(text);
    const size_t gap = whole.find("::");
    const bool wildcards = allowWildcards != 0;
    Group head[kGroupCount];
    if (gap == string_view::npos) {
        if (ParseGroups(whole, wildcards, head) != kGroupCount) return 0;
        std::copy(head, head + kGroupCount, groups_);
        return 1;
    }
    if (whole.find("::", gap + 1) != string_view::npos) return 0;  // only one gap is readable
    Group tail[kGroupCount];
    const int headCount = ParseGroups(whole.substr(0, gap), wildcards, head);
    const int tailCount = ParseGroups(whole.substr(gap + 2), wildcards, tail);
    // RFC 4291 2.2: "::" stands for at least one group of zeros.
    if (headCount < 0 || tailCount < 0 || headCount + tailCount >= kGroupCount) return 0;
    std::copy(head, head + headCount, groups_);
    std::copy(tail, tail + tailCount, groups_ + kGroupCount - tailCount);
    return 1;
}

bool IPv6Address::MatchesPattern(const IPv6Address& pattern) const {
    for (int i = 0; i < kGroupCount; ++i) {
        if (pattern[i].wildcard) continue;
        if (pattern[i].value != groups_[i].value) return false;
    }
    return true;
}

int MatchIPv4Pattern(const char* address, const char* pattern) {
    if (address == nullptr || pattern == nullptr) return 0;
    const char* a = address;
    const char* p = pattern;
    while (*a != '\0' && *p != '\0') {
        if (*a == *p) {
            ++a;
            ++p;
        } else if (*p == '*') {
            const char* patternDot = std::strchr(p, '.');
            if (patternDot == nullptr) return 1;  // a final "*" takes the rest of the address
            const char* addressDot = std::strchr(a, '.');
            if (addressDot == nullptr) return 0;
            a = addressDot;
            p = patternDot;
        } else if (*p == '.') {
            a = PastNextDot(a);
            ++p;
        } else if (*a == '.') {
            p = PastNextDot(p);
            ++a;
        } else {
            return 0;
        }
    }
    return *a == '\0' && *p == '\0' ? 1 : 0;
}

int MatchIPv6Pattern(const char* address, const char* pattern) {
    IPv6Address parsedAddress;
    IPv6Address parsedPattern;
    if (!parsedAddress.Parse(address, 0) || !parsedPattern.Parse(pattern, 1)) return 0;
    return parsedAddress.MatchesPattern(parsedPattern) ? 1 : 0;
}
