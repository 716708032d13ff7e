' String functions count 16-bit characters and compare text without regard to the case of
' any letter of the code page; the documented edge cases and error numbers
s = "Ägypten"
WScript.Echo Len(s), Left(s, 2), Right(s, 3), Mid(s, 1, 1), Mid(s, 2), StrReverse("äbc")
WScript.Echo LCase("ÄÖÜ ÉÈ"), UCase("äöü é"), UCase("ñandú"), AscW(LCase(ChrW(913))), AscW(UCase(ChrW(1078)))
WScript.Echo StrComp("Ä", "ä", vbTextCompare), StrComp("Ä", "ä"), StrComp("a", "B", 1), StrComp("a", "B")
WScript.Echo InStr(1, "GRÜN", "ü", 1), InStr("GRÜN", "ü"), InStr("GRÜN", "N"), InStrRev("aÄbä", "Ä", -1, 1)
WScript.Echo Replace("Öl öl ÖL", "öl", "x", 1, -1, vbTextCompare), Replace("Öl öl", "öl", "x")
WScript.Echo Join(Filter(Array("Äpfel", "Birnen", "äsen"), "ä", True, vbTextCompare), ",")
WScript.Echo UBound(Split("aÄbäc", "ä", -1, 1)), Split("aÄbäc", "ä", -1, 1)(1), UBound(Split("a,b", ",", 0))
WScript.Echo AscW(ChrW(8364)), Len(ChrW(8364)), AscW(ChrW(8364) & ""), Asc("é"), Chr(233), Len(Chr(233)), AscW(ChrW(-1))
smile = ChrW(&HD83D) & ChrW(&HDE00)
WScript.Echo Len(smile), AscW(smile), Mid("a" & smile & "b", 2, 2) = smile, Len(Left(smile, 1) & Right(smile, 1)), String(3, "é")
WScript.Echo Escape("a b+c/ä" & ChrW(8364) & "~"), Unescape("%41%u00e4%zz%"), Unescape(Escape("x=1&y=ü"))
WScript.Echo InStrRev("abc", ""), InStrRev("abc", "", 2), InStrRev("", ""), InStrRev("abcabc", "bc", 4), InStrRev("abc", "c", 5)
WScript.Echo InStr("abc", ""), InStr(2, "abc", ""), InStr("", ""), IsNull(InStr("a", Null)), IsNull(Len(Null))
WScript.Echo Replace("abcabc", "b", "", 3), Replace("abc", "b", "x", 4) = "", Replace("aaa", "a", "b", 1, 0)
On Error Resume Next
x = Left("abc", -1)
WScript.Echo "Left -1:", Err.Number : Err.Clear
x = Mid("abc", 0)
WScript.Echo "Mid 0:", Err.Number : Err.Clear
x = Chr(256)
WScript.Echo "Chr 256:", Err.Number : Err.Clear
x = ChrW(65536)
WScript.Echo "ChrW 65536:", Err.Number : Err.Clear
x = Asc("")
WScript.Echo "Asc empty:", Err.Number : Err.Clear
x = Asc(Null)
WScript.Echo "Asc Null:", Err.Number : Err.Clear
x = Replace(Null, "a", "b")
WScript.Echo "Replace Null:", Err.Number : Err.Clear
x = StrReverse(Null)
WScript.Echo "StrReverse Null:", Err.Number : Err.Clear
x = InStr(1, "a", "b", 2)
WScript.Echo "InStr compare 2:", Err.Number : Err.Clear
x = Space(-1)
WScript.Echo "Space -1:", Err.Number : Err.Clear
x = InStrRev("abc", "b", 0)
WScript.Echo "InStrRev 0:", Err.Number : Err.Clear
x = Join("a,b")
WScript.Echo "Join text:", Err.Number : Err.Clear
x = Left("abc", "two")
WScript.Echo "Left text:", Err.Number : Err.Clear
