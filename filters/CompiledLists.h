// filters/CompiledLists.h: the word lists of a filter set compiled for matching: for each
// criterion type, every literal word of every list its filters test goes into one
// keyword automaton, so that a text is read once however many words there are. Each word
// found is then decided exactly as MatchPattern decides it, and the findings are
// recorded and printed in the order of the word-by-word walk.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

struct CompiledCriterion;

// Where a filter set keeps its compiled lists: built at first use by any run and shared
// by all runs of the set. A compiled list remembers what it was built from (the pattern
// cache's contents, the caching switch, the configuration directory) and is built again
// when any of that changed.
class CompiledListSlots {
public:
    static constexpr int kSlotCount = 32 * 3;  // criterion types x kinds of list

    CompiledListSlots() = default;
    // A copied set compiles its own lists at first use: they are only a cache.
    CompiledListSlots(const CompiledListSlots&) {}
    CompiledListSlots& operator=(const CompiledListSlots& other);
    // Lets the scratch areas drop the lists they remember, which may be this set's.
    ~CompiledListSlots();

    std::shared_ptr<const CompiledCriterion> Get(int slot) const;
    void Put(int slot, std::shared_ptr<const CompiledCriterion> compiled) const;

    // What the slot holds now, without a reference: only for comparing with a list the
    // caller holds a reference to (an address that is still owned cannot be another's).
    const CompiledCriterion* Peek(int slot) const {
        return current_[slot].load(std::memory_order_acquire);
    }

private:
    mutable std::mutex lock_;
    mutable std::shared_ptr<const CompiledCriterion> slots_[kSlotCount];
    mutable std::atomic<const CompiledCriterion*> current_[kSlotCount] = {};  // slots_[i].get()
};

struct FilterSet;

// Compiles the lists of every criterion that the set's filters enable, so that the first
// message does not wait for it (a list that changes later is compiled again when next
// used). Always 1.
int CompileWordLists(const FilterSet* set);

// Switches the compiled lists on (the default) or off for the whole process; off, every
// list is walked word by word. For comparing the two and for benchmarks.
void UseCompiledLists(bool on);

// Frees the scratch areas kept for reuse between texts; for the unload, after the last run.
void ReleaseSpareScratchAreas();
