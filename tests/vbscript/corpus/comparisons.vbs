' Comparisons between subtypes, Empty and Null, string and text compare
WScript.Echo 1 = 1.0, "1" = 1, 1 = "1", "abc" < "abd", "B" < "a", "10" < "9"
Dim s : s = "10"
Dim n : n = 9
WScript.Echo s > n, CStr(n) > s, s = "10", Empty = 0, Empty = "", Empty < 1
WScript.Echo IsNull(Null = 1), IsNull(Null <> Null), IsNull(1 < Null), Null = Null
WScript.Echo True = -1, False = 0, True < False, CBool(1) = True
WScript.Echo StrComp("abc", "ABC"), StrComp("abc", "ABC", 1), StrComp("a", "b"), StrComp("b", "a")
WScript.Echo IsNull(StrComp(Null, "a")), InStr(1, "ABC", "c", 0), InStr(1, "ABC", "c", 1)
WScript.Echo 1.5 > 1, -1 < 0, 2 >= 2, 2 <= 1, 3 <> 3.5
Set a = CreateObject("Scripting.Dictionary")
Set b = a
WScript.Echo a Is b, a Is Nothing, Not (a Is Nothing)
If "" Then WScript.Echo "never"
