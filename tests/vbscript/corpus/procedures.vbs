' Functions and Subs, ByRef and ByVal, recursion, Exit, Call
Function Fact(n)
    If n <= 1 Then Fact = 1 : Exit Function
    Fact = n * Fact(n - 1)
End Function
Sub Bump(ByRef x, ByVal y)
    x = x + 1
    y = y + 1
End Sub
Dim a, b
a = 1 : b = 1
Bump a, b
WScript.Echo a, b
Call Bump(a, b)
WScript.Echo a, b
Bump (a), b
WScript.Echo a
WScript.Echo Fact(10), TypeName(Fact(10)), Fact(13)
Function Pair()
    Pair = Array(1, 2)
End Function
WScript.Echo UBound(Pair()), Pair()(1)
Const Limit = 3, Name = "c"
WScript.Echo Limit, Name
