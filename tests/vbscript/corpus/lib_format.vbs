' FormatNumber, FormatPercent and FormatCurrency with the en-US defaults and each optional
' argument (digits, leading digit, parentheses, grouping); text arguments read as numbers
WScript.Echo FormatNumber(1234.5), FormatNumber(-0.5), FormatNumber(0.5, 2, vbFalse), FormatNumber(-1234.5, 1, , vbTrue)
WScript.Echo FormatNumber(1234.5, 0, , , vbFalse), FormatNumber(123456789, 0), FormatNumber(5, -1), FormatNumber("1,000", 1), FormatNumber(2.345, 2)
WScript.Echo FormatPercent(0.256), FormatPercent(0.256, 1), FormatPercent(-0.5, 0, , vbTrue), FormatPercent(1)
WScript.Echo FormatCurrency(1234.5), FormatCurrency(-1234.5), FormatCurrency(-1234.5, 0, , vbFalse), FormatCurrency(0.25, 2, vbFalse)
WScript.Echo TypeName(FormatNumber(1)), FormatNumber(CCur(12.3456), 3), FormatNumber(True), FormatNumber(Empty)
On Error Resume Next
x = FormatNumber("abc")
WScript.Echo "FormatNumber text:", Err.Number : Err.Clear
x = FormatNumber(1, 256)
WScript.Echo "FormatNumber 256 digits:", Err.Number : Err.Clear
