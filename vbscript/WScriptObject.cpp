// vbscript/WScriptObject.cpp: the WScript object of the command-line host: Echo prints its
// arguments as the Windows Script Host does (Booleans as -1 and 0).
#include "vbscript/Interpreter.h"
#include "vbscript/ScriptObjects.h"

namespace vbscript {
namespace {

std::string EchoText(Interpreter& interp, const Value& raw) {
    Value v = interp.Deref(raw);
    if (v.kind == Kind::Boolean) return v.i != 0 ? "-1" : "0";
    if (v.kind == Kind::Null) return "Null";
    return ToString(v);
}

class WScript : public Object {
public:
    std::string TypeName() const override { return "Object"; }

    Value Get(Interpreter& interp, std::string_view name, Args& args) override {
        if (name == "echo") {
            std::string line;
            for (size_t i = 0; i < args.size(); ++i) {
                if (i > 0) line += ' ';
                line += EchoText(interp, args[i]);
            }
            interp.Echo()(line + "\n");
            return Value();
        }
        if (name == "scriptname") return Value::String("script");
        ThrowRuntime(kErrNoMember);
    }
};

}  // namespace

std::shared_ptr<Object> MakeWScript() {
    return std::make_shared<WScript>();
}

}  // namespace vbscript
