// platform/Registry.h: the HKEY_LOCAL_MACHINE registry, kept in an SQLite database.
//
// The database is the file named by the environment variable QP_REGISTRY, or
// kDefaultRegistryPath without it. Key paths ("SOFTWARE\Quill Post\...", "\" separated,
// no hive prefix) and value names are compared without regard to case, as the Windows
// registry compares them; a value keeps its type and its bytes exactly. Any number of
// threads and processes may read and write at once, and every read sees the latest
// committed write (another process may change "Reload" while the plug-in runs), or
// inside a RegistryChangesCheckedOnce scope the latest as of the scope's first read. A
// missing database file reads as an empty registry; the first write creates it. A
// database that cannot be opened for writing is still read (read-only, and when even
// the WAL index cannot be made, from the database file alone); writes then fail.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

constexpr const char* kDefaultRegistryPath = "/var/lib/mtafilter/registry.db";
constexpr const char* kRegistryPathVariable = "QP_REGISTRY";

// Registry value types, numbered as Windows numbers them.
enum RegistryType : uint32_t {
    kRegNone = 0,
    kRegSz = 1,
    kRegExpandSz = 2,
    kRegBinary = 3,
    kRegDword = 4,
    kRegMultiSz = 7,
};

// Results of the registry calls (the Windows error codes they stand for in comments).
enum RegistryStatus : int {
    kRegOk = 0,             // ERROR_SUCCESS
    kRegNotFound = 2,       // ERROR_FILE_NOT_FOUND: no such key or value
    kRegMoreData = 234,     // ERROR_MORE_DATA: the buffer is too small; *size holds the need
    kRegNoMoreItems = 259,  // ERROR_NO_MORE_ITEMS: enumeration index past the end
    kRegFailed = 1,         // anything else: database cannot be opened, I/O error, bad argument
};

struct RegistryKeyState;
using RegistryKey = RegistryKeyState*;

// The database path now in force: QP_REGISTRY, or the default.
const char* RegistryDatabasePath();

// Whether the registry can be read: kRegOk, kRegNotFound (no database file yet: an
// empty registry), or kRegFailed when it exists but cannot be opened or read, with the
// reason in `reason`. A registry that can be read but not written (its disk is full,
// say) gives kRegOk with *readOnly set and the reason it cannot be written.
RegistryStatus RegistryCheck(int* readOnly, char* reason, size_t capacity);

// While one lives, the calling thread's registry writes fail at once when another
// connection holds the write lock, instead of waiting for it: for writes that must
// never hold up a message, and that the next one repeats anyway.
class RegistryWritesDoNotWait {
public:
    RegistryWritesDoNotWait();
    ~RegistryWritesDoNotWait();
    RegistryWritesDoNotWait(const RegistryWritesDoNotWait&) = delete;
    RegistryWritesDoNotWait& operator=(const RegistryWritesDoNotWait&) = delete;
};

// While one lives, the calling thread's reads ask whether anything was committed since the
// read cache was filled once, at the first read, instead of at every read: for a stretch
// of work (one message) whose settings may all be taken as they stood when it began.
// Another process's commit is seen from the next scope (or the next read outside one);
// this process's own writes are seen at once, as always. Scopes nest; the outermost one
// decides.
class RegistryChangesCheckedOnce {
public:
    RegistryChangesCheckedOnce();
    ~RegistryChangesCheckedOnce();
    RegistryChangesCheckedOnce(const RegistryChangesCheckedOnce&) = delete;
    RegistryChangesCheckedOnce& operator=(const RegistryChangesCheckedOnce&) = delete;

private:
    bool outermost_;
};

// 1 when every read would find what it found when `*version` was last set here: nothing
// was committed since to the registry reads now go to. Otherwise 0, with `*version` set to
// stand for the registry as it is now (0 when that cannot be told). Inside a
// RegistryChangesCheckedOnce scope, as of the scope's check.
int RegistryUnchangedSince(uint64_t* version);

// Opens an existing key for reading and writing values. On kRegOk *key must be closed.
RegistryStatus RegistryOpenKey(const char* path, RegistryKey* key);

// Opens a key, creating it and its missing parents first.
RegistryStatus RegistryCreateKey(const char* path, RegistryKey* key);

// Closes a key handle; a null handle is ignored.
void RegistryCloseKey(RegistryKey key);

// Reads a value. `type` and `data` may be null. On entry *size is the capacity of `data`;
// on kRegOk and kRegMoreData it holds the value's length in bytes. `name` null or ""
// names the key's default value.
RegistryStatus RegistryQueryValue(RegistryKey key, const char* name, uint32_t* type, void* data,
                                  uint32_t* size);

// Creates or replaces a value with the given type and bytes.
RegistryStatus RegistrySetValue(RegistryKey key, const char* name, uint32_t type, const void* data,
                                uint32_t size);

// Deletes one value of a key.
RegistryStatus RegistryDeleteValue(RegistryKey key, const char* name);

// Deletes a key with its values and every subkey below it.
RegistryStatus RegistryDeleteKeyTree(const char* path);

// The name of value number `index` (0-based, in the order values were created) into
// `name` (capacity bytes); kRegNoMoreItems past the last one.
RegistryStatus RegistryEnumValue(RegistryKey key, uint32_t index, char* name, size_t capacity);

// The name (last component, as created) of subkey number `index` (0-based).
RegistryStatus RegistryEnumSubkey(RegistryKey key, uint32_t index, char* name, size_t capacity);

// Runs a group of changes as one transaction on this thread: every change between
// Begin and Commit lands together, and Rollback drops them all. Used by the .reg import.
RegistryStatus RegistryBeginTransaction();
RegistryStatus RegistryCommitTransaction();
RegistryStatus RegistryRollbackTransaction();

}  // namespace platform
