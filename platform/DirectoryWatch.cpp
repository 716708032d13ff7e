// platform/DirectoryWatch.cpp: directory watches from inotify. The directory itself is
// watched for every change to its entries; each folder above it for changes to the one
// entry the path goes through, so that a folder renamed or replaced on the way is seen.
#include "platform/DirectoryWatch.h"

#include <linux/magic.h>
#include <strings.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "platform/NoThrow.h"

namespace platform {

namespace {

constexpr uint32_t kEntryEvents = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVED_FROM |
                                  IN_MOVED_TO | IN_CREATE | IN_DELETE | IN_DELETE_SELF |
                                  IN_MOVE_SELF | IN_ONLYDIR;
// A folder above it is watched for its entries coming and going only: asking for changes
// of the entries' attributes or content would have the system mark every entry of a
// folder such as /tmp and pass on each of their changes.
constexpr uint32_t kPathEvents = IN_MOVED_FROM | IN_MOVED_TO | IN_CREATE | IN_DELETE |
                                 IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
// After these a watched folder is no longer the one on the path.
constexpr uint32_t kWatchGone = IN_IGNORED | IN_UNMOUNT | IN_DELETE_SELF | IN_MOVE_SELF;

// Every change, process-wide: a watch's number is the last one it took, so a number is
// never given by two watches.
std::atomic<uint64_t> changeSerial{0};

struct WatchedFolder {
    int descriptor;
    std::string entry;  // the entry the path goes through; empty for the directory itself
};

// Local file systems only: a change another machine makes on a network file system is
// never reported.
bool ReportsEveryChange(const std::string& path) {
    struct statfs info;
    if (statfs(path.c_str(), &info) != 0) return false;
    switch (static_cast<unsigned long>(info.f_type)) {
        case EXT4_SUPER_MAGIC:
        case XFS_SUPER_MAGIC:
        case BTRFS_SUPER_MAGIC:
        case TMPFS_MAGIC:
        case OVERLAYFS_SUPER_MAGIC:
        case F2FS_SUPER_MAGIC:
            return true;
        default:
            return false;
    }
}

// The directory's host path when no link is on the way to it; empty otherwise.
std::string PlainDirectory(const char* path) {
    std::string host = HostPath(path);
    while (host.size() > 1 && host.back() == '/') host.pop_back();
    char real[PATH_MAX];
    if (host.empty() || realpath(host.c_str(), real) == nullptr || host != real) return {};
    return host;
}

}  // namespace

struct DirectoryWatch {
    int queue = -1;
    std::vector<WatchedFolder> folders;
    uint64_t changes = 0;
    bool lost = false;

    ~DirectoryWatch() {
        if (queue >= 0) close(queue);
    }

    bool Add(const std::string& folder, uint32_t events, std::string entry) {
        const int descriptor = inotify_add_watch(queue, folder.c_str(), events);
        if (descriptor < 0) return false;
        folders.push_back(WatchedFolder{descriptor, std::move(entry)});
        return true;
    }

    // The directory, then each folder above it up to the root.
    bool WatchPath(const std::string& directory) {
        if (!Add(directory, kEntryEvents, std::string())) return false;
        std::string below = directory;
        while (below.size() > 1) {
            const size_t slash = below.rfind('/');
            if (slash == std::string::npos) return false;
            const std::string above = slash == 0 ? "/" : below.substr(0, slash);
            if (!Add(above, kPathEvents, below.substr(slash + 1))) return false;
            below = above;
        }
        return true;
    }

    // Whether the event may change what a path into the directory finds; an entry on the
    // path that was moved, removed or created means the watched folders are no longer the
    // ones the path names.
    bool Counts(const inotify_event& event) {
        if ((event.mask & kWatchGone) != 0) lost = true;
        if ((event.mask & (IN_Q_OVERFLOW | kWatchGone)) != 0) return true;
        for (const WatchedFolder& folder : folders) {
            if (folder.descriptor != event.wd) continue;
            if (folder.entry.empty() || event.len == 0) return true;
            if (strcasecmp(event.name, folder.entry.c_str()) != 0) return false;
            lost = true;
            return true;
        }
        return false;
    }

    // Reads what the queue holds; false when it cannot be read.
    bool Drain() {
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t got = read(queue, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return errno == EAGAIN;
            if (got == 0) return false;
            bool changed = false;
            for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                changed = Counts(*event) || changed;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
            if (changed) changes = ++changeSerial;
        }
    }
};

int OpenDirectoryWatch(const char* path, DirectoryWatch** watch) {
    if (path == nullptr || watch == nullptr) return 0;
    *watch = nullptr;
    return NoThrow(0, [&] {
        const std::string directory = PlainDirectory(path);
        if (directory.empty() || !ReportsEveryChange(directory)) return 0;
        auto opened = std::make_unique<DirectoryWatch>();
        opened->queue = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (opened->queue < 0 || !opened->WatchPath(directory)) return 0;
        opened->changes = ++changeSerial;
        *watch = opened.release();
        return 1;
    });
}

int DirectoryChangeCount(DirectoryWatch* watch, uint64_t* changes) {
    if (watch == nullptr || changes == nullptr || watch->lost) return 0;
    if (!watch->Drain() || watch->lost) {
        watch->lost = true;
        return 0;
    }
    *changes = watch->changes;
    return 1;
}

void CloseDirectoryWatch(DirectoryWatch* watch) {
    delete watch;
}

int WatchSeesEveryChange(const char* path) {
    if (path == nullptr) return 0;
    return NoThrow(0, [&] {
        struct stat info;
        const std::string host = HostPath(path);
        return lstat(host.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1 ? 1
                                                                                              : 0;
    });
}

}  // namespace platform
