// platform/win32/Registry.cpp: the registry calls on the system registry, under
// HKEY_LOCAL_MACHINE. Key paths are used as given: the 32-bit branch (Wow6432Node) is
// named in them, so a 64-bit process reads the same values the 32-bit server does.
#include "platform/Registry.h"

#include <new>
#include <string>

#include "platform/win32/RegistryJournal.h"
#include "platform/win32/WinApi.h"

namespace platform {

struct RegistryKeyState {
    HKEY handle;
    std::string path;  // for the transaction's undo record
};

namespace {

RegistryStatus StatusOf(LONG code) {
    switch (code) {
        case ERROR_SUCCESS:
            return kRegOk;
        case ERROR_FILE_NOT_FOUND:
            return kRegNotFound;
        case ERROR_MORE_DATA:
            return kRegMoreData;
        case ERROR_NO_MORE_ITEMS:
            return kRegNoMoreItems;
        default:
            return kRegFailed;
    }
}

RegistryStatus WrapKey(LONG code, HKEY handle, const char* path, RegistryKey* key) {
    if (code != ERROR_SUCCESS) return StatusOf(code);
    try {
        *key = new RegistryKeyState{handle, path};
        return kRegOk;
    } catch (const std::bad_alloc&) {
        RegCloseKey(handle);
        return kRegFailed;
    }
}

const char* ValueName(const char* name) {
    return name == nullptr ? "" : name;
}

}  // namespace

const char* RegistryDatabasePath() {
    return "HKEY_LOCAL_MACHINE";
}

RegistryStatus RegistryCheck(int* readOnly, char* reason, size_t capacity) {
    if (readOnly != nullptr) *readOnly = 0;
    if (reason != nullptr && capacity > 0) reason[0] = '\0';
    HKEY software = nullptr;
    LONG code = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &software);
    if (code == ERROR_SUCCESS) {
        RegCloseKey(software);
        return kRegOk;
    }
    if (reason != nullptr && capacity > 0)
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(code), 0, reason, static_cast<DWORD>(capacity), nullptr);
    return kRegFailed;
}

// Writes to the system registry never wait for another writer.
RegistryWritesDoNotWait::RegistryWritesDoNotWait() = default;
RegistryWritesDoNotWait::~RegistryWritesDoNotWait() = default;

RegistryStatus RegistryOpenKey(const char* path, RegistryKey* key) {
    if (path == nullptr || key == nullptr) return kRegFailed;
    *key = nullptr;
    HKEY handle = nullptr;
    LONG code = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | KEY_WRITE, &handle);
    // A key this account may read but not change is still read.
    if (code == ERROR_ACCESS_DENIED)
        code = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &handle);
    return WrapKey(code, handle, path, key);
}

RegistryStatus RegistryCreateKey(const char* path, RegistryKey* key) {
    if (path == nullptr || key == nullptr) return kRegFailed;
    *key = nullptr;
    if (!journal::NoteKeyCreation(path)) return kRegFailed;
    HKEY handle = nullptr;
    LONG code = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_READ | KEY_WRITE, nullptr, &handle, nullptr);
    return WrapKey(code, handle, path, key);
}

void RegistryCloseKey(RegistryKey key) {
    if (key == nullptr) return;
    RegCloseKey(key->handle);
    delete key;
}

RegistryStatus RegistryQueryValue(RegistryKey key, const char* name, uint32_t* type, void* data,
                                  uint32_t* size) {
    if (key == nullptr) return kRegFailed;
    DWORD valueType = 0;
    DWORD length = size != nullptr ? *size : 0;
    LONG code = RegQueryValueExA(key->handle, ValueName(name), nullptr, &valueType,
                                 static_cast<BYTE*>(data), size != nullptr ? &length : nullptr);
    if (type != nullptr) *type = valueType;
    if (size != nullptr) *size = length;
    return StatusOf(code);
}

RegistryStatus RegistrySetValue(RegistryKey key, const char* name, uint32_t type, const void* data,
                                uint32_t size) {
    if (key == nullptr) return kRegFailed;
    if (!journal::NoteValue(key->handle, key->path.c_str(), ValueName(name))) return kRegFailed;
    return StatusOf(RegSetValueExA(key->handle, ValueName(name), 0, type,
                                   static_cast<const BYTE*>(data), size));
}

RegistryStatus RegistryDeleteValue(RegistryKey key, const char* name) {
    if (key == nullptr) return kRegFailed;
    if (!journal::NoteValue(key->handle, key->path.c_str(), ValueName(name))) return kRegFailed;
    return StatusOf(RegDeleteValueA(key->handle, ValueName(name)));
}

RegistryStatus RegistryDeleteKeyTree(const char* path) {
    if (path == nullptr || *path == '\0') return kRegFailed;
    if (!journal::NoteTree(path)) return kRegFailed;
    LONG code = RegDeleteTreeA(HKEY_LOCAL_MACHINE, path);
    if (code != ERROR_SUCCESS) return StatusOf(code);
    // RegDeleteTree empties the key; the key itself goes next.
    code = RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
    return code == ERROR_FILE_NOT_FOUND ? kRegOk : StatusOf(code);
}

RegistryStatus RegistryEnumValue(RegistryKey key, uint32_t index, char* name, size_t capacity) {
    if (key == nullptr || name == nullptr || capacity == 0) return kRegFailed;
    DWORD length = static_cast<DWORD>(capacity);
    return StatusOf(
        RegEnumValueA(key->handle, index, name, &length, nullptr, nullptr, nullptr, nullptr));
}

RegistryStatus RegistryEnumSubkey(RegistryKey key, uint32_t index, char* name, size_t capacity) {
    if (key == nullptr || name == nullptr || capacity == 0) return kRegFailed;
    DWORD length = static_cast<DWORD>(capacity);
    return StatusOf(
        RegEnumKeyExA(key->handle, index, name, &length, nullptr, nullptr, nullptr, nullptr));
}

// A group of changes lands change by change, each first noting what it replaces, so that
// a rollback puts back what already landed (platform/win32/RegistryJournal.h).
RegistryStatus RegistryBeginTransaction() {
    if (journal::Open()) return kRegFailed;  // transactions do not nest
    return journal::Begin() ? kRegOk : kRegFailed;
}

RegistryStatus RegistryCommitTransaction() {
    if (!journal::Open()) return kRegFailed;
    journal::Discard();
    return kRegOk;
}

RegistryStatus RegistryRollbackTransaction() {
    if (!journal::Open()) return kRegFailed;
    return journal::Rollback();
}

// The system registry is not cached here, so nothing is cheaper to ask than the reads
// themselves.
int RegistryUnchangedSince(uint64_t* version) {
    if (version != nullptr) *version = 0;
    return 0;
}

// The system registry has no read cache of ours to keep in step, so a scope that checks
// for changes once per message has nothing to do here.
RegistryChangesCheckedOnce::RegistryChangesCheckedOnce() : outermost_(false) {}
RegistryChangesCheckedOnce::~RegistryChangesCheckedOnce() = default;

}  // namespace platform
