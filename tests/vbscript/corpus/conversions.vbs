' CStr, CBool, CDbl, CLng and friends across subtypes
WScript.Echo CStr(1.5), CStr(-0.25), CStr(1E+16), CStr(123456789012345), CStr(1/3)
WScript.Echo CStr(True), CStr(False), CStr(Empty) = "", CStr(CByte(5)), CStr(CCur(2.5))
WScript.Echo CBool("True"), CBool("false"), CBool(0), CBool(-0.5), CBool("1")
WScript.Echo CDbl("  12.5  "), CDbl("-1e3"), CLng("&HFF"), CLng("&O17"), CInt("  7 ")
WScript.Echo CDbl(True), CLng(False), CInt(Empty), TypeName(CDbl(1)), TypeName(CLng(1))
WScript.Echo TypeName(CInt("5")), TypeName(CStr(5)), TypeName(CBool(5)), TypeName(CDate(1))
WScript.Echo CSng(1.1) = 1.1, CSng(0.5) = 0.5, CCur(-1.5)
WScript.Echo Hex(-32768), Hex(65535), Oct(-1), Hex(3.5), Oct(64)
WScript.Echo Asc("A"), AscW("é") > 0, Chr(97), ChrW(66), Len(Chr(0))
WScript.Echo IsNumeric("1e5"), IsNumeric("&H10"), IsNumeric(" "), IsNumeric(True), IsNumeric(Null)
WScript.Echo VarType(CByte(1)), VarType(CSng(1)), VarType(CCur(1)), VarType(Now), VarType(Empty), VarType(Null)
WScript.Echo TypeName(Empty), TypeName(Null), TypeName(Array()), TypeName(CreateObject("Scripting.Dictionary"))
On Error Resume Next
x = CLng("abc")
WScript.Echo Err.Number, Err.Description
Err.Clear
x = CBool("maybe")
WScript.Echo Err.Number
Err.Clear
x = CStr(Null)
WScript.Echo Err.Number, Err.Description
