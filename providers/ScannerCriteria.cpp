// providers/ScannerCriteria.cpp: the criteria the scanning providers decide: Bayesian
// spam probability, SpamAssassin verdict, DKIM verdict and virus verdict.
//
// A provider is asked at most once per filter run, at the first filter that uses its
// criterion, and that answer serves every filter of the set: a scan costs far more than
// the comparisons. A provider that is not ready is never called. The statistics
// counters are shared by all runs and counted without a lock (a lost count is
// acceptable, a torn one is not); they are saved to the registry as they change.
#include "providers/ScannerCriteria.h"

#include <cassert>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>

#include "base/Counters.h"
#include "base/MessageEnvelope.h"
#include "base/OutsideExceptionReport.h"
#include "base/RegistryKeys.h"
#include "base/Settings.h"
#include "common/DecimalNumber.h"
#include "common/DelimitedField.h"
#include "common/Markers.h"
#include "common/SafeText.h"
#include "common/TextSearch.h"
#include "filters/EvaluationRecords.h"
#include "platform/GuardedCall.h"
#include "providers/ProviderLibraries.h"

namespace {

// Room for the longest command: two queue paths, a domain and a local part (each at
// most a sender's 511 characters) and the tags around them.
constexpr size_t kCommandCapacity =
    2 * kQueuePathCapacity + 2 * sizeof(MessageRecord::sender) + 128;
// One condition of a criterion value, read as a number.
constexpr size_t kFieldCapacity = 1024;
// Room for any "%f" or "%d" rendering before it is cut to a condition value.
constexpr size_t kNumberTextCapacity = 512;

// A Bayesian probability above this counts as a detection in the statistics, whatever
// the filters' thresholds.
constexpr double kBayesianDetectionLevel = 95.0;

constexpr int32_t kSpamAssassinPassed = 0;
constexpr int32_t kSpamAssassinSpam = 1;

// The code a message that was not verified carries, with the verdict INDETERMINATE.
constexpr int32_t kDkimNotVerifiedCode = 100;

struct QueuedFiles {
    char message[kQueuePathCapacity];   // the message file
    char envelope[kQueuePathCapacity];  // its envelope
};

struct ProviderAnswer {
    int32_t returned;                    // the entry's result: nonzero means success
    char text[kProviderResultCapacity];  // the result text, always terminated
};

struct DkimAnswer {
    int32_t verdict;  // kDkimFail, kDkimPass or kDkimIndeterminate
    int32_t code;     // the verifier's raw result code
};

struct AntivirusAnswer {
    int32_t found;                       // 1: a virus was found
    char text[kProviderResultCapacity];  // the engine's description of the finding
};

// The files of the record in the queue the set filters. Both always fit; should they
// not, the provider is handed empty names and finds nothing.
void FindQueuedFiles(const MessageRecord& record, const FilterSet& set, QueuedFiles* files) {
    char connectorRoot[kQueuePathCapacity];
    CurrentConnectorRoot(connectorRoot, sizeof connectorRoot);
    const Queue queue = QueueOfScope(set.postoffice);
    if (!MessageFilePath(connectorRoot, record.connector, record.messageId, queue, files->message,
                         sizeof files->message) ||
        !EnvelopePath(connectorRoot, record.connector, record.messageId, queue, files->envelope,
                      sizeof files->envelope)) {
        assert(!"queue path does not fit");
        files->message[0] = '\0';
        files->envelope[0] = '\0';
    }
}

// The command that hands the Bayesian and the SpamAssassin provider a queued message.
void BuildScanCommand(const MessageRecord& record, const FilterSet& set,
                      char (&command)[kCommandCapacity]) {
    QueuedFiles files;
    FindQueuedFiles(record, set, &files);
    std::snprintf(command, sizeof command, "<FILENAME>%s</FILENAME><CMDFILE>%s</CMDFILE>",
                  files.message, files.envelope);
}

constexpr const char* kProviderCallPlace = "providers/ScannerCriteria";

// Calls a provider so that whatever it raises, a fault inside it included, is reported
// here, where the provider is known, and goes on to end the run.
template <typename Call>
auto CallProvider(const char* functionName, int line, Call call) -> decltype(call()) {
    try {
        return platform::GuardedCall(call);
    } catch (...) {
        ReportOutsideException(std::current_exception(), functionName, kProviderCallPlace, line);
        throw;
    }
}

ProviderAnswer CallExecute(const char* functionName, ProviderEntry execute, const char* command,
                           int32_t resultLength) {
    ProviderAnswer answer{};
    answer.returned = CallProvider(functionName, __LINE__, [&] {
        return execute(command, static_cast<int32_t>(std::strlen(command)), answer.text,
                       &resultLength);
    });
    answer.text[sizeof answer.text - 1] = '\0';  // a provider may fill the buffer unterminated
    return answer;
}

void Count(uint32_t* counter) {
    if (Settings().updateStatistics != 0) IncrementCounter(counter);
}

void Save(const char* valueName, const uint32_t& counter) {
    SaveCounter(keys::kCounters, valueName, ReadCounter(&counter));
}

// Field j+1 of the criterion's value; empty when it cannot be taken.
const char* ConditionField(const Criterion& criterion, int j, char (&field)[kFieldCapacity]) {
    field[0] = '\0';
    if (!GetDelimitedField(criterion.value.c_str(), kConditionSeparator, j + 1, field))
        field[0] = '\0';
    return field;
}

// Tests each condition j (field j+1 of the value) with `met`; each one met adds a match
// and takes `measured` as its condition value.
template <typename Met>
void CompareEachCondition(int type, const Criterion& criterion, const char* measured, Met met,
                          FilterEvaluation& evaluation) {
    char field[kFieldCapacity];
    for (int j = 0; j < criterion.conditionCount; ++j) {
        if (!met(ConditionField(criterion, j, field))) continue;
        ++evaluation.matchCount[type];
        SetConditionValue(evaluation, type, j, measured);
    }
}

// Walks the filters using criterion `type`; `ask` is called at the first of them only,
// and `record(criterion, evaluation, answer)` for each.
template <typename Answer, typename Ask, typename Record>
void EvaluateWithOneAnswer(int type, const FilterSet* set, FilterEvaluationSet* evaluations,
                           Ask ask, Record record) {
    std::optional<Answer> answer;
    ForEachEnabledCriterion(set, evaluations, type,
                            [&](const Criterion& criterion, FilterEvaluation& evaluation) {
                                if (!answer) answer.emplace(ask());
                                record(criterion, evaluation, *answer);
                            });
}

// The probability is kept as read, in the precision thresholds are read in: rounded to a
// coarser one, 90.3 would compare above a threshold of 90.3.
double AskBayesian(ProviderEntry execute, const MessageRecord& record, const FilterSet& set) {
    char command[kCommandCapacity];
    BuildScanCommand(record, set, command);
    const ProviderAnswer answer = CallExecute("BayesianExecute", execute, command, 0);
    // A failed call says nothing about the message: 0 is below any threshold.
    double probability = 0.0;
    char value[kProviderResultCapacity];
    if (answer.returned != 0 && ExtractBetween(answer.text, "<SP>", "</SP>", value, sizeof value))
        probability = DecimalFraction(value);
    ScannerCounters& counts = Counters();
    Count(&counts.bayesianScans);
    if (probability > kBayesianDetectionLevel) Count(&counts.bayesianDetections);
    Save(values::kBayesianTotalScans, counts.bayesianScans);
    Save(values::kBayesianDetections, counts.bayesianDetections);
    return probability;
}

void RecordProbability(int type, const Criterion& criterion, FilterEvaluation& evaluation,
                       double probability) {
    if (probability > DecimalFraction(criterion.value.c_str())) ++evaluation.matchCount[type];
    char measured[kNumberTextCapacity];
    std::snprintf(measured, sizeof measured, "%f", probability);
    CompareEachCondition(
        type, criterion, measured,
        [&](const char* threshold) { return probability > DecimalFraction(threshold); },
        evaluation);
    char lastThreshold[kFieldCapacity];
    if (criterion.conditionCount > 0)
        ConditionField(criterion, criterion.conditionCount - 1, lastThreshold);
    else
        SafeCopy(lastThreshold, criterion.value.c_str());  // a number: cutting cannot matter
    std::snprintf(ResultTextFor(evaluation, type), kResultTextCapacity,
                  "<BFV>%f</BFV><BFT>%f</BFT>", probability, DecimalFraction(lastThreshold));
}

// The verdict in a SpamAssassin result: PASS 1 means the message passed; an empty or
// missing PASS says nothing, so the message passes too.
int32_t SpamAssassinVerdict(const char* result) {
    char pass[kProviderResultCapacity] = "";
    if (!ExtractBetween(result, "<PASS>", "</PASS>", pass, sizeof pass) || pass[0] == '\0')
        return kSpamAssassinPassed;
    return DecimalValue(pass) == 1 ? kSpamAssassinPassed : kSpamAssassinSpam;
}

int32_t AskSpamAssassin(ProviderEntry execute, const MessageRecord& record, const FilterSet& set) {
    char command[kCommandCapacity];
    BuildScanCommand(record, set, command);
    const ProviderAnswer answer =
        CallExecute("SpamAssassinExecute", execute, command, kProviderResultCapacity);
    const int32_t verdict =
        answer.returned != 0 ? SpamAssassinVerdict(answer.text) : kSpamAssassinPassed;
    ScannerCounters& counts = Counters();
    Count(&counts.spamAssassinScans);
    if (verdict == kSpamAssassinSpam) Count(&counts.spamAssassinDetections);
    Save(values::kSaTotalScans, counts.spamAssassinScans);
    Save(values::kSaDetections, counts.spamAssassinDetections);
    return verdict;
}

void RecordSpamAssassinVerdict(int type, const Criterion& criterion, FilterEvaluation& evaluation,
                               int32_t verdict) {
    auto met = [&](const char* expected) { return DecimalValue(expected) == verdict; };
    if (met(criterion.value.c_str())) ++evaluation.matchCount[type];
    char measured[kNumberTextCapacity];
    std::snprintf(measured, sizeof measured, "%d", verdict);
    CompareEachCondition(type, criterion, measured, met, evaluation);
    std::snprintf(ResultTextFor(evaluation, type), kResultTextCapacity, "<PASS>%d</PASS>", verdict);
}

// The text after the first `open` of `text` up to the next `close`, or to the end when
// there is none; blanks and line ends right after `open` are skipped. False when `text`
// has no `open`.
template <size_t N>
bool CopyPartAfter(const char* text, char open, char close, char (&part)[N]) {
    const char* start = std::strchr(text, open);
    if (start == nullptr) return false;
    ++start;
    while (*start == ' ' || *start == '\t' || *start == '\r' || *start == '\n') ++start;
    const char* end = std::strchr(start, close);
    const size_t length = end != nullptr ? static_cast<size_t>(end - start) : std::strlen(start);
    if (length >= N) return false;  // cannot happen for a part of a record field of N bytes
    std::memcpy(part, start, length);
    part[length] = '\0';
    return true;
}

int32_t DkimVerdictOfCode(int32_t code) {
    if (code < 1) return kDkimFail;
    return code == 1 ? kDkimPass : kDkimIndeterminate;
}

// Verification needs a ready verifier, a message that an unauthenticated client handed
// the SMTP connector (an authenticated sender or another connector carries no signature
// worth checking) and a sender with a local part and a domain.
DkimAnswer AskDkim(ProviderEntry execute, const MessageRecord& record, const FilterSet& set) {
    const DkimAnswer notVerified{kDkimIndeterminate, kDkimNotVerifiedCode};
    if (record.criteriaAuthenticationStatus != 0 || !SameTextNoCase(record.connector, "SMTP"))
        return notVerified;
    char localPart[sizeof record.sender];
    char domain[sizeof record.sender];
    if (!CopyPartAfter(record.sender, ':', '@', localPart) ||
        !CopyPartAfter(record.sender, '@', ']', domain))
        return notVerified;

    ScannerCounters& counts = Counters();
    Count(&counts.dkimScans);
    QueuedFiles files;
    FindQueuedFiles(record, set, &files);
    char command[kCommandCapacity];
    std::snprintf(command, sizeof command,
                  "<COMMAND>VERIFY</COMMAND><FILENAME>%s</FILENAME><CMDFILE>%s</CMDFILE>"
                  "<DOMAIN>%s</DOMAIN><SENDER>%s</SENDER>",
                  files.message, files.envelope, domain, localPart);
    // The result code is read whatever Execute returned: the verifier reports its own
    // failures there, and an answer without one counts as FAIL.
    const ProviderAnswer answer =
        CallExecute("DkimExecute", execute, command, kProviderResultCapacity);
    char code[kProviderResultCapacity] = "";
    if (!ExtractBetween(answer.text, "<RESULT>", "</RESULT>", code, sizeof code)) code[0] = '\0';
    const DkimAnswer verified{DkimVerdictOfCode(DecimalValue(code)), DecimalValue(code)};
    if (verified.verdict == kDkimFail) Count(&counts.dkimDetections);
    Save(values::kDkimScans, counts.dkimScans);
    Save(values::kDkimDetections, counts.dkimDetections);
    return verified;
}

void RecordDkimVerdict(int type, const Criterion& criterion, FilterEvaluation& evaluation,
                       const DkimAnswer& answer) {
    char measured[kNumberTextCapacity];
    std::snprintf(measured, sizeof measured, "%d", answer.code);
    CompareEachCondition(
        type, criterion, measured,
        [&](const char* expected) { return DkimVerdictCode(expected) == answer.verdict; },
        evaluation);
    evaluation.resultText[type][0] = '\0';
}

AntivirusAnswer AskAntivirus(const MessageRecord& record) {
    AntivirusAnswer answer{};
    const AntivirusExecuteEntry execute = Providers().antivirusExecute;
    if (execute == nullptr) return answer;
    ScannerCounters& counts = Counters();
    Count(&counts.antivirusScans);
    Save(values::kAntivirusTotalScans, counts.antivirusScans);
    answer.found = CallProvider("ProviderExecute", __LINE__, [&] {
        return execute(keys::kPluginName, record.messageId, record.connector, answer.text);
    });
    answer.text[sizeof answer.text - 1] = '\0';  // an engine may fill the buffer unterminated
    return answer;
}

// A finding meets the criterion whatever its value says: the value only chooses what
// scripts compare the result with.
void RecordVirusVerdict(int type, const Criterion& criterion, FilterEvaluation& evaluation,
                        const AntivirusAnswer& answer) {
    if (answer.found == 1) {
        ScannerCounters& counts = Counters();
        Count(&counts.antivirusDetections);
        Save(values::kAntivirusDetected, counts.antivirusDetections);
        ++evaluation.matchCount[type];
        SafeCopy(ResultTextFor(evaluation, type), answer.text, kResultTextCapacity);
    }
    char found[kNumberTextCapacity];
    std::snprintf(found, sizeof found, "%d", answer.found);
    SetAllConditionValues(evaluation, criterion, type, found);
}

}  // namespace

