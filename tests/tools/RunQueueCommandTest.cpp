// tests/tools/RunQueueCommandTest.cpp: "mtafilter run" as an administrator uses it: the
// built command over a small queue, with the built plug-in, in its own process.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/fixtures/PlatformNames.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"

namespace {

using testing_support::PluginTree;

constexpr const char* kEnvelope =
    "Recipients=[SMTP:bob@example.com]\r\nSender=[SMTP:alice@example.net]\r\n"
    "ClientIP=192.0.2.10\r\nSubject=Hello\r\nTimeAcquired=1700000000\r\n";
constexpr const char* kMessage =
    "From: alice@example.net\r\nTo: bob@example.com\r\nSubject: Hello\r\n\r\nHi Bob.\r\n";

std::string MessageId(int n) {
    char id[40];
    std::snprintf(id, sizeof id, "%032X.MAI", n);
    return id;
}

void QueueMessages(const PluginTree& plugin, const std::string& connector, int count) {
    for (int n = 1; n <= count; ++n)
        plugin.QueueMessage(connector, MessageId(n), kEnvelope, kMessage);
}

// "mtafilter --registry <the registry> run ". Double quotes only, and none at the start:
// the same line suits sh and cmd.exe.
std::string RunLine(const std::string& registry) {
    return std::string(MTAFILTER_TOOL) + " --registry \"" + registry + "\" run ";
}

// Runs "mtafilter ... run ARGUMENTS" on the tree's registry; standard error is merged into
// *output. Returns the exit status.
int RunTool(const PluginTree& plugin, const std::string& arguments, std::string* output) {
    output->clear();
    return testing_support::RunCommand(RunLine(plugin.registry.Path()) + arguments, output, true);
}

TEST(RunQueueCommand, RunsEveryQueuedMessageOrOnlyTheNamedOnesOfTheNamedConnector) {
    PluginTree plugin;
    QueueMessages(plugin, "SMTP", 3);
    QueueMessages(plugin, "LS", 2);
    plugin.InstallProvider("Plain", testing_support::LibraryFileName("QPFLTMSA"));
    plugin.registry.SetDword(testing_support::kPluginKey, "SpamAssassin Enabled", 1);
    std::string output;
    ASSERT_EQ(RunTool(plugin, "--json " + MessageId(2), &output), 0) << output;
    EXPECT_NE(output.find("\"processed\": 1,"), std::string::npos) << output;
    ASSERT_EQ(RunTool(plugin, "--connector LS --json", &output), 0) << output;
    EXPECT_NE(output.find("\"connector\": \"LS\", \"processed\": 2,"), std::string::npos) << output;
    ASSERT_EQ(RunTool(plugin, "--json", &output), 0) << output;
    EXPECT_NE(output.find("processed 3 messages from SMTP"), std::string::npos) << output;
    EXPECT_NE(output.find("\"processed\": 3,"), std::string::npos) << output;
    // The summary names the scanning providers as loading finds them.
    EXPECT_NE(output.find("providers: DKIM off, Bayesian off, SpamAssassin failed to load, "
                          "Antivirus off\n"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("\"SpamAssassin\":\"failed to load\""), std::string::npos) << output;
}

TEST(RunQueueCommand, WithoutTerminalWritesAProgressLineEveryHundredMessages) {
    PluginTree plugin;
    QueueMessages(plugin, "SMTP", 101);
    std::string output;
    ASSERT_EQ(RunTool(plugin, "", &output), 0) << output;
    EXPECT_NE(output.find("[100/101] " + MessageId(100) + "\n"), std::string::npos) << output;
}

// The plug-in's own console lines stay on standard output; the command adds nothing.
TEST(RunQueueCommand, QuietWritesNothingOfItsOwn) {
    PluginTree plugin;
    QueueMessages(plugin, "SMTP", 2);
    const std::string errors = plugin.tree.Join("errors.txt");
    ASSERT_EQ(testing_support::RunCommand(
                  RunLine(plugin.registry.Path()) + "--quiet 2>\"" + errors + "\"", nullptr),
              0);
    EXPECT_EQ(plugin.tree.ReadFile("errors.txt"), "");
}

TEST(RunQueueCommand, AnUnusablePluginOrQueueFailsNamingIt) {
    PluginTree plugin;
    QueueMessages(plugin, "SMTP", 1);
    std::string missing = plugin.tree.Join(testing_support::LibraryFileName("nowhere/MTAFILTER"));
    std::string output;
    EXPECT_EQ(RunTool(plugin, "--plugin \"" + missing + "\"", &output), 1);
    EXPECT_NE(output.find("cannot load the plug-in " + missing), std::string::npos) << output;
    // Any library that is not a filter plug-in: a provider stand-in will do.
    EXPECT_EQ(RunTool(plugin,
                      "--plugin \"" MTAFILTER_HELPER_LIBS "/" +
                          testing_support::LibraryFileName("ProviderStubPlain") + "\"",
                      &output),
              1);
    EXPECT_NE(output.find("does not export FilterInit"), std::string::npos) << output;
    EXPECT_EQ(RunTool(plugin, "--connector NOSUCH", &output), 1);
    EXPECT_NE(output.find("connector NOSUCH has no Inbound queue"), std::string::npos) << output;
}

TEST(RunQueueCommand, MissingConnectorRootTellsWhichValueToSet) {
    testing_support::TempTree tree;
    testing_support::ScopedRegistry registry(tree);
    std::string output;
    EXPECT_EQ(testing_support::RunCommand(RunLine(registry.Path()), &output, true), 1);
    // The hint is a command the administrator can paste.
    EXPECT_NE(output.find("registry set \"HKLM\\SOFTWARE\\Wow6432Node\\Quill Post\\Quill "
                          "Post\\CONNECTORS\" \"Connector Root Directory\" sz:"),
              std::string::npos)
        << output;
}

TEST(RunQueueCommand, BadUsageExitsTwo) {
    PluginTree plugin;
    const std::string overlongId(64, 'A');  // over 63 characters
    for (const std::string& arguments : std::vector<std::string>{"--frobnicate", overlongId}) {
        std::string output;
        EXPECT_EQ(RunTool(plugin, arguments, &output), 2) << arguments;
        EXPECT_NE(output.find("usage: mtafilter run"), std::string::npos) << output;
    }
}

}  // namespace
