// tools/FilterLint.cpp: the checks of "mtafilter filters" that find what loads without
// complaint and then silently never acts.
#include "tools/FilterLint.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "actions/ActionTable.h"
#include "common/DecimalNumber.h"
#include "common/DelimitedField.h"
#include "common/FileQueries.h"
#include "common/Markers.h"
#include "common/TextSearch.h"
#include "filters/ActionLine.h"
#include "filters/CriteriaLines.h"
#include "filters/ScopePaths.h"
#include "platform/Files.h"
#include "providers/ScannerCriteria.h"

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
// A pattern file with many padded words gets this many findings and a count of the rest.
constexpr int kMaxWordFindings = 5;
constexpr size_t kColumnCapacity = 1024;
constexpr size_t kTemplateNameCapacity = 64;  // as the notifications read <FILE>
constexpr int kActionColumns = 5;
constexpr int kActionNameColumn = 4;
constexpr double kHighestProbability = 100.0;

// The criteria whose conditions are words, addresses or name patterns, which a blank
// beside them keeps from matching.
constexpr int kTextTypes[] = {kSubject,
                              kBody,
                              kTo,
                              kCc,
                              kToOrCc,
                              kPriority,
                              kFrom,
                              kHasAttachmentsMatching,
                              kHeadersContain,
                              kSpf,
                              kIpAddress,
                              kAccount,
                              kConnector,
                              kBoundaryHeadersContain};

// How often a criterion can be met by one message at most; criteria not listed can be
// met once per word, line or header, without a limit.
struct MatchLimit {
    int type;
    int most;
};
constexpr MatchLimit kMatchLimits[] = {
    {kSize, 1},
    {kHasAnAttachment, 1},
    {kSenderAuth, 1},
    {kAllMessages, 1},
    {kDkim, 1},
    {kHasVirus, 1},
    {kSpamProbability, 2},  // the value and its one
                            // condition are compared
                            // each
    {kSpamAssassin, 2},
};

std::string At(const char* path, int line) {
    return platform::HostPath(path) + " line " + std::to_string(line) + ": ";
}

