// platform/LibraryExport.h: marks a function as an export of the shared library, by its
// undecorated name; everything else in the library stays hidden.
#pragma once

#define MTAFILTER_EXPORT extern "C" __attribute__((visibility("default")))
