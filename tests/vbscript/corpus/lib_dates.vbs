' Date functions: calendar arithmetic across month ends and leap years, week boundaries,
' DateSerial rolling over, dates before 1900, date texts, names, formats and error numbers
WScript.Echo DateAdd("m", 1, #1/31/2024#), DateAdd("m", 1, #1/31/2023#), DateAdd("yyyy", 1, #2/29/2024#), DateAdd("q", 1, #11/30/2023#)
WScript.Echo DateAdd("m", -1, #3/31/2023#), DateAdd("h", 25, #12/31/2023 11:00 PM#), DateAdd("n", -90, #1/1/2024#), DateAdd("d", -1, #1/1/1900#)
WScript.Echo DateAdd("ww", 2, #12/25/2023#), DateAdd("s", 61, #11:59:30 PM#), DateAdd("h", -1, #12/30/1899 1:00 AM#), DateAdd("h", -7, #12/30/1899 1:00 AM#)
WScript.Echo DateDiff("d", #2/28/2024#, #3/1/2024#), DateDiff("d", #2/28/2023#, #3/1/2023#), DateDiff("d", #1/2/2024#, #1/1/2024#), DateDiff("d", #1/1/2024 11:00 PM#, #1/2/2024 1:00 AM#)
WScript.Echo DateDiff("m", #1/31/2024#, #2/1/2024#), DateDiff("yyyy", #12/31/2023#, #1/1/2024#), DateDiff("q", #3/31/2024#, #4/1/2024#), DateDiff("h", #1/1/2024 10:59 AM#, #1/1/2024 11:00 AM#), DateDiff("n", #10:00:59#, #10:01:00#), DateDiff("s", #12/31/2023 11:59:59 PM#, #1/1/2024#)
WScript.Echo DateDiff("w", #1/6/2024#, #1/7/2024#), DateDiff("ww", #1/6/2024#, #1/7/2024#), DateDiff("ww", #1/7/2024#, #1/13/2024#), DateDiff("ww", #1/7/2024#, #1/14/2024#), DateDiff("w", #1/1/2024#, #1/15/2024#), DateDiff("w", #1/15/2024#, #1/1/2024#)
WScript.Echo DateDiff("ww", #1/1/2024#, #1/7/2024#), DateDiff("ww", #1/1/2024#, #1/7/2024#, vbMonday), DateDiff("ww", #1/1/2024#, #1/8/2024#, vbMonday), DateDiff("d", #12/29/1899 6:00 PM#, #12/30/1899#)
WScript.Echo DateSerial(1990 - 10, 8 - 2, 1 - 1), DateSerial(2024, 2, 30), DateSerial(2024, 0, 1), DateSerial(2024, 14, -1), DateSerial(2023, 2, 29)
WScript.Echo TimeSerial(12 - 6, -15, 0), TimeSerial(25, 0, 0), TimeSerial(0, 90, 30)
WScript.Echo CDate("January 31, 2024"), CDate("31 Jan 2024"), CDate("2024-01-31 13:45"), CDate("Wednesday, January 31, 2024"), CDate("13/1/2024"), CDate("1:45:10 PM")
WScript.Echo IsDate("2/29/2024"), IsDate("2/29/2023"), IsDate("31/31/2024"), IsDate("soon"), IsDate("12:60"), IsDate(#1/1/2024#), Year(CDate("1/31")) = Year(Date)
WScript.Echo Weekday(#1/1/2024#), Weekday(#1/1/2024#, vbMonday), Weekday(#1/6/2024#, vbSaturday), WeekdayName(1), WeekdayName(1, True, vbMonday), WeekdayName(7, False, vbMonday), MonthName(2), MonthName(12, True)
WScript.Echo FormatDateTime(#1/5/2024 3:04:05 PM#), FormatDateTime(#1/5/2024 3:04:05 PM#, vbLongDate), FormatDateTime(#1/5/2024#, vbShortDate), FormatDateTime(#3:04:05 PM#, vbLongTime), FormatDateTime(#3:04:05 PM#, vbShortTime)
WScript.Echo DatePart("ww", #1/1/2024#), DatePart("ww", #1/7/2024#), DatePart("ww", #1/7/2024#, vbMonday), DatePart("ww", #1/1/2023#, vbMonday, vbFirstFourDays), DatePart("ww", #1/2/2023#, vbMonday, vbFirstFourDays), DatePart("ww", #1/1/2023#, vbSunday, vbFirstFullWeek)
WScript.Echo DatePart("y", #3/1/2024#), DatePart("q", #12/31/2024#), DateValue("12/31/2024 10:00"), TimeValue("12/31/2024 10:00")
On Error Resume Next
x = DateAdd("x", 1, Now)
WScript.Echo "DateAdd x:", Err.Number : Err.Clear
x = DateAdd("yyyy", 8000, #1/1/2024#)
WScript.Echo "DateAdd beyond 9999:", Err.Number : Err.Clear
x = DateSerial(10000, 1, 1)
WScript.Echo "DateSerial 10000:", Err.Number : Err.Clear
x = MonthName(13)
WScript.Echo "MonthName 13:", Err.Number : Err.Clear
x = WeekdayName(8)
WScript.Echo "WeekdayName 8:", Err.Number : Err.Clear
x = Weekday(#1/1/2024#, 8)
WScript.Echo "Weekday first day 8:", Err.Number : Err.Clear
x = CDate("2/30/2024")
WScript.Echo "CDate 2/30/2024:", Err.Number : Err.Clear
x = FormatDateTime(Now, 5)
WScript.Echo "FormatDateTime 5:", Err.Number : Err.Clear
x = DateDiff("x", Now, Now)
WScript.Echo "DateDiff x:", Err.Number : Err.Clear
x = Year("soon")
WScript.Echo "Year soon:", Err.Number : Err.Clear
' A number outside January 1, 100 to December 31, 9999 converts to no Date at all.
x = CDate(2958466)
WScript.Echo "CDate past 9999:", Err.Number : Err.Clear
x = Year(-657435)
WScript.Echo "Year before 100:", Err.Number : Err.Clear
x = DatePart("ww", 1E+60)
WScript.Echo "DatePart far:", Err.Number : Err.Clear
x = FormatDateTime(1E+60)
WScript.Echo "FormatDateTime far:", Err.Number : Err.Clear
x = #12/31/9999# + 1
WScript.Echo "Date past 9999:", Err.Number : Err.Clear
x = Year(2958465.5) & " " & Year(-657434.5) & " " & (#12/31/9999# - 1)
WScript.Echo "Edges:", x, Err.Number
