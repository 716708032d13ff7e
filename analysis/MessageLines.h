// analysis/MessageLines.h: the lines of a message file, read in large blocks and handed
// out one at a time exactly as FileReadLine would hand them out.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/InputFile.h"

class MessageLines {
public:
    explicit MessageLines(platform::InputFile file) : file_(file) {}
    ~MessageLines();  // keeps its block for the next message
    MessageLines(const MessageLines&) = delete;
    MessageLines& operator=(const MessageLines&) = delete;

    // The next line as FileReadLine reads it from a binary file: at most capacity-1 bytes
    // (capacity at least 2), stopping after a line feed, always terminated; a longer line
    // comes in pieces. Null at the end of the file with nothing read.
    char* Next(char* buffer, size_t capacity);

    // Before the first Next: the file's size as FileSize gives it for its path (-1: not a
    // regular file), told by the first block where the file ends in it, which Next then
    // hands out.
    int64_t FileSize();

private:
    void TakeBlock();
    bool Fill();  // false at the end of the file

    platform::InputFile file_;
    char* block_ = nullptr;  // not zeroed: only the bytes read are handed out
    size_t blockSize_ = 0;
    size_t begin_ = 0;  // the bytes not handed out yet: block_[begin_..end_)
    size_t end_ = 0;
    bool filled_ = false;  // a block was read
    bool ended_ = false;
    char fallback_[512];  // the block when there is no memory for a large one
};

// Frees the block kept between messages; for the unload, after the last run.
void ReleaseSpareLineBlock();
