' An error in a For header under On Error Resume Next: the limit, start and step are all
' worked out before the loop variable is assigned, so it keeps its value; execution goes on
' into the body, and the Next at its end raises "For loop not initialized" (92), which
' goes on after the loop.
On Error Resume Next
i = "before"
For i = 1 To 1 / 0
    WScript.Echo "body once", "x" & i & "x", Err.Number
Next
WScript.Echo "after For", Err.Number, Err.Description, i
Err.Clear
For j = 1 To 3 Step "x"
    WScript.Echo "step error", IsEmpty(j), Err.Number
    Exit For
Next
WScript.Echo "after Exit For", Err.Number
Err.Clear
For Each item In 42
    WScript.Echo "for each body", IsEmpty(item), Err.Number
Next
WScript.Echo "after For Each", Err.Number
Err.Clear
For k = 1 To 2
    WScript.Echo "good loop", k, Err.Number
Next
' Nobody sits at a mail server to answer a dialog: MsgBox and InputBox fail with
' "Permission denied", which a handler can catch.
r = MsgBox("Spam?", vbYesNo + vbQuestion, "Filter")
WScript.Echo "MsgBox", Err.Number, Err.Description, IsEmpty(r)
Err.Clear
r = InputBox("Score?")
WScript.Echo "InputBox", Err.Number, Err.Description
On Error GoTo 0
MsgBox "unhandled"
WScript.Echo "never"
