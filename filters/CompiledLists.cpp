// filters/CompiledLists.cpp: compiling a criterion's word lists and matching a text
// against them. The automaton only proposes: a word is a candidate when its literal key
// occurs in the text, and every candidate is then decided as MatchPattern decides it
// (plain words without regard to case directly from their first occurrence, everything
// else by MatchPattern itself). A word whose key does not occur cannot match, since
// every way MatchPattern accepts a word puts each of its literal segments into the text.
#include "filters/CompiledLists.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/Settings.h"
#include "common/TextSearch.h"
#include "filters/EvaluationRecords.h"
#include "filters/KeywordAutomaton.h"
#include "filters/ListWalk.h"
#include "filters/PatternCache.h"
#include "filters/TokenTable.h"
#include "filters/TokenTableSplitter.h"
#include "filters/WordMatcher.h"
#include "platform/NeverDestroyed.h"

namespace {

std::atomic<bool> compiledListsOn{true};

enum class WordForm : uint8_t {
    kToken,      // a plain word without any delimiter byte: found among the text's tokens
    kPlain,      // no "*": a word between delimiters, first occurrence only
    kSubstring,  // holds "**": anywhere, asterisks included
    kWildcard,   // segments cut at "*": decided by MatchPattern
};

struct CompiledWord {
    const char* text;  // the word as written (owned by the entry or the compiled lists)
    uint32_t length;   // its length in bytes
    uint32_t unit;     // the condition it belongs to
    WordForm form;
};

// One condition of one filter, in the order of the word-by-word walk.
struct Unit {
    int filter;                 // filter number, 1..filterCount
    int condition;              // condition number j
    bool byWord;                // walked word by word (a word file read each time, a sender)
    bool fromFile;              // words of a cached pattern file, else inline alternatives
    int fieldCount;             // alternatives of an inline condition, for announceCount
    std::string conditionText;  // the condition text, for byWord units
};

}  // namespace

// Subject and body criteria, or the header criteria, often test the same lists: their
// keys build one matcher, shared for as long as any compiled criterion uses it. Keys
// 0..keys.size()-1 are the automaton's, the token table's follow.
struct SharedAutomaton {
    std::vector<std::string> keys;       // the automaton's, in key order
    std::vector<std::string> tokenKeys;  // the token table's, in key order
    KeywordAutomaton automaton;
    TokenTable tokens;
    bool breaksToken[256] = {};  // folded bytes that some token key holds: as delimiters
                                 // they could cut a token word, so the table is not used
};

// What compiled lists are built from besides the set. The count of configuration
// directory changes stands for the directory itself (a pattern file's path depends on
// it), without copying it for every line.
struct ListSources {
    uint64_t cacheGeneration = 0;
    uint32_t allowCaching = 0;
    uint64_t configurationChanges = 0;
    bool operator==(const ListSources&) const = default;
};

struct CompiledCriterion {
    ListSources sources;  // read before building

    std::vector<std::shared_ptr<const PatternEntry>> entries;  // the files' words live here
    std::deque<std::string> inlineWords;                       // and the alternatives here
    std::vector<Unit> units;
    std::vector<CompiledWord> words;                 // in unit order, then list order
    std::shared_ptr<const SharedAutomaton> matcher;  // shared with identical lists
    std::vector<uint32_t> keyWordsBegin;             // key k: words keyWords[begin[k]..begin[k+1])
    std::vector<uint32_t> keyWords;
    std::vector<uint32_t> alwaysWords;  // wildcards without a literal: tried on every text
    bool actsOnEveryText = false;       // a unit walked word by word, or one that prints a count
};

