// scanners/dns/Resolver.cpp: one c-ares channel per lookup, driven by poll().
//
// poll() is the one system call made here outside the platform layer: c-ares hands out
// its sockets and expects the caller to wait on them, and select() would break on
// descriptor numbers above 1023, which a busy mail server reaches.
#include "scanners/dns/Resolver.h"

#include <ares.h>
#include <arpa/nameser.h>
#include <netinet/in.h>
#include <poll.h>

#include <algorithm>
#include <mutex>

namespace dns {
namespace {

constexpr int kMaxAddresses = 64;

struct Pending {
    bool done = false;
    int status = ARES_SUCCESS;
    std::vector<unsigned char> reply;
};

void OnAnswer(void* argument, int status, int, unsigned char* answer, int answerLength) {
    auto* pending = static_cast<Pending*>(argument);
    pending->done = true;
    pending->status = status;
    if (answer != nullptr && answerLength > 0) pending->reply.assign(answer, answer + answerLength);
}

LookupResult FromReply(const Pending& pending) {
    LookupResult result{LookupStatus::kFailed, {}, 0, ""};
    if (pending.status == ARES_ENOTFOUND || pending.status == ARES_ENODATA) {
        result.status = LookupStatus::kNoSuchName;
        return result;
    }
    if (pending.status != ARES_SUCCESS) {
        result.error = ares_strerror(pending.status);
        return result;
    }
    // Enough for any real answer; a larger one is read up to this many.
    ares_addrttl records[kMaxAddresses];
    int count = kMaxAddresses;
    int parsed = ares_parse_a_reply(pending.reply.data(), static_cast<int>(pending.reply.size()),
                                    nullptr, records, &count);
    if (parsed == ARES_ENODATA || (parsed == ARES_SUCCESS && count == 0)) {
        result.status = LookupStatus::kNoSuchName;
        return result;
    }
    if (parsed != ARES_SUCCESS) {
        result.error = ares_strerror(parsed);
        return result;
    }
    result.status = LookupStatus::kFound;
    uint32_t ttl = UINT32_MAX;
    for (int i = 0; i < count; ++i) {
        result.addresses.push_back(ntohl(records[i].ipaddr.s_addr));
        ttl = std::min(ttl, static_cast<uint32_t>(std::max(records[i].ttl, 0)));
    }
    result.ttlSeconds = ttl;
    return result;
}

// Runs the channel until the query has answered (c-ares ends every query by its own
// timeout and try count, so this loop ends too).
void RunChannel(ares_channel channel, const Pending& pending) {
    while (!pending.done) {
        ares_socket_t sockets[ARES_GETSOCK_MAXNUM];
        int mask = ares_getsock(channel, sockets, ARES_GETSOCK_MAXNUM);
        pollfd waits[ARES_GETSOCK_MAXNUM];
        nfds_t count = 0;
        for (int i = 0; i < ARES_GETSOCK_MAXNUM; ++i) {
            short events = 0;
            if (ARES_GETSOCK_READABLE(mask, i)) events |= POLLIN;
            if (ARES_GETSOCK_WRITABLE(mask, i)) events |= POLLOUT;
            if (events == 0) continue;
            waits[count++] = pollfd{sockets[i], events, 0};
        }
        timeval limit{1, 0};
        timeval wait;
        timeval* next = ares_timeout(channel, &limit, &wait);
        int waitMs = static_cast<int>(next->tv_sec * 1000 + next->tv_usec / 1000);
        int ready = poll(waits, count, std::max(waitMs, 1));
        if (ready <= 0) {
            ares_process_fd(channel, ARES_SOCKET_BAD, ARES_SOCKET_BAD);  // timeouts
            continue;
        }
        for (nfds_t i = 0; i < count; ++i) {
            if (waits[i].revents == 0) continue;
            bool readable = (waits[i].revents & (POLLIN | POLLERR | POLLHUP)) != 0;
            bool writable = (waits[i].revents & POLLOUT) != 0;
            ares_process_fd(channel, readable ? waits[i].fd : ARES_SOCKET_BAD,
                            writable ? waits[i].fd : ARES_SOCKET_BAD);
        }
    }
}

}  // namespace

int ResolverLibraryStart() {
    static std::once_flag started;
    static int status = ARES_SUCCESS;
    std::call_once(started, [] { status = ares_library_init(ARES_LIB_INIT_ALL); });
    return status == ARES_SUCCESS;
}

namespace {

// Runs one query on a channel of its own. Returns 1 with *pending filled; 0 when the
// channel could not be set up, with the reason in *error.
int RunQuery(const std::string& name, int type, const ResolverSettings& settings, Pending* pending,
             std::string* error) {
    if (!ResolverLibraryStart()) {
        *error = "the resolver library could not start";
        return 0;
    }
    ares_options options{};
    options.timeout = static_cast<int>(std::max<uint32_t>(settings.timeoutMs, 1));
    options.tries = static_cast<int>(std::max<uint32_t>(settings.tries, 1));
    ares_channel channel = nullptr;
    int status = ares_init_options(&channel, &options, ARES_OPT_TIMEOUTMS | ARES_OPT_TRIES);
    if (status != ARES_SUCCESS) {
        *error = std::string("resolver set-up failed: ") + ares_strerror(status);
        return 0;
    }
    if (!settings.servers.empty()) {
        status = ares_set_servers_ports_csv(channel, settings.servers.c_str());
        if (status != ARES_SUCCESS) {
            ares_destroy(channel);
            *error = "the DNS server list '" + settings.servers + "' cannot be used (" +
                     ares_strerror(status) + "): give addresses as 1.2.3.4, 1.2.3.4:53 or [::1]:53";
            return 0;
        }
    }
    ares_query(channel, name.c_str(), ns_c_in, type, OnAnswer, pending);
    RunChannel(channel, *pending);
    ares_destroy(channel);
    return 1;
}

}  // namespace

int QueryRaw(const std::string& name, int type, const ResolverSettings& settings,
             std::vector<unsigned char>* reply, std::string* error) {
    Pending pending;
    if (!RunQuery(name, type, settings, &pending, error)) return 0;
    if (pending.reply.empty()) {
        *error = ares_strerror(pending.status);
        return 0;
    }
    *reply = std::move(pending.reply);
    return 1;
}

LookupResult LookUpAddress(const std::string& name, const ResolverSettings& settings) {
    Pending pending;
    LookupResult failed{LookupStatus::kFailed, {}, 0, ""};
    if (!RunQuery(name, ns_t_a, settings, &pending, &failed.error)) return failed;
    return FromReply(pending);
}

}  // namespace dns
