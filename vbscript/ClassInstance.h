// vbscript/ClassInstance.h: an object of a script-defined Class: its fields, and its
// members reached through the interpreter (so that ByRef arguments keep working).
#pragma once

#include <unordered_map>

#include "vbscript/Interpreter.h"

namespace vbscript {

class ClassInstance : public Object {
public:
    explicit ClassInstance(ClassPtr decl) : decl_(std::move(decl)) {}
    ~ClassInstance() override { DropValues(); }
    void DropValues() override;
    std::string TypeName() const override { return decl_->displayName; }
    Value Get(Interpreter& interp, std::string_view name, Args& args) override;
    void Put(Interpreter& interp, std::string_view name, Args& args, const Value& value,
             bool isSet) override;

    const ClassDecl& Decl() const { return *decl_; }
    std::unordered_map<std::string, Variable>& Fields() { return fields_; }
    bool IsPublicField(const std::string& name) const;

private:
    ClassPtr decl_;
    std::unordered_map<std::string, Variable> fields_;
};

}  // namespace vbscript
