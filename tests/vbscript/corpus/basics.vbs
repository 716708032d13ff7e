' Variables, arithmetic, concatenation and the subtypes they give
Dim a, b
a = 7 : b = 2
WScript.Echo a + b, a - b, a * b, a / b, a \ b, a Mod b, a ^ b
WScript.Echo "x" & 1 & True, TypeName(a), TypeName(70000), TypeName(1.5), TypeName("s")
WScript.Echo TypeName(32767 + 1), TypeName(2147483647 + 1), TypeName(a / b)
WScript.Echo -2 ^ 2, 2 + 3 * 4, (2 + 3) * 4, 10 - 2 - 3, 2 ^ 3 ^ 2
WScript.Echo 1 = 1, 1 <> 1, "a" < "b", Not True, True And False, True Or False, 5 And 3
WScript.Echo IsEmpty(c), c = 0, c = "", VarType(Null), IsNull(Null & Null)
WScript.Echo "1" + 2, "1" + "2", 1.5 + 1, CStr(0.1 + 0.2), 1E+20, 0.00001
x = "Multi" & _
    "line"
WScript.Echo x ' trailing comment
Rem a comment line
WScript.Echo &HFF, &H7FFF, &HFFFF, &HFFFFFFFF, TypeName(&HFFFF)
