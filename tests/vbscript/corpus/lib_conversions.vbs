' Conversion functions read numbers as the en-US locale writes them; IsNumeric accepts the
' same forms; TypeName, VarType, Hex, Oct and the array bounds; their error numbers
WScript.Echo IsNumeric("1,000"), IsNumeric("$1"), IsNumeric(" 12 "), IsNumeric("&H10"), IsNumeric("1e3"), IsNumeric("-1.")
WScript.Echo IsNumeric("(12)"), IsNumeric("12-"), IsNumeric(".5"), IsNumeric(""), IsNumeric("."), IsNumeric("1 2"), IsNumeric("abc")
WScript.Echo IsNumeric(Empty), IsNumeric(Null), IsNumeric(Now), IsNumeric(True), IsNumeric("1e"), IsNumeric("$")
WScript.Echo CDbl("1,000.5"), CLng("$1,234"), CInt("(12)"), CInt(" 7 "), CLng("&H10"), CDbl("1e3")
WScript.Echo CInt(2.5), CInt(3.5), CInt(-0.5), CLng(1.5), CByte(255.4), CCur("1.23456"), CSng(1.5)
WScript.Echo CBool("True"), CBool("false"), CBool(0), CBool(-3), CBool("1"), CStr(1.5), CStr(Empty) = "", CStr(True)
WScript.Echo TypeName(CInt(1)), TypeName(CLng(1)), TypeName(CSng(1)), TypeName(CDbl(1)), TypeName(CCur(1)), TypeName(CByte(1)), TypeName(CBool(1)), TypeName(CStr(1)), TypeName(CDate(1))
WScript.Echo VarType(Empty), VarType(Null), VarType(CByte(1)), VarType(CCur(1)), VarType(CDate(1)), VarType(Array()), VarType(Nothing)
WScript.Echo TypeName(Array(1)), TypeName(Empty), TypeName(Null), TypeName(Nothing), TypeName(CreateObject("Scripting.Dictionary")), TypeName(New RegExp)
WScript.Echo Hex(255), Hex(-1), Hex(65536), Hex(-32769), Oct(-1), Hex(Empty), IsNull(Hex(Null)), Hex(10.5), Hex("1,000")
Dim m(2, 3)
WScript.Echo UBound(m), UBound(m, 2), LBound(m, 2), UBound(Array()), LBound(Array()), IsArray(m), IsArray("m")
WScript.Echo IsEmpty(Empty), IsEmpty(""), IsNull(Null), IsNull(Empty), IsObject(Nothing), IsObject(1)
On Error Resume Next
x = CInt(32768)
WScript.Echo "CInt 32768:", Err.Number : Err.Clear
x = CByte(-1)
WScript.Echo "CByte -1:", Err.Number : Err.Clear
x = CLng("abc")
WScript.Echo "CLng abc:", Err.Number : Err.Clear
x = CInt(Null)
WScript.Echo "CInt Null:", Err.Number : Err.Clear
x = CStr(Null)
WScript.Echo "CStr Null:", Err.Number : Err.Clear
x = CBool("yes")
WScript.Echo "CBool yes:", Err.Number : Err.Clear
x = CDbl("1,2x")
WScript.Echo "CDbl 1,2x:", Err.Number : Err.Clear
x = CLng(2147483648)
WScript.Echo "CLng 2^31:", Err.Number : Err.Clear
x = UBound(1)
WScript.Echo "UBound 1:", Err.Number : Err.Clear
x = UBound(m, 3)
WScript.Echo "UBound dimension 3:", Err.Number : Err.Clear
x = LBound(m, 0)
WScript.Echo "LBound dimension 0:", Err.Number : Err.Clear
