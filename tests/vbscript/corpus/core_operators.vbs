' Result subtypes of the arithmetic operators for pairs of subtypes
Dim b, i, l, sg, d, c, dt, e, n
b = CByte(5) : i = CInt(5) : l = CLng(5) : sg = CSng(5) : d = CDbl(5) : c = CCur(5)
dt = DateSerial(2000, 1, 1) : n = Null
WScript.Echo "+", TypeName(b + b), TypeName(b + i), TypeName(b + True), TypeName(i + l)
WScript.Echo "+", TypeName(sg + i), TypeName(sg + l), TypeName(sg + d), TypeName(c + d), TypeName(c + l)
WScript.Echo "+", TypeName(dt + 1), TypeName(dt + c), TypeName(dt + dt), TypeName(True + False)
WScript.Echo "+ Empty", TypeName(b + e), TypeName(e + True), TypeName(e + sg), TypeName(e + e), "a" + e, TypeName(e + "5")
WScript.Echo "+ Null", TypeName(1 + n), TypeName(n + "a"), TypeName(n + e)
WScript.Echo "+ text", "a" + "b", "3" + 4, TypeName("3" + 4), TypeName("3" + b), "1" + "2"
WScript.Echo "-", TypeName(b - b), TypeName(b - 10), TypeName(dt - dt), TypeName(dt - 1), TypeName(b - e), TypeName(e - dt)
WScript.Echo "*", TypeName(b * b), TypeName(b * 100), TypeName(i * i), TypeName(c * 2), TypeName(dt * 1), TypeName(sg * sg)
WScript.Echo "/", TypeName(i / i), i / 2, TypeName(n / 2)
WScript.Echo "\", TypeName(b \ b), TypeName(i \ b), TypeName(d \ 2), 7.5 \ 2, 8.5 \ 2, -7 \ 2, TypeName(n \ 2)
WScript.Echo "Mod", TypeName(b Mod b), TypeName(l Mod 2), 7 Mod 3, -7 Mod 3, 7 Mod -3, 7.6 Mod 2.5, TypeName(n Mod 2)
WScript.Echo "^", TypeName(2 ^ 2), 2 ^ 10, 2 ^ -1, TypeName(n ^ 2)
WScript.Echo "&", 1 & 2, TypeName(1 & 2), True & "", "a" & n & "b", TypeName(n & n), TypeName(e & e)
WScript.Echo "overflow", TypeName(CByte(255) + b), TypeName(32767 + i), TypeName(2147483647 + l), TypeName(CSng(3E+38) * 10)
WScript.Echo "neg", TypeName(-b), TypeName(-True), -True, TypeName(-e), TypeName(-CInt(-32768)), TypeName(-"5"), TypeName(-dt)
On Error Resume Next
x = CCur(900000000000000) * 10
WScript.Echo "currency overflow", Err.Number
Err.Clear
x = 1 / 0
WScript.Echo "1 / 0", Err.Number, Err.Description
Err.Clear
x = 0 / 0
WScript.Echo "0 / 0", Err.Number
Err.Clear
x = "a" - e
WScript.Echo "a - Empty", Err.Number
Err.Clear
x = (-8) ^ 0.5
WScript.Echo "(-8) ^ 0.5", Err.Number
Err.Clear
x = "abc" * 2
WScript.Echo "abc * 2", Err.Number, Err.Description
