' GetRef: a reference to a procedure, called through its default member
Function Twice(x)
    Twice = x * 2
End Function
Sub Report(text)
    WScript.Echo "report", text
End Sub
Dim f, s, r
Set f = GetRef("twice")
WScript.Echo "function", f(21), TypeName(f), IsObject(f)
Set s = GetRef("Report")
s "through a Sub"
Call s("through Call")
Class Scanner
    Public OnMatch
    Sub Scan(text)
        If InStr(text, "spam") > 0 Then OnMatch text
    End Sub
End Class
Dim sc : Set sc = New Scanner
Set sc.OnMatch = GetRef("Report")
sc.Scan "no match"
sc.Scan "spam here"
On Error Resume Next
Set r = GetRef("NoSuchProcedure")
WScript.Echo "unknown name", Err.Number
Err.Clear
r = f(1, 2)
WScript.Echo "wrong argument count", Err.Number
