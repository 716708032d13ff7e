// frame/Exports.h: the five functions the MTA calls, by these undecorated names.
#pragma once

#include <cstdint>

#include "platform/LibraryExport.h"

// Brings up the antivirus agent plug-ins; 0 when one cannot be loaded, else 1.
MTAFILTER_EXPORT int32_t FilterInit(intptr_t unused);

// Filters one queued message (identifier, connector); always 1.
MTAFILTER_EXPORT int32_t FilterExecute(const char* unusedText, const char* messageId,
                                       const char* connectorName, intptr_t unused);

// Hands a training command to the Bayesian provider; its result, or 0 without one.
MTAFILTER_EXPORT int32_t FilterCommand(intptr_t unused1, intptr_t unused2, const char* command);

// Always 1; the real teardown happens when the library is unloaded.
MTAFILTER_EXPORT int32_t FilterUnInit(intptr_t unused);

// The fifth, ExecuteVBScript, belongs to the script host: filters/ScriptHost.h.
