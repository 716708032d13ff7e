// platform/NoThrow.h: keeps exceptions (out of memory, above all) from crossing the
// platform interface, whose callers are written against C-style results.
#pragma once

namespace platform {

// Runs `work` and returns what it returns, or `failure` when it throws.
template <class Result, class Work>
Result NoThrow(Result failure, Work&& work) noexcept {
    try {
        return work();
    } catch (...) {
        return failure;
    }
}

}  // namespace platform
