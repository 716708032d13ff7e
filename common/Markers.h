// common/Markers.h: reading values out of tagged texts ("<RESULT>...</RESULT>").
#pragma once

#include <cstddef>

// Copies what lies between `startMarker` (case-sensitive; empty: the start of the text)
// and the next `endMarker` into `destination`. Returns the position just past the end
// marker; null when a marker is missing or the value does not fit (a value that does
// not fit is refused whole), with `destination` untouched.
const char* ExtractBetween(const char* text, const char* startMarker, const char* endMarker,
                           char* destination, size_t capacity);

// As ExtractBetween, but the end marker is searched from one character into the value,
// so only values of at least one character are found. A value that does not fit fails
// when `strict` is set, else it is cut to capacity-1 characters.
const char* ExtractBetweenBounded(const char* text, const char* startMarker, const char* endMarker,
                                  char* destination, size_t capacity, int strict);
