// vbscript/RunLimits.cpp: the per-run time and memory budget, and the thread's current run.
#include "vbscript/RunLimits.h"

#include <memory>

#include "vbscript/Errors.h"
#include "vbscript/Object.h"

namespace vbscript {
namespace {

thread_local RunLimits* t_current = nullptr;
std::atomic<int64_t> g_liveRecords{0};

[[noreturn]] void StopScript(int number, const char* description) {
    ScriptError error;
    error.number = number;
    error.description = description;
    error.source = kRuntimeSource;
    error.line = -1;
    error.fatal = true;
    throw error;
}

}  // namespace

void RunLimits::Check() {
    if (interrupted_.load(std::memory_order_relaxed))
        StopScript(kErrInterrupted, ErrorText(kErrInterrupted));
    if (Clock::now() > deadline_)
        StopScript(kErrInterrupted,
                   "The script ran longer than its time limit (\"Script Timeout Milliseconds\") "
                   "and was stopped; make it do less per call or raise the setting");
    if (inUse_ > memoryLimit_) Reserve(0);
}

void RunLimits::Reserve(size_t bytes) {
    if (bytes > memoryLimit_ || inUse_ > memoryLimit_ - bytes)
        StopScript(kErrOutOfMemory,
                   "The script needed more memory than its limit (\"Script Memory Limit MB\") "
                   "and was stopped; make it hold less text or fewer items, or raise the "
                   "setting");
}

void RunLimits::BreakCycles() {
    // Taken one at a time from the set: dropping one object's values may free others,
    // which leave the set as they go.
    while (!objects_.empty()) {
        Object* object = *objects_.begin();
        objects_.erase(objects_.begin());
        object->Disown();
        std::shared_ptr<Object> keep = object->weak_from_this().lock();
        if (keep) keep->DropValues();
    }
}

RunLimits* CurrentLimits() {
    return t_current;
}

LimitsScope::LimitsScope(RunLimits* limits) : previous_(t_current) {
    t_current = limits;
}

LimitsScope::~LimitsScope() {
    t_current = previous_;
}

int64_t LiveScriptRecords() {
    return g_liveRecords.load(std::memory_order_relaxed);
}

void CountRecord(int delta) {
    g_liveRecords.fetch_add(delta, std::memory_order_relaxed);
}

}  // namespace vbscript
