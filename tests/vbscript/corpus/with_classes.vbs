' With blocks, Class_Initialize and Class_Terminate, default members
Class Logger
    Public Name
    Private Sub Class_Initialize() : WScript.Echo "init" : Name = "anon" : End Sub
    Private Sub Class_Terminate() : WScript.Echo "terminate " & Name : End Sub
    Public Default Function Describe() : Describe = "Logger " & Name : End Function
End Class
Set d = CreateObject("Scripting.Dictionary")
With d
    .Add "a", 1
    .Item("b") = 2
    WScript.Echo .Count, .Item("a") + .Item("b"), .Exists("b")
End With
Set lg = New Logger
With lg
    .Name = "first"
    WScript.Echo .Name, lg
End With
Set lg = Nothing
WScript.Echo "after release"
Sub Scoped()
    Dim tmp
    Set tmp = New Logger
    tmp.Name = "scoped"
End Sub
Scoped
WScript.Echo "after Scoped"
With New Logger
    .Name = "temp"
End With
WScript.Echo "done"
