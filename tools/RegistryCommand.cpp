// tools/RegistryCommand.cpp: "mtafilter registry": import, export, get, set and delete
// registry keys and values from the command line.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <span>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "tools/CommandLine.h"
#include "tools/Commands.h"
#include "tools/Json.h"
#include "tools/RegFile.h"

namespace {

using platform::RegistryStatus;
using regfile::RegistryValue;

constexpr const char* kUsage =
    "usage: mtafilter registry COMMAND [ARGS...]\n"
    "\n"
    "Commands:\n"
    "  import FILE.reg                apply a .reg file: all of it, or nothing when any of it is "
    "bad\n"
    "  export [KEY] [--output FILE]   write KEY and the keys below it (default: everything) as "
    ".reg\n"
    "  get KEY [VALUE] [--json]       print a value, or every value of KEY\n"
    "  set KEY VALUE TYPE:DATA        create or replace a value, creating KEY when missing\n"
    "  delete KEY [VALUE]             delete a value, or KEY with every key below it\n"
    "\n"
    "KEY is written as in .reg files: HKEY_LOCAL_MACHINE\\SOFTWARE\\... or HKLM\\SOFTWARE\\...\n"
    "VALUE @ names the key's default value. Run 'mtafilter registry COMMAND --help' for more.\n";

constexpr const char* kImportUsage =
    "usage: mtafilter registry import FILE.reg\n"
    "\n"
    "Applies a .reg file (\"Windows Registry Editor Version 5.00\" or \"REGEDIT4\", UTF-8) in\n"
    "one transaction. A file with any error is refused whole, with FILE:LINE of the error.\n"
    "Only HKEY_LOCAL_MACHINE keys are supported.\n";

constexpr const char* kExportUsage =
    "usage: mtafilter registry export [KEY] [--output FILE]\n"
    "\n"
    "Writes KEY and every key below it, or the whole registry, as a .reg file to standard\n"
    "output or to FILE. Importing the result restores every value exactly.\n";

constexpr const char* kGetUsage =
    "usage: mtafilter registry get KEY [VALUE] [--json]\n"
    "\n"
    "Prints VALUE of KEY, or every value of KEY as name=value lines (@ is the default value).\n"
    "A dword prints in decimal, sz and expand_sz as their text, multi_sz as its texts joined\n"
    "with commas (\\, and \\\\ inside a text), anything else as hex bytes.\n"
    "--json prints an object of name -> {\"type\": TYPE, \"value\": VALUE}: TYPE is none, sz,\n"
    "expand_sz, binary, dword, multi_sz or hex(N); a dword's value is a number, a multi_sz's\n"
    "an array of texts, binary and other types a string of hex digits.\n";

constexpr const char* kSetUsage =
    "usage: mtafilter registry set KEY VALUE TYPE:DATA\n"
    "\n"
    "Creates or replaces VALUE (@ for the default value) of KEY, creating KEY when missing.\n"
    "TYPE:DATA is one of:\n"
    "  dword:N             a number from 0 to 4294967295, decimal or 0x hex\n"
    "  sz:TEXT             a text\n"
    "  expand_sz:TEXT      a text with %VARIABLES%\n"
    "  multi_sz:A,B,...    a list of texts separated by commas; \\, is a comma in a text\n"
    "                      and \\\\ a backslash; multi_sz: alone is the empty list\n"
    "  binary:HEX          bytes as hex digits, e.g. binary:0a1b2c (commas, spaces allowed)\n"
    "Example: mtafilter registry set \"HKLM\\SOFTWARE\\Quill Post\\Filter\" Reload dword:1\n";

constexpr const char* kDeleteUsage =
    "usage: mtafilter registry delete KEY [VALUE]\n"
    "\n"
    "Deletes VALUE (@ for the default value) of KEY, or without VALUE the key itself with\n"
    "its values and every key below it.\n";

constexpr const char* kListHint = "list keys and values with 'mtafilter registry export'";

// Reads a subcommand's arguments (see ReadArguments) and checks that from `least` to
// `most` positional ones were given.
int ReadRegistryArguments(const char* command, const char* usage, int argc, char** argv,
                          std::span<const OptionSpec> known, size_t least, size_t most,
                          ParsedArguments* args) {
    if (int code = ReadArguments(command, usage, argc, argv, known, args); code != kProceed)
        return code;
    if (args->positional.size() < least || args->positional.size() > most)
        return UsageError(command, usage, "wrong number of arguments");
    return kProceed;
}

int StatusFailure(const char* command, RegistryStatus status, const std::string& subject) {
    if (status == platform::kRegNotFound)
        return Failure(command, "no such " + subject + "; " + kListHint);
    return Failure(command, std::string("cannot use the registry database ") +
                                platform::RegistryDatabasePath() +
                                "; check that it is a registry database and that it can be "
                                "written, or name another with --registry FILE");
}

// The key path below the hive; false (after saying so) when KEY is not HKLM's.
bool KeyArgument(const char* command, const char* usage, const std::string& key,
                 std::string* path) {
    std::string what;
    if (regfile::StripHive(key, path, &what)) return true;
    UsageError(command, usage, what);
    return false;
}

// Value names compare as the registry compares them, without regard to ASCII case.
bool SameName(const std::string& left, const std::string& right) {
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return left.size() == right.size() &&
           std::equal(left.begin(), left.end(), right.begin(),
                      [&](char a, char b) { return fold(a) == fold(b); });
}

std::string ValueName(const std::string& argument) {
    return argument == "@" ? "" : argument;
}

std::string KeySubject(const std::string& path) {
    return "key " + regfile::FullKeyName(path);
}

std::string ValueSubject(const std::string& path, const std::string& name) {
    return "value \"" + (name.empty() ? std::string("@") : name) + "\" in " + KeySubject(path);
}

// The texts of a REG_MULTI_SZ: NUL-ended, up to the empty one that ends the list.
std::vector<std::string> MultiTexts(const std::string& data) {
    std::vector<std::string> texts;
    size_t start = 0;
    while (start < data.size()) {
        size_t end = data.find('\0', start);
        if (end == start) break;
        if (end == std::string::npos) end = data.size();
        texts.push_back(data.substr(start, end - start));
        start = end + 1;
    }
    return texts;
}

std::string JoinMultiTexts(const std::vector<std::string>& texts) {
    std::string joined;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) joined += ',';
        for (char c : texts[i]) {
            if (c == ',' || c == '\\') joined += '\\';
            joined += c;
        }
    }
    return joined;
}

