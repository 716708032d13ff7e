// tests/filters/ListDifferential.h: one generated case of word lists and a text, run
// through the compiled lists and through the word-by-word walk, for the differential
// test and the fuzz target alike. Cases favour collisions: a small alphabet, words cut
// from the text with their case changed, every delimiter set, wildcards and "**".
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "filters/CompiledLists.h"
#include "filters/WordLists.h"
#include "tests/filters/HandBuiltRun.h"

namespace testing_support {

// A number below `bound` (at least 1): from a seeded generator or from fuzzer input.
using Pick = std::function<uint32_t(uint32_t bound)>;

struct ListCase {
    ListKind kind;
    int type;
    std::string text;
    std::string delimiters;
    struct Filter {
        std::string value;   // the criterion value
        int conditionCount;  // 1: one condition of tab-separated alternatives
    };
    std::vector<Filter> filters;
};

inline std::string PickText(Pick& pick) {
    static const char kBytes[] = "abcABC \r'\"\n<>;:].*!\xe9\xc9";
    const uint32_t shape = pick(40);
    // Lengths around 64 and 128 too: the tokenizer reads the text 64 bytes at a time.
    const size_t length = shape == 0   ? 0
                          : shape == 1 ? 2047
                          : shape < 4  ? pick(200)
                                       : pick(shape < 10 ? 12 : 60);
    std::string text(length, ' ');
    for (char& c : text) c = kBytes[pick(sizeof kBytes - 1)];
    return text;
}

inline std::string PickWord(Pick& pick, const std::string& text) {
    static const char kBytes[] = "abcAB*.\xe9 ";
    std::string word;
    if (!text.empty() && pick(3) != 0) {  // a piece of the text: it occurs at least once
        const size_t start = pick(static_cast<uint32_t>(text.size()));
        word = text.substr(start, 1 + pick(6));
        for (char& c : word)
            if (pick(4) == 0 && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) c ^= 0x20;
    } else {
        const uint32_t length = pick(7);
        for (uint32_t i = 0; i < length; ++i) word += kBytes[pick(sizeof kBytes - 1)];
    }
    switch (pick(8)) {
        case 0:
            word.insert(pick(static_cast<uint32_t>(word.size()) + 1), "*");
            break;
        case 1:
            word = "*" + word + (pick(2) ? "*" : "");
            break;
        case 2:
            word.insert(pick(static_cast<uint32_t>(word.size()) + 1), "**");
            break;
        default:
            break;
    }
    std::string clean;  // tabs separate alternatives, and NUL ends a C string
    for (char c : word)
        if (c != '\t' && c != '\0') clean += c;
    return clean;
}

inline ListCase MakeListCase(Pick& pick) {
    static const char* const kDelimiterSets[] = {
        " \r'\"\n", "' \r'\"\n<>;", "\r'\"\n;", " \r'\"\n;",       " \r'\"\n;.", ":]\r\n",
        "",         "a*",           "é",        " \r'\"\n<>;:].*z"};  // more bytes than are
                                                                      // compared a vector at a time
    static const int kWordListTypes[] = {0, 1, 5, 11, 13, 21};
    static const int kAddressTypes[] = {2, 3, 4, 6};
    static const int kEnvelopeTypes[] = {4, 17, 18, 19};
    ListCase c;
    c.kind = static_cast<ListKind>(pick(3));
    c.type = c.kind == ListKind::kWordList  ? kWordListTypes[pick(6)]
             : c.kind == ListKind::kAddress ? kAddressTypes[pick(4)]
                                            : kEnvelopeTypes[pick(4)];
    c.text = PickText(pick);
    c.delimiters = kDelimiterSets[pick(sizeof kDelimiterSets / sizeof kDelimiterSets[0])];
    const uint32_t filters = 1 + pick(3);
    for (uint32_t f = 0; f < filters; ++f) {
        const int count = static_cast<int>(1 + pick(6));
        std::string value;
        for (int k = 0; k < count; ++k) value += (k ? "\t" : "") + PickWord(pick, c.text);
        // One condition of `count` alternatives, or `count` conditions of one word each.
        c.filters.push_back({value, pick(2) ? 1 : count});
    }
    return c;
}

// Collects what both paths print, from a temporary file standing in for standard output.
class ConsoleCapture {
public:
    ConsoleCapture() {
        std::fflush(stdout);
        sink_ = std::tmpfile();
        saved_ = dup(1);
        dup2(fileno(sink_), 1);
    }
    ~ConsoleCapture() {
        std::fflush(stdout);
        dup2(saved_, 1);
        close(saved_);
        std::fclose(sink_);
    }
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;

    // What was printed since the last call.
    std::string Take() {
        std::fflush(stdout);
        const off_t end = lseek(1, 0, SEEK_CUR);
        std::string printed(static_cast<size_t>(end - mark_), '\0');
        // Read back and return to the end (no pread in the Windows run-time).
        if (end > mark_ &&
            (lseek(1, mark_, SEEK_SET) != mark_ ||
             read(1, printed.data(), static_cast<unsigned>(printed.size())) != end - mark_))
            printed = "?";
        lseek(1, end, SEEK_SET);
        mark_ = end;
        if (end > kRewindAt) {  // keep the file small without truncating it every time
            if (ftruncate(1, 0) != 0) printed += "?";
            lseek(1, 0, SEEK_SET);
            mark_ = 0;
        }
        return printed;
    }

private:
    static constexpr off_t kRewindAt = 1 << 20;
    std::FILE* sink_;
    int saved_;
    off_t mark_ = 0;
};

inline std::string Describe(const FilterEvaluation& e, int type) {
    std::string text = std::to_string(e.matchCount[type]) + " [" + e.resultText[type] + "]";
    for (int j = 0; j < kMaxConditions; ++j) text += std::string(" ") + e.conditionValues[type][j];
    return text;
}

// Empty when both paths printed and recorded the same; else what each did.
inline std::string CompareListCase(const ListCase& c, ConsoleCapture& console) {
    HandBuiltRun runs[2];
    std::string printed[2];
    for (int path = 0; path < 2; ++path) {
        for (const ListCase::Filter& f : c.filters)
            runs[path].AddFilter(c.type, f.value, f.conditionCount);
        UseCompiledLists(path == 0);
        (void)console.Take();
        (void)EvaluateListCriterion(c.kind, c.type, c.text.c_str(), c.delimiters.c_str(),
                                    &runs[path].set, &runs[path].evaluations);
        printed[path] = console.Take();
    }
    UseCompiledLists(true);
    std::string differences;
    if (printed[0] != printed[1])
        differences += "console:\n" + printed[0] + "--- word by word:\n" + printed[1];
    for (int n = 1; n <= static_cast<int>(c.filters.size()); ++n) {
        const std::string compiled = Describe(runs[0].Result(n), c.type);
        const std::string byWord = Describe(runs[1].Result(n), c.type);
        if (compiled != byWord)
            differences += "filter " + std::to_string(n) + ": " + compiled + " | " + byWord + "\n";
    }
    if (differences.empty()) return differences;
    std::string words;
    for (const ListCase::Filter& f : c.filters)
        words += "[" + f.value + "] x" + std::to_string(f.conditionCount) + "\n";
    return "text [" + c.text + "] delimiters [" + c.delimiters + "] type " +
           std::to_string(c.type) + "\n" + words + differences;
}

}  // namespace testing_support
