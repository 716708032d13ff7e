// tests/common/MessageFileNameTest.cpp: fresh message file names.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/MessageFileName.h"

namespace {

TEST(NewMessageFileName, IsThirtyTwoUpperCaseHexDigitsAndMai) {
    char name[64];
    ASSERT_EQ(NewMessageFileName(name, sizeof name), 1);
    const std::string text(name);
    ASSERT_EQ(text.size(), 36u);
    EXPECT_EQ(text.substr(32), ".MAI");
    EXPECT_EQ(text.find_first_not_of("0123456789ABCDEF"), 32u);
    char second[40];
    ASSERT_EQ(NewMessageFileName(second, sizeof second), 1);
    EXPECT_STRNE(name, second);
}

TEST(NewMessageFileName, IsCutToCapacity) {
    char name[16];
    std::memset(name, '#', sizeof name);
    EXPECT_EQ(NewMessageFileName(name, 10), 1);
    EXPECT_EQ(std::strlen(name), 9u);
    EXPECT_EQ(name[10], '#');
}

}  // namespace

TEST(IsPlainFileName, AcceptsOnlyNamesThatStayInTheirDirectory) {
    for (const char* plain : {"0123456789ABCDEF0123456789ABCDEF.MAI", "a", "a.b.c", "x y"})
        EXPECT_EQ(1, IsPlainFileName(plain)) << plain;
    for (const char* bad :
         {"", "..", "../../x", "..\\x", "a/b", "a\\b", "C:x", "a..b", "a\nb", "\x7f"})
        EXPECT_EQ(0, IsPlainFileName(bad)) << bad;
    EXPECT_EQ(0, IsPlainFileName(nullptr));
}
