// tests/helpers/stubs/ProviderStub.cpp: a stand-in for the outside libraries the
// plug-in loads (scanning providers, DNS provider, store library, agent plug-ins).
//
// Built in several variants that differ only in which entry points they export. Each
// call is appended as "<library file>|<entry>|<command>" to the file named by the
// environment variable STUB_PROVIDER_LOG, so tests see what the plug-in called, with
// which text and in which order. The library's file name is whatever the test copied
// it to (QPFLTMBF.so, QPAISP.so, ...).
//
// What the scanner entries answer is also up to the test: STUB_PROVIDER_RESULT is the
// result text and STUB_PROVIDER_RETURN the result (1 when unset) of the Initialize,
// Execute and CleanUp entries; STUB_VIRUS_FINDING makes ProviderExecute report a virus
// described by that text. With STUB_PROVIDER_LOG_PRESET set, those three entries also
// record the result length the caller preset ("file|entry|command|length"). With
// STUB_PROVIDER_THROW set, the entries it names (see FaultsIn) throw instead of answering;
// with STUB_PROVIDER_CRASH set, they write through a null pointer.
#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#ifdef _WIN32
#define STUB_EXPORT extern "C" __declspec(dllexport)
#else
#define STUB_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

std::string OwnFileName() {
#ifdef _WIN32
    HMODULE self = nullptr;
    char name[MAX_PATH] = "";
    if (GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCSTR>(&OwnFileName), &self) == 0 ||
        GetModuleFileNameA(self, name, sizeof name) == 0)
        return "?";
    std::string path = name;
    size_t slash = path.find_last_of("\\/");
#else
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&OwnFileName), &info) == 0 || info.dli_fname == nullptr)
        return "?";
    std::string path = info.dli_fname;
    size_t slash = path.rfind('/');
#endif
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void Record(const char* entry, const char* command) {
    const char* logPath = std::getenv("STUB_PROVIDER_LOG");
    if (logPath == nullptr) return;
    // Binary: the log reads the same on every system ("\n" where Windows would write "\r\n").
    FILE* log = std::fopen(logPath, "ab");
    if (log == nullptr) return;
    std::fprintf(log, "%s|%s|%s\n", OwnFileName().c_str(), entry,
                 command != nullptr ? command : "");
    std::fclose(log);
}

// Opaque to the optimiser, so that the store below is a real invalid access and not a
// trap instruction put in its place.
int* volatile nowhere = nullptr;

// Uninstrumented: a sanitizer would stop at the null pointer before the fault.
__attribute__((no_sanitize("address", "undefined", "thread"))) void Crash() {
    *nowhere = 1;
}

// Whether the fault `variable` asks for hits `entry`: its value names the entries
// ("Initialize" hits both names of it), "1" the Execute ones.
bool FaultsIn(const char* variable, const char* entry) {
    const char* value = std::getenv(variable);
    if (value == nullptr) return false;
    return std::strstr(entry, std::strcmp(value, "1") == 0 ? "Execute" : value) != nullptr;
}

int32_t Answer(const char* entry, const char* command, char* result, int32_t* resultLength) {
    if (FaultsIn("STUB_PROVIDER_THROW", entry)) throw std::runtime_error("provider exploded");
    if (FaultsIn("STUB_PROVIDER_CRASH", entry)) Crash();
    if (std::getenv("STUB_PROVIDER_LOG_PRESET") != nullptr && resultLength != nullptr) {
        std::string withPreset =
            std::string(command != nullptr ? command : "") + "|" + std::to_string(*resultLength);
        Record(entry, withPreset.c_str());
    } else {
        Record(entry, command);
    }
    const char* reply = std::getenv("STUB_PROVIDER_RESULT");
    if (result != nullptr && reply != nullptr) {
        std::snprintf(result, 1024, "%s", reply);
        if (resultLength != nullptr) *resultLength = static_cast<int32_t>(std::strlen(result));
    }
    const char* returned = std::getenv("STUB_PROVIDER_RETURN");
    return returned != nullptr ? std::atoi(returned) : 1;
}

}  // namespace

