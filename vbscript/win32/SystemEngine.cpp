// vbscript/win32/SystemEngine.cpp: the Windows build's VBScript engine is the system's
// own, which COM finds from its program identifier: there is nothing of ours to register.
// The rest of vbscript/ is not built for Windows (see cmake/Windows.cmake).
#include "vbscript/ScriptEngine.h"

namespace vbscript {

void RegisterVBScriptEngine() {}

}  // namespace vbscript
