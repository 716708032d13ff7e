// actions/NewMessage.cpp: queueing a message the plug-in writes itself.
#include "actions/NewMessage.h"

#include "base/MessageEnvelope.h"
#include "base/Settings.h"
#include "common/AtomicFile.h"

int QueueNewMessage(MessageRecord* newRecord, const char* messageText, size_t length) {
    if (newRecord == nullptr || messageText == nullptr) return 0;
    char connectorRoot[1024];
    CurrentConnectorRoot(connectorRoot, sizeof connectorRoot);
    char path[kQueuePathCapacity];
    if (!MessageFilePath(connectorRoot, newRecord->connector, newRecord->messageId, Queue::kInbound,
                         path, sizeof path))
        return 0;
    // The message file comes first: the MTA finds queued mail by its envelope, so it
    // never sees an envelope whose message is not yet whole.
    if (!ReplaceFileAtomically(path, messageText, length)) return 0;
    WriteEnvelope(newRecord);
    return 1;
}