namespace {

std::mutex sharedAutomataLock;
std::vector<std::weak_ptr<const SharedAutomaton>> sharedAutomata;

std::shared_ptr<const SharedAutomaton> AutomatonFor(std::vector<std::string>&& keys,
                                                    std::vector<std::string>&& tokenKeys) {
    {
        std::lock_guard<std::mutex> guard(sharedAutomataLock);
        std::erase_if(sharedAutomata, [](const auto& weak) { return weak.expired(); });
        for (const auto& weak : sharedAutomata) {
            std::shared_ptr<const SharedAutomaton> known = weak.lock();
            if (known != nullptr && known->keys == keys && known->tokenKeys == tokenKeys)
                return known;
        }
    }
    auto built = std::make_shared<SharedAutomaton>();
    if (!built->automaton.Build(keys) || !built->tokens.Build(tokenKeys)) throw std::bad_alloc();
    for (const std::string& key : tokenKeys)
        for (char c : key) built->breaksToken[static_cast<unsigned char>(c)] = true;
    built->keys = std::move(keys);
    built->tokenKeys = std::move(tokenKeys);
    std::lock_guard<std::mutex> guard(sharedAutomataLock);
    sharedAutomata.push_back(built);
    return built;
}

// Every byte of the delimiter sets the scanner and the envelope checks pass. A word that
// holds none of them lies within one token of any text split at those sets.
constexpr std::string_view kTokenBreakers = " \r'\"\n<>;:].";

WordForm FormOf(std::string_view word) {
    if (word.find("**") != std::string_view::npos) return WordForm::kSubstring;
    if (word.find('*') != std::string_view::npos) return WordForm::kWildcard;
    return word.find_first_of(kTokenBreakers) == std::string_view::npos ? WordForm::kToken
                                                                        : WordForm::kPlain;
}

// The literal a text must hold for the word to match: the whole word, or the longest
// segment of a wildcard pattern (empty: none).
std::string_view KeyOf(std::string_view word, WordForm form) {
    if (form != WordForm::kWildcard) return word;
    std::string_view longest;
    size_t start = 0;
    while (start <= word.size()) {
        size_t star = word.find('*', start);
        if (star == std::string_view::npos) star = word.size();
        if (star - start > longest.size()) longest = word.substr(start, star - start);
        start = star + 1;
    }
    return longest;
}

std::string Folded(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) c = static_cast<char>(FoldUpper(c));
    return folded;
}

class Compiler {
public:
    explicit Compiler(CompiledCriterion& out) : out_(out) {}

    void AddWord(const char* text, size_t length) {
        if (length == 0) return;  // an empty entry never matches
        const std::string_view word(text, length);
        const WordForm form = FormOf(word);
        const auto index = static_cast<uint32_t>(out_.words.size());
        out_.words.push_back({text, static_cast<uint32_t>(length),
                              static_cast<uint32_t>(out_.units.size() - 1), form});
        const std::string_view key = KeyOf(word, form);
        if (key.empty()) {
            out_.alwaysWords.push_back(index);
            return;
        }
        if (form == WordForm::kToken) {
            auto [at, added] =
                tokenIndex_.try_emplace(Folded(key), static_cast<uint32_t>(tokenKeys_.size()));
            if (added) tokenKeys_.push_back(at->first);
            keyed_.emplace_back(at->second | kTokenKeyFlag, index);
            return;
        }
        auto [at, added] = keyIndex_.try_emplace(Folded(key), static_cast<uint32_t>(keys_.size()));
        if (added) keys_.push_back(at->first);
        keyed_.emplace_back(at->second, index);
    }

    void Finish() {
        keyIndex_ = {};
        tokenIndex_ = {};
        const auto automatonKeys = static_cast<uint32_t>(keys_.size());
        const size_t keyCount = keys_.size() + tokenKeys_.size();
        out_.matcher = AutomatonFor(std::move(keys_), std::move(tokenKeys_));
        for (auto& [key, word] : keyed_)
            if (key & kTokenKeyFlag) key = automatonKeys + (key & ~kTokenKeyFlag);
        // Counting sort of the words by key, each key's words in list order.
        std::vector<uint32_t>& begin = out_.keyWordsBegin;
        begin.assign(keyCount + 1, 0);
        for (const auto& [key, word] : keyed_) ++begin[key + 1];
        for (size_t k = 0; k < keyCount; ++k) begin[k + 1] += begin[k];
        out_.keyWords.resize(keyed_.size());
        std::vector<uint32_t> next(begin.begin(), begin.end() - 1);
        for (const auto& [key, word] : keyed_) out_.keyWords[next[key]++] = word;
        keyed_ = {};
    }

private:
    CompiledCriterion& out_;
    static constexpr uint32_t kTokenKeyFlag = 0x80000000u;  // in keyed_, until Finish

