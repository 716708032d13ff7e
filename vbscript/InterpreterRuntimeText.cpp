// vbscript/InterpreterRuntimeText.cpp: Eval, Execute and ExecuteGlobal, which parse program
// text while the script runs and evaluate or run it in a scope of the running script.
#include "vbscript/Interpreter.h"
#include "vbscript/Parser.h"

namespace vbscript {
namespace {

// An error inside the text is reported at the statement that called Eval or Execute: the
// text's own lines mean nothing in the script's listing.
[[noreturn]] void RethrowAtCaller(ScriptError& error) {
    error.line = -1;
    error.column = 0;
    error.lineText.clear();
    throw error;
}

}  // namespace

// One more level of Eval/Execute nesting, bounded like procedure calls.
struct Interpreter::RuntimeTextScope {
    explicit RuntimeTextScope(Interpreter* interp) : interp(interp) {
        if (interp->frames_.size() + interp->hiddenDepth_ > kMaxCallDepth)
            ThrowRuntime(kErrStackSpace);
        ++interp->hiddenDepth_;
        ++interp->runtimeDepth_;
    }
    ~RuntimeTextScope() {
        --interp->hiddenDepth_;
        --interp->runtimeDepth_;
    }
    Interpreter* interp;
};

// Makes the global frame the only one (and no With object current) until it ends.
struct Interpreter::GlobalScope {
    explicit GlobalScope(Interpreter* interp) : interp(interp) {
        frames.swap(interp->frames_);
        withObjects.swap(interp->withObjects_);
        interp->frames_.push_back(&interp->globalFrame_);
        interp->hiddenDepth_ += frames.size();
    }
    ~GlobalScope() {
        interp->hiddenDepth_ -= frames.size();
        frames.swap(interp->frames_);
        withObjects.swap(interp->withObjects_);
    }
    Interpreter* interp;
    std::vector<Frame*> frames;
    std::vector<Value> withObjects;
};

// An expression parses as the value of an assignment, whose first "=" is the assignment's, so
// that any later one compares; what parses must be that one statement and nothing more.
// A text seen before is not parsed again, but its procedures and classes are defined again,
// since another text may have replaced them meanwhile. A text that runs holds its tree,
// and its procedures and classes hold their own, so one pushed out of the cache meanwhile
// goes only when nothing uses it any more.
std::shared_ptr<const Unit> Interpreter::RuntimeUnit(const std::string& text, bool expression) {
    std::string key = (expression ? "?" : "!") + text;
    auto found = runtimeUnits_.find(key);
    if (found != runtimeUnits_.end()) {
        runtimeOrder_.splice(runtimeOrder_.begin(), runtimeOrder_, found->second);
        Register(*found->second->second);
        return found->second->second;
    }
    std::shared_ptr<Unit> unit = ParseProgram(expression ? "x = " + text : text, 0);
    if (expression) {
        bool single = unit->statements.size() == 1 && unit->procedures.empty() &&
                      unit->classes.empty() && unit->statements[0]->kind == StmtKind::Assign;
        if (!single) ThrowCompile(kErrExpectedEndOfStatement, 0, 0);
    }
    Register(*unit);
    if (runtimeOrder_.size() >= kMaxRuntimeTexts) {
        runtimeUnits_.erase(runtimeOrder_.back().first);
        runtimeOrder_.pop_back();
    }
    runtimeOrder_.emplace_front(std::move(key), unit);
    runtimeUnits_.emplace(runtimeOrder_.front().first, runtimeOrder_.begin());
    return unit;
}

Value Interpreter::EvalText(const std::string& text) {
    try {
        RuntimeTextScope scope(this);
        std::shared_ptr<const Unit> unit = RuntimeUnit(text, true);
        return Eval(*unit->statements[0]->value);
    } catch (ScriptError& error) {
        RethrowAtCaller(error);
    }
}

void Interpreter::ExecuteText(const std::string& text, bool global) {
    try {
        RuntimeTextScope scope(this);
        std::shared_ptr<const Unit> unit = RuntimeUnit(text, false);
        if (!global) {
            ExecBlock(unit->statements);
            return;
        }
        GlobalScope globalScope(this);
        ExecBlock(unit->statements);
    } catch (ScriptError& error) {
        RethrowAtCaller(error);
    }
}

}  // namespace vbscript
