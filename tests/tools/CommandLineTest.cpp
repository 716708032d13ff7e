// tests/tools/CommandLineTest.cpp: the argument reader every mtafilter subcommand uses, and
// the JSON writer: the forms of an option, where options end, and what is refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/CommandLine.h"
#include "tools/Json.h"

namespace {

constexpr OptionSpec kOptions[] = {{"--dir", "a directory"}, {"--json", nullptr}};

struct Outcome {
    int parsed;
    ParsedArguments args;
    std::string error;
};

Outcome Parse(std::vector<std::string> words) {
    words.insert(words.begin(), "sub");
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    Outcome outcome{};
    outcome.parsed = ParseArguments(static_cast<int>(argv.size()), argv.data(), kOptions,
                                    &outcome.args, &outcome.error);
    return outcome;
}

TEST(CommandLine, ValuesInEitherFormRepeatAndOptionsEndAtDoubleDash) {
    const Outcome outcome = Parse({"a", "--dir", "x", "--dir=y", "-", "--json", "--", "--dir"});
    ASSERT_EQ(1, outcome.parsed) << outcome.error;
    EXPECT_EQ((std::vector<std::string>{"x", "y"}), outcome.args.Values("--dir"));
    EXPECT_EQ("y", outcome.args.Value("--dir"));
    EXPECT_TRUE(outcome.args.Has("--json"));
    EXPECT_FALSE(outcome.args.help);
    EXPECT_EQ((std::vector<std::string>{"a", "-", "--dir"}), outcome.args.positional);
    EXPECT_TRUE(Parse({"-h"}).args.help);
}

TEST(CommandLine, RefusesUnknownOptionsMissingValuesAndValuedSwitches) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--frob"}, "unknown option --frob"},
        {{"--dir"}, "--dir needs a directory"},
        {{"--dir="}, "--dir needs a directory"},
        {{"--json=1"}, "unknown option --json=1"},
    };
    for (const auto& [words, error] : cases) {
        const Outcome outcome = Parse(words);
        EXPECT_EQ(0, outcome.parsed) << words[0];
        EXPECT_EQ(error, outcome.error);
    }
}

TEST(Json, EscapesControlAndHighBytesByEncodingAndLaysOutBothWays) {
    EXPECT_EQ("\"a\\\"\\\\\\t\\u0001\\u00e9\"", JsonQuoted("a\"\\\t\x01\xe9"));
    EXPECT_EQ("\"\xc3\xa9\"", JsonQuotedUtf8("\xc3\xa9"));  // valid UTF-8 kept
    EXPECT_EQ("\"\\u00e9\"", JsonQuotedUtf8("\xe9"));       // else Latin-1
    EXPECT_EQ("{\"a\": [1, 2], \"b\": true}",
              JsonObject({{"a", JsonArray({"1", "2"})}, {"b", JsonBool(true)}}));
    EXPECT_EQ("{\"a\":[1,2]}", JsonObject({{"a", JsonArray({"1", "2"}, JsonLayout::kCompact)}},
                                          JsonLayout::kCompact));
}

}  // namespace
