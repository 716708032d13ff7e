// tests/filters/ResultTagsTest.cpp: filling template placeholders from result tags.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "filters/ResultTags.h"

namespace {

struct Case {
    const char* name;
    const char* resultText;
    const char* text;
    int encode;
    const char* want;
};

void RunCases(const Case* begin, const Case* end, size_t capacity = 1024) {
    for (const Case* c = begin; c != end; ++c) {
        SCOPED_TRACE(c->name);
        char text[1024];
        ASSERT_LT(std::string(c->text).size(), sizeof text);
        std::snprintf(text, sizeof text, "%s", c->text);
        EXPECT_EQ(text, ExpandResultTags(c->resultText, text, capacity, c->encode));
        EXPECT_STREQ(c->want, text);
    }
}

template <size_t N>
void RunCases(const Case (&cases)[N], size_t capacity = 1024) {
    RunCases(cases, cases + N, capacity);
}

TEST(ResultTags, EveryTagFillsItsPlaceholder) {
    const Case kCases[] = {
        {"one tag, every occurrence", "<MF-W>free</MF-W>", "[[QP_MF-W]] [QP_MF-W]", 0,
         "[free] free"},
        {"a repeated tag gives its first value", "<MF-W>a</MF-W><MF-W>b</MF-W>", "[QP_MF-W]", 0,
         "a"},
        {"placeholder is case-sensitive", "<MF-W>free</MF-W>", "[qp_MF-W]", 0, "[qp_MF-W]"},
        {"empty value", "<MF-W></MF-W>", "x[QP_MF-W]y", 0, "xy"},
    };
    RunCases(kCases);
}

TEST(ResultTags, EncodingEscapesHeaderUnsafeBytes) {
    const Case kCases[] = {
        {"specials and controls", "<MF-W>a=b?c_d\x01</MF-W>", "[QP_MF-W]", 1, "a=3Db=3Fc=5Fd=01"},
        {"8-bit and DEL", "<MF-W>\xE9\x7F</MF-W>", "[QP_MF-W]", 1, "=E9=7F"},
        {"only flag 1 encodes", "<MF-W>a=b</MF-W>", "[QP_MF-W]", 2, "a=b"},
    };
    RunCases(kCases);
}

TEST(ResultTags, WordListJoinsWordHitsThenAddressHits) {
    const Case kCases[] = {
        {"word hits first", "<MF-R>c</MF-R><MF-W>a</MF-W><MF-W>b</MF-W>", "[QP_WORDLIST]", 0,
         "a,b,c"},
        {"other tags left out", "<SZ>1</SZ><MF-W>a</MF-W>", "[QP_WORDLIST]!", 0, "a!"},
    };
    RunCases(kCases);
}

TEST(ResultTags, WordListItemsAreCutTo127Characters) {
    const std::string word(200, 'w');
    const std::string result = "<MF-W>" + word + "</MF-W><MF-R>r</MF-R>";
    char text[1024] = "[QP_WORDLIST]";
    ExpandResultTags(result.c_str(), text, sizeof text, 0);
    EXPECT_EQ(std::string(127, 'w') + ",r", text);
}

TEST(ResultTags, ReplacementThatDoesNotFitKeepsThePlaceholder) {
    const Case kCases[] = {
        // Value and template together must stay below the capacity.
        {"too long", "<MF-W>012345678901</MF-W>", "[QP_MF-W]", 0, "[QP_MF-W]"},
        {"fits", "<MF-W>012345</MF-W>", "[QP_MF-W]", 0, "012345"},
    };
    RunCases(kCases, 20);
}

}  // namespace