int32_t DkimVerdictCode(const char* text) {
    if (text == nullptr) return 0;
    if (SameTextNoCase(text, "FAIL")) return kDkimFail;
    if (SameTextNoCase(text, "PASS")) return kDkimPass;
    if (SameTextNoCase(text, "INDETERMINATE")) return kDkimIndeterminate;
    return DecimalValue(text);
}

int ScanningProvidersReady() {
    const PluginSettings& settings = Settings();
    const bool ready =
        ReadyExecute(settings.bayesianFilteringStatus, Providers().bayesian) != nullptr ||
        ReadyExecute(settings.spamAssassinStatus, Providers().spamAssassin) != nullptr ||
        ReadyExecute(settings.domainKeysStatus, Providers().dkim) != nullptr ||
        settings.antivirusStatus == kProviderReady;
    return ready ? 1 : 0;
}

int EvaluateBayesian(int type, MessageRecord* record, const FilterSet* set,
                     FilterEvaluationSet* evaluations) {
    const ProviderEntry execute =
        ReadyExecute(Settings().bayesianFilteringStatus, Providers().bayesian);
    if (execute == nullptr || record == nullptr || set == nullptr) return 1;
    EvaluateWithOneAnswer<double>(
        type, set, evaluations, [&] { return AskBayesian(execute, *record, *set); },
        [&](const Criterion& criterion, FilterEvaluation& evaluation, double probability) {
            RecordProbability(type, criterion, evaluation, probability);
        });
    return 1;
}

