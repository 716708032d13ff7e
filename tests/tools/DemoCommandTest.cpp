// tests/tools/DemoCommandTest.cpp: "mtafilter demo" end to end with the built command and
// plug-in, and the sample server tree it builds. On Windows the demo's registry is the
// system's (the server's branch, which every test there starts without).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "base/RegistryKeys.h"
#include "platform/Registry.h"
#include "tests/fixtures/TempTree.h"
#include "tests/tools/InProcessCommand.h"
#include "tools/ServerTree.h"

namespace {

namespace fs = std::filesystem;
using testing_support::RunCommand;
using testing_support::Slashed;
using testing_support::TempTree;

constexpr const char* kQueue = "connectors/SMTP/Inbound";

// Runs the demo into `directory` with its own registry, unless `arguments` names one;
// standard error is merged into *output. Returns the exit status. Double quotes only, and
// none at the start: the same line suits sh and cmd.exe.
int RunDemo(const std::string& directory, const std::string& arguments, std::string* output) {
#ifdef _WIN32
    const std::string command = MTAFILTER_TOOL;
#else
    const std::string command = "env -u QP_REGISTRY " MTAFILTER_TOOL;
#endif
    return RunCommand(command + " demo \"" + directory + "\" " + arguments, output, true);
}

std::vector<fs::path> FilesIn(const std::string& directory) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(directory))
        if (entry.is_regular_file()) files.push_back(entry.path());
    return files;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), {});
}

// The number after `"name": ` in a JSON text, or -1.
long JsonNumber(const std::string& json, const std::string& name) {
    size_t at = json.find("\"" + name + "\": ");
    return at == std::string::npos ? -1
                                   : std::strtol(json.c_str() + at + name.size() + 4, nullptr, 10);
}

// The Executed lines of the report logs.
std::vector<std::string> ExecutedLines(const TempTree& tree) {
    std::vector<std::string> lines;
    for (const fs::path& log : FilesIn(tree.Join("demo/logs"))) {
        std::istringstream text(ReadAll(log));
        for (std::string line; std::getline(text, line);)
            if (line.find("\tExecuted\t") != std::string::npos) lines.push_back(line);
    }
    return lines;
}

bool AnyFileHolds(const std::string& directory, const std::string& text) {
    for (const auto& entry : fs::recursive_directory_iterator(directory))
        if (entry.is_regular_file() && ReadAll(entry.path()).find(text) != std::string::npos)
            return true;
    return false;
}

class DemoRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tree = new TempTree;
        std::string output;
        ASSERT_EQ(RunDemo(tree->Join("demo"), "", &output), 0) << output;
        output = Slashed(output);
        summary = new std::string(output.substr(output.rfind("\nSummary\n")));
    }
    static void TearDownTestSuite() {
        delete tree;
        delete summary;
    }
    static TempTree* tree;
    static std::string* summary;
};

TempTree* DemoRun::tree = nullptr;
std::string* DemoRun::summary = nullptr;

TEST_F(DemoRun, EverySampleFilterFires) {
    const std::vector<std::string> executed = ExecutedLines(*tree);
    for (const SampleFilter& filter : kSampleFilters)
        EXPECT_TRUE(std::any_of(executed.begin(), executed.end(), [&](const std::string& line) {
            return line.find(std::string("\t") + filter.displayName + "\t") != std::string::npos;
        })) << filter.displayName;
    EXPECT_NE(summary->find("filters matched     " + std::to_string(executed.size()) + "\n"),
              std::string::npos)
        << *summary;
}

TEST_F(DemoRun, TheFiltersChangeTheMessages) {
    const std::string inbound = tree->Join("demo/" + std::string(kQueue) + "/Messages");
    // What each action does is pinned in the actions' tests; here, that the sample
    // filters are wired to them. The program is held in quarantine, gone from the queue, and the
    // postmaster (not the usually forged sender) hears of it in a complete message.
    EXPECT_FALSE(AnyFileHolds(inbound, "filename=\"label.exe\""));
    EXPECT_TRUE(AnyFileHolds(tree->Join("demo/quarantine"), "filename=\"label.exe\""));
    EXPECT_TRUE(AnyFileHolds(inbound, "Subject: Held in quarantine: Program attachments\r\n"));
    EXPECT_TRUE(AnyFileHolds(tree->Join("demo/" + std::string(kQueue)),
                             "Recipients=[SMTP:postmaster@example.com]\r\n"));
    // The build notice's subject has a spam word, but its filter stops processing first.
    EXPECT_TRUE(AnyFileHolds(inbound, "Subject: [dev-list] Build"));
    EXPECT_FALSE(AnyFileHolds(inbound, "Subject: [SPAM] [dev-list]"));
    // Every message the run leaves behind, notifications included, has its envelope.
    EXPECT_GE(FilesIn(inbound).size(), 15u);
    EXPECT_EQ(FilesIn(tree->Join("demo/" + std::string(kQueue))).size(), FilesIn(inbound).size());
    EXPECT_FALSE(FilesIn(tree->Join("demo/connectors/LS/Inbound/Messages")).empty());
}

