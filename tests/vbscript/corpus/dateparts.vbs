' DatePart with every interval, first day of week and first week of year
d = #3/7/2024 3:04:05 PM#
WScript.Echo DatePart("yyyy", d), DatePart("q", d), DatePart("m", d), DatePart("y", d), DatePart("d", d)
WScript.Echo DatePart("w", d), DatePart("w", d, vbMonday), DatePart("ww", d), DatePart("h", d)
WScript.Echo DatePart("n", d), DatePart("s", d), DatePart("YYYY", "12/31/2023"), TypeName(DatePart("d", d))
WScript.Echo DatePart("y", #12/31/2024#), DatePart("y", #12/31/2023#), DatePart("q", #10/1/2024#)
WScript.Echo DatePart("ww", #1/1/2022#), DatePart("ww", #1/2/2022#), DatePart("ww", #12/31/2022#)
WScript.Echo DatePart("ww", #1/1/2021#, vbMonday, vbFirstFourDays), DatePart("ww", #1/4/2021#, vbMonday, vbFirstFourDays)
WScript.Echo DatePart("ww", #1/1/2021#, vbSunday, vbFirstFullWeek), DatePart("ww", #1/3/2021#, vbSunday, vbFirstFullWeek)
WScript.Echo DatePart("ww", #1/7/2020#, vbMonday, vbFirstFourDays), DatePart("ww", #1/1/2020#, vbMonday, vbFirstFourDays)
WScript.Echo DatePart("ww", #1/1/2022#, vbUseSystemDayOfWeek, vbUseSystem), DatePart("w", #3/9/2024#, vbSaturday)
WScript.Echo IsNull(DatePart("d", Null)), DatePart("h", #11:59:59 PM#), DatePart("d", #1:00:00 AM#)
old = CDate(-1.25)
WScript.Echo old, DatePart("d", old), DatePart("y", old), DatePart("h", old), DatePart("ww", old)
On Error Resume Next
x = DatePart("x", d)
WScript.Echo Err.Number : Err.Clear
x = DatePart("d", d, 9)
WScript.Echo Err.Number : Err.Clear
x = DatePart("ww", d, 1, 4)
WScript.Echo Err.Number : Err.Clear
x = DatePart("d", "someday")
WScript.Echo Err.Number : Err.Clear
