// vbscript/WideText.h: script strings as the 16-bit characters the platform engine counts.
// Strings are UTF-8 inside the engine; the functions that count, cut, search or fold
// characters see them as UTF-16 units, so that Len("Ä") is 1 and a character beyond the
// Basic Multilingual Plane counts two, as it does on the platform.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Com.h"

namespace vbscript {

// True when every byte is below 0x80: units and bytes are then the same.
bool IsAsciiText(std::string_view text);

// UTF-8 to UTF-16 units; a four-byte sequence becomes a surrogate pair. Text comes into
// the engine well formed (FromWide, FromAnsiText); a byte that starts no valid sequence,
// which only raw bytes handed to the parser can hold, is the Latin-1 character of that byte.
std::u16string ToUnits(std::string_view text);
// The reverse: a surrogate pair becomes one four-byte sequence, a lone surrogate three bytes.
std::string FromUnits(std::u16string_view units);
size_t UnitCount(std::string_view text);
// -1, 0 or 1 as the texts order by their 16-bit units, as the platform compares strings
// (UTF-8 bytes order a character beyond the Basic Multilingual Plane differently).
int CompareUnits(std::string_view left, std::string_view right);
// Appends the UTF-8 bytes of a code point (a surrogate half as three bytes).
void AppendUtf8(std::string& out, uint32_t c);
// Where a text ending in a high surrogate half meets one starting with a low half (at byte
// `seam`), makes the two halves the one character they form, in its four-byte form, so that
// joined text holds the bytes FromUnits gives for the same units.
void JoinSurrogateHalves(std::string& text, size_t seam);

// OLECHAR text (16-bit units, as on the platform; a wider character, which only this
// platform's 32-bit OLECHAR can hold, as its surrogate pair) to the engine's text and back.
std::string FromWide(const platform::OLECHAR* text, size_t length);
std::wstring ToWide(std::string_view text);

// Bytes in the ANSI code page to the engine's text and back, as the platform converts a
// script file and its output: each byte is the code page's character, whatever charset the
// bytes were written in, so a UTF-8 file reads as it does there; a character the code page
// lacks comes out as '?'.
std::string FromAnsiText(std::string_view bytes);
std::string ToAnsiText(std::string_view text);

// The other case of a letter (Latin-1, Latin Extended-A, Greek, Cyrillic, fullwidth Latin);
// other characters are returned unchanged. Always one unit for one, so positions found in
// folded text hold in the original.
char16_t LowerUnit(char16_t c);
char16_t UpperUnit(char16_t c);
std::u16string LowerUnits(std::u16string text);
std::u16string UpperUnits(std::u16string text);

// The character the ANSI code page gives a byte, and the byte a character has in it
// ('?' for one the code page lacks).
char16_t UnitFromAnsi(unsigned char byte);
unsigned char AnsiFromUnit(char16_t unit);

}  // namespace vbscript
