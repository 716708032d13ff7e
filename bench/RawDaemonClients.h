// bench/RawDaemonClients.h: the smallest clients that put one message to spamd and to
// clamd, for the daemon bench's baseline: what a check costs with nothing but the
// protocol around the daemons' own work.
//
// They are written apart from the scanner libraries on purpose (no shared socket layer,
// no settings, no reply parsing beyond finding its end), so that the baseline does not
// inherit whatever the libraries might do slowly.
#pragma once

#include <string>

namespace raw_daemon {

// CHECK SPAMC/1.5 with the Content-length header over the unix socket `path`, the
// message sent from memory; the reply's header block. Empty when spamd could not be asked.
std::string SpamdCheck(const std::string& path, const std::string& message);

// zINSTREAM over the unix socket `path` in 64 KiB chunks; clamd's reply without its NUL.
// Empty when clamd could not be asked.
std::string ClamdInstream(const std::string& path, const std::string& message);

}  // namespace raw_daemon
