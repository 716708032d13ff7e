// tools/RegFile.h: the .reg text format (as regedit reads and writes it) over the registry:
// parsing, importing all or nothing, exporting, and the key and value formats they share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace regfile {

// A value as the registry stores it.
struct RegistryValue {
    std::string name;  // "" for the key's default value
    uint32_t type = platform::kRegNone;
    std::string data;  // the bytes, exactly
};

// One value line of a .reg file: sets `value`, or deletes the value when `remove`.
struct ValueChange {
    RegistryValue value;
    bool remove = false;
    int line = 0;
};

// One section: [KEY] creates the key and applies its values; [-KEY] deletes its tree.
struct KeyChange {
    std::string path;  // below HKEY_LOCAL_MACHINE; "" for the hive itself
    bool remove = false;
    int line = 0;
    std::vector<ValueChange> values;
};

using RegDocument = std::vector<KeyChange>;

// Parses the text of a .reg file. On failure returns false with *error as
// "FILE:LINE: what is wrong".
bool ParseRegText(const std::string& text, const std::string& fileName, RegDocument* document,
                  std::string* error);

// Applies a parsed file in one transaction: all of it lands, or (false, *error) none.
bool ApplyRegDocument(const RegDocument& document, const std::string& fileName, std::string* error);

// Reads, parses and applies a .reg file; nothing is changed unless all of it is good.
bool ImportRegFile(const std::string& fileName, std::string* error);

// The .reg text of a key and every key below it ("" for the whole registry): the
// header, then each key's section, subkeys sorted, values in the order they were made.
platform::RegistryStatus ExportRegistry(const std::string& path, std::string* text);

// The values of a key, in the order they were made.
platform::RegistryStatus ReadKeyValues(const std::string& path, std::vector<RegistryValue>* values);

// The path of a key spelled as its keys were created, "" for the hive.
platform::RegistryStatus CanonicalKeyPath(const std::string& path, std::string* canonical);

// Takes "HKEY_LOCAL_MACHINE\..." or "HKLM\..." (any case) apart into the path below the
// hive. Returns false with *error when it names another hive or none.
bool StripHive(const std::string& fullPath, std::string* path, std::string* error);

// "HKEY_LOCAL_MACHINE\path", or the hive alone for "".
std::string FullKeyName(const std::string& path);

// One value line as export writes it: "name"=... (@=... for the default value).
std::string FormatValueLine(const RegistryValue& value);

// True when a REG_SZ's bytes are printable text (valid UTF-8) ending in their one NUL.
bool IsPlainText(const std::string& data);

// True when the bytes are valid UTF-8 (plain ASCII included).
bool IsUtf8(const std::string& bytes);

}  // namespace regfile
