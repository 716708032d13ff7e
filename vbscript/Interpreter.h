// vbscript/Interpreter.h: runs parsed programs. One instance per engine; instances share
// nothing mutable, so engines on different threads never meet.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "vbscript/Ast.h"
#include "vbscript/Errors.h"
#include "vbscript/Object.h"
#include "vbscript/RunLimits.h"

namespace vbscript {

class ErrObject;
class ClassInstance;

// Deepest procedure call nesting before "Out of stack space".
constexpr int kMaxCallDepth = 200;
// Texts parsed by Eval and Execute kept for reuse: enough for the handful of texts a script
// evaluates in a loop, few enough that texts built from a counter cannot pile up.
constexpr size_t kMaxRuntimeTexts = 64;

struct Variable {
    Value value;
    bool constant = false;
};

// An argument on its way to a procedure: a reference to the caller's variable when it
// can be passed ByRef, always its value. An array element passed ByRef is copied in and,
// when the procedure returns, copied back to the element it came from.
struct ArgSlot {
    Variable* ref = nullptr;
    Value value;
    std::shared_ptr<ArrayData> array;
    size_t element = 0;
};

class Interpreter {
public:
    using Clock = std::chrono::steady_clock;
    using EchoSink = std::function<void(const std::string&)>;

    Interpreter();
    ~Interpreter();
    Interpreter(const Interpreter&) = delete;
    Interpreter& operator=(const Interpreter&) = delete;

    // Adds a parsed text's procedures and classes; its statements wait for Run.
    Unit& Load(std::unique_ptr<Unit> unit);
    // Runs a loaded text's top-level statements. Throws ScriptError.
    void Run(const Unit& unit);

    // A global procedure or variable by (any case) name, for the script dispatch. The
    // procedure stays while the caller holds it, even should a later text replace it.
    ProcedurePtr FindProcedure(const std::string& lowerName) const;
    Variable* FindGlobal(const std::string& lowerName);
    // Calls a global procedure with values (ByRef arguments are copies). Throws ScriptError.
    Value CallProcedure(const Procedure& proc, std::vector<Value> args);
    // The same from inside the run, for a reference GetRef made.
    Value CallReference(const Procedure& proc, std::vector<Value>& args);
    // A member of a script object the host holds, read or called, or assigned.
    Value GetObjectMember(Object& object, const std::string& name, std::vector<Value>& args);
    void PutObjectMember(Object& object, const std::string& name, std::vector<Value>& args,
                         const Value& value, bool isSet);

    // The run-time budget: a deadline for the current entry into the engine, and a flag
    // another thread may set to stop the script at its next statement.
    void SetDeadline(Clock::time_point deadline) { limits_.SetDeadline(deadline); }
    void Interrupt() { limits_.Interrupt(); }
    // The most the run may hold at once in texts, arrays and objects.
    void SetMemoryLimit(size_t bytes) { limits_.SetMemoryLimit(bytes); }
    const RunLimits& Limits() const { return limits_; }

    // With a sink, scripts see a WScript object whose Echo writes to it.
    void SetEcho(EchoSink sink) { echo_ = std::move(sink); }
    const EchoSink& Echo() const { return echo_; }

    // Services for built-in functions and objects.
    ErrObject& Err() { return *err_; }
    Value CallMember(ClassInstance& self, const std::string& name, std::vector<ArgSlot>& args);
    void PutMember(ClassInstance& self, const std::string& name, std::vector<ArgSlot>& args,
                   const Value& value, bool isSet);
    // The default value of an object (its default property); other values unchanged.
    Value Deref(Value v);
    uint32_t& RandomState() { return randomState_; }

    // Eval, Execute and ExecuteGlobal: a text parsed while the script runs, evaluated or run
    // in the current scope (or, for ExecuteGlobal, the global one). Throws ScriptError.
    Value EvalText(const std::string& text);
    void ExecuteText(const std::string& text, bool global);
    // How many texts parsed by Eval and Execute are kept for their next use.
    size_t RuntimeTextCount() const { return runtimeUnits_.size(); }

private:
    enum class Flow { Normal, ExitDo, ExitFor, ExitProc };

    // A procedure's own variables. Most procedures hold only their parameters, their
    // result and a local or two, so the first few live in the frame itself; the variables
    // never move, since names and ByRef arguments point at them.
    class LocalStore {
    public:
        Variable* Add(Variable variable) {
            if (used_ < inline_.size()) {
                inline_[used_] = std::move(variable);
                return &inline_[used_++];
            }
            return &more_.emplace_back(std::move(variable));
        }

    private:
        std::array<Variable, 4> inline_;
        size_t used_ = 0;
        std::list<Variable> more_;
    };

