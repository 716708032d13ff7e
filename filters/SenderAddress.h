// filters/SenderAddress.h: the bare address of an envelope sender ("[SMTP:a@b]" -> "a@b"),
// as "[QP_SENDER]" conditions and script placeholders use it.
#pragma once

#include <cstddef>

// Room for the bare address, terminator included.
constexpr size_t kSenderAddressCapacity = 512;

// When `sender` contains a colon, copies the text after the first colon without its last
// character (the closing bracket of "[TYPE:address]"), else the whole text. Nothing after
// the colon gives an empty address. A result that does not fit `capacity` is refused
// whole, leaving `destination` empty: a cut address could match someone else's.
// Returns 1 when the sender contained a colon, else 0.
int ExtractSenderAddress(const char* sender, char* destination, size_t capacity);

template <size_t N>
int ExtractSenderAddress(const char* sender, char (&destination)[N]) {
    return ExtractSenderAddress(sender, destination, N);
}
