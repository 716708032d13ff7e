// filters/KeywordAutomaton.cpp: building the keyword automaton. Nodes near the root get a
// complete transition row (most steps of a scan end there, since message text mostly
// fails to continue a key); deeper nodes keep only their few edges and fall back along
// their failure link, which keeps a list of 100,000 words within a few megabytes.
#include "filters/KeywordAutomaton.h"

#include <algorithm>
#include <new>

#include "common/TextSearch.h"

namespace {

constexpr uint32_t kRowDepth = 2;             // every node this close to the root has a row
constexpr uint32_t kDeepRowDepth = 3;         // and these while the budget lasts
constexpr size_t kRowBudgetBytes = 4u << 20;  // for the rows of the deeper nodes
constexpr uint32_t kNone = 0xFFFFFFFFu;

// The trie as it grows: children as sibling lists.
struct BuildNode {
    uint32_t firstChild = kNone;
    uint32_t nextSibling = kNone;
    uint8_t byteClass = 0;
    uint32_t depth = 0;
    int32_t key = -1;
};

uint32_t ChildOf(const std::vector<BuildNode>& trie, uint32_t node, uint8_t byteClass) {
    for (uint32_t c = trie[node].firstChild; c != kNone; c = trie[c].nextSibling)
        if (trie[c].byteClass == byteClass) return c;
    return kNone;
}

}  // namespace

size_t KeywordAutomaton::MemoryBytes() const {
    return nodes_.capacity() * sizeof(Node) + edgeClass_.capacity() +
           edgeTarget_.capacity() * sizeof(uint32_t) + rows_.capacity() * sizeof(uint32_t);
}

int KeywordAutomaton::Build(const std::vector<std::string>& keys) {
    nodes_.clear();
    edgeClass_.clear();
    edgeTarget_.clear();
    rows_.clear();
    std::fill(std::begin(classOf_), std::end(classOf_), 0);
    keyCount_ = keys.size();
    try {
        // Classes: one per folded byte that some key holds; both cases of a letter share it.
        uint8_t folded[256] = {};
        for (const std::string& key : keys)
            for (char c : key) folded[FoldUpper(c)] = 1;
        classCount_ = 1;
        for (int b = 0; b < 256; ++b)
            if (folded[b]) folded[b] = static_cast<uint8_t>(classCount_++);
        for (int b = 0; b < 256; ++b) classOf_[b] = folded[kFoldUpper[b]];

        std::vector<BuildNode> trie(1);
        for (size_t k = 0; k < keys.size(); ++k) {
            uint32_t node = 0;
            for (char c : keys[k]) {
                const uint8_t byteClass = classOf_[static_cast<unsigned char>(c)];
                uint32_t child = ChildOf(trie, node, byteClass);
                if (child == kNone) {
                    child = static_cast<uint32_t>(trie.size());
                    BuildNode grown;
                    grown.byteClass = byteClass;
                    grown.depth = trie[node].depth + 1;
                    grown.nextSibling = trie[node].firstChild;
                    trie.push_back(grown);
                    trie[node].firstChild = child;
                }
                node = child;
            }
            trie[node].key = static_cast<int32_t>(k);
        }

        // Breadth first, so that a node's failure target (always shallower) is done first.
        const size_t count = trie.size();
        nodes_.assign(count, Node{0, 0, 0, -1, -1, -1});
        std::vector<uint32_t> order;
        order.reserve(count);
        order.push_back(0);
        size_t deepRows = 0;
        const size_t deepRowLimit = kRowBudgetBytes / (classCount_ * sizeof(uint32_t));
        for (size_t i = 0; i < order.size(); ++i) {
            const uint32_t u = order[i];
            Node& node = nodes_[u];
            node.key = trie[u].key;
            // Edges, sorted by class.
            std::vector<std::pair<uint8_t, uint32_t>> children;
            for (uint32_t c = trie[u].firstChild; c != kNone; c = trie[c].nextSibling)
                children.emplace_back(trie[c].byteClass, c);
            std::sort(children.begin(), children.end());
            node.edgeBegin = static_cast<uint32_t>(edgeClass_.size());
            node.edgeCount = static_cast<uint32_t>(children.size());
            for (const auto& [byteClass, child] : children) {
                edgeClass_.push_back(byteClass);
                edgeTarget_.push_back(child);
                order.push_back(child);
                // The child's failure: follow u's failure chain to a node with that edge.
                uint32_t f = u == 0 ? kNone : nodes_[u].failure;
                uint32_t target = 0;
                while (f != kNone) {
                    const uint32_t next = ChildOf(trie, f, byteClass);
                    if (next != kNone) {
                        target = next;
                        break;
                    }
                    f = f == 0 ? kNone : nodes_[f].failure;
                }
                nodes_[child].failure = target;
            }
            // The output link: the failure target when a key ends there, else its link.
            if (u != 0) {
                const Node& failure = nodes_[node.failure];
                node.output =
                    failure.key >= 0 ? static_cast<int32_t>(node.failure) : failure.output;
            }
            const uint32_t depth = trie[u].depth;
            const bool wantsRow =
                depth <= kRowDepth || (depth <= kDeepRowDepth && deepRows < deepRowLimit);
            if (!wantsRow) continue;
            if (depth > kRowDepth) ++deepRows;
            node.row = static_cast<int32_t>(rows_.size() / classCount_);
            const size_t at = rows_.size();
            rows_.resize(at + classCount_, 0);
            for (uint32_t b = 1; b < classCount_; ++b) {
                const uint32_t child = ChildOf(trie, u, static_cast<uint8_t>(b));
                if (child != kNone)
                    rows_[at + b] = child;
                else if (u != 0)  // the failure target is shallower, so it has a row
                    rows_[at + b] =
                        rows_[static_cast<size_t>(nodes_[node.failure].row) * classCount_ + b];
            }
        }
        return 1;
    } catch (const std::bad_alloc&) {
        nodes_.clear();
        edgeClass_.clear();
        edgeTarget_.clear();
        rows_.clear();
        keyCount_ = 0;
        return 0;
    }
}
