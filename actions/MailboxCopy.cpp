// actions/MailboxCopy.cpp: placing a copy of a message into a folder of its mailbox for
// the mailbox filters (junk, quarantine, copy and move).
#include <cstdio>

#include "actions/MessageRouting.h"
#include "base/MessageEnvelope.h"
#include "base/Settings.h"
#include "common/SafeText.h"
#include "platform/Files.h"
#include "store/MailboxFolders.h"

namespace {

constexpr size_t kFolderPathCapacity = kStorePathCapacity + 512;

bool Fits(int length, size_t capacity) {
    return length >= 0 && static_cast<size_t>(length) < capacity;
}

// Makes sure the folder exists and tells the store's clients that the mailbox's folder
// list may have changed. Only the folder itself is created: a missing mailbox directory
// means there is no such mailbox, and none is made up here.
void PrepareFolder(const char* mailboxDirectory, const char* folderDirectory) {
    if (!platform::DirectoryExists(folderDirectory) && platform::DirectoryExists(mailboxDirectory))
        (void)platform::DirectoryCreate(folderDirectory);
    char flag[kFolderPathCapacity];
    if (Fits(std::snprintf(flag, sizeof flag, "%s\\_FOLDER.DTY", mailboxDirectory), sizeof flag))
        (void)WriteFolderFlag(flag);
}

}  // namespace

int CopyToMailboxFolder(MessageRecord* record, const char* folder) {
    if (record == nullptr || folder == nullptr) return 0;
    char root[kStorePathCapacity];
    PostofficeRootPath(root, sizeof root, record->account);
    char mailboxDirectory[kFolderPathCapacity];
    char folderDirectory[kFolderPathCapacity];
    char target[kFolderPathCapacity];
    if (!Fits(std::snprintf(mailboxDirectory, sizeof mailboxDirectory, "%s\\MAILROOT\\%s", root,
                            record->user),
              sizeof mailboxDirectory) ||
        !Fits(std::snprintf(folderDirectory, sizeof folderDirectory, "%s\\%s", mailboxDirectory,
                            folder),
              sizeof folderDirectory) ||
        !Fits(std::snprintf(target, sizeof target, "%s\\%s", folderDirectory, record->messageId),
              sizeof target))
        return 0;
    PrepareFolder(mailboxDirectory, folderDirectory);

    char connectorRoot[sizeof DirectoryGroup{}.connectorRoot];
    CurrentConnectorRoot(connectorRoot, sizeof connectorRoot);
    char source[kFolderPathCapacity];
    if (!MessageFilePath(connectorRoot, record->connector, record->messageId, Queue::kOutgoing,
                         source, sizeof source) ||
        !platform::FileCopy(source, target, 0))
        return 0;
    // The subject prefix of a mailbox rule applies to the copy in this folder.
    SafeCopy(record->folder, folder);
    MarkFolderChanged(record->account, record->user, folder, "ADD", record->messageId, 1, 1);
    return 1;
}
