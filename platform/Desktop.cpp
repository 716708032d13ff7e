// platform/Desktop.cpp: the desktop window token.
#include "platform/Desktop.h"

namespace platform {

HWND GetDesktopWindow() {
    static char desktop;
    return &desktop;
}

}  // namespace platform
