' The program is read in the ANSI code page (ISO-8859-1 here), as a filter's program is:
' this file is written in UTF-8, so each of its two-byte letters is two characters, and
' they print back as the same two bytes. A character the code page lacks prints as "?".
s = "Äpfel"
WScript.Echo Len(s), AscW(Left(s, 1)), AscW(Mid(s, 2, 1)), s, UCase("ä") = "ä"
WScript.Echo Len(Chr(196)), Chr(196) = ChrW(196), ChrW(8364), ChrW(955) & "x"
' Strings order by their 16-bit units: a character beyond the Basic Multilingual Plane
' (a surrogate pair) comes before U+FF01, whatever bytes hold it inside the engine.
smile = Mid("a" & ChrW(&HD83D) & ChrW(&HDE00), 2)
WScript.Echo smile < ChrW(&HFF01), StrComp(smile, ChrW(&HFF01)), Len(smile)
WScript.Echo ChrW(&HD83D) & ChrW(&HDE00) = smile, InStr("x" & smile, ChrW(&HDE00))
Set d = CreateObject("Scripting.Dictionary") : d.Add smile, 1
WScript.Echo d.Exists(ChrW(&HD83D) & ChrW(&HDE00)), d.Exists(ChrW(&HD83D))
z = "ÄÄ": z = 1 / 0
