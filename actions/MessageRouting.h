// actions/MessageRouting.h: the actions that move a filtered message rather than change
// its text: delete it, copy it aside, forward it, add recipients, copy it into a mailbox
// folder, or run an administrator's program about it. Each returns nonzero when it
// carried out its action.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/MessageRecord.h"

// How long an administrator's program may run before it is ended (ten minutes).
constexpr uint32_t kFilterCommandWaitMs = 600000;

// Deletes the envelope and then the message file from the Inbound queue (`inboundQueue`)
// or the Outgoing queue. 1 when both were deleted; an envelope that cannot be deleted
// leaves the message file alone.
int DeleteQueuedMessage(const MessageRecord* record, bool inboundQueue);

// Copies envelope and message file of the selected queue into the Quarantine Directory
// ("<dir>\<id>", "<dir>\Messages\<id>"), replacing earlier copies. The queued message
// stays. 1 when both were copied.
int CopyToQuarantine(const MessageRecord* record, bool inboundQueue);

// The same into the Bad Mail Directory.
int CopyToBadMail(const MessageRecord* record, bool inboundQueue);

// Queues a copy of the message for `address` in the connector's Inbound queue, marked
// so that the filters leave it alone, from the configured forward sender. The message
// is taken from the Inbound queue for the server's filters (empty `postoffice`), else
// from the Outgoing queue. 1 when the copy of the message file was made.
int ForwardMessage(const MessageRecord* record, const char* address, const char* postoffice,
                   const char* mailbox);

// Adds `text` to the record's recipients as one more envelope item. 1 when it was
// added; 0 when it is empty or would not fit. The caller writes the envelope.
int AppendRecipients(MessageRecord* record, const char* text);

// Runs "<program> <arguments>" with its placeholders filled and waits for it, ending it
// when it runs past the wait (kFilterCommandWaitMs). 1 when the program was started.
int RunFilterCommand(const MessageRecord* record, const char* program, const char* arguments);

// Copies `command` into `destination` with "[ID]", "[CONNECTOR]" and "[TIME]" replaced
// by the message identifier, the connector and the date as mail headers write it. A
// replacement that would make the command too long leaves that placeholder. Always 1.
int ExpandCommandPlaceholders(const MessageRecord* record, const char* command, char* destination,
                              size_t capacity);

// Changes how long RunFilterCommand waits (tests only); 0 restores the ten minutes.
void SetFilterCommandWaitForTesting(uint32_t milliseconds);

// Copies the message from the Outgoing queue into a folder of the record's mailbox
// (account and user), creating the folder when the mailbox exists, and flags the change
// for the store. On success the folder is recorded in the record. 1 when copied.
int CopyToMailboxFolder(MessageRecord* record, const char* folder);
