// bench/ScanBench.cpp: messages and megabytes per second through the whole filter run,
// on a generated server tree whose filter count, pattern lists and messages are chosen.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/RegistryKeys.h"
#include "filters/CompiledLists.h"
#include "filters/WordLists.h"
#include "frame/FilterRun.h"
#include "frame/Lifecycle.h"
#include "frame/SystemFilterSet.h"
#include "platform/Registry.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: scan_bench [--filters N] [--words N] [--lists inline|file] [--cache 0|1]\n"
    "                  [--messages N] [--size BYTES] [--eml-dir DIR] [--words-dir DIR]\n"
    "                  [--rounds N] [--console] [--by-word] [--match-only]\n"
    "\n"
    "Builds a server tree in a temporary directory with N filters, each looking for its\n"
    "word list in subject and body, queues the messages and runs each through the filter\n"
    "run, then prints messages and megabytes per second. --eml-dir takes the messages\n"
    "from existing .eml files (CR LF), --words-dir the word lists from existing files.\n"
    "--console leaves the plug-in's console lines in the output (not for figures).\n"
    "--by-word walks every word list word by word instead of the compiled lists.\n"
    "--match-only times the BODY word lists alone over every line of the messages in\n"
    "memory (what a text search tool does), instead of whole filter runs.\n"
    "--rounds runs the queued messages N times over (for profiles; rates count each run).\n";

constexpr const char* kConnector = "SMTP";
constexpr size_t kReportCapacity = 2048;

struct Options {
    int filters = 10;
    int words = 100;
    bool fileLists = true;
    bool cache = true;
    int messages = 200;
    int rounds = 1;
    size_t size = 8192;
    std::string emlDir;
    std::string wordsDir;
    bool console = false;    // leave the plug-in's console lines on standard output
    bool byWord = false;     // the word-by-word walk instead of the compiled lists
    bool matchOnly = false;  // time the BODY lists over the lines in memory
};

int ParseCount(const char* text, long minimum, long* value) {
    char* end = nullptr;
    *value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && *value >= minimum;
}

// Returns 1 when every argument was understood.
int ParseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--console") {
            options->console = true;
            continue;
        }
        if (arg == "--by-word") {
            options->byWord = true;
            continue;
        }
        if (arg == "--match-only") {
            options->matchOnly = true;
            continue;
        }
        if (i + 1 >= argc) return 0;
        const char* value = argv[++i];
        long number = 0;
        if (arg == "--lists" &&
            (std::strcmp(value, "inline") == 0 || std::strcmp(value, "file") == 0))
            options->fileLists = std::strcmp(value, "file") == 0;
        else if (arg == "--eml-dir")
            options->emlDir = value;
        else if (arg == "--words-dir")
            options->wordsDir = value;
        else if (!ParseCount(value, 0, &number))
            return 0;
        else if (arg == "--filters" && number >= 1 && number <= 100)
            options->filters = static_cast<int>(number);
        else if (arg == "--words" && number >= 1)
            options->words = static_cast<int>(number);
        else if (arg == "--cache" && number <= 1)
            options->cache = number == 1;
        else if (arg == "--rounds" && number >= 1)
            options->rounds = static_cast<int>(number);
        else if (arg == "--messages" && number >= 1)
            options->messages = static_cast<int>(number);
        else if (arg == "--size" && number >= 1)
            options->size = static_cast<size_t>(number);
        else
            return 0;
    }
    return 1;
}

void WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

int SetRegistryValue(const char* key, const char* name, uint32_t type, const void* data,
                     uint32_t size) {
    platform::RegistryKey handle = nullptr;
    const int done = platform::RegistryCreateKey(key, &handle) == platform::kRegOk &&
                     platform::RegistrySetValue(handle, name, type, data, size) == platform::kRegOk;
    platform::RegistryCloseKey(handle);
    return done;
}

int SetRegistryText(const char* key, const char* name, const std::string& text) {
    return SetRegistryValue(key, name, platform::kRegSz, text.c_str(),
                            static_cast<uint32_t>(text.size() + 1));
}

int WriteSettings(const fs::path& root, bool cache) {
    struct Setting {
        const char* key;
        const char* name;
        const char* part;
    };
    const Setting settings[] = {
        {keys::kRoot, values::kMailRoot, "mail"},
        {keys::kRoot, values::kConfigurationDirectory, "config"},
        {keys::kRoot, values::kBadMailDirectory, "badmail"},
        {keys::kRoot, values::kQuarantineDirectory, "quarantine"},
        {keys::kRoot, values::kApplicationDirectory, "app"},
        {keys::kConnectors, values::kConnectorRootDirectory, "connectors"},
        {keys::kPlugin, values::kActivityLogDirectory, "logs"},
    };
    for (const Setting& setting : settings) {
        fs::create_directories(root / setting.part);
        if (!SetRegistryText(setting.key, setting.name, (root / setting.part).string())) return 0;
    }
    fs::create_directories(root / "app64");
    const uint32_t caching = cache ? 1 : 0;
    return SetRegistryValue(keys::kPlugin, values::kAllowPatternCaching, platform::kRegDword,
                            &caching, sizeof caching);
}

