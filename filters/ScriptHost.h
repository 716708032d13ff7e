// filters/ScriptHost.h: running a VBScript program and calling one of its functions.
//
// ExecuteVBScript, one of the plug-in's exports, creates a site and a fresh "vbscript"
// engine for every call, so no script state survives from one call to the next. A
// thread whose COM apartment was not initialised has it initialised for the duration of
// the call.
#pragma once

#include <cstdint>

#include "platform/LibraryExport.h"

// Runs a VBScript program's function; its integer result, or 0 when it could not run.
MTAFILTER_EXPORT int32_t ExecuteVBScript(const char* script, const char* functionName,
                                         char* resultData, int32_t resultDataCapacity,
                                         int32_t fetchResultData);

// Sends a trace line where "Debug Status" says: 1 the report log, 2 standard output,
// anything else nowhere. Returns 1.
int ScriptTrace(const char* text);
