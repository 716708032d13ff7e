// platform/win32/RegistryJournal.h: the undo record behind a registry transaction on
// Windows. The system registry has no transaction this layer can count on (the kernel
// transaction manager is missing on some servers and under Wine), so while one is open on
// a thread, every change first notes what it is about to replace; a rollback puts all of
// it back, newest first. Other processes see the changes as they land.
#pragma once

#include "platform/Registry.h"
#include "platform/win32/WinApi.h"

namespace platform::journal {

// Whether a transaction is open on this thread.
bool Open();
// Opens one; false when there is no memory for its record.
bool Begin();
// Forgets the record: the changes stay.
void Discard();
// Undoes every recorded change; kRegFailed when any could not be undone.
RegistryStatus Rollback();

// Each notes the state a change is about to replace; false when it cannot be read, and
// the change must then not be made.
bool NoteKeyCreation(const char* path);
bool NoteValue(HKEY key, const char* keyPath, const char* name);
bool NoteTree(const char* path);

}  // namespace platform::journal
