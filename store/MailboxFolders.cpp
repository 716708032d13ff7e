// store/MailboxFolders.cpp: postoffice paths below the mail root and the folder change
// flag that the store's services watch for.
#include "store/MailboxFolders.h"

#include <cstdio>
#include <cstring>

#include "base/RegistryKeys.h"
#include "base/Settings.h"
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
    char root[kStorePathCapacity];
    PostofficeRootPath(root, sizeof root, postoffice);
    char flag[kStorePathCapacity + 512];
    const int length = std::snprintf(flag, sizeof flag, "%s\\MAILROOT\\%s\\%s\\_CHANGE.DTY", root,
                                     mailbox, folder);
    // A cut path would leave the flag in some other folder: leave none then.
    if (length >= 0 && static_cast<size_t>(length) < sizeof flag) (void)WriteFolderFlag(flag);
    std::printf("Folder=%s::Folder Made Dirty to notify clients\n", folder);
    return 1;
}
