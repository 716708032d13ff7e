// tests/tools/DemoCommandTest.cpp: "mtafilter demo" end to end with the built command and
// plug-in, and the sample server tree it builds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/RegistryKeys.h"
#include "common/RegistryAccess.h"
#include "platform/Registry.h"
#include "tests/fixtures/ScopedEnvironment.h"
#include "tests/fixtures/TempTree.h"
#include "tests/scanners/daemons/PrivateDaemons.h"
#include "tools/ServerTree.h"

namespace {

namespace fs = std::filesystem;
using testing_support::RunCommand;
using testing_support::TempTree;

constexpr const char* kQueue = "connectors/SMTP/Inbound";

// Runs the demo into `directory` with its own registry, unless `arguments` names one;
// standard error is merged into *output. Returns the exit status.
int RunDemo(const std::string& directory, const std::string& arguments, std::string* output) {
    return RunCommand("env -u QP_REGISTRY " + std::string(MTAFILTER_TOOL) + " demo '" + directory +
                          "' " + arguments,
                      output, true);
}

std::vector<fs::path> FilesIn(const std::string& directory) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(directory))
        if (entry.is_regular_file()) files.push_back(entry.path());
    return files;
}

bool AllLinesEndInCrLf(const std::string& text) {
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        if (at == 0 || text[at - 1] != '\r') return false;
    return true;
}

// The number after `"name": ` in a JSON text, or -1.
long JsonNumber(const std::string& json, const std::string& name) {
    size_t at = json.find("\"" + name + "\": ");
    return at == std::string::npos ? -1
                                   : std::strtol(json.c_str() + at + name.size() + 4, nullptr, 10);
}

// The columns of the report log's Executed lines.
std::vector<std::vector<std::string>> ExecutedLines(const TempTree& tree) {
    std::vector<std::vector<std::string>> lines;
    for (const fs::path& log : FilesIn(tree.Join("demo/logs"))) {
        std::string text = tree.ReadFile(fs::relative(log, tree.Path()).string());
        size_t start = 0;
        for (size_t end = text.find('\n'); end != std::string::npos;
             start = end + 1, end = text.find('\n', start)) {
            std::vector<std::string> columns;
            std::string line = text.substr(start, end - start);
            for (size_t at = 0, tab = 0; tab != std::string::npos; at = tab + 1)
                columns.push_back(line.substr(at, (tab = line.find('\t', at)) - at));
            if (columns.size() > 5 && columns[1] == "Executed") lines.push_back(columns);
        }
    }
    return lines;
}

bool AnyFileHolds(const std::string& directory, const std::string& text) {
    for (const auto& entry : fs::recursive_directory_iterator(directory)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream file(entry.path(), std::ios::binary);
        std::string content((std::istreambuf_iterator<char>(file)), {});
        if (content.find(text) != std::string::npos) return true;
    }
    return false;
}

class DemoRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tree = new TempTree;
        std::string output;
        ASSERT_EQ(RunDemo(tree->Join("demo"), "", &output), 0) << output;
        printed = new std::string(output);
        summary = new std::string(output.substr(output.rfind("\nSummary\n")));
    }
    static void TearDownTestSuite() {
        delete tree;
        delete printed;
        delete summary;
    }
    static TempTree* tree;
    static std::string* printed;
    static std::string* summary;
};

TempTree* DemoRun::tree = nullptr;
std::string* DemoRun::printed = nullptr;
std::string* DemoRun::summary = nullptr;

TEST_F(DemoRun, EverySampleFilterFires) {
    std::vector<std::vector<std::string>> executed = ExecutedLines(*tree);
    for (const SampleFilter& filter : kSampleFilters)
        EXPECT_TRUE(std::any_of(executed.begin(), executed.end(), [&](const auto& columns) {
            return columns[4] == filter.displayName;
        })) << filter.displayName;
    EXPECT_NE(summary->find("filters matched     " + std::to_string(executed.size()) + "\n"),
              std::string::npos)
        << *summary;
}

TEST_F(DemoRun, TheFiltersChangeTheMessages) {
    const std::string inbound = tree->Join("demo/" + std::string(kQueue) + "/Messages");
    EXPECT_TRUE(AnyFileHolds(tree->Join("demo/quarantine"), "filename=\"label.exe\""));
    EXPECT_TRUE(AnyFileHolds(inbound, "Subject: [SPAM] "));
    EXPECT_TRUE(AnyFileHolds(inbound, "X-Spam-Flag: YES\r\n"));
    EXPECT_TRUE(AnyFileHolds(inbound, "X-Large-Message: YES\r\n"));
    // The program is held in quarantine, gone from the queue, and the postmaster (not the
    // usually forged sender) hears of it in a complete message.
    EXPECT_FALSE(AnyFileHolds(inbound, "filename=\"label.exe\""));
    EXPECT_TRUE(AnyFileHolds(inbound,
                             "Subject: Held in quarantine: Program attachments\r\n"
                             "Date: "));
    EXPECT_TRUE(AnyFileHolds(inbound, "\r\nMessage-ID: <"));
    EXPECT_TRUE(AnyFileHolds(tree->Join("demo/" + std::string(kQueue)),
                             "Recipients=[SMTP:postmaster@example.com]\r\n"));
    EXPECT_TRUE(AnyFileHolds(tree->Join("demo/connectors/LS/Outgoing/Messages"),
                             "This message is confidential"));
    // The build notice's subject has a spam word, but its filter stops processing first.
    EXPECT_TRUE(AnyFileHolds(inbound, "Subject: [dev-list] Build"));
    EXPECT_FALSE(AnyFileHolds(inbound, "Subject: [SPAM] [dev-list]"));
}