    std::unordered_map<std::string, uint32_t> keyIndex_;
    std::vector<std::string> keys_;
    std::unordered_map<std::string, uint32_t> tokenIndex_;
    std::vector<std::string> tokenKeys_;
    std::vector<std::pair<uint32_t, uint32_t>> keyed_;  // (key, word) for every keyed word
};

void CompileCondition(const ListWalk& walk, int filter, int j, const char* condition,
                      CompiledCriterion& out, Compiler& compiler) {
    Unit unit{filter, j, false, false, 0, {}};
    char path[kPatternPathCapacity];
    if (ResolvePatternPath(walk.set, condition, path, sizeof path)) {
        if (out.sources.allowCaching == 0) {  // the file is read afresh for every text
            unit.byWord = true;
            out.actsOnEveryText = true;
            unit.conditionText = condition;
            out.units.push_back(std::move(unit));
            return;
        }
        std::shared_ptr<const PatternEntry> entry = FindCachedPatterns(path);
        if (entry != nullptr) {
            unit.fromFile = true;
            out.units.push_back(std::move(unit));
            for (const std::string& word : entry->words) compiler.AddWord(word.data(), word.size());
            out.entries.push_back(std::move(entry));
            return;
        }
    }
    if (TakesSender(walk.style, condition)) {  // differs from message to message
        unit.byWord = true;
        out.actsOnEveryText = true;
        unit.conditionText = condition;
        out.units.push_back(std::move(unit));
        return;
    }
    unit.fieldCount = CountDelimitedFields(condition, kConditionSeparator);
    if (walk.style.announceCount != nullptr) out.actsOnEveryText = true;
    out.units.push_back(std::move(unit));
    char alternative[kListBufferCapacity];
    ForEachAlternative(condition, alternative, walk.style.conditionCapacity, [&](char* field) {
        if (field[0] == '\0') return;
        const std::string& word = out.inlineWords.emplace_back(field);
        compiler.AddWord(word.data(), word.size());
    });
}

std::shared_ptr<const CompiledCriterion> Compile(const ListWalk& walk, const ListSources& sources) {
    auto out = std::make_shared<CompiledCriterion>();
    out->sources = sources;
    Compiler compiler(*out);
    const FilterSet& set = *walk.set;
    char condition[kListBufferCapacity];
    for (int f = 1; f <= set.filterCount && f <= kMaxFilters; ++f) {
        const FilterDefinition* filter = set.filters[f];
        if (filter == nullptr || filter->criteria[walk.type].enabled != 1) continue;
        ForEachCondition(
            filter->criteria[walk.type], condition, walk.style.conditionCapacity,
            [&](int j, const char* value) { CompileCondition(walk, f, j, value, *out, compiler); });
    }
    compiler.Finish();
    return out;
}

ListSources SourcesNow() {
    return {PatternCacheGeneration(), Settings().allowPatternCaching,
            ConfigurationDirectoryChanges()};
}

// The slot of the set's compiled lists that holds the walk's criterion as `kind`.
int SlotOf(const ListWalk& walk, ListKind kind) {
    static_assert(kCriterionTypeCount * 3 <= CompiledListSlots::kSlotCount);
    return walk.type * 3 + static_cast<int>(kind);
}

// Reused from text to text: which keys the current text holds, and where each first ends.
struct Scratch {
    std::vector<uint32_t> seenIn;  // key -> the text number that last found it
    std::vector<uint32_t> firstEnd;
    std::vector<uint32_t> longestBefore;  // token keys: the longest token before the first
    std::vector<uint32_t> foundKeys;
    std::vector<uint32_t> matched;  // word indices
    uint32_t textNumber = 0;

    // The delimiter set of the previous text (the scanner passes the same few sets line
    // after line) and its splitter, so that the splitter is not set up for every line.
    bool delimitersKnown = false;
    char delimiters[32] = {};
    TokenSplitter splitter;
    uint64_t splitterChanges = 0;  // counts the sets taken by the splitter

    // The compiled lists last used from this area, slot by slot, so that a text takes
    // neither the set's lock nor a reference. Whether the token table can be used with
    // the splitter's delimiters is remembered beside them.
    struct Remembered {
        std::shared_ptr<const CompiledCriterion> compiled;
        uint64_t splitterChanges = 0;  // when tokensUsable was decided; 0: not yet
        bool tokensUsable = false;
    };
    Remembered remembered[CompiledListSlots::kSlotCount];
    uint64_t setsEnded = 0;  // of setsEndedCount, when `remembered` was last checked
};

