' Math functions: result subtypes, rounding rules, Rnd seeding and error numbers
WScript.Echo Abs(-1.5), Abs(Empty), IsNull(Abs(Null)), TypeName(Abs(CByte(3))), TypeName(Abs(-3)), TypeName(Abs(CCur(-1)))
WScript.Echo Int(8.4), Int(-8.4), Fix(8.4), Fix(-8.4), Int(-0.5), TypeName(Int(CSng(1.5))), TypeName(Fix(CCur(2.5)))
WScript.Echo Round(2.5), Round(3.5), Round(-2.5), Round(0.125, 2), Round(12.3456, 3), TypeName(Round(2.5)), Round(7)
WScript.Echo Sgn(-7), Sgn(0), Sgn(0.1), TypeName(Sgn(1.5)), Sqr(16), Sqr(2), Exp(1), Log(Exp(2))
WScript.Echo Atn(1) * 4, Sin(0), Cos(0), Tan(0), TypeName(Sqr(4)), IsNull(Int(Null)), IsNull(Fix(Null))
r = Rnd(-5)
WScript.Echo r = Rnd(-5), r = Rnd(0), r >= 0 And r < 1, TypeName(r), Rnd(-5) <> Rnd(-6)
On Error Resume Next
x = Sqr(-1)
WScript.Echo "Sqr -1:", Err.Number : Err.Clear
x = Log(0)
WScript.Echo "Log 0:", Err.Number : Err.Clear
x = Exp(1000)
WScript.Echo "Exp 1000:", Err.Number : Err.Clear
x = Round(1.5, -1)
WScript.Echo "Round places -1:", Err.Number : Err.Clear
x = Abs("x")
WScript.Echo "Abs text:", Err.Number : Err.Clear
