// bench/DaemonScanBench.cpp: what the spamd and clamd clients cost on top of the daemons'
// own work. The same messages go to the same daemons four ways, with 1 and 8 concurrent
// callers:
//   raw protocol       bench/RawDaemonClients.cpp: CHECK and INSTREAM from memory, nothing
//                      else; the baseline, as close to the daemons' own time as a client gets
//   libraries direct   QP_Execute of QPFLTMSA and ProviderExecute of QPAVGEN, without the
//                      plug-in: the libraries' settings reads, file reads and parsing
//   plug-in            the whole filter run with a SPAMASSASSIN and a HASVIRUS filter
//   spamc + clamdscan  the daemons' own clients as processes, the peers' way
// The overhead of each is (its time - raw time) / raw time. The ways take turns block by
// block, and the overhead is the median over the blocks, so that the load of a shared
// machine falls on all of them alike; given the daemons' process ids, the clients' CPU
// time is also set against the daemons' own, a figure that load does not inflate.
//
// The daemons are not started here: bench/run-daemon-bench.sh starts private ones.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/RegistryKeys.h"
#include "bench/RawDaemonClients.h"
#include "common/RegistryAccess.h"
#include "frame/FilterRun.h"
#include "frame/Lifecycle.h"
#include "platform/Registry.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: daemon_scan_bench --spamd SOCKET --clamd SOCKET [--messages N] [--size BYTES]\n"
    "                         [--rounds R] [--block B] [--limit PERCENT] [--only WAY]\n"
    "                         [--daemon-pid PID]...\n"
    "\n"
    "Queues N generated messages (every tenth spam, every tenth other one carrying the\n"
    "test signature of run-daemon-bench.sh) and asks the daemons about each of them four\n"
    "ways, with 1 and 8 concurrent callers: a raw protocol client (the baseline), the\n"
    "QPFLTMSA and QPAVGEN libraries called directly, the whole filter run with both\n"
    "libraries, and spamc + clamdscan as processes. Each of R rounds (3) goes through the\n"
    "messages in blocks of B (25), every way asked about each block in turn. Prints the\n"
    "time per message (median of the rounds) and each way's overhead over the raw client\n"
    "(median of the blocks), then PASS when the plug-in's overhead stays under PERCENT\n"
    "(10) with both caller counts, else FAIL (exit 1). With the daemons' process ids, also\n"
    "their CPU time per message and the clients' added CPU time as a share of it, a\n"
    "figure the machine's load does not inflate.\n"
    "SOCKET is a daemon's unix socket path. Progress goes to standard error. --only runs\n"
    "one way alone (raw, libraries, plug-in or peers), to profile it; no verdict then.\n";

constexpr const char* kConnector = "SMTP";
constexpr const char* kSpamPhrase = "QUILL-POST-TEST-SPAM-PHRASE";
constexpr const char* kVirusBytes = "QUILL-POST-TEST-VIRUS-SIGNATURE-7F3A";
constexpr const char* kVirusName = "MTAFILTER.Test.Signature";
constexpr const char* kSpamAssassinKey =
    "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Agents\\MTA\\Filters\\MTAFILTER\\SpamAssassin";
constexpr const char* kClamavKey =
    "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Agents\\MTA\\Filters\\MTAFILTER\\ClamAV";
constexpr size_t kReportCapacity = 2048;
constexpr int kCallerCounts[] = {1, 8};
constexpr int kCallerCases = 2;

using QpEntry = int32_t (*)(const char*, int32_t, char*, int32_t*);
using ProviderExecuteEntry = int32_t (*)(const char*, const char*, const char*, char*);

