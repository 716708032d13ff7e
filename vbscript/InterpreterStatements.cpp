// vbscript/InterpreterStatements.cpp: execution of statements: declarations, assignment,
// the control structures and On Error.
#include <cmath>

#include "vbscript/ClassInstance.h"
#include "vbscript/ErrObject.h"
#include "vbscript/Interpreter.h"
#include "vbscript/Operators.h"

namespace vbscript {
namespace {

// Carries over the elements that both shapes hold (ReDim Preserve changes only the last
// bound): moved when nothing else holds the old array, so that growing an array one
// element at a time does not copy every text it holds each time.
void PreserveElements(ArrayData& from, bool owned, ArrayData* to) {
    if (from.upper.size() != to->upper.size()) ThrowRuntime(kErrSubscript);
    for (size_t d = 0; d + 1 < from.upper.size(); ++d)
        if (from.upper[d] != to->upper[d]) ThrowRuntime(kErrSubscript);
    size_t count = std::min(from.items.size(), to->items.size());
    for (size_t i = 0; i < count; ++i)
        to->items[i] = owned ? std::move(from.items[i]) : from.items[i];
}

}  // namespace

Interpreter::Flow Interpreter::ExecBlock(const Block& block) {
    for (const StmtPtr& stmt : block) {
        Flow flow = ExecGuarded(*stmt);
        if (flow != Flow::Normal) return flow;
    }
    return Flow::Normal;
}

Interpreter::Flow Interpreter::ExecGuarded(const Stmt& stmt) {
    Tick();
    try {
        return Exec(stmt);
    } catch (ScriptError& error) {
        Resume(stmt, error);
        return Flow::Normal;
    }
}

void Interpreter::Resume(const Stmt& stmt, ScriptError& error) {
    if (error.line < 0) {
        error.line = stmt.line;
        error.column = stmt.column;
    }
    if (error.fatal || !Top().resumeNext) throw;
    err_->Set(error);
    limits_.Work(kResumedErrorWork);
}

// Under On Error Resume Next an error in the test of a statement (an If or loop condition,
// a Select Case value) goes on with the statement that follows the test, which is the
// first one of the block it guards: so the test counts as passed. A test at the end of a
// loop is followed by the statement after the loop: it counts as failed.
template <class Check>
bool Interpreter::Test(const Stmt& stmt, Check&& check, bool onError) {
    try {
        return check();
    } catch (ScriptError& error) {
        Resume(stmt, error);
        return onError;
    }
}

Interpreter::Flow Interpreter::Exec(const Stmt& stmt) {
    switch (stmt.kind) {
        case StmtKind::Dim:
            ExecDim(stmt);
            break;
        case StmtKind::ReDim:
            ExecReDim(stmt);
            break;
        case StmtKind::Const:
            ExecConst(stmt);
            break;
        case StmtKind::Assign:
            ExecAssign(stmt, false);
            break;
        case StmtKind::Set:
            ExecAssign(stmt, true);
            break;
        case StmtKind::Call:
            Eval(*stmt.target);
            break;
        case StmtKind::If:
            return ExecIf(stmt);
        case StmtKind::Select:
            return ExecSelect(stmt);
        case StmtKind::For:
            return ExecFor(stmt);
        case StmtKind::ForEach:
            return ExecForEach(stmt);
        case StmtKind::DoLoop:
            return ExecDoLoop(stmt);
        case StmtKind::While:
            return ExecWhile(stmt);
        case StmtKind::Exit:
            return stmt.exitKind == ExitKind::Do    ? Flow::ExitDo
                   : stmt.exitKind == ExitKind::For ? Flow::ExitFor
                                                    : Flow::ExitProc;
        case StmtKind::OnErrorResume:
            Top().resumeNext = true;
            err_->Clear();
            break;
        case StmtKind::OnErrorGoto0:
            Top().resumeNext = false;
            err_->Clear();
            break;
        case StmtKind::Erase:
            ExecErase(stmt);
            break;
        case StmtKind::With:
            return ExecWith(stmt);
        case StmtKind::Randomize:
            randomState_ = stmt.value
                               ? static_cast<uint32_t>(ToDouble(Eval(*stmt.value)))
                               : static_cast<uint32_t>(Clock::now().time_since_epoch().count());
            break;
    }
    return Flow::Normal;
}

void Interpreter::ExecDim(const Stmt& stmt) {
    for (const Declaration& decl : stmt.declarations) {
        Variable* var = Declare(decl.name);
        if (!decl.isArray) continue;
        std::vector<int32_t> upper;
        for (const ExprPtr& bound : decl.bounds) upper.push_back(ToLong(bound->literal));
        var->value = Value();
        var->value.kind = Kind::Array;
        var->value.arr = NewArray(upper);
        var->value.arr->fixed = !upper.empty();
    }
}

void Interpreter::ExecReDim(const Stmt& stmt) {
    for (const Declaration& decl : stmt.declarations) {
        std::vector<int32_t> upper;
        for (const ExprPtr& bound : decl.bounds) upper.push_back(ToLong(Deref(Eval(*bound))));
        Variable* var = Lookup(decl.name);
        if (var == nullptr) {
            if (Top().optionExplicit) ThrowRuntime(kErrUndefined);
            var = Declare(decl.name);
        }
        if (var->value.kind == Kind::Array && var->value.arr->fixed) ThrowRuntime(kErrFixedArray);
        std::shared_ptr<ArrayData> array = NewArray(upper);
        if (stmt.preserve && var->value.kind == Kind::Array && !var->value.arr->upper.empty())
            PreserveElements(*var->value.arr, var->value.arr.use_count() == 1, array.get());
        var->value = Value();
        var->value.kind = Kind::Array;
        var->value.arr = std::move(array);
    }
}

void Interpreter::ExecConst(const Stmt& stmt) {
    for (const Declaration& decl : stmt.declarations) {
        Value value = Eval(*decl.value);
        Variable* var = Declare(decl.name);
        var->value = std::move(value);
        var->constant = true;
    }
}

Interpreter::Flow Interpreter::ExecWith(const Stmt& stmt) {
    Value object = Eval(*stmt.value);
    if (object.kind != Kind::Object || !object.obj) ThrowRuntime(kErrObjectRequired);
    struct Scope {
        explicit Scope(std::vector<Value>* stack, Value object) : stack(stack) {
            stack->push_back(std::move(object));
        }
        ~Scope() { stack->pop_back(); }
        std::vector<Value>* stack;
    } scope(&withObjects_, std::move(object));
    return ExecBlock(stmt.blocks[0]);
}

Value Interpreter::WithObject() const {
    if (withObjects_.empty()) ThrowRuntime(kErrObjectRequired);
    return withObjects_.back();
}

void Interpreter::ExecErase(const Stmt& stmt) {
    Variable* var = Lookup(stmt.target->name);
    if (var == nullptr || var->value.kind != Kind::Array) ThrowRuntime(kErrTypeMismatch);
    ArrayData& array = *var->value.arr;
    if (array.fixed) {
        for (Value& item : array.items) item = Value();
    } else {
        array.upper.clear();
        array.items.clear();
    }
}

void Interpreter::ExecAssign(const Stmt& stmt, bool isSet) {
    Value value = Eval(*stmt.value);
    if (isSet) {
        if (value.kind != Kind::Object) ThrowRuntime(kErrObjectRequired);
    } else if (value.kind == Kind::Object) {
        value = Deref(std::move(value));
    }
    const Expr& target = *stmt.target;
    if (target.kind == ExprKind::Member || target.kind == ExprKind::Call) {
        AssignMember(target, std::move(value), isSet);
        return;
    }
    if (target.kind != ExprKind::Name) ThrowRuntime(kErrIllegalAssignment);
    Variable* var = Lookup(target.name);
    if (var == nullptr && Top().self != nullptr) {
        const ClassDecl& decl = Top().self->Decl();
        if ((isSet ? decl.setters : decl.letters).count(target.name) != 0) {
            AssignMember(target, std::move(value), isSet);
            return;
        }
    }
    if (!target.hasArgs) {
        if (var == nullptr) var = LookupForWrite(target);
        AssignTo(var, std::move(value));
        return;
    }
    if (var == nullptr) ThrowRuntime(Top().optionExplicit ? kErrUndefined : kErrTypeMismatch);
    if (var->value.kind == Kind::Object && var->value.obj) {
        Args args = EvalArgs(target.args);
        var->value.obj->Put(*this, "", args, value, isSet);
        return;
    }
    AssignElement(var->value, EvalArgs(target.args), std::move(value));
}

Variable* Interpreter::LookupForWrite(const Expr& target) {
    Variable* var = Lookup(target.name);
    if (var != nullptr) return var;
    if (Top().optionExplicit) ThrowRuntime(kErrUndefined);
    return Declare(target.name);
}

void Interpreter::AssignElement(Value& array, const std::vector<Value>& indices, Value value) {
    if (array.kind != Kind::Array) ThrowRuntime(kErrTypeMismatch);
    ElementAt(*array.arr, indices) = CopyForAssign(std::move(value));
}

bool Interpreter::Condition(const Expr& expr) {
    Value value = Deref(Eval(expr));
    return !value.IsNull() && ToBool(value);
}

Interpreter::Flow Interpreter::ExecIf(const Stmt& stmt) {
    for (size_t i = 0; i < stmt.conditions.size(); ++i)
        if (Test(stmt, [&] { return Condition(*stmt.conditions[i]); }))
            return ExecBlock(stmt.blocks[i]);
    if (stmt.blocks.size() > stmt.conditions.size()) return ExecBlock(stmt.blocks.back());
    return Flow::Normal;
}

Interpreter::Flow Interpreter::ExecSelect(const Stmt& stmt) {
    Value subject;
    bool valued = Test(
        stmt,
        [&] {
            subject = Deref(Eval(*stmt.value));
            return true;
        },
        false);
    for (const CaseClause& clause : stmt.cases) {
        // Without a value to compare, the first clause's statements are the next ones.
        if (!valued || Test(stmt, [&] { return CaseMatches(clause, subject); }))
            return ExecBlock(clause.body);
    }
    return Flow::Normal;
}

bool Interpreter::CaseMatches(const CaseClause& clause, const Value& subject) {
    if (clause.tests.empty()) return true;
    for (const CaseClause::Test& test : clause.tests) {
        bool literal = test.low->kind == ExprKind::Literal;
        Value low = Deref(Eval(*test.low));
        if (subject.IsNull() || low.IsNull()) continue;
        if (test.range) {
            Value high = Deref(Eval(*test.high));
            if (high.IsNull()) continue;
            if (Order(subject, low, false, literal) >= 0 &&
                Order(subject, high, false, test.high->kind == ExprKind::Literal) <= 0)
                return true;
        } else {
            Value result = Compare(test.op, subject, low, false, literal);
            if (!result.IsNull() && result.i != 0) return true;
        }
    }
    return false;
}

// Under On Error Resume Next an error in a For header goes on with the statement after the
// header, the first of the body, with the loop variable as it was; the Next at the end of
// that single pass finds no loop set up and raises "For loop not initialized", which goes
// on after the loop.
Interpreter::Flow Interpreter::UnsetLoop(const Stmt& stmt, ScriptError& error) {
    Resume(stmt, error);
    Flow flow = ExecBlock(stmt.blocks[0]);
    if (flow == Flow::ExitFor) return Flow::Normal;
    if (flow != Flow::Normal) return flow;
    ThrowRuntime(kErrForLoop);
}

Interpreter::Flow Interpreter::ExecFor(const Stmt& stmt) {
    Variable* var = nullptr;
    Value start, limit, step;
    try {
        var = LookupForWrite(*stmt.target);
        start = ToNumeric(Deref(Eval(*stmt.value)));
        limit = ToNumeric(Deref(Eval(*stmt.limit)));
        step = stmt.step ? ToNumeric(Deref(Eval(*stmt.step))) : Value::Integer(1);
        if (start.IsNull() || limit.IsNull() || step.IsNull()) ThrowRuntime(kErrInvalidNull);
    } catch (ScriptError& error) {
        return UnsetLoop(stmt, error);
    }
    bool whole = start.kind != Kind::Double && start.kind != Kind::Single &&
                 limit.kind != Kind::Double && step.kind != Kind::Double &&
                 step.kind != Kind::Single && start.kind != Kind::Currency;
    double end = ToDouble(limit), increment = ToDouble(step);
    // The body may set the counter to any number: one beyond the whole numbers stays Double.
    auto typed = [whole](double x) {
        return whole && std::fabs(x) < 9.0e18 ? Value::Whole(static_cast<int64_t>(x))
                                              : Value::Double(x);
    };
    AssignTo(var, typed(ToDouble(start)));
    for (;;) {
        Tick();
        double counter = ToDouble(Deref(var->value));
        if (increment >= 0 ? counter > end : counter < end) break;
        Flow flow = ExecBlock(stmt.blocks[0]);
        if (flow == Flow::ExitFor) break;
        if (flow != Flow::Normal) return flow;
        AssignTo(var, typed(ToDouble(Deref(var->value)) + increment));
    }
    return Flow::Normal;
}

Interpreter::Flow Interpreter::ExecForEach(const Stmt& stmt) {
    Variable* var = nullptr;
    std::vector<Value> items;
    try {
        var = LookupForWrite(*stmt.target);
        Value group = Eval(*stmt.value);
        if (group.kind == Kind::Array) {
            items = group.arr->items;
        } else if (group.kind == Kind::Object && group.obj) {
            items = group.obj->Elements(*this);
        } else {
            ThrowRuntime(kErrNotCollection);
        }
    } catch (ScriptError& error) {
        return UnsetLoop(stmt, error);
    }
    for (Value& item : items) {
        Tick();
        AssignTo(var, std::move(item));
        Flow flow = ExecBlock(stmt.blocks[0]);
        if (flow == Flow::ExitFor) break;
        if (flow != Flow::Normal) return flow;
    }
    return Flow::Normal;
}

Interpreter::Flow Interpreter::ExecDoLoop(const Stmt& stmt) {
    for (;;) {
        Tick();
        if (stmt.value && !stmt.testAtEnd &&
            !Test(stmt, [&] { return Condition(*stmt.value) != stmt.until; }))
            break;
        Flow flow = ExecBlock(stmt.blocks[0]);
        if (flow == Flow::ExitDo) break;
        if (flow != Flow::Normal) return flow;
        if (stmt.value && stmt.testAtEnd &&
            !Test(
                stmt, [&] { return Condition(*stmt.value) != stmt.until; }, false))
            break;
    }
    return Flow::Normal;
}

Interpreter::Flow Interpreter::ExecWhile(const Stmt& stmt) {
    for (;;) {
        Tick();
        if (!Test(stmt, [&] { return Condition(*stmt.value); })) break;
        Flow flow = ExecBlock(stmt.blocks[0]);
        if (flow != Flow::Normal) return flow;
    }
    return Flow::Normal;
}

}  // namespace vbscript
