' Text in arithmetic reads as a number the way the en-US locale writes one
Dim money, grouped, n
money = "$5" : grouped = "1,000"
WScript.Echo "arithmetic", money * 2, grouped + 1, TypeName(grouped + 1), grouped - "$1.50", "(12)" - 2, " 2.5 " * 2
WScript.Echo "radix", "&H10" + 1, "&HFFFF" + 0, "-&H10" * 1
WScript.Echo "unary", -money, Not grouped, "$3" Or 4
WScript.Echo "two texts join", grouped + "1"
WScript.Echo "literal compare", CStr(1000 = "1,000"), CStr("$5" = 5), CStr(5 < "$6")
n = 1000
WScript.Echo "variable compare", CStr(n = grouped), CStr(n < grouped)
On Error Resume Next
x = ",5" + 1
WScript.Echo "leading separator", Err.Number
Err.Clear
x = "5$$" * 1
WScript.Echo "two currency symbols", Err.Number
Err.Clear
x = "1 000" + 1
WScript.Echo "space inside", Err.Number
