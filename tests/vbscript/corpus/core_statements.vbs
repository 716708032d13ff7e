' Statements: declarations, arrays, control structures, procedures and classes
Dim a(2), b(), c
a(0) = "x" : a(2) = "z"
WScript.Echo "dim", UBound(a), "[" & a(1) & "]", TypeName(a), IsArray(b)
ReDim b(1)
b(0) = 1 : b(1) = 2
ReDim Preserve b(3)
WScript.Echo "redim preserve", UBound(b), b(0), b(1), "[" & b(3) & "]"
ReDim b(1)
WScript.Echo "redim clears", "[" & b(0) & "]"
Dim g()
ReDim g(1, 1)
g(1, 1) = "corner"
ReDim Preserve g(1, 3)
WScript.Echo "redim preserve last bound", g(1, 1), UBound(g, 2)
Erase a
WScript.Echo "erase fixed", UBound(a), "[" & a(0) & "]"
Erase b
On Error Resume Next
n = UBound(b)
WScript.Echo "erase dynamic", Err.Number
Err.Clear
ReDim a(5)
WScript.Echo "redim fixed", Err.Number
Err.Clear
On Error GoTo 0
Const Limit = 3, Name = "const"
WScript.Echo "const", Limit, Name
If Limit = 3 Then WScript.Echo "single-line if"
If Limit = 4 Then WScript.Echo "no" Else WScript.Echo "single-line else"
If Limit > 5 Then
    WScript.Echo "no"
ElseIf Limit > 2 Then
    WScript.Echo "elseif"
Else
    WScript.Echo "no"
End If
If Null Then WScript.Echo "null is true" Else WScript.Echo "null is not true"
For Each w In Array(1, 2, 3, 4)
    Select Case w
        Case 1, 2
            WScript.Echo "case list", w
        Case Is >= 4
            WScript.Echo "case is", w
        Case Else
            WScript.Echo "case else", w
    End Select
Next
s = ""
For i = 10 To 1 Step -3
    s = s & i & " "
Next
WScript.Echo "for step", s, "after", i
For i = 1 To 0
    WScript.Echo "never"
Next
WScript.Echo "empty for", i
For i = 1 To 10
    If i = 3 Then Exit For
Next
WScript.Echo "exit for", i
For i = 0.5 To 1.5 Step 0.5
    s = i
Next
WScript.Echo "fractional", s, TypeName(i)
k = 0
Do
    k = k + 1
    If k = 4 Then Exit Do
Loop
WScript.Echo "exit do", k
Do Until k = 0
    k = k - 1
Loop
WScript.Echo "do until", k
Do
    k = k + 1
Loop While k < 3
WScript.Echo "loop while", k
While k > 0
    k = k - 1
Wend
WScript.Echo "while wend", k
For Each e In Array()
    WScript.Echo "never"
Next
WScript.Echo "for each empty array"
Dim m(1, 1)
m(0, 0) = 1 : m(1, 0) = 2 : m(0, 1) = 3 : m(1, 1) = 4
s = ""
For Each e In m
    s = s & e
Next
WScript.Echo "for each 2-d", s
Class Point
    Private px
    Public py
    Private Sub Class_Initialize()
        px = 0 : py = 0
    End Sub
    Public Property Get X()
        X = px
    End Property
    Public Property Let X(value)
        px = value
    End Property
    Public Property Set Peer(p)
        Set py = p
    End Property
    Public Default Function Describe()
        Describe = "(" & px & ")"
    End Function
    Public Function Moved(d)
        Set Moved = New Point
        Moved.X = px + d
    End Function
End Class
Set p = New Point
p.X = 5
With p
    .X = .X + 1
    WScript.Echo "with", .X, .Describe
End With
Set q = p.Moved(10)
WScript.Echo "class", q.X, p, TypeName(q), q Is p
Set p.Peer = q
WScript.Echo "property set", p.py.X
Set r = p
r.X = 99
WScript.Echo "set shares", p.X
Sub Show(text)
    WScript.Echo "sub", text
End Sub
Function Square(n)
    Square = n * n
    Exit Function
    Square = 0
End Function
Show "plain"
Call Show("call")
WScript.Echo "function", Square(7)
Randomize 1
x = Rnd
WScript.Echo "rnd range", x >= 0 And x < 1
' A dynamic array not yet sized has no element to index, not even with no subscripts
Dim undimensioned()
On Error Resume Next
x = undimensioned()
WScript.Echo "undimensioned", Err.Number
