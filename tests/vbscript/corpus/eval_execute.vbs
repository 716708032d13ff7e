' Eval, Execute and ExecuteGlobal: scopes, comparisons and errors in the run-time text
x = 5
WScript.Echo Eval("x * 2 + 1"), Eval("x = 5"), Eval("""a"" & x"), TypeName(Eval("x"))
Execute "y = x + 1"
WScript.Echo y
Execute "Function Twice(n) : Twice = n * 2 : End Function"
WScript.Echo Twice(21), Eval("Twice(x)")
Sub Local()
    Dim z
    z = 10
    Execute "z = z + 1 : w = 3"
    WScript.Echo z, Eval("z + w"), IsEmpty(x) = False
    ExecuteGlobal "g = z"
    ExecuteGlobal "Dim shared : shared = 7"
    Execute "x = 50"
End Sub
Local
WScript.Echo IsEmpty(g), shared, x, IsEmpty(w)
For i = 1 To 3
    Execute "total = total + i"
Next
WScript.Echo total
ExecuteGlobal "Class Box : Public V : End Class"
Set b = New Box
b.V = "boxed"
WScript.Echo Eval("b.V"), Eval("Len(b.V) > 3")
Set d = Eval("b")
WScript.Echo d.V
defineA = "Function Which() : Which = ""A"" : End Function"
ExecuteGlobal defineA
ExecuteGlobal "Function Which() : Which = ""B"" : End Function"
first = Which()
ExecuteGlobal defineA
WScript.Echo first, Which()
On Error Resume Next
v = Eval("1 +")
WScript.Echo Err.Number : Err.Clear
v = Eval("1 : y = 2")
WScript.Echo Err.Number : Err.Clear
v = Eval("1 / 0")
WScript.Echo Err.Number : Err.Clear
Execute "If True Then"
WScript.Echo Err.Number : Err.Clear
Execute "q = 1 : r = 1 / 0 : s = 1"
WScript.Echo Err.Number, q, s : Err.Clear
Function Deep(n)
    Deep = Eval("Deep(n + 1)")
End Function
v = Deep(1)
WScript.Echo Err.Number : Err.Clear
On Error GoTo 0
Execute "WScript.Echo ""line"" : z = 1 / 0"
