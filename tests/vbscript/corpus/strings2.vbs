' More of the string library: edge cases of Mid, InStr, Replace, Split, Join, Filter
WScript.Echo "[" & Mid("abc", 5) & "]", Mid("abc", 2, 10), Left("abc", 0) = "", Right("abc", 9)
WScript.Echo InStr("", "a"), InStr("abc", ""), InStr(5, "abc", "c"), InStrRev("abcabc", "c", 4), InStrRev("abc", "z")
WScript.Echo Replace("aaa", "a", "b", 2), Replace("aaa", "a", "b", 1, 2), Replace("abc", "", "x")
WScript.Echo UBound(Split("a b c")), UBound(Split("a,b,c", ",", 2)), Split("a,b,c", ",", 2)(1)
WScript.Echo Join(Array(1, 2, 3)), Join(Array(), "-") = "", Join(Filter(Array("a", "b", "ab"), "a", False), ",")
WScript.Echo Join(Filter(Array("Ab", "cd"), "a", True, vbTextCompare), ",")
WScript.Echo LCase(Null) = "", IsNull(UCase(Null)), Len(""), Len(12345), Trim(vbTab & " x ") = vbTab & " x"
WScript.Echo String(2, 65), String(3, "xyz"), StrReverse(""), Space(0) = ""
WScript.Echo LBound(Array()), UBound(Array()), IsArray(Split("")), Asc("abc")