// The splitter for `delimiters`, set up only when they differ from the previous text's.
const TokenSplitter& SplitterFor(Scratch& s, const char* delimiters) {
    if (delimiters == nullptr) delimiters = "";
    if (s.delimitersKnown && std::strcmp(s.delimiters, delimiters) == 0) return s.splitter;
    s.splitter.Use(delimiters);
    ++s.splitterChanges;
    // A set too long to remember is looked at afresh for the next text.
    s.delimitersKnown = std::strlen(delimiters) < sizeof s.delimiters;
    if (s.delimitersKnown) std::strcpy(s.delimiters, delimiters);
    return s.splitter;
}

// Spare scratch areas, one taken by each text being matched. Not thread_local: a
// thread_local with a destructor keeps the C library from ever unloading the plug-in,
// whose detach would then run after the static destructors. Never destroyed, for the
// same reason: a detach may still match nothing, but must find the pool.
struct ScratchPool {
    std::atomic<Scratch*> quick{nullptr};  // one spare taken and given back without the lock:
                                           // a lone run takes it line after line
    std::mutex lock;
    std::vector<std::unique_ptr<Scratch>> spares;
};
constexpr size_t kSpareScratchAreas = 64;

ScratchPool& Scratches() {
    // In the library's own storage, emptied by the unload: nothing stays on the host's heap.
    static platform::NeverDestroyed<ScratchPool> pool;
    return *pool;
}

class ScratchLease {
public:
    ScratchLease() {
        ScratchPool& pool = Scratches();
        area_.reset(pool.quick.exchange(nullptr, std::memory_order_acquire));
        if (area_ != nullptr) return;
        {
            std::lock_guard<std::mutex> guard(pool.lock);
            if (!pool.spares.empty()) {
                area_ = std::move(pool.spares.back());
                pool.spares.pop_back();
            }
        }
        if (area_ == nullptr) area_ = std::make_unique<Scratch>();
    }
    ~ScratchLease() {
        ScratchPool& pool = Scratches();
        Scratch* empty = nullptr;
        if (pool.quick.compare_exchange_strong(empty, area_.get(), std::memory_order_release,
                                               std::memory_order_relaxed)) {
            (void)area_.release();
            return;
        }
        std::lock_guard<std::mutex> guard(pool.lock);
        if (pool.spares.size() >= kSpareScratchAreas) return;
        try {
            pool.spares.push_back(std::move(area_));
        } catch (const std::bad_alloc&) {
            // Freed instead.
        }
    }
    ScratchLease(const ScratchLease&) = delete;
    ScratchLease& operator=(const ScratchLease&) = delete;

    Scratch& Area() { return *area_; }

private:
    std::unique_ptr<Scratch> area_;
};

// Counts the filter sets that ended. An area that sees it changed forgets the lists it
// remembers, so that it keeps no ended set's lists alive.
std::atomic<uint64_t> setsEndedCount{0};

void ForgetRemembered(Scratch& area) {
    for (Scratch::Remembered& entry : area.remembered) entry = {};
}

// A set ends: the spare areas forget at once, the ones in use when they are next taken.
void ForgetRememberedLists() {
    setsEndedCount.fetch_add(1, std::memory_order_relaxed);
    ScratchPool& pool = Scratches();
    std::unique_ptr<Scratch> quick(pool.quick.exchange(nullptr, std::memory_order_acquire));
    std::lock_guard<std::mutex> guard(pool.lock);
    if (quick != nullptr) {
        ForgetRemembered(*quick);
        Scratch* empty = nullptr;
        if (pool.quick.compare_exchange_strong(empty, quick.get(), std::memory_order_release,
                                               std::memory_order_relaxed))
            (void)quick.release();
    }
    for (const std::unique_ptr<Scratch>& spare : pool.spares) ForgetRemembered(*spare);
}

// Whether the delimiters of this text leave every token word within one token.
bool TokensUsable(const SharedAutomaton& matcher, const char* delimiters) {
    for (const char* d = delimiters; d != nullptr && *d != '\0'; ++d)
        if (matcher.breaksToken[FoldUpper(*d)]) return false;
    return true;
}

