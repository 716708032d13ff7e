// common/DelimitedField.h: cutting fields out of delimited configuration lines.
#pragma once

#include <cstddef>

// Copies field number `field` (1-based; 1 or below is the first) of `source` into
// `destination`. Fields are separated by the text `delimiter` (found without regard to
// case); with `escape` nonzero a delimiter right after that character does not count.
// A field number past the last field yields the last field. Returns 1 with the field
// in `destination`; 0 when the field does not fit (destination emptied) or when a
// field above 1 is asked of a text without delimiter (destination untouched).
[[nodiscard]] int GetDelimitedField(const char* source, const char* delimiter, int field,
                                    char* destination, size_t capacity, char escape);

template <size_t N>
[[nodiscard]] int GetDelimitedField(const char* source, const char* delimiter, int field,
                                    char (&destination)[N], char escape = 0) {
    return GetDelimitedField(source, delimiter, field, destination, N, escape);
}

// The number of fields of `text`: 0 when empty, else 1 plus the delimiters found by a
// case-sensitive search that starts at the second character and resumes one character
// after each hit. Never more than kMaxDelimitedFields.
int CountDelimitedFields(const char* text, const char* delimiter);

constexpr int kMaxDelimitedFields = 1000;
