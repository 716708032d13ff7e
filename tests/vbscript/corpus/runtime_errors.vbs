' Run-time error numbers and texts, the Err object and On Error scoping
On Error Resume Next
Sub Check(label)
    WScript.Echo label, Err.Number, Err.Description
    Err.Clear
End Sub
x = Mid("abc", 0, 1) : Check "Mid 0:"
x = Chr(-1) : Check "Chr -1:"
x = Space(-1) : Check "Space -1:"
x = 1 / 0 : Check "1/0:"
x = CInt(99999) : Check "CInt:"
Dim arr(1) : x = arr(2) : Check "arr(2):"
x = arr(-1) : Check "arr(-1):"
x = "a" * 2 : Check """a""*2:"
x = Array(1) + 1 : Check "array+1:"
x.Foo : Check "x.Foo:"
Set o = Nothing : o.Foo : Check "Nothing.Foo:"
Set o = CreateObject("Scripting.FileSystemObject") : Check "FSO:"
Set o = CreateObject("WScript.Shell") : Check "Shell:"
Set o = GetObject("winmgmts:") : Check "GetObject:"
Set d = CreateObject("Scripting.Dictionary") : d.Frobnicate : Check "d.Frobnicate:"
d.Add "k", 1 : d.Add "k", 2 : Check "dup key:"
Set v = 5 : Check "Set 5:"
x = UBound(5) : Check "UBound(5):"
x = Left("abc") : Check "Left 1 arg:"
Err.Raise 5 : Check "Raise 5:"
Err.Raise vbObjectError + 1, "src", "mine" : WScript.Echo Err.Number - vbObjectError, Err.Source, Err.Description
Err.Clear
WScript.Echo Err.Number, Err.Description = ""
Sub Inner()
    x = 1 / 0
    WScript.Echo "not reached"
End Sub
On Error GoTo 0
On Error Resume Next
Inner
WScript.Echo "after Inner:", Err.Number
On Error GoTo 0
Err.Raise 6