TEST_F(DemoRun, TheOutputShowsTheTreeTheReportLogAndWhereEverythingIs) {
    for (const char* part : {"messages processed  ", "actions carried out ", "quarantine ",
                             "notifications       1 in ", "report log "})
        EXPECT_NE(summary->find(part), std::string::npos) << part << "\n" << *summary;
    EXPECT_NE(summary->find(tree->Join("demo/quarantine")), std::string::npos) << *summary;
    const std::string directory = tree->Join("demo");
    EXPECT_NE(printed->find("Demo server tree: " + directory + "\n"), std::string::npos);
    EXPECT_NE(printed->find("Report log " + directory + "/logs/MTAFILTER-Report-"),
              std::string::npos);
    // The report file is closed when the plug-in is unloaded, so the End line is there too.
    const size_t start = printed->find("\tStart\t");
    ASSERT_NE(start, std::string::npos) << *printed;
    EXPECT_NE(printed->find("\tEnd\t", start), std::string::npos) << *printed;
}

TEST(DemoCommand, RefusesANonEmptyDirectoryItDidNotBuild) {
    TempTree tree;
    tree.WriteFile("mine/notes.txt", "keep me");
    std::string output;
    EXPECT_EQ(RunDemo(tree.Join("mine"), "", &output), 1);
    EXPECT_NE(output.find(tree.Join("mine") + " is not empty"), std::string::npos) << output;
    EXPECT_EQ(tree.ReadFile("mine/notes.txt"), "keep me");
}

TEST(DemoCommand, RebuildsAPreviousDemoTree) {
    TempTree tree;
    std::string output;
    ASSERT_EQ(RunDemo(tree.Join("demo"), "", &output), 0) << output;
    tree.WriteFile("demo/stray.txt", "left over");
    ASSERT_EQ(RunDemo(tree.Join("demo"), "", &output), 0) << output;
    EXPECT_FALSE(tree.Exists("demo/stray.txt"));
    EXPECT_TRUE(tree.Exists("demo/registry.db"));
}

TEST(DemoCommand, RefusesARegistryThatServesAnotherServer) {
    TempTree tree;
    testing_support::ScopedRegistry registry(tree);
    registry.SetString(keys::kRoot, values::kMailRoot, "/srv/mail");
    std::string output;
    EXPECT_EQ(RunDemo(tree.Join("demo"), "--registry '" + registry.Path() + "'", &output), 1);
    EXPECT_NE(output.find("/srv/mail"), std::string::npos) << output;
    platform::RegistryKey key = nullptr;
    EXPECT_EQ(platform::RegistryOpenKey(keys::kConnectors, &key), platform::kRegNotFound);
    platform::RegistryCloseKey(key);
}

constexpr const char* kHostCharacters =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-";

// Every maximal run of `characters` in `text` that comes right after `lead`.
std::vector<std::string> Runs(const std::string& text, const std::string& lead,
                              const char* characters) {
    std::vector<std::string> runs;
    for (size_t at = text.find_first_of(characters); at != std::string::npos;
         at = text.find_first_of(characters, at)) {
        size_t end = std::min(text.find_first_not_of(characters, at), text.size());
        if (at >= lead.size() && text.compare(at - lead.size(), lead.size(), lead) == 0)
            runs.push_back(text.substr(at, end - at));
        at = end;
    }
    return runs;
}

bool IsReservedDomain(const std::string& domain) {
    for (const std::string suffix : {"example.com", "example.net", "example.org"})
        if (domain == suffix || (domain.size() > suffix.size() && domain.ends_with("." + suffix)))
            return true;
    return false;
}

bool IsDottedQuad(const std::string& number) {
    return std::count(number.begin(), number.end(), '.') == 3 && number.front() != '.' &&
           number.back() != '.' && number.find("..") == std::string::npos;
}

bool IsDocumentationAddress(const std::string& address) {
    for (const char* range : {"192.0.2.", "198.51.100.", "203.0.113."})
        if (address.starts_with(range)) return true;
    return false;
}

class SampleTree : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_GT(BuildServerTree(tree.Path(), &error), 0) << error;
        for (const char* part : {"", "/Messages"})
            for (const fs::path& file : FilesIn(tree.Join(std::string(kQueue) + part)))
                files.push_back(tree.ReadFile(fs::relative(file, tree.Path()).string()));
    }

    TempTree tree;
    testing_support::ScopedRegistry registry{tree};
    std::vector<std::string> files;  // every envelope and message file
};

