// tests/analysis/MessageLinesTest.cpp: the scanner's block reader hands out the very lines
// the line reader it replaced gives, whatever the lengths, bytes and block boundaries.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "analysis/MessageLines.h"
#include "platform/Files.h"
#include "platform/InputFile.h"
#include "tests/fixtures/TempTree.h"

namespace {

// Every piece read, up to its terminator (a piece may hold a zero byte, after which the
// scanner sees nothing, but both readers must still copy the same bytes).
std::vector<std::string> Pieces(const std::string& path, size_t capacity, bool blocks) {
    std::vector<std::string> pieces;
    platform::File file = platform::FileOpen(path.c_str(), platform::FileMode::kReadBinary);
    platform::InputFile input = platform::InputFileOpen(path.c_str());
    MessageLines lines(input);
    std::vector<char> buffer(capacity + 1, '\x7f');
    for (;;) {
        std::fill(buffer.begin(), buffer.end(), '\x7f');
        const char* got = blocks ? lines.Next(buffer.data(), capacity)
                                 : platform::FileReadLine(file, buffer.data(), capacity);
        if (got == nullptr) break;
        // The terminator is the last byte written (the bytes of the file hold no 0x7f).
        size_t length = capacity;
        while (buffer[length] == '\x7f') --length;
        pieces.emplace_back(buffer.data(), length);
    }
    platform::FileClose(file);
    platform::InputFileClose(input);
    return pieces;
}

TEST(MessageLinesTest, HandsOutTheLinesTheLineReaderGives) {
    testing_support::TempTree tree;
    std::mt19937 random(7);
    std::string bytes;
    // Short CR LF lines, zero bytes, 8-bit bytes, lines longer than the buffer, one line
    // longer than two blocks, and a last line without a line end.
    while (bytes.size() < 200000) {
        const size_t length = random() % 9 == 0 ? random() % 5000 : random() % 90;
        for (size_t i = 0; i < length; ++i)
            bytes += static_cast<char>("ab \r\x00\xe9z"[random() % 7]);
        bytes += "\r\n";
    }
    bytes += std::string(140000, 'x') + "\nlast";
    tree.WriteFile("message", bytes);
    tree.WriteFile("empty", "");
    for (const char* name : {"message", "empty"})
        for (size_t capacity : {2, 3, 2048}) {
            const std::string path = tree.Join(name);
            EXPECT_EQ(Pieces(path, capacity, true), Pieces(path, capacity, false))
                << name << ", capacity " << capacity;
        }
}

}  // namespace
