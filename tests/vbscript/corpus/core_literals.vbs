' Literals and their subtypes; VarType and TypeName of every subtype
WScript.Echo "hex", &HFF, TypeName(&HFF), &H7FFF, &H8000, TypeName(&H8000), &HFFFF, TypeName(&HFFFF)
WScript.Echo "hex wide", &H10000, TypeName(&H10000), &HFFFFFFFF, TypeName(&HFFFFFFFF), &H80000000, TypeName(&H80000000), &HFFFF8000, TypeName(&HFFFF8000)
WScript.Echo "octal", &O17, &O177777, TypeName(&O177777), &O200000, TypeName(&O200000)
WScript.Echo "decimal", TypeName(32767), TypeName(32768), TypeName(2147483647), TypeName(2147483648), TypeName(1.0), TypeName(1E2)
WScript.Echo "vartype", VarType(Empty), VarType(Null), VarType(1), VarType(70000), VarType(CSng(1)), VarType(1.5), VarType(CCur(1)), VarType(Now), VarType("s"), VarType(True), VarType(CByte(1)), VarType(Array())
WScript.Echo "typename", TypeName(Empty), TypeName(Null), TypeName(Nothing), TypeName(CCur(1)), TypeName(Date), TypeName(Array())
WScript.Echo "strings", "a""b", Len(""""), TypeName("")
WScript.Echo "text to number", "3" * "4", TypeName("3" * "4"), " 12 " + 1, "&H10" + 0, "1e3" + 0, "-2.5" + 0
