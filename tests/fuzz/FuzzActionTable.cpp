// tests/fuzz/FuzzActionTable.cpp: libFuzzer target for the action-table reader. The input
// is written as a filter's action file, read line by line as the dispatcher reads it, each
// line cut into its columns and its action looked up in both vocabularies.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "actions/ActionTable.h"
#include "filters/ActionLine.h"
#include "platform/Files.h"
#include "tests/fixtures/TempTree.h"

namespace {

constexpr size_t kLineCapacity = 2048;  // as the dispatcher reads action lines

template <size_t N>
void CheckTerminated(const char (&field)[N]) {
    if (std::memchr(field, '\0', N) == nullptr) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static testing_support::TempTree tree;
    tree.WriteFile("F.ACT", std::string(reinterpret_cast<const char*>(data), size));
    platform::File file =
        platform::FileOpen(tree.Join("F.ACT").c_str(), platform::FileMode::kReadText);
    if (file == nullptr) return 0;
    char text[kLineCapacity];
    while (platform::FileReadLine(file, text, sizeof text) != nullptr) {
        ActionLine line;
        ParseActionLine(text, &line);
        CheckTerminated(line.parameter);
        CheckTerminated(line.name);
        CheckTerminated(line.description);
        (void)FindAction(line.name, false);
        (void)FindAction(line.name, true);
    }
    (void)platform::FileClose(file);
    return 0;
}
