// actions/MessageRewriting.h: the actions that change the text of a queued message where
// it lies: a subject prefix, one header field, annotations around the body.
//
// Every rewrite builds the whole new message first and puts it in the message's place
// with one rename, so a message is never seen half-written.
#pragma once

#include <cstdint>

#include "base/MessageRecord.h"

// Which annotation texts to put around a message's body.
struct AnnotationRequest {
    char scopeName[256];   // folder under "POSTOFFICES" holding the annotation files ("System")
    char beforeName[256];  // annotation inserted before the body (the filterId)
    int32_t beforeSwitch;  // 1: insert it
    char afterName[256];   // annotation inserted after the body (the filterId)
    int32_t afterSwitch;   // 1: insert it
};

// Puts `prefix` (used exactly as given: it brings its own trailing space) in front of the
// subject text of `sourcePath` and writes the result to `destinationPath`. A missing or
// empty file, a message without a "Subject:" header or without CR LF CR LF after its
// header block, and a subject that already carries the prefix are left alone. Prints
// "Failed to open ..." when the file cannot be read. Always 1.
int InsertSubjectPrefix(MessageRecord* record, const char* prefix, const char* sourcePath,
                        const char* destinationPath);

// InsertSubjectPrefix on the message file in the Inbound (`inboundQueue`) or the
// Outgoing queue of the record's connector, rewritten in place.
int PrefixQueuedSubject(MessageRecord* record, const char* prefix, bool inboundQueue);

// InsertSubjectPrefix on the copy of the message that a mailbox-scope action put into
// the folder recorded in `record->folder` of the record's mailbox (account and user).
// Without a recorded folder there is no such copy and nothing is done.
void PrefixMailboxSubject(MessageRecord* record, const char* prefix);

// Replaces every "<name>: " header line of the queued message by "<name>: <value>", or
// adds that line at the end of the header block when there is none. 1 when the message
// was rewritten; 0 when it could not be read or replaced (it is then untouched).
int SetMessageHeader(MessageRecord* record, const char* headerName, const char* headerValue,
                     bool inboundQueue);

// Inserts the requested annotation files before and/or after the body of the message's
// copy in the Outgoing queue of the connector "LS" (each text part of a multipart
// message), and marks the message "X-QPFilter: 1". A message already marked is left as
// it is. 1 when the annotated message replaced the old one or there was nothing to add;
// 0 when the message could not be read or replaced.
int AppendAnnotations(MessageRecord* record, const AnnotationRequest* request);
