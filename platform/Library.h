// platform/Library.h: loading shared libraries and looking up their entry points.
//
// A name ending in ".DLL" (any case) is looked for as the same name ending in ".so";
// the file name is found without regard to case, as the Windows loader finds it.
#pragma once

namespace platform {

struct LibraryState;
using Library = LibraryState*;

// Loads a library by path (Windows-style paths accepted). Null when it cannot be loaded.
Library LibraryLoad(const char* path);

// The address of an exported entry point, or null when the library has none by that name.
void* LibraryEntry(Library library, const char* name);

// Unloads a library; null is ignored.
void LibraryUnload(Library library);

// The loader's text for the last failed LibraryLoad on this thread (for diagnostics).
const char* LibraryLastError();

}  // namespace platform
