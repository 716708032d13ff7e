// common/WholeFile.cpp: reading a file into memory in one call.
#include "common/WholeFile.h"

#include <cerrno>

#include "platform/InputFile.h"
#include "platform/Ownership.h"

namespace {

// Most files read whole (envelopes, tables, templates) fit in the first read.
constexpr size_t kFirstRead = 16 * 1024;

}  // namespace

int ReadWholeFile(const char* path, std::string* text, int* error) {
    text->clear();
    errno = 0;
    platform::OwnedInputFile file(path);
    if (!file) {
        if (error != nullptr) *error = errno != 0 ? errno : ENOENT;
        return 0;
    }
    // Read straight into the text, which grows only when a read fills it: a read that
    // comes back short has met the end of the file, so no read is spent to find it.
    size_t used = 0;
    text->resize(kFirstRead);
    for (;;) {
        used += platform::InputFileRead(file.Get(), text->data() + used, text->size() - used);
        if (used < text->size()) break;
        text->resize(text->size() * 2);
    }
    text->resize(used);
    return 1;
}
