// filters/KeywordAutomaton.cpp: building the keyword automaton: a trie of the keys, then
// breadth first the failure links, output links and the rows of the states near the root.
#include "filters/KeywordAutomaton.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <numeric>
#include <utility>

#include "common/TextSearch.h"

namespace {

constexpr uint32_t kRowDepth = 2;             // every state this close to the root has a row
constexpr uint32_t kDeepRowDepth = 3;         // and these while the budget lasts
constexpr size_t kRowBudgetBytes = 4u << 20;  // for the rows of the deeper states
constexpr uint32_t kNone = 0xFFFFFFFFu;

// The trie as it grows: children as sibling lists.
struct TrieNode {
    uint32_t firstChild = kNone;
    uint32_t nextSibling = kNone;
    uint8_t byteClass = 0;
    uint8_t depth = 0;  // capped at 255: only small depths matter
    int32_t key = -1;
};

}  // namespace

size_t KeywordAutomaton::MemoryBytes() const {
    return (rows_.capacity() + failure_.capacity() + edgeBegin_.capacity() +
            edgeTarget_.capacity()) *
               sizeof(uint32_t) +
           (key_.capacity() + output_.capacity()) * sizeof(int32_t) + edgeClass_.capacity() +
           reports_.capacity();
}

void KeywordAutomaton::Clear() {
    rows_ = {};
    failure_ = {};
    edgeBegin_ = {};
    edgeClass_ = {};
    edgeTarget_ = {};
    key_ = {};
    output_ = {};
    reports_ = {};
    denseCount_ = 0;
    keyCount_ = 0;
}

int KeywordAutomaton::Build(const std::vector<std::string>& keys) {
    Clear();
    std::fill(std::begin(classOf_), std::end(classOf_), 0);
    try {
        // Classes: one per folded byte that some key holds; both cases of a letter share it.
        uint8_t folded[256] = {};
        for (const std::string& key : keys)
            for (char c : key) folded[FoldUpper(c)] = 1;
        classCount_ = 1;
        for (int b = 0; b < 256; ++b)
            if (folded[b]) folded[b] = static_cast<uint8_t>(classCount_++);
        for (int b = 0; b < 256; ++b) classOf_[b] = folded[kFoldUpper[b]];

        // The trie, from the keys in sorted order: a key shares its path with the one
        // before it up to their common prefix and only adds nodes after it, so no child
        // is ever looked for.
        std::vector<uint32_t> sorted(keys.size());
        std::iota(sorted.begin(), sorted.end(), 0u);
        std::sort(sorted.begin(), sorted.end(),
                  [&keys](uint32_t a, uint32_t b) { return keys[a] < keys[b]; });
        std::vector<TrieNode> trie(1);
        std::vector<uint32_t> path(1, 0);  // the previous key's nodes by depth
        const std::string* previous = nullptr;
        for (uint32_t k : sorted) {
            const std::string& key = keys[k];
            size_t common = 0;
            if (previous != nullptr)
                while (common < key.size() && common < previous->size() &&
                       key[common] == (*previous)[common])
                    ++common;
            path.resize(common + 1);
            uint32_t node = path[common];
            for (size_t i = common; i < key.size(); ++i) {
                const auto child = static_cast<uint32_t>(trie.size());
                TrieNode grown;
                grown.byteClass = classOf_[static_cast<unsigned char>(key[i])];
                grown.depth = static_cast<uint8_t>(std::min<size_t>(i + 1, 255));
                grown.nextSibling = trie[node].firstChild;
                trie.push_back(grown);
                trie[node].firstChild = child;
                path.push_back(child);
                node = child;
            }
            trie[node].key = static_cast<int32_t>(k);
            previous = &key;
        }

        // Breadth-first numbering: a state's failure target (always shallower) comes first.
        const size_t count = trie.size();
        std::vector<uint32_t> order;  // state -> trie node
        std::vector<uint32_t> stateOf(count, 0);
        order.reserve(count);
        order.push_back(0);
        std::vector<std::pair<uint8_t, uint32_t>> children;
        edgeBegin_.reserve(count + 1);
        edgeClass_.reserve(count);
        edgeTarget_.reserve(count);
        for (size_t s = 0; s < order.size(); ++s) {
            children.clear();
            for (uint32_t c = trie[order[s]].firstChild; c != kNone; c = trie[c].nextSibling)
                children.emplace_back(trie[c].byteClass, c);
            std::sort(children.begin(), children.end());
            edgeBegin_.push_back(static_cast<uint32_t>(edgeClass_.size()));
            for (const auto& [byteClass, child] : children) {
                stateOf[child] = static_cast<uint32_t>(order.size());
                order.push_back(child);
                edgeClass_.push_back(byteClass);
                edgeTarget_.push_back(stateOf[child]);
            }
        }
        edgeBegin_.push_back(static_cast<uint32_t>(edgeClass_.size()));

        failure_.assign(count, 0);
        key_.assign(count, -1);
        output_.assign(count, -1);
        reports_.assign(count, 0);
        const size_t deepRowLimit = kRowBudgetBytes / (classCount_ * sizeof(uint32_t));
        size_t deepRows = 0;
        bool rowsGoOn = true;  // rows belong to a prefix of the states
        for (uint32_t s = 0; s < count; ++s) {
            const uint32_t node = order[s];
            key_[s] = trie[node].key;
            for (uint32_t e = edgeBegin_[s]; e < edgeBegin_[s + 1]; ++e) {
                // A child's failure: where this state's failure goes with the same byte (the
                // root's children fail to the root). Every state before s is complete.
                failure_[edgeTarget_[e]] = s == 0 ? 0 : SparseStep(failure_[s], edgeClass_[e]);
            }
            if (s != 0) {
                const uint32_t f = failure_[s];
                output_[s] = key_[f] >= 0 ? static_cast<int32_t>(f) : output_[f];
                reports_[s] = key_[s] >= 0 || output_[s] >= 0 ? 1 : 0;
            }
            const uint32_t depth = trie[node].depth;
            rowsGoOn = rowsGoOn &&
                       (depth <= kRowDepth || (depth <= kDeepRowDepth && deepRows < deepRowLimit));
            if (!rowsGoOn) continue;
            if (depth > kRowDepth) ++deepRows;
            denseCount_ = s + 1;
            const size_t at = rows_.size();
            rows_.resize(at + classCount_, 0);
            for (uint32_t e = edgeBegin_[s]; e < edgeBegin_[s + 1]; ++e)
                rows_[at + edgeClass_[e]] = edgeTarget_[e];
            if (s == 0) continue;
            // Missing edges go where the failure state goes; it is shallower, so has a row.
            const size_t failureRow = static_cast<size_t>(failure_[s]) * classCount_;
            for (uint32_t b = 1; b < classCount_; ++b)
                if (rows_[at + b] == 0) rows_[at + b] = rows_[failureRow + b];  // no edge
        }
        keyCount_ = keys.size();
        return 1;
    } catch (const std::bad_alloc&) {
        Clear();
        return 0;
    }
}
