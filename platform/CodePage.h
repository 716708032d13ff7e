// platform/CodePage.h: conversions between 8-bit text in a code page and OLECHAR text,
// named and shaped as the Windows MultiByteToWideChar and WideCharToMultiByte.
//
// On Windows these are the system's own calls, in the code page asked for (CP_ACP: the
// one the server is set up with). The other systems have no such setting, and their ANSI
// code page is ISO-8859-1: every byte is one character and back, so any message text,
// whatever its real charset, crosses into a script and out again unchanged.
#pragma once

#include <string>

#include "platform/Com.h"

namespace platform {

constexpr UINT CP_ACP = 0;         // the system ANSI code page
constexpr UINT CP_THREAD_ACP = 3;  // the calling thread's ANSI code page (the same here)

// Converts `length` bytes of `text` (-1: up to and including its terminator). With
// `capacity` 0 returns the characters needed; otherwise writes at most `capacity` and
// returns the number written, or 0 when they do not fit (ERROR_INSUFFICIENT_BUFFER).
// `flags` goes to the system's call on Windows and is ignored elsewhere.
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* text, int length,
                        OLECHAR* destination, int capacity);

// The reverse; a character the code page lacks becomes `defaultChar` (or '?'), and
// `usedDefault`, when given, says whether that happened.
int WideCharToMultiByte(UINT codePage, DWORD flags, const OLECHAR* text, int length,
                        char* destination, int capacity, const char* defaultChar,
                        BOOL* usedDefault);

// The two conversions as whole strings; null converts to an empty string.
std::wstring ToOleString(UINT codePage, const char* text);
std::string FromOleString(UINT codePage, const OLECHAR* text);

}  // namespace platform
