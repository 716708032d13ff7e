// actions/QueueCopies.cpp: deleting a queued message and copying it into the quarantine
// or bad-mail directory.
#include <cstdio>

#include "actions/MessageRouting.h"
#include "frame/MessageEnvelope.h"
#include "frame/Settings.h"
#include "platform/Files.h"

namespace {

constexpr size_t kQueuePathCapacity = 1400;

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

// Envelope to "<directory>\<id>", then message file to "<directory>\Messages\<id>".
int CopyQueuedMessageTo(const MessageRecord& record, bool inboundQueue, const char* directory) {
    QueueFiles files;
    if (!LocateQueueFiles(record, inboundQueue, &files)) return 0;
    char envelopeCopy[kQueuePathCapacity];
    char messagesDirectory[kQueuePathCapacity];
    char messageCopy[kQueuePathCapacity];
    const int envelopeLength =
        std::snprintf(envelopeCopy, sizeof envelopeCopy, "%s\\%s", directory, record.messageId);
    const int folderLength =
        std::snprintf(messagesDirectory, sizeof messagesDirectory, "%s\\Messages", directory);
    const int messageLength = std::snprintf(messageCopy, sizeof messageCopy, "%s\\%s",
                                            messagesDirectory, record.messageId);
    if (envelopeLength < 0 || folderLength < 0 || messageLength < 0 ||
        static_cast<size_t>(messageLength) >= sizeof messageCopy)
        return 0;
    if (!platform::FileCopy(files.envelope, envelopeCopy, 0)) return 0;
    // A directory set up by hand may lack its Messages folder; without it the envelope
    // copy would stand there without its message.
    if (!platform::DirectoryExists(messagesDirectory))
        (void)platform::DirectoryCreate(messagesDirectory);
    return platform::FileCopy(files.message, messageCopy, 0);
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
    return CopyQueuedMessageTo(*record, inboundQueue, directories.quarantine);
}

int CopyToBadMail(const MessageRecord* record, bool inboundQueue) {
    if (record == nullptr) return 0;
    DirectoryGroup directories;
    SnapshotDirectoryGroup(&directories);
    return CopyQueuedMessageTo(*record, inboundQueue, directories.badMail);
}
