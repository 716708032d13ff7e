// bench/ScriptFilterBench.cpp: time per message of a script filter's decision: building the
// program from the body (placeholders, token values, header and trailer), running it
// through the script host, and the match decision around it.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>

#include "actions/ActionContext.h"
#include "base/Settings.h"
#include "common/Console.h"
#include "filters/FilterScript.h"
#include "filters/ScriptHost.h"
#include "platform/Com.h"
#include "vbscript/ScriptEngine.h"

namespace {

// A typical administrator's filter: five tokens, two placeholders, some logic.
const char* const kFilterBody =
    "Dim hits\r\n"
    "hits = 0\r\n"
    "If CriteriaMet([QP_SUBJECT], \"free\") Then hits = hits + 1\r\n"
    "If CriteriaMet([QP_BODY], \"winner\") Then hits = hits + 1\r\n"
    "If CriteriaMet([QP_BODY], \"claim now\") Then hits = hits + 1\r\n"
    "If CriteriaMet([QP_FROM], \"<REFERENCE><FILE>senders.txt</FILE></REFERENCE>\") Then\r\n"
    "    hits = hits - 2\r\n"
    "End If\r\n"
    "If [QP_SIZE] > 10000 And hits > 1 Then\r\n"
    "    FilterResult = 1\r\n"
    "    QPResultData = \"SPAM:\" & hits\r\n"
    "ElseIf InStr(1, \"%SUBJECT%\", \"offer\", 1) > 0 Then\r\n"
    "    FilterResult = 1\r\n"
    "    QPResultData = \"OFFER from %SENDERADDRESS%\"\r\n"
    "End If\r\n";

class ScriptFilterFixture {
public:
    ScriptFilterFixture() {
        platform::CoInitializeEx(nullptr, platform::COINIT_MULTITHREADED);
        vbscript::RegisterVBScriptEngine();
        SetConsoleQuiet(1);
        ResetSettings();
        Settings().scriptLiteralMode = 1;
        filter_ = std::make_unique<FilterDefinition>();
        filter_->isScript = 1;
        filter_->scriptText = kFilterBody;
        std::strcpy(filter_->displayName, "Spam script");
        set_.filterCount = 1;
        set_.filters[1] = filter_.get();
        RegisterScriptCriteria(&set_, kFilterBody);
        evaluation_ = std::make_unique<FilterEvaluation>();
        std::strcpy(evaluation_->conditionValues[kSubject][0], "1");
        std::strcpy(evaluation_->conditionValues[kBody][1], "1");
        std::strcpy(evaluation_->conditionValues[kSize][0], "20480");
        evaluations_.count = 1;
        evaluations_.evaluations[1] = evaluation_.get();
        record_ = std::make_unique<MessageRecord>();
        std::strcpy(record_->subject, "A \"special\" offer");
        std::strcpy(record_->sender, "[SMTP:sales@example.net]");
    }
    ~ScriptFilterFixture() {
        set_.filters[1] = nullptr;
        platform::CoUninitialize();
    }

    int BuildAndRun(char* data) {
        return BuildAndRunFilterScript(record_.get(), &set_, 1, &evaluations_, kFilterBody, data,
                                       1024);
    }
    bool Decide() {
        FilterMatch match;
        DecideFilterMatch(record_.get(), &set_, 1, &evaluations_, &match);
        return match.matched;
    }

private:
    std::unique_ptr<FilterDefinition> filter_;
    FilterSet set_{};
    std::unique_ptr<FilterEvaluation> evaluation_;
    FilterEvaluationSet evaluations_{};
    std::unique_ptr<MessageRecord> record_;
};

void BuildAndRunScriptFilter(benchmark::State& state) {
    ScriptFilterFixture fixture;
    char data[1024];
    for (auto _ : state) benchmark::DoNotOptimize(fixture.BuildAndRun(data));
}
BENCHMARK(BuildAndRunScriptFilter);

void DecideScriptFilterMatch(benchmark::State& state) {
    ScriptFilterFixture fixture;
    for (auto _ : state) benchmark::DoNotOptimize(fixture.Decide());
}
BENCHMARK(DecideScriptFilterMatch);

}  // namespace

BENCHMARK_MAIN();