int EvaluateSpamAssassin(int type, MessageRecord* record, const FilterSet* set,
                         FilterEvaluationSet* evaluations) {
    const ProviderEntry execute =
        ReadyExecute(Settings().spamAssassinStatus, Providers().spamAssassin);
    if (execute == nullptr || record == nullptr || set == nullptr) return 1;
    EvaluateWithOneAnswer<int32_t>(
        type, set, evaluations, [&] { return AskSpamAssassin(execute, *record, *set); },
        [&](const Criterion& criterion, FilterEvaluation& evaluation, int32_t verdict) {
            RecordSpamAssassinVerdict(type, criterion, evaluation, verdict);
        });
    return 1;
}

// Without a ready verifier nothing is recorded, as for every other scanner: were such a
// message INDETERMINATE, switching DKIM off (or a verifier failing to load) would make a
// filter on INDETERMINATE quarantine all mail. With a verifier, a message it is not given
// (authenticated, another connector, no full sender) is INDETERMINATE.
int EvaluateDkim(int type, MessageRecord* record, const FilterSet* set,
                 FilterEvaluationSet* evaluations) {
    const ProviderEntry execute = ReadyExecute(Settings().domainKeysStatus, Providers().dkim);
    if (execute == nullptr || record == nullptr || set == nullptr) return 1;
    EvaluateWithOneAnswer<DkimAnswer>(
        type, set, evaluations, [&] { return AskDkim(execute, *record, *set); },
        [&](const Criterion& criterion, FilterEvaluation& evaluation, const DkimAnswer& answer) {
            RecordDkimVerdict(type, criterion, evaluation, answer);
        });
    return 1;
}

int EvaluateAntivirus(int type, MessageRecord* record, const FilterSet* set,
                      FilterEvaluationSet* evaluations) {
    if (Settings().antivirusStatus != kProviderReady || record == nullptr) return 1;
    EvaluateWithOneAnswer<AntivirusAnswer>(
        type, set, evaluations, [&] { return AskAntivirus(*record); },
        [&](const Criterion& criterion, FilterEvaluation& evaluation,
            const AntivirusAnswer& answer) {
            RecordVirusVerdict(type, criterion, evaluation, answer);
        });
    return 1;
}