// Words no generated message contains, so that every filter reads its whole list.
std::vector<std::string> GeneratedWords(int filter, int count) {
    std::vector<std::string> words;
    for (int i = 0; i < count; ++i)
        words.push_back("zq" + std::to_string(filter) + "x" + std::to_string(i) + "word");
    return words;
}

std::vector<fs::path> FilesIn(const std::string& directory, const char* extension) {
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory))
        if (entry.is_regular_file() &&
            (extension == nullptr || entry.path().extension() == extension))
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The condition of filter `n`: the words inline, or a reference to its pattern file.
std::string Condition(const Options& options, const fs::path& patterns, int n,
                      const std::vector<fs::path>& wordFiles) {
    const std::string fileName = "list" + std::to_string(n) + ".txt";
    std::string list;
    if (!wordFiles.empty()) {
        list = ReadText(wordFiles[static_cast<size_t>(n - 1) % wordFiles.size()]);
    } else {
        for (const std::string& word : GeneratedWords(n, options.words)) list += word + "\r\n";
    }
    if (options.fileLists) {
        WriteText(patterns / fileName, list);
        return "<REFERENCE><FILE>" + fileName + "</FILE></REFERENCE>";
    }
    std::string inlineList;
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find_first_of("\r\n", start);
        if (end == std::string::npos) end = list.size();
        if (end > start)
            inlineList += (inlineList.empty() ? "" : ",") + list.substr(start, end - start);
        start = end + 1;
    }
    return inlineList;
}

// Filters 1..N, each looking in subject and body; their one action is disabled, so the
// messages stay as they are and the run measures the criteria.
void WriteFilters(const Options& options, const fs::path& root) {
    const fs::path filters = root / "config" / "FILTERS";
    std::vector<fs::path> wordFiles;
    if (!options.wordsDir.empty()) wordFiles = FilesIn(options.wordsDir, nullptr);
    std::string table;
    for (int n = 1; n <= options.filters; ++n) {
        const std::string id = "F" + std::to_string(n);
        table +=
            "Rule" + std::to_string(n) + "\t1\t" + id + "\t\tFilter " + std::to_string(n) + "\r\n";
        const std::string condition = Condition(options, filters / "PATTERNS", n, wordFiles);
        WriteText(filters / "CRITERIA" / (id + ".TAB"),
                  "1\t\t" + condition + "\t\t\t1\r\n1\t\t" + condition + "\t\t\t1\r\n");
        WriteText(filters / "ACTIONS" / (id + ".TAB"), "0\t\t\tDELETE\tmeasured only\r\n");
    }
    WriteText(filters / "FILTER.TAB", table);
}

std::string GeneratedMessage(int n, size_t size) {
    static const char* const kText[] = {"the",    "meeting",  "report",  "quarter", "budget",
                                        "review", "schedule", "project", "team",    "notes"};
    std::string message =
        "From: alice@example.net\r\nTo: bob@example.com\r\nSubject: "
        "Weekly report " +
        std::to_string(n) + "\r\nMessage-ID: <" + std::to_string(n) + "@example.net>\r\n\r\n";
    size_t column = 0;
    for (unsigned i = static_cast<unsigned>(n); message.size() < size;
         i = i * 1103515245u + 12345u) {
        const char* word = kText[(i >> 16) % 10];
        message += word;
        column += std::strlen(word) + 1;
        message += column > 70 ? "\r\n" : " ";
        if (column > 70) column = 0;
    }
    return message + "\r\n";
}

std::string MessageId(int n) {
    char id[40];
    std::snprintf(id, sizeof id, "%032X.MAI", n);
    return id;
}

