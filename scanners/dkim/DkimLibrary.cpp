// scanners/dkim/DkimLibrary.cpp: the DKIM verifier provider (QPDomainKeys) on
// libopendkim.
//
// <COMMAND>VERIFY</COMMAND><FILENAME>path</FILENAME>... verifies every DKIM-Signature
// of the message file (RFC 6376) and answers "<RESULT>code</RESULT><TEXT>..</TEXT>":
//   1 pass: at least one signature verified
//   0 fail: a signature was checked and its body hash or signature did not match
//   2 none: the message carries no DKIM-Signature
//   3 temporary error: the signing key could not be fetched just now
//   4 permanent error: no signature could be checked (malformed, key missing, revoked)
// One good signature passes the message: a forged extra signature must not turn a
// genuine one into a failure. Keys come from DNS through the server's configured DNS
// servers (queried with the DNS provider's resolver), or from a key file.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <shared_mutex>
#include <string>
#include <vector>

#include "common/RegistryAccess.h"
#include "platform/Files.h"
#include "scanners/common/CommandTags.h"
#include "scanners/dkim/OpenDkim.h"
#include "scanners/dns/Resolver.h"

#define DKIM_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr const char* kSettingsKey =
    "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Providers\\DKIM";
constexpr const char* kSmtpKey = "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\CONNECTORS\\SMTP";
constexpr uint32_t kDefaultTimeoutSeconds = 10;
constexpr int kResultCapacity = 1024;
constexpr size_t kChunkBytes = 64 * 1024;

enum VerifyCode : int {
    kFail = 0,
    kPass = 1,
    kNone = 2,
    kTemporaryError = 3,
    kPermanentError = 4,
};

// Calls verify under the shared side; Initialize and CleanUp replace the library
// handle under the exclusive side, so no verification runs on a closed handle.
std::shared_mutex libraryLock;
DKIM_LIB* library = nullptr;
std::string libraryProblem;
// Where key queries go; handed to libopendkim as its DNS service, so it lives as long
// as the library handle (replaced only under the exclusive lock).
dns::ResolverSettings keyResolver;

// Key lookups go through c-ares rather than libopendkim's own resolver, which cannot
// be pointed at a server on another port and shares no timeout settings with the DNS
// provider. libopendkim asks start, then waitreply, then cancel for every query.
struct KeyQuery {
    size_t bytes;   // reply length copied into libopendkim's buffer
    bool answered;  // a server replied
};

int StartKeyQuery(void* service, int type, unsigned char* query, unsigned char* buffer,
                  size_t capacity, void** handle) {
    auto* settings = static_cast<dns::ResolverSettings*>(service);
    auto* pending = new (std::nothrow) KeyQuery{0, false};
    if (pending == nullptr) return DKIM_DNS_ERROR;
    try {
        std::vector<unsigned char> reply;
        std::string error;
        if (dns::QueryRaw(reinterpret_cast<const char*>(query), type, *settings, &reply, &error)) {
            pending->bytes = std::min(reply.size(), capacity);
            std::memcpy(buffer, reply.data(), pending->bytes);
            pending->answered = true;
        }
    } catch (...) {
        pending->answered = false;
    }
    *handle = pending;
    return DKIM_DNS_SUCCESS;
}

int WaitKeyQuery(void*, void* handle, struct timeval*, size_t* bytes, int* error, int* dnssec) {
    auto* pending = static_cast<KeyQuery*>(handle);
    if (dnssec != nullptr) *dnssec = DKIM_DNSSEC_UNKNOWN;
    if (pending == nullptr || !pending->answered) {
        if (error != nullptr) *error = 0;
        return DKIM_DNS_ERROR;
    }
    if (bytes != nullptr) *bytes = pending->bytes;
    return DKIM_DNS_SUCCESS;
}

int CancelKeyQuery(void*, void* handle) {
    delete static_cast<KeyQuery*>(handle);
    return DKIM_DNS_SUCCESS;
}

