// vbscript/Object.h: the base of every object a script can hold (Err, RegExp and its
// matches, Dictionary, class instances, WScript). Member names arrive in lower case.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "vbscript/Errors.h"
#include "vbscript/RunLimits.h"
#include "vbscript/Value.h"

namespace vbscript {

class Interpreter;
using Args = std::vector<Value>;

class Object : public std::enable_shared_from_this<Object> {
public:
    // Counted, charged to and registered with the run on this thread, if any.
    Object();
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object();
    virtual std::string TypeName() const = 0;
    // Reads a property or calls a method; an empty name is the default member.
    virtual Value Get(Interpreter& interp, std::string_view name, Args& args);
    // Assigns a property (Let or, with isSet, Set).
    virtual void Put(Interpreter& interp, std::string_view name, Args& args, const Value& value,
                     bool isSet);
    // The elements For Each visits; Object not a collection without an override.
    virtual std::vector<Value> Elements(Interpreter& interp);
    // Lets go of every script value the object holds (the end of its run).
    virtual void DropValues() {}
    // The run that made the object has ended.
    void Disown() { run_ = nullptr; }

private:
    RunLimits* run_;
    MemoryCharge charge_;
};

// Raises 450 unless min <= args.size() <= max.
void CheckArgCount(const Args& args, size_t min, size_t max);

}  // namespace vbscript
