' \ and Mod round their operands to Long first: anything that does not fit a Long overflows
Dim r
WScript.Echo "fits", 2147483647 \ 1, TypeName(2147483647 \ 1), -2147483648 \ 1, -2147483648 Mod -1, TypeName(CByte(7) Mod CByte(4))
WScript.Echo "rounded first", 2147483647.4 \ 1, 7.5 Mod 2, "1,000" \ 3, TypeName(CDbl(10) \ 3)
On Error Resume Next
r = -2147483648 \ -1
WScript.Echo "quotient past Long", Err.Number, Err.Description
Err.Clear
r = 3000000000 \ 2
WScript.Echo "dividend past Long", Err.Number
Err.Clear
r = 5 Mod 3000000000
WScript.Echo "divisor past Long", Err.Number
Err.Clear
r = "3000000000" Mod 7
WScript.Echo "text past Long", Err.Number
Err.Clear
r = 2147483647.5 \ 1
WScript.Echo "rounds past Long", Err.Number
Err.Clear
r = CCur(922337203685477) Mod 2
WScript.Echo "currency past Long", Err.Number
Err.Clear
r = 5 \ 0.4
WScript.Echo "divisor rounds to 0", Err.Number
