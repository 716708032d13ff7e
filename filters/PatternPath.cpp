// filters/PatternPath.cpp: which pattern file a criterion condition names.
#include <cstdio>
#include <cstring>

#include "common/Console.h"
#include "common/Markers.h"
#include "common/SafeText.h"
#include "filters/FilterSet.h"
#include "filters/PatternCache.h"
#include "filters/ScopePaths.h"

namespace {

constexpr const char kReferenceTag[] = "<REFERENCE>";
constexpr const char* kGeneralPatternFile = "MTAFILTER-GENERAL.TXT";
constexpr size_t kFileNameCapacity = 255;
constexpr size_t kFolderCapacity = 1024;

int Refuse(char* destination) {
    destination[0] = '\0';
    return 0;
}

// A reference with its own folder: "folder\file", refused when it does not fit.
int JoinFolder(const char* folder, const char* file, char* destination, size_t capacity) {
    if (!FormatBounded(destination, capacity, "%s\\%s", folder, file)) return Refuse(destination);
    return 1;
}

int ResolveReference(const FilterSet& set, const char* condition, char* destination,
                     size_t capacity) {
    char file[kFileNameCapacity];
    if (ExtractBetween(condition, "<FILE>", "</FILE>", file, sizeof file) == nullptr)
        return Refuse(destination);
    char folder[kFolderCapacity];
    if (ExtractBetween(condition, "<PATH>", "</PATH>", folder, sizeof folder) != nullptr)
        return JoinFolder(folder, file, destination, capacity);
    return BuildScopePath(set, ScopeFile::kPatternFile, file, destination, capacity);
}

}  // namespace

int ResolvePatternPath(const FilterSet* set, const char* condition, char* destination,
                       size_t capacity) {
    if (set == nullptr || condition == nullptr || destination == nullptr || capacity == 0) return 0;
    if (std::strncmp(condition, kReferenceTag, sizeof kReferenceTag - 1) == 0)
        return ResolveReference(*set, condition, destination, capacity);
    // An empty condition stands for the server-wide general list, whatever the scope.
    if (condition[0] == '\0')
        return BuildScopePath(FilterScope::kSystem, "", "", ScopeFile::kPatternFile,
                              kGeneralPatternFile, destination, capacity);
    return Refuse(destination);
}

void PreloadPatternFile(const FilterSet* set, const char* condition, const char* origin) {
    char path[kFilterPathCapacity];
    if (!ResolvePatternPath(set, condition, path, sizeof path) || IsPatternFileCached(path)) return;
    ConsoleLine("Loading %s into pattern cache%s\n", path, origin);
    CachePatternFile(path);
}
