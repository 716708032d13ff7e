// actions/ActionFiles.cpp: the parsed action files. A filter that matches message after
// message would otherwise open and parse its file each time. Whether a file changed is
// told by a watch on its folder, one check for every file in it; where the system cannot
// watch a folder, by the file's stamp.
#include "actions/ActionFiles.h"

#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>

#include "base/Settings.h"
#include "common/SafeText.h"
#include "filters/FilterSet.h"
#include "filters/ScopePaths.h"
#include "platform/DirectoryWatch.h"
#include "platform/FileStamp.h"
#include "platform/Files.h"
#include "platform/NeverDestroyed.h"
#include "platform/Ownership.h"

namespace {

// A file read while its folder's change count was `changes` (watched) or while its stamp
// was `stamp`.
struct ParsedActionFile {
    bool watched;
    uint64_t changes;
    platform::FileStamp stamp;
    int64_t readNs;
    std::shared_ptr<const ActionLines> lines;
};

// A filter's action file path, while what it was built from stays: the set's scope names,
// the filter's identifier and the configuration directory (told by its change count).
// Building it formats a path for every filter that matched every message.
struct KnownPath {
    uint64_t configurationChanges;
    std::string postoffice;
    std::string mailbox;
    std::string filterId;
    std::string path;
    size_t folderLength;  // up to the last "\\"; npos: no folder
    // The parsed file of `path` as found while the parsed files had been emptied
    // `keptWhile` times (null: not looked up), which spares hashing the path each time.
    const ParsedActionFile* kept;
    uint64_t keptWhile;
};

struct FolderWatch {
    platform::DirectoryWatch* watch;  // null: the folder cannot be watched
};

struct ActionFileCache {
    std::mutex lock;
    std::unordered_map<std::string, ParsedActionFile> files;
    std::unordered_map<std::string, FolderWatch> folders;  // by folder path
    // By filter: a definition's address may be reused by another, so each use compares
    // the names the path was built from.
    std::unordered_map<const FilterDefinition*, KnownPath> paths;
    uint64_t filesEmptied = 0;  // how often `files` was emptied, leaving no entry behind
};

// Filters of a few scopes live in a few folders; a server with many mailbox filter sets
// has the folders beyond these examined file by file.
constexpr size_t kWatchedFolders = 16;
constexpr size_t kCachedActionFiles = 4 * kMaxFilters;

// Never destroyed: a run on another thread may still be reading it at exit. Kept in the
// library's own storage and emptied by the unload, so nothing stays on the host's heap.
ActionFileCache& TheActionFileCache() {
    static platform::NeverDestroyed<ActionFileCache> cache;
    return *cache;
}

void StopWatching(std::unordered_map<std::string, FolderWatch>* folders) {
    for (auto& [path, folder] : *folders) platform::CloseDirectoryWatch(folder.watch);
    // Swapped, not cleared: a cleared map keeps its bucket array on the host's heap.
    std::unordered_map<std::string, FolderWatch>().swap(*folders);
}

// 1 with the change count of the folder of `path` (`length` bytes); 0 when it is not
// watched. Under the lock.
int AskFolder(ActionFileCache& cache, const char* path, size_t length, uint64_t* changes) {
    const std::string folder(path, length);
    auto found = cache.folders.find(folder);
    if (found == cache.folders.end()) {
        if (cache.folders.size() >= kWatchedFolders) return 0;
        FolderWatch opened{nullptr};
        if (!platform::OpenDirectoryWatch(folder.c_str(), &opened.watch)) opened.watch = nullptr;
        found = cache.folders.emplace(folder, opened).first;
    }
    if (found->second.watch == nullptr) return 0;
    if (platform::DirectoryChangeCount(found->second.watch, changes)) return 1;
    // Lost (the folder was moved, say): asked to be watched afresh by the next lookup.
    platform::CloseDirectoryWatch(found->second.watch);
    cache.folders.erase(found);
    return 0;
}

// The same for the folder of `known`, answered from `check` when this message already
// asked about it.
int FolderChanges(ActionFileCache& cache, const KnownPath& known, ActionFolderCheck* check,
                  uint64_t* changes) {
    if (known.folderLength == std::string::npos) return 0;
    const char* path = known.path.c_str();
    const size_t length = known.folderLength;
    if (std::strlen(check->folder) == length && std::memcmp(check->folder, path, length) == 0 &&
        length > 0) {
        *changes = check->changes;
        return check->watched;
    }
    const int watched = AskFolder(cache, path, length, changes);
    if (length < sizeof check->folder) {
        std::memcpy(check->folder, path, length);
        check->folder[length] = '\0';
        check->watched = watched;
        check->changes = watched ? *changes : 0;
    }
    return watched;
}

// Under the lock: the parsed file of `known`'s path; null when there is none.
const ParsedActionFile* KeptFile(const ActionFileCache& cache, KnownPath* known) {
    if (known->kept != nullptr && known->keptWhile == cache.filesEmptied) return known->kept;
    const auto found = cache.files.find(known->path);
    if (found == cache.files.end()) return nullptr;
    known->kept = &found->second;  // entries stay where they are until the map is emptied
    known->keptWhile = cache.filesEmptied;
    return known->kept;
}

// Under the lock: the kept lines of `known`'s path when its folder's change count says
// they are still what the file holds; null otherwise, with `byStamp` set when the lines
// were kept by the file's stamp instead.
std::shared_ptr<const ActionLines> StillCurrent(const ActionFileCache& cache, KnownPath* known,
                                                const ParsedActionFile& now, bool* byStamp) {
    const ParsedActionFile* kept = KeptFile(cache, known);
    if (kept == nullptr) return nullptr;
    *byStamp = !kept->watched;
    return now.watched && kept->watched && kept->changes == now.changes ? kept->lines : nullptr;
}

// Under the lock: the same for lines kept by the file's stamp, with the file's stamp now.
std::shared_ptr<const ActionLines> StillStamped(const ActionFileCache& cache,
                                                const std::string& path,
                                                const platform::FileStamp& stamp) {
    const auto found = cache.files.find(path);
    if (found == cache.files.end() || found->second.watched) return nullptr;
    const ParsedActionFile& kept = found->second;
    return platform::FileUnchangedSince(kept.stamp, kept.readNs, stamp) ? kept.lines : nullptr;
}

// Under the lock: the path kept for `filter` of `set` while the configuration directory's
// change count is `changes`; null when it must be built.
KnownPath* KnownActionFilePath(ActionFileCache& cache, const FilterSet& set,
                               const FilterDefinition& filter, uint64_t changes) {
    const auto found = cache.paths.find(&filter);
    if (found == cache.paths.end()) return nullptr;
    KnownPath& known = found->second;
    const bool same = known.configurationChanges == changes && known.filterId == filter.filterId &&
                      known.postoffice == set.postoffice && known.mailbox == set.mailbox;
    return same ? &known : nullptr;
}

// The path of `filter`'s action file, built when the cache does not know it. Returns the
// cache's own copy, valid while `guard` holds the lock; null when the path does not fit.
KnownPath* ActionFilePath(ActionFileCache& cache, const FilterSet& set,
                          const FilterDefinition& filter, std::unique_lock<std::mutex>* guard) {
    // Read before the path is built: a change meanwhile has it built again next time.
    const uint64_t changes = ConfigurationDirectoryChanges();
    *guard = std::unique_lock<std::mutex>(cache.lock);
    if (KnownPath* known = KnownActionFilePath(cache, set, filter, changes)) return known;
    guard->unlock();
    char path[kFilterPathCapacity];
    if (!BuildScopePath(set, ScopeFile::kActionFile, filter.filterId, path)) return nullptr;
    const std::string built(path);
    guard->lock();
    if (cache.paths.size() >= kCachedActionFiles) cache.paths.clear();
    KnownPath& added = cache.paths[&filter];
    added = KnownPath{.configurationChanges = changes,
                      .postoffice = set.postoffice,
                      .mailbox = set.mailbox,
                      .filterId = filter.filterId,
                      .path = built,
                      .folderLength = built.rfind('\\'),
                      .kept = nullptr,
                      .keptWhile = 0};
    return &added;
}

std::shared_ptr<const ActionLines> ReadActionFile(const char* path) {
    const platform::OwnedFile file(path, platform::FileMode::kReadText);
    if (!file) return nullptr;
    auto lines = std::make_shared<ActionLines>();
    char text[kActionLineCapacity];
    ActionLine line;
    while (platform::FileReadLine(file.Get(), text, sizeof text) != nullptr) {
        ParseActionLine(text, &line);
        lines->push_back(line);
    }
    return lines;
}

}  // namespace

