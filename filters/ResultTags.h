// filters/ResultTags.h: turning the result tags of a finding ("<MF-W>free</MF-W><SZ>12</SZ>")
// into the "[QP_name]" placeholders of notification and header templates.
#pragma once

#include <cstddef>

// For each tag of `resultText`, replaces every "[QP_" name "]" in `text` (a template of
// `capacity` bytes, changed in place) by the tag's value; with `encode` 1 the value is
// first escaped for a mail header (control and 8-bit bytes, "=", "?" and "_" become "=XX").
// "[QP_WORDLIST]" becomes every "MF-W" value and then every "MF-R" value, joined by
// commas. A replacement that would not fit is skipped, leaving its placeholder.
// Returns `text`.
char* ExpandResultTags(const char* resultText, char* text, size_t capacity, int encode);
