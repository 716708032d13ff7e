// vbscript/DateMath.h: the Date subtype's arithmetic: serial days since 1899-12-30 with the
// time of day as the fraction, to and from calendar parts, and its US text forms.
#pragma once

#include <optional>
#include <string>

namespace vbscript {

struct DateParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
    int weekday = 7;  // 1 = Sunday .. 7 = Saturday
};

// Whole days of a calendar date (months and days outside their range roll over).
double SerialFromDate(int year, int month, int day);
double SerialFromTime(int hour, int minute, int second);
DateParts SplitSerial(double serial);

// Days before 1899-12-30 keep the time of day as a positive fraction below their negative
// whole day (-1.25 is 12/29/1899 6:00 AM), so arithmetic goes through a linear day count.
double LinearFromSerial(double serial);
double SerialFromLinear(double linear);
// A whole day with a time of day (a fraction from 0 to 1) as a serial.
double CombineDayTime(double day, double time);
// The years 100 to 9999 that the Date subtype holds.
bool InDateRange(double serial);
// The serial itself when it is in that range; a number outside it converts to no Date, which
// raises Overflow (6) as any conversion past its subtype's range does.
double CheckedDate(double serial);

// A date as the en-US locale writes it, with or without a time of day, or a time alone:
// "1/31/2024", "2024-01-31", "31/1/2024" (read day first when the month cannot be),
// "January 31, 2024", "31 Jan 2024", "Wednesday, January 31, 2024", "1/31" (this year),
// "13:45", "1:45:10 PM". Two-digit years 30 to 99 are 1930 to 1999, 0 to 29 are 2000 on.
std::optional<double> ParseDateText(const std::string& text);

}  // namespace vbscript
