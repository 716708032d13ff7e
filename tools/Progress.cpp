// tools/Progress.cpp: progress lines on standard error.
#include "tools/Progress.h"

#include <cstdio>

#include "platform/Console.h"

namespace {

// Without a terminal, a progress line every this many items keeps logs short.
constexpr size_t kProgressEvery = 100;

}  // namespace

Progress::Progress(size_t total, bool quiet)
    : total_(total),
      enabled_(!quiet),
      inPlace_(!quiet && platform::StandardErrorIsTerminal() &&
               !platform::StandardOutputIsTerminal()) {}

void Progress::Done(size_t count, const std::string& item) {
    if (inPlace_)
        std::fprintf(stderr, "\r\033[K[%zu/%zu] %s", count, total_, item.c_str());
    else if (enabled_ && count % kProgressEvery == 0 && count < total_)
        std::fprintf(stderr, "[%zu/%zu] %s\n", count, total_, item.c_str());
}

void Progress::Finish() {
    if (inPlace_ && total_ > 0) std::fputs("\r\033[K", stderr);
}
