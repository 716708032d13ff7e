// actions/MimeEntity.h: reading the MIME structure of a message held in memory, for the
// actions that add text to it without touching anything else (private to actions/).
//
// Nothing here copies or changes the message: every answer is a position in the text,
// so that a caller can insert at those positions and keep every other byte as it was.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// How deep multiparts are followed; deeper ones are left exactly as they are.
constexpr int kMaxMimeDepth = 32;

// What the header block of one entity (the message or one of its parts) says about it.
struct EntityHeaders {
    std::string mediaType;         // "type/subtype" in lower case; empty without Content-Type
    std::string boundary;          // the boundary parameter, unquoted; empty when absent
    std::string transferEncoding;  // Content-Transfer-Encoding in lower case; empty if absent
    std::string disposition;       // Content-Disposition's first word in lower case
    bool marked = false;           // carries the filter mark header (message level only)
    size_t headerEnd = 0;          // start of the empty line ending the block (or the end)
    size_t bodyStart = 0;          // first byte after that empty line (or the end)
    bool hasEmptyLine = false;     // the block ended with an empty line
};

// Reads the header block that starts at `start`, no further than `end`. Header fields are
// unfolded (RFC 5322 2.2.3), names compared without regard to case, and Content-Type
// parameters taken from wherever they stand, quoted or not (RFC 2045 5.1).
EntityHeaders ReadEntityHeaders(const std::string& text, size_t start, size_t end);

// One body part of a multipart: from just after its delimiter line up to the start of
// the next delimiter line (the line end before that delimiter included, RFC 2046 5.1.1).
struct PartSpan {
    size_t begin;  // first byte of the part's header block
    size_t end;    // first byte of the delimiter line that ends it (or the body's end)
};

// The parts of the multipart body [bodyStart, bodyEnd) with `boundary`. A delimiter line
// is "--" and the boundary alone on its line, optionally followed by "--" (the closing
// one) and white space; a line that only begins with it (a longer boundary) is not one.
// The preamble, the delimiter lines and what follows the closing delimiter are no part.
std::vector<PartSpan> SplitMultipart(const std::string& text, size_t bodyStart, size_t bodyEnd,
                                     const std::string& boundary);