// The demo touches nothing that may be an administrator's: a directory it did not build,
// a registry that serves another server.
TEST(DemoCommand, RefusesADirectoryItDidNotBuildAndARegistryOfAnotherServer) {
    TempTree tree;
    tree.WriteFile("mine/notes.txt", "keep me");
    std::string output;
    EXPECT_EQ(RunDemo(tree.Join("mine"), "", &output), 1);
    EXPECT_NE(Slashed(output).find(Slashed(tree.Join("mine")) + " is not empty"), std::string::npos)
        << output;
    EXPECT_EQ(tree.ReadFile("mine/notes.txt"), "keep me");
    testing_support::ScopedRegistry registry(tree);
    registry.SetString(keys::kRoot, values::kMailRoot, "/srv/mail");
    EXPECT_EQ(RunDemo(tree.Join("demo"), "--registry \"" + registry.Path() + "\"", &output), 1);
    EXPECT_NE(output.find("/srv/mail"), std::string::npos) << output;
    platform::RegistryKey key = nullptr;
    EXPECT_EQ(platform::RegistryOpenKey(keys::kConnectors, &key), platform::kRegNotFound);
    platform::RegistryCloseKey(key);
}

class SampleTree : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_GT(BuildServerTree(tree.Path(), &error), 0) << error;
        for (const char* part : {"", "/Messages"})
            for (const fs::path& file : FilesIn(tree.Join(std::string(kQueue) + part)))
                files.push_back(ReadAll(file));
    }

    TempTree tree;
    testing_support::ScopedRegistry registry{tree};
    std::vector<std::string> files;  // every envelope and message file
};

TEST_F(SampleTree, UsesOnlyReservedDomainsAndDocumentationAddresses) {
    const std::regex host("(@|://)([A-Za-z0-9.-]+)"), reserved("(.*\\.)?example\\.(com|net|org)");
    const std::regex run("[0-9.]+"), quad("\\d+\\.\\d+\\.\\d+\\.\\d+");
    const std::regex documentation("(192\\.0\\.2|198\\.51\\.100|203\\.0\\.113)\\..*");
    for (const std::string& text : files) {
        for (std::sregex_iterator m(text.begin(), text.end(), host), end; m != end; ++m)
            EXPECT_TRUE(std::regex_match((*m)[2].str(), reserved)) << m->str();
        for (std::sregex_iterator m(text.begin(), text.end(), run), end; m != end; ++m)
            EXPECT_TRUE(!std::regex_match(m->str(), quad) ||
                        std::regex_match(m->str(), documentation))
                << m->str();
    }
}

TEST_F(SampleTree, QueuesCrLfFilesWithAnAttachmentAndALargeMessage) {
    bool attachment = false;
    size_t largest = 0;
    for (const std::string& text : files) {
        EXPECT_FALSE(std::regex_search(text, std::regex("(^|[^\r])\n"))) << text.substr(0, 200);
        attachment |= text.find("Content-Disposition: attachment") != std::string::npos;
        largest = std::max(largest, text.size());
    }
    EXPECT_TRUE(attachment);
    EXPECT_GE(largest, 100u * 1024);
}

// A second run rebuilds the demo's own tree. With daemons asked for but not answering,
// the demo is the plain one: no scanner library, switch, filter or sample message, and
// the administrator is told why.
TEST(DemoCommand, RebuildsItsTreeAndLeavesUnansweringScannersOff) {
    TempTree tree;
    std::string plain, scanned;
    ASSERT_EQ(RunDemo(tree.Join("demo"), "--json", &plain), 0) << plain;
    const std::string plainFilters = tree.ReadFile("demo/config/FILTERS/FILTER.TAB");
    tree.WriteFile("demo/stray.txt", "left over");
    const std::string spamd = tree.Join("spamd.sock");
    ASSERT_EQ(RunDemo(tree.Join("demo"), "--json --spamd \"" + spamd + "\" --clamd 127.0.0.1:1",
                      &scanned),
              0)
        << scanned;
    EXPECT_FALSE(tree.Exists("demo/stray.txt"));
    EXPECT_NE(scanned.find("spamd does not answer at " + spamd), std::string::npos) << scanned;
    EXPECT_NE(scanned.find("clamd does not answer at 127.0.0.1:1"), std::string::npos) << scanned;
    EXPECT_NE(scanned.find("\"SpamAssassin\":\"off\",\"Antivirus\":\"off\""), std::string::npos);
    EXPECT_EQ(plainFilters, tree.ReadFile("demo/config/FILTERS/FILTER.TAB"));
    EXPECT_TRUE(fs::is_empty(tree.Join("demo/app64")));
    const long queued = JsonNumber(plain, "queued");
    EXPECT_GE(queued, 17) << plain;
    EXPECT_EQ(JsonNumber(plain, "messagesProcessed"), queued) << plain;
    EXPECT_EQ(JsonNumber(scanned, "queued"), queued) << scanned;
#ifndef _WIN32  // the Windows registry is the system's, not a file in the tree
    EXPECT_TRUE(tree.Exists("demo/registry.db"));
#endif
}

}  // namespace
