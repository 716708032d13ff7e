// vbscript/DateMath.cpp: calendar conversions for Date values (proleptic Gregorian).
#include "vbscript/DateMath.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "vbscript/Errors.h"
#include "vbscript/Value.h"

namespace vbscript {
namespace {

constexpr int64_t kSerialOf1970 = 25569;

int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, DateParts* parts) {
    z += 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    parts->day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    parts->month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    parts->year = static_cast<int>(yoe + era * 400 + (parts->month <= 2));
}

}  // namespace

double SerialFromDate(int year, int month, int day) {
    int64_t y = year, m = month - 1;
    y += m >= 0 ? m / 12 : (m - 11) / 12;
    m = ((m % 12) + 12) % 12 + 1;
    return static_cast<double>(DaysFromCivil(y, m, 1) + kSerialOf1970 + day - 1);
}

double SerialFromTime(int hour, int minute, int second) {
    return (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

DateParts SplitSerial(double serial) {
    // Script values are checked when they become Dates, but a host can hand in any serial: far
    // outside the years 100 to 9999 (or not a number at all) the day count would not fit the
    // integer arithmetic below, so such a serial reads as the nearest end of that range.
    constexpr double kFirstSerial = -657434, kLastSerial = 2958465;
    if (!(serial >= kFirstSerial)) serial = kFirstSerial;
    if (serial > kLastSerial + 1) serial = kLastSerial;
    double whole = std::trunc(serial);
    int64_t days = static_cast<int64_t>(whole);
    int64_t seconds = std::llround(std::fabs(serial - whole) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        days += serial < 0 ? -1 : 1;
    }
    DateParts parts;
    CivilFromDays(days - kSerialOf1970, &parts);
    parts.hour = static_cast<int>(seconds / 3600);
    parts.minute = static_cast<int>(seconds / 60 % 60);
    parts.second = static_cast<int>(seconds % 60);
    parts.weekday = static_cast<int>(((days + 6) % 7 + 7) % 7) + 1;
    return parts;
}

std::string FormatDate(double serial) {
    DateParts parts = SplitSerial(serial);
    bool hasDate = std::trunc(serial) != 0;
    bool hasTime = serial != std::trunc(serial);
    char text[64];
    std::string result;
    if (hasDate) {
        std::snprintf(text, sizeof text, "%d/%d/%d", parts.month, parts.day, parts.year);
        result = text;
    }
    if (hasTime || !hasDate) {
        int hour12 = parts.hour % 12 == 0 ? 12 : parts.hour % 12;
        std::snprintf(text, sizeof text, "%d:%02d:%02d %s", hour12, parts.minute, parts.second,
                      parts.hour < 12 ? "AM" : "PM");
        if (!result.empty()) result += ' ';
        result += text;
    }
    return result;
}

double LinearFromSerial(double serial) {
    double day = std::trunc(serial);
    return day + std::fabs(serial - day);
}

double SerialFromLinear(double linear) {
    double day = std::floor(linear);
    return CombineDayTime(day, linear - day);
}

double CombineDayTime(double day, double time) {
    return day < 0 ? day - time : day + time;
}

bool InDateRange(double serial) {
    return serial > -657435.0 && serial < 2958466.0;
}

double CheckedDate(double serial) {
    if (!InDateRange(serial)) ThrowRuntime(kErrOverflow);
    return serial;
}

}  // namespace vbscript
