// store/MailboxFolders.h: the paths of the mailbox store and the flag files by which the
// plug-in tells the store's own services that a folder has new content.
#pragma once

#include <cstddef>
#include <cstdint>

// The text of every folder flag file, written without a line end.
constexpr const char* kFolderFlagText =
    "This file is a flag file that denotes that this folder has been changed";

// Room for store paths (the postoffice root and the paths built on it).
constexpr size_t kStorePathCapacity = 2048;

// "<Mail Root>\<postoffice>", cut to `capacity`. Always 1.
int32_t PostofficeRootPath(char* destination, size_t capacity, const char* postoffice);

// Room for a mailbox or folder path: the postoffice root and the names below it.
constexpr size_t kMailboxPathCapacity = kStorePathCapacity + 512;

// "<Mail Root>\<postoffice>\MAILROOT\<mailbox>", the mailbox's directory; with a folder
// (even an empty one) "\<folder>" follows. Returns 1, or 0 when the path does not fit
// (a cut path would name another mailbox's folder).
[[nodiscard]] int MailboxPath(const char* postoffice, const char* mailbox, const char* folder,
                              char* destination, size_t capacity);

// Creates or replaces the flag file at `path` holding kFolderFlagText as raw bytes.
// Returns 1 when it was written whole, 0 when it could not be created or written.
int WriteFolderFlag(const char* path);

// Leaves "_CHANGE.DTY" in the folder of a mailbox so that the store's services rescan it,
// and says so on standard output. The operation, message identifier and flags are those
// of the delivery; every call leaves the same mark. Always 1, even when the flag file
// cannot be created (the store then sees the message at its next rescan).
int32_t MarkFolderChanged(const char* postoffice, const char* mailbox, const char* folder,
                          const char* operation, const char* messageId, int32_t notifyClients,
                          int32_t updateIndex);