// Queues the messages; returns their ids and adds up their bytes.
std::vector<std::string> QueueMessages(const Options& options, const fs::path& root,
                                       uintmax_t* bytes, std::vector<std::string>* texts) {
    const fs::path inbound = root / "connectors" / kConnector / "Inbound";
    const std::string envelope =
        "Recipients=[SMTP:bob@example.com]\r\nSender=[SMTP:alice@example.net]\r\n"
        "ClientIP=192.0.2.10\r\nTimeAcquired=1700000000\r\n";
    std::vector<fs::path> emls;
    if (!options.emlDir.empty()) emls = FilesIn(options.emlDir, ".eml");
    const int count = emls.empty() ? options.messages : static_cast<int>(emls.size());
    std::vector<std::string> ids;
    for (int n = 1; n <= count; ++n) {
        const std::string id = MessageId(n);
        const std::string message = emls.empty() ? GeneratedMessage(n, options.size)
                                                 : ReadText(emls[static_cast<size_t>(n - 1)]);
        WriteText(inbound / "Messages" / id, message);
        WriteText(inbound / id, envelope);
        *bytes += message.size();
        ids.push_back(id);
        if (options.matchOnly) texts->push_back(message);
    }
    return ids;
}

// Every line of every message (line end included, as the scanner reads them) against the
// BODY lists of the loaded filters; one set of evaluations serves the whole corpus.
void MatchLines(const std::vector<std::string>& texts) {
    const FilterSetRef set = CurrentSystemFilterSet();
    FilterEvaluationSet evaluations{};
    AllocateEvaluations(set.get(), &evaluations);
    std::string line;
    for (const std::string& text : texts) {
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            end = end == std::string::npos ? text.size() : end + 1;
            line.assign(text, start, std::min<size_t>(end - start, 2047));
            (void)EvaluateWordListCriterion(kBody, line.c_str(), " \r'\"\n", set.get(),
                                            &evaluations);
            start = end;
        }
    }
    ReleaseEvaluations(set.get(), &evaluations);
}

// Standard output (the plug-in's console lines) goes to /dev/null while measuring.
int SilenceStdout() {
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
        dup2(null, STDOUT_FILENO);
        close(null);
    }
    return saved;
}

void RestoreStdout(int saved) {
    std::fflush(stdout);
    if (saved < 0) return;
    dup2(saved, STDOUT_FILENO);
    close(saved);
}

int Run(const Options& options) {
    char pattern[] = "/tmp/scan_bench.XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::fprintf(stderr, "scan_bench: cannot create a temporary directory\n");
        return 1;
    }
    const fs::path root = pattern;
    setenv(platform::kRegistryPathVariable, (root / "registry.db").c_str(), 1);
    if (!WriteSettings(root, options.cache)) {
        std::fprintf(stderr, "scan_bench: cannot write the registry in %s\n", pattern);
        return 1;
    }
    std::fprintf(stderr, "scan_bench: writing %d filters to %s\n", options.filters, pattern);
    WriteFilters(options, root);
    uintmax_t bytes = 0;
    std::vector<std::string> texts;
    const std::vector<std::string> ids = QueueMessages(options, root, &bytes, &texts);
    std::fprintf(stderr, "scan_bench: queued %zu messages, %ju bytes; scanning\n", ids.size(),
                 bytes);

    const int saved = options.console ? -1 : SilenceStdout();
    UseCompiledLists(!options.byWord);
    const auto loadStart = std::chrono::steady_clock::now();
    const std::clock_t loadCpuStart = std::clock();
    InitializePlugin();  // loads the filters, caches and compiles their lists
    const double loadSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - loadStart).count();
    const double loadCpuSeconds = static_cast<double>(std::clock() - loadCpuStart) / CLOCKS_PER_SEC;
    char report[kReportCapacity];
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    for (int round = 0; round < options.rounds; ++round) {
        if (options.matchOnly) {
            MatchLines(texts);
        } else {
            for (const std::string& id : ids)
                (void)RunFilters(kConnector, id.c_str(), report, sizeof report);
        }
    }
    const double runs = static_cast<double>(ids.size()) * options.rounds;
    bytes *= static_cast<uintmax_t>(options.rounds);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    TeardownPlugin();
    RestoreStdout(saved);

    std::printf("filters %d, words %d, lists %s, cache %d, messages %zu, bytes %ju%s%s\n",
                options.filters, options.words, options.fileLists ? "file" : "inline",
                options.cache ? 1 : 0, ids.size(), bytes, options.byWord ? ", word by word" : "",
                options.matchOnly ? ", BODY lists only" : "");
    std::printf("load %.3f s, processor %.3f s\n", loadSeconds, loadCpuSeconds);
    std::printf("%.3f s, %.2f messages/s, %.4f MB/s\n", seconds, runs / seconds,
                static_cast<double>(bytes) / 1e6 / seconds);
    // On a busy machine the processor time is the steadier measure of one core's rate.
    std::printf("cpu %.3f s, %.2f messages/s, %.4f MB/s\n", cpuSeconds, runs / cpuSeconds,
                static_cast<double>(bytes) / 1e6 / cpuSeconds);
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
