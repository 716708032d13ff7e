// analysis/IpPatterns.h: client address patterns of the system whitelist: dotted IPv4
// patterns with "*" octets, and IPv6 patterns with "*" groups.
#pragma once

#include <cstdint>

// An IPv6 address (or pattern) as its eight 16-bit groups.
class IPv6Address {
public:
    static constexpr int kGroupCount = 8;

    struct Group {
        uint16_t value = 0;     // the group's number
        bool wildcard = false;  // written "*" in a pattern: any value
    };

    // Reads "h:h:h:h:h:h:h:h" with up to four hexadecimal digits a group, where one "::"
    // stands for the zero groups that make the count eight; with `allowWildcards` a group
    // may be "*". Returns 1 when the text has that form; 0 otherwise (groups then zero).
    [[nodiscard]] int Parse(const char* text, int allowWildcards);

    const Group& operator[](int index) const { return groups_[index]; }

    // Whether every group that `pattern` does not leave open has this address's value.
    [[nodiscard]] bool MatchesPattern(const IPv6Address& pattern) const;

private:
    Group groups_[kGroupCount];
};

// Compares an IPv4 address with a pattern character by character. At a difference, "*"
// accepts the rest of the address's octet ("1*" accepts any octet starting with 1, and a
// final "*" whatever follows, so "10.*" accepts 10.1.2.3), and a "." on one side only
// skips the rest of the other side's octet. Otherwise the texts must end together.
// Returns 1 on a match, else 0.
[[nodiscard]] int MatchIPv4Pattern(const char* address, const char* pattern);

// Returns 1 when both texts read as IPv6 (the pattern with "*" groups) and the address
// matches the pattern; else 0.
[[nodiscard]] int MatchIPv6Pattern(const char* address, const char* pattern);
