// tools/RegFile.cpp: reading .reg files into the registry and writing the registry as one.
#include "tools/RegFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string_view>

namespace regfile {
namespace {

using platform::RegistryKey;
using platform::RegistryStatus;

constexpr std::string_view kHeaders[] = {"Windows Registry Editor Version 5.00", "REGEDIT4"};
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Boms[] = {"\xFF\xFE", "\xFE\xFF"};
constexpr std::string_view kHive = "HKEY_LOCAL_MACHINE";
constexpr std::string_view kHiveNames[] = {"hkey_local_machine", "hklm"};
constexpr std::string_view kOtherHives[] = {
    "hkey_classes_root",   "hkcr", "hkey_current_user",     "hkcu",         "hkey_users", "hku",
    "hkey_current_config", "hkcc", "hkey_performance_data", "hkey_dyn_data"};
// regedit breaks a hex line once it passes this column and indents the next by two.
constexpr size_t kWrapColumn = 76;
constexpr int kReadAttempts = 8;

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view TrimRight(std::string_view text) {
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view Trim(std::string_view text) {
    text = TrimRight(text);
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    return text;
}

bool StartsWithFolded(std::string_view text, std::string_view lowerPrefix) {
    return text.size() >= lowerPrefix.size() &&
           Lower(text.substr(0, lowerPrefix.size())) == lowerPrefix;
}

bool Contains(const std::string_view* begin, const std::string_view* end, std::string_view item) {
    return std::find(begin, end, item) != end;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// 1 to `maxDigits` hex digits, nothing else.
bool ParseHexNumber(std::string_view digits, size_t maxDigits, uint32_t* number) {
    if (digits.empty() || digits.size() > maxDigits) return false;
    uint32_t result = 0;
    for (char c : digits) {
        int digit = HexDigit(c);
        if (digit < 0) return false;
        result = (result << 4) | static_cast<uint32_t>(digit);
    }
    *number = result;
    return true;
}

std::string JoinParts(std::string_view path) {
    std::string joined;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = std::min(path.find('\\', start), path.size());
        if (end > start) {
            if (!joined.empty()) joined += '\\';
            joined.append(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return joined;
}

std::string Escape(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        if (c == '\\' || c == '"') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

// Closes a key handle when it goes out of scope.
class OpenedKey {
public:
    OpenedKey() = default;
    ~OpenedKey() { platform::RegistryCloseKey(key_); }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;
    RegistryKey* Out() { return &key_; }
    RegistryKey Get() const { return key_; }

private:
    RegistryKey key_ = nullptr;
};

// The .reg parser: one pass over the lines, each section and value checked as it comes.
class Parser {
public:
    Parser(std::string_view text, const std::string& fileName, std::string* error)
        : text_(text), fileName_(fileName), error_(error) {}

    bool Parse(RegDocument* document) {
        document_ = document;
        for (std::string_view bom : kUtf16Boms)
            if (text_.substr(0, bom.size()) == bom)
                return Fail("the file is UTF-16; save it as UTF-8 (or ANSI) and import it again");
        if (text_.substr(0, kUtf8Bom.size()) == kUtf8Bom) text_.remove_prefix(kUtf8Bom.size());
        SplitLines();
        if (std::find(std::begin(kHeaders), std::end(kHeaders), TrimRight(lines_[0])) ==
            std::end(kHeaders))
            return Fail(
                "not a .reg file: the first line must be \"Windows Registry Editor "
                "Version 5.00\" or \"REGEDIT4\"");
        for (index_ = 1; index_ < lines_.size(); ++index_) {
            lineNumber_ = static_cast<int>(index_ + 1);
            if (!ParseLine(Trim(lines_[index_]))) return false;
        }
        return true;
    }

private:
    void SplitLines() {
        size_t start = 0;
        while (true) {
            size_t end = text_.find('\n', start);
            lines_.push_back(
                text_.substr(start, end == std::string_view::npos ? end : end - start));
            if (end == std::string_view::npos) break;
            start = end + 1;
        }
    }

    bool Fail(const std::string& what) {
        *error_ = fileName_ + ":" + std::to_string(lineNumber_) + ": " + what;
        return false;
    }

    bool ParseLine(std::string_view line) {
        if (line.empty() || line.front() == ';') return true;
        if (line.front() == '[') return ParseSection(line);
        if (line.front() == '"' || line.front() == '@') return ParseValue(line);
        return Fail("unexpected text \"" + std::string(line) +
                    "\"; expected [KEY], \"name\"=value or @=value");
    }

    bool ParseSection(std::string_view line) {
        size_t close = line.rfind(']');
        if (close == std::string_view::npos) return Fail("a key name needs its closing ']'");
        std::string_view name = line.substr(1, close - 1);
        KeyChange key;
        key.line = lineNumber_;
        key.remove = !name.empty() && name.front() == '-';
        if (key.remove) name.remove_prefix(1);
        std::string what;
        if (!StripHive(std::string(name), &key.path, &what)) return Fail(what);
        if (key.remove && key.path.empty())
            return Fail("the whole of HKEY_LOCAL_MACHINE cannot be deleted; name a key below it");
        document_->push_back(std::move(key));
        return true;
    }

    bool ParseValue(std::string_view line) {
        if (document_->empty()) return Fail("a value before any [KEY] line; put it under its key");
        if (document_->back().remove)
            return Fail("a value under a deleted key; drop the '-' of its [-KEY] or the value");
        ValueChange change;
        change.line = lineNumber_;
        std::string_view rest = line;
        if (rest.front() == '@') {
            rest.remove_prefix(1);
        } else if (!ParseQuoted(&rest, &change.value.name)) {
            return false;
        }
        rest = Trim(rest);
        if (rest.empty() || rest.front() != '=') return Fail("expected '=' after the value name");
        std::string data = JoinContinuations(Trim(rest.substr(1)));
        if (!ParseData(data, &change)) return false;
        document_->back().values.push_back(std::move(change));
        return true;
    }

    // Hex data goes on over the following lines while a line ends with '\'.
    std::string JoinContinuations(std::string_view first) {
        std::string data(first);
        if (!StartsWithFolded(data, "hex")) return data;
        while (!data.empty() && data.back() == '\\' && index_ + 1 < lines_.size()) {
            data.pop_back();
            data.append(Trim(lines_[++index_]));
        }
        return data;
    }

    // A "..." string with \\ and \" escapes; `rest` is left after the closing quote.
    bool ParseQuoted(std::string_view* rest, std::string* text) {
        for (size_t i = 1; i < rest->size(); ++i) {
            char c = (*rest)[i];
            if (c == '"') {
                rest->remove_prefix(i + 1);
                return true;
            }
            if (c == '\\') {
                if (i + 1 == rest->size() || ((*rest)[i + 1] != '\\' && (*rest)[i + 1] != '"'))
                    return Fail(
                        "a backslash in a string must be written \\\\ (or \\\" for a quote)");
                c = (*rest)[++i];
            }
            *text += c;
        }
        return Fail("a string is missing its closing quote");
    }

    bool ParseData(std::string_view data, ValueChange* change) {
        RegistryValue& value = change->value;
        if (data == "-") {
            change->remove = true;
            return true;
        }
        if (!data.empty() && data.front() == '"') return ParseString(data, &value);
        if (StartsWithFolded(data, "dword:")) return ParseDword(Trim(data.substr(6)), &value);
        if (StartsWithFolded(data, "hex:")) {
            value.type = platform::kRegBinary;
            return ParseHexBytes(data.substr(4), &value.data);
        }
        if (StartsWithFolded(data, "hex(")) return ParseTypedHex(data.substr(4), &value);
        return Fail("unknown value \"" + std::string(data) +
                    "\"; write \"text\", dword:XXXXXXXX, hex:.., hex(N):.. or - to delete");
    }

    bool ParseString(std::string_view data, RegistryValue* value) {
        if (!ParseQuoted(&data, &value->data)) return false;
        if (!Trim(data).empty()) return Fail("unexpected text after the closing quote");
        value->type = platform::kRegSz;
        value->data += '\0';
        return true;
    }

    bool ParseDword(std::string_view digits, RegistryValue* value) {
        uint32_t number = 0;
        if (!ParseHexNumber(digits, 8, &number))
            return Fail("a dword needs 1 to 8 hex digits, for example dword:0000000a");
        value->type = platform::kRegDword;
        for (int i = 0; i < 4; ++i) value->data += static_cast<char>((number >> (8 * i)) & 0xFF);
        return true;
    }

    bool ParseTypedHex(std::string_view rest, RegistryValue* value) {
        size_t close = rest.find("):");
        if (close == std::string_view::npos ||
            !ParseHexNumber(rest.substr(0, close), 8, &value->type))
            return Fail(
                "a typed hex value is written hex(N): with N the type in hex, e.g. hex(7):");
        return ParseHexBytes(rest.substr(close + 2), &value->data);
    }

    bool ParseHexBytes(std::string_view list, std::string* bytes) {
        list = Trim(list);
        size_t start = 0;
        while (!list.empty() && start <= list.size()) {
            size_t end = std::min(list.find(',', start), list.size());
            uint32_t byte = 0;
            if (!ParseHexNumber(Trim(list.substr(start, end - start)), 2, &byte))
                return Fail(
                    "bad hex bytes; write them as 2-digit pairs separated by commas, "
                    "ending a continued line with \\");
            *bytes += static_cast<char>(byte);
            start = end + 1;
        }
        return true;
    }

    std::string_view text_;
    const std::string& fileName_;
    std::string* error_;
    RegDocument* document_ = nullptr;
    std::vector<std::string_view> lines_;
    size_t index_ = 0;
    int lineNumber_ = 1;
};

// Applies one section; on failure says what could not be done.
bool ApplyKey(const KeyChange& key, std::string* what, int* line) {
    *line = key.line;
    if (key.remove) {
        RegistryStatus status = platform::RegistryDeleteKeyTree(key.path.c_str());
        *what = "cannot delete key " + FullKeyName(key.path);
        return status == platform::kRegOk || status == platform::kRegNotFound;
    }
    OpenedKey opened;
    *what = "cannot create key " + FullKeyName(key.path);
    if (platform::RegistryCreateKey(key.path.c_str(), opened.Out()) != platform::kRegOk)
        return false;
    for (const ValueChange& change : key.values) {
        const RegistryValue& value = change.value;
        *line = change.line;
        *what = "cannot write value \"" + value.name + "\"";
        RegistryStatus status =
            change.remove ? platform::RegistryDeleteValue(opened.Get(), value.name.c_str())
                          : platform::RegistrySetValue(opened.Get(), value.name.c_str(), value.type,
                                                       value.data.data(),
                                                       static_cast<uint32_t>(value.data.size()));
        if (status != platform::kRegOk && !(change.remove && status == platform::kRegNotFound))
            return false;
    }
    return true;
}

std::string DatabaseAdvice() {
    return std::string("the registry database ") + platform::RegistryDatabasePath() +
           " could not be written; check that its directory exists and is writable";
}

// One name by enumeration index, the buffer grown until it fits.
RegistryStatus EnumName(RegistryKey key, uint32_t index, bool subkey, std::string* name) {
    for (size_t capacity = 256; capacity <= (1u << 24); capacity *= 4) {
        std::string buffer(capacity, '\0');
        RegistryStatus status =
            subkey ? platform::RegistryEnumSubkey(key, index, buffer.data(), capacity)
                   : platform::RegistryEnumValue(key, index, buffer.data(), capacity);
        if (status == platform::kRegMoreData) continue;
        if (status == platform::kRegOk) *name = buffer.c_str();
        return status;
    }
    return platform::kRegFailed;
}

RegistryStatus EnumNames(RegistryKey key, bool subkeys, std::vector<std::string>* names) {
    for (uint32_t index = 0;; ++index) {
        std::string name;
        RegistryStatus status = EnumName(key, index, subkeys, &name);
        if (status == platform::kRegNoMoreItems) return platform::kRegOk;
        if (status != platform::kRegOk) return status;
        names->push_back(std::move(name));
    }
}

// The value's size first, then its bytes; another writer may grow it in between.
RegistryStatus ReadValue(RegistryKey key, const std::string& name, RegistryValue* value) {
    value->name = name;
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        uint32_t size = 0;
        RegistryStatus status =
            platform::RegistryQueryValue(key, name.c_str(), &value->type, nullptr, &size);
        if (status != platform::kRegOk) return status;
        value->data.assign(size, '\0');
        status = platform::RegistryQueryValue(key, name.c_str(), &value->type, value->data.data(),
                                              &size);
        if (status == platform::kRegMoreData) continue;
        value->data.resize(size);
        return status;
    }
    return platform::kRegFailed;
}

RegistryStatus ReadOpenKeyValues(RegistryKey key, std::vector<RegistryValue>* values) {
    std::vector<std::string> names;
    RegistryStatus status = EnumNames(key, false, &names);
    for (size_t i = 0; status == platform::kRegOk && i < names.size(); ++i) {
        RegistryValue value;
        status = ReadValue(key, names[i], &value);
        if (status == platform::kRegOk) values->push_back(std::move(value));
    }
    return status;
}

bool FoldedLess(const std::string& left, const std::string& right) {
    return Lower(left) < Lower(right);
}

// Writes a key's section (the hive's only when it holds values) and then its subkeys'.
RegistryStatus ExportKey(const std::string& path, std::string* text) {
    std::vector<RegistryValue> values;
    std::vector<std::string> subkeys;
    {
        OpenedKey opened;
        RegistryStatus status = platform::RegistryOpenKey(path.c_str(), opened.Out());
        if (status == platform::kRegOk) status = ReadOpenKeyValues(opened.Get(), &values);
        if (status == platform::kRegOk) status = EnumNames(opened.Get(), true, &subkeys);
        if (status != platform::kRegOk) return status;
    }
    if (!path.empty() || !values.empty()) {
        *text += "[" + FullKeyName(path) + "]\n";
        for (const RegistryValue& value : values) *text += FormatValueLine(value) + "\n";
        *text += "\n";
    }
    std::sort(subkeys.begin(), subkeys.end(), FoldedLess);
    for (const std::string& subkey : subkeys) {
        RegistryStatus status = ExportKey(path.empty() ? subkey : path + "\\" + subkey, text);
        if (status != platform::kRegOk) return status;
    }
    return platform::kRegOk;
}

std::string HexByte(unsigned char byte) {
    constexpr char kDigits[] = "0123456789abcdef";
    return {kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

std::string WrappedHex(std::string line, const std::string& data) {
    size_t lineStart = 0;
    for (size_t i = 0; i < data.size(); ++i) {
        line += HexByte(static_cast<unsigned char>(data[i]));
        if (i + 1 == data.size()) break;
        line += ',';
        if (line.size() - lineStart > kWrapColumn) {
            line += "\\\n  ";
            lineStart = line.size() - 2;
        }
    }
    return line;
}

std::string DwordText(const std::string& data) {
    uint32_t number = 0;
    for (size_t i = 4; i > 0; --i) number = (number << 8) | static_cast<unsigned char>(data[i - 1]);
    char text[16];
    std::snprintf(text, sizeof text, "dword:%08x", number);
    return text;
}

std::string HexPrefix(uint32_t type) {
    if (type == platform::kRegBinary) return "hex:";
    char prefix[24];
    std::snprintf(prefix, sizeof prefix, "hex(%x):", type);
    return prefix;
}

// Length of the UTF-8 sequence a lead byte starts with, and the range its second byte
// must be in (which rules out overlong forms and surrogates); 0 for a bad lead byte.
size_t Utf8Sequence(unsigned char lead, unsigned char* low, unsigned char* high) {
    *low = 0x80;
    *high = 0xBF;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (lead == 0xE0) *low = 0xA0;
        if (lead == 0xED) *high = 0x9F;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (lead == 0xF0) *low = 0x90;
        if (lead == 0xF4) *high = 0x8F;
        return 4;
    }
    return 0;
}

}  // namespace

bool IsUtf8(const std::string& bytes) {
    for (size_t i = 0; i < bytes.size();) {
        unsigned char low = 0;
        unsigned char high = 0;
        size_t length = Utf8Sequence(static_cast<unsigned char>(bytes[i]), &low, &high);
        if (length == 0 || i + length > bytes.size()) return false;
        for (size_t k = 1; k < length; ++k) {
            auto byte = static_cast<unsigned char>(bytes[i + k]);
            if (byte < (k == 1 ? low : 0x80) || byte > (k == 1 ? high : 0xBF)) return false;
        }
        i += length;
    }
    return true;
}

bool IsPlainText(const std::string& data) {
    if (data.empty() || data.back() != '\0') return false;
    std::string text = data.substr(0, data.size() - 1);
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return false;
    }
    return IsUtf8(text);
}

bool StripHive(const std::string& fullPath, std::string* path, std::string* error) {
    std::string_view full = fullPath;
    size_t slash = full.find('\\');
    std::string_view hive = full.substr(0, slash);
    std::string folded = Lower(hive);
    if (Contains(std::begin(kHiveNames), std::end(kHiveNames), folded)) {
        *path = slash == std::string_view::npos ? "" : JoinParts(full.substr(slash + 1));
        return true;
    }
    if (Contains(std::begin(kOtherHives), std::end(kOtherHives), folded))
        *error = "only HKEY_LOCAL_MACHINE is supported, not " + std::string(hive);
    else
        *error = "\"" + fullPath + "\" does not start with a hive; write HKEY_LOCAL_MACHINE\\" +
                 "KEY or HKLM\\KEY";
    return false;
}

std::string FullKeyName(const std::string& path) {
    return path.empty() ? std::string(kHive) : std::string(kHive) + "\\" + path;
}

std::string FormatValueLine(const RegistryValue& value) {
    std::string line = (value.name.empty() ? "@" : "\"" + Escape(value.name) + "\"") + "=";
    if (value.type == platform::kRegDword && value.data.size() == 4)
        return line + DwordText(value.data);
    if (value.type == platform::kRegSz && IsPlainText(value.data))
        return line + "\"" + Escape(std::string_view(value.data).substr(0, value.data.size() - 1)) +
               "\"";
    return WrappedHex(line + HexPrefix(value.type), value.data);
}

bool ParseRegText(const std::string& text, const std::string& fileName, RegDocument* document,
                  std::string* error) {
    try {
        document->clear();
        Parser parser(text, fileName, error);
        return parser.Parse(document);
    } catch (const std::exception& failure) {
        *error = fileName + ": " + failure.what();
        return false;
    }
}

bool ApplyRegDocument(const RegDocument& document, const std::string& fileName,
                      std::string* error) {
    if (platform::RegistryBeginTransaction() != platform::kRegOk) {
        *error = fileName + ": nothing imported: " + DatabaseAdvice();
        return false;
    }
    std::string what;
    int line = 0;
    for (const KeyChange& key : document) {
        if (!ApplyKey(key, &what, &line)) {
            platform::RegistryRollbackTransaction();
            *error = fileName + ":" + std::to_string(line) + ": " + what +
                     "; nothing imported: " + DatabaseAdvice();
            return false;
        }
    }
    if (platform::RegistryCommitTransaction() != platform::kRegOk) {
        *error = fileName + ": nothing imported: " + DatabaseAdvice();
        return false;
    }
    return true;
}

bool ImportRegFile(const std::string& fileName, std::string* error) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) {
        *error = fileName + ": cannot read the file: " + std::strerror(errno);
        return false;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    RegDocument document;
    return ParseRegText(text, fileName, &document, error) &&
           ApplyRegDocument(document, fileName, error);
}

RegistryStatus CanonicalKeyPath(const std::string& path, std::string* canonical) {
    std::string current;
    std::string rest = JoinParts(path);
    size_t start = 0;
    while (start < rest.size()) {
        size_t end = std::min(rest.find('\\', start), rest.size());
        std::string wanted = Lower(std::string_view(rest).substr(start, end - start));
        std::vector<std::string> subkeys;
        OpenedKey opened;
        RegistryStatus status = platform::RegistryOpenKey(current.c_str(), opened.Out());
        if (status == platform::kRegOk) status = EnumNames(opened.Get(), true, &subkeys);
        if (status != platform::kRegOk) return status;
        auto match = std::find_if(subkeys.begin(), subkeys.end(),
                                  [&](const std::string& name) { return Lower(name) == wanted; });
        if (match == subkeys.end()) return platform::kRegNotFound;
        current += (current.empty() ? "" : "\\") + *match;
        start = end + 1;
    }
    *canonical = current;
    return platform::kRegOk;
}

RegistryStatus ExportRegistry(const std::string& path, std::string* text) {
    try {
        std::string canonical;
        RegistryStatus status = CanonicalKeyPath(path, &canonical);
        if (status != platform::kRegOk) return status;
        *text = std::string(kHeaders[0]) + "\n\n";
        return ExportKey(canonical, text);
    } catch (...) {
        return platform::kRegFailed;
    }
}

RegistryStatus ReadKeyValues(const std::string& path, std::vector<RegistryValue>* values) {
    try {
        OpenedKey opened;
        RegistryStatus status = platform::RegistryOpenKey(path.c_str(), opened.Out());
        return status == platform::kRegOk ? ReadOpenKeyValues(opened.Get(), values) : status;
    } catch (...) {
        return platform::kRegFailed;
    }
}

}  // namespace regfile
