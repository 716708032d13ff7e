// tests/tools/RegFileTest.cpp: .reg parsing, all-or-nothing import, export format and an
// exact round trip of every value type. Everything is below the server's branch (kBase),
// which on Windows every test starts without.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fixtures/TempTree.h"
#include "tests/tools/InProcessCommand.h"
#include "tools/RegFile.h"

namespace {

using regfile::RegistryValue;
using testing_support::ScopedRegistry;
using testing_support::TempTree;

constexpr const char* kHeader = "Windows Registry Editor Version 5.00\n\n";
#define BASE "SOFTWARE\\Wow6432Node\\Quill Post"
#define HKLM_BASE "HKEY_LOCAL_MACHINE\\" BASE
constexpr const char* kBase = BASE;

std::string Nul(const char* text) {
    return std::string(text) + '\0';
}

void SetRaw(const char* key, const char* name, uint32_t type, const std::string& bytes) {
    platform::RegistryKey handle = nullptr;
    ASSERT_EQ(platform::kRegOk, platform::RegistryCreateKey(key, &handle));
    ASSERT_EQ(platform::kRegOk, platform::RegistrySetValue(handle, name, type, bytes.data(),
                                                           static_cast<uint32_t>(bytes.size())));
    platform::RegistryCloseKey(handle);
}

std::vector<RegistryValue> ValuesOf(const std::string& key) {
    std::vector<RegistryValue> values;
    EXPECT_EQ(platform::kRegOk, regfile::ReadKeyValues(key, &values)) << key;
    return values;
}

std::string Export(const std::string& key = kBase) {
    std::string text;
    EXPECT_EQ(platform::kRegOk, regfile::ExportRegistry(key, &text));
    return testing_support::WindowsKeyNames(text);
}

class RegFileTest : public testing::Test {
protected:
    bool Import(const std::string& body, std::string* error) {
        tree_.WriteFile("in.reg", body);
        return regfile::ImportRegFile(tree_.Join("in.reg"), error);
    }