struct Options {
    std::string spamd;
    std::string clamd;
    int messages = 200;
    size_t size = 4096;
    int rounds = 3;
    int block = 25;
    double limitPercent = 10.0;
    std::string only;                  // one way's short name, or all of them
    std::vector<int> daemonProcesses;  // whose CPU time (with their children's) is the daemons'
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
        else if (arg == "--block" && std::atoi(value) > 0)
            options->block = std::atoi(value);
        else if (arg == "--rounds" && std::atoi(value) > 0)
            options->rounds = std::atoi(value);
        else if (arg == "--limit" && std::atof(value) > 0)
            options->limitPercent = std::atof(value);
        else if (arg == "--only")
            options->only = value;
        else if (arg == "--daemon-pid" && std::atoi(value) > 0)
            options->daemonProcesses.push_back(std::atoi(value));
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
               SetText(kSpamAssassinKey, "Server", options.spamd) &&
               SetText(kClamavKey, "Socket", options.clamd);
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

bool IsSpam(int n) {
    return n % 10 == 3;
}
bool IsVirus(int n) {
    return n % 10 == 7;
}

std::string GeneratedMessage(int n, size_t size) {
    std::string message = "From: alice@example.net\r\nTo: bob@example.com\r\nSubject: Report " +
                          std::to_string(n) + "\r\nMessage-ID: <" + std::to_string(n) +
                          "@example.net>\r\n\r\n";
    if (IsSpam(n)) message += std::string(kSpamPhrase) + "\r\n";
    if (IsVirus(n)) message += std::string(kVirusBytes) + "\r\n";
    while (message.size() < size) message += "the quarterly review of the project schedule\r\n";
    return message;
}

std::string MessageId(int n) {
    char id[40];
    std::snprintf(id, sizeof id, "%032X.MAI", n);
    return id;
}

// The queued messages, each also in memory for the raw client.
struct Queue {
    std::vector<std::string> ids;
    std::vector<std::string> paths;
    std::vector<std::string> commands;  // QP_Execute's command for the message
    std::vector<std::string> bytes;
};

Queue QueueMessages(const fs::path& root, const Options& options) {
    Queue queue;
    const fs::path inbound = root / "connectors" / kConnector / "Inbound";
    for (int n = 1; n <= options.messages; ++n) {
        queue.ids.push_back(MessageId(n));
        queue.bytes.push_back(GeneratedMessage(n, options.size));
        const fs::path file = inbound / "Messages" / queue.ids.back();
        const fs::path envelope = inbound / queue.ids.back();
        WriteText(file, queue.bytes.back());
        WriteText(envelope,
                  "Recipients=[SMTP:bob@example.com]\r\nSender=[SMTP:alice@example.net]\r\n");
        queue.paths.push_back(file.string());
        queue.commands.push_back("<FILENAME>" + file.string() + "</FILENAME><CMDFILE>" +
                                 envelope.string() + "</CMDFILE>");
    }
    return queue;
}

// One way of asking the daemons about message i; false when no verdict came back or it
// was the wrong one (a bench of failures would measure nothing).
struct Way {
    const char* name;
    const char* shortName;  // for --only
    std::function<bool(int)> ask;
    bool spawnsProcesses;
};

std::vector<Way> Ways(const Options& options, const fs::path& root, const Queue& queue) {
    void* spamLibrary = dlopen((root / "app64" / "QPFLTMSA.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    void* virusLibrary = dlopen((root / "app64" / "QPAVGEN.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    const auto qpExecute =
        spamLibrary ? reinterpret_cast<QpEntry>(dlsym(spamLibrary, "QP_Execute")) : nullptr;
    const auto providerExecute =
        virusLibrary
            ? reinterpret_cast<ProviderExecuteEntry>(dlsym(virusLibrary, "ProviderExecute"))
            : nullptr;
    if (qpExecute == nullptr || providerExecute == nullptr) {
        std::fprintf(stderr, "daemon_scan_bench: cannot load the libraries: %s\n", dlerror());
        std::exit(1);
    }
    const std::string clamdscanConfig = (root / "clamdscan.conf").string();
    WriteText(clamdscanConfig, "LocalSocket " + options.clamd + "\n");
    return {
        {"raw protocol", "raw",
         [&options, &queue](int i) {
             const std::string spam = raw_daemon::SpamdCheck(options.spamd, queue.bytes[i]);
             const std::string virus = raw_daemon::ClamdInstream(options.clamd, queue.bytes[i]);
             return spam.find(IsSpam(i + 1) ? "Spam: True" : "Spam: False") != std::string::npos &&
                    (virus.find(kVirusName) != std::string::npos) == IsVirus(i + 1);
         },
         false},
        {"libraries direct", "libraries",
         [&queue, qpExecute, providerExecute](int i) {
             const std::string& command = queue.commands[i];
             char result[1024];
             int32_t length = 0;
             const bool checked =
                 qpExecute(command.c_str(), static_cast<int32_t>(command.size()), result,
                           &length) == 1 &&
                 std::strncmp(result, IsSpam(i + 1) ? "<PASS>0" : "<PASS>1", 7) == 0;
             return checked && providerExecute("MTAFILTER", queue.ids[i].c_str(), kConnector,
                                               result) == (IsVirus(i + 1) ? 1 : 0);
         },
         false},
        {"plug-in", "plug-in",
         [&queue](int i) {
             char report[kReportCapacity];
             (void)RunFilters(kConnector, queue.ids[i].c_str(), report, sizeof report);
             return true;  // judged by the libraries' error counters afterwards
         },
         false},
        {"spamc + clamdscan", "peers",
         [&options, &queue, clamdscanConfig](int i) {
             const std::string& file = queue.paths[i];
             // One shell per message runs both clients, as a script calling them would.
             const std::string command = "spamc -U '" + options.spamd + "' -c < '" + file +
                                         "' > /dev/null; clamdscan --config-file='" +
                                         clamdscanConfig + "' --stream --no-summary --quiet '" +
                                         file + "'";
             const int status = std::system(command.c_str());
             // clamdscan exits 1 on a find, 0 when clean.
             return WIFEXITED(status) && WEXITSTATUS(status) == (IsVirus(i + 1) ? 1 : 0);
         },
         true},
    };
}

double CpuSeconds(bool children) {
    rusage usage{};
    getrusage(children ? RUSAGE_CHILDREN : RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// CPU seconds of process `pid` and of its descendants now running (spamd's children).
double ProcessTreeCpuSeconds(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t afterName = text.rfind(')');  // the name may hold blanks
    if (afterName == std::string::npos) return 0;
    std::stringstream fields(text.substr(afterName + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i >= 14) ticks += std::atof(field.c_str());  // utime, stime
    double seconds = ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
    std::ifstream children("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) +
                           "/children");
    for (int child; children >> child;) seconds += ProcessTreeCpuSeconds(child);
    return seconds;
}

double DaemonCpuSeconds(const Options& options) {
    double seconds = 0;
    for (int pid : options.daemonProcesses) seconds += ProcessTreeCpuSeconds(pid);
    return seconds;
}

struct Sample {
    double wallSeconds = 0;
    double cpuSeconds = 0;  // this process's, or for the peers their processes'
    double daemonCpuSeconds = 0;
    int failed = 0;
};

// Runs `way` over messages first..first+count-1 on `callers` threads.
Sample Measure(const Options& options, const Way& way, int callers, int first, int count) {
    std::atomic<int> next{first};
    std::atomic<int> failed{0};
    const double cpuBefore = CpuSeconds(way.spawnsProcesses);
    const double daemonCpuBefore = DaemonCpuSeconds(options);
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (int t = 0; t < callers; ++t)
        threads.emplace_back([&] {
            for (int i = next++; i < first + count; i = next++)
                if (!way.ask(i)) ++failed;
        });
    for (std::thread& thread : threads) thread.join();
    Sample sample;
    sample.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    sample.cpuSeconds = CpuSeconds(way.spawnsProcesses) - cpuBefore;
    sample.daemonCpuSeconds = DaemonCpuSeconds(options) - daemonCpuBefore;
    sample.failed = failed;
    return sample;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string LoadAverage() {
    std::ifstream file("/proc/loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

uint32_t ErrorCount(const char* key) {
    uint32_t count = 0;
    return ReadRegistryDword(key, "Scan Errors", &count) ? count : 0;
}

// One block of messages asked every way, one way after the other.
struct Block {
    int round;
    std::vector<Sample> byWay;
};

// blocks[caller case]: every block of every round.
using Blocks = std::vector<std::vector<Block>>;

// Runs the rounds: each round goes through the messages block by block, and each block
// is asked every way in turn (the order turning from block to block), so that a change
// in the machine's load between two blocks falls on all ways alike.
Blocks MeasureAll(const Options& options, const std::vector<Way>& ways) {
    Blocks blocks(kCallerCases);
    for (int round = 0; round < options.rounds; ++round)
        for (int c = 0; c < kCallerCases; ++c) {
            std::fprintf(stderr, "round %d/%d, %d caller(s)\n", round + 1, options.rounds,
                         kCallerCounts[c]);
            for (int first = 0; first < options.messages; first += options.block) {
                const int count = std::min(options.block, options.messages - first);
                Block block{round, std::vector<Sample>(ways.size())};
                for (size_t k = 0; k < ways.size(); ++k) {
                    const size_t w = (k + blocks[c].size() + round) % ways.size();
                    block.byWay[w] = Measure(options, ways[w], kCallerCounts[c], first, count);
                }
                blocks[c].push_back(block);
            }
        }
    return blocks;
}

// Per message over a whole round, median over the rounds: wall and CPU milliseconds.
double RoundMedian(const Options& options, const std::vector<Block>& blocks, size_t way,
                   double Sample::*field) {
    std::vector<double> perRound(static_cast<size_t>(options.rounds), 0.0);
    for (const Block& block : blocks)
        perRound[static_cast<size_t>(block.round)] += block.byWay[way].*field;
    for (double& total : perRound) total = total * 1000 / options.messages;
    return Median(perRound);
}

// Prints "PASS" or "FAIL" for the plug-in's `figure` with 1 and 8 callers; true on PASS.
bool Verdict(const char* figure, const double (&percent)[kCallerCases], const Options& options,
             int failures) {
    const bool pass =
        failures == 0 && percent[0] < options.limitPercent && percent[1] < options.limitPercent;
    std::printf("%s: plug-in %s %+.1f%% (1 caller), %+.1f%% (8 callers), limit %.0f%%%s\n",
                pass ? "PASS" : "FAIL", figure, percent[0], percent[1], options.limitPercent,
                failures == 0 ? "" : "; some messages got no verdict, see \"failed\"");
    return pass;
}

// Prints the table and the verdicts; 1 when the plug-in's overhead is within the limit.
int Report(const Options& options, const std::vector<Way>& ways, const Blocks& blocks,
           const std::string& loadBefore) {
    std::printf(
        "%d messages of %zu bytes in blocks of %d, %d rounds; load average %s before, %s "
        "after\n",
        options.messages, options.size, options.block, options.rounds, loadBefore.c_str(),
        LoadAverage().c_str());
    std::printf("%-7s  %-17s  %6s  %6s  %8s  %8s  %6s  %8s  %8s\n", "callers", "client", "ms/msg",
                "msg/s", "overhead", "CPU ms", "failed", "daemons", "added");
    double wallOverhead[kCallerCases] = {};
    double cpuOverhead[kCallerCases] = {};
    int failures = 0;
    for (int c = 0; c < kCallerCases; ++c) {
        const double rawCpu = RoundMedian(options, blocks[c], 0, &Sample::cpuSeconds);
        const double daemonCpu = RoundMedian(options, blocks[c], 0, &Sample::daemonCpuSeconds);
        for (size_t w = 0; w < ways.size(); ++w) {
            std::vector<double> overheads;
            int failed = 0;
            for (const Block& block : blocks[c]) {
                const double raw = block.byWay[0].wallSeconds;
                overheads.push_back((block.byWay[w].wallSeconds - raw) / raw * 100);
                failed += block.byWay[w].failed;
            }
            failures += failed;
            const double ms = RoundMedian(options, blocks[c], w, &Sample::wallSeconds);
            const double cpu = RoundMedian(options, blocks[c], w, &Sample::cpuSeconds);
            const double added = daemonCpu > 0 ? (cpu - rawCpu) / daemonCpu * 100 : 0;
            if (std::strcmp(ways[w].shortName, "plug-in") == 0) {
                wallOverhead[c] = Median(overheads);
                cpuOverhead[c] = added;
            }
            char overhead[16] = "(base)";
            char addedText[16] = "(base)";
            if (w != 0) {
                std::snprintf(overhead, sizeof overhead, "%+.1f%%", Median(overheads));
                std::snprintf(addedText, sizeof addedText, "%+.1f%%", added);
            }
            std::printf("%-7d  %-17s  %6.2f  %6.1f  %8s  %8.3f  %6d  %8.3f  %8s\n",
                        kCallerCounts[c], ways[w].name, ms, 1000 / ms, overhead, cpu, failed,
                        RoundMedian(options, blocks[c], w, &Sample::daemonCpuSeconds),
                        daemonCpu > 0 ? addedText : "-");
        }
    }
    std::printf(
        "ms/msg: wall time per message, median of the rounds (with 8 callers, 1 / throughput)\n"
        "overhead: (time - raw time) / raw time of the same block, median of the blocks\n"
        "CPU ms: this process's CPU time per message (the peers: their processes')\n"
        "daemons: the daemons' CPU time per message; added: (CPU ms - raw CPU ms) / the\n"
        "daemons' CPU ms with the raw client, the clients' own cost whatever the load\n");
    const bool wallPass =
        Verdict("overhead over the raw daemon time", wallOverhead, options, failures);
    if (!options.daemonProcesses.empty())
        (void)Verdict("CPU time added to the daemons'", cpuOverhead, options, failures);
    return wallPass ? 1 : 0;
}

// --only: one way alone with 1 caller, round after round, for a profiler's eyes.
int Profile(const Options& options, const std::vector<Way>& ways, int savedStdout) {
    for (const Way& way : ways) {
        if (options.only != way.shortName) continue;
        for (int round = 0; round < options.rounds; ++round) {
            const Sample sample = Measure(options, way, 1, 0, options.messages);
            dprintf(savedStdout, "%s: %.2f ms/msg, client CPU %.3f ms/msg, %d failed\n", way.name,
                    sample.wallSeconds * 1000 / options.messages,
                    sample.cpuSeconds * 1000 / options.messages, sample.failed);
        }
        TeardownPlugin();
        return 0;
    }
    dprintf(savedStdout, "daemon_scan_bench: --only takes raw, libraries, plug-in or peers\n");
    return 2;
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
    const Queue queue = QueueMessages(root, options);
    const std::string loadBefore = LoadAverage();

    // The plug-in writes its console lines to standard output; the table comes after.
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);
    InitializePlugin();
    const std::vector<Way> ways = Ways(options, root, queue);
    if (!options.only.empty()) return Profile(options, ways, saved);
    // Every way once over a few messages: spamd's children and the plug-in's first load.
    for (const Way& way : ways) (void)Measure(options, way, 8, 0, std::min(options.messages, 16));
    const uint32_t errorsBefore = ErrorCount(kSpamAssassinKey) + ErrorCount(kClamavKey);
    const Blocks blocks = MeasureAll(options, ways);
    const uint32_t libraryErrors =
        ErrorCount(kSpamAssassinKey) + ErrorCount(kClamavKey) - errorsBefore;
    TeardownPlugin();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);

    std::printf("spamd %s, clamd %s\n", options.spamd.c_str(), options.clamd.c_str());
    if (libraryErrors != 0)
        std::printf("the libraries counted %u scan errors: see their \"Last Error\"\n",
                    libraryErrors);
    const int pass = Report(options, ways, blocks, loadBefore) && libraryErrors == 0;
    fs::remove_all(root);
    return pass ? 0 : 1;
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
