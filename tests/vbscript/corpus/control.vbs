' If, Select Case, loops and Exit
Dim i, s
For i = 1 To 10 Step 3 : s = s & i & " " : Next
WScript.Echo s
s = ""
For i = 5 To 1 Step -2
    s = s & i
Next
WScript.Echo s, i
i = 0
Do While i < 3 : i = i + 1 : Loop
WScript.Echo i
Do : i = i + 1 : Loop Until i >= 10
WScript.Echo i
Do
    i = i - 1
    If i = 4 Then Exit Do
Loop
WScript.Echo i
While i > 0 : i = i - 2 : Wend
WScript.Echo i
For Each v In Array(1, "two", 3.5) : WScript.Echo v : Next
Function Grade(n)
    Select Case n
        Case 1, 2 : Grade = "low"
        Case 3 To 5 : Grade = "mid"
        Case Is > 5 : Grade = "high"
        Case Else : Grade = "none"
    End Select
End Function
WScript.Echo Grade(2), Grade(4), Grade(9), Grade(0)
If i = 0 Then WScript.Echo "zero" Else WScript.Echo "other"
If i > 0 Then
    WScript.Echo "positive"
ElseIf i < 0 Then
    WScript.Echo "negative"
Else
    WScript.Echo "none"
End If
For i = 1 To 5
    If i = 3 Then Exit For
Next
WScript.Echo i
