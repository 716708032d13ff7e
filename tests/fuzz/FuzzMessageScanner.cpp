// tests/fuzz/FuzzMessageScanner.cpp: libFuzzer target for the message scanner. The input
// is written as a queued message file and scanned with a small hand-built filter set that
// uses every criterion the scanner feeds; the first byte picks the filter level. The
// input also goes through the link host decoder. Run with -close_fd_mask=1: the scanner
// talks on standard output.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "analysis/MessageLinks.h"
#include "analysis/MessageScanner.h"
#include "base/MessageRecord.h"
#include "base/Settings.h"
#include "common/SafeText.h"
#include "filters/FilterSet.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/TempTree.h"

namespace {

using testing_support::ScopedRegistry;
using testing_support::TempTree;

constexpr const char* kMessageId = "FUZZ.MAI";

// Criteria the scanner feeds and the values the fuzz filter gives them. Link checks stay
// off ("Perform SBLRBL" is not set): they would send every host to the resolver.
struct CriterionValue {
    int type;
    const char* value;
};
constexpr CriterionValue kCriteria[] = {
    {kSubject, "*"},
    {kBody, "free\tcheap*"},
    {kTo, "a@example.com"},
    {kCc, "*"},
    {kToOrCc, "*example*"},
    {kPriority, "High"},
    {kFrom, "*"},
    {kSize, "100"},
    {kHasAttachmentsMatching, "*.exe\tsetup"},
    {kHasAnAttachment, "1"},
    {kHeadersContain, "**x-**"},
    {kSpf, "pass"},
    {kUrlbl, "1"},
    {kBoundaryHeadersContain, "base64"},
};

// One tree and one filter for the whole run.
struct FuzzTree {
    FuzzTree() {
        registry.SetString(testing_support::kConnectorsKey, "Connector Root Directory",
                           tree.Join("connectors"));
        ResetSettings();
        ForgetFirstUseSettings();
        RefreshDirectoryGroup(nullptr);
        for (const CriterionValue& c : kCriteria)
            filter->criteria[c.type] = Criterion{1, c.value, 1, 1};
        set.filters[1] = filter.get();
        set.filterCount = 1;
    }
    TempTree tree;
    ScopedRegistry registry{tree};
    std::unique_ptr<FilterDefinition> filter = std::make_unique<FilterDefinition>();
    FilterSet set{};
};

void SetLevel(FilterSet& set, uint8_t control) {
    SafeCopy(set.postoffice, (control & 1) != 0 ? "sales" : "");
    SafeCopy(set.mailbox, (control & 2) != 0 ? "bob" : "");
}

void FuzzDecode(const std::string& text, uint8_t control) {
    const size_t capacity = 1 + control % 32;
    std::unique_ptr<char[]> output(new char[capacity]);
    size_t length = 0;
    PercentDecode(text.c_str(), output.get(), capacity, &length);
    if (length >= capacity) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzTree fuzzTree;
    if (size == 0) return 0;
    const std::string message(reinterpret_cast<const char*>(data + 1), size - 1);
    SetLevel(fuzzTree.set, data[0]);
    const char* queue = fuzzTree.set.postoffice[0] != '\0' ? "Outgoing" : "Inbound";
    fuzzTree.tree.WriteFile(std::string("connectors/SMTP/") + queue + "/Messages/" + kMessageId,
                            message);

    MessageRecord record{};
    SafeCopy(record.messageId, kMessageId);
    SafeCopy(record.connector, "SMTP");
    FilterEvaluationSet evaluations{};
    evaluations.message = &record;
    AllocateEvaluations(&fuzzTree.set, &evaluations);
    (void)ScanMessage(&record, &fuzzTree.set, &evaluations);
    ReleaseEvaluations(&fuzzTree.set, &evaluations);

    FuzzDecode(message, data[0]);
    return 0;
}
