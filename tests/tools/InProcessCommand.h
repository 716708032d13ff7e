// tests/tools/InProcessCommand.h: running an mtafilter command line inside the test
// process, with both output streams captured.
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

}  // namespace testing_support
