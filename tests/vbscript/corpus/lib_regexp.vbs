' RegExp: Global, MultiLine, IgnoreCase, Execute with Matches and SubMatches, Replace with
' $1, $& and $$, Test, positions counted in characters, and the error for a bad pattern
Set re = New RegExp
re.Pattern = "(\w+)@(\w+)\.com"
Set ms = re.Execute("mail ann@example.com and bob@test.com")
WScript.Echo ms.Count, ms(0).Value, ms(0).FirstIndex, ms(0).Length, ms(0).SubMatches(0), ms(0).SubMatches.Count
re.Global = True
Set ms = re.Execute("mail ann@example.com and bob@test.com")
WScript.Echo ms.Count, ms(1).Value, ms(1).FirstIndex, ms.Item(1).SubMatches(1), TypeName(ms), TypeName(ms(0)), TypeName(ms(0).SubMatches)
For Each m In ms
    WScript.Echo m.FirstIndex & ":" & m.Value
Next
WScript.Echo re.Replace("ann@example.com, bob@test.com", "$2/$1"), re.Replace("x@y.com", "[$&]")
re.Global = False
WScript.Echo re.Replace("a@b.com c@d.com", "<$1>"), re.Test("none here"), re.Test("z@z.com"), re.Global, re.Pattern
re.Pattern = "ä+b" : re.IgnoreCase = True : re.Global = True
WScript.Echo re.Replace("xÄäB yaab", "-"), re.Execute("ÄÄb")(0).Length, re.IgnoreCase
re.Pattern = "b" : re.IgnoreCase = False
WScript.Echo re.Execute("ääb")(0).FirstIndex, re.Replace("äb.b", "$$"), re.Replace("aBb", "x")
re.Pattern = "^\d+$" : re.MultiLine = False
WScript.Echo re.Execute("12" & vbLf & "34").Count, re.Test("12" & vbLf)
re.MultiLine = True
Set ms = re.Execute("12" & vbLf & "34" & vbLf & "x")
WScript.Echo ms.Count, ms(1).Value, ms(1).FirstIndex
re.Pattern = "(a)|(b)" : re.MultiLine = False
Set m = re.Execute("b")(0)
WScript.Echo IsEmpty(m.SubMatches(0)), m.SubMatches(1), re.Replace("b", "[$1]")
re.Pattern = "x*"
WScript.Echo re.Replace("abc", "-"), re.Replace("äb", "-"), re.Execute("abc").Count
re.Pattern = "."
WScript.Echo re.Execute(ChrW(8364) & "a").Count, re.Execute(ChrW(8364) & "a")(1).FirstIndex
On Error Resume Next
x = ms(5).Value
WScript.Echo "Matches(5):", Err.Number : Err.Clear
re.Pattern = "(a"
x = re.Test("a")
WScript.Echo "bad pattern:", Err.Number, Err.Description : Err.Clear