int Answer(char* result, int32_t* resultLength, int32_t returned, int code,
           const std::string& text) {
    if (result != nullptr) {
        std::snprintf(result, kResultCapacity, "<RESULT>%d</RESULT><TEXT>%s</TEXT>", code,
                      text.c_str());
        if (resultLength != nullptr) *resultLength = static_cast<int32_t>(std::strlen(result));
    }
    return returned;
}

// Opens the library with the settings of the moment. Caller holds the exclusive lock.
int OpenLibraryLocked() {
    if (library != nullptr) return 1;
    library = dkim_init(nullptr, nullptr);
    if (library == nullptr) {
        libraryProblem = "libopendkim could not start (out of memory?)";
        return 0;
    }
    u_int flags = DKIM_LIBFLAGS_FIXCRLF;  // queue files may hold bare LF line ends
    (void)dkim_options(library, DKIM_OP_SETOPT, DKIM_OPTS_FLAGS, &flags, sizeof flags);
    uint32_t timeoutSeconds = kDefaultTimeoutSeconds;
    (void)ReadRegistryDword(kSettingsKey, "DNS Timeout", &timeoutSeconds);
    u_int timeout = timeoutSeconds;
    (void)dkim_options(library, DKIM_OP_SETOPT, DKIM_OPTS_TIMEOUT, &timeout, sizeof timeout);
    char keyFile[1024];
    if (ReadRegistryString(kSettingsKey, "Key File", keyFile)) {
        std::string hostPath = platform::HostPath(keyFile);
        dkim_query_t method = DKIM_QUERY_FILE;
        (void)dkim_options(library, DKIM_OP_SETOPT, DKIM_OPTS_QUERYMETHOD, &method, sizeof method);
        (void)dkim_options(library, DKIM_OP_SETOPT, DKIM_OPTS_QUERYINFO,
                           const_cast<char*>(hostPath.c_str()), hostPath.size());
        return 1;
    }
    // The server's own resolvers unless the DKIM settings name others; neither means
    // the system's.
    char servers[2048] = "";
    if (ReadRegistryString(kSettingsKey, "DNS Servers", servers) ||
        ReadRegistryString(kSmtpKey, "Local DNS Server List", servers)) {
        for (char& c : servers)
            if (c == ';' || c == ' ' || c == '\t') c = ',';
    }
    keyResolver.servers = servers;
    keyResolver.timeoutMs = timeoutSeconds * 1000;
    keyResolver.tries = 1;
    (void)dkim_dns_set_query_service(library, &keyResolver);
    dkim_dns_set_query_start(library, StartKeyQuery);
    dkim_dns_set_query_waitreply(library, WaitKeyQuery);
    dkim_dns_set_query_cancel(library, CancelKeyQuery);
    return 1;
}

void CloseLibraryLocked() {
    if (library != nullptr) dkim_close(library);
    library = nullptr;
}

// The code of one signature.
int SignatureCode(DKIM_SIGINFO* signature) {
    if ((dkim_sig_getflags(signature) & DKIM_SIGFLAG_PASSED) != 0 &&
        dkim_sig_getbh(signature) == DKIM_SIGBH_MATCH)
        return kPass;
    switch (dkim_sig_geterror(signature)) {
        case DKIM_SIGERROR_KEYFAIL:  // the DNS query failed; it may answer later
            return kTemporaryError;
        case DKIM_SIGERROR_OK:  // checked, but the body hash did not match
        case DKIM_SIGERROR_BADSIG:
            return kFail;
        default:
            break;
    }
    if ((dkim_sig_getflags(signature) & DKIM_SIGFLAG_PROCESSED) != 0 &&
        dkim_sig_getbh(signature) == DKIM_SIGBH_MISMATCH)
        return kFail;
    return kPermanentError;
}

// Which of two codes describes the message: pass beats fail beats temporary beats
// permanent beats none.
int Rank(int code) {
    switch (code) {
        case kPass:
            return 5;
        case kFail:
            return 4;
        case kTemporaryError:
            return 3;
        case kPermanentError:
            return 2;
        default:
            return 1;
    }
}

