// platform/Desktop.h: the desktop window, which Windows hosts name as the owner of
// script engines and message boxes. There is no window system here: the handle is a
// fixed token that only identifies "the desktop" to whoever is handed it.
#pragma once

#include "platform/Com.h"

namespace platform {

HWND GetDesktopWindow();

}  // namespace platform
