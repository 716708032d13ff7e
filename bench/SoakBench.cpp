// bench/SoakBench.cpp: a long run of the whole filter path from several threads while the
// filters are reloaded again and again, for the sanitizer builds (bench/soak.sh). Every
// message must come out filtered exactly once; resident memory and open descriptors are
// reported after a warm-up and at the end, and descriptors must not have grown.
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
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "base/RegistryKeys.h"
#include "frame/FilterRun.h"
#include "frame/Lifecycle.h"
#include "platform/Registry.h"
#include "vbscript/ScriptEngine.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: soak_bench [--threads N] [--messages N] [--reload-ms N] [--warmup N] [--console]\n"
    "\n"
    "Builds a server tree in a temporary directory with a table filter and a script filter\n"
    "that marks every message with a header, then has N threads each filter --messages\n"
    "messages (default 8 x 20000) while another thread asks for a reload every\n"
    "--reload-ms milliseconds (default 100). Each message must carry the mark exactly once\n"
    "afterwards. Resident memory and open descriptors are printed after --warmup messages\n"
    "per thread (default a tenth) and at the end; the run fails if a message was not\n"
    "filtered exactly once or descriptors grew. --console (last) leaves the plug-in's\n"
    "console lines in the output.\n";

constexpr const char* kConnector = "SMTP";
constexpr const char* kMark = "X-Soak-Filtered: yes";

// Cycles, nested values, string building and a dictionary per message: what the script
// engine must free at the end of every run.
constexpr const char* kScript =
    "Dim d, a, s, i\r\n"
    "Set d = CreateObject(\"Scripting.Dictionary\")\r\n"
    "d.Add \"self\", d\r\n"
    "For i = 1 To 50 : a = Array(a, i) : Next\r\n"
    "s = \"\"\r\n"
    "For i = 1 To 20 : s = s & \"part\" & i : Next\r\n"
    "If CriteriaMet([QP_SUBJECT], \"soak\") And Len(s) > 100 Then\r\n"
    "    FilterResult = 1\r\n"
    "End If\r\n";

struct Options {
    int threads = 8;
    int messages = 20000;
    int reloadMs = 100;
    int warmup = -1;       // a tenth of the messages
    bool console = false;  // leave the plug-in's console lines on standard output
};

int ParseOptions(int argc, char** argv, Options* options) {
    if (argc > 1 && std::strcmp(argv[argc - 1], "--console") == 0) {
        options->console = true;
        --argc;
    }
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        char* end = nullptr;
        const long value = std::strtol(argv[i + 1], &end, 10);
        if (end == argv[i + 1] || *end != '\0' || value < 0 || value > 100000000) return 0;
        if (arg == "--threads" && value >= 1 && value <= 64)
            options->threads = static_cast<int>(value);
        else if (arg == "--messages" && value >= 1)
            options->messages = static_cast<int>(value);
        else if (arg == "--reload-ms" && value >= 1)
            options->reloadMs = static_cast<int>(value);
        else if (arg == "--warmup")
            options->warmup = static_cast<int>(value);
        else
            return 0;
    }
    return argc % 2 == 1;
}

void WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int SetRegistryValue(const char* key, const char* name, uint32_t type, const void* data,
                     uint32_t size) {
    platform::RegistryKey handle = nullptr;
    const int done = platform::RegistryCreateKey(key, &handle) == platform::kRegOk &&
                     platform::RegistrySetValue(handle, name, type, data, size) == platform::kRegOk;
    platform::RegistryCloseKey(handle);
    return done;
}

int SetRegistryDword(const char* key, const char* name, uint32_t value) {
    return SetRegistryValue(key, name, platform::kRegDword, &value, sizeof value);
}

int WriteServerTree(const fs::path& root) {
    const struct {
        const char* key;
        const char* name;
        const char* part;
    } settings[] = {
        {keys::kRoot, values::kMailRoot, "mail"},
        {keys::kRoot, values::kConfigurationDirectory, "config"},
        {keys::kRoot, values::kBadMailDirectory, "badmail"},
        {keys::kRoot, values::kQuarantineDirectory, "quarantine"},
        {keys::kRoot, values::kApplicationDirectory, "app"},
        {keys::kConnectors, values::kConnectorRootDirectory, "connectors"},
        {keys::kPlugin, values::kActivityLogDirectory, "logs"},
    };
    for (const auto& setting : settings) {
        fs::create_directories(root / setting.part);
        const std::string path = (root / setting.part).string();
        if (!SetRegistryValue(setting.key, setting.name, platform::kRegSz, path.c_str(),
                              static_cast<uint32_t>(path.size() + 1)))
            return 0;
    }
    fs::create_directories(root / "app64");
    fs::create_directories(root / "connectors" / kConnector / "Inbound" / "Messages");
    const fs::path filters = root / "config" / "FILTERS";
    WriteText(filters / "FILTER.TAB", "Words\t1\tT1\t\tWord filter\r\nScript\t1\tS1\t\tSoak\r\n");
    WriteText(filters / "CRITERIA" / "T1.TAB", "1\t\tzzqnever,qqznothing\t\t\t1\r\n");
    WriteText(filters / "ACTIONS" / "T1.TAB", "1\t\t\tDELETE\tnever matches\r\n");
    WriteText(filters / "CRITERIA" / "S1.MES", kScript);
    WriteText(filters / "ACTIONS" / "S1.TAB",
              std::string("1\t\t") + kMark + "\tADD_HEADER\tmark\r\n");
    return SetRegistryDword(keys::kPlugin, values::kAllowPatternCaching, 1);
}