TEST_F(SampleTree, UsesOnlyReservedDomainsAndDocumentationAddresses) {
    for (const std::string& text : files) {
        for (const char* lead : {"@", "://"})
            for (const std::string& domain : Runs(text, lead, kHostCharacters))
                EXPECT_TRUE(IsReservedDomain(domain)) << lead << domain;
        for (const std::string& number : Runs(text, "", "0123456789."))
            EXPECT_TRUE(!IsDottedQuad(number) || IsDocumentationAddress(number)) << number;
    }
}

TEST_F(SampleTree, QueuesCrLfFilesWithAnAttachmentAndALargeMessage) {
    bool attachment = false;
    size_t largest = 0;
    for (const std::string& text : files) {
        EXPECT_TRUE(AllLinesEndInCrLf(text)) << text.substr(0, 200);
        attachment |= text.find("Content-Disposition: attachment") != std::string::npos;
        largest = std::max(largest, text.size());
    }
    EXPECT_TRUE(attachment);
    EXPECT_GE(largest, 100u * 1024);
}

}  // namespace

namespace {

// With daemons asked for but not answering, the demo is the plain one: no scanner
// library, switch, filter or sample message, and the administrator is told why. The
// plain demo builds the tree and runs every queued message.
TEST(DemoCommand, ScannersWhoseDaemonsDoNotAnswerStayOff) {
    TempTree tree;
    std::string plain, scanned;
    ASSERT_EQ(RunDemo(tree.Join("plain"), "--json", &plain), 0) << plain;
    ASSERT_EQ(
        RunDemo(tree.Join("scanned"),
                "--json --spamd " + tree.Join("spamd.sock") + " --clamd 127.0.0.1:1", &scanned),
        0)
        << scanned;
    EXPECT_NE(scanned.find("spamd does not answer at " + tree.Join("spamd.sock")),
              std::string::npos)
        << scanned;
    EXPECT_NE(scanned.find("clamd does not answer at 127.0.0.1:1"), std::string::npos) << scanned;
    EXPECT_EQ(JsonNumber(plain, "queued"), JsonNumber(scanned, "queued"));
    EXPECT_NE(scanned.find("\"SpamAssassin\":\"off\",\"Antivirus\":\"off\""), std::string::npos);
    EXPECT_EQ(tree.ReadFile("plain/config/FILTERS/FILTER.TAB"),
              tree.ReadFile("scanned/config/FILTERS/FILTER.TAB"));
    EXPECT_TRUE(fs::is_empty(tree.Join("scanned/app64")));
    // The plain tree: every queued message run, and every message the runs leave behind,
    // notifications included, has its envelope.
    const std::string queue = "plain/" + std::string(kQueue);
    size_t messages = FilesIn(tree.Join(queue + "/Messages")).size();
    EXPECT_GE(messages, 15u);
    EXPECT_EQ(FilesIn(tree.Join(queue)).size(), messages);
    long queued = JsonNumber(plain, "queued");
    EXPECT_GE(queued, 17) << plain;
    EXPECT_EQ(JsonNumber(plain, "messagesProcessed"), queued) << plain;
    EXPECT_FALSE(FilesIn(tree.Join("plain/connectors/LS/Inbound/Messages")).empty());
    EXPECT_TRUE(tree.Exists("plain/registry.db"));
}

// With private daemons answering, both libraries are switched on in the tree and every
// message is scanned by each without a failed scan.
TEST(DemoCommand, ScannersOnAnsweringDaemonsScanEveryMessage) {
    using testing_support::SharedClamd;
    using testing_support::SharedSpamd;
    if (!SharedSpamd().Ready() || !SharedClamd().Ready())
        GTEST_SKIP() << "spamd or clamd did not start: install spamd and clamav-daemon";
    TempTree tree;
    std::string output;
    ASSERT_EQ(RunDemo(tree.Join("demo"),
                      "--json --spamd " + SharedSpamd().SocketPath() + " --clamd " +
                          SharedClamd().SocketPath(),
                      &output),
              0)
        << output;
    EXPECT_EQ(std::string::npos, output.find("does not answer")) << output;
    EXPECT_NE(output.find("\"SpamAssassin\":\"ready\",\"Antivirus\":\"ready\""), std::string::npos)
        << output;
    EXPECT_NE(tree.ReadFile("demo/config/FILTERS/FILTER.TAB").find("SPAMASSASSIN"),
              std::string::npos);
    testing_support::ScopedEnvironment registry(platform::kRegistryPathVariable,
                                                tree.Join("demo/registry.db"));
    for (const char* library : {"SpamAssassin", "ClamAV"}) {
        uint32_t errors = 0;
        EXPECT_FALSE(ReadRegistryDword((std::string(keys::kPlugin) + "\\" + library).c_str(),
                                       "Scan Errors", &errors))
            << library << " counted " << errors << " failed scans";
    }
}

}  // namespace
