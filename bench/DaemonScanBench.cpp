// bench/DaemonScanBench.cpp: messages per second through the whole filter run with the
// spamd and clamd provider libraries on, beside spamc and clamdscan asking the same
// daemons about the same messages. The difference is what the plug-in and its client
// libraries cost on top of the daemons' own work.
//
// The daemons are not started here: bench/run-daemon-bench.sh starts private ones (or
// pass the addresses of running daemons).
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/RegistryKeys.h"
#include "frame/FilterRun.h"
#include "frame/Lifecycle.h"
#include "platform/Registry.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: daemon_scan_bench --spamd SOCKET --clamd SOCKET [--messages N] [--size BYTES]\n"
    "\n"
    "Queues N generated messages (every tenth spam, every tenth other one carrying the\n"
    "test signature of run-daemon-bench.sh), runs them through the filter run with a\n"
    "SPAMASSASSIN and a HASVIRUS filter and the QPFLTMSA and QPAVGEN libraries, with 1\n"
    "and 8 concurrent callers, then asks the same daemons directly with spamc and\n"
    "clamdscan, and prints messages/s for each. SOCKET is a daemon's unix socket path.\n";

constexpr const char* kConnector = "SMTP";
constexpr const char* kSpamPhrase = "QUILL-POST-TEST-SPAM-PHRASE";
constexpr const char* kVirusBytes = "QUILL-POST-TEST-VIRUS-SIGNATURE-7F3A";
constexpr size_t kReportCapacity = 2048;
constexpr int kCallerCounts[] = {1, 8};

struct Options {
    std::string spamd;
    std::string clamd;
    int messages = 200;
    size_t size = 4096;
};

int ParseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        const char* value = argv[i + 1];
        if (arg == "--spamd")
            options->spamd = value;
        else if (arg == "--clamd")
            options->clamd = value;
        else if (arg == "--messages" && std::atoi(value) > 0)
            options->messages = std::atoi(value);
        else if (arg == "--size" && std::atoi(value) > 0)
            options->size = static_cast<size_t>(std::atoi(value));
        else
            return 0;
    }
    return argc % 2 == 1 && !options->spamd.empty() && !options->clamd.empty();
}

void WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

int SetValue(const char* key, const char* name, uint32_t type, const void* data, uint32_t size) {
    platform::RegistryKey handle = nullptr;
    const int done = platform::RegistryCreateKey(key, &handle) == platform::kRegOk &&
                     platform::RegistrySetValue(handle, name, type, data, size) == platform::kRegOk;
    platform::RegistryCloseKey(handle);
    return done;
}

int SetText(const char* key, const char* name, const std::string& text) {
    return SetValue(key, name, platform::kRegSz, text.c_str(),
                    static_cast<uint32_t>(text.size() + 1));
}

int SetNumber(const char* key, const char* name, uint32_t value) {
    return SetValue(key, name, platform::kRegDword, &value, sizeof value);
}

int WriteSettings(const fs::path& root, const Options& options) {
    const std::string plugin = keys::kPlugin;
    int done = SetText(keys::kRoot, values::kMailRoot, (root / "mail").string()) &&
               SetText(keys::kRoot, values::kConfigurationDirectory, (root / "config").string()) &&
               SetText(keys::kRoot, values::kBadMailDirectory, (root / "badmail").string()) &&
               SetText(keys::kRoot, values::kQuarantineDirectory, (root / "quarantine").string()) &&
               SetText(keys::kRoot, values::kApplicationDirectory, (root / "app").string()) &&
               SetText(keys::kConnectors, values::kConnectorRootDirectory,
                       (root / "connectors").string()) &&
               SetText(keys::kPlugin, values::kActivityLogDirectory, (root / "logs").string()) &&
               SetNumber(keys::kPlugin, "SpamAssassin Enabled", 1) &&
               SetNumber(keys::kPlugin, "Antivirus Status", 1) &&
               SetText((plugin + "\\SpamAssassin").c_str(), "Server", options.spamd) &&
               SetText((plugin + "\\ClamAV").c_str(), "Socket", options.clamd);
    for (const char* part : {"mail", "config", "badmail", "quarantine", "logs", "app64"})
        fs::create_directories(root / part);
    for (const char* library : {"QPFLTMSA.so", "QPAVGEN.so"})
        fs::copy_file(fs::path(MTAFILTER_SCANNER_DIR) / library, root / "app64" / library);
    // Two filters deciding only: their actions are disabled so that messages stay queued.
    const fs::path filters = root / "config" / "FILTERS";
    WriteText(filters / "FILTER.TAB", "Rule1\t1\tSA\t\tSpam\r\nRule2\t1\tAV\t\tVirus\r\n");
    WriteText(filters / "CRITERIA" / "SA.TAB", std::string(24, '\n') + "1\t\t1\t\t\t1\r\n");
    WriteText(filters / "CRITERIA" / "AV.TAB", std::string(14, '\n') + "1\t\t1\t\t\t1\r\n");
    for (const char* id : {"SA", "AV"})
        WriteText(filters / "ACTIONS" / (std::string(id) + ".TAB"),
                  "0\t\t\tDELETE\tmeasured only\r\n");
    return done;
}