#ifdef STUB_QP_ENTRIES
STUB_EXPORT int32_t QP_Initialize(const char* c, int32_t, char* r, int32_t* n) {
    return Answer("QP_Initialize", c, r, n);
}
#endif
#if defined(STUB_QP_ENTRIES) && !defined(STUB_WITHOUT_EXECUTE)
STUB_EXPORT int32_t QP_Execute(const char* c, int32_t, char* r, int32_t* n) {
    return Answer("QP_Execute", c, r, n);
}
#endif
#if defined(STUB_QP_ENTRIES) && !defined(STUB_WITHOUT_CLEANUP)
STUB_EXPORT int32_t QP_CleanUp(const char* c, int32_t, char* r, int32_t* n) {
    return Answer("QP_CleanUp", c, r, n);
}
#endif

#ifdef STUB_PLAIN_ENTRIES
STUB_EXPORT int32_t Initialize(const char* c, int32_t, char* r, int32_t* n) {
    return Answer("Initialize", c, r, n);
}
STUB_EXPORT int32_t Execute(const char* c, int32_t, char* r, int32_t* n) {
    return Answer("Execute", c, r, n);
}
STUB_EXPORT int32_t CleanUp(const char* c, int32_t, char* r, int32_t* n) {
    return Answer("CleanUp", c, r, n);
}
#endif

#ifdef STUB_SERVICE_ENTRIES
STUB_EXPORT int32_t ProviderExecute(const char* agent, const char* id, const char* connector,
                                    char* result) {
    std::string command = std::string(agent) + "," + id + "," + connector;
    Record("ProviderExecute", command.c_str());
    const char* finding = std::getenv("STUB_VIRUS_FINDING");
    if (result != nullptr) std::snprintf(result, 1024, "%s", finding != nullptr ? finding : "");
    return finding != nullptr ? 1 : 0;
}
STUB_EXPORT int32_t StoreLibrary_Init() {
    Record("StoreLibrary_Init", "");
    return 1;
}
STUB_EXPORT int32_t StoreLibrary_UnInit() {
    Record("StoreLibrary_UnInit", "");
    return 1;
}
STUB_EXPORT int32_t PluginInitialize() {
    Record("PluginInitialize", "");
    return 1;
}
STUB_EXPORT int32_t DNSInitialize(const char* servers) {
    Record("DNSInitialize", servers);
    return 7;
}
using LogCallback = int32_t (*)(void*, void*, void*, uint32_t, const char*);
STUB_EXPORT int32_t SetLoggingFunction(char* fileName, LogCallback callback, void*, void*) {
    Record("SetLoggingFunction", fileName != nullptr ? "name" : "");
    // Exercise the hook as a real provider would, at two levels.
    if (callback != nullptr) {
        callback(nullptr, nullptr, nullptr, 3, "dns provider: level 3\n");
        callback(nullptr, nullptr, nullptr, 9, "dns provider: level 9\n");
    }
    return 1;
}
namespace {
// Whether `host` is one of the comma-separated hosts in STUB_DNS_LISTED_HOSTS, which
// tests set to list further hosts (IP literals, over-long names) in "test.list".
bool ListedByEnvironment(const char* host, const char* variable = "STUB_DNS_LISTED_HOSTS") {
    const char* hosts = std::getenv(variable);
    if (hosts == nullptr) return false;
    const std::string list = std::string(",") + hosts + ",";
    return list.find(std::string(",") + host + ",") != std::string::npos;
}
}  // namespace

// Answers by host name: "listed.example" (and any host of STUB_DNS_LISTED_HOSTS) is
// listed in "test.list"; "throw-standard" (and any host of STUB_DNS_THROWING_HOSTS) and
// "throw-other" raise exceptions as a faulty provider might; a host of
// STUB_DNS_CRASHING_HOSTS makes it write through a null pointer.
STUB_EXPORT int32_t HasORBDBEntry(const char* host, const char* address, char*, char* listName) {
    // Before anything it would have to free: the fault abandons this frame.
    if (ListedByEnvironment(host, "STUB_DNS_CRASHING_HOSTS")) Crash();
    std::string command = std::string(host) + "," + address;
    Record("HasORBDBEntry", command.c_str());
    if (std::strcmp(host, "throw-standard") == 0 ||
        ListedByEnvironment(host, "STUB_DNS_THROWING_HOSTS"))
        throw std::runtime_error("resolver exploded");
    if (std::strcmp(host, "throw-other") == 0) throw 42;
    if (std::strcmp(host, "listed.example") == 0 || ListedByEnvironment(host)) {
        std::snprintf(listName, 256, "test.list");
        return 1;
    }
    return 0;
}
#endif
