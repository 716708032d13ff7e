' Comparisons between subtypes: a number sorts before any text, Empty is 0 or "", Null is Null
Dim v, s, e
v = 5 : s = "x" : e = Empty
WScript.Echo "literals", CStr(5 = "x"), CStr(5 < "x"), CStr("x" > 5), CStr(5 = "5"), CStr("5" = 5)
WScript.Echo "variables", CStr(v = s), CStr(v < s), CStr(v = "5"), CStr(v < "10"), CStr("5" = v)
Dim t : t = "5"
WScript.Echo "both variables", CStr(v = t), CStr(v < t), CStr(CStr(v) = t)
WScript.Echo "empty", CStr(e = 0), CStr(e = ""), CStr(e < 1), CStr(e < "a"), CStr(e = e), CStr(e = False)
WScript.Echo "null", IsNull(v = Null), IsNull(Null = Null), IsNull(s < Null)
WScript.Echo "boolean", CStr(True = -1), CStr(True < False), CStr(True = "True")
WScript.Echo "dates", CStr(DateSerial(2000, 1, 1) < DateSerial(2000, 1, 2)), CStr(DateSerial(2000, 1, 1) = 36526)
WScript.Echo "texts", CStr("a" < "b"), CStr("B" < "a"), CStr("10" < "9"), CStr("" < "a")
Select Case v
    Case "spam"
        WScript.Echo "case spam"
    Case 4
        WScript.Echo "case 4"
    Case "5"
        WScript.Echo "case text 5"
    Case Else
        WScript.Echo "case else"
End Select
Select Case "spam"
    Case 4
        WScript.Echo "case 4"
    Case "spam"
        WScript.Echo "case spam"
End Select
Select Case s
    Case 1 To 10
        WScript.Echo "in range"
    Case Is > 100
        WScript.Echo "text above number"
End Select
If v = "x" Then WScript.Echo "wrong" Else WScript.Echo "5 is not x"
Class K
End Class
Set o = New K
On Error Resume Next
x = (o = 1)
WScript.Echo "object compare", Err.Number
Err.Clear
x = (Array(1) = 1)
WScript.Echo "array compare", Err.Number
