// tests/fuzz/FuzzResultTags.cpp: libFuzzer target for result tag expansion. The input is
// split at its first NUL into the result text and the template; the first byte picks the
// template's capacity and whether values are encoded for a header.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "filters/ResultTags.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t control = data[0];
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    size_t split = input.find('\0');
    const std::string result = input.substr(0, split);
    std::string templ = split == std::string::npos ? "[QP_WORDLIST]" : input.substr(split + 1);
    templ = templ.substr(0, templ.find('\0'));

    const size_t capacities[] = {1, 16, 64, 256, 1024, 4096};
    size_t capacity = capacities[(control & 0x7F) % 6];
    if (templ.size() >= capacity) templ.resize(capacity - 1);
    // Exactly the capacity, so that a write past it is caught by the sanitizers.
    std::vector<char> text(capacity);
    std::memcpy(text.data(), templ.c_str(), templ.size() + 1);
    ExpandResultTags(result.c_str(), text.data(), capacity, (control & 0x80) != 0);
    if (std::memchr(text.data(), '\0', capacity) == nullptr) __builtin_trap();
    return 0;
}
