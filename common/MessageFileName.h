// common/MessageFileName.h: names for new message files.
#pragma once

#include <cstddef>

// Writes a fresh GUID as 32 upper-case hexadecimal digits followed by ".MAI" (cut to
// the capacity). The same 32 digits serve as the left part of generated Message-IDs.
// Always returns 1.
int NewMessageFileName(char* destination, size_t capacity);

// 1 when `name` can only name a file in the directory it is joined to: not empty, no
// path separator ("\\" or "/"), no drive colon, no "..", no control character. Message
// identifiers come from outside and are joined to queue directories.
int IsPlainFileName(const char* name);
