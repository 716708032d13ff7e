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
// "M/D/YYYY", "YYYY-MM-DD", with or without "h:mm[:ss] [AM|PM]"; or a time alone.
std::optional<double> ParseDateText(const std::string& text);

}  // namespace vbscript