struct Sample {
    long rssKb = 0;
    long descriptors = 0;
};

Sample TakeSample() {
    Sample sample;
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) == 2)
            sample.rssKb = resident * (sysconf(_SC_PAGESIZE) / 1024);
        std::fclose(statm);
    }
    std::error_code error;
    for (auto it = fs::directory_iterator("/proc/self/fd", error); !error && it != fs::end(it);
         it.increment(error))
        ++sample.descriptors;
    return sample;
}

size_t CountOf(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

struct Shared {
    fs::path inbound;
    std::atomic<long> done{0};
    std::atomic<long> wrong{0};
    std::atomic<bool> stop{false};
};

// Queues, filters, checks and removes this thread's messages one at a time.
void FilterMessages(Shared* shared, int thread, int count) {
    char report[2048];
    for (int n = 0; n < count; ++n) {
        char id[48];
        std::snprintf(id, sizeof id, "%08X%08X0000000000000000.MAI", thread, n);
        const fs::path message = shared->inbound / "Messages" / id;
        const fs::path envelope = shared->inbound / id;
        WriteText(message, "From: a@example.net\r\nTo: b@example.com\r\nSubject: Soak " +
                               std::to_string(n) + "\r\n\r\nbody line\r\n");
        WriteText(envelope,
                  "Recipients=[SMTP:b@example.com]\r\nSender=[SMTP:a@example.net]\r\n"
                  "ClientIP=192.0.2.10\r\nTimeAcquired=1700000000\r\n");
        (void)RunFilters(kConnector, id, report, sizeof report);
        if (CountOf(ReadText(message), kMark) != 1) {
            if (shared->wrong.fetch_add(1) < 5)
                std::fprintf(stderr, "soak_bench: %s was not filtered exactly once\n", id);
        }
        std::error_code error;
        fs::remove(message, error);
        fs::remove(envelope, error);
        shared->done.fetch_add(1);
    }
}

int Run(const Options& options) {
    char pattern[] = "/tmp/soak_bench.XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::fprintf(stderr, "soak_bench: cannot create a temporary directory in /tmp\n");
        return 1;
    }
    const fs::path root = pattern;
    setenv(platform::kRegistryPathVariable, (root / "registry.db").c_str(), 1);
    if (!WriteServerTree(root)) {
        std::fprintf(stderr, "soak_bench: cannot write the registry in %s\n", pattern);
        return 1;
    }
    Shared shared;
    shared.inbound = root / "connectors" / kConnector / "Inbound";
    const long total = static_cast<long>(options.threads) * options.messages;
    const long warmup = static_cast<long>(options.threads) *
                        (options.warmup >= 0 ? options.warmup : options.messages / 10);
    std::fprintf(stderr, "soak_bench: %d threads x %d messages in %s, reload every %d ms\n",
                 options.threads, options.messages, pattern, options.reloadMs);

    // The plug-in's console lines would drown the figures.
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    if (!options.console) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        close(null);
    }

    vbscript::RegisterVBScriptEngine();
    InitializePlugin();
    const auto start = std::chrono::steady_clock::now();
    long reloads = 0;
    std::thread reloader([&] {
        while (!shared.stop.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(options.reloadMs));
            if (SetRegistryDword(keys::kPlugin, values::kReload, 1)) ++reloads;
        }
    });
    std::vector<std::thread> workers;
    for (int t = 0; t < options.threads; ++t)
        workers.emplace_back(FilterMessages, &shared, t, options.messages);

    Sample warm;
    bool warmTaken = false;
    long lastReported = 0;
    while (shared.done.load() < total) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const long done = shared.done.load();
        if (!warmTaken && done >= warmup) {
            warm = TakeSample();
            warmTaken = true;
            std::fprintf(stderr, "soak_bench: after warm-up (%ld messages): RSS %ld KB, %ld fds\n",
                         done, warm.rssKb, warm.descriptors);
        }
        if (done - lastReported >= total / 10) {
            lastReported = done;
            std::fprintf(stderr, "soak_bench: %ld of %ld messages\n", done, total);
        }
    }
    for (std::thread& worker : workers) worker.join();
    shared.stop.store(true);
    reloader.join();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const Sample end = TakeSample();
    TeardownPlugin();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    if (!warmTaken) warm = end;

    std::printf("messages %ld in %.1f s (%.0f/s), reload requests %ld, not filtered once %ld\n",
                total, seconds, static_cast<double>(total) / seconds, reloads, shared.wrong.load());
    std::printf("RSS %ld KB after warm-up, %ld KB at the end (%+ld KB)\n", warm.rssKb, end.rssKb,
                end.rssKb - warm.rssKb);
    std::printf("descriptors %ld after warm-up, %ld at the end\n", warm.descriptors,
                end.descriptors);
    fs::remove_all(root);
    if (shared.wrong.load() != 0) {
        std::fprintf(stderr, "soak_bench: FAILED: messages not filtered exactly once\n");
        return 1;
    }
    // At the warm-up sample messages were in flight (their files open); at the end none are.
    if (end.descriptors > warm.descriptors) {
        std::fprintf(stderr,
                     "soak_bench: FAILED: descriptors grew; look for a file or handle "
                     "left open on some path\n");
        return 1;
    }
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
