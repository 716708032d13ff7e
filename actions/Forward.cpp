// actions/Forward.cpp: sending a filtered message on to further addresses: a forwarded
// copy queued as a new message, and recipients added to the message's own envelope.
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "actions/MessageRewriting.h"
#include "actions/MessageRouting.h"
#include "base/LoopMark.h"
#include "base/MessageEnvelope.h"
#include "base/RegistryKeys.h"
#include "base/Settings.h"
#include "common/MessageFileName.h"
#include "common/RegistryAccess.h"
#include "common/SafeText.h"
#include "platform/Files.h"

namespace {

// An address written as the envelope writes it ("[SMTP:a@b]") is kept as it is; a bare
// address is put into that form.
bool FormatEnvelopeAddress(const char* address, char* destination, size_t capacity) {
    return std::strchr(address, '[') != nullptr
               ? FormatBounded(destination, capacity, "%s", address) == 1
               : FormatBounded(destination, capacity, "[SMTP:%s]", address) == 1;
}

void ReadForwardSender(char* destination, size_t capacity) {
    if (ReadRegistryString(keys::kPlugin, values::kForwardSenderAddress, destination, capacity))
        return;
    (void)ReadRegistryString(keys::kSmtp, values::kBadMailNotificationSender, destination,
                             capacity);
}

// The forwarded copy's record: the filtered message's, under a new name, from the forward
// sender to `address`, with nothing left of where the original came from.
bool PrepareForwardRecord(const char* address, MessageRecord* copy) {
    NewMessageFileName(copy->messageId, sizeof copy->messageId);
    char forwardSender[1024];
    ReadForwardSender(forwardSender, sizeof forwardSender);
    if (!FormatBounded(copy->sender, sizeof copy->sender, "[SMTP:%s]", forwardSender)) return false;
    if (!FormatEnvelopeAddress(address, copy->recipients, sizeof copy->recipients)) return false;
    copy->account[0] = '\0';
    copy->server[0] = '\0';
    copy->clientIp[0] = '\0';
    SafeCopy(copy->status, "Undelivered");
    // TimeAcquired stays the original's: the copy was taken from a message acquired just
    // now, and keeping the value keeps the queue's age order and makes no new clock read.
    return true;
}

bool CopyMessageFile(const MessageRecord& from, Queue queue, const MessageRecord& to) {
    char root[sizeof DirectoryGroup{}.connectorRoot];
    CurrentConnectorRoot(root, sizeof root);
    char source[kQueuePathCapacity];
    char target[kQueuePathCapacity];
    if (!MessageFilePath(root, from.connector, from.messageId, queue, source, sizeof source) ||
        !MessageFilePath(root, to.connector, to.messageId, Queue::kInbound, target, sizeof target))
        return false;
    return platform::FileCopy(source, target, 1) != 0;
}

}  // namespace

int ForwardMessage(const MessageRecord* record, const char* address, const char* postoffice,
                   const char* mailbox) {
    if (record == nullptr || address == nullptr) return 0;
    const Queue queue = QueueOfScope(postoffice);
    std::unique_ptr<MessageRecord> copy(new (std::nothrow) MessageRecord(*record));
    if (copy == nullptr || !PrepareForwardRecord(address, copy.get())) return 0;
    if (!CopyMessageFile(*record, queue, *copy)) return 0;
    // The marks go into the message file before the envelope exists: the host takes up a
    // message only through its envelope, so the copy is never seen without them, and the
    // filters recognise it and leave it alone.
    (void)SetMessageHeader(copy.get(), kLoopMarkName, kLoopMarkValue, true);
    if (queue == Queue::kOutgoing && (mailbox == nullptr || mailbox[0] == '\0'))
        (void)SetMessageHeader(copy.get(), kPostofficeMarkName, postoffice, true);
    (void)WriteEnvelope(copy.get());
    return 1;
}

int AppendRecipients(MessageRecord* record, const char* text) {
    if (record == nullptr || text == nullptr || text[0] == '\0') return 0;
    // The administrator writes the recipients to add as the envelope does (a bare
    // address is put into that form), and they join the list with the envelope's own
    // separator, so that the host reads them as further recipients of the message.
    char item[kRecipientsCapacity];
    if (!FormatEnvelopeAddress(text, item, sizeof item)) return 0;
    const size_t length = std::strlen(record->recipients);
    const size_t separator = length > 0 ? 1 : 0;
    // A list that would be cut loses a recipient half-way: nothing is added then.
    if (length + separator + std::strlen(item) >= sizeof record->recipients) return 0;
    if (separator != 0) SafeAppend(record->recipients, ";");
    SafeAppend(record->recipients, item);
    return 1;
}
