// analysis/ScannerBody.h: the message scanner's handling of body lines: links, MIME part
// headers and uuencoded blocks (for the attachment criteria), and the body text.
#pragma once

#include "analysis/ScannerState.h"

// Handles state.line, a line of the message body.
void ScanBodyLine(ScanState& state);
