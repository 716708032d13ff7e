// filters/WordLists.cpp: matching message text against pattern files and inline word
// lists. The three inline-list evaluators (word lists, address headers, envelope values)
// share one walk and differ only by the row of kListStyles they pass.
#include "filters/WordLists.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "base/MessageRecord.h"
#include "base/Settings.h"
#include "common/Console.h"
#include "common/SafeText.h"
#include "common/TextSearch.h"
#include "filters/CompiledLists.h"
#include "filters/EvaluationRecords.h"
#include "filters/ListWalk.h"
#include "filters/PatternCache.h"
#include "filters/SenderAddress.h"
#include "filters/WordMatcher.h"
#include "platform/Files.h"

namespace {

constexpr size_t kWordFileLineCapacity = 2048;  // lines of up to 2047 characters
constexpr const char* kSenderPlaceholder = "[QP_SENDER]";

void AnnounceWordListMatch(const char* alternative) {
    ConsoleLine("Message General Criteria met against [%s] in specified word list.\n", alternative);
}

void AnnounceRecipientList(int count) {
    ConsoleLine("Processing Recipient List of %d delimiters\r\n", count);
}

void AnnounceAddressMatch(const char*) {
    ConsoleLine("Message sender/recipient criteria met\n");
}

// ORDER MATTERS: indexed by ListKind (word lists, address headers, envelope values).
constexpr ListStyle kListStyles[] = {
    {2048, 2047, tags::kWord, tags::kWord, nullptr, AnnounceWordListMatch},
    {1024, 1024, tags::kWord, tags::kAddress, AnnounceRecipientList, AnnounceAddressMatch},
    {1024, 0, tags::kEnvelope, tags::kEnvelope, nullptr, nullptr},
};

void AnnounceFileHit(const char*, const char* word) {
    ConsoleLine("Message General Criteria met against [%s] in specified word file.\n", word);
}

void TestWord(const char* text, const char* delimiters, const char* word, int type, int condition,
              FilterEvaluation* evaluation, const char* tag, Announce announce) {
    if (!MatchPattern(text, word, delimiters, CaseSensitive())) return;
    RecordFinding(*evaluation, type, condition, tag, word);
    announce(tag, word);
}

// The message sender's bare address, for "[QP_SENDER]" alternatives.
void SenderAddressOf(const FilterEvaluationSet* evaluations,
                     char (&address)[kSenderAddressCapacity]) {
    address[0] = '\0';
    if (evaluations->message != nullptr)
        ExtractSenderAddress(evaluations->message->sender, address);
}

// A condition naming a pattern file. Returns 1 when the file (or its cache entry) could
// be used, so that the condition is done.
int MatchConditionFile(const ListWalk& walk, int j, const char* condition,
                       FilterEvaluation& evaluation) {
    char path[kPatternPathCapacity];
    if (!ResolvePatternPath(walk.set, condition, path, sizeof path)) return 0;
    if (Settings().allowPatternCaching != 0)
        return MatchCachedWordList(walk.text, walk.delimiters, path, walk.type, j, &evaluation,
                                   walk.style.fileTag);
    return MatchWordFile(walk.text, walk.delimiters, path, walk.type, j, &evaluation,
                         walk.style.fileTag);
}

void MatchConditionInline(const ListWalk& walk, int j, const char* condition,
                          FilterEvaluation& evaluation) {
    const ListStyle& style = walk.style;
    if (style.announceCount != nullptr)
        style.announceCount(CountDelimitedFields(condition, kConditionSeparator));
    const bool withSender = TakesSender(style, condition);
    char alternative[kListBufferCapacity];
    ForEachAlternative(condition, alternative, style.conditionCapacity, [&](char* field) {
        // When the address does not fit, the alternative keeps its placeholder.
        if (withSender)
            (void)ReplaceAll(field, kSenderPlaceholder, walk.sender, style.senderCapacity);
        if (!MatchPattern(walk.text, field, walk.delimiters, CaseSensitive())) return;
        RecordFinding(evaluation, walk.type, j, style.inlineTag, field);
        if (style.announceMatch != nullptr) style.announceMatch(field);
    });
}

}  // namespace

