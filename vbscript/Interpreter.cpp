// vbscript/Interpreter.cpp: program loading, scopes and name lookup, procedure calls, class
// members and the run-time budget. Statements and expressions have files of their own.
#include "vbscript/Interpreter.h"

#include "vbscript/ClassInstance.h"
#include "vbscript/ErrObject.h"

namespace vbscript {

// Pushes a call frame for the duration of a scope, whatever way it is left.
struct Interpreter::FrameScope {
    FrameScope(Interpreter* interp, Frame* frame) : interp(interp) {
        interp->frames_.push_back(frame);
    }
    ~FrameScope() { interp->frames_.pop_back(); }
    Interpreter* interp;
};

Value CopyForAssign(Value v) {
    if (v.kind == Kind::Array && v.arr) v.arr = std::make_shared<ArrayData>(*v.arr);
    return v;
}

Interpreter::Interpreter()
    : err_(std::make_shared<ErrObject>()), self_(std::make_shared<Interpreter*>(this)) {
    frames_.push_back(&globalFrame_);
}

Interpreter::~Interpreter() {
    *self_ = nullptr;
    // Objects may refer to each other (and to themselves) through their fields or items;
    // dropping every variable, then every value every object of the run holds, breaks such
    // cycles before the storage goes.
    for (auto& entry : globals_) entry.second.value = Value();
    withObjects_.clear();
    limits_.BreakCycles();
}

Unit& Interpreter::Load(std::unique_ptr<Unit> unit) {
    Register(*unit);
    units_.push_back(std::move(unit));
    return *units_.back();
}

void Interpreter::Register(const Unit& unit) {
    for (const ProcedurePtr& proc : unit.procedures) procedures_[proc->name] = proc;
    for (const ClassPtr& decl : unit.classes) classes_[decl->name] = decl;
    if (unit.optionExplicit) globalFrame_.optionExplicit = true;
}

void Interpreter::Run(const Unit& unit) {
    LimitsScope scope(&limits_);
    limits_.ClearInterrupt();
    globalFrame_.resumeNext = false;
    ExecBlock(unit.statements);
}

ProcedurePtr Interpreter::FindProcedure(const std::string& lowerName) const {
    auto found = procedures_.find(lowerName);
    return found == procedures_.end() ? nullptr : found->second;
}

Variable* Interpreter::FindGlobal(const std::string& lowerName) {
    auto found = globals_.find(lowerName);
    return found == globals_.end() ? nullptr : &found->second;
}

Value Interpreter::CallProcedure(const Procedure& proc, std::vector<Value> args) {
    LimitsScope scope(&limits_);
    limits_.ClearInterrupt();
    return CallReference(proc, args);
}

Value Interpreter::CallReference(const Procedure& proc, std::vector<Value>& args) {
    std::vector<ArgSlot> slots(args.size());
    for (size_t i = 0; i < args.size(); ++i) slots[i].value = std::move(args[i]);
    return Invoke(proc, nullptr, slots);
}

Value Interpreter::GetObjectMember(Object& object, const std::string& name,
                                   std::vector<Value>& args) {
    LimitsScope scope(&limits_);
    limits_.ClearInterrupt();
    return object.Get(*this, name, args);
}

void Interpreter::PutObjectMember(Object& object, const std::string& name, std::vector<Value>& args,
                                  const Value& value, bool isSet) {
    LimitsScope scope(&limits_);
    limits_.ClearInterrupt();
    object.Put(*this, name, args, value, isSet);
}

Variable* Interpreter::Lookup(const std::string& name) {
    Frame& frame = Top();
    for (auto& entry : frame.names)
        if (entry.first == name) return entry.second;
    if (frame.self != nullptr) {
        auto found = frame.self->Fields().find(name);
        if (found != frame.self->Fields().end()) return &found->second;
    }
    return FindGlobal(name);
}

Variable* Interpreter::Declare(const std::string& name) {
    Frame& frame = Top();
    if (!InProcedure()) return &globals_[name];
    for (auto& entry : frame.names)
        if (entry.first == name) return entry.second;
    Variable* var = frame.owned.Add(Variable{});
    if (runtimeDepth_ > 0) {
        frame.names.emplace_back(frame.runtimeNames.emplace_back(name), var);
    } else {
        frame.names.emplace_back(name, var);
    }
    return var;
}

void Interpreter::AssignTo(Variable* var, Value value) {
    if (var->constant) ThrowRuntime(kErrIllegalAssignment);
    var->value = CopyForAssign(std::move(value));
}

Value Interpreter::Invoke(const Procedure& proc, ClassInstance* self, std::vector<ArgSlot>& args) {
    if (args.size() != proc.params.size()) ThrowRuntime(kErrWrongArgs);
    if (frames_.size() + hiddenDepth_ > kMaxCallDepth) ThrowRuntime(kErrStackSpace);
    Frame frame;
    frame.self = self;
    frame.optionExplicit = globalFrame_.optionExplicit;
    frame.names.reserve(args.size() + 1);
    // Array elements passed ByRef, with the parameter holding each, to copy back on return.
    std::vector<std::pair<ArgSlot*, Variable*>> elements;
    for (size_t i = 0; i < args.size(); ++i) {
        const Parameter& param = proc.params[i];
        if (param.byRef && args[i].ref != nullptr) {
            frame.names.emplace_back(param.name, args[i].ref);
        } else {
            Variable* var =
                frame.owned.Add(Variable{CopyForAssign(std::move(args[i].value)), false});
            frame.names.emplace_back(param.name, var);
            if (param.byRef && args[i].array) elements.emplace_back(&args[i], var);
        }
    }
    if (proc.kind == ProcKind::Function || proc.kind == ProcKind::PropertyGet) {
        frame.result = frame.owned.Add(Variable{});
        frame.names.emplace_back(proc.name, frame.result);
    }
    // The elements are written back however the procedure ends, as an error unwinding past
    // it leaves what it did to them done.
    struct CopyBack {
        ~CopyBack() {
            for (auto& [slot, var] : *elements)
                if (slot->element < slot->array->items.size())
                    slot->array->items[slot->element] = std::move(var->value);
        }
        std::vector<std::pair<ArgSlot*, Variable*>>* elements;
    } copyBack{&elements};
    FrameScope scope(this, &frame);
    ExecBlock(proc.body);
    return frame.result != nullptr ? std::move(frame.result->value) : Value();
}

Value Interpreter::CallMember(ClassInstance& self, const std::string& name,
                              std::vector<ArgSlot>& args) {
    const ClassDecl& decl = self.Decl();
    const std::string& member = name.empty() ? decl.defaultMember : name;
    if (member.empty()) ThrowRuntime(kErrNoMember);
    auto method = decl.methods.find(member);
    if (method != decl.methods.end()) return Invoke(*method->second, &self, args);
    auto getter = decl.getters.find(member);
    if (getter != decl.getters.end()) return Invoke(*getter->second, &self, args);
    bool inside = Top().self == &self;
    auto field = self.Fields().find(member);
    if (field != self.Fields().end() && (inside || self.IsPublicField(member))) {
        if (args.empty()) return field->second.value;
        if (field->second.value.kind != Kind::Array) ThrowRuntime(kErrTypeMismatch);
        std::vector<Value> indices;
        for (ArgSlot& slot : args) indices.push_back(slot.value);
        return ElementAt(*field->second.value.arr, indices);
    }
    ThrowRuntime(kErrNoMember);
}

void Interpreter::PutMember(ClassInstance& self, const std::string& name,
                            std::vector<ArgSlot>& args, const Value& value, bool isSet) {
    const ClassDecl& decl = self.Decl();
    const std::string& member = name.empty() ? decl.defaultMember : name;
    const auto& accessors = isSet ? decl.setters : decl.letters;
    auto accessor = accessors.find(member);
    if (accessor != accessors.end()) {
        ArgSlot slot;
        slot.value = value;
        args.push_back(std::move(slot));
        Invoke(*accessor->second, &self, args);
        return;
    }
    bool inside = Top().self == &self;
    auto field = self.Fields().find(member);
    if (field != self.Fields().end() && (inside || self.IsPublicField(member))) {
        if (args.empty()) {
            AssignTo(&field->second, value);
        } else {
            std::vector<Value> indices;
            for (ArgSlot& slot : args) indices.push_back(slot.value);
            AssignElement(field->second.value, indices, value);
        }
        return;
    }
    ThrowRuntime(kErrNoMember);
}

Value Interpreter::Deref(Value v) {
    if (v.kind != Kind::Object) return v;
    if (!v.obj) ThrowRuntime(kErrObjectNotSet);
    Args none;
    Value inner = v.obj->Get(*this, "", none);
    if (inner.kind == Kind::Object) ThrowRuntime(kErrTypeMismatch);
    return inner;
}

}  // namespace vbscript
