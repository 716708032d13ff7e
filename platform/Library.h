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

// Runs `callback(argument)` when the library this code is linked into is unloaded, or at
// process exit when it never is, before that library's static destructors. Bound to the
// library itself rather than to the process: a callback left for exit would run after
// an unload had taken its code away (some run-times register a plain atexit that way).
void RunAtLibraryUnload(void (*callback)(void*), void* argument);

}  // namespace platform
