// platform/NamedMutex.cpp: mutexes shared by name between processes. Each name is a lock
// file that the owning process holds flock()ed, so the system frees it when the owner
// dies; threads of one process take turns through the name's in-process ownership.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <new>
#include <string>

#include "platform/NoThrow.h"
#include "platform/Sync.h"
#include "platform/SyncObjects.h"

namespace platform {
namespace {

constexpr const char kLockFilePrefix[] = "mtafilter-mutex-";
// Room for the encoded name within a file name of at most 255 bytes.
constexpr size_t kMaxEncodedName = 200;
constexpr size_t kEncodedHead = 180;
// The longest pause between attempts of a timed wait for another process's lock.
constexpr auto kLongestPoll = std::chrono::milliseconds(16);
// The lock file's first byte is 1 while a process owns the mutex. Finding it set when
// taking the lock means its owner died holding it: the mutex was abandoned.
constexpr char kOwnedMark = 1;
constexpr char kFreeMark = 0;

// Shared memory where there is some (gone at reboot, like the kernel objects), else /tmp.
const char* LockDirectory() {
    return access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
}

uint64_t NameHash(const std::string& name) {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (unsigned char c : name) hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

void AppendHex(std::string* out, uint64_t value, int digits) {
    static const char kDigits[] = "0123456789abcdef";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        *out += kDigits[(value >> shift) & 15];
}

// A file name for a mutex name: letters, digits, "." and "-" as they are, any other
// byte as "_" and two hex digits, so that distinct names never share a file. Very long
// names keep their start and a hash of the whole.
std::string EncodeName(const std::string& name) {
    std::string encoded;
    for (unsigned char c : name) {
        if (isalnum(c) || c == '.' || c == '-') {
            encoded += static_cast<char>(c);
        } else {
            encoded += '_';
            AppendHex(&encoded, c, 2);
        }
    }
    if (encoded.size() <= kMaxEncodedName) return encoded;
    encoded.resize(kEncodedHead);
    encoded += '_';
    AppendHex(&encoded, NameHash(name), 16);
    return encoded;
}

std::string LockFilePath(const std::string& name) {
    return std::string(LockDirectory()) + "/" + kLockFilePrefix + EncodeName(name);
}

int OpenLockFile(const std::string& path) {
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0) {
        fchmod(fd, 0666);  // every account's processes share the name, whatever the umask
        return fd;
    }
    // Created by another account without write access for us: locking still works, only
    // abandonment goes unnoticed.
    return open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

// True while the descriptor's file is still the one under the lock file's name.
bool StillLinked(int fd, const std::string& path) {
    struct stat opened, named;
    return fstat(fd, &opened) == 0 && stat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// The state of one name in this process, shared by every handle opened on it.
struct NamedCore {
    std::string name;
    std::string path;
    int fd;
    int references;
    ThreadOwnership ownership;
};

// When no process has the mutex locked, this one (about to let go of the name) removes
// the file, as the system destroys a kernel object with its last handle; it does so
// holding the lock, so that nobody can take a lock on the removed file unnoticed.
void RemoveIfUnused(const NamedCore* core) {
    if (flock(core->fd, LOCK_EX | LOCK_NB) != 0) return;
    if (StillLinked(core->fd, core->path)) unlink(core->path.c_str());
}

// Static objects rather than leaked heap ones: the plug-in can be unloaded, and a
// heap map left behind by an unloaded library is a leak nobody can reach.
std::mutex& CoresLock() {
    static std::mutex lock;
    return lock;
}

std::map<std::string, NamedCore*>& Cores() {
    static std::map<std::string, NamedCore*> cores;
    return cores;
}

NamedCore* AcquireCore(const std::string& name) {
    std::lock_guard<std::mutex> guard(CoresLock());
    auto found = Cores().find(name);
    if (found != Cores().end()) {
        ++found->second->references;
        return found->second;
    }
    std::string path = LockFilePath(name);
    int fd = OpenLockFile(path);
    if (fd < 0) return nullptr;
    NamedCore* core = new (std::nothrow) NamedCore{name, path, fd, 1, {}};
    if (core == nullptr) {
        close(fd);
        return nullptr;
    }
    Cores().emplace(name, core);
    return core;
}

void DropCore(NamedCore* core) {
    std::lock_guard<std::mutex> guard(CoresLock());
    if (--core->references > 0) return;
    Cores().erase(core->name);
    RemoveIfUnused(core);
    close(core->fd);
    delete core;
}

// Fails quietly on a read-only lock file: then abandonment just goes unnoticed.
void WriteMark(int fd, char mark) {
    while (pwrite(fd, &mark, 1, 0) < 0 && errno == EINTR) {
    }
}

WaitResult TakeOverMark(int fd) {
    char mark = kFreeMark;
    bool abandoned = pread(fd, &mark, 1, 0) == 1 && mark == kOwnedMark;
    WriteMark(fd, kOwnedMark);
    return abandoned ? WaitResult::kAbandoned : WaitResult::kSignaled;
}

// Takes the file lock; there is no timed flock, so a timed wait polls with short,
// growing pauses.
WaitResult LockFile(int fd, const Deadline& deadline) {
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        int flags = deadline.Infinite() ? LOCK_EX : LOCK_EX | LOCK_NB;
        if (flock(fd, flags) == 0) return WaitResult::kSignaled;
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return WaitResult::kFailed;
        auto left = deadline.At() - Deadline::Clock::now();
        if (left <= Deadline::Clock::duration::zero()) return WaitResult::kTimeout;
        std::this_thread::sleep_for(std::min<Deadline::Clock::duration>(pause, left));
        pause = std::min(pause * 2, kLongestPoll);
    }
}

// Owning the mutex means holding the lock of the file under its name. The last user of
// a name removes the file (see RemoveIfUnused), so a lock taken on a file opened before
// that is worth nothing: then the wait starts over on the file now under the name.
WaitResult LockCore(NamedCore* core, const Deadline& deadline) {
    for (;;) {
        WaitResult result = LockFile(core->fd, deadline);
        if (result != WaitResult::kSignaled) return result;
        if (StillLinked(core->fd, core->path)) return TakeOverMark(core->fd);
        flock(core->fd, LOCK_UN);
        int fd = OpenLockFile(core->path);
        if (fd < 0) return WaitResult::kFailed;
        close(core->fd);
        core->fd = fd;
    }
}

void UnlockFile(int fd) {
    WriteMark(fd, kFreeMark);
    flock(fd, LOCK_UN);
}

class NamedMutex : public WaitableState {
public:
    explicit NamedMutex(NamedCore* core) : core_(core) {}

    ~NamedMutex() override {
        if (core_->ownership.CallerDepth() > 0) {
            UnlockFile(core_->fd);
            core_->ownership.Release(true);
        }
        DropCore(core_);
    }

    // The file lock is taken by the first level of a thread's ownership and given back
    // with the last, always while the thread still owns the name in this process: the
    // descriptor is shared, so another thread's flock would not exclude anything.
    WaitResult Wait(const Deadline& deadline) override {
        if (!core_->ownership.Acquire(deadline)) return WaitResult::kTimeout;
        if (core_->ownership.CallerDepth() > 1) return WaitResult::kSignaled;
        WaitResult result = LockCore(core_, deadline);
        if (result != WaitResult::kSignaled && result != WaitResult::kAbandoned) {
            core_->ownership.Release(false);
        }
        return result;
    }

    int Release() override {
        uint32_t depth = core_->ownership.CallerDepth();
        if (depth == 0) return 0;
        if (depth == 1) UnlockFile(core_->fd);
        core_->ownership.Release(false);
        return 1;
    }

private:
    NamedCore* core_;
};

Handle OpenNamedMutex(const char* name) {
    NamedCore* core = AcquireCore(name);
    if (core == nullptr) return nullptr;
    Handle handle = new (std::nothrow) NamedMutex(core);
    if (handle == nullptr) DropCore(core);
    return handle;
}

}  // namespace

Handle CreateNamedMutex(const char* name) {
    // CreateMutex makes an unnamed mutex of an empty name as of a null one.
    if (name == nullptr || *name == '\0') return CreateUnnamedMutex();
    return NoThrow<Handle>(nullptr, [&] { return OpenNamedMutex(name); });
}

}  // namespace platform
