// platform/win32/RegistryJournal.cpp: what a transaction's changes replaced, kept per thread
// until commit or rollback.
#include "platform/win32/RegistryJournal.h"

#include <new>
#include <string>
#include <utility>
#include <vector>

namespace platform::journal {

namespace {

struct SavedValue {
    std::string name;
    DWORD type;
    std::string data;
};

// One change to undo: a value to put back (or to delete when it did not exist), a key
// tree to delete (created by the transaction), or a key tree to recreate (deleted by it).
struct Undo {
    enum class Kind { kValue, kRemoveKey, kRestoreTree };
    Undo(Kind kind, std::string path) : kind(kind), path(std::move(path)) {}

    Kind kind;
    std::string path;
    bool existed = false;  // kValue: whether the value was there before
    SavedValue value;      // kValue
    // kRestoreTree: every key of the tree, parents first, with its values.
    std::vector<std::pair<std::string, std::vector<SavedValue>>> keys;
};

// The open transaction's record, null when none is open. A plain pointer: a thread-local
// object with a destructor would leave the thread's exit calling into this library after
// the MTA unloaded it, and every registry write of every thread touches this variable.
thread_local std::vector<Undo>* record = nullptr;

bool ReadValue(HKEY key, const char* name, SavedValue* value, bool* exists) {
    DWORD size = 0;
    LONG code = RegQueryValueExA(key, name, nullptr, &value->type, nullptr, &size);
    *exists = code == ERROR_SUCCESS;
    if (code == ERROR_FILE_NOT_FOUND) return true;
    if (code != ERROR_SUCCESS) return false;
    value->name = name;
    value->data.resize(size);
    code = RegQueryValueExA(key, name, nullptr, &value->type,
                            reinterpret_cast<BYTE*>(value->data.data()), &size);
    value->data.resize(size);
    return code == ERROR_SUCCESS;
}

// Every value of `key`, by enumeration.
bool ReadValues(HKEY key, std::vector<SavedValue>* values) {
    for (DWORD index = 0;; ++index) {
        char name[16384];
        DWORD length = sizeof name;
        LONG code = RegEnumValueA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (code == ERROR_NO_MORE_ITEMS) return true;
        SavedValue value;
        bool exists = false;
        if (code != ERROR_SUCCESS || !ReadValue(key, name, &value, &exists) || !exists)
            return false;
        values->push_back(value);
    }
}

// The key at `path` and everything below it, parents first; false when it cannot be read.
bool ReadTree(const std::string& path, Undo* undo) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    undo->keys.push_back({path, {}});
    bool read = ReadValues(key, &undo->keys.back().second);
    std::vector<std::string> children;
    for (DWORD index = 0; read; ++index) {
        char name[256];
        DWORD length = sizeof name;
        LONG code = RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (code == ERROR_NO_MORE_ITEMS) break;
        read = code == ERROR_SUCCESS;
        if (read) children.push_back(path + "\\" + name);
    }
    RegCloseKey(key);
    for (const std::string& child : children)
        if (read) read = ReadTree(child, undo);
    return read;
}

bool KeyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool DeleteTree(const std::string& path) {
    LONG code = RegDeleteTreeA(HKEY_LOCAL_MACHINE, path.c_str());
    if (code == ERROR_SUCCESS) code = RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
    return code == ERROR_SUCCESS || code == ERROR_FILE_NOT_FOUND;
}

bool PutValue(HKEY key, const SavedValue& value) {
    return RegSetValueExA(key, value.name.c_str(), 0, value.type,
                          reinterpret_cast<const BYTE*>(value.data.data()),
                          static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
}

bool UndoValue(const Undo& undo) {
    HKEY key = nullptr;
    LONG code = RegOpenKeyExA(HKEY_LOCAL_MACHINE, undo.path.c_str(), 0, KEY_SET_VALUE, &key);
    if (code == ERROR_FILE_NOT_FOUND && !undo.existed) return true;  // went with its key
    if (code != ERROR_SUCCESS) return false;
    bool done = undo.existed;
    if (undo.existed) {
        done = PutValue(key, undo.value);
    } else {
        code = RegDeleteValueA(key, undo.value.name.c_str());
        done = code == ERROR_SUCCESS || code == ERROR_FILE_NOT_FOUND;
    }
    RegCloseKey(key);
    return done;
}

bool RestoreTree(const Undo& undo) {
    bool done = true;
    for (const auto& [path, values] : undo.keys) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
            done = false;
            continue;
        }
        for (const SavedValue& value : values) done = PutValue(key, value) && done;
        RegCloseKey(key);
    }
    return done;
}

}  // namespace

bool Open() {
    return record != nullptr;
}

bool Begin() {
    if (record == nullptr) record = new (std::nothrow) std::vector<Undo>;
    return record != nullptr;
}

void Discard() {
    delete record;
    record = nullptr;
}

RegistryStatus Rollback() {
    bool done = true;
    for (auto undo = record->rbegin(); undo != record->rend(); ++undo) {
        switch (undo->kind) {
            case Undo::Kind::kValue:
                done = UndoValue(*undo) && done;
                break;
            case Undo::Kind::kRemoveKey:
                done = DeleteTree(undo->path) && done;
                break;
            case Undo::Kind::kRestoreTree:
                done = RestoreTree(*undo) && done;
                break;
        }
    }
    Discard();
    return done ? kRegOk : kRegFailed;
}

bool NoteKeyCreation(const char* path) try {
    if (record == nullptr) return true;
    // The first missing key on the way down goes on rollback, and everything made below it.
    const std::string full = path;
    for (size_t end = 0; end != std::string::npos;) {
        end = full.find('\\', end + 1);
        const std::string prefix = full.substr(0, end);
        if (prefix.empty() || KeyExists(prefix)) continue;
        record->push_back(Undo{Undo::Kind::kRemoveKey, prefix});
        return true;
    }
    return true;
} catch (const std::bad_alloc&) {
    return false;
}

bool NoteValue(HKEY key, const char* keyPath, const char* name) try {
    if (record == nullptr) return true;
    Undo undo{Undo::Kind::kValue, keyPath};
    if (!ReadValue(key, name, &undo.value, &undo.existed)) return false;
    undo.value.name = name;
    record->push_back(undo);
    return true;
} catch (const std::bad_alloc&) {
    return false;
}

bool NoteTree(const char* path) try {
    if (record == nullptr || !KeyExists(path)) return true;
    Undo undo{Undo::Kind::kRestoreTree, path};
    if (!ReadTree(path, &undo)) return false;
    record->push_back(undo);
    return true;
} catch (const std::bad_alloc&) {
    return false;
}

}  // namespace platform::journal
