// filters/PatternCache.cpp: the process-wide cache of pattern files.
#include "filters/PatternCache.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <string_view>
#include <utility>

#include "common/FileQueries.h"
#include "common/TextSearch.h"
#include "platform/Files.h"
#include "platform/NeverDestroyed.h"

namespace {

// Paths name files on a file system that ignores case, so keys do too. Lookups compare
// views of the caller's text: finding an entry allocates nothing.
struct NoCaseLess {
    using is_transparent = void;
    bool operator()(std::string_view left, std::string_view right) const {
        return std::lexicographical_compare(
            left.begin(), left.end(), right.begin(), right.end(),
            [](char a, char b) { return FoldUpper(a) < FoldUpper(b); });
    }
};

using PatternMap = std::map<std::string, std::shared_ptr<const PatternEntry>, NoCaseLess>;

std::mutex cacheLock;
std::atomic<uint64_t> generation{0};

// The unload work empties the cache; it may run before the library's globals are built
// or after they are destroyed, so the map is neither.
PatternMap& Cache() {
    static platform::NeverDestroyed<PatternMap> cache;
    return *cache;
}

void SplitLines(const char* text, std::vector<std::string>* words) {
    while (*text != '\0') {
        const char* end = std::strchr(text, '\n');
        const size_t length = end != nullptr ? static_cast<size_t>(end - text) : std::strlen(text);
        if (length > 0) words->emplace_back(text, length);
        text += length + (end != nullptr ? 1 : 0);
    }
}

// The file's text up to its first NUL byte, as a C string of its contents reads.
void ReadWords(const char* path, std::vector<std::string>* words) {
    const int size = FileSizeByName(path);
    if (size < 1) return;
    platform::File file = platform::FileOpen(path, platform::FileMode::kReadText);
    if (file == nullptr) return;
    std::vector<char> content(static_cast<size_t>(size) + 1, '\0');
    const size_t count = platform::FileRead(file, content.data(), static_cast<size_t>(size));
    platform::FileClose(file);
    content[count] = '\0';
    SplitLines(content.data(), words);
}

}  // namespace

int LoadWordFile(const char* path, PatternEntry* entry) {
    if (entry == nullptr) return 1;
    entry->words.clear();
    try {
        entry->path = path != nullptr ? path : "";
        if (path != nullptr) ReadWords(path, &entry->words);
    } catch (const std::bad_alloc&) {
        // Out of memory: the words read so far are all the list holds.
    }
    return 1;
}

bool IsPatternFileCached(const char* path) {
    if (path == nullptr) return false;
    std::lock_guard<std::mutex> guard(cacheLock);
    return Cache().find(std::string_view(path)) != Cache().end();
}

void CachePatternFile(const char* path) {
    if (path == nullptr || IsPatternFileCached(path)) return;
    try {
        // Reading happens outside the lock, so that lookups never wait for a disk.
        auto entry = std::make_shared<PatternEntry>();
        LoadWordFile(path, entry.get());
        std::lock_guard<std::mutex> guard(cacheLock);
        if (Cache().try_emplace(path, std::move(entry)).second) generation.fetch_add(1);
    } catch (const std::bad_alloc&) {
        // Left uncached: the file is read again the next time it is wanted.
    }
}

std::shared_ptr<const PatternEntry> FindCachedPatterns(const char* path) {
    if (path == nullptr) return nullptr;
    std::lock_guard<std::mutex> guard(cacheLock);
    const auto found = Cache().find(std::string_view(path));
    return found != Cache().end() ? found->second : nullptr;
}

void EmptyPatternCache() {
    PatternMap released;
    {
        std::lock_guard<std::mutex> guard(cacheLock);
        released.swap(Cache());
        generation.fetch_add(1);
    }
    // The entries are freed here, outside the lock.
}

size_t PatternCacheSize() {
    std::lock_guard<std::mutex> guard(cacheLock);
    return Cache().size();
}

uint64_t PatternCacheGeneration() {
    return generation.load();
}
