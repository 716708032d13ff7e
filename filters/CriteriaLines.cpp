// filters/CriteriaLines.cpp: reading the lines of a criteria table whole.
#include "filters/CriteriaLines.h"

#include <cstring>

namespace {

constexpr size_t kPieceCapacity = 4096;

}  // namespace

CriteriaLine ReadCriteriaLine(platform::File file, std::string* line) {
    line->clear();
    char piece[kPieceCapacity];
    bool readAny = false;
    bool tooLong = false;
    while (platform::FileReadLine(file, piece, sizeof piece) != nullptr) {
        readAny = true;
        // A NUL byte ends what strlen sees; the rest of the piece is lost, but the
        // reading still moves on, so the line ends where the file says.
        const size_t length = std::strlen(piece);
        if (!tooLong && line->size() + length > kCriteriaLineLimit) {
            tooLong = true;
            line->clear();
            line->shrink_to_fit();
        }
        if (!tooLong) line->append(piece, length);
        if (length > 0 && piece[length - 1] == '\n') break;
    }
    if (!readAny) return CriteriaLine::kEnd;
    return tooLong ? CriteriaLine::kTooLong : CriteriaLine::kRead;
}
