// analysis/WhitelistPaths.h: where the outbound whitelist files of the server, of a
// postoffice and of a mailbox live below the configuration directory, and the server's
// connection folder beside them. The whitelist test builds its paths here, so that each
// layout is written once.
#pragma once

#include <cstddef>

// Room for a whitelist file's path: the configuration directory and the scope's names.
constexpr size_t kWhitelistPathCapacity = 512;

// The file that whitelists `key` (an address, or its first parts, with ":" written as
// "-"), below "<configuration>\": for the server (empty postoffice)
// "Connections\Whitelist\<key>.tab"; for a postoffice the same below
// "\Postoffices\<postoffice>"; for one of its mailboxes (a mailbox that is neither null
// nor empty) below "\Postoffices\<postoffice>\Mailboxes\<mailbox>". Returns 1, or 0
// when it does not fit (a cut path would name another address's file).
[[nodiscard]] int WhitelistFilePath(const char* configuration, const char* key,
                                    const char* postoffice, const char* mailbox, char* destination,
                                    size_t capacity);

// "<configuration>\Connections\Spam": a server-level folder the connector expects to find.
// Returns 1, or 0 when it does not fit.
[[nodiscard]] int ServerConnectionsFolder(const char* configuration, char* destination,
                                          size_t capacity);
