// common/TextModeLines.h: the lines of a text file already read into memory, handed out
// exactly as FileReadLine hands them out of the file opened in text mode.
//
// A small file (an envelope) is read with one call and split here, rather than through
// a stream that costs a buffer set-up and a read more than the bytes need.
#pragma once

#include <cstddef>

class TextModeLines {
public:
    // The bytes stay the caller's and must outlive the reader.
    TextModeLines(const char* bytes, size_t size) : bytes_(bytes), size_(size) {}

    // At most capacity-1 bytes, stopping after a line feed, always terminated; a CR LF
    // that ends the piece (or is cut between this piece and the next) reads as LF. Null
    // at the end with nothing read.
    char* Next(char* buffer, size_t capacity);

private:
    const char* bytes_;
    size_t size_;
    size_t at_ = 0;
};
