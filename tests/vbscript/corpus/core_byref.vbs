' ByRef and ByVal for variables, array elements, object members and expressions
Sub Bump(ByRef x)
    x = x + 1
End Sub
Sub BumpVal(ByVal x)
    x = x + 1
End Sub
Sub BumpDefault(x)
    x = x + 1
End Sub
Dim v, a(2), m(1, 1)
v = 1
Bump v
BumpVal v
BumpDefault v
WScript.Echo "variable", v
Bump (v)
Call Bump((v))
WScript.Echo "parenthesised", v
Call Bump(v)
WScript.Echo "call", v
a(1) = 10
Bump a(1)
Call Bump(a(1))
BumpVal a(1)
Bump (a(1))
WScript.Echo "element", a(1)
m(1, 0) = 5
Bump m(1, 0)
WScript.Echo "2-d element", m(1, 0)
Dim dyn()
ReDim dyn(3)
dyn(3) = "a"
Sub Append(ByRef s, ByVal t)
    s = s & t
End Sub
Append dyn(3), "b"
WScript.Echo "dynamic element", dyn(3)
Bump v + 1
WScript.Echo "expression", v
Class Box
    Public Value
    Private hidden
    Public Property Get Item()
        Item = hidden
    End Property
    Public Property Let Item(n)
        hidden = n
    End Property
End Class
Set b = New Box
b.Value = 1
b.Item = 7
Bump b.Value
Bump b.Item
WScript.Echo "members", b.Value, b.Item
' A ByRef array parameter shares the caller's array; ByVal copies it.
Sub Fill(arr)
    arr(0) = "filled"
End Sub
Sub FillCopy(ByVal arr)
    arr(0) = "copy"
End Sub
Dim f(1)
FillCopy f
WScript.Echo "byval array", "[" & f(0) & "]"
Fill f
WScript.Echo "byref array", f(0)
' A function's ByRef parameters are updated too, and an error unwinding past it keeps them.
Function Twice(ByRef n)
    n = n * 2
    Twice = n
End Function
Dim k : k = 3
WScript.Echo "function", Twice(k), k
Sub BumpThenFail(ByRef n)
    n = n + 1
    Err.Raise 9
End Sub
On Error Resume Next
a(2) = 1
BumpThenFail a(2)
WScript.Echo "after error", a(2), Err.Number
