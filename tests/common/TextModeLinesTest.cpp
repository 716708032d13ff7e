// tests/common/TextModeLinesTest.cpp: lines split in memory are the pieces the text-mode
// line reader gives from the same bytes in a file, whatever the line ends, zero bytes and
// piece boundaries.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/TextModeLines.h"
#include "platform/Files.h"
#include "tests/fixtures/TempTree.h"

namespace {

// Each piece as its reader sees it: up to the first zero byte. (The C runtime of Windows
// leaves the bytes after the terminator as they were, ours may not; nothing reads them.)
template <typename Read>
std::vector<std::string> Pieces(size_t capacity, Read read) {
    std::vector<std::string> pieces;
    std::vector<char> buffer(capacity + 1, '\x7f');
    for (;;) {
        std::fill(buffer.begin(), buffer.end(), '\x7f');
        if (read(buffer.data(), capacity) == nullptr) break;
        pieces.emplace_back(buffer.data());
    }
    return pieces;
}

TEST(TextModeLinesTest, SplitsAsTheTextModeReaderSplitsTheFile) {
    testing_support::TempTree tree;
    std::mt19937 random(11);
    std::string bytes;
    // CR LF and LF lines, lone CRs, a CR LF cut by every capacity, zero bytes, a last
    // line ending in CR.
    while (bytes.size() < 20000) {
        const size_t length = random() % 40;
        for (size_t i = 0; i < length; ++i)
            bytes += static_cast<char>("ab\r\n\r\x00\xe9"[random() % 7]);
        bytes += random() % 2 ? "\r\n" : "\n";
    }
    bytes += "last\r";
    tree.WriteFile("text", bytes);
    // Not capacity 1, room for the terminator alone: an empty line for ever here, none at
    // all from the C runtime of Windows; no caller offers so little room.
    for (size_t capacity : {2, 3, 5, 8, 64, 30000}) {
        platform::File file =
            platform::FileOpen(tree.Join("text").c_str(), platform::FileMode::kReadText);
        TextModeLines lines(bytes.data(), bytes.size());
        const auto fromMemory =
            Pieces(capacity, [&](char* buffer, size_t room) { return lines.Next(buffer, room); });
        const auto fromFile = Pieces(capacity, [&](char* buffer, size_t room) {
            return platform::FileReadLine(file, buffer, room);
        });
        platform::FileClose(file);
        EXPECT_EQ(fromMemory, fromFile) << "capacity " << capacity;
    }
}

}  // namespace