    struct Frame {
        // Names point into the program tree, which outlives every frame.
        std::vector<std::pair<std::string_view, Variable*>> names;
        LocalStore owned;
        ClassInstance* self = nullptr;
        Variable* result = nullptr;
        // Names declared by Eval/Execute text, which may go before the frame does.
        std::list<std::string> runtimeNames;
        bool resumeNext = false;
        bool optionExplicit = false;
    };
    struct FrameScope;
    struct RuntimeTextScope;
    struct GlobalScope;

    Frame& Top() { return *frames_.back(); }
    bool InProcedure() const { return frames_.size() > 1; }
    void Tick() { limits_.Work(kStatementWork); }

    // Statements (InterpreterStatements.cpp).
    Flow ExecBlock(const Block& block);
    Flow ExecGuarded(const Stmt& stmt);
    // Records an error the statement may go on after (On Error Resume Next); throws it on.
    void Resume(const Stmt& stmt, ScriptError& error);
    template <class Check>
    bool Test(const Stmt& stmt, Check&& check, bool onError = true);
    bool CaseMatches(const CaseClause& clause, const Value& subject);
    Flow Exec(const Stmt& stmt);
    void ExecDim(const Stmt& stmt);
    void ExecReDim(const Stmt& stmt);
    void ExecConst(const Stmt& stmt);
    void ExecAssign(const Stmt& stmt, bool isSet);
    Flow ExecIf(const Stmt& stmt);
    Flow ExecSelect(const Stmt& stmt);
    Flow ExecFor(const Stmt& stmt);
    // The single pass through a loop whose header failed under On Error Resume Next.
    Flow UnsetLoop(const Stmt& stmt, ScriptError& error);
    Flow ExecForEach(const Stmt& stmt);
    Flow ExecDoLoop(const Stmt& stmt);
    Flow ExecWhile(const Stmt& stmt);
    void ExecErase(const Stmt& stmt);
    Flow ExecWith(const Stmt& stmt);
    Value WithObject() const;
    bool Condition(const Expr& expr);

    // Names and storage.
    Variable* Lookup(const std::string& name);
    Variable* Declare(const std::string& name);
    Variable* LookupForWrite(const Expr& target);
    void AssignTo(Variable* var, Value value);

    // Expressions (InterpreterExpressions.cpp).
    Value Eval(const Expr& expr);
    Value EvalName(const Expr& expr);
    Value EvalMember(const Expr& expr);
    Value EvalNew(const Expr& expr);
    void Terminate(ClassInstance* instance);
    Value EvalBinary(const Expr& expr);
    Value Index(const Value& target, const std::vector<ExprPtr>& argExprs);
    std::vector<Value> EvalArgs(const std::vector<ExprPtr>& argExprs);
    std::vector<ArgSlot> BindArgs(const std::vector<ExprPtr>& argExprs);
    void BindElement(const Value& array, const std::vector<ExprPtr>& argExprs, ArgSlot* slot);
    Value Invoke(const Procedure& proc, ClassInstance* self, std::vector<ArgSlot>& args);
    Value BuiltinObject(const std::string& name, bool* found);
    void AssignElement(Value& array, const std::vector<Value>& indices, Value value);
    void AssignMember(const Expr& target, Value value, bool isSet);
    void Register(const Unit& unit);
    std::shared_ptr<const Unit> RuntimeUnit(const std::string& text, bool expression);

    // First, so that it outlives every value and object the interpreter holds.
    RunLimits limits_;
    std::vector<std::unique_ptr<Unit>> units_;
    std::unordered_map<std::string, Variable> globals_;
    std::unordered_map<std::string, ProcedurePtr> procedures_;
    std::unordered_map<std::string, ClassPtr> classes_;
    std::vector<Frame*> frames_;
    std::vector<Value> withObjects_;  // innermost last
    Frame globalFrame_;
    std::shared_ptr<ErrObject> err_;
    // Cleared when the interpreter starts to go, so that objects outliving it (or dropped
    // while it tears down) are freed without running their Class_Terminate.
    std::shared_ptr<Interpreter*> self_;
    std::shared_ptr<Object> wscript_;
    EchoSink echo_;
    // The texts parsed by Eval and Execute most recently used, the latest first, with an
    // index by text; a text pushed out is parsed again when it comes back.
    using RuntimeUnitList = std::list<std::pair<std::string, std::shared_ptr<const Unit>>>;
    RuntimeUnitList runtimeOrder_;
    std::unordered_map<std::string_view, RuntimeUnitList::iterator> runtimeUnits_;
    // Eval/Execute texts running now, whose names must outlive the text.
    size_t runtimeDepth_ = 0;
    // Frames and Eval/Execute nesting hidden from frames_ while ExecuteGlobal runs, counted
    // against kMaxCallDepth so that recursion through them still ends.
    size_t hiddenDepth_ = 0;
    uint32_t randomState_ = 0x50000;
};

// Copies an array so that assignment keeps the language's value semantics.
Value CopyForAssign(Value v);

}  // namespace vbscript
