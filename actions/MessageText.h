// actions/MessageText.h: finding a queued message and walking the lines of its text, for
// the actions that rewrite or quote messages.
#pragma once

#include <cstddef>
#include <string>

#include "base/MessageRecord.h"

// The position just past the line that starts at `start` (after its line feed, or the
// end of the text for a last line without one).
size_t NextLineStart(const std::string& text, size_t start);

// 1 when the line starting at `start` is the empty line that ends a header block: a line
// feed, a carriage return and a line feed, or a carriage return that ends the text.
int IsEmptyLine(const std::string& text, size_t start);

// `text` with every line end (CR LF, a bare LF or a lone CR) written as CR LF, the only
// line end RFC 5322 allows in a message. Text brought in from files written on other
// systems (annotations, the headers of a message with bare line feeds) passes through
// it before it goes into a message.
std::string WithCrLf(const std::string& text);

// Turns every carriage return and line feed in `text` into a space: a value that goes
// into one header or template line must not end that line or start another.
void FlattenLineBreaks(char* text);
void FlattenLineBreaks(std::string* text);

// The message file of the record in its connector's Inbound (`inboundQueue`) or Outgoing
// queue, below the current connector root. 1, or 0 when the path does not fit.
int QueuedMessagePath(const MessageRecord& record, bool inboundQueue, char* destination,
                      size_t capacity);
