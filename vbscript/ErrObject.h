// vbscript/ErrObject.h: the Err object: the last run-time error seen under On Error Resume
// Next, and Err.Raise.
#pragma once

#include "vbscript/Errors.h"
#include "vbscript/Object.h"

namespace vbscript {

class ErrObject : public Object {
public:
    std::string TypeName() const override { return "ErrObject"; }
    Value Get(Interpreter& interp, std::string_view name, Args& args) override;
    void Put(Interpreter& interp, std::string_view name, Args& args, const Value& value,
             bool isSet) override;

    void Set(const ScriptError& error);
    void Clear();
    int Number() const { return number_; }

private:
    int number_ = 0;
    std::string description_;
    std::string source_;
};

}  // namespace vbscript
