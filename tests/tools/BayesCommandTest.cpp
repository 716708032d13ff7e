// tests/tools/BayesCommandTest.cpp: "mtafilter bayes" trains the real classifier library
// from folders of .eml files, in a provider directory of its own, and reads its store back.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/fixtures/PluginTree.h"
#include "tests/tools/InProcessCommand.h"

namespace {

using testing_support::RunMtafilter;

class BayesCommandTest : public testing::Test {
protected:
    void InstallClassifier() const {
        std::filesystem::copy_file(MTAFILTER_SCANNER_DIR "/QPFLTMBF.so",
                                   plugin_.tree.Join("app64/QPFLTMBF.so"));
    }

    // `count` distinct messages of one kind in folder `folder`.
    void WriteMessages(const std::string& folder, int count, const std::string& subject,
                       const std::string& body) const {
        for (int i = 0; i < count; ++i)
            plugin_.tree.WriteFile(
                folder + "/" + std::to_string(i) + ".eml",
                "From: sender" + std::to_string(i) + "@example.net\r\nSubject: " + subject + " " +
                    std::to_string(i) + "\r\n\r\n" + body + " " + std::to_string(i * 7) + "\r\n");
    }

    std::string Folder(const std::string& name) const { return plugin_.tree.Join(name); }

    testing_support::PluginTree plugin_;
};

TEST_F(BayesCommandTest, LearnsFoldersOnceAndForgetsThenStatsShowTheStore) {
    InstallClassifier();
    WriteMessages("spam", 4, "Cheap pills", "buy cheap pills casino winner");
    WriteMessages("ham", 3, "Project meeting", "the agenda for the meeting is attached");
    plugin_.tree.WriteFile("ham/notes.txt", "not a message: skipped");

    auto learned = RunMtafilter(
        {"bayes", "learn", "--spam", Folder("spam"), "--ham", Folder("ham"), "--json"});
    ASSERT_EQ(kExitSuccess, learned.code) << learned.err;
    EXPECT_NE(std::string::npos, learned.out.find("\"learnedSpam\": 4, \"learnedHam\": 3"))
        << learned.out;
    // Learning the same messages again, or one as the other class, is not counting twice.
    learned = RunMtafilter({"bayes", "learn", "--ham", Folder("spam/0.eml"), "--ham", Folder("ham"),
                            "--json", "--quiet"});
    ASSERT_EQ(kExitSuccess, learned.code) << learned.err;
    EXPECT_NE(std::string::npos,
              learned.out.find("\"moved\": 1, \"forgotten\": 0, \"unchanged\": 3"))
        << learned.out;
    ASSERT_EQ(kExitSuccess, RunMtafilter({"bayes", "forget", Folder("ham/1.eml")}).code);

    const auto stats = RunMtafilter({"bayes", "stats", "--json"});
    ASSERT_EQ(kExitSuccess, stats.code) << stats.err;
    EXPECT_EQ(0u, stats.out.find("{\"spamMessages\": 3, \"hamMessages\": 3, \"tokens\": "))
        << stats.out;
    EXPECT_TRUE(plugin_.tree.Exists("app64/QPFLTMBF.db"));
}

TEST_F(BayesCommandTest, MissingLibraryOrMessagesFailAndBadUsageExitsTwo) {
    auto result = RunMtafilter({"bayes", "stats"});
    EXPECT_EQ(kExitFailure, result.code);
    EXPECT_NE(std::string::npos, result.err.find("install QPFLTMBF.so")) << result.err;

    InstallClassifier();
    result = RunMtafilter({"bayes", "learn", "--spam", Folder("nowhere")});
    EXPECT_EQ(kExitFailure, result.code);
    EXPECT_NE(std::string::npos, result.err.find("nowhere is neither")) << result.err;
    EXPECT_EQ(kExitUsage, RunMtafilter({"bayes", "learn", Folder("spam")}).code);
    EXPECT_EQ(kExitUsage, RunMtafilter({"bayes", "frob"}).code);
}

}  // namespace