std::vector<std::string> SplitMultiTexts(const std::string& list) {
    std::vector<std::string> texts;
    if (list.empty()) return texts;
    std::string current;
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i] == '\\' && i + 1 < list.size()) {
            current += list[++i];
        } else if (list[i] == ',') {
            texts.push_back(current);
            current.clear();
        } else {
            current += list[i];
        }
    }
    texts.push_back(current);
    return texts;
}

std::string HexText(const std::string& data) {
    std::string hex;
    char pair[3];
    for (char c : data) {
        std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned char>(c));
        hex += pair;
    }
    return hex;
}

bool IsDword(const RegistryValue& value) {
    return value.type == platform::kRegDword && value.data.size() == 4;
}

bool IsText(const RegistryValue& value) {
    return value.type == platform::kRegSz || value.type == platform::kRegExpandSz;
}

uint32_t DwordOf(const std::string& data) {
    uint32_t number = 0;
    for (size_t i = 4; i > 0; --i) number = (number << 8) | static_cast<unsigned char>(data[i - 1]);
    return number;
}

std::string PlainText(const RegistryValue& value) {
    if (IsDword(value)) return std::to_string(DwordOf(value.data));
    if (IsText(value)) return value.data.substr(0, value.data.find('\0'));
    if (value.type == platform::kRegMultiSz) return JoinMultiTexts(MultiTexts(value.data));
    return HexText(value.data);
}

std::string TypeName(const RegistryValue& value) {
    switch (value.type) {
        case platform::kRegNone:
            return "none";
        case platform::kRegSz:
            return "sz";
        case platform::kRegExpandSz:
            return "expand_sz";
        case platform::kRegBinary:
            return "binary";
        case platform::kRegDword:
            return "dword";
        case platform::kRegMultiSz:
            return "multi_sz";
        default:
            break;
    }
    char name[24];
    std::snprintf(name, sizeof name, "hex(%x)", value.type);
    return name;
}

std::string JsonValue(const RegistryValue& value) {
    if (IsDword(value)) return std::to_string(DwordOf(value.data));
    if (IsText(value)) return JsonQuotedUtf8(PlainText(value));
    if (value.type != platform::kRegMultiSz) return JsonQuotedUtf8(HexText(value.data));
    return JsonArray(MultiTexts(value.data), JsonQuotedUtf8);
}

