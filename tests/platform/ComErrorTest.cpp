// tests/platform/ComErrorTest.cpp: the texts of COM error codes.
#include <gtest/gtest.h>

#include <string>

#include "platform/ComError.h"

namespace {

struct MessageCase {
    const char* name;
    uint32_t code;
    const char* message;
};

class ComErrorMessageTest : public ::testing::TestWithParam<MessageCase> {};

TEST_P(ComErrorMessageTest, GivesTheWindowsText) {
    platform::ComError error(static_cast<platform::HRESULT>(GetParam().code));
    EXPECT_EQ(error.ErrorMessage(), GetParam().message);
}

const MessageCase kMessageCases[] = {
    {"Fail", 0x80004005, "Unspecified error"},
    {"UnknownSmallCodePadded", 0x00000042, "Unknown error 0x00000042"},
};

INSTANTIATE_TEST_SUITE_P(Codes, ComErrorMessageTest, ::testing::ValuesIn(kMessageCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