std::shared_ptr<const ActionLines> ActionFileLines(const FilterSet& set,
                                                   const FilterDefinition& filter,
                                                   ActionFolderCheck* check) {
    ActionFileCache& cache = TheActionFileCache();
    char path[kFilterPathCapacity];
    ParsedActionFile now{};
    bool byStamp = false;
    {
        std::unique_lock<std::mutex> guard;
        KnownPath* known = ActionFilePath(cache, set, filter, &guard);
        if (known == nullptr) return nullptr;
        ActionFolderCheck ownCheck;  // some kilobyte: only its folder needs emptying
        ownCheck.folder[0] = '\0';
        now.watched =
            FolderChanges(cache, *known, check != nullptr ? check : &ownCheck, &now.changes) == 1;
        if (auto lines = StillCurrent(cache, known, now, &byStamp)) return lines;
        // Copied only now: the lines kept in memory need no path of their own.
        (void)SafeCopy(path, known->path.c_str());  // built in a buffer of this size
    }
    // A file is examined outside the lock, and only where its folder's count cannot tell.
    bool stamped = false;
    if (!now.watched || byStamp) stamped = platform::FileStampOf(path, &now.stamp) == 1;
    if (stamped) {
        std::lock_guard<std::mutex> guard(cache.lock);
        if (auto lines = StillStamped(cache, path, now.stamp)) return lines;
    }
    // Taken before the read: a change made while the file is read leaves it out of date.
    now.readNs = platform::FileClockNowNs();
    // A file that can change under another name is kept by its stamp alone.
    if (now.watched && !platform::WatchSeesEveryChange(path)) {
        now.watched = false;
        if (!stamped) stamped = platform::FileStampOf(path, &now.stamp) == 1;
    }
    now.lines = ReadActionFile(path);
    if (now.lines == nullptr || !(now.watched || stamped)) return now.lines;
    std::lock_guard<std::mutex> guard(cache.lock);
    if (cache.files.size() >= kCachedActionFiles) {
        cache.files.clear();
        ++cache.filesEmptied;
    }
    cache.files[path] = now;
    return now.lines;
}

void ForgetParsedActionFiles() {
    std::unordered_map<std::string, ParsedActionFile> released;
    std::unordered_map<const FilterDefinition*, KnownPath> forgotten;
    ActionFileCache& cache = TheActionFileCache();
    std::lock_guard<std::mutex> guard(cache.lock);
    released.swap(cache.files);
    ++cache.filesEmptied;
    forgotten.swap(cache.paths);
    StopWatching(&cache.folders);
}
