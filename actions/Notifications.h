// actions/Notifications.h: messages telling somebody that a filter intercepted a message,
// and the date text of generated messages.
#pragma once

#include "base/MessageRecord.h"

// Each builds a notification about the filtered message (from the template named by the
// action, else from the built-in text) and queues it with its envelope in the Inbound
// queue of the message's connector. `parameter` is column 3 of the action line,
// `actionContext` the result tags of the run, `filterName` the filter's display name,
// `actionDescription` column 5 as read. `inboundQueue` selects the queue the filtered
// message lies in. 1 when the notification was written, 0 otherwise.

// To the message's sender; `parameter` names the template (may be empty).
int NotifySender(MessageRecord* record, const char* parameter, const char* actionContext,
                 const char* filterName, const char* actionDescription, bool inboundQueue);

// To the address of "<REFERENCE>...<ADDRESS>a@b</ADDRESS>[<FILE>template</FILE>]".
int NotifyAddress(MessageRecord* record, const char* parameter, const char* actionContext,
                  const char* filterName, const char* actionDescription, bool inboundQueue);

// To the message's own recipients, as "Undisclosed-Recipients".
int NotifyRecipients(MessageRecord* record, const char* parameter, const char* actionContext,
                     const char* filterName, const char* actionDescription, bool inboundQueue);

// The local date and time as mail headers write it: "Tue, 3 Mar 2026 14:05:09 +0100".
// Newly allocated with new[]; the caller delete[]s it. Null when it cannot be made.
char* FormatMessageDate();
