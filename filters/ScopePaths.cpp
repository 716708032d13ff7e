// filters/ScopePaths.cpp: the folder layouts of the three filter scopes.
#include "filters/ScopePaths.h"

#include <cstdio>

#include "base/Settings.h"
#include "common/SafeText.h"
#include "filters/FilterSet.h"

namespace {

// One layout per file kind, indexed by FilterScope. Each format takes the configuration
// directory, then the postoffice and the mailbox as far as its scope names them, then the
// name. The lower-case folders of postoffice scripts are as the administration tools
// write them; the file layer finds either spelling.
constexpr const char* kLayouts[][3] = {
    {"%s\\FILTERS\\FILTER.TAB", "%s\\Postoffices\\%s\\RULES\\FILTER.TAB",
     "%s\\Postoffices\\%s\\Mailboxes\\%s\\RULES\\FILTER.TAB"},
    {"%s\\FILTERS\\CRITERIA\\%s.TAB", "%s\\Postoffices\\%s\\RULES\\CRITERIA\\%s.TAB",
     "%s\\Postoffices\\%s\\Mailboxes\\%s\\RULES\\CRITERIA\\%s.TAB"},
    {"%s\\FILTERS\\CRITERIA\\%s.MES", "%s\\postoffices\\%s\\rules\\CRITERIA\\%s.MES", nullptr},
    {"%s\\FILTERS\\ACTIONS\\%s.TAB", "%s\\Postoffices\\%s\\RULES\\ACTIONS\\%s.TAB",
     "%s\\Postoffices\\%s\\Mailboxes\\%s\\RULES\\ACTIONS\\%s.TAB"},
    {"%s\\FILTERS\\PATTERNS\\%s", "%s\\Postoffices\\%s\\RULES\\%s",
     "%s\\Postoffices\\%s\\Mailboxes\\%s\\RULES\\%s"},
    // Templates are the server's: a postoffice's or mailbox's path names the same file.
    {"%s\\FILTERS\\Templates\\%s.TXT", nullptr, nullptr},
    // Annotations sit in a folder of their own below POSTOFFICES, named as a postoffice
    // is; the server's are in "System".
    {nullptr, "%s\\POSTOFFICES\\%s\\Annotations\\%s.TXT", nullptr},
};

const char* Text(const char* text) {
    return text != nullptr ? text : "";
}

// 1 when the whole path fit.
int Format(FilterScope scope, const char* layout, const char* configuration, const char* postoffice,
           const char* mailbox, const char* name, char* destination, size_t capacity) {
    // Formats without a name leave the last argument unused, which snprintf allows.
    switch (scope) {
        case FilterScope::kSystem:
            return FormatBounded(destination, capacity, layout, configuration, name);
        case FilterScope::kPostoffice:
            return FormatBounded(destination, capacity, layout, configuration, postoffice, name);
        case FilterScope::kMailbox:
            break;
    }
    return FormatBounded(destination, capacity, layout, configuration, postoffice, mailbox, name);
}

}  // namespace

FilterScope ScopeOf(const char* postoffice, const char* mailbox) {
    if (Text(postoffice)[0] == '\0') return FilterScope::kSystem;
    return Text(mailbox)[0] == '\0' ? FilterScope::kPostoffice : FilterScope::kMailbox;
}

FilterScope ScopeOf(const FilterSet& set) {
    return ScopeOf(set.postoffice, set.mailbox);
}

int BuildScopePath(FilterScope scope, const char* postoffice, const char* mailbox, ScopeFile file,
                   const char* name, char* destination, size_t capacity) {
    if (destination == nullptr || capacity == 0) return 0;
    if (file == ScopeFile::kTemplate) scope = FilterScope::kSystem;
    if (file == ScopeFile::kAnnotation) scope = FilterScope::kPostoffice;
    const char* layout = kLayouts[static_cast<int>(file)][static_cast<int>(scope)];
    char configuration[kFilterPathCapacity];
    CurrentConfigurationDirectory(configuration, sizeof configuration);
    if (layout == nullptr || !Format(scope, layout, configuration, Text(postoffice), Text(mailbox),
                                     Text(name), destination, capacity)) {
        destination[0] = '\0';
        return 0;
    }
    return 1;
}

int BuildScopePath(const FilterSet& set, ScopeFile file, const char* name, char* destination,
                   size_t capacity) {
    return BuildScopePath(ScopeOf(set), set.postoffice, set.mailbox, file, name, destination,
                          capacity);
}
