// vbscript/Object.cpp: the defaults every object inherits: no members, not a collection.
#include "vbscript/Object.h"

#include "vbscript/Errors.h"

namespace vbscript {
namespace {

// What an object costs beyond the values it holds, roughly: enough that a loop making
// objects meets the memory cap.
constexpr size_t kObjectCost = 256;

}  // namespace

Object::Object() : run_(CurrentLimits()) {
    CountRecord(1);
    charge_.Set(kObjectCost);
    if (run_ != nullptr) run_->Adopt(this);
}

Object::~Object() {
    if (run_ != nullptr) run_->Forget(this);
    CountRecord(-1);
}

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
