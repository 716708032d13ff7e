// vbscript/ClassInstance.cpp: calls from built-in code (For Each, default values) into an
// object of a script class go through the interpreter like script calls do.
#include "vbscript/ClassInstance.h"

namespace vbscript {
namespace {

std::vector<ArgSlot> ToSlots(Args& args) {
    std::vector<ArgSlot> slots(args.size());
    for (size_t i = 0; i < args.size(); ++i) slots[i].value = args[i];
    return slots;
}

}  // namespace

void ClassInstance::DropValues() {
    ReleaseBatch batch;
    for (auto& field : fields_) batch.Add(field.second.value);
}

bool ClassInstance::IsPublicField(const std::string& name) const {
    for (const StmtPtr& field : decl_->fields) {
        for (const Declaration& decl : field->declarations)
            if (decl.name == name) return field->isPublic;
    }
    return false;
}

Value ClassInstance::Get(Interpreter& interp, std::string_view name, Args& args) {
    std::vector<ArgSlot> slots = ToSlots(args);
    return interp.CallMember(*this, std::string(name), slots);
}

void ClassInstance::Put(Interpreter& interp, std::string_view name, Args& args, const Value& value,
                        bool isSet) {
    std::vector<ArgSlot> slots = ToSlots(args);
    interp.PutMember(*this, std::string(name), slots, value, isSet);
}

}  // namespace vbscript
