// base/MessageRecord.h: one queued message as a filter run sees it: its identity, its
// envelope, and the working fields of the steps that act on it.
//
// One record per filter run (on the run's stack or heap, never shared), and one per new
// message an action builds, starting as a copy of the run's record.
#pragma once

#include <cstdint>

constexpr int kRecipientsCapacity = 24000;
constexpr int kMessageIdCapacity = 64;

struct MessageRecord {
    char sender[512];                      // "Sender=": one bracketed address, [SMTP:a@b]
    char recipients[kRecipientsCapacity];  // "Recipients=": bracketed addresses joined by ";"
    char messageId[kMessageIdCapacity];    // file name of message and envelope
    char clientIp[66];                     // "ClientIP=": the delivering client's address
    char connector[128];                   // the queue directory below the connector root
    char account[128];                     // "Account=": the postoffice, when known
    char server[256];                      // "Server=": carried over into new envelopes
    char status[16];                       // "Status=": queue status, carried over
    int32_t timeAcquired;                  // "TimeAcquired=": carried over
    int32_t criteriaAuthenticationStatus;  // "AuthenticationStatus=", as the criteria read it
    char user[128];                        // "User=": the mailbox, when known
    char commandType[32];                  // "CommandType=": kept, not acted on
    int32_t authenticationStatus;          // "AuthenticationStatus="
    char subject[1024];                    // "Subject=": as the MTA recorded it

    // Working fields of the actions.
    char mailbox[128];  // the mailbox of a mailbox-scope filter set
    char folder[256];   // the mailbox folder a delivery put the message in
};
