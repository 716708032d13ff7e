// base/MessageEnvelope.h: the envelope file beside each queued message, and the paths
// of a connector's queues.
//
// An envelope is a short text file of "Key=value" lines (CR LF on disk) telling who sent
// the message, to whom it goes, where it came from and how far it has been handled.
#pragma once

#include <cstddef>

#include "base/MessageRecord.h"

enum class Queue { kInbound, kOutgoing };

// Room for a queue path: connector root (1023), connector (127), "Outgoing\Messages"
// and a message identifier (63), with separators.
constexpr size_t kQueuePathCapacity = 1400;

// The queue whose files the filters of a scope work on: the server's filters (no
// postoffice) see what arrives, a postoffice's or mailbox's filters what its users send.
Queue QueueOfScope(const char* postoffice);

// "<connector root>\<connector>\Inbound\<id>" (or Outgoing): the envelope's path.
// Returns 1, or 0 when it does not fit `capacity`.
int EnvelopePath(const char* connectorRoot, const char* connector, const char* messageId,
                 Queue queue, char* destination, size_t capacity);

// "<connector root>\<connector>\Inbound\Messages\<id>" (or Outgoing): the message file.
int MessageFilePath(const char* connectorRoot, const char* connector, const char* messageId,
                    Queue queue, char* destination, size_t capacity);

// A directory of held copies (quarantine, bad mail) is laid out as a queue is.
struct HeldCopyPaths {
    char envelope[kQueuePathCapacity];           // "<directory>\<id>"
    char messagesDirectory[kQueuePathCapacity];  // "<directory>\Messages"
    char message[kQueuePathCapacity];            // "<directory>\Messages\<id>"
};

// The paths of a message's held copy in `directory`. Returns 1, or 0 when one does not
// fit (a cut path would name another message).
[[nodiscard]] int BuildHeldCopyPaths(const char* directory, const char* messageId,
                                     HeldCopyPaths* paths);

// The Inbound envelope path of a record, below the current connector root.
int InboundEnvelopePath(const MessageRecord& record, char* destination, size_t capacity);

// Fills the envelope fields of `record` (whose messageId and connector are set) from its
// Inbound envelope. Every envelope field is emptied first; a missing envelope leaves
// them empty. Always 1.
int ReadEnvelope(MessageRecord* record);

// Writes the Inbound envelope of `record`: Recipients, Server, Sender, TimeAcquired and
// Status, in that order. Returns 1 when written, 0 when the file cannot be created or
// written whole.
int WriteEnvelope(const MessageRecord* record);

// Puts the record's recipients into the existing Inbound envelope of its message: every
// "Recipients=" line gets the new list (one is added first when there is none), and
// every other line stays exactly as it was, keys the plug-in does not write included.
// Returns 1 when the envelope was replaced; 0 when there is no envelope to change (the
// message was removed: none is made up) or it cannot be read or replaced.
int RewriteEnvelopeRecipients(const MessageRecord* record);

// Copies the address of a bracketed address ("[SMTP:a@b.example]") into `destination`:
// the text between the first ":" and the first "]" when both exist in that order.
// Otherwise `destination` is left as it was.
void ExtractEnvelopeAddress(const char* text, char* destination, size_t capacity);
