// platform/HostPath.cpp: turns the plug-in's Windows-style paths into host paths, finding
// each component without regard to case as the Windows file system does.
#include <strings.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <string_view>

#include "platform/DirectoryStream.h"
#include "platform/Files.h"
#include "platform/NoThrow.h"

namespace platform {
namespace {

bool EntryExists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

std::string WithSlashes(const char* path) {
    std::string converted = path;
    for (char& c : converted) {
        if (c == '\\') c = '/';
    }
    return converted;
}

std::string JoinComponent(const std::string& prefix, std::string_view name) {
    if (prefix.empty()) return std::string(name);
    std::string joined = prefix;
    if (joined.back() != '/') joined += '/';
    joined += name;
    return joined;
}

// The entry of `directory` spelled like `name` but for case; empty when there is none.
// Of several such entries the smallest wins, so the answer does not depend on the order
// in which the directory happens to list them.
std::string FindWithoutCase(const std::string& directory, std::string_view name) {
    DirectoryStream dir(directory.empty() ? "." : directory);
    std::string found;
    while (const dirent* entry = dir.Next()) {
        const char* candidate = entry->d_name;
        if (strlen(candidate) != name.size()) continue;
        if (strncasecmp(candidate, name.data(), name.size()) != 0) continue;
        if (found.empty() || found > candidate) found = candidate;
    }
    return found;
}

// Walks the components from the root, replacing each that is missing under its exact
// name by its differently cased namesake. Once one is missing altogether nothing below it
// can exist, so the rest is kept as written.
std::string ResolveComponents(const std::string& path) {
    std::string resolved = path.front() == '/' ? "/" : "";
    bool missing = false;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string_view component(path.data() + start, end - start);
        start = end + 1;
        if (component.empty()) continue;
        std::string exact = JoinComponent(resolved, component);
        if (missing || component == "." || component == ".." || EntryExists(exact)) {
            resolved = std::move(exact);
            continue;
        }
        std::string match = FindWithoutCase(resolved, component);
        missing = match.empty();
        resolved = missing ? std::move(exact) : JoinComponent(resolved, match);
    }
    if (path.back() == '/' && resolved.back() != '/') resolved += '/';
    return resolved;
}

}  // namespace

std::string HostPath(const char* path) {
    if (path == nullptr || *path == '\0') return std::string();
    return NoThrow(std::string(), [&] {
        std::string converted = WithSlashes(path);
        // Nearly every path the plug-in opens exists as written: one lstat settles it.
        if (EntryExists(converted)) return converted;
        return ResolveComponents(converted);
    });
}

int StatHostPath(const char* path, struct stat* info) {
    if (path == nullptr || *path == '\0' || info == nullptr) return -1;
    return NoThrow(-1, [&] {
        // Found as written: HostPath would keep the path as it is, so this is its answer.
        if (stat(WithSlashes(path).c_str(), info) == 0) return 0;
        return stat(HostPath(path).c_str(), info) == 0 ? 0 : -1;
    });
}

}  // namespace platform
