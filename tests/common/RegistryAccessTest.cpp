// tests/common/RegistryAccessTest.cpp: the settings readers and writer: what counts as a
// value, what does not fit, the Wow6432Node redirection, and a missing database.
#include <gtest/gtest.h>

#include <cstring>
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

struct StringCase {
    const char* label;
    uint32_t type;
    std::string stored;
    size_t capacity;
    int expectedResult;
    std::string expectedText;
};

TEST_F(RegistryAccessTest, ReadStringTakesTheTextOrNothing) {
    const StringCase cases[] = {
        {"text", platform::kRegSz, std::string("mail\0", 5), 16, 1, "mail"},
        {"no_terminator", platform::kRegSz, "mail", 16, 1, "mail"},
        {"expand_sz", platform::kRegExpandSz, std::string("%X%\0", 4), 16, 1, "%X%"},
        {"binary_as_text", platform::kRegBinary, "abc", 16, 1, "abc"},
        {"zero_length", platform::kRegSz, "", 16, 0, ""},
        {"only_terminator", platform::kRegSz, std::string("\0", 1), 16, 0, ""},
        {"fills_capacity", platform::kRegSz, std::string(511, 'a') + '\0', 512, 1,
         std::string(511, 'a')},
        {"one_too_long", platform::kRegSz, std::string(512, 'a') + '\0', 512, 0, ""},
        {"one_too_long_unterminated", platform::kRegBinary, std::string(512, 'a'), 512, 0, ""},
        {"far_too_long", platform::kRegSz, std::string(2000, 'a') + '\0', 512, 0, ""},
        {"multi_sz_first_text", platform::kRegMultiSz, std::string("a\0b\0\0", 5), 16, 1, "a"},
    };
    for (const StringCase& c : cases) {
        SetRaw(kKey, c.label, c.type, c.stored);
        std::string destination(c.capacity, 'x');
        EXPECT_EQ(c.expectedResult,
                  ReadRegistryString(kReadPath, c.label, destination.data(), c.capacity))
            << c.label;
        EXPECT_EQ(c.expectedText, destination.c_str()) << c.label;
    }
}

struct PathCase {
    const char* storedUnder;
    const char* readAs;
    int expected;
};

TEST_F(RegistryAccessTest, ReadStringLooksUnderWow6432Node) {
    const PathCase cases[] = {
        {"SOFTWARE\\Wow6432Node\\Quill Post\\A", "Software\\Quill Post\\A", 1},
        {"SOFTWARE\\Wow6432Node\\Quill Post\\B", "SOFTWARE\\QUILL POST\\B", 1},
        {"SOFTWARE\\Wow6432Node\\Quill Post\\C", "Software\\Wow6432Node\\Quill Post\\C", 1},
        {"SOFTWARE\\Quill Post\\D", "Software\\Quill Post\\D", 0},
        {"SOFTWARE\\Other\\E", "Software\\Other\\E", 1},
    };
    for (const PathCase& c : cases) {
        registry_.SetString(c.storedUnder, "Path", "x");
        char destination[8];
        EXPECT_EQ(c.expected, ReadRegistryString(c.readAs, "Path", destination)) << c.readAs;
    }
}

TEST_F(RegistryAccessTest, ReadStringOfMissingKeyOrValueEmptiesTheDestination) {
    registry_.SetString(kKey, "Present", "x");
    char destination[8] = "junk";
    EXPECT_EQ(0, ReadRegistryString(kReadPath, "Absent", destination));
    EXPECT_STREQ("", destination);
    std::strcpy(destination, "junk");
    EXPECT_EQ(0, ReadRegistryString("Software\\Quill Post\\Nowhere", "Present", destination));
    EXPECT_STREQ("", destination);
}

struct DwordCase {
    const char* label;
    uint32_t type;
    std::string stored;
    int expectedResult;
    uint32_t expectedValue;
};

TEST_F(RegistryAccessTest, ReadDwordTakesUpToFourLittleEndianBytes) {
    const DwordCase cases[] = {
        {"dword", platform::kRegDword, std::string("\x0a\0\0\0", 4), 1, 10},
        {"high_bit", platform::kRegDword, "\x01\x02\x03\x84", 1, 0x84030201},
        {"one_byte", platform::kRegBinary, "\x07", 1, 7},
        {"two_bytes", platform::kRegBinary, "\x02\x01", 1, 0x0102},
        {"short_text", platform::kRegSz, std::string("1\0", 2), 1, 0x31},
        {"five_byte_text", platform::kRegSz, std::string("1234\0", 5), 0, 99},
        {"eight_bytes", 11, std::string(8, '\x01'), 0, 99},
        {"zero_bytes", platform::kRegBinary, "", 0, 99},
    };
    for (const DwordCase& c : cases) {
        SetRaw(kKey, c.label, c.type, c.stored);
        uint32_t result = 99;
        EXPECT_EQ(c.expectedResult, ReadRegistryDword(kKey, c.label, &result)) << c.label;
        EXPECT_EQ(c.expectedValue, result) << c.label;
    }
}

TEST_F(RegistryAccessTest, ReadDwordFailsAtOnceForAnEmptyKeyPath) {
    SetRaw("", "Hive", platform::kRegDword, std::string("\x01\0\0\0", 4));
    uint32_t result = 99;
    EXPECT_EQ(0, ReadRegistryDword("", "Hive", &result));
    EXPECT_EQ(99u, result);
}

TEST_F(RegistryAccessTest, WriteDwordCreatesTheKeyAndReplacesTheValue) {
    ASSERT_EQ(1, WriteRegistryDword(RegistryRoot::kLocalMachine, kKey, "Reload", 1));
    ASSERT_EQ(1, WriteRegistryDword(RegistryRoot::kLocalMachine, kKey, "reload", 0x01020304));
    uint32_t result = 0;
    ASSERT_EQ(1, ReadRegistryDword(kKey, "Reload", &result));
    EXPECT_EQ(0x01020304u, result);
}

TEST_F(RegistryAccessTest, WriteDwordFailsWhenTheDatabaseCannotBeMade) {
#ifdef _WIN32
    GTEST_SKIP() << "the Windows registry is the system's, not a database file";
#endif
    ScopedRegistry nowhere(tree_, "missing/registry.db");
    EXPECT_EQ(0, WriteRegistryDword(RegistryRoot::kLocalMachine, kKey, "Reload", 1));
}

TEST_F(RegistryAccessTest, MissingDatabaseFailsEveryReadAndCreatesNothing) {
    char text[16] = "junk";
    uint32_t result = 99;
    EXPECT_EQ(0, ReadRegistryString(kReadPath, "Path", text));
    EXPECT_STREQ("", text);
    EXPECT_EQ(0, ReadRegistryDword(kKey, "Reload", &result));
    EXPECT_EQ(99u, result);
    EXPECT_FALSE(tree_.Exists("registry.db"));
}

}  // namespace
