// tests/tools/InProcessCommand.h: running an mtafilter command line inside the test
// process, with both output streams captured, and comparing the paths it prints.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/Commands.h"

namespace testing_support {

struct CommandResult {
    int code;
    std::string out;
    std::string err;
};

// Runs "mtafilter ARGS..." as the command's main() would.
inline CommandResult RunMtafilter(std::vector<std::string> args) {
    args.insert(args.begin(), "mtafilter");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int code = MtafilterMain(static_cast<int>(argv.size()), argv.data());
    std::string out = testing::internal::GetCapturedStdout();
    return {code, out, testing::internal::GetCapturedStderr()};
}

// `text` with every path separator "/": Windows paths are joined with "\\" (and JSON
// doubles it), so that the tests compare what is printed the same way on both systems.
inline std::string Slashed(std::string text) {
    for (size_t at = 0; (at = text.find("\\\\", at)) != std::string::npos;)
        text.replace(at, 2, "/");
    for (char& c : text)
        if (c == '\\') c = '/';
    return text;
}

// An exported .reg text with the system key named as Windows names it: Wine's registry
// has "Software" where Windows has "SOFTWARE".
inline std::string WindowsKeyNames(std::string text) {
    const std::string wine = "[HKEY_LOCAL_MACHINE\\Software\\";
    for (size_t at = 0; (at = text.find(wine, at)) != std::string::npos; at += wine.size())
        text.replace(at, wine.size(), "[HKEY_LOCAL_MACHINE\\SOFTWARE\\");
    return text;
}

}  // namespace testing_support
