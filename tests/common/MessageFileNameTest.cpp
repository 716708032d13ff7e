// tests/common/MessageFileNameTest.cpp: fresh message file names.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/MessageFileName.h"

namespace {

TEST(NewMessageFileName, IsThirtyTwoUpperCaseHexDigitsAndMaiCutToCapacity) {
    char name[64];
    ASSERT_EQ(NewMessageFileName(name, sizeof name), 1);
    const std::string text(name);
    EXPECT_EQ(text.size(), 36u);
    EXPECT_EQ(text.find_first_not_of("0123456789ABCDEF"), 32u);
    char second[16];
    std::memset(second, '#', sizeof second);
    EXPECT_EQ(NewMessageFileName(second, 10), 1);
    EXPECT_EQ(std::strlen(second), 9u);
    EXPECT_EQ(second[10], '#');
    EXPECT_NE(text.substr(0, 9), second);
}

}  // namespace

TEST(IsPlainFileName, AcceptsOnlyNamesThatStayInTheirDirectory) {
    for (const char* plain : {"0123456789ABCDEF0123456789ABCDEF.MAI", "a.b.c", "x y"})
        EXPECT_EQ(1, IsPlainFileName(plain)) << plain;
    for (const char* bad : {"", "..", "../../x", "a\\b", "C:x", "a\nb", "\x7f"})
        EXPECT_EQ(0, IsPlainFileName(bad)) << bad;
    EXPECT_EQ(0, IsPlainFileName(nullptr));
}
