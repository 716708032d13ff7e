// vbscript/BuiltinsInfo.cpp: the functions about the engine, its host and its locale
// (ScriptEngine and its version numbers, MsgBox, InputBox, GetLocale, SetLocale) and RGB.
#include <cctype>

#include "vbscript/Builtins.h"
#include "vbscript/Interpreter.h"

namespace vbscript {
namespace {

// Scripts run with the en-US conventions only (dates, numbers, currency), so that is the
// one locale there is.
constexpr int kEnglishUs = 1033;

Value ScriptEngine(Interpreter&, Args&) {
    return Value::String("VBScript");
}
Value MajorVersion(Interpreter&, Args&) {
    return Value::Long(5);
}
Value MinorVersion(Interpreter&, Args&) {
    return Value::Long(8);
}
Value BuildVersion(Interpreter&, Args&) {
    return Value::Long(16384);
}

// Scripts run inside the mail server, a service with no desktop and nobody to answer: a
// dialog would hold the delivery thread until the time limit stopped the script. So the
// engine does what the platform engine does in a host that gives it no window: the call
// fails with "Permission denied" (70), which On Error Resume Next can catch and go on.
Value MsgBox(Interpreter&, Args&) {
    ThrowRuntime(kErrPermissionDenied, "Permission denied: 'MsgBox'");
}
Value InputBox(Interpreter&, Args&) {
    ThrowRuntime(kErrPermissionDenied, "Permission denied: 'InputBox'");
}

Value GetLocale(Interpreter&, Args&) {
    return Value::Long(kEnglishUs);
}

// Asking for another locale fails with error 5 rather than carrying on with en-US formats
// the script did not ask for.
Value SetLocale(Interpreter&, Args& a) {
    if (a.empty() || a[0].IsEmpty()) return Value::Long(kEnglishUs);
    if (a[0].kind == Kind::String) {
        std::string name = a[0].s;
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (name != "en-us" && name != "") ThrowRuntime(kErrInvalidCall);
    } else if (int32_t lcid = ToLong(a[0]); lcid != 0 && lcid != kEnglishUs) {
        ThrowRuntime(kErrInvalidCall);
    }
    return Value::Long(kEnglishUs);
}

// A component above 255 counts as 255.
Value Rgb(Interpreter&, Args& a) {
    int64_t color = 0;
    for (size_t i = 0; i < 3; ++i) {
        int32_t part = ToLong(a[i]);
        if (part < 0) ThrowRuntime(kErrInvalidCall);
        color |= static_cast<int64_t>(part > 255 ? 255 : part) << (8 * i);
    }
    return Value::Long(color);
}

}  // namespace

void AddInfoBuiltins(BuiltinTable& table) {
    table["scriptengine"] = {ScriptEngine, 0, 0};
    table["scriptenginemajorversion"] = {MajorVersion, 0, 0};
    table["scriptengineminorversion"] = {MinorVersion, 0, 0};
    table["scriptenginebuildversion"] = {BuildVersion, 0, 0};
    table["msgbox"] = {MsgBox, 1, 5};
    table["inputbox"] = {InputBox, 1, 7};
    table["getlocale"] = {GetLocale, 0, 0};
    table["setlocale"] = {SetLocale, 0, 1};
    table["rgb"] = {Rgb, 3, 3};
}

}  // namespace vbscript
