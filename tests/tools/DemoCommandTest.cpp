// tests/tools/DemoCommandTest.cpp: "mtafilter demo" end to end with the built command and
// plug-in, and the sample server tree it builds.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "frame/RegistryKeys.h"
#include "platform/Registry.h"
#include "tests/fixtures/TempTree.h"
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

TEST(DemoCommand, BuildsTheTreeAndRunsEveryQueuedMessage) {
    TempTree tree;
    std::string output;
    ASSERT_EQ(RunDemo(tree.Join("demo"), "--json", &output), 0) << output;
    size_t queued = FilesIn(tree.Join("demo/" + std::string(kQueue) + "/Messages")).size();
    EXPECT_GE(queued, 15u);
    EXPECT_EQ(FilesIn(tree.Join("demo/" + std::string(kQueue))).size(), queued);
    EXPECT_NE(output.find("\"processed\": " + std::to_string(queued) + ","), std::string::npos)
        << output;
    EXPECT_TRUE(tree.Exists("demo/registry.db"));
    EXPECT_TRUE(tree.Exists("demo/config/FILTERS/FILTER.TAB"));
    EXPECT_TRUE(tree.Exists("demo/connectors/LS/Inbound/Messages"));
}

TEST(DemoCommand, ShowsTheTreeAndTheReportLog) {
    TempTree tree;
    std::string directory = tree.Join("demo");
    std::string output;
    ASSERT_EQ(RunDemo(directory, "", &output), 0) << output;
    EXPECT_NE(output.find("Demo server tree: " + directory + "\n"), std::string::npos) << output;
    EXPECT_NE(output.find("Report log " + directory + "/logs/MTAFILTER-Report-"), std::string::npos)
        << output;
    // The report file is closed when the plug-in is unloaded, so the End line is there too.
    size_t start = output.find("\tStart\t");
    ASSERT_NE(start, std::string::npos) << output;
    EXPECT_NE(output.find("\tEnd\t", start), std::string::npos) << output;
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
