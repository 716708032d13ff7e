// filters/ScopePaths.h: where the filter files of the server, of a postoffice and of a
// mailbox live below the configuration directory. Filter loading and the actions build
// their paths here, so that each layout is written once.
#pragma once

#include <cstddef>

struct FilterSet;

enum class FilterScope { kSystem, kPostoffice, kMailbox };

enum class ScopeFile {
    kFilterTable,     // the scope's FILTER.TAB; the name is not used
    kCriteriaTable,   // name: a filter identifier
    kCriteriaScript,  // name: a filter identifier; mailboxes have no script filters
    kActionFile,      // name: a filter identifier
    kPatternFile,     // name: a pattern file in the scope's own folder
    kTemplate,        // name: a notification template; one folder for every scope
    kAnnotation,      // name: an annotation; postoffice: the folder holding it ("System")
};

// Paths are built in buffers of this size (the configuration directory's own size).
constexpr size_t kFilterPathCapacity = 1024;

// No postoffice is the whole server, a postoffice alone is that postoffice, a postoffice
// and a mailbox are that mailbox. Null names count as empty.
FilterScope ScopeOf(const char* postoffice, const char* mailbox);
FilterScope ScopeOf(const FilterSet& set);

// The path of a scope's file, below the current "Configuration Directory", with "\"
// separators. Returns 1 with the path; 0 with `destination` emptied when the scope has
// no such file or the path does not fit (a cut path would name another file).
[[nodiscard]] int BuildScopePath(FilterScope scope, const char* postoffice, const char* mailbox,
                                 ScopeFile file, const char* name, char* destination,
                                 size_t capacity);

// The same for the scope of a filter set.
[[nodiscard]] int BuildScopePath(const FilterSet& set, ScopeFile file, const char* name,
                                 char* destination, size_t capacity);

template <size_t N>
[[nodiscard]] int BuildScopePath(const FilterSet& set, ScopeFile file, const char* name,
                                 char (&destination)[N]) {
    return BuildScopePath(set, file, name, destination, N);
}
