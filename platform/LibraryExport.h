// platform/LibraryExport.h: marks a function as an export of the shared library, by its
// undecorated name; everything else in the library stays hidden (on Windows a DLL with
// any dllexport exports nothing else).
#pragma once

#ifdef _WIN32
#define MTAFILTER_EXPORT extern "C" __declspec(dllexport)
#else
#define MTAFILTER_EXPORT extern "C" __attribute__((visibility("default")))
#endif
