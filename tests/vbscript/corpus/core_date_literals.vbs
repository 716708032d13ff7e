' Date literals are constants read when the script is compiled
Function CDate(x)
    CDate = "script's own CDate"
End Function
Dim d, i
For i = 1 To 3
    d = #2000-02-29 13:45:00#
Next
WScript.Echo "literal", TypeName(d), Year(d), Month(d), Day(d), Hour(d), Minute(d)
WScript.Echo "forms", TypeName(#1/2/2003#), Month(#1/2/2003#), CDbl(#12:00:00 PM#), CStr(#12/31/1999# + 1 = #2000-01-01#)
WScript.Echo "own CDate", CDate(1)
On Error Resume Next
Execute "If False Then d = #2/30/2000#"
WScript.Echo "invalid even unexecuted", Err.Number
Err.Clear
Execute "d = #not a date#"
WScript.Echo "not a date", Err.Number
