' FormatNumber, FormatPercent, FormatCurrency and FormatDateTime in the en-US style
WScript.Echo FormatNumber(1234567.891), FormatNumber(1234.5, 0), FormatNumber(-1234.5678, 3)
WScript.Echo FormatNumber(0.5), FormatNumber(0.5, 2, 0), FormatNumber(-0.5, 1, 0)
WScript.Echo FormatNumber(-42, 1, -1, -1), FormatNumber(1234567, 0, , , 0), FormatNumber(2.5, 0)
WScript.Echo FormatNumber(1.005, 2), FormatNumber(0.125, 2), FormatNumber(999.996, 2)
WScript.Echo FormatNumber("12.3"), FormatNumber(True), FormatNumber(0)
WScript.Echo FormatNumber(123, 4, -2, -2, -2), FormatNumber(1E+20, 0), TypeName(FormatNumber(1))
WScript.Echo FormatPercent(0.256), FormatPercent(0.256, 0), FormatPercent(-1.5, 1, , -1)
WScript.Echo FormatPercent(12.3456, 2, , , 0), FormatPercent(0.0005, 1, 0)
WScript.Echo FormatCurrency(1234.5), FormatCurrency(-1234.5), FormatCurrency(-1234.5, 2, , 0)
WScript.Echo FormatCurrency(0.126), FormatCurrency(1000000, 0), FormatCurrency(CCur(9.99), 1)
d = #3/7/2024 3:04:05 PM#
WScript.Echo FormatDateTime(d), FormatDateTime(d, vbLongDate), FormatDateTime(d, vbShortDate)
WScript.Echo FormatDateTime(d, vbLongTime), FormatDateTime(d, vbShortTime), FormatDateTime(d, 0)
WScript.Echo FormatDateTime(#1/1/2024#), FormatDateTime(#9:05:00 AM#), FormatDateTime(#12/25/2023#, 1)
WScript.Echo FormatDateTime("2024-02-29 00:30:00", 4), FormatDateTime(#00:00:00#, 3)
On Error Resume Next
x = FormatNumber("abc")
WScript.Echo Err.Number : Err.Clear
x = FormatNumber(1, -5)
WScript.Echo Err.Number : Err.Clear
x = FormatDateTime(d, 7)
WScript.Echo Err.Number : Err.Clear
x = FormatDateTime("not a date")
WScript.Echo Err.Number : Err.Clear
x = FormatNumber(Null)
WScript.Echo Err.Number : Err.Clear
