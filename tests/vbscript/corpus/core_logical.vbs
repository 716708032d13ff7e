' And, Or, Xor, Eqv, Imp and Not: truth tables with Null, bitwise on numbers, result subtypes
Dim t, f, n
t = True : f = False : n = Null
WScript.Echo "And", TypeName(t And t), t And t, t And f, f And n, TypeName(t And n), TypeName(n And n)
WScript.Echo "Or", t Or f, f Or f, t Or n, TypeName(f Or n), TypeName(n Or n)
WScript.Echo "Xor", t Xor t, t Xor f, TypeName(t Xor n), TypeName(n Xor f)
WScript.Echo "Eqv", t Eqv t, t Eqv f, f Eqv f, TypeName(t Eqv n)
WScript.Echo "Imp", t Imp t, t Imp f, f Imp t, f Imp f, TypeName(t Imp n), f Imp n, n Imp t, TypeName(n Imp f), TypeName(n Imp n)
WScript.Echo "Not", Not t, Not f, TypeName(Not n), Not 0, Not 5, Not Empty, TypeName(Not Empty), Not CByte(0), TypeName(Not CByte(0))
WScript.Echo "bits", 12 And 10, 12 Or 10, 12 Xor 10, 12 Eqv 10, 12 Imp 10, &HFF And &H0F, 0 Or n = Null
WScript.Echo "types", TypeName(t And 1), TypeName(CByte(3) And CByte(1)), TypeName(CByte(3) And 1), TypeName(CLng(3) And 1), TypeName(2.5 And 3), TypeName(65536 Or 1)
WScript.Echo "null bits", 0 And n, TypeName(5 And n), -1 Or n, TypeName(5 Or n), TypeName(CLng(0) And n)
WScript.Echo "text", "True" And t, TypeName("True" And t), "5" And 3, TypeName("5" And 3)
On Error Resume Next
x = "abc" And t
WScript.Echo "abc And True", Err.Number
Err.Clear
x = 3000000000 And 1
WScript.Echo "overflow", Err.Number