std::string GeneratedMessage(int n, size_t size) {
    std::string message = "From: alice@example.net\r\nTo: bob@example.com\r\nSubject: Report " +
                          std::to_string(n) + "\r\nMessage-ID: <" + std::to_string(n) +
                          "@example.net>\r\n\r\n";
    if (n % 10 == 3) message += std::string(kSpamPhrase) + "\r\n";
    if (n % 10 == 7) message += std::string(kVirusBytes) + "\r\n";
    while (message.size() < size) message += "the quarterly review of the project schedule\r\n";
    return message;
}

std::string MessageId(int n) {
    char id[40];
    std::snprintf(id, sizeof id, "%032X.MAI", n);
    return id;
}

// Runs `work(i)` for i in 0..count-1 on `callers` threads; returns the seconds taken.
double Timed(int callers, int count, const std::function<void(int)>& work) {
    std::atomic<int> next{0};
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (int t = 0; t < callers; ++t)
        threads.emplace_back([&] {
            for (int i = next++; i < count; i = next++) work(i);
        });
    for (std::thread& thread : threads) thread.join();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Print(const char* what, int callers, int count, double seconds) {
    std::printf("%-28s callers %d: %8.1f messages/s\n", what, callers, count / seconds);
}

int Run(const Options& options) {
    char pattern[] = "/tmp/daemon_scan_bench.XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::fprintf(stderr, "daemon_scan_bench: cannot create a temporary directory\n");
        return 1;
    }
    const fs::path root = pattern;
    setenv(platform::kRegistryPathVariable, (root / "registry.db").c_str(), 1);
    if (!WriteSettings(root, options)) {
        std::fprintf(stderr, "daemon_scan_bench: cannot set up %s\n", pattern);
        return 1;
    }
    const fs::path inbound = root / "connectors" / kConnector / "Inbound";
    std::vector<std::string> ids;
    for (int n = 1; n <= options.messages; ++n) {
        ids.push_back(MessageId(n));
        WriteText(inbound / "Messages" / ids.back(), GeneratedMessage(n, options.size));
        WriteText(inbound / ids.back(),
                  "Recipients=[SMTP:bob@example.com]\r\nSender=[SMTP:alice@example.net]\r\n");
    }
    WriteText(root / "clamdscan.conf", "LocalSocket " + options.clamd + "\n");

    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);
    InitializePlugin();
    double pluginSeconds[2];
    for (int c = 0; c < 2; ++c)
        pluginSeconds[c] = Timed(kCallerCounts[c], options.messages, [&](int i) {
            char report[kReportCapacity];
            (void)RunFilters(kConnector, ids[static_cast<size_t>(i)].c_str(), report,
                             sizeof report);
        });
    TeardownPlugin();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);

    std::printf("messages %d of %zu bytes, spamd %s, clamd %s\n", options.messages, options.size,
                options.spamd.c_str(), options.clamd.c_str());
    for (int c = 0; c < 2; ++c) {
        Print("plug-in, both libraries", kCallerCounts[c], options.messages, pluginSeconds[c]);
        // One shell per message runs both clients, as a script calling them would.
        const double direct = Timed(kCallerCounts[c], options.messages, [&](int i) {
            const std::string file = (inbound / "Messages" / ids[static_cast<size_t>(i)]).string();
            const std::string command = "spamc -U '" + options.spamd + "' -c < '" + file +
                                        "' > /dev/null; clamdscan --config-file='" +
                                        (root / "clamdscan.conf").string() +
                                        "' --stream --no-summary --quiet '" + file + "'";
            (void)std::system(command.c_str());
        });
        Print("spamc + clamdscan", kCallerCounts[c], options.messages, direct);
    }
    fs::remove_all(root);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!ParseOptions(argc, argv, &options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    return Run(options);
}
