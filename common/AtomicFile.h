// common/AtomicFile.h: replacing a file as a whole, so that a crash or a full
// disk at any moment leaves either the old bytes or the new ones under its name.
#pragma once

#include <cstddef>
#include <cstdint>

// Writes `bytes` to "<path>.tmp-<guid>" in the same directory, syncs it to disk and
// closes it (checking that everything reached the file), renames it over `path` in one
// step and syncs the directory. On any failure
// the scratch file is deleted and `path` is left exactly as it was. 1 on success.
int ReplaceFileAtomically(const char* path, const char* bytes, size_t length);

// The marker that names scratch files ("<message>.tmp-<guid>"); anything that lists a
// queue directory must pass over names containing it.
constexpr const char* kScratchFileMarker = ".tmp-";

// Removes the scratch files of `directory` last modified before `olderThanUtcSeconds`
// (seconds since 1970): what a rewrite interrupted by a crash left behind. Returns how
// many were removed.
int RemoveStaleScratchFiles(const char* directory, int64_t olderThanUtcSeconds);
