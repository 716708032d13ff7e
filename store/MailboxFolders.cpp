// store/MailboxFolders.cpp: postoffice paths below the mail root and the folder change
// flag that the store's services watch for.
#include "store/MailboxFolders.h"

#include <cstdio>
#include <cstring>

#include "base/RegistryKeys.h"
#include "base/Settings.h"
#include "common/Console.h"
#include "common/RegistryAccess.h"
#include "common/SafeText.h"
#include "platform/Files.h"
#include "platform/Ownership.h"

int32_t PostofficeRootPath(char* destination, size_t capacity, const char* postoffice) {
    if (destination == nullptr || capacity == 0) return 1;
    char mailRoot[sizeof PluginSettings{}.mailRoot];
    SafeCopy(mailRoot, Settings().mailRoot);
    // The shared settings are written only while the library loads, so a root missing
    // then is read here into a local copy rather than into the shared settings, which
    // other filter runs read at the same time.
    if (mailRoot[0] == '\0') (void)ReadRegistryString(keys::kRoot, values::kMailRoot, mailRoot);
    std::snprintf(destination, capacity, "%s\\%s", mailRoot,
                  postoffice != nullptr ? postoffice : "");
    return 1;
}

int MailboxPath(const char* postoffice, const char* mailbox, const char* folder, char* destination,
                size_t capacity) {
    char root[kStorePathCapacity];
    PostofficeRootPath(root, sizeof root, postoffice);
    if (!FormatBounded(destination, capacity, "%s\\MAILROOT\\%s", root, mailbox)) return 0;
    if (folder == nullptr) return 1;
    const size_t length = std::strlen(destination);
    return FormatBounded(destination + length, capacity - length, "\\%s", folder);
}

int WriteFolderFlag(const char* path) {
    platform::OwnedFile file(path, platform::FileMode::kWriteBinary);
    if (!file) return 0;
    int written = platform::FileWrite(file.Get(), kFolderFlagText, std::strlen(kFolderFlagText));
    written &= file.Close();
    return written;
}

int32_t MarkFolderChanged(const char* postoffice, const char* mailbox, const char* folder,
                          const char* /*operation*/, const char* /*messageId*/,
                          int32_t /*notifyClients*/, int32_t /*updateIndex*/) {
    char directory[kMailboxPathCapacity];
    char flag[kMailboxPathCapacity];
    // A cut path would leave the flag in some other folder: leave none then.
    if (MailboxPath(postoffice, mailbox, folder, directory, sizeof directory) &&
        FormatBounded(flag, sizeof flag, "%s\\_CHANGE.DTY", directory))
        (void)WriteFolderFlag(flag);
    ConsoleLine("Folder=%s::Folder Made Dirty to notify clients\n", folder);
    return 1;
}
