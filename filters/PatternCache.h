// filters/PatternCache.h: pattern files (one word or phrase a line) kept in memory for the
// life of a filter set, so that every message does not read them again.
//
// The cache is shared by the whole process and every call takes its one lock. Lookups hand
// out shared ownership of an entry: a run keeps using the list it found even when a reload
// empties the cache meanwhile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct PatternEntry {
    std::vector<std::string> words;  // the file's non-empty lines, without line ends
    std::string path;                // the path it was read from
};

// Reads a pattern file (text mode) into `entry`: every non-empty line, the last one also
// without a line feed. A missing or empty file gives an empty list. Always 1.
int LoadWordFile(const char* path, PatternEntry* entry);

// Whether the path (compared without regard to case) is in the cache.
bool IsPatternFileCached(const char* path);

// Reads the file and caches it under its path, even when it is missing or empty (a
// lookup then finds an empty list). A path already cached is left as it is; when two
// threads cache the same path at once, the first one stored wins.
void CachePatternFile(const char* path);

// The cached entry of a path; null when it is not cached.
std::shared_ptr<const PatternEntry> FindCachedPatterns(const char* path);

// Forgets every entry (entries still held by a run live until it lets them go).
void EmptyPatternCache();

size_t PatternCacheSize();

// A number that changes whenever an entry is added or the cache is emptied, so that what
// was built from the cache can tell that it is out of date.
uint64_t PatternCacheGeneration();
