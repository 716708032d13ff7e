' Integer to Long to Double promotion, overflow and banker's rounding
WScript.Echo TypeName(32767 + 1), 32767 + 1, TypeName(-32768 - 1), TypeName(32767 * 2)
WScript.Echo TypeName(2147483647 + 1), TypeName(1 + 1), TypeName(CByte(200) + CByte(100))
WScript.Echo TypeName(CByte(2) * CByte(3)), TypeName(True + True), True + True
WScript.Echo TypeName(10 \ 3), TypeName(10 / 2), TypeName(7 Mod 2), TypeName(2 ^ 2)
WScript.Echo TypeName(CSng(1.5) + 1), TypeName(CCur(1) + 1), TypeName(CCur(1) + 1.5)
WScript.Echo TypeName("3" + 4), "3" + 4, TypeName("3" & 4), TypeName(Empty + 1), TypeName(Empty + Empty)
WScript.Echo Round(2.5), Round(3.5), Round(-2.5), Round(0.125, 2), Round(0.375, 2)
WScript.Echo CInt(0.5), CInt(1.5), CInt(2.5), CLng(-3.5), CByte(254.5), CLng(2147483646.5)
WScript.Echo Int(3.7), Int(-3.7), Fix(3.7), Fix(-3.7), TypeName(Fix(CLng(3)))
On Error Resume Next
x = CInt(32767.5)
WScript.Echo "CInt(32767.5):", Err.Number, Err.Description
Err.Clear
x = CInt(-32768.5)
WScript.Echo "CInt(-32768.5):", Err.Number
Err.Clear
x = CLng(2147483648)
WScript.Echo "CLng:", Err.Number
Err.Clear
x = CByte(256)
WScript.Echo "CByte(256):", Err.Number
Err.Clear
x = CByte(-1)
WScript.Echo "CByte(-1):", Err.Number
Err.Clear
x = CInt(-32768)
WScript.Echo "CInt(-32768):", Err.Number, x
Err.Clear
x = 10 \ 0
WScript.Echo "10 \ 0:", Err.Number
Err.Clear
x = 10 Mod 0
WScript.Echo "10 Mod 0:", Err.Number
Err.Clear
x = 2147483647 \ 1 + 2147483647 \ 1
WScript.Echo TypeName(x), x