void FindCandidates(Scratch& s, const CompiledCriterion& compiled, const char* text, size_t length,
                    const TokenSplitter& splitter, bool tokensUsable) {
    const SharedAutomaton& matcher = *compiled.matcher;
    const size_t automatonKeys = matcher.automaton.KeyCount();
    const size_t keys = automatonKeys + matcher.tokens.KeyCount();
    if (s.seenIn.size() < keys) {
        s.seenIn.resize(keys, 0);
        s.firstEnd.resize(keys, 0);
        s.longestBefore.resize(keys, 0);
    }
    if (++s.textNumber == 0) {  // wrapped: forget every old mark
        std::fill(s.seenIn.begin(), s.seenIn.end(), 0);
        s.textNumber = 1;
    }
    s.foundKeys.clear();
    auto found = [&s](size_t key, size_t end) {
        if (s.seenIn[key] == s.textNumber) return false;
        s.seenIn[key] = s.textNumber;
        s.firstEnd[key] = static_cast<uint32_t>(end);
        s.foundKeys.push_back(static_cast<uint32_t>(key));
        return true;
    };
    if (automatonKeys > 0) matcher.automaton.Scan(text, length, found);
    if (matcher.tokens.KeyCount() == 0 || !tokensUsable) return;
    const size_t shortest = matcher.tokens.ShortestKey();
    const size_t longest = matcher.tokens.LongestKey();
    size_t longestToken = 0;  // of the tokens before the current one
    splitter.Split(text, length, [&](size_t start, size_t size) {
        const size_t longestBefore = longestToken;
        longestToken = std::max(longestToken, size);
        if (size < shortest || size > longest) return;
        // The terminator makes length + 1 bytes readable.
        const uint64_t hash = TokenTable::Hash(text + start, size, length + 1 - start);
        if (!matcher.tokens.MayHold(hash)) return;
        const int32_t key = matcher.tokens.Find(text + start, size, hash);
        if (key < 0) return;
        const size_t index = automatonKeys + static_cast<size_t>(key);
        if (found(index, start + size - 1))
            s.longestBefore[index] = static_cast<uint32_t>(longestBefore);
    });
}

// Whether a token word whose first equal token ends at `end` matches as MatchPattern
// decides without regard to case: only when no earlier token holds it, since its bytes
// are no delimiters and an earlier occurrence therefore lies inside a longer token
// ("carefree free"). Tokens no longer than the word cannot hold it.
bool TokenWordMet(const char* text, const CompiledWord& word, uint32_t end,
                  uint32_t longestBefore) {
    if (longestBefore <= word.length) return true;
    const uint32_t start = end + 1 - word.length;
    return FindNoCase(text, end + 1, word.text, word.length) == text + start;
}

void DecideCandidates(Scratch& s, const CompiledCriterion& compiled, const ListWalk& walk,
                      size_t length, int caseSensitive, const TokenSplitter& splitter,
                      bool tokensUsable) {
    const char* text = walk.text;
    if (!tokensUsable) {  // delimiters no list was compiled for: every token word is a candidate
        const auto first = static_cast<uint32_t>(compiled.matcher->automaton.KeyCount());
        for (uint32_t key = first; key + 1 < compiled.keyWordsBegin.size(); ++key)
            s.foundKeys.push_back(key);
    }
    s.matched.clear();
    for (uint32_t key : s.foundKeys) {
        const uint32_t end = s.firstEnd[key];  // of the first occurrence, ignoring case
        for (uint32_t k = compiled.keyWordsBegin[key]; k < compiled.keyWordsBegin[key + 1]; ++k) {
            const uint32_t index = compiled.keyWords[k];
            const CompiledWord& word = compiled.words[index];
            bool met = false;
            if (word.form == WordForm::kToken && tokensUsable && caseSensitive != 1) {
                met = TokenWordMet(text, word, end, s.longestBefore[key]);
            } else if (word.form == WordForm::kSubstring) {
                met = true;  // found without regard to case, whatever the flag
            } else if (word.form == WordForm::kPlain && caseSensitive != 1) {
                const size_t start = end + 1 - word.length;
                const bool leftGood = start == 0 || splitter.IsDelimiter(text[start - 1]);
                const bool rightGood = end + 1 == length || splitter.IsDelimiter(text[end + 1]);
                met = leftGood && rightGood;
            } else {
                met = MatchPattern(text, word.text, walk.delimiters, caseSensitive) == 1;
            }
            if (met) s.matched.push_back(index);
        }
    }
    for (uint32_t index : compiled.alwaysWords)
        if (MatchPattern(text, compiled.words[index].text, walk.delimiters, caseSensitive))
            s.matched.push_back(index);
    std::sort(s.matched.begin(), s.matched.end());
}

