// filters/ScriptHost.h: running a VBScript program and calling one of its functions.
//
// ExecuteVBScript (declared with the plug-in's exports in frame/Exports.h, defined in
// ScriptHost.cpp) creates a site and a fresh "vbscript" engine for every call, so no
// script state survives from one call to the next. A thread whose COM apartment was not
// initialised has it initialised for the duration of the call.
#pragma once

#include "frame/Exports.h"

// Sends a trace line where "Debug Status" says: 1 the report log, 2 standard output,
// anything else nowhere. Returns 1.
int ScriptTrace(const char* text);
