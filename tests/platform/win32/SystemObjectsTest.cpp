// tests/platform/win32/SystemObjectsTest.cpp: the Win32 platform layer on the system's own
// objects where the shared tests cannot reach: a program ended at its time limit, the
// registry under HKEY_LOCAL_MACHINE with its transactions, and the code page calls. Built
// for Windows only; the Linux stand-ins have their own tests.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

#include "platform/CodePage.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "tests/fixtures/TempTree.h"

namespace {

using platform::ProcessOutcome;

TEST(Win32Process, OverrunningProgramIsEndedAtTheTimeout) {
    const auto started = std::chrono::steady_clock::now();
    uint32_t exitCode = 0;
    // A loop that never ends: a step of 0 never reaches the end value.
    EXPECT_EQ(platform::RunProcess("cmd.exe /c \"for /L %i in (0,0,1) do @rem\"", nullptr, 500,
                                   &exitCode),
              ProcessOutcome::kTimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
}

TEST(Win32Registry, ValuesKeepTypeAndBytesAndTheTreeGoesAtOnce) {
    testing_support::TempTree tree;
    testing_support::ScopedRegistry registry(tree);
    const char* kKey = "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Test\\Inner";
    platform::RegistryKey key = nullptr;
    ASSERT_EQ(platform::RegistryCreateKey(kKey, &key), platform::kRegOk);
    const uint32_t number = 0x01020304;
    EXPECT_EQ(platform::RegistrySetValue(key, "Number", platform::kRegDword, &number, 4),
              platform::kRegOk);
    EXPECT_EQ(platform::RegistrySetValue(key, "Text", platform::kRegSz, "abc", 4),
              platform::kRegOk);
    uint32_t type = 0, read = 0, size = sizeof read;
    EXPECT_EQ(platform::RegistryQueryValue(key, "number", &type, &read, &size), platform::kRegOk);
    EXPECT_EQ(type, platform::kRegDword);
    EXPECT_EQ(read, number);
    char small[2];
    size = sizeof small;
    EXPECT_EQ(platform::RegistryQueryValue(key, "Text", &type, small, &size),
              platform::kRegMoreData);
    EXPECT_EQ(size, 4u);
    char name[32];
    EXPECT_EQ(platform::RegistryEnumValue(key, 0, name, sizeof name), platform::kRegOk);
    EXPECT_STREQ(name, "Number");
    EXPECT_EQ(platform::RegistryEnumValue(key, 2, name, sizeof name), platform::kRegNoMoreItems);
    platform::RegistryCloseKey(key);

    EXPECT_EQ(
        platform::RegistryDeleteKeyTree("SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Test"),
        platform::kRegOk);
    EXPECT_EQ(platform::RegistryOpenKey(kKey, &key), platform::kRegNotFound);
}

// A rollback puts back what the changes since Begin replaced: values, a deleted tree and
// a key created on the way.
TEST(Win32Registry, RollbackUndoesEveryChangeOfTheTransaction) {
    testing_support::TempTree tree;
    testing_support::ScopedRegistry registry(tree);
    const std::string root = "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post";
    registry.SetDword(root, "Kept", 1);
    registry.SetString(root + "\\Tree\\Leaf", "Text", "leaf");
    ASSERT_EQ(platform::RegistryBeginTransaction(), platform::kRegOk);
    platform::RegistryKey key = nullptr;
    ASSERT_EQ(platform::RegistryCreateKey(root.c_str(), &key), platform::kRegOk);
    const uint32_t changed = 2;
    EXPECT_EQ(platform::RegistrySetValue(key, "Kept", platform::kRegDword, &changed, 4),
              platform::kRegOk);
    EXPECT_EQ(platform::RegistrySetValue(key, "New", platform::kRegDword, &changed, 4),
              platform::kRegOk);
    platform::RegistryCloseKey(key);
    EXPECT_EQ(platform::RegistryDeleteKeyTree((root + "\\Tree").c_str()), platform::kRegOk);
    registry.SetDword(root + "\\Made\\Below", "v", 3);
    EXPECT_EQ(platform::RegistryRollbackTransaction(), platform::kRegOk);

    uint32_t value = 0, size = sizeof value;
    ASSERT_EQ(platform::RegistryOpenKey(root.c_str(), &key), platform::kRegOk);
    EXPECT_EQ(platform::RegistryQueryValue(key, "Kept", nullptr, &value, &size), platform::kRegOk);
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(platform::RegistryQueryValue(key, "New", nullptr, &value, &size),
              platform::kRegNotFound);
    platform::RegistryCloseKey(key);
    char text[8] = "";
    size = sizeof text;
    ASSERT_EQ(platform::RegistryOpenKey((root + "\\Tree\\Leaf").c_str(), &key), platform::kRegOk);
    EXPECT_EQ(platform::RegistryQueryValue(key, "Text", nullptr, text, &size), platform::kRegOk);
    EXPECT_STREQ(text, "leaf");
    platform::RegistryCloseKey(key);
    EXPECT_EQ(platform::RegistryOpenKey((root + "\\Made").c_str(), &key), platform::kRegNotFound);
}

// The system's code page calls, not a fixed ISO-8859-1: in Windows-1252, 0x80 is the euro
// sign, and a character the code page lacks becomes the default character.
TEST(Win32CodePage, ConvertsInTheCodePageAskedFor) {
    constexpr platform::UINT kWindows1252 = 1252, kUtf8 = 65001;
    EXPECT_EQ(platform::ToOleString(kWindows1252, "\x80"), L"\u20ac");
    EXPECT_EQ(platform::FromOleString(kWindows1252, L"\u20ac"), "\x80");
    char narrow[4] = "";
    platform::BOOL usedDefault = 0;
    EXPECT_EQ(
        platform::WideCharToMultiByte(kWindows1252, 0, L"\u4e2d", 1, narrow, 4, "#", &usedDefault),
        1);
    EXPECT_EQ(narrow[0], '#');
    EXPECT_TRUE(usedDefault);
    // UTF-8 takes no default character; asking for one must not fail the conversion.
    EXPECT_EQ(platform::WideCharToMultiByte(kUtf8, 0, L"\u4e2d", 1, narrow, 4, "#", &usedDefault),
              3);
}

}  // namespace
