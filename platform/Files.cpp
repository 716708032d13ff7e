// platform/Files.cpp: file and directory operations on Windows-style paths, with the
// Windows C runtime's text-mode translation and CopyFile/MoveFile semantics.
#include "platform/Files.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <string_view>

#include "platform/DirectoryStream.h"
#include "platform/NoThrow.h"

namespace platform {

struct FileState {
    FILE* stream;
    bool text;
    bool failed;  // some write or flush did not reach the file
};

namespace {

constexpr size_t kCopyChunk = 32 * 1024;
// Room left in a file name for the temporary copy's decoration.
constexpr size_t kTempNameKeep = 200;

struct ModeInfo {
    const char* stdioMode;  // "e": the descriptor must not leak into started programs
    bool text;
};

ModeInfo DescribeMode(FileMode mode) {
    switch (mode) {
        case FileMode::kReadText:
            return {"rbe", true};
        case FileMode::kReadBinary:
            return {"rbe", false};
        case FileMode::kWriteText:
            return {"wbe", true};
        case FileMode::kWriteBinary:
            return {"wbe", false};
        case FileMode::kAppendText:
            return {"abe", true};
        case FileMode::kAppendBinary:
            return {"abe", false};
    }
    return {"rbe", false};
}

bool EntryExists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// Consumes the next byte when it is `wanted`; otherwise leaves the stream as it was.
bool NextByteIs(FILE* stream, int wanted) {
    int next = getc_unlocked(stream);
    if (next == wanted) return true;
    if (next != EOF) ungetc(next, stream);
    return false;
}

// fgets, then the CR of a closing CR LF dropped. fgets stops after the first LF, so a
// CR LF can only sit at the end, or be cut between this piece and the next: then the
// CR ends the piece and the LF is still waiting in the stream.
char* ReadTextLine(FILE* stream, char* buffer, int capacity) {
    if (fgets(buffer, capacity, stream) == nullptr) return nullptr;
    size_t length = strlen(buffer);
    if (length >= 2 && buffer[length - 2] == '\r' && buffer[length - 1] == '\n') {
        buffer[length - 2] = '\n';
        buffer[length - 1] = '\0';
    } else if (length >= 1 && buffer[length - 1] == '\r' && NextByteIs(stream, '\n')) {
        buffer[length - 1] = '\n';
    }
    return buffer;
}

// Reads raw bytes into `out` and squeezes out the CR of each CR LF, refilling until
// `size` bytes are delivered or the file ends. A CR that ends a raw read looks ahead
// one byte so a pair cut by the read is still found.
size_t ReadText(FILE* stream, char* out, size_t size) {
    size_t filled = 0;
    while (filled < size) {
        size_t got = fread(out + filled, 1, size - filled, stream);
        if (got == 0) break;
        size_t end = filled + got;
        size_t kept = filled;
        for (size_t at = filled; at < end; ++at) {
            char c = out[at];
            if (c == '\r') {
                if (at + 1 < end) {
                    if (out[at + 1] == '\n') continue;
                } else if (NextByteIs(stream, '\n')) {
                    c = '\n';
                }
            }
            out[kept++] = c;
        }
        filled = kept;
    }
    return filled;
}

bool WriteRaw(FILE* stream, const char* data, size_t size) {
    return fwrite(data, 1, size, stream) == size;
}

// Each LF goes out as CR LF, whatever precedes it, as the Windows C runtime writes.
bool WriteText(FILE* stream, const char* data, size_t size) {
    while (size > 0) {
        const char* lineFeed = static_cast<const char*>(memchr(data, '\n', size));
        size_t run = lineFeed == nullptr ? size : static_cast<size_t>(lineFeed - data);
        if (!WriteRaw(stream, data, run)) return false;
        if (lineFeed == nullptr) break;
        if (!WriteRaw(stream, "\r\n", 2)) return false;
        data += run + 1;
        size -= run + 1;
    }
    return true;
}

std::string DirectoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Renames unless the target exists, atomically where the file system supports it.
bool RenameNoReplace(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
    if (EntryExists(to)) {
        errno = EEXIST;
        return false;
    }
    return rename(from.c_str(), to.c_str()) == 0;
}

bool RenameInto(const std::string& from, const std::string& to, bool replace) {
    return replace ? rename(from.c_str(), to.c_str()) == 0 : RenameNoReplace(from, to);
}

bool CopyBytes(int in, int out) {
    char buffer[kCopyChunk];
    for (;;) {
        ssize_t got = read(in, buffer, sizeof buffer);
        if (got == 0) return true;
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        for (ssize_t written = 0; written < got;) {
            ssize_t put = write(out, buffer + written, static_cast<size_t>(got - written));
            if (put < 0 && errno != EINTR) return false;
            if (put > 0) written += put;
        }
    }
}

// Fills a new temporary file beside the target from `in`, carrying over the source's
// permissions and modification time as CopyFile does. Returns its path, empty on failure.
std::string WriteTemporaryCopy(int in, const struct stat& source, const std::string& target) {
    std::string temporary =
        DirectoryOf(target) + "/." + NameOf(target).substr(0, kTempNameKeep) + ".XXXXXX";
    int out = mkostemp(temporary.data(), O_CLOEXEC);
    if (out < 0) return {};
    bool ok = CopyBytes(in, out);
    ok = ok && fchmod(out, source.st_mode & 07777) == 0;
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    futimens(out, times);
    ok = close(out) == 0 && ok;
    if (ok) return temporary;
    unlink(temporary.c_str());
    return {};
}

// Copies by way of a temporary file renamed into place, so that a reader of the target
// sees the old file or the complete new one, never a part.
bool CopyHostFile(const std::string& from, const std::string& to, bool failIfExists) {
    if (failIfExists && EntryExists(to)) return false;
    int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    struct stat source;
    bool ok = fstat(in, &source) == 0 && S_ISREG(source.st_mode);
    std::string temporary = ok ? WriteTemporaryCopy(in, source, to) : std::string();
    close(in);
    if (temporary.empty()) return false;
    if (RenameInto(temporary, to, !failIfExists)) return true;
    unlink(temporary.c_str());
    return false;
}

bool IsDirectory(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool HasWildcard(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

bool SameLetter(char a, char b) {
    return tolower(static_cast<unsigned char>(a)) == tolower(static_cast<unsigned char>(b));
}

// "*" matches any run, "?" one character, everything else itself without regard to case.
bool WildcardMatch(std::string_view pattern, std::string_view name) {
    size_t p = 0, n = 0;
    size_t starAt = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            starName = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || SameLetter(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

// FindFirstFile lets a closing ".*" match names without any extension too ("*.*" is
// everything, "readme.*" finds "readme").
bool WindowsWildcardMatch(std::string_view pattern, std::string_view name) {
    if (WildcardMatch(pattern, name)) return true;
    if (pattern.size() < 2 || pattern.substr(pattern.size() - 2) != ".*") return false;
    return name.find('.') == std::string_view::npos &&
           WildcardMatch(pattern.substr(0, pattern.size() - 2), name);
}

bool IsDotEntry(const char* name) {
    return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}

bool AnyEntryMatches(const std::string& directory, std::string_view pattern) {
    DirectoryStream dir(directory);
    while (const dirent* entry = dir.Next()) {
        if (!IsDotEntry(entry->d_name) && WindowsWildcardMatch(pattern, entry->d_name)) return true;
    }
    return false;
}

// The directory a wildcard pattern searches: what precedes its last separator at `cut`.
std::string PatternDirectory(std::string_view pattern, size_t cut) {
    if (cut == std::string_view::npos) return ".";
    if (cut == 0) return "/";
    return HostPath(std::string(pattern.substr(0, cut)).c_str());
}

bool EntryIsDirectory(const std::string& directory, const dirent* entry) {
    if (entry->d_type == DT_DIR) return true;
    if (entry->d_type != DT_UNKNOWN && entry->d_type != DT_LNK) return false;
    return IsDirectory(directory + "/" + entry->d_name);
}

// The order NTFS lists a directory in: by name without regard to case.
bool NameBefore(const std::string& a, const std::string& b) {
    int folded = strcasecmp(a.c_str(), b.c_str());
    return folded != 0 ? folded < 0 : a < b;
}

FILE* OpenStream(const char* path, FileMode mode, const char* stdioMode) {
    return NoThrow<FILE*>(nullptr, [&]() -> FILE* {
        auto open = [stdioMode](const char* hostPath) { return fopen(hostPath, stdioMode); };
        if (mode == FileMode::kReadText || mode == FileMode::kReadBinary)
            return OpenToRead<FILE*>(path, nullptr, open);
        return open(HostPath(path).c_str());
    });
}

}  // namespace

File FileOpen(const char* path, FileMode mode) {
    if (path == nullptr) return nullptr;
    ModeInfo info = DescribeMode(mode);
    FILE* stream = OpenStream(path, mode, info.stdioMode);
    if (stream == nullptr) return nullptr;
    File file = new (std::nothrow) FileState{stream, info.text, false};
    if (file == nullptr) fclose(stream);
    return file;
}

int FileClose(File file) {
    if (file == nullptr) return 1;
    bool ok = !file->failed;
    ok = fflush(file->stream) == 0 && ok;
    ok = fclose(file->stream) == 0 && ok;
    delete file;
    return ok ? 1 : 0;
}

char* FileReadLine(File file, char* buffer, size_t capacity) {
    if (file == nullptr || buffer == nullptr || capacity == 0) return nullptr;
    int limit = static_cast<int>(std::min<size_t>(capacity, INT_MAX));
    if (!file->text) return fgets(buffer, limit, file->stream);
    flockfile(file->stream);
    char* line = ReadTextLine(file->stream, buffer, limit);
    funlockfile(file->stream);
    return line;
}

size_t FileRead(File file, void* buffer, size_t size) {
    if (file == nullptr || buffer == nullptr) return 0;
    if (!file->text) return fread(buffer, 1, size, file->stream);
    flockfile(file->stream);
    size_t got = ReadText(file->stream, static_cast<char*>(buffer), size);
    funlockfile(file->stream);
    return got;
}

int FileWrite(File file, const void* data, size_t size) {
    if (file == nullptr || (data == nullptr && size > 0)) return 0;
    const char* bytes = static_cast<const char*>(data);
    bool ok =
        file->text ? WriteText(file->stream, bytes, size) : WriteRaw(file->stream, bytes, size);
    if (!ok) file->failed = true;
    return ok ? 1 : 0;
}

int FileWriteText(File file, const char* text) {
    if (text == nullptr) return 0;
    return FileWrite(file, text, strlen(text));
}

int FileFlush(File file) {
    if (file == nullptr) return 0;
    if (fflush(file->stream) == 0) return 1;
    file->failed = true;
    return 0;
}

int FileSync(File file) {
    if (file == nullptr || !FileFlush(file)) return 0;
    if (fsync(fileno(file->stream)) == 0) return 1;
    file->failed = true;
    return 0;
}

int DirectorySync(const char* path) {
    if (path == nullptr) return 0;
    return NoThrow(0, [&] {
        const int fd = open(HostPath(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return 0;
        const bool synced = fsync(fd) == 0;
        close(fd);
        return synced ? 1 : 0;
    });
}

int FileCopy(const char* from, const char* to, int failIfExists) {
    if (from == nullptr || to == nullptr) return 0;
    return NoThrow(
        0, [&] { return CopyHostFile(HostPath(from), HostPath(to), failIfExists != 0) ? 1 : 0; });
}

int FileMove(const char* from, const char* to, int replaceExisting) {
    if (from == nullptr || to == nullptr) return 0;
    return NoThrow(0, [&] {
        std::string source = HostPath(from);
        std::string target = HostPath(to);
        bool replace = replaceExisting != 0;
        if (RenameInto(source, target, replace)) return 1;
        // Another file system: MoveFile copies, then deletes the original.
        if (errno != EXDEV) return 0;
        return CopyHostFile(source, target, !replace) && unlink(source.c_str()) == 0 ? 1 : 0;
    });
}

int FileDelete(const char* path) {
    if (path == nullptr) return 0;
    return unlink(HostPath(path).c_str()) == 0 ? 1 : 0;
}

int FileExistsMatching(const char* pattern) {
    if (pattern == nullptr || *pattern == '\0') return 0;
    return NoThrow(0, [&] {
        std::string_view text(pattern);
        size_t cut = text.find_last_of("/\\");
        std::string_view last = cut == std::string_view::npos ? text : text.substr(cut + 1);
        if (!HasWildcard(last)) return EntryExists(HostPath(pattern)) ? 1 : 0;
        return AnyEntryMatches(PatternDirectory(text, cut), last) ? 1 : 0;
    });
}

int64_t FileSize(const char* path) {
    if (path == nullptr) return -1;
    struct stat info;
    if (StatHostPath(path, &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return static_cast<int64_t>(info.st_size);
}

int64_t FileModifiedUtcSeconds(const char* path) {
    if (path == nullptr) return -1;
    return NoThrow<int64_t>(-1, [&] {
        struct stat info;
        if (stat(HostPath(path).c_str(), &info) != 0) return int64_t{-1};
        return static_cast<int64_t>(info.st_mtime);
    });
}

int DirectoryExists(const char* path) {
    if (path == nullptr) return 0;
    return IsDirectory(HostPath(path)) ? 1 : 0;
}

int DirectoryCreate(const char* path) {
    if (path == nullptr || *path == '\0') return 0;
    return NoThrow(0, [&] {
        std::string directory = HostPath(path);
        std::error_code ignored;
        std::filesystem::create_directories(directory, ignored);
        return IsDirectory(directory) ? 1 : 0;
    });
}

int DirectoryList(const char* path, int includeDirectories, std::vector<std::string>* names) {
    if (path == nullptr || names == nullptr) return 0;
    return NoThrow(0, [&] {
        names->clear();
        std::string directory = HostPath(path);
        DirectoryStream dir(directory);
        if (!dir.IsOpen()) return 0;
        while (const dirent* entry = dir.Next()) {
            if (IsDotEntry(entry->d_name)) continue;
            if (!includeDirectories && EntryIsDirectory(directory, entry)) continue;
            names->emplace_back(entry->d_name);
        }
        std::sort(names->begin(), names->end(), NameBefore);
        return 1;
    });
}

int DirectoryRemoveTree(const char* path) {
    if (path == nullptr || *path == '\0') return 0;
    return NoThrow(0, [&] {
        std::string directory = HostPath(path);
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
        return EntryExists(directory) ? 0 : 1;
    });
}

}  // namespace platform
