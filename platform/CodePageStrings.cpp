// platform/CodePageStrings.cpp: whole-string conversions on top of the code page calls of
// this system.
#include "platform/CodePage.h"

namespace platform {

std::wstring ToOleString(UINT codePage, const char* text) {
    if (text == nullptr) return std::wstring();
    const int units = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    if (units <= 0) return std::wstring();  // not text in that code page
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(codePage, 0, text, -1, wide.data(), units);
    wide.pop_back();  // the string keeps its own terminator
    return wide;
}

std::string FromOleString(UINT codePage, const OLECHAR* text) {
    if (text == nullptr) return std::string();
    const int units = WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (units <= 0) return std::string();
    std::string narrow(static_cast<size_t>(units), '\0');
    WideCharToMultiByte(codePage, 0, text, -1, narrow.data(), units, nullptr, nullptr);
    narrow.pop_back();
    return narrow;
}

}  // namespace platform
