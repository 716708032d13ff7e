// tests/common/RegistryAccessTest.cpp: the settings readers and writer: what counts as a
// value, what does not fit, the Wow6432Node redirection, and a missing database.
#include <gtest/gtest.h>

#include <string>

#include "common/RegistryAccess.h"
#include "platform/Registry.h"
#include "tests/fixtures/TempTree.h"

namespace {

using testing_support::ScopedRegistry;
using testing_support::TempTree;

constexpr const char* kKey = "SOFTWARE\\Wow6432Node\\Quill Post\\Filter";
constexpr const char* kReadPath = "Software\\Quill Post\\Filter";

void SetRaw(const char* key, const char* name, uint32_t type, const std::string& bytes) {
    platform::RegistryKey handle = nullptr;
    ASSERT_EQ(platform::kRegOk, platform::RegistryCreateKey(key, &handle));
    ASSERT_EQ(platform::kRegOk, platform::RegistrySetValue(handle, name, type, bytes.data(),
                                                           static_cast<uint32_t>(bytes.size())));
    platform::RegistryCloseKey(handle);
}

class RegistryAccessTest : public testing::Test {
protected:
    TempTree tree_;
    ScopedRegistry registry_{tree_};
};

TEST_F(RegistryAccessTest, ReadStringTakesTheWholeTextOrNothing) {
    struct Case {
        const char* label;
        uint32_t type;
        std::string stored;
        int result;
        std::string text;
    };
    const Case cases[] = {
        {"only_terminator", platform::kRegSz, std::string("\0", 1), 0, ""},
        {"fills_capacity", platform::kRegSz, std::string(511, 'a') + '\0', 1,
         std::string(511, 'a')},
        {"one_too_long_unterminated", platform::kRegBinary, std::string(512, 'a'), 0, ""},
        {"multi_sz_first_text", platform::kRegMultiSz, std::string("a\0b\0\0", 5), 1, "a"},
    };
    for (const Case& c : cases) {
        SetRaw(kKey, c.label, c.type, c.stored);
        std::string destination(512, 'x');
        EXPECT_EQ(c.result, ReadRegistryString(kReadPath, c.label, destination.data(), 512))
            << c.label;
        EXPECT_EQ(c.text, destination.c_str()) << c.label;
    }
}

TEST_F(RegistryAccessTest, ReadStringLooksUnderWow6432Node) {
    registry_.SetString("SOFTWARE\\Wow6432Node\\Quill Post\\B", "Path", "x");
    registry_.SetString("SOFTWARE\\Quill Post\\D", "Path", "x");
    registry_.SetString("SOFTWARE\\Other\\E", "Path", "x");
    char destination[8];
    EXPECT_EQ(1, ReadRegistryString("SOFTWARE\\QUILL POST\\B", "Path", destination));
    EXPECT_EQ(0, ReadRegistryString("Software\\Quill Post\\D", "Path", destination));
    EXPECT_EQ(1, ReadRegistryString("Software\\Other\\E", "Path", destination));
}

TEST_F(RegistryAccessTest, ReadDwordTakesUpToFourLittleEndianBytes) {
    SetRaw(kKey, "high_bit", platform::kRegDword, "\x01\x02\x03\x84");
    SetRaw(kKey, "two_bytes", platform::kRegBinary, "\x02\x01");
    SetRaw(kKey, "five_byte_text", platform::kRegSz, std::string("1234\0", 5));
    uint32_t result = 99;
    EXPECT_EQ(1, ReadRegistryDword(kKey, "high_bit", &result));
    EXPECT_EQ(0x84030201u, result);
    EXPECT_EQ(1, ReadRegistryDword(kKey, "two_bytes", &result));
    EXPECT_EQ(0x0102u, result);
    result = 99;
    EXPECT_EQ(0, ReadRegistryDword(kKey, "five_byte_text", &result));
    EXPECT_EQ(99u, result);
    SetRaw("", "Hive", platform::kRegDword, std::string("\x01\0\0\0", 4));
    EXPECT_EQ(0, ReadRegistryDword("", "Hive", &result));  // an empty key path is no key
    EXPECT_EQ(99u, result);
}

TEST_F(RegistryAccessTest, WriteDwordCreatesTheKeyAndReplacesTheValueOrSaysItCouldNot) {
    ASSERT_EQ(1, WriteRegistryDword(RegistryRoot::kLocalMachine, kKey, "Reload", 1));
    ASSERT_EQ(1, WriteRegistryDword(RegistryRoot::kLocalMachine, kKey, "reload", 0x01020304));
    uint32_t result = 0;
    ASSERT_EQ(1, ReadRegistryDword(kKey, "Reload", &result));
    EXPECT_EQ(0x01020304u, result);
#ifndef _WIN32  // the Windows registry is the system's, not a database file
    // A missing database fails every read and write and creates nothing.
    ScopedRegistry nowhere(tree_, "missing/registry.db");
    EXPECT_EQ(0, WriteRegistryDword(RegistryRoot::kLocalMachine, kKey, "Reload", 1));
    char text[16] = "junk";
    result = 99;
    EXPECT_EQ(0, ReadRegistryString(kReadPath, "Path", text));
    EXPECT_STREQ("", text);
    EXPECT_EQ(0, ReadRegistryDword(kKey, "Reload", &result));
    EXPECT_EQ(99u, result);
    EXPECT_FALSE(tree_.Exists("missing"));
#endif
}

}  // namespace
