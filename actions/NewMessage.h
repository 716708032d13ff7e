// actions/NewMessage.h: queueing a message the plug-in writes itself (a notification, a
// forwarded copy) in its connector's Inbound queue.
#pragma once

#include <cstddef>

#include "base/MessageRecord.h"

// Writes `messageText` as the message file "<connector>\Inbound\Messages\<messageId>" of
// `newRecord` (scratch file and one rename, so it is whole or absent), then its envelope
// with WriteEnvelope. The envelope carries the record's TimeAcquired as it is: a new
// record starts as a copy of the filtered message's, acquired moments ago, and keeping
// that stamp keeps notifications and forwarded copies in the queue's age order with
// their message (forwarded copies keep it too).
// Returns 1 when the message file was written, whatever the envelope write returned
// (the caller's action has then been carried out); 0 when no message file was written.
int QueueNewMessage(MessageRecord* newRecord, const char* messageText, size_t length);