FilterEvaluation* EvaluationFor(FilterEvaluationSet* evaluations, int filter) {
    return filter <= evaluations->count ? evaluations->evaluations[filter] : nullptr;
}

void Record(const std::vector<uint32_t>& matched, const CompiledCriterion& compiled,
            const ListWalk& walk, FilterEvaluationSet* evaluations) {
    if (matched.empty() && !compiled.actsOnEveryText) return;  // the usual text
    size_t next = 0;
    for (size_t u = 0; u < compiled.units.size(); ++u) {
        if (!compiled.actsOnEveryText) {  // only the units of found words act: go to the next
            if (next == matched.size()) return;
            u = compiled.words[matched[next]].unit;
        }
        const Unit& unit = compiled.units[u];
        FilterEvaluation* evaluation = EvaluationFor(evaluations, unit.filter);
        if (evaluation == nullptr) {
            while (next < matched.size() && compiled.words[matched[next]].unit == u) ++next;
            continue;
        }
        if (unit.byWord) {
            MatchConditionByWord(walk, unit.condition, unit.conditionText.c_str(), *evaluation);
            continue;
        }
        const ListStyle& style = walk.style;
        if (!unit.fromFile && style.announceCount != nullptr) style.announceCount(unit.fieldCount);
        for (; next < matched.size() && compiled.words[matched[next]].unit == u; ++next) {
            const char* word = compiled.words[matched[next]].text;
            if (unit.fromFile) {
                RecordFinding(*evaluation, walk.type, unit.condition, style.fileTag, word);
                AnnounceCachedHit(style.fileTag, word);
            } else {
                RecordFinding(*evaluation, walk.type, unit.condition, style.inlineTag, word);
                if (style.announceMatch != nullptr) style.announceMatch(word);
            }
        }
    }
}

}  // namespace

CompiledListSlots& CompiledListSlots::operator=(const CompiledListSlots& other) {
    if (this == &other) return *this;
    std::lock_guard<std::mutex> guard(lock_);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        slots_[slot].reset();
        current_[slot].store(nullptr, std::memory_order_release);
    }
    return *this;
}

CompiledListSlots::~CompiledListSlots() {
    ForgetRememberedLists();
}

std::shared_ptr<const CompiledCriterion> CompiledListSlots::Get(int slot) const {
    std::lock_guard<std::mutex> guard(lock_);
    return slots_[slot];
}

void CompiledListSlots::Put(int slot, std::shared_ptr<const CompiledCriterion> compiled) const {
    std::lock_guard<std::mutex> guard(lock_);
    current_[slot].store(compiled.get(), std::memory_order_release);
    slots_[slot] = std::move(compiled);
}

void UseCompiledLists(bool on) {
    compiledListsOn.store(on);
}

