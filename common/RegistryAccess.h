// common/RegistryAccess.h: reading and writing the plug-in's settings in the registry.
// Key paths are below HKEY_LOCAL_MACHINE.
#pragma once

#include <cstddef>
#include <cstdint>

enum class RegistryRoot { kLocalMachine };

// Reads a value as 8-bit text, whatever its registry type. The first case-insensitive
// "Software\Quill Post" of the path is read as "Software\Wow6432Node\Quill Post".
// Returns nonzero with the text; 0 (destination emptied) when the key or value is
// missing, empty, unreadable or longer than capacity-1.
[[nodiscard]] int ReadRegistryString(const char* keyPath, const char* valueName, char* destination,
                                     size_t capacity);

template <size_t N>
[[nodiscard]] int ReadRegistryString(const char* keyPath, const char* valueName,
                                     char (&destination)[N]) {
    return ReadRegistryString(keyPath, valueName, destination, N);
}

// Reads a value of at most four bytes as an unsigned 32-bit number. Returns nonzero
// with *result set; 0 with *result untouched (callers preload their default).
[[nodiscard]] int ReadRegistryDword(const char* keyPath, const char* valueName, uint32_t* result);

// Creates the key when missing and sets the value as a DWORD. Returns 1 on success.
[[nodiscard]] int WriteRegistryDword(RegistryRoot root, const char* keyPath, const char* valueName,
                                     uint32_t value);
