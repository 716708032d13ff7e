// vbscript/BuiltinsObjects.cpp: CreateObject and GetObject. Filter scripts run sandboxed:
// only the dictionary and the regular expression object can be created.
#include <cctype>

#include "vbscript/Builtins.h"
#include "vbscript/ScriptObjects.h"

namespace vbscript {
namespace {

Value CreateObject(Interpreter&, Args& a) {
    std::string name = ToString(a[0]);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name == "scripting.dictionary") return Value::ObjectRef(MakeDictionary());
    if (name == "vbscript.regexp") return Value::ObjectRef(MakeRegExp());
    ThrowRuntime(kErrCannotCreate);
}

Value GetObject(Interpreter&, Args&) {
    ThrowRuntime(kErrCannotCreate);
}

}  // namespace

void AddObjectBuiltins(BuiltinTable& table) {
    table["createobject"] = {CreateObject, 1, 2};
    table["getobject"] = {GetObject, 0, 2};
}

}  // namespace vbscript