namespace {

// The compiled lists of the walk's criterion, compiled now when there are none or they
// are out of date; null when memory ran out.
std::shared_ptr<const CompiledCriterion> CompiledFor(const ListWalk& walk, ListKind kind) {
    const int slot = SlotOf(walk, kind);
    // Read before compiling: a change made meanwhile shows on the next text.
    const ListSources sources = SourcesNow();
    std::shared_ptr<const CompiledCriterion> compiled = walk.set->compiledLists.Get(slot);
    if (compiled != nullptr && compiled->sources == sources) return compiled;
    try {
        compiled = Compile(walk, sources);
    } catch (const std::bad_alloc&) {
        return nullptr;  // the word-by-word walk needs no memory
    }
    walk.set->compiledLists.Put(slot, compiled);
    return compiled;
}

// Which kind of list each criterion type is evaluated as. ORDER MATTERS: must agree with
// the evaluators the scanner and the envelope checks call for each type.
struct TypeKind {
    int type;
    ListKind kind;
};
constexpr TypeKind kListCriteria[] = {
    {kSubject, ListKind::kWordList},  {kBody, ListKind::kWordList},
    {kPriority, ListKind::kWordList}, {kHeadersContain, ListKind::kWordList},
    {kSpf, ListKind::kWordList},      {kBoundaryHeadersContain, ListKind::kWordList},
    {kTo, ListKind::kAddress},        {kCc, ListKind::kAddress},
    {kToOrCc, ListKind::kAddress},    {kFrom, ListKind::kAddress},
    {kToOrCc, ListKind::kEnvelope},   {kIpAddress, ListKind::kEnvelope},
    {kAccount, ListKind::kEnvelope},  {kConnector, ListKind::kEnvelope},
};

bool AnyFilterEnables(const FilterSet& set, int type) {
    for (int f = 1; f <= set.filterCount && f <= kMaxFilters; ++f)
        if (set.filters[f] != nullptr && set.filters[f]->criteria[type].enabled == 1) return true;
    return false;
}

}  // namespace

int CompileWordLists(const FilterSet* set) {
    if (set == nullptr || !compiledListsOn.load()) return 1;
    for (const TypeKind& criterion : kListCriteria) {
        if (!AnyFilterEnables(*set, criterion.type)) continue;
        const ListWalk walk{StyleOf(criterion.kind), criterion.type, "", "", set, ""};
        (void)CompiledFor(walk, criterion.kind);
    }
    return 1;
}

namespace {

// The compiled lists of the walk's criterion as CompiledFor gives them, taken from what
// the area remembers while the set's slot still holds them and they are current.
Scratch::Remembered* RememberedFor(Scratch& area, const ListWalk& walk, ListKind kind) {
    const uint64_t setsEnded = setsEndedCount.load(std::memory_order_relaxed);
    if (area.setsEnded != setsEnded) {
        ForgetRemembered(area);
        area.setsEnded = setsEnded;
    }
    const int slot = SlotOf(walk, kind);
    Scratch::Remembered& entry = area.remembered[slot];
    if (entry.compiled != nullptr && entry.compiled.get() == walk.set->compiledLists.Peek(slot) &&
        entry.compiled->sources == SourcesNow())
        return &entry;
    entry = {CompiledFor(walk, kind)};
    return entry.compiled != nullptr ? &entry : nullptr;
}

}  // namespace

int MatchCompiledLists(const ListWalk& walk, ListKind kind, FilterEvaluationSet* evaluations) {
    if (!compiledListsOn.load(std::memory_order_relaxed)) return 0;
    if (walk.text == nullptr || walk.set == nullptr || evaluations == nullptr) return 0;
    if (walk.type < 0 || walk.type >= kCriterionTypeCount) return 0;
    std::optional<ScratchLease> lease;
    const CompiledCriterion* compiled = nullptr;
    try {
        lease.emplace();
        Scratch& area = lease->Area();
        Scratch::Remembered* remembered = RememberedFor(area, walk, kind);
        if (remembered == nullptr) return 0;
        compiled = remembered->compiled.get();
        const TokenSplitter& splitter = SplitterFor(area, walk.delimiters);
        if (remembered->splitterChanges != area.splitterChanges) {
            remembered->tokensUsable = TokensUsable(*compiled->matcher, walk.delimiters);
            remembered->splitterChanges = area.splitterChanges;
        }
        const bool tokensUsable = remembered->tokensUsable;
        const size_t length = std::strlen(walk.text);
        FindCandidates(area, *compiled, walk.text, length, splitter, tokensUsable);
        DecideCandidates(area, *compiled, walk, length, CaseSensitive(), splitter, tokensUsable);
    } catch (const std::bad_alloc&) {
        return 0;  // nothing recorded yet: the word-by-word walk takes over
    }
    Record(lease->Area().matched, *compiled, walk, evaluations);
    return 1;
}

void ReleaseSpareScratchAreas() {
    std::vector<std::unique_ptr<Scratch>> released;
    ScratchPool& pool = Scratches();
    const std::unique_ptr<Scratch> quick(pool.quick.exchange(nullptr, std::memory_order_acquire));
    std::lock_guard<std::mutex> guard(pool.lock);
    released.swap(pool.spares);
}
