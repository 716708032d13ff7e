' Scripting.Dictionary: Add, Item (reading a missing key adds it), Key, Exists, Remove,
' Keys, Items, CompareMode for text keys, keys of different subtypes, and error numbers
Set d = CreateObject("Scripting.Dictionary")
d.Add "a", 1
d.Add 1, "one"
d("b") = 2
WScript.Echo d.Count, d("a"), d(1), d.Item("b"), d.Exists("A"), d.Exists(1.0), d.Exists("1")
x = d("missing")
WScript.Echo d.Count, IsEmpty(x), d.Exists("missing"), Join(d.Keys, ","), UBound(d.Items)
d.Key("b") = "c"
d.Remove "missing"
WScript.Echo Join(d.Keys, ","), d("c"), d.CompareMode
For Each k In d
    WScript.Echo k, d(k)
Next
d.RemoveAll
d.CompareMode = vbTextCompare
d.Add "Äpfel", 3
WScript.Echo d.Exists("äPFEL"), d("ÄPFEL"), d.Count, TypeName(d)
On Error Resume Next
d.Add "äpfel", 4
WScript.Echo "Add existing:", Err.Number : Err.Clear
d.Remove "pears"
WScript.Echo "Remove missing:", Err.Number : Err.Clear
d.CompareMode = vbBinaryCompare
WScript.Echo "CompareMode when not empty:", Err.Number : Err.Clear
d.Key("nothing") = "x"
WScript.Echo "Key of missing:", Err.Number : Err.Clear
