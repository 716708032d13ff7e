' On Error Resume Next in every statement position: an error in a test goes on with the
' statement after the test, the first one of the block it guards
On Error Resume Next
If 1 / 0 = 1 Then
    WScript.Echo "then after error", Err.Number
Else
    WScript.Echo "else"
End If
Err.Clear
If False Then
    WScript.Echo "no"
ElseIf CInt("x") Then
    WScript.Echo "elseif after error", Err.Number
End If
Err.Clear
If 1 / 0 Then WScript.Echo "single-line then", Err.Number Else WScript.Echo "single-line else"
Err.Clear
n = 0
Do While 1 / n
    n = n + 1
    WScript.Echo "do body", n, Err.Number
    If n = 2 Then Exit Do
Loop
Err.Clear
n = 0
z = "z"
While CLng(z)
    n = n + 1
    WScript.Echo "while body", n, Err.Number
    Err.Clear
    If n = 2 Then z = 0
Wend
WScript.Echo "after while", n, Err.Number
Err.Clear
n = 0
Do
    n = n + 1
Loop Until 1 / 0
WScript.Echo "loop until error leaves the loop", n, Err.Number
Err.Clear
Select Case 1 / 0
    Case 5
        WScript.Echo "first case after error", Err.Number
    Case Else
        WScript.Echo "case else"
End Select
Err.Clear
Select Case 3
    Case 1
        WScript.Echo "case 1"
    Case 2 / 0
        WScript.Echo "case with error", Err.Number
    Case 3
        WScript.Echo "case 3"
End Select
Err.Clear
' An error in a procedure without a handler unwinds to the caller's handler: the rest of the
' procedure is skipped and the caller goes on with its next statement.
Sub Fails()
    WScript.Echo "fails: before"
    x = 1 / 0
    WScript.Echo "fails: never"
End Sub
Function Inner()
    Inner = 1
    Err.Raise 5000, "Inner", "raised inside"
    Inner = 2
End Function
Function Outer()
    Outer = Inner() + 10
    WScript.Echo "outer: never"
End Function
Fails
WScript.Echo "after Fails", Err.Number, Err.Description
Err.Clear
r = Outer()
WScript.Echo "after Outer", Err.Number, Err.Source, Err.Description, "[" & r & "]"
Err.Clear
' A procedure with its own handler keeps going itself.
Function Guarded()
    On Error Resume Next
    Guarded = 1 / 0
    Guarded = "guarded " & Err.Number
End Function
WScript.Echo Guarded()
' Err.Raise with defaults, Clear, and the numbers of common errors
Err.Raise 6
WScript.Echo Err.Number, Err.Description, Err.Source
Err.Clear
WScript.Echo Err.Number, "[" & Err.Description & "]", "[" & Err.Source & "]"
Err.Raise vbObjectError + 1, "MySource", "custom"
WScript.Echo Err.Number - vbObjectError, Err.Source, Err.Description
Err.Clear
Dim a(2)
a(5) = 1
WScript.Echo "subscript", Err.Number, Err.Description
Err.Clear
Set o = Nothing
o.Foo
WScript.Echo "nothing", Err.Number, Err.Description
Err.Clear
x = UndefinedFunction(1)
WScript.Echo "undefined", Err.Number
Err.Clear
x = Len()
WScript.Echo "after Len()", Err.Number
On Error GoTo 0
WScript.Echo "goto 0", Err.Number
x = 1 / 0
WScript.Echo "never"
