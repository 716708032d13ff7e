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
    struct Node {
        uint32_t failure;    // the longest proper suffix that is also a trie node
        uint32_t edgeBegin;  // first of its edges in edgeClass_/edgeTarget_
        uint32_t edgeCount;  // its children
        int32_t row;         // its complete transition row in rows_, or -1
        int32_t key;         // the key that ends here, or -1
        int32_t output;      // the nearest node on the failure chain where a key ends, or -1
    };

    uint32_t Step(uint32_t state, uint8_t byteClass) const;

    uint8_t classOf_[256] = {};  // byte -> class: 0 for bytes that no key holds
    uint32_t classCount_ = 1;    // the width of a row
    size_t keyCount_ = 0;
    std::vector<Node> nodes_;         // node 0 is the root
    std::vector<uint8_t> edgeClass_;  // sorted by class within a node
    std::vector<uint32_t> edgeTarget_;
    std::vector<uint32_t> rows_;  // complete rows of the nodes near the root
};

inline uint32_t KeywordAutomaton::Step(uint32_t state, uint8_t byteClass) const {
    if (byteClass == 0) return 0;  // no key holds this byte: every match restarts
    for (;;) {
        const Node& node = nodes_[state];
        if (node.row >= 0) return rows_[static_cast<size_t>(node.row) * classCount_ + byteClass];
        const uint8_t* classes = edgeClass_.data() + node.edgeBegin;
        for (uint32_t e = 0; e < node.edgeCount; ++e)
            if (classes[e] == byteClass) return edgeTarget_[node.edgeBegin + e];
        state = node.failure;  // the root has a row, so this ends
    }
}

template <typename Found>
void KeywordAutomaton::Scan(const char* text, size_t length, Found found) const {
    if (nodes_.empty()) return;
    uint32_t state = 0;
    for (size_t i = 0; i < length; ++i) {
        state = Step(state, classOf_[static_cast<unsigned char>(text[i])]);
        const Node& node = nodes_[state];
        if (node.key >= 0) found(static_cast<size_t>(node.key), i);
        for (int32_t out = node.output; out >= 0; out = nodes_[out].output)
            found(static_cast<size_t>(nodes_[out].key), i);
    }
}
