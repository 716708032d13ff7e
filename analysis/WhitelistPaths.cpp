// analysis/WhitelistPaths.cpp: the folder layouts of the outbound whitelists.
#include "analysis/WhitelistPaths.h"

#include <cstring>

#include "common/SafeText.h"

namespace {

constexpr size_t kRelativePathCapacity = 256;

bool IsEmpty(const char* text) {
    return text == nullptr || text[0] == '\0';
}

// The path below the configuration directory; 0 when it does not fit.
int RelativeWhitelistPath(const char* key, const char* postoffice, const char* mailbox,
                          char (&relative)[kRelativePathCapacity]) {
    if (IsEmpty(postoffice))
        return FormatBounded(relative, sizeof relative, "Connections\\Whitelist\\%s.tab", key);
    if (IsEmpty(mailbox))
        return FormatBounded(relative, sizeof relative,
                             "\\Postoffices\\%s\\Connections\\Whitelist\\%s.tab", postoffice, key);
    return FormatBounded(relative, sizeof relative,
                         "\\Postoffices\\%s\\Mailboxes\\%s\\Connections\\Whitelist\\%s.tab",
                         postoffice, mailbox, key);
}

}  // namespace

int WhitelistFilePath(const char* configuration, const char* key, const char* postoffice,
                      const char* mailbox, char* destination, size_t capacity) {
    if (IsEmpty(configuration)) return 0;
    char relative[kRelativePathCapacity];
    if (!RelativeWhitelistPath(key, postoffice, mailbox, relative)) return 0;
    const size_t last = std::strlen(configuration) - 1;
    const bool hasSeparator = configuration[last] == '\\' || configuration[last] == '/';
    return FormatBounded(destination, capacity, "%s%s%s", configuration, hasSeparator ? "" : "\\",
                         relative);
}

int ServerConnectionsFolder(const char* configuration, char* destination, size_t capacity) {
    return FormatBounded(destination, capacity, "%s\\Connections\\Spam", configuration);
}