    TempTree tree_;
    ScopedRegistry registry_{tree_};
};

TEST_F(RegFileTest, ParsesHeadersSectionsAndValueForms) {
    std::string text =
        "\xEF\xBB\xBFREGEDIT4\r\n; a comment\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\\\A\\]\r\n"
        "@=\"d\"\r\n\"gone\"=-\r\n\"short\"=DWORD:FF\r\n\"v\"=hex:01,\\\r\n  02\r\n"
        "[-hklm\\SOFTWARE\\B]\r\n[HKEY_LOCAL_MACHINE]\r\n";
    regfile::RegDocument document;
    std::string error;
    ASSERT_TRUE(regfile::ParseRegText(text, "f.reg", &document, &error)) << error;
    ASSERT_EQ(3u, document.size());
    EXPECT_EQ("SOFTWARE\\A", document[0].path);
    EXPECT_EQ(4, document[0].line);
    ASSERT_EQ(4u, document[0].values.size());
    EXPECT_EQ("", document[0].values[0].value.name);
    EXPECT_EQ(Nul("d"), document[0].values[0].value.data);
    EXPECT_TRUE(document[0].values[1].remove);
    EXPECT_EQ(platform::kRegDword, document[0].values[2].value.type);
    EXPECT_EQ(std::string("\xff\0\0\0", 4), document[0].values[2].value.data);
    EXPECT_EQ("\x01\x02", document[0].values[3].value.data);  // continued on the next line
    EXPECT_TRUE(document[1].remove);
    EXPECT_EQ("SOFTWARE\\B", document[1].path);
    EXPECT_EQ("", document[2].path);
}

struct MalformedCase {
    const char* label;
    const char* body;  // after the header line and a blank line; line 3 on
    const char* expected;
};

TEST_F(RegFileTest, MalformedFileIsRefusedWholeWithItsLine) {
    const MalformedCase cases[] = {
        {"other_hive", "[HKEY_CURRENT_USER\\Software]\n", "in.reg:3: only HKEY_LOCAL_MACHINE"},
        {"bad_dword", "[HKLM\\" BASE "\\X]\n\"v\"=dword:123456789\n", "in.reg:4: "},
        {"value_under_deleted_key", "[-HKLM\\" BASE "\\X]\n\"v\"=\"a\"\n", "in.reg:4: "},
        {"bad_escape", "[HKLM\\" BASE "\\X]\n\"v\"=\"C:\\temp\"\n", "in.reg:4: "},
        {"late_error", "[HKLM\\" BASE "\\X]\n\"v\"=\"a\"\n\n\n[HKCU\\Y]\n", "in.reg:7: "},
    };
    registry_.SetDword(std::string(kBase) + "\\Kept", "v", 1);
    std::string before = Export();
    for (const MalformedCase& c : cases) {
        std::string error;
        EXPECT_FALSE(Import(std::string(kHeader) + c.body, &error)) << c.label;
        EXPECT_EQ(0u, error.find(tree_.Join(c.expected))) << c.label << ": " << error;
        EXPECT_EQ(before, Export()) << c.label;
    }
}

TEST_F(RegFileTest, FileWithoutHeaderInUtf16MissingOrForAnUnwritableDatabaseIsRefused) {
    std::string error;
    EXPECT_FALSE(Import("[HKLM\\X]\n", &error));
    EXPECT_EQ(0u, error.find(tree_.Join("in.reg:1: "))) << error;
    EXPECT_FALSE(Import(std::string("\xFF\xFEW\0", 4), &error));
    EXPECT_NE(std::string::npos, error.find("UTF-16")) << error;
    EXPECT_FALSE(regfile::ImportRegFile(tree_.Join("absent.reg"), &error));
    EXPECT_NE(std::string::npos, error.find("absent.reg")) << error;
#ifndef _WIN32  // the Windows registry is the system's, not a database file
    ScopedRegistry nowhere(tree_, "missing/registry.db");
    EXPECT_FALSE(Import(std::string(kHeader) + "[HKLM\\X]\n", &error));
    EXPECT_NE(std::string::npos, error.find("nothing imported")) << error;
#endif
}

TEST_F(RegFileTest, ImportDeletesKeysAndValues) {
    registry_.SetDword(std::string(kBase) + "\\Gone\\Sub", "v", 1);
    registry_.SetDword(std::string(kBase) + "\\Keep", "drop", 1);
    registry_.SetDword(std::string(kBase) + "\\Keep", "stay", 2);
    std::string error;
    ASSERT_TRUE(Import(std::string(kHeader) + "[-HKLM\\" BASE "\\Gone]\n[HKLM\\" BASE
                                              "\\Keep]\n\"drop\"=-\n\"absent\"=-\n[-HKLM\\" BASE
                                              "\\NeverWas]\n",
                       &error))
        << error;
    EXPECT_EQ(std::string(kHeader) + "[" HKLM_BASE "]\n\n[" HKLM_BASE
                                     "\\Keep]\n\"stay\"=dword:00000002\n\n",
              Export());
}

TEST_F(RegFileTest, ExportWritesSortedKeysAndRegeditFormats) {
    SetRaw(BASE "\\Quill Post\\b", "Count", platform::kRegDword, std::string("\x2a\0\0\0", 4));
    SetRaw(BASE "\\Quill Post\\A", nullptr, platform::kRegSz, Nul("C:\\Mail \"x\""));
    SetRaw(BASE "\\Quill Post\\A", "Data", platform::kRegBinary, std::string(30, '\x11'));
    SetRaw(BASE "\\Quill Post\\A", "List", platform::kRegMultiSz, std::string("a\0\0", 3));
    EXPECT_EQ(
        std::string(kHeader) +
            "[" HKLM_BASE
            "\\Quill Post]\n\n"
            "[" HKLM_BASE
            "\\Quill Post\\A]\n"
            "@=\"C:\\\\Mail \\\"x\\\"\"\n"
            "\"Data\"=hex:11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,\\\n"
            "  11,11,11,11,11,11,11,11\n"
            "\"List\"=hex(7):61,00,00\n\n"
            "[" HKLM_BASE
            "\\Quill Post\\b]\n"
            "\"Count\"=dword:0000002a\n\n",
        Export(BASE "\\quill post"));
    std::string text;
    EXPECT_EQ(platform::kRegNotFound, regfile::ExportRegistry(BASE "\\Nothing", &text));
}

// Every kind of value a registry can hold, including those export must write as hex.
void FillEveryType() {
    const char* key = BASE "\\Quill Post\\Types";
    SetRaw(key, "sz", platform::kRegSz, Nul("plain \"quoted\" C:\\path"));
    SetRaw(key, "sz_unterminated", platform::kRegSz, "abc");
    SetRaw(key, "sz_zero_bytes", platform::kRegSz, "");
    SetRaw(key, "sz_control", platform::kRegSz, Nul("line\r\nbreak"));
    SetRaw(key, "sz_utf8", platform::kRegSz, Nul("M\xc3\xbcll"));
    SetRaw(key, "sz_latin1", platform::kRegSz, Nul("M\xfcll"));
    SetRaw(key, "sz_inner_nul", platform::kRegSz, std::string("a\0b\0", 4));
    SetRaw(key, "expand_sz", platform::kRegExpandSz, Nul("%SystemRoot%\\x"));
    SetRaw(key, "dword", platform::kRegDword, "\xff\xfe\xfd\xfc");
    SetRaw(key, "dword_short", platform::kRegDword, "\x01\x02");
    SetRaw(key, "binary_empty", platform::kRegBinary, "");
    SetRaw(key, "multi_sz", platform::kRegMultiSz, std::string("one\0two\0\0", 9));
    SetRaw(key, "none", platform::kRegNone, "");
    SetRaw(key, "odd_type", 0x12345, "z");
    SetRaw(key, "", platform::kRegSz, Nul("default"));
    SetRaw(key, "Name \"with\" \\ marks", platform::kRegDword, std::string(4, '\0'));
    SetRaw(BASE "\\Quill Post\\Types\\Empty Sub", "x", platform::kRegDword, "1234");
}

TEST_F(RegFileTest, ExportThenImportRestoresEveryValueExactly) {
    FillEveryType();
    std::string exported = Export();
    std::vector<RegistryValue> original = ValuesOf(BASE "\\Quill Post\\Types");
    ScopedRegistry fresh(tree_, "fresh.db");
    tree_.WriteFile("all.reg", exported);
    std::string error;
    ASSERT_TRUE(regfile::ImportRegFile(tree_.Join("all.reg"), &error)) << error;
    EXPECT_EQ(exported, Export());
    std::vector<RegistryValue> restored = ValuesOf(BASE "\\Quill Post\\Types");
    ASSERT_EQ(original.size(), restored.size());
    for (size_t i = 0; i < original.size(); ++i) {
        EXPECT_EQ(original[i].name, restored[i].name);
        EXPECT_EQ(original[i].type, restored[i].type) << original[i].name;
        EXPECT_EQ(original[i].data, restored[i].data) << original[i].name;
    }
}

}  // namespace
