Option Explicit
' Option Explicit: declared names work, an undeclared one is error 500 when reached
Dim declared
declared = 1
WScript.Echo "declared", declared
Sub UsesLocal()
    Dim inner
    inner = 2
    WScript.Echo "local", inner
End Sub
UsesLocal
On Error Resume Next
undeclared = 3
WScript.Echo "assign undeclared", Err.Number
Err.Clear
WScript.Echo "read undeclared", missing
WScript.Echo Err.Number
On Error GoTo 0
other = 1
