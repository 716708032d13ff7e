' Dictionary, RegExp, classes and arrays
Set d = CreateObject("Scripting.Dictionary")
d.Add "a", 1
d("b") = 2
d.Item("c") = 3
WScript.Echo d.Count, d("b"), d.Exists("a"), d.Exists("z"), Join(d.Keys, ","), Join(d.Items, ",")
d.Remove "a"
For Each k In d : WScript.Echo k, d(k) : Next
d.RemoveAll
WScript.Echo d.Count
Set re = New RegExp
re.Pattern = "(\w+)@(\w+)\.com"
re.IgnoreCase = True
re.Global = True
WScript.Echo re.Test("mail JOE@EXAMPLE.COM now"), re.Test("none")
Set ms = re.Execute("a@b.com, c@d.com")
WScript.Echo ms.Count, ms(0).Value, ms(1).FirstIndex, ms(1).Length, ms(0).SubMatches(1)
For Each m In ms : WScript.Echo m : Next
WScript.Echo re.Replace("x@y.com", "$2 at $1")
Class Counter
    Private count
    Public Name
    Private Sub Class_Initialize() : count = 0 : End Sub
    Public Sub Add(n) : count = count + n : End Sub
    Public Property Get Total() : Total = count : End Property
    Public Property Let Total(v) : count = v : End Property
End Class
Set c = New Counter
c.Name = "clicks"
c.Add 5
c.Add 2
WScript.Echo c.Name, c.Total, TypeName(c)
c.Total = 40
WScript.Echo c.Total, c Is Nothing, Nothing Is Nothing
Dim grid(2, 3)
grid(1, 2) = "x"
WScript.Echo UBound(grid, 1), UBound(grid, 2), grid(1, 2)
ReDim list(2)
list(2) = "keep"
ReDim Preserve list(4)
WScript.Echo UBound(list), list(2)
b = list
b(2) = "copy"
WScript.Echo list(2), b(2)
