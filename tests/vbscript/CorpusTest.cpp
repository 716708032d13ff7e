// tests/vbscript/CorpusTest.cpp: runs every tests/vbscript/corpus/NAME.vbs through the
// command-line host and compares what it prints (echoes, then any error line) with NAME.out.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "vbscript/CommandHost.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

fs::path CorpusDir() {
    return fs::path(MTAFILTER_TEST_SOURCE_DIR) / "vbscript" / "corpus";
}

std::vector<std::string> CorpusNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(CorpusDir()))
        if (entry.path().extension() == ".vbs") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

class Corpus : public ::testing::TestWithParam<std::string> {};

TEST_P(Corpus, PrintsExpectedOutput) {
    const std::string name = GetParam();
    std::string output, errors;
    vbscript::RunCommandScript(ReadAll(CorpusDir() / (name + ".vbs")), name + ".vbs", &output,
                               &errors);
    EXPECT_EQ(ReadAll(CorpusDir() / (name + ".out")), output + errors);
}

INSTANTIATE_TEST_SUITE_P(Programs, Corpus, ::testing::ValuesIn(CorpusNames()),
                         [](const auto& info) { return info.param; });

TEST(CommandHost, ErrorSetsNonzeroStatus) {
    std::string output, errors;
    EXPECT_EQ(1, vbscript::RunCommandScript("x = 1 / 0", "t.vbs", &output, &errors));
    EXPECT_EQ("t.vbs(1, 1) Microsoft VBScript runtime error 11: Division by zero\n", errors);
    EXPECT_EQ(0, vbscript::RunCommandScript("WScript.Echo 1", "t.vbs", &output, &errors));
}

}  // namespace
