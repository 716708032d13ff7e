// vbscript/Object.cpp: the defaults every object inherits: no members, not a collection.
#include "vbscript/Object.h"

#include "vbscript/Errors.h"

namespace vbscript {

Value Object::Get(Interpreter& /*interp*/, std::string_view /*name*/, Args& /*args*/) {
    ThrowRuntime(kErrNoMember);
}

void Object::Put(Interpreter& /*interp*/, std::string_view /*name*/, Args& /*args*/,
                 const Value& /*value*/, bool /*isSet*/) {
    ThrowRuntime(kErrNoMember);
}

std::vector<Value> Object::Elements(Interpreter& /*interp*/) {
    ThrowRuntime(kErrNotCollection);
}

void CheckArgCount(const Args& args, size_t min, size_t max) {
    if (args.size() < min || args.size() > max) ThrowRuntime(kErrWrongArgs);
}

}  // namespace vbscript
