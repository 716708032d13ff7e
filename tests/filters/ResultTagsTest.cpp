// tests/filters/ResultTagsTest.cpp: filling template placeholders from result tags.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "filters/ResultTags.h"

namespace {

TEST(ResultTags, FillPlaceholdersEncodedWhenAskedAndOnlyWhenTheyFit) {
    const std::string longWord(200, 'w');
    const struct {
        std::string resultText;
        const char* text;
        int encode;
        size_t capacity;
        std::string want;
    } cases[] = {
        {"<MF-W>free</MF-W>", "[[QP_MF-W]] [QP_MF-W]", 0, 1024, "[free] free"},
        {"<MF-W>a=</MF-W><MF-W>b</MF-W>", "[QP_MF-W]", 2, 1024, "a="},  // first; only 1 encodes
        {"<MF-W>a=b?c_d\x01\xE9\x7F</MF-W>", "[QP_MF-W]", 1, 1024, "a=3Db=3Fc=5Fd=01=E9=7F"},
        // Word hits, then address hits; other tags left out; each item cut to 127.
        {"<SZ>1</SZ><MF-R>c</MF-R><MF-W>a</MF-W><MF-W>b</MF-W>", "[QP_WORDLIST]!", 0, 1024,
         "a,b,c!"},
        {"<MF-W>" + longWord + "</MF-W><MF-R>r</MF-R>", "[QP_WORDLIST]", 0, 1024,
         std::string(127, 'w') + ",r"},
        // Value and template together must stay below the capacity.
        {"<MF-W>012345678901</MF-W>", "[QP_MF-W]", 0, 20, "[QP_MF-W]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.resultText.substr(0, 40) + " " + c.text);
        char text[1024];
        std::snprintf(text, sizeof text, "%s", c.text);
        EXPECT_EQ(text, ExpandResultTags(c.resultText.c_str(), text, c.capacity, c.encode));
        EXPECT_EQ(c.want, text);
    }
}

}  // namespace
