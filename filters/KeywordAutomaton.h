// filters/KeywordAutomaton.h: many literal keys found in one pass over a text, letters
// compared after folding (an Aho-Corasick automaton). Built once from a word list and
// then only read, so any number of threads may scan with it at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class KeywordAutomaton {
public:
    // Builds the automaton for `keys`, which must be folded to upper case, non-empty and
    // distinct; key k is reported as k. Returns 0 when memory ran out (the automaton is
    // then empty and finds nothing).
    int Build(const std::vector<std::string>& keys);

    // Calls found(key, end) for every occurrence of every key in the `length` bytes at
    // `text`, in the order of their last byte `end` (an index into the text); keys ending
    // at the same byte come longest first.
    template <typename Found>
    void Scan(const char* text, size_t length, Found found) const;

    size_t KeyCount() const { return keyCount_; }
    size_t MemoryBytes() const;

private:
    uint32_t SparseStep(uint32_t state, uint8_t byteClass) const;
    void Clear();

    // States are numbered breadth first, so the states near the root, where most steps
    // of a scan end (message text mostly fails to continue a key), are 0..denseCount_-1
    // and each has a complete row of transitions. The others keep only their few edges
    // and fall back along their failure link, which keeps 100,000 words within a few
    // megabytes.
    uint8_t classOf_[256] = {};  // byte -> class: 0 for bytes that no key holds
    uint32_t classCount_ = 1;    // the width of a row
    uint32_t denseCount_ = 0;    // states with a row
    size_t keyCount_ = 0;
    std::vector<uint32_t> rows_;       // denseCount_ rows of classCount_ next states
    std::vector<uint32_t> failure_;    // per state: the longest proper suffix state
    std::vector<uint32_t> edgeBegin_;  // per state and one more: its edges
    std::vector<uint8_t> edgeClass_;   // sorted by class within a state
    std::vector<uint32_t> edgeTarget_;
    std::vector<int32_t> key_;      // per state: the key ending there, or -1
    std::vector<int32_t> output_;   // per state: the next state on its failure chain where a
                                    // key ends, or -1
    std::vector<uint8_t> reports_;  // per state: 1 when a key ends there or on its chain
};

inline uint32_t KeywordAutomaton::SparseStep(uint32_t state, uint8_t byteClass) const {
    for (;;) {
        if (state < denseCount_) return rows_[static_cast<size_t>(state) * classCount_ + byteClass];
        const uint32_t end = edgeBegin_[state + 1];
        for (uint32_t e = edgeBegin_[state]; e < end; ++e)
            if (edgeClass_[e] == byteClass) return edgeTarget_[e];
        state = failure_[state];  // the root has a row, so this ends
    }
}

template <typename Found>
void KeywordAutomaton::Scan(const char* text, size_t length, Found found) const {
    if (denseCount_ == 0) return;
    const uint32_t* rows = rows_.data();
    const uint8_t* reports = reports_.data();
    const uint32_t width = classCount_;
    const uint32_t dense = denseCount_;
    uint32_t state = 0;
    for (size_t i = 0; i < length; ++i) {
        const uint8_t byteClass = classOf_[static_cast<unsigned char>(text[i])];
        if (byteClass == 0) {  // no key holds this byte: every match restarts
            state = 0;
            continue;
        }
        state = state < dense ? rows[static_cast<size_t>(state) * width + byteClass]
                              : SparseStep(state, byteClass);
        if (reports[state] == 0) continue;
        if (key_[state] >= 0) found(static_cast<size_t>(key_[state]), i);
        for (int32_t out = output_[state]; out >= 0; out = output_[out])
            found(static_cast<size_t>(key_[out]), i);
    }
}
