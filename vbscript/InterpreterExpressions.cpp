// vbscript/InterpreterExpressions.cpp: evaluation of expressions: names (variables, calls,
// built-ins), members of objects, New, and the operators.
#include "vbscript/Builtins.h"
#include "vbscript/ClassInstance.h"
#include "vbscript/ErrObject.h"
#include "vbscript/Interpreter.h"
#include "vbscript/Operators.h"
#include "vbscript/ScriptObjects.h"

namespace vbscript {

Value Interpreter::Eval(const Expr& expr) {
    switch (expr.kind) {
        case ExprKind::Literal:
            return expr.literal;
        case ExprKind::Paren:
            return Eval(*expr.left);
        case ExprKind::Name:
            return EvalName(expr);
        case ExprKind::Member:
            return EvalMember(expr);
        case ExprKind::Call:
            return Index(Eval(*expr.left), expr.args);
        case ExprKind::Unary: {
            Value operand = Deref(Eval(*expr.left));
            return expr.negate ? Negate(operand) : LogicalNot(operand);
        }
        case ExprKind::Binary:
            return EvalBinary(expr);
        case ExprKind::New:
            return EvalNew(expr);
        case ExprKind::Me:
            if (Top().self == nullptr) ThrowRuntime(kErrObjectRequired);
            return Value::ObjectRef(Top().self->shared_from_this());
    }
    ThrowRuntime(kErrSyntax);
}

Value Interpreter::EvalBinary(const Expr& expr) {
    if (expr.op == BinOp::Is) {
        Value left = Eval(*expr.left), right = Eval(*expr.right);
        if (left.kind != Kind::Object || right.kind != Kind::Object)
            ThrowRuntime(kErrObjectRequired);
        return Value::Bool(left.obj == right.obj);
    }
    Value left = Deref(Eval(*expr.left));
    Value right = Deref(Eval(*expr.right));
    if (IsComparison(expr.op)) {
        return Compare(expr.op, left, right, expr.left->kind == ExprKind::Literal,
                       expr.right->kind == ExprKind::Literal);
    }
    return Arithmetic(expr.op, left, right);
}

std::vector<Value> Interpreter::EvalArgs(const std::vector<ExprPtr>& argExprs) {
    std::vector<Value> values;
    values.reserve(argExprs.size());
    for (const ExprPtr& arg : argExprs) values.push_back(arg ? Eval(*arg) : Value());
    return values;
}

// Bare variable names and elements of array variables go ByRef; everything else (a
// parenthesised name included) is a value.
std::vector<ArgSlot> Interpreter::BindArgs(const std::vector<ExprPtr>& argExprs) {
    std::vector<ArgSlot> slots(argExprs.size());
    for (size_t i = 0; i < argExprs.size(); ++i) {
        const Expr* arg = argExprs[i].get();
        if (arg == nullptr) ThrowRuntime(kErrWrongArgs);
        if (arg->kind == ExprKind::Name) {
            Variable* var = Lookup(arg->name);
            if (var != nullptr && !var->constant && var != Top().result) {
                if (!arg->hasArgs) {
                    slots[i].ref = var;
                    slots[i].value = var->value;
                    continue;
                }
                if (var->value.kind == Kind::Array) {
                    BindElement(var->value, arg->args, &slots[i]);
                    continue;
                }
            }
        }
        slots[i].value = Eval(*arg);
    }
    return slots;
}

void Interpreter::BindElement(const Value& array, const std::vector<ExprPtr>& argExprs,
                              ArgSlot* slot) {
    std::vector<Value> indices = EvalArgs(argExprs);
    for (Value& index : indices) index = Deref(std::move(index));
    Value& element = ElementAt(*array.arr, indices);
    slot->value = element;
    slot->array = array.arr;
    slot->element = static_cast<size_t>(&element - array.arr->items.data());
}

Value Interpreter::Index(const Value& target, const std::vector<ExprPtr>& argExprs) {
    if (target.kind == Kind::Array) {
        std::vector<Value> indices = EvalArgs(argExprs);
        for (Value& index : indices) index = Deref(std::move(index));
        return ElementAt(*target.arr, indices);
    }
    if (target.kind == Kind::Object) {
        if (!target.obj) ThrowRuntime(kErrObjectNotSet);
        Args args = EvalArgs(argExprs);
        return target.obj->Get(*this, "", args);
    }
    if (argExprs.empty()) return target;
    ThrowRuntime(kErrTypeMismatch);
}

Value Interpreter::EvalName(const Expr& expr) {
    Variable* var = Lookup(expr.name);
    if (var != nullptr && !(expr.hasArgs && var == Top().result)) {
        if (!expr.hasArgs) return var->value;
        return Index(var->value, expr.args);
    }
    ClassInstance* self = Top().self;
    if (self != nullptr) {
        const ClassDecl& decl = self->Decl();
        if (decl.methods.count(expr.name) != 0 || decl.getters.count(expr.name) != 0) {
            std::vector<ArgSlot> slots = BindArgs(expr.args);
            return CallMember(*self, expr.name, slots);
        }
    }
    if (ProcedurePtr proc = FindProcedure(expr.name)) {
        std::vector<ArgSlot> slots = BindArgs(expr.args);
        return Invoke(*proc, nullptr, slots);
    }
    if (const Builtin* builtin = FindBuiltin(expr.name)) {
        Args args = EvalArgs(expr.args);
        if (args.size() < builtin->minArgs || args.size() > builtin->maxArgs)
            ThrowRuntime(kErrWrongArgs);
        return builtin->fn(*this, args);
    }
    bool found = false;
    Value object = BuiltinObject(expr.name, &found);
    if (found) return expr.hasArgs ? Index(object, expr.args) : object;
    if (const Value* constant = FindConstant(expr.name)) return *constant;
    if (Top().optionExplicit) ThrowRuntime(kErrUndefined);
    if (expr.hasArgs) ThrowRuntime(kErrTypeMismatch, "Type mismatch: '" + expr.name + "'");
    return Value();
}

Value Interpreter::BuiltinObject(const std::string& name, bool* found) {
    *found = true;
    if (name == "err") return Value::ObjectRef(err_);
    if (name == "wscript" && echo_) {
        if (!wscript_) wscript_ = MakeWScript();
        return Value::ObjectRef(wscript_);
    }
    *found = false;
    return Value();
}

Value Interpreter::EvalMember(const Expr& expr) {
    Value target = expr.left ? Eval(*expr.left) : WithObject();
    if (target.kind != Kind::Object || !target.obj) ThrowRuntime(kErrObjectRequired);
    if (auto* instance = dynamic_cast<ClassInstance*>(target.obj.get())) {
        std::vector<ArgSlot> slots = BindArgs(expr.args);
        return CallMember(*instance, expr.name, slots);
    }
    Args args = EvalArgs(expr.args);
    return target.obj->Get(*this, expr.name, args);
}

void Interpreter::AssignMember(const Expr& target, Value value, bool isSet) {
    if (target.kind == ExprKind::Name) {  // a property of the class we are inside
        std::vector<ArgSlot> slots = BindArgs(target.args);
        PutMember(*Top().self, target.name, slots, value, isSet);
        return;
    }
    if (target.kind != ExprKind::Member) ThrowRuntime(kErrIllegalAssignment);
    Value object = target.left ? Eval(*target.left) : WithObject();
    if (object.kind != Kind::Object || !object.obj) ThrowRuntime(kErrObjectRequired);
    Args args = EvalArgs(target.args);
    object.obj->Put(*this, target.name, args, value, isSet);
}

// Runs Class_Terminate on an object nobody references any more, then frees it. Errors in
// it go unreported, as the caller has nowhere to take them. Should the script keep Me
// somewhere, the object stays until those references go (freed then without a second
// Class_Terminate) rather than leave them dangling.
void Interpreter::Terminate(ClassInstance* dying) {
    std::shared_ptr<ClassInstance> keep(dying, [](ClassInstance* kept) { delete kept; });
    try {
        auto method = dying->Decl().methods.find("class_terminate");
        std::vector<ArgSlot> none;
        Invoke(*method->second, dying, none);
    } catch (...) {
    }
}

Value Interpreter::EvalNew(const Expr& expr) {
    if (expr.name == "regexp") return Value::ObjectRef(MakeRegExp());
    auto found = classes_.find(expr.name);
    if (found == classes_.end()) ThrowRuntime(kErrCannotCreate);
    std::shared_ptr<ClassInstance> instance;
    if (found->second->methods.count("class_terminate") != 0) {
        // The last reference going runs Class_Terminate first, while the interpreter lives.
        std::weak_ptr<Interpreter*> owner = self_;
        instance = std::shared_ptr<ClassInstance>(
            new ClassInstance(found->second), [owner](ClassInstance* dying) {
                std::shared_ptr<Interpreter*> interp = owner.lock();
                if (interp && *interp != nullptr)
                    (*interp)->Terminate(dying);
                else
                    delete dying;
            });
    } else {
        instance = std::make_shared<ClassInstance>(found->second);
    }
    for (const StmtPtr& field : found->second->fields) {
        for (const Declaration& decl : field->declarations) {
            Variable& var = instance->Fields()[decl.name];
            if (!decl.isArray) continue;
            std::vector<int32_t> upper;
            for (const ExprPtr& bound : decl.bounds) upper.push_back(ToLong(bound->literal));
            var.value.kind = Kind::Array;
            var.value.arr = NewArray(upper);
            var.value.arr->fixed = !upper.empty();
        }
    }
    auto init = found->second->methods.find("class_initialize");
    if (init != found->second->methods.end()) {
        std::vector<ArgSlot> none;
        Invoke(*init->second, instance.get(), none);
    }
    return Value::ObjectRef(instance);
}

}  // namespace vbscript
