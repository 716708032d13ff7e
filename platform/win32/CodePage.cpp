// platform/win32/CodePage.cpp: the system's own conversions, so that message text and
// script strings cross in the code page the server is set up with (CP_ACP), not in a
// fixed one.
#include "platform/CodePage.h"

#include "platform/win32/SystemCom.h"

namespace platform {

namespace {

constexpr UINT kUtf7 = 65000;
constexpr UINT kUtf8 = 65001;

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* text, int length,
                        OLECHAR* destination, int capacity) {
    if (text == nullptr || capacity < 0) return 0;
    return system::MultiByteToWideChar(codePage, flags, text, length, destination, capacity);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, const OLECHAR* text, int length,
                        char* destination, int capacity, const char* defaultChar,
                        BOOL* usedDefault) {
    if (usedDefault != nullptr) *usedDefault = 0;
    if (text == nullptr || capacity < 0) return 0;
    // The UTF code pages refuse a default character (ERROR_INVALID_PARAMETER): every
    // character has bytes there anyway.
    if (codePage == kUtf7 || codePage == kUtf8) {
        defaultChar = nullptr;
        usedDefault = nullptr;
    }
    return system::WideCharToMultiByte(codePage, flags, text, length, destination, capacity,
                                       defaultChar, usedDefault);
}

}  // namespace platform
