// scanners/bayes/MessageTokens.h: turns a message into the set of tokens the classifier
// counts: words of selected header fields (prefixed with the field name, since "free" in
// a Subject says more than "free" in a signature), words of every text part after
// transfer decoding with HTML markup removed, and the hosts of the links in the body.
#pragma once

#include <cstddef>
#include <set>
#include <string>

namespace bayes {

// At most this many distinct tokens are taken from one message: a huge message must not
// make a single classification or training step unbounded.
constexpr size_t kMaxTokensPerMessage = 5000;

// The distinct tokens of `message` (the raw message text, headers and body).
std::set<std::string> MessageTokens(const std::string& message);

// Transfer decoding and markup removal, exposed for the tests.
std::string DecodeBase64(const std::string& text);
std::string DecodeQuotedPrintable(const std::string& text);
std::string StripHtml(const std::string& html);

}  // namespace bayes
