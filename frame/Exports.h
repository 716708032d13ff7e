// frame/Exports.h: the five functions the MTA calls, by these undecorated names.
#pragma once

#include <cstdint>

#define MTAFILTER_EXPORT extern "C" __attribute__((visibility("default")))

// Brings up the antivirus agent plug-ins; 0 when one cannot be loaded, else 1.
MTAFILTER_EXPORT int32_t FilterInit(intptr_t unused);

// Filters one queued message (identifier, connector); always 1.
MTAFILTER_EXPORT int32_t FilterExecute(const char* unusedText, const char* messageId,
                                       const char* connectorName, intptr_t unused);

// Hands a training command to the Bayesian provider; its result, or 0 without one.
MTAFILTER_EXPORT int32_t FilterCommand(intptr_t unused1, intptr_t unused2, const char* command);

// Always 1; the real teardown happens when the library is unloaded.
MTAFILTER_EXPORT int32_t FilterUnInit(intptr_t unused);

// Runs a VBScript program's function; its integer result, or 0 when it could not run.
// Defined by the script host (filters/ScriptHost.cpp).
MTAFILTER_EXPORT int32_t ExecuteVBScript(const char* script, const char* functionName,
                                         char* resultData, int32_t resultDataCapacity,
                                         int32_t fetchResultData);
