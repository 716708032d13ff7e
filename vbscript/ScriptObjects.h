// vbscript/ScriptObjects.h: the objects a script may create: RegExp (New RegExp or
// CreateObject("VBScript.RegExp")), Scripting.Dictionary, and the command-line WScript.
#pragma once

#include <memory>

#include "vbscript/Object.h"

namespace vbscript {

std::shared_ptr<Object> MakeRegExp();
std::shared_ptr<Object> MakeDictionary();
std::shared_ptr<Object> MakeWScript();

}  // namespace vbscript