const ListStyle& StyleOf(ListKind kind) {
    return kListStyles[static_cast<int>(kind)];
}

void AnnounceCachedHit(const char* tag, const char* word) {
    ConsoleLine("Message Criteria (Tag=%s) met against [%s] in specified word file.\n", tag, word);
}

// The placeholder is looked for in any case, but replaced only as written.
bool TakesSender(const ListStyle& style, const char* condition) {
    return style.senderCapacity > 0 &&
           FindNoCase(condition, kMeasureLength, kSenderPlaceholder, kMeasureLength) != nullptr;
}

void MatchConditionByWord(const ListWalk& walk, int j, const char* condition,
                          FilterEvaluation& evaluation) {
    if (MatchConditionFile(walk, j, condition, evaluation)) return;
    MatchConditionInline(walk, j, condition, evaluation);
}

int MatchCachedWordList(const char* text, const char* delimiters, const char* path, int type,
                        int condition, FilterEvaluation* evaluation, const char* tag) {
    // Holding the entry keeps its words alive even if a reload empties the cache meanwhile.
    const std::shared_ptr<const PatternEntry> entry = FindCachedPatterns(path);
    if (entry == nullptr) return 0;
    if (evaluation == nullptr) return 1;
    for (const std::string& word : entry->words)
        TestWord(text, delimiters, word.c_str(), type, condition, evaluation, tag,
                 AnnounceCachedHit);
    return 1;
}

int MatchWordFile(const char* text, const char* delimiters, const char* path, int type,
                  int condition, FilterEvaluation* evaluation, const char* tag) {
    platform::File file = platform::FileOpen(path, platform::FileMode::kReadText);
    if (file == nullptr) return 0;
    char line[kWordFileLineCapacity];
    while (evaluation != nullptr && platform::FileReadLine(file, line, sizeof line) != nullptr) {
        const size_t length = std::strlen(line);
        if (length > 0 && line[length - 1] == '\n') line[length - 1] = '\0';
        TestWord(text, delimiters, line, type, condition, evaluation, tag, AnnounceFileHit);
    }
    platform::FileClose(file);
    return 1;
}

int EvaluateListCriterionByWord(ListKind kind, int type, const char* text, const char* delimiters,
                                const FilterSet* set, FilterEvaluationSet* evaluations) {
    if (evaluations == nullptr) return 1;
    char sender[kSenderAddressCapacity];
    SenderAddressOf(evaluations, sender);
    const ListWalk walk{StyleOf(kind), type, text, delimiters, set, sender};
    char condition[kListBufferCapacity];
    ForEachEnabledCriterion(
        set, evaluations, type, [&](const Criterion& criterion, FilterEvaluation& evaluation) {
            ForEachCondition(criterion, condition, walk.style.conditionCapacity,
                             [&](int j, const char* value) {
                                 MatchConditionByWord(walk, j, value, evaluation);
                             });
        });
    return 1;
}

int EvaluateListCriterion(ListKind kind, int type, const char* text, const char* delimiters,
                          const FilterSet* set, FilterEvaluationSet* evaluations) {
    if (evaluations == nullptr) return 1;
    char sender[kSenderAddressCapacity];
    SenderAddressOf(evaluations, sender);
    const ListWalk walk{StyleOf(kind), type, text, delimiters, set, sender};
    if (MatchCompiledLists(walk, kind, evaluations)) return 1;
    return EvaluateListCriterionByWord(kind, type, text, delimiters, set, evaluations);
}

int EvaluateWordListCriterion(int type, const char* text, const char* delimiters,
                              const FilterSet* set, FilterEvaluationSet* evaluations) {
    return EvaluateListCriterion(ListKind::kWordList, type, text, delimiters, set, evaluations);
}
