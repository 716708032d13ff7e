// tools/ServerConfiguration.h: the server's settings read as the plug-in reads them at
// start, for the subcommands that look at its filters.
#pragma once

#include <cstddef>

// Reads the general, directory and store settings and gives the configuration directory
// the plug-in would use. Returns 1; 0 after telling the administrator on standard error
// (as "mtafilter COMMAND: ...") what to set when it is not set or does not exist.
[[nodiscard]] int ReadServerConfiguration(const char* command, char* configuration,
                                          size_t capacity);