std::string DisplayName(const RegistryValue& value) {
    return value.name.empty() ? "@" : value.name;
}

void PrintValues(const std::vector<RegistryValue>& values, bool json) {
    if (!json) {
        for (const RegistryValue& value : values)
            std::printf("%s=%s\n", DisplayName(value).c_str(), PlainText(value).c_str());
        return;
    }
    std::printf("{");
    for (size_t i = 0; i < values.size(); ++i) {
        std::printf("%s\n  %s: {\"type\": \"%s\", \"value\": %s}", i > 0 ? "," : "",
                    JsonQuotedUtf8(DisplayName(values[i])).c_str(), TypeName(values[i]).c_str(),
                    JsonValue(values[i]).c_str());
    }
    std::printf("%s}\n", values.empty() ? "" : "\n");
}

bool ParseDword(const std::string& text, std::string* data) {
    if (text.empty() || text[0] == '-' || text[0] == '+') return false;
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    char* end = nullptr;
    errno = 0;
    unsigned long long number = std::strtoull(text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || number > 0xFFFFFFFFull) return false;
    data->clear();
    for (int i = 0; i < 4; ++i) *data += static_cast<char>((number >> (8 * i)) & 0xFF);
    return true;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseBinary(const std::string& text, std::string* data) {
    std::string digits;
    for (char c : text) {
        if (c == ',' || c == ' ' || c == ':') continue;
        if (HexValue(c) < 0) return false;
        digits += c;
    }
    if (digits.size() % 2 != 0) return false;
    for (size_t i = 0; i < digits.size(); i += 2)
        *data += static_cast<char>(HexValue(digits[i]) * 16 + HexValue(digits[i + 1]));
    return true;
}

// TYPE:DATA as the set subcommand takes it into a type and the bytes to store.
bool ParseTypedData(const std::string& argument, RegistryValue* value) {
    size_t colon = argument.find(':');
    if (colon == std::string::npos) return false;
    std::string type = argument.substr(0, colon);
    std::string text = argument.substr(colon + 1);
    if (type == "dword") {
        value->type = platform::kRegDword;
        return ParseDword(text, &value->data);
    }
    if (type == "sz" || type == "expand_sz") {
        value->type = type == "sz" ? platform::kRegSz : platform::kRegExpandSz;
        value->data = text + '\0';
        return true;
    }
    if (type == "multi_sz") {
        value->type = platform::kRegMultiSz;
        for (const std::string& item : SplitMultiTexts(text)) value->data += item + '\0';
        value->data += '\0';
        return true;
    }
    if (type == "binary") {
        value->type = platform::kRegBinary;
        return ParseBinary(text, &value->data);
    }
    return false;
}

int Import(int argc, char** argv) {
    ParsedArguments args;
    if (int code =
            ReadRegistryArguments("registry import", kImportUsage, argc, argv, {}, 1, 1, &args);
        code != kProceed)
        return code;
    std::string error;
    if (!regfile::ImportRegFile(args.positional[0], &error))
        return Failure("registry import", error);
    std::printf("imported %s into %s\n", args.positional[0].c_str(),
                platform::RegistryDatabasePath());
    return kExitSuccess;
}

int WriteOutput(const std::string& fileName, const std::string& text) {
    FILE* out = fileName.empty() ? stdout : std::fopen(fileName.c_str(), "wb");
    if (out == nullptr)
        return Failure("registry export", "cannot write " + fileName + ": " + std::strerror(errno));
    bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if (out == stdout)
        written = std::fflush(out) == 0 && written;
    else
        written = std::fclose(out) == 0 && written;
    if (!written)
        return Failure("registry export",
                       "cannot write " + (fileName.empty() ? "the output" : fileName));
    return kExitSuccess;
}

int Export(int argc, char** argv) {
    constexpr OptionSpec kOptions[] = {{"--output", "a file name"}};
    ParsedArguments args;
    if (int code = ReadRegistryArguments("registry export", kExportUsage, argc, argv, kOptions, 0,
                                         1, &args);
        code != kProceed)
        return code;
    std::string path;
    if (!args.positional.empty() &&
        !KeyArgument("registry export", kExportUsage, args.positional[0], &path))
        return kExitUsage;
    std::string text;
    RegistryStatus status = regfile::ExportRegistry(path, &text);
    if (status != platform::kRegOk)
        return StatusFailure("registry export", status, KeySubject(path));
    return WriteOutput(args.Value("--output"), text);
}

int Get(int argc, char** argv) {
    constexpr OptionSpec kOptions[] = {{"--json", nullptr}};
    ParsedArguments args;
    if (int code =
            ReadRegistryArguments("registry get", kGetUsage, argc, argv, kOptions, 1, 2, &args);
        code != kProceed)
        return code;
    const bool json = args.Has("--json");
    std::string path;
    if (!KeyArgument("registry get", kGetUsage, args.positional[0], &path)) return kExitUsage;
    std::vector<RegistryValue> values;
    RegistryStatus status = regfile::ReadKeyValues(path, &values);
    if (status != platform::kRegOk) return StatusFailure("registry get", status, KeySubject(path));
    if (args.positional.size() == 2) {
        std::string name = ValueName(args.positional[1]);
        std::vector<RegistryValue> chosen;
        for (const RegistryValue& value : values)
            if (SameName(value.name, name)) chosen.push_back(value);
        if (chosen.empty())
            return StatusFailure("registry get", platform::kRegNotFound, ValueSubject(path, name));
        values = chosen;
    }
    if (args.positional.size() == 2 && !json)
        std::printf("%s\n", PlainText(values[0]).c_str());
    else
        PrintValues(values, json);
    return kExitSuccess;
}

int Set(int argc, char** argv) {
    ParsedArguments args;
    if (int code = ReadRegistryArguments("registry set", kSetUsage, argc, argv, {}, 3, 3, &args);
        code != kProceed)
        return code;
    std::string path;
    if (!KeyArgument("registry set", kSetUsage, args.positional[0], &path)) return kExitUsage;
    RegistryValue value;
    value.name = ValueName(args.positional[1]);
    if (!ParseTypedData(args.positional[2], &value))
        return UsageError("registry set", kSetUsage,
                          "cannot read \"" + args.positional[2] +
                              "\" as TYPE:DATA (dword:N, sz:TEXT, expand_sz:TEXT, "
                              "multi_sz:A,B or binary:HEX)");
    platform::RegistryKey key = nullptr;
    RegistryStatus status = platform::RegistryCreateKey(path.c_str(), &key);
    if (status == platform::kRegOk) {
        status = platform::RegistrySetValue(key, value.name.c_str(), value.type, value.data.data(),
                                            static_cast<uint32_t>(value.data.size()));
        platform::RegistryCloseKey(key);
    }
    if (status != platform::kRegOk) return StatusFailure("registry set", status, KeySubject(path));
    return kExitSuccess;
}

int Delete(int argc, char** argv) {
    ParsedArguments args;
    if (int code =
            ReadRegistryArguments("registry delete", kDeleteUsage, argc, argv, {}, 1, 2, &args);
        code != kProceed)
        return code;
    std::string path;
    if (!KeyArgument("registry delete", kDeleteUsage, args.positional[0], &path)) return kExitUsage;
    if (args.positional.size() == 1) {
        if (path.empty())
            return UsageError("registry delete", kDeleteUsage,
                              "the whole of HKEY_LOCAL_MACHINE cannot be deleted");
        RegistryStatus status = platform::RegistryDeleteKeyTree(path.c_str());
        return status == platform::kRegOk
                   ? kExitSuccess
                   : StatusFailure("registry delete", status, KeySubject(path));
    }
    std::string name = ValueName(args.positional[1]);
    platform::RegistryKey key = nullptr;
    RegistryStatus status = platform::RegistryOpenKey(path.c_str(), &key);
    if (status != platform::kRegOk)
        return StatusFailure("registry delete", status, KeySubject(path));
    status = platform::RegistryDeleteValue(key, name.c_str());
    platform::RegistryCloseKey(key);
    return status == platform::kRegOk
               ? kExitSuccess
               : StatusFailure("registry delete", status, ValueSubject(path, name));
}

constexpr Subcommand kSubcommands[] = {
    {"import", Import, nullptr}, {"export", Export, nullptr}, {"get", Get, nullptr},
    {"set", Set, nullptr},       {"delete", Delete, nullptr},
};

}  // namespace

int RegistryCommand(int argc, char** argv) {
    try {
        return DispatchSubcommand("registry", kUsage, kSubcommands, argc, argv);
    } catch (const std::exception& error) {
        return Failure("registry", error.what());
    }
}
