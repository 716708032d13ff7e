// filters/ResultTags.cpp: filling templates from the result tags of a finding.
// The tag names are read from the result text itself, so that every evaluator's tags
// (and any added later) can be used in templates without a list to keep up to date.
#include "filters/ResultTags.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "common/Markers.h"
#include "common/SafeText.h"
#include "filters/EvaluationRecords.h"

namespace {

constexpr int kMaxTags = 999;
constexpr size_t kTagNameCapacity = 255;
constexpr size_t kTagValueCapacity = 4096;
constexpr size_t kEncodedCapacity = 2048;
constexpr size_t kWordListCapacity = 2048;
constexpr size_t kWordListItemLength = 127;
constexpr const char* kWordListPlaceholder = "[QP_WORDLIST]";
// ORDER MATTERS: the word list names word-list hits before address hits.
constexpr const char* kWordListTags[] = {tags::kWord, tags::kAddress};

// Closing tags are counted from the second character on, as a text starts with an
// opening tag.
int CountTags(const char* resultText) {
    if (resultText[0] == '\0') return 0;
    int count = 0;
    for (const char* at = std::strstr(resultText + 1, "</"); at != nullptr && count < kMaxTags;
         at = std::strstr(at + 2, "</"))
        ++count;
    return count;
}

// Where the name of tag k (from 1) is looked for: the text's start for the first tag,
// else just past the (k-1)th closing tag.
const char* TagStart(const char* resultText, int k) {
    const char* at = resultText;
    for (int closing = 1; closing < k; ++closing) {
        at = std::strstr(at + 1, "</");
        if (at == nullptr) return nullptr;
    }
    return k == 1 ? at : at + 1;
}

bool NeedsEscape(unsigned char c) {
    return c < 32 || c >= 127 || c == '=' || c == '?' || c == '_';
}

// The header encoding of a value: escapes as "=XX", cut where the next piece does not fit.
void EncodeValue(const char* value, char (&encoded)[kEncodedCapacity]) {
    size_t used = 0;
    for (const char* at = value; *at != '\0'; ++at) {
        const auto c = static_cast<unsigned char>(*at);
        const size_t need = NeedsEscape(c) ? 3 : 1;
        if (used + need >= sizeof encoded) break;
        if (need == 3)
            std::snprintf(encoded + used, sizeof encoded - used, "=%02X", c);
        else
            encoded[used] = *at;
        used += need;
    }
    encoded[used] = '\0';
}

void FillTag(const char* resultText, int k, char* text, size_t capacity, int encode) {
    const char* start = TagStart(resultText, k);
    char name[kTagNameCapacity];
    if (start == nullptr || ExtractBetween(start, "<", ">", name, sizeof name) == nullptr) return;
    char opening[kTagNameCapacity + 2];
    char closing[kTagNameCapacity + 3];
    std::snprintf(opening, sizeof opening, "<%s>", name);
    std::snprintf(closing, sizeof closing, "</%s>", name);
    char value[kTagValueCapacity];
    if (ExtractBetween(resultText, opening, closing, value, sizeof value) == nullptr) return;
    char encoded[kEncodedCapacity];
    const char* replacement = value;
    if (encode == 1) {
        EncodeValue(value, encoded);
        replacement = encoded;
    }
    if (std::strlen(replacement) + std::strlen(text) >= capacity) return;
    char placeholder[kTagNameCapacity + 6];
    std::snprintf(placeholder, sizeof placeholder, "[QP_%s]", name);
    (void)ReplaceAll(text, placeholder, replacement, static_cast<int>(capacity) - 1);
}

// Appends every value of one tag, each cut to kWordListItemLength, comma-separated.
void AppendTagValues(std::string_view result, const char* tag, char (&list)[kWordListCapacity]) {
    char opening[16];
    char closing[16];
    std::snprintf(opening, sizeof opening, "<%s>", tag);
    std::snprintf(closing, sizeof closing, "</%s>", tag);
    for (size_t at = result.find(opening); at != std::string_view::npos;
         at = result.find(opening, at)) {
        const size_t begin = at + std::strlen(opening);
        const size_t end = result.find(closing, begin);
        if (end == std::string_view::npos) return;
        const std::string_view value =
            result.substr(begin, end - begin).substr(0, kWordListItemLength);
        char item[kWordListItemLength + 1];
        value.copy(item, value.size());
        item[value.size()] = '\0';
        if (list[0] != '\0') SafeAppend(list, ",");
        SafeAppend(list, item);
        at = end + std::strlen(closing);
    }
}

void FillWordList(const char* resultText, char* text, size_t capacity) {
    if (std::strstr(text, kWordListPlaceholder) == nullptr) return;
    char list[kWordListCapacity] = "";
    for (const char* tag : kWordListTags) AppendTagValues(resultText, tag, list);
    (void)ReplaceAll(text, kWordListPlaceholder, list, static_cast<int>(capacity) - 1);
}

}  // namespace

char* ExpandResultTags(const char* resultText, char* text, size_t capacity, int encode) {
    if (text == nullptr || capacity == 0) return text;
    if (resultText == nullptr) resultText = "";
    const int count = CountTags(resultText);
    for (int k = 1; k <= count; ++k) FillTag(resultText, k, text, capacity, encode);
    FillWordList(resultText, text, capacity);
    return text;
}