int Verify(const std::string& fileName, char* result, int32_t* resultLength) {
    std::shared_lock<std::shared_mutex> hold(libraryLock);
    if (library == nullptr)
        return Answer(result, resultLength, 0, kTemporaryError,
                      "the DKIM verifier is not initialised: " + libraryProblem);
    platform::File file = platform::FileOpen(fileName.c_str(), platform::FileMode::kReadBinary);
    if (file == nullptr)
        return Answer(result, resultLength, 0, kTemporaryError,
                      "cannot read the message file " + fileName + ": check the queue path");
    DKIM_STAT status = DKIM_STAT_OK;
    DKIM* verifier = dkim_verify(library, reinterpret_cast<const unsigned char*>("QPDomainKeys"),
                                 nullptr, &status);
    if (verifier == nullptr) {
        (void)platform::FileClose(file);
        return Answer(result, resultLength, 0, kTemporaryError,
                      std::string("the verifier could not start: ") + dkim_getresultstr(status));
    }
    static thread_local unsigned char chunk[kChunkBytes];
    size_t got;
    status = DKIM_STAT_OK;
    while (status == DKIM_STAT_OK && (got = platform::FileRead(file, chunk, sizeof chunk)) > 0)
        status = dkim_chunk(verifier, chunk, got);
    (void)platform::FileClose(file);
    if (status == DKIM_STAT_OK) status = dkim_chunk(verifier, nullptr, 0);
    if (status == DKIM_STAT_OK) status = dkim_eom(verifier, nullptr);

    DKIM_SIGINFO** signatures = nullptr;
    int count = 0;
    int code = kNone;
    std::string text = "no DKIM-Signature";
    if (dkim_getsiglist(verifier, &signatures, &count) == DKIM_STAT_OK && count > 0) {
        code = kPermanentError;
        text.clear();
        for (int i = 0; i < count; ++i) {
            const int one = SignatureCode(signatures[i]);
            const unsigned char* domain = dkim_sig_getdomain(signatures[i]);
            char line[160];
            std::snprintf(
                line, sizeof line, "%sd=%s %s", i > 0 ? "; " : "",
                domain != nullptr ? reinterpret_cast<const char*>(domain) : "?",
                one == kPass ? "pass" : dkim_sig_geterrorstr(dkim_sig_geterror(signatures[i])));
            text += line;
            if (Rank(one) > Rank(code)) code = one;
        }
    } else if (status != DKIM_STAT_NOSIG && status != DKIM_STAT_OK) {
        text = std::string("the message could not be checked: ") + dkim_getresultstr(status);
        code = kPermanentError;
    }
    (void)dkim_free(verifier);
    return Answer(result, resultLength, 1, code, text);
}

}  // namespace

DKIM_EXPORT int32_t QP_Initialize(const char*, int32_t, char* result, int32_t* resultLength) {
    try {
        std::unique_lock<std::shared_mutex> hold(libraryLock);
        CloseLibraryLocked();
        const int ok = OpenLibraryLocked();
        return Answer(result, resultLength, ok, ok ? kPass : kTemporaryError, libraryProblem);
    } catch (...) {
        return 0;
    }
}

DKIM_EXPORT int32_t QP_Execute(const char* command, int32_t commandLength, char* result,
                               int32_t* resultLength) {
    try {
        if (command == nullptr) return Answer(result, resultLength, 0, kPermanentError, "");
        const std::string text =
            commandLength > 0
                ? std::string(command, strnlen(command, static_cast<size_t>(commandLength)))
                : std::string(command);
        std::string verb = CommandTagValue(text, "COMMAND");
        for (char& c : verb)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (verb != "VERIFY")
            return Answer(result, resultLength, 0, kPermanentError,
                          "unknown command '" + verb + "': only VERIFY is known");
        return Verify(CommandTagValue(text, "FILENAME"), result, resultLength);
    } catch (...) {
        return Answer(result, resultLength, 0, kTemporaryError, "the verifier ran out of memory");
    }
}

DKIM_EXPORT int32_t QP_CleanUp(const char*, int32_t, char* result, int32_t* resultLength) {
    std::unique_lock<std::shared_mutex> hold(libraryLock);
    CloseLibraryLocked();
    return Answer(result, resultLength, 1, kPass, "");
}
