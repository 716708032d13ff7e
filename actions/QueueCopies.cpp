// actions/QueueCopies.cpp: deleting a queued message and copying it into the quarantine
// or bad-mail directory.
#include <cstdio>

#include "actions/MessageRouting.h"
#include "base/MessageEnvelope.h"
#include "base/RegistryKeys.h"
#include "base/ReportLog.h"
#include "base/Settings.h"
#include "platform/Files.h"

namespace {

struct QueueFiles {
    char envelope[kQueuePathCapacity];
    char message[kQueuePathCapacity];
};

// The two files of the record's message in the selected queue; false when a path does not
// fit (a cut path would name another message).
bool LocateQueueFiles(const MessageRecord& record, bool inboundQueue, QueueFiles* files) {
    char root[sizeof DirectoryGroup{}.connectorRoot];
    CurrentConnectorRoot(root, sizeof root);
    const Queue queue = inboundQueue ? Queue::kInbound : Queue::kOutgoing;
    return EnvelopePath(root, record.connector, record.messageId, queue, files->envelope,
                        sizeof files->envelope) &&
           MessageFilePath(root, record.connector, record.messageId, queue, files->message,
                           sizeof files->message);
}

// Where a held copy goes, with the names the administrator knows it by.
struct CopyTarget {
    const char* directory;  // the setting's value
    const char* action;     // the action name, for the report
    const char* setting;    // the registry value naming the directory
};

// An unset directory would put the copies into the root of the drive, outside every
// tree the administrator looks after; a missing one would fail silently. Both are
// refused with a report line that names the setting to fix.
bool UsableTarget(const MessageRecord& record, const CopyTarget& target) {
    const char* problem = nullptr;
    if (target.directory[0] == '\0')
        problem = "is not set";
    else if (!platform::DirectoryExists(target.directory))
        problem = "names a directory that does not exist";
    if (problem == nullptr) return true;
    char line[2048];
    std::snprintf(line, sizeof line,
                  "QP-E0602: %s not done for message %s: the \"%s\" setting %s (\"%s\"); set it "
                  "to an existing directory for held copies. The message stays queued.\n",
                  target.action, record.messageId, target.setting, problem, target.directory);
    WriteReportLog(line);
    return false;
}

// Envelope to "<directory>\<id>", then message file to "<directory>\Messages\<id>".
int CopyQueuedMessageTo(const MessageRecord& record, bool inboundQueue, const CopyTarget& target) {
    if (!UsableTarget(record, target)) return 0;
    QueueFiles files;
    HeldCopyPaths copy;
    if (!LocateQueueFiles(record, inboundQueue, &files) ||
        !BuildHeldCopyPaths(target.directory, record.messageId, &copy))
        return 0;
    if (!platform::FileCopy(files.envelope, copy.envelope, 0)) return 0;
    // A directory set up by hand may lack its Messages folder; without it the envelope
    // copy would stand there without its message.
    if (!platform::DirectoryExists(copy.messagesDirectory))
        (void)platform::DirectoryCreate(copy.messagesDirectory);
    return platform::FileCopy(files.message, copy.message, 0);
}

}  // namespace

int DeleteQueuedMessage(const MessageRecord* record, bool inboundQueue) {
    QueueFiles files;
    if (record == nullptr || !LocateQueueFiles(*record, inboundQueue, &files)) return 0;
    // The envelope goes first: without it the host no longer sees the message, and a
    // message file left behind alone is harmless.
    if (!platform::FileDelete(files.envelope)) return 0;
    return platform::FileDelete(files.message);
}

int CopyToQuarantine(const MessageRecord* record, bool inboundQueue) {
    if (record == nullptr) return 0;
    DirectoryGroup directories;
    SnapshotDirectoryGroup(&directories);
    return CopyQueuedMessageTo(
        *record, inboundQueue,
        {directories.quarantine, "COPY_TO_QUARANTINE", values::kQuarantineDirectory});
}

int CopyToBadMail(const MessageRecord* record, bool inboundQueue) {
    if (record == nullptr) return 0;
    DirectoryGroup directories;
    SnapshotDirectoryGroup(&directories);
    return CopyQueuedMessageTo(*record, inboundQueue,
                               {directories.badMail, "COPY_TO_BADMAIL", values::kBadMailDirectory});
}
