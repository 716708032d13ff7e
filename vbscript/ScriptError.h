// vbscript/ScriptError.h: a script error as the site sees it: the IActiveScriptError handed
// to OnScriptError, and the EXCEPINFO a caller receives.
#pragma once

#include <string>

#include "platform/ActiveScript.h"
#include "vbscript/Errors.h"

namespace vbscript {

// A new error object with one reference; the caller releases it.
platform::IActiveScriptError* NewScriptErrorReport(const ScriptError& error,
                                                   const std::string& lineText);
// Fills source, description and the HRESULT (0x800A0000 + number) as new strings.
void FillExcepInfo(const ScriptError& error, platform::EXCEPINFO* info);

}  // namespace vbscript
