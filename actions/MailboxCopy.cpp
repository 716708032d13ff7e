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

// Makes sure the folder exists and tells the store's clients that the mailbox's folder
// list may have changed. Only the folder itself is created: a missing mailbox directory
// means there is no such mailbox, and none is made up here.
void PrepareFolder(const char* mailboxDirectory, const char* folderDirectory) {
    if (!platform::DirectoryExists(folderDirectory) && platform::DirectoryExists(mailboxDirectory))
        (void)platform::DirectoryCreate(folderDirectory);
    char flag[kMailboxPathCapacity];
    if (FormatBounded(flag, sizeof flag, "%s\\_FOLDER.DTY", mailboxDirectory))
        (void)WriteFolderFlag(flag);
}

}  // namespace

int CopyToMailboxFolder(MessageRecord* record, const char* folder) {
    if (record == nullptr || folder == nullptr) return 0;
    char mailboxDirectory[kMailboxPathCapacity];
    char folderDirectory[kMailboxPathCapacity];
    char target[kMailboxPathCapacity];
    if (!MailboxPath(record->account, record->user, nullptr, mailboxDirectory,
                     sizeof mailboxDirectory) ||
        !MailboxPath(record->account, record->user, folder, folderDirectory,
                     sizeof folderDirectory) ||
        !FormatBounded(target, sizeof target, "%s\\%s", folderDirectory, record->messageId))
        return 0;
    PrepareFolder(mailboxDirectory, folderDirectory);

    char connectorRoot[sizeof DirectoryGroup{}.connectorRoot];
    CurrentConnectorRoot(connectorRoot, sizeof connectorRoot);
    char source[kMailboxPathCapacity];
    if (!MessageFilePath(connectorRoot, record->connector, record->messageId, Queue::kOutgoing,
                         source, sizeof source) ||
        !platform::FileCopy(source, target, 0))
        return 0;
    // The subject prefix of a mailbox rule applies to the copy in this folder.
    SafeCopy(record->folder, folder);
    MarkFolderChanged(record->account, record->user, folder, "ADD", record->messageId, 1, 1);
    return 1;
}
