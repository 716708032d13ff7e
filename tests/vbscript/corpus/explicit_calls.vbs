Option Explicit
' Under Option Explicit: declared names work, an undeclared one is error 500 in any scope
Dim total
Sub Add(n)
    Dim local
    local = n
    total = total + local
End Sub
Add 2 : Add 3
WScript.Echo total
On Error Resume Next
missing = 1
WScript.Echo Err.Number, Err.Description
Err.Clear
WScript.Echo undeclared
WScript.Echo Err.Number
On Error GoTo 0
Sub Leak()
    notDeclared = 1
End Sub
Leak
