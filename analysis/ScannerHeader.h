// analysis/ScannerHeader.h: the message scanner's handling of the message header: loop
// marks, the MIME boundary, the address headers with their folded continuations, and
// the other header lines.
#pragma once

#include <cstddef>

#include "analysis/ScannerState.h"

// Handles state.line, a line of the message header. May read ahead (while unfolding a
// From, To or Cc header), end the scan on a loop mark of this filter level (verdict 0),
// and switches to the body at the first empty line.
void ScanHeaderLine(ScanState& state);

// The value of the "boundary=" parameter in `line` (RFC 2046 5.1.1), found without
// regard to case, after any white space. A quoted value ends at the closing quote, an
// unquoted one at ";" or the line end; either is cut to capacity-1 characters. Returns
// 1 with the value; 0 with `destination` empty when the line has no such parameter or
// nothing follows it.
int ExtractBoundary(const char* line, char* destination, size_t capacity);
