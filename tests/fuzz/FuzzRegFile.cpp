// tests/fuzz/FuzzRegFile.cpp: libFuzzer target for .reg import. The input is parsed as a
// .reg file; what parses is applied to a private registry and exported again, and the
// export must parse in turn.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/fixtures/TempTree.h"
#include "tools/RegFile.h"

namespace {

struct FuzzRegistry {
    testing_support::TempTree tree;
    testing_support::ScopedRegistry registry{tree};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzRegistry fuzzRegistry;
    const std::string text(reinterpret_cast<const char*>(data), size);
    regfile::RegDocument document;
    std::string error;
    if (!regfile::ParseRegText(text, "fuzz.reg", &document, &error)) return 0;
    if (!regfile::ApplyRegDocument(document, "fuzz.reg", &error)) return 0;
    std::string exported;
    if (regfile::ExportRegistry("", &exported) == platform::kRegOk) {
        regfile::RegDocument again;
        if (!regfile::ParseRegText(exported, "export.reg", &again, &error)) __builtin_trap();
    }
    // Leave the registry empty for the next input: the trees the input made, and the
    // values it set on the hive itself.
    regfile::RegDocument clear(1);
    for (const regfile::KeyChange& key : document) {
        std::string top = key.path.substr(0, key.path.find('\\'));
        if (!top.empty()) clear.push_back({top, true, 0, {}});
        if (!key.path.empty() || key.remove) continue;
        for (const regfile::ValueChange& change : key.values)
            clear[0].values.push_back({change.value, true, 0});
    }
    (void)regfile::ApplyRegDocument(clear, "clear.reg", &error);
    return 0;
}
