// vbscript/BuiltinsObjects.cpp: CreateObject, GetObject and GetRef. Filter scripts run
// sandboxed: only the dictionary and the regular expression object can be created.
#include <cctype>

#include "vbscript/Builtins.h"
#include "vbscript/Interpreter.h"
#include "vbscript/ScriptObjects.h"

namespace vbscript {
namespace {

std::string LowerName(const Value& v) {
    std::string name = ToString(v);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

Value CreateObject(Interpreter&, Args& a) {
    std::string name = LowerName(a[0]);
    if (name == "scripting.dictionary") return Value::ObjectRef(MakeDictionary());
    if (name == "vbscript.regexp") return Value::ObjectRef(MakeRegExp());
    ThrowRuntime(kErrCannotCreate);
}

Value GetObject(Interpreter&, Args&) {
    ThrowRuntime(kErrCannotCreate);
}

// What GetRef returns: calling it (its default member) calls the procedure, so that it can
// stand in a variable or an object's property and be called later, as an event handler is.
class ProcedureReference : public Object {
public:
    explicit ProcedureReference(ProcedurePtr proc) : proc_(std::move(proc)) {}
    std::string TypeName() const override { return "Object"; }
    Value Get(Interpreter& interp, std::string_view name, Args& args) override {
        if (!name.empty()) ThrowRuntime(kErrNoMember);
        return interp.CallReference(*proc_, args);
    }

private:
    ProcedurePtr proc_;  // kept while referenced, even should Execute replace the name
};

Value GetRef(Interpreter& interp, Args& a) {
    std::string name = LowerName(a[0]);
    ProcedurePtr proc = interp.FindProcedure(name);
    if (!proc) ThrowRuntime(kErrInvalidCall);
    return Value::ObjectRef(std::make_shared<ProcedureReference>(std::move(proc)));
}

}  // namespace

void AddObjectBuiltins(BuiltinTable& table) {
    table["createobject"] = {CreateObject, 1, 2};
    table["getobject"] = {GetObject, 0, 2};
    table["getref"] = {GetRef, 1, 1};
}

}  // namespace vbscript
