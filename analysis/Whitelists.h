// analysis/Whitelists.h: the IPADDRESS_WHITELISTED criterion: whether the delivering
// client's address is whitelisted, by the SMTP connector's system whitelist or by the
// outbound whitelist files of the server, a postoffice or a mailbox.
#pragma once

#include "filters/FilterSet.h"

// For every filter whose criterion `type` is enabled, each alternative of each condition
// selects a test by its first character: "1" the system whitelist, then the server's
// file, then the account's file; "2" the system whitelist, then the account's file (the
// server's when the account is empty). A met test counts, empties the result text and
// sets the condition's value to "1". Once found whitelisted the address stays so for the
// rest of the call, since neither address nor account change within it. `mailbox` is
// passed on to the file test (null: none). Always 1.
int EvaluateWhitelisted(int type, const char* account, const char* mailbox, const char* clientIp,
                        const FilterSet* set, FilterEvaluationSet* evaluations);

// Whether a value name of the SMTP connector's "White List" key matches the address
// (IPv6 patterns when the address holds ":", else IPv4 patterns); a match is written to
// the report log. Returns 1 or 0; an unreadable key counts as 0.
[[nodiscard]] int IsInSystemWhiteList(const char* address);

// Whether the outbound whitelist of the server (no postoffice), a postoffice or one of
// its mailboxes holds a file named for the address (or its first octets, per
// "Whitelist Outbound IPAddress Mode") under the configuration directory. Returns 1 or
// 0; when the switch "Whitelist Outbound IPAddresses" is off or unreadable, 0.
[[nodiscard]] int IsOutboundWhiteListed(const char* address, const char* postoffice,
                                        const char* mailbox);
