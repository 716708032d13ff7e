// analysis/MessageLinks.h: the URI blacklist check behind the URLBL criterion: the web
// links of a body line, reduced to their hosts, looked up with the DNS provider.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kLinkWorkBufferSize = 1024;  // the DNS provider's work buffer
constexpr size_t kListNameSize = 256;         // the name of the list that listed a link

// Looks up the host of every "http://" link of `line` until one is listed. `lookups`
// counts this message's fruitless lookups: once it exceeds "URI SBL Max Checks" the rest
// of a line is not examined. `workBuffer` (kLinkWorkBufferSize) goes to the provider
// untouched; `listName` (kListNameSize) receives the list's name. Returns 1 when a link
// is listed (and writes that to the report log, naming `messageId`), else 0.
int CheckMessageLinks(const char* messageId, uint32_t& lookups, const char* line, char* workBuffer,
                      char* listName);

// Decodes the %XX escapes of `text` (RFC 3986 2.1) into `output`: an escape of two hex
// digits becomes its byte, a "%" without them is dropped, and the text's last character
// is always copied as it is. Writes at most capacity-1 bytes and does not terminate
// them; *outputLength is the count written. Always 1.
int PercentDecode(const char* text, char* output, size_t capacity, size_t* outputLength);

// The first IPv4 address of `host` in dotted form, cut to `capacity`. Returns 1; 0 when
// the host does not resolve, with `address` left as it was.
int ResolveHostAddress(const char* host, char* address, size_t capacity);
