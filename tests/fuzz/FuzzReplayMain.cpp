// tests/fuzz/FuzzReplayMain.cpp: runs a fuzz target over saved inputs without libFuzzer, so
// that every build (sanitizer builds included) replays the seed corpora and past findings.
// Arguments are files or directories of files; a directory is read in name order.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// Optional, as with libFuzzer: a target that needs set-up before its first input defines it.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

namespace fs = std::filesystem;

bool Replay(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "replay: cannot read %s; check that it exists and is readable\n",
                     path.c_str());
        return false;
    }
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
    size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        if (!fs::is_directory(argv[i], error)) {
            if (!Replay(argv[i])) return 1;
            ++replayed;
            continue;
        }
        std::vector<fs::path> inputs;
        for (const auto& entry : fs::directory_iterator(argv[i], error))
            if (entry.is_regular_file()) inputs.push_back(entry.path());
        std::sort(inputs.begin(), inputs.end());
        for (const fs::path& input : inputs) {
            if (!Replay(input)) return 1;
            ++replayed;
        }
    }
    if (replayed == 0) {
        std::fprintf(stderr,
                     "replay: no inputs found; give files or directories of seed inputs "
                     "(tests/fuzz/corpus/<Target>/)\n");
        return 1;
    }
    std::printf("replay: %zu inputs ran cleanly\n", replayed);
    return 0;
}
