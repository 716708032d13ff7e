// vbscript/ScriptEngine.h: the "vbscript" Active Scripting engine (IActiveScript with
// IActiveScriptParse and the script dispatch) and its registration with the COM stand-in.
#pragma once

#include <cstdint>

#include "platform/ActiveScript.h"

namespace vbscript {

// Registers the engine's class under "vbscript" (CLSID_VBScript) with the platform's class
// registry. The engine's own object file also does so when it is loaded, but a static
// library may leave that file out of a program that names nothing in it; hosts and tests
// call this first to be sure. Harmless when repeated.
void RegisterVBScriptEngine();

// Creates an engine directly, returning the requested interface with one reference.
platform::HRESULT CreateVBScriptEngine(platform::REFIID riid, void** object);

// The registry settings for the budget of a script: the run time of every entry into it,
// and the memory (texts, arrays, objects) it may hold at once while the engine lives.
constexpr const char* kScriptSettingsKey =
    "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Agents\\MTA\\Filters\\MTAFILTER";
constexpr const char* kScriptTimeoutValue = "Script Timeout Milliseconds";
constexpr uint32_t kDefaultScriptTimeoutMs = 5000;
constexpr const char* kScriptMemoryLimitValue = "Script Memory Limit MB";
constexpr uint32_t kDefaultScriptMemoryLimitMb = 64;

}  // namespace vbscript
