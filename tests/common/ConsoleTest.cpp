// tests/common/ConsoleTest.cpp: console lines are the bytes printf would write, whichever
// way they are formatted, and none while the thread is quiet.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "common/Console.h"

namespace {

TEST(ConsoleTest, LinesAreWhatPrintfWritesAndQuietDropsThem) {
    const std::string longWord(5000, 'w');
    char printed[128];
    std::snprintf(printed, sizeof printed, "%d %ld %u %lu|", INT_MIN, LONG_MAX, 0u, ULONG_MAX);
    ::testing::internal::CaptureStdout();
    ConsoleLine("Message Criteria (Tag=%s) met against [%s] in specified word file.\n", "MF-W",
                "free");
    ConsoleLine("%s%s|%s", "", "a", "b\n");
    ConsoleLine("plain\n");
    ConsoleLine("100%% of %d at %s\n", 7, "x");
    ConsoleLine("%d %ld %u %lu|", INT_MIN, LONG_MAX, 0u, ULONG_MAX);
    ConsoleLine("%5d %ls|", 7, L"wide");      // left to the formatter
    ConsoleLine("[%s]\n", longWord.c_str());  // longer than a line is built in
    {
        const ConsoleQuiet quiet(true);
        ConsoleLine("dropped %s\n", "line");
    }
    ConsoleLine("%s", "end");
    ConsoleFlush();
    EXPECT_EQ(
        "Message Criteria (Tag=MF-W) met against [free] in specified word file.\n"
        "a|b\nplain\n100% of 7 at x\n" +
            std::string(printed) + "    7 wide|[" + longWord + "]\nend",
        ::testing::internal::GetCapturedStdout());
}

}  // namespace
