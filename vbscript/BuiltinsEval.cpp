// vbscript/BuiltinsEval.cpp: Eval, Execute and ExecuteGlobal, the functions that run text
// the script builds while it runs.
#include "vbscript/Builtins.h"
#include "vbscript/Interpreter.h"

namespace vbscript {
namespace {

std::string TextArg(const Value& v) {
    if (v.IsNull()) ThrowRuntime(kErrTypeMismatch);
    return ToString(v);
}

Value EvalFn(Interpreter& interp, Args& a) {
    return interp.EvalText(TextArg(a[0]));
}

Value ExecuteFn(Interpreter& interp, Args& a) {
    interp.ExecuteText(TextArg(a[0]), false);
    return Value();
}

Value ExecuteGlobalFn(Interpreter& interp, Args& a) {
    interp.ExecuteText(TextArg(a[0]), true);
    return Value();
}

}  // namespace

void AddRuntimeTextBuiltins(BuiltinTable& table) {
    table["eval"] = {EvalFn, 1, 1};
    table["execute"] = {ExecuteFn, 1, 1};
    table["executeglobal"] = {ExecuteGlobalFn, 1, 1};
}

}  // namespace vbscript
