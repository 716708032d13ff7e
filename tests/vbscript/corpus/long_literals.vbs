' The & Long type suffix on decimal, hex and octal literals
WScript.Echo 1&, TypeName(1&), TypeName(1), TypeName(&HFF&), &HFF&, TypeName(&HFF)
WScript.Echo &HFFFF, &HFFFF&, TypeName(&HFFFF&), &HFFFFFFFF&, &O17&, TypeName(&O17&)
WScript.Echo 2147483647&, -5& + 1, TypeName(32767&), 1 & 2, 3&+4&
x = 7&
WScript.Echo x * 2, "a" & 1& & "b"
