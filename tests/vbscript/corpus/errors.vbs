' On Error Resume Next, the Err object and run-time error numbers
On Error Resume Next
x = 1 / 0
WScript.Echo Err.Number, Err.Description
Err.Clear
x = CInt("abc")
WScript.Echo Err.Number, Err.Description
Err.Clear
x = CInt(40000)
WScript.Echo Err.Number, Err.Description
Err.Clear
Dim arr(2)
arr(5) = 1
WScript.Echo Err.Number, Err.Description
Err.Clear
Set o = CreateObject("WScript.Shell")
WScript.Echo Err.Number, Err.Description
Err.Clear
Set o = GetObject("x")
WScript.Echo Err.Number
Err.Clear
Err.Raise 1000, "me", "custom"
WScript.Echo Err.Number, Err.Source, Err.Description
Err.Clear
y = Nothing.x
WScript.Echo Err.Number
Err.Clear
Set d = CreateObject("Scripting.Dictionary")
d.NoSuchMember
WScript.Echo Err.Number, Err.Description
On Error GoTo 0
WScript.Echo Err.Number
z = Null + 1
WScript.Echo IsNull(z)
z = Len(Null)
WScript.Echo CStr(Null)
