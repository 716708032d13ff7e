// filters/WordMatcher.cpp: the word and wildcard matcher of the text criteria.
// Administrators' word lists were written against this exact behaviour, quirks included
// (only the first occurrence of a word decides; a wildcard segment that is not found is
// looked for again at the first letter of the opposite case), so it must not be
// "improved" into a general glob matcher.
#include "filters/WordMatcher.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <string_view>

#include "common/TextSearch.h"

namespace {

using std::string_view;
constexpr size_t kNotFound = string_view::npos;

struct Subject {
    string_view text;
    string_view delimiters;
    bool exact;  // case-sensitive finds and compares
};

bool DelimiterAt(const Subject& s, size_t at) {
    return at < s.text.size() && s.delimiters.find(s.text[at]) != kNotFound;
}

// A word or segment must end the text or stand before a delimiter.
bool EndsWell(const Subject& s, size_t end) {
    return end == s.text.size() || DelimiterAt(s, end);
}

size_t FindIgnoringCase(string_view text, size_t from, string_view segment) {
    if (from > text.size() || segment.empty()) return kNotFound;
    // A length of all ones would mean "measure to the terminator", which a view lacks.
    const size_t length = std::min<size_t>(text.size() - from, kMeasureLength - 1);
    const char* hit = FindNoCase(text.data() + from, static_cast<uint32_t>(length), segment.data(),
                                 static_cast<uint32_t>(segment.size()));
    return hit != nullptr ? static_cast<size_t>(hit - text.data()) : kNotFound;
}

size_t Find(const Subject& s, size_t from, string_view segment) {
    if (!s.exact) return FindIgnoringCase(s.text, from, segment);
    return from > s.text.size() ? kNotFound : s.text.find(segment, from);
}

bool CompareAt(const Subject& s, size_t at, string_view segment) {
    if (at > s.text.size() || s.text.size() - at < segment.size()) return false;
    const string_view here = s.text.substr(at, segment.size());
    if (s.exact) return here == segment;
    return EqualNoCase(here.data(), segment.data(), segment.size());
}

// Where a segment that was not found is tried instead: the first place anywhere in the
// text that holds its first letter in the opposite case. Not a letter: nowhere.
size_t OppositeCaseLetter(const Subject& s, char first) {
    const unsigned char upper = FoldUpper(first);
    if (upper < 'A' || upper > 'Z') return kNotFound;  // the "C" locale's letters only
    const char opposite =
        static_cast<char>(first == static_cast<char>(upper) ? upper - 'A' + 'a' : upper);
    return s.text.find(opposite);
}

int MatchWord(const Subject& s, string_view word) {
    const size_t at = Find(s, 0, word);  // later occurrences are never considered
    if (at == kNotFound) return 0;
    const bool leftGood = at == 0 || DelimiterAt(s, at - 1);
    return leftGood && EndsWell(s, at + word.size()) ? 1 : 0;
}

int MatchLastSegment(const Subject& s, size_t position, string_view last) {
    if (last.empty()) return 1;  // a trailing "*" accepts whatever follows
    size_t at = Find(s, position, last);
    if (at == kNotFound) at = OppositeCaseLetter(s, last[0]);
    if (at == kNotFound || !CompareAt(s, at, last)) return 0;
    return EndsWell(s, at + last.size()) ? 1 : 0;
}

int MatchWildcards(const Subject& s, string_view pattern) {
    const size_t firstStar = pattern.find('*');
    string_view segment = pattern.substr(0, firstStar);  // compared at `position`
    string_view rest = pattern.substr(firstStar + 1);
    size_t position = 0;
    for (;;) {
        if (!CompareAt(s, position, segment)) return 0;
        position += segment.size();
        const size_t star = rest.find('*');
        if (star == kNotFound) return MatchLastSegment(s, position, rest);
        const string_view middle = rest.substr(0, star);
        rest = rest.substr(star + 1);
        if (middle.empty()) {  // only "**" makes one, and that is a substring pattern
            assert(!"empty middle segment");
            segment = {};
            continue;
        }
        // Middle segments ignore the case flag. The position moves just one character into
        // the occurrence, so the next segment may overlap it.
        const size_t at = FindIgnoringCase(s.text, position, middle);
        if (at != kNotFound) {
            position = at + 1;
            segment = {};
            continue;
        }
        position = OppositeCaseLetter(s, middle[0]);
        if (position == kNotFound) return 0;
        segment = middle;
    }
}

}  // namespace

int MatchPattern(const char* text, const char* pattern, const char* delimiters, int caseSensitive) {
    if (text == nullptr || pattern == nullptr || pattern[0] == '\0') return 0;
    const Subject s{text, delimiters != nullptr ? delimiters : "", caseSensitive == 1};
    const string_view p(pattern);
    if (p.find("**") != kNotFound) return FindIgnoringCase(s.text, 0, p) != kNotFound ? 1 : 0;
    if (p.find('*') == kNotFound) return MatchWord(s, p);
    return MatchWildcards(s, p);
}
