// vbscript/ErrObject.cpp: the members of the Err object.
#include "vbscript/ErrObject.h"

#include "vbscript/Builtins.h"

namespace vbscript {

void ErrObject::Set(const ScriptError& error) {
    number_ = error.number;
    description_ = error.description;
    source_ = error.source;
}

void ErrObject::Clear() {
    number_ = 0;
    description_.clear();
    source_.clear();
}

Value ErrObject::Get(Interpreter& /*interp*/, std::string_view name, Args& args) {
    if (name.empty() || name == "number") {
        CheckArgCount(args, 0, 0);
        return Value::Long(number_);
    }
    if (name == "description") return Value::String(description_);
    if (name == "source") return Value::String(source_);
    if (name == "helpfile") return Value::String("");
    if (name == "helpcontext") return Value::Long(0);
    if (name == "clear") {
        CheckArgCount(args, 0, 0);
        Clear();
        return Value();
    }
    if (name == "raise") {
        CheckArgCount(args, 1, 5);
        ScriptError error;
        error.number = ToLong(args[0]);
        error.source = HasArg(args, 1) ? ToString(args[1]) : kRuntimeSource;
        error.description = HasArg(args, 2) ? ToString(args[2]) : ErrorText(error.number);
        error.line = -1;
        throw error;
    }
    ThrowRuntime(kErrNoMember);
}

void ErrObject::Put(Interpreter& /*interp*/, std::string_view name, Args& /*args*/,
                    const Value& value, bool /*isSet*/) {
    if (name.empty() || name == "number") {
        number_ = ToLong(value);
    } else if (name == "description") {
        description_ = ToString(value);
    } else if (name == "source") {
        source_ = ToString(value);
    } else {
        ThrowRuntime(kErrNoMember);
    }
}

}  // namespace vbscript
