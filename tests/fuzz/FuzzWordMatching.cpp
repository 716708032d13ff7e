// tests/fuzz/FuzzWordMatching.cpp: libFuzzer target comparing the compiled word lists with
// the word-by-word walk. The input drives the same case generator as the differential
// test (tests/filters/ListDifferential.h): each byte picks the next choice, and an input
// that runs out picks the first choice from then on. Any difference in what the two paths
// record or print aborts with both versions.
//
// MTAFILTER_FUZZ_CASE=1 in the environment runs the whole session with "Case Sensitivity"
// 1; otherwise it is 0. scripts/fuzz.sh builds and runs it with the other targets; by hand:
//   clang++ -std=c++20 -O2 -g -fsanitize=fuzzer,undefined -I. tests/fuzz/FuzzWordMatching.cpp
//     build-fuzz/libmtafilter_core.a build-fuzz/libmtafilter_vbscript.a
//     build-fuzz/libmtafilter_common.a build-fuzz/libmtafilter_platform.a
//     -lsqlite3 -lpcre2-8 -ldl -lpthread -o build-fuzz/fuzz_word_matching
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/RegistryKeys.h"
#include "base/Settings.h"
#include "platform/Registry.h"
#include "tests/filters/ListDifferential.h"

namespace {

testing_support::ConsoleCapture* console = nullptr;
uint64_t casesRun = 0;

void PrintCasesRun() {
    std::fprintf(stderr, "FuzzWordMatching: %llu cases compared\n",
                 static_cast<unsigned long long>(casesRun));
}

void SetCaseSensitivity(uint32_t value) {
    platform::RegistryKey key = nullptr;
    if (platform::RegistryCreateKey(keys::kPlugin, &key) != platform::kRegOk ||
        platform::RegistrySetValue(key, "Case Sensitivity", platform::kRegDword, &value,
                                   sizeof value) != platform::kRegOk) {
        std::fprintf(stderr, "FuzzWordMatching: cannot write the registry; check QP_REGISTRY\n");
        std::abort();
    }
    platform::RegistryCloseKey(key);
    ForgetFirstUseSettings();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static std::string registry = "/tmp/fuzz-word-matching-" + std::to_string(getpid()) + ".db";
    setenv("QP_REGISTRY", registry.c_str(), 1);
    ResetSettings();
    RefreshDirectoryGroup(nullptr);
    const char* mode = std::getenv("MTAFILTER_FUZZ_CASE");
    SetCaseSensitivity(mode != nullptr && mode[0] == '1' ? 1 : 0);
    console = new testing_support::ConsoleCapture();
    std::atexit(PrintCasesRun);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size_t at = 0;
    testing_support::Pick pick = [&](uint32_t bound) -> uint32_t {
        if (bound <= 1 || at >= size) return 0;
        uint32_t value = data[at++];
        if (bound > 256 && at < size) value = value << 8 | data[at++];
        return value % bound;
    };
    do {
        const std::string difference =
            CompareListCase(testing_support::MakeListCase(pick), *console);
        ++casesRun;
        if (!difference.empty()) {
            std::fprintf(stderr, "compiled lists differ from the word-by-word walk:\n%s\n",
                         difference.c_str());
            std::abort();
        }
    } while (at < size);
    return 0;
}
