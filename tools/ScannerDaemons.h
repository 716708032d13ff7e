// tools/ScannerDaemons.h: whether the scanner daemons the SpamAssassin and antivirus
// libraries talk to are there, asked as the libraries would reach them.
#pragma once

#include <string>

// Where the libraries look for their daemons unless their settings say otherwise (the
// defaults of Debian's spamd and clamd, which the libraries use too).
constexpr const char* kDefaultSpamdAddress = "127.0.0.1:783";
constexpr const char* kDefaultClamdAddress = "/var/run/clamav/clamd.ctl";

// True when spamd answers a PING at `address` (a unix socket path or host:port) within
// a couple of seconds.
bool SpamdAnswers(const std::string& address);

// True when clamd answers a PING at `address` within a couple of seconds.
bool ClamdAnswers(const std::string& address);