std::string Quoted(std::string_view text) {
    std::string shown = "\"";
    for (char c : text) shown += c == '\t' ? std::string("\\t") : std::string(1, c);
    return shown + "\"";
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view WithoutLineEnd(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

bool IsTextType(int type) {
    for (int text : kTextTypes)
        if (text == type) return true;
    return false;
}

int MostMatches(int type) {
    for (const MatchLimit& limit : kMatchLimits)
        if (limit.type == type) return limit.most;
    return 0;  // no limit
}

// The line (from 1) of occurrence j of the criterion's token in a script.
int ScriptLine(const std::string& script, int type, int j) {
    const std::string token = std::string("[QP_") + kCriterionTypeNames[type] + "]";
    size_t from = 0;
    for (int seen = 0;; ++seen) {
        const char* hit =
            FindNoCase(script.c_str() + from, static_cast<uint32_t>(script.size() - from),
                       token.c_str(), static_cast<uint32_t>(token.size()));
        if (hit == nullptr) return 1;
        const size_t at = static_cast<size_t>(hit - script.c_str());
        if (seen == j) {
            int line = 1;
            for (size_t i = 0; i < at; ++i) line += script[i] == '\n' ? 1 : 0;
            return line;
        }
        from = at + token.size();
    }
}

// A blank at either end of `word` (the line end of a last column does not count).
void CheckBlanks(std::string_view word, const std::string& where, const char* advice,
                 Findings* findings) {
    word = WithoutLineEnd(word);
    if (word.empty() || (!IsBlank(word.front()) && !IsBlank(word.back()))) return;
    size_t first = 0;
    size_t last = word.size();
    while (first < last && IsBlank(word[first])) ++first;
    while (last > first && IsBlank(word[last - 1])) --last;
    findings->push_back(where + Quoted(word) + " has blanks around it, so it never matches " +
                        Quoted(word.substr(first, last - first)) + "; " + advice);
}

void CheckValue(int type, std::string_view condition, const std::string& where,
                Findings* findings) {
    const std::string text(WithoutLineEnd(condition));
    if (text == "\r" || text.empty()) return;  // a script's bare token: the measured value
    if (type == kSpamProbability && DecimalFraction(text.c_str()) >= kHighestProbability)
        findings->push_back(where + "no probability is above 100, so " + Quoted(text) +
                            " is never met; give a value below 100");
    if (type == kSpamAssassin && DecimalValue(text.c_str()) != 0 && DecimalValue(text.c_str()) != 1)
        findings->push_back(where + "the verdict is 0 (passed) or 1 (spam), so " + Quoted(text) +
                            " is never met; give 0 or 1");
    if (type == kDkim) {
        const int32_t verdict = DkimVerdictCode(text.c_str());
        const bool named = SameTextNoCase(text.c_str(), "FAIL") ||
                           SameTextNoCase(text.c_str(), "PASS") ||
                           SameTextNoCase(text.c_str(), "INDETERMINATE");
        if (verdict < 0 || verdict > 2)
            findings->push_back(where + "the verdict is FAIL, PASS or INDETERMINATE, so " +
                                Quoted(text) + " is never met");
        else if (!named && !(text[0] >= '0' && text[0] <= '9'))
            findings->push_back(where + Quoted(text) +
                                " is no verdict and is read as FAIL; write FAIL, PASS or "
                                "INDETERMINATE");
    }
}

// The alternatives of a table condition (tabs; the file wrote commas).
std::vector<std::string_view> Alternatives(std::string_view condition) {
    std::vector<std::string_view> alternatives;
    for (size_t tab; (tab = condition.find('\t')) != std::string_view::npos;) {
        alternatives.push_back(condition.substr(0, tab));
        condition.remove_prefix(tab + 1);
    }
    alternatives.push_back(condition);
    return alternatives;
}

// Reads `path` a whole line at a time; visit(number, line) returns false to stop.
template <typename Visit>
void ForEachLine(const char* path, Visit visit) {
    platform::File file = platform::FileOpen(path, platform::FileMode::kReadText);
    if (file == nullptr) return;
    std::string line;
    for (int number = 1;; ++number) {
        const CriteriaLine read = ReadCriteriaLine(file, &line);
        if (read == CriteriaLine::kEnd || !visit(number, read, line)) break;
    }
    platform::FileClose(file);
}

bool IsFieldNameCharacter(char c) {
    // RFC 5322 2.2: a field name is printable US-ASCII other than the colon.
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte >= 33 && byte <= 126 && c != ':';
}

bool IsHeaderField(std::string_view line) {
    const size_t colon = line.find(':');
    if (colon == 0 || colon == std::string_view::npos) return false;
    for (size_t i = 0; i < colon; ++i)
        if (!IsFieldNameCharacter(line[i])) return false;
    return true;
}

// The template a notification line names: the parameter of NOTIFY_SENDER and
// NOTIFY_RECIPIENTS, the <FILE> of NOTIFY_ADDRESS's reference.
std::string TemplateName(const char* action, const char* parameter) {
    if (SameTextNoCase(action, "NOTIFY_SENDER") || SameTextNoCase(action, "NOTIFY_RECIPIENTS"))
        return parameter;
    if (!SameTextNoCase(action, "NOTIFY_ADDRESS")) return "";
    char name[kTemplateNameCapacity] = "";
    if (ExtractBetween(parameter, "<FILE>", "</FILE>", name, sizeof name) == nullptr) return "";
    return name;
}

void LintNamedTemplate(const FilterSet& set, const std::string& where, const std::string& name,
                       Findings* findings) {
    if (name.empty()) return;  // the built-in text
    char path[kFilterPathCapacity];
    if (!BuildScopePath(set, ScopeFile::kTemplate, name.c_str(), path)) {
        findings->push_back(where + "the template name " + Quoted(name) + " is too long");
        return;
    }
    if (!FileExists(path)) {
        findings->push_back(where + "template " + platform::HostPath(path) +
                            " does not exist, so the built-in notification is sent; create "
                            "it or correct the name");
        return;
    }
    LintTemplate(path, findings);
}

}  // namespace

int CriterionLine(const FilterDefinition& filter, int type, int j) {
    return filter.isScript != 0 ? ScriptLine(filter.scriptText, type, j) : type + 1;
}

void LintFileStart(const char* path, const char* effect, Findings* findings) {
    platform::File file = platform::FileOpen(path, platform::FileMode::kReadBinary);
    if (file == nullptr) return;
    char start[3] = {};
    const size_t read = platform::FileRead(file, start, sizeof start);
    platform::FileClose(file);
    if (std::string_view(start, read) != kUtf8Bom) return;
    findings->push_back(At(path, 1) + "the file starts with a UTF-8 byte-order mark, " + effect +
                        "; save it without one (as ANSI or \"UTF-8 without BOM\")");
}

void LintCriteriaLines(const char* path, Findings* findings) {
    ForEachLine(path, [&](int number, CriteriaLine read, const std::string&) {
        if (number > kCriterionTypeCount) return false;
        if (read == CriteriaLine::kTooLong)
            findings->push_back(At(path, number) + "the line is longer than " +
                                std::to_string(kCriteriaLineLimit) + " bytes, so criterion " +
                                kCriterionTypeNames[number - 1] +
                                " is left out; move its list into a pattern file");
        return true;
    });
}

void LintCriterion(const FilterDefinition& filter, int type, const char* path, Findings* findings) {
    const Criterion& criterion = filter.criteria[type];
    const bool script = filter.isScript != 0;
    const std::string name = kCriterionTypeNames[type];
    auto where = [&](int j) { return At(path, CriterionLine(filter, type, j)) + name + ": "; };
    if (type == kSecure) {
        findings->push_back(where(0) + "no message is ever known to be secure, so SECURE is " +
                            "never met; " + (script ? "remove it from the script" : "disable it"));
        return;
    }
    std::string condition;
    for (int j = 0; j < criterion.conditionCount; ++j) {
        if (!GetCriterionCondition(criterion, j, &condition)) continue;
        CheckValue(type, condition, where(j), findings);
        if (!IsTextType(type) || condition.rfind("<REFERENCE>", 0) == 0) continue;
        if (script) {
            CheckBlanks(condition, where(j), "remove the blanks inside the quotes", findings);
            continue;
        }
        for (std::string_view alternative : Alternatives(condition))
            CheckBlanks(alternative, where(j), "remove the blanks around the commas", findings);
    }
    const int most = MostMatches(type);
    if (!script && most > 0 && criterion.threshold > most)
        findings->push_back(where(0) + "the threshold " + std::to_string(criterion.threshold) +
                            " is never reached: " + name + " is met at most " +
                            std::to_string(most) + (most == 1 ? " time" : " times") +
                            " a message; set the threshold (column 6) to " + std::to_string(most) +
                            " or less");
}

void LintPatternFile(const char* path, Findings* findings) {
    LintFileStart(path, "which becomes part of its first word, so that word never matches",
                  findings);
    int padded = 0;
    ForEachLine(path, [&](int number, CriteriaLine read, const std::string& line) {
        if (read != CriteriaLine::kRead) return true;
        std::string_view word = WithoutLineEnd(line);
        if (number == 1 && word.substr(0, kUtf8Bom.size()) == kUtf8Bom)
            word.remove_prefix(kUtf8Bom.size());
        if (word.empty() || (!IsBlank(word.front()) && !IsBlank(word.back()))) return true;
        if (++padded <= kMaxWordFindings)
            CheckBlanks(word, At(path, number), "remove the blanks", findings);
        return true;
    });
    if (padded > kMaxWordFindings)
        findings->push_back(platform::HostPath(path) + ": " +
                            std::to_string(padded - kMaxWordFindings) +
                            " more lines have blanks around their word; remove them");
}

void LintActionLine(const FilterSet& set, const char* path, int number, const char* line,
                    Findings* findings) {
    const bool mailboxScope = ScopeOf(set) == FilterScope::kMailbox;
    const int columns = 1 + static_cast<int>(std::count(line, line + std::strlen(line), '\t'));
    char column[kActionColumns + 1][kColumnCapacity] = {};
    for (int k = 1; k <= kActionColumns && k <= columns; ++k)
        (void)GetDelimitedField(line, "\t", k, column[k]);
    const std::string where = At(path, number);
    const std::string action(WithoutLineEnd(column[kActionNameColumn]));
    if (columns >= kActionNameColumn && IsKnownAction(action.c_str(), mailboxScope)) {
        if (DecimalValue(column[1]) == 1)
            LintNamedTemplate(set, where, TemplateName(action.c_str(), column[3]), findings);
        return;
    }
    for (int k = 1; k <= kActionColumns && k <= columns; ++k) {
        const std::string text(WithoutLineEnd(column[k]));
        if (k == kActionNameColumn || !IsKnownAction(text.c_str(), mailboxScope)) continue;
        findings->push_back(where + "the action name " + text + " is in column " +
                            std::to_string(k) +
                            ", where it does nothing; an action line is: status (1 runs it), "
                            "unused, parameter, action name, description");
        return;
    }
}

void LintTemplate(const char* path, Findings* findings) {
    LintFileStart(path, "which becomes part of the first header's name", findings);
    ForEachLine(path, [&](int number, CriteriaLine read, const std::string& text) {
        if (read != CriteriaLine::kRead) return true;
        std::string_view line = WithoutLineEnd(text);
        if (number == 1 && line.substr(0, kUtf8Bom.size()) == kUtf8Bom)
            line.remove_prefix(kUtf8Bom.size());
        if (line.empty()) return false;  // the end of the header block, where it belongs
        if (line.find("[QP_HEADERS]") != std::string_view::npos) return true;
        if (IsBlank(line.front())) {
            if (line.find_first_not_of(" \t") != std::string_view::npos) return true;
            findings->push_back(At(path, number) +
                                "a line of blanks only ends the header block for many mail "
                                "programs; empty it if the message text starts here, else "
                                "remove it");
            return false;
        }
        if (IsHeaderField(line)) return true;
        findings->push_back(At(path, number) + Quoted(line) +
                            " is no header field (Name: value), so the header block ends "
                            "before it; put an empty line before the message text, or make "
                            "the line a header");
        return false;
    });
}
