' The byte functions see each character as two bytes, low byte first.
s = "AB"
WScript.Echo LenB(s) & " " & LenB("") & " " & LenB(123)
WScript.Echo AscB(s) & " " & AscB(MidB(s, 2, 1))
WScript.Echo AscB(ChrW(&H1234)) & " " & AscB(MidB(ChrW(&H1234), 2))
WScript.Echo MidB(s, 3, 2) & " " & MidB(s, 3) & " " & LeftB(s, 2) & "|" & RightB(s, 2)
WScript.Echo Len(MidB(s, 9)) & " " & LenB(LeftB(s, 99)) & " " & LenB(RightB(s, 99))
WScript.Echo InStrB(s, "B") & " " & InStrB(s, ChrB(0)) & " " & InStrB(3, s, ChrB(0))
WScript.Echo InStrB(s, "C") & " " & InStrB(9, s, "B") & " " & InStrB(s, "")

' A lone byte is half a character: LenB counts it, Len does not.
b = ChrB(65)
WScript.Echo LenB(b) & " " & Len(b)
' Two bytes make a character again; an odd byte in front shifts every pair after it.
w = ChrB(65) & ChrB(0)
WScript.Echo w & " " & LenB(w) & " " & Len(w)
x = ChrB(0) & "A"
WScript.Echo LenB(x) & " " & Len(x) & " " & AscW(x)
WScript.Echo LenB(LeftB("abc", 3) & RightB("abc", 3)) & " " & (LeftB("abc", 3) & RightB("abc", 3))
WScript.Echo IsNull(LenB(Null)) & " " & IsNull(MidB(Null, 1)) & " " & IsNull(InStrB(s, Null))

' Joining lone surrogate halves joins their 16-bit units.
hi = ChrW(&HD83D)
lo = ChrW(&HDE00)
p = hi & lo
WScript.Echo Len(p) & " " & LenB(p) & " " & AscW(Left(p, 1)) & " " & AscW(Right(p, 1))
WScript.Echo (p = Left(p, 1) & Right(p, 1)) & " " & InStr(p, lo) & " " & Len(lo & hi)
Set seen = CreateObject("Scripting.Dictionary")
seen(Mid(p, 1)) = 1
WScript.Echo seen.Exists(hi & lo) & " " & seen.Exists(lo & hi)

On Error Resume Next
x = ChrB(256)
WScript.Echo "ChrB(256): " & Err.Number
Err.Clear
x = MidB("a", 0)
WScript.Echo "MidB start 0: " & Err.Number
Err.Clear
x = LeftB("a", -1)
WScript.Echo "LeftB -1: " & Err.Number
Err.Clear
x = AscB("")
WScript.Echo "AscB empty: " & Err.Number
Err.Clear
x = AscB(Null)
WScript.Echo "AscB Null: " & Err.Number
