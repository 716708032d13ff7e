// vbscript/BuiltinsDate.cpp: the date and time functions (Now, Date, Time, DateSerial,
// DateAdd, DateDiff, DatePart, Year .. Second, Weekday, the names of months and days, CDate).
#include <algorithm>
#include <cctype>
#include <cmath>

#include "platform/Clock.h"
#include "vbscript/Builtins.h"
#include "vbscript/DateMath.h"
#include "vbscript/Interpreter.h"
#include "vbscript/LocaleNumber.h"

namespace vbscript {
namespace {

constexpr const char* kMonths[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};
constexpr const char* kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

double ToSerial(const Value& v) {
    if (v.kind == Kind::Date) return v.d;
    if (v.kind == Kind::String) {
        if (std::optional<double> date = ParseDateText(v.s)) return *date;
        if (std::optional<double> number = ParseLocaleNumber(v.s)) return CheckedDate(*number);
        ThrowRuntime(kErrTypeMismatch);
    }
    return CheckedDate(ToDouble(v));
}

std::string LowerText(const Value& v) {
    std::string s = ToString(v);
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

double NowSerial() {
    platform::LocalTime now = platform::NowLocal();
    return SerialFromDate(now.year, now.month, now.day) +
           SerialFromTime(now.hour, now.minute, now.second);
}

Value Now(Interpreter&, Args&) {
    return Value::Date(NowSerial());
}
Value Today(Interpreter&, Args&) {
    return Value::Date(std::floor(NowSerial()));
}
Value TimeNow(Interpreter&, Args&) {
    double now = NowSerial();
    return Value::Date(now - std::floor(now));
}
Value Timer(Interpreter&, Args&) {
    double now = NowSerial();
    return Value::Single(std::round((now - std::floor(now)) * 86400.0));
}

Value CDate(Interpreter&, Args& a) {
    if (a[0].IsNull()) ThrowRuntime(kErrInvalidNull);
    return Value::Date(ToSerial(a[0]));
}

Value IsDate(Interpreter&, Args& a) {
    if (a[0].kind == Kind::Date) return Value::Bool(true);
    return Value::Bool(a[0].kind == Kind::String && ParseDateText(a[0].s).has_value());
}

Value DateSerial(Interpreter&, Args& a) {
    int year = ToInteger(a[0]);
    if (year >= 0 && year < 100) year += year < 30 ? 2000 : 1900;
    double serial = SerialFromDate(year, ToInteger(a[1]), ToInteger(a[2]));
    if (!InDateRange(serial)) ThrowRuntime(kErrInvalidCall);
    return Value::Date(serial);
}

// Hours, minutes and seconds beyond their ranges carry into the day, before 12/30/1899 too.
Value TimeSerial(Interpreter&, Args& a) {
    double seconds = ToInteger(a[0]) * 3600.0 + ToInteger(a[1]) * 60.0 + ToInteger(a[2]);
    return Value::Date(SerialFromLinear(seconds / 86400.0));
}

Value DateValue(Interpreter&, Args& a) {
    return Value::Date(std::trunc(ToSerial(a[0])));
}
Value TimeValue(Interpreter&, Args& a) {
    double serial = ToSerial(a[0]);
    return Value::Date(std::fabs(serial - std::trunc(serial)));
}

template <int DateParts::*Field>
Value Part(Interpreter&, Args& a) {
    if (a[0].IsNull()) return a[0];
    return Value::Integer(SplitSerial(ToSerial(a[0])).*Field);
}

int FirstDay(const Args& a, size_t index) {
    int first = HasArg(a, index) ? ToInteger(a[index]) : 1;
    if (first == 0) first = 1;
    if (first < 1 || first > 7) ThrowRuntime(kErrInvalidCall);
    return first;
}

Value Weekday(Interpreter&, Args& a) {
    if (a[0].IsNull()) return a[0];
    int sundayBased = SplitSerial(ToSerial(a[0])).weekday;
    return Value::Integer((sundayBased - FirstDay(a, 1) + 7) % 7 + 1);
}

Value MonthName(Interpreter&, Args& a) {
    int month = ToInteger(a[0]);
    if (month < 1 || month > 12) ThrowRuntime(kErrInvalidCall);
    std::string name = kMonths[month - 1];
    return Value::String(a.size() > 1 && ToBool(a[1]) ? name.substr(0, 3) : name);
}

Value WeekdayName(Interpreter&, Args& a) {
    int day = ToInteger(a[0]);
    if (day < 1 || day > 7) ThrowRuntime(kErrInvalidCall);
    std::string name = kDays[(day - 1 + FirstDay(a, 2) - 1) % 7];
    return Value::String(a.size() > 1 && ToBool(a[1]) ? name.substr(0, 3) : name);
}

// Seconds in each fixed-length interval; months and years are calendar arithmetic.
double IntervalSeconds(const std::string& interval) {
    if (interval == "d" || interval == "y" || interval == "w") return 86400;
    if (interval == "ww") return 7 * 86400;
    if (interval == "h") return 3600;
    if (interval == "n") return 60;
    if (interval == "s") return 1;
    return 0;
}

int MonthsOf(const std::string& interval) {
    if (interval == "yyyy") return 12;
    if (interval == "q") return 3;
    if (interval == "m") return 1;
    ThrowRuntime(kErrInvalidCall);
}

// Whole seconds since 12/30/1899 on a linear scale.
double LinearSeconds(double serial) {
    return std::round(LinearFromSerial(serial) * 86400.0);
}

// Months, quarters and years keep the day of the month, or take the last day of a shorter
// month (1/31 plus a month is 2/28 or 2/29); the count is rounded to a whole number.
Value DateAdd(Interpreter&, Args& a) {
    std::string interval = LowerText(a[0]);
    int32_t count = ToLong(a[1]);
    double serial = ToSerial(a[2]);
    double result;
    if (double seconds = IntervalSeconds(interval)) {
        result = SerialFromLinear((LinearSeconds(serial) + count * seconds) / 86400.0);
    } else {
        DateParts parts = SplitSerial(serial);
        int64_t months = parts.month - 1 + static_cast<int64_t>(count) * MonthsOf(interval);
        int64_t year = parts.year + (months >= 0 ? months / 12 : (months - 11) / 12);
        if (year < 100 || year > 9999) ThrowRuntime(kErrInvalidCall);
        int month = static_cast<int>(((months % 12) + 12) % 12 + 1);
        int y = static_cast<int>(year);
        int lastDay =
            static_cast<int>(SerialFromDate(y, month + 1, 1) - SerialFromDate(y, month, 1));
        double time = std::fabs(serial - std::trunc(serial));
        result = CombineDayTime(SerialFromDate(y, month, std::min(parts.day, lastDay)), time);
    }
    if (!InDateRange(result)) ThrowRuntime(kErrInvalidCall);
    return Value::Date(result);
}

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// The boundaries crossed from the first date to the second: midnights for days, the start
// of the week (firstdayofweek) for "ww", whole hours, minutes or seconds, and calendar
// months, quarters and years. "w" counts whole weeks of days.
Value DateDiff(Interpreter&, Args& a) {
    std::string interval = LowerText(a[0]);
    if (a[1].IsNull() || a[2].IsNull()) return Value::Null();
    double first = ToSerial(a[1]), second = ToSerial(a[2]);
    int firstDay = FirstDay(a, 3);
    if (double seconds = IntervalSeconds(interval)) {
        auto days = [](double serial) {
            return static_cast<int64_t>(std::floor(LinearFromSerial(serial)));
        };
        if (interval == "d" || interval == "y") return Value::Long(days(second) - days(first));
        if (interval == "w") return Value::Long((days(second) - days(first)) / 7);
        // Day 1 (12/31/1899) was a Sunday, so day n falls on weekday ((n - 1) mod 7) + 1.
        if (interval == "ww")
            return Value::Long(FloorDiv(days(second) - firstDay, 7) -
                               FloorDiv(days(first) - firstDay, 7));
        auto boundaries = [seconds](double serial) {
            return static_cast<int64_t>(std::floor(LinearSeconds(serial) / seconds));
        };
        return Value::Long(boundaries(second) - boundaries(first));
    }
    DateParts from = SplitSerial(first), to = SplitSerial(second);
    int months = (to.year - from.year) * 12 + (to.month - from.month);
    int unit = MonthsOf(interval);
    if (unit == 12) return Value::Long(to.year - from.year);
    if (unit == 3) {
        return Value::Long((to.year * 4 + (to.month - 1) / 3) -
                           (from.year * 4 + (from.month - 1) / 3));
    }
    return Value::Long(months);
}

// Serial day on which week 1 of the year starts, for a week starting on firstDay (1 = Sunday)
// and the vbFirstJan1 / vbFirstFourDays / vbFirstFullWeek rule.
double FirstWeekStart(int year, int firstDay, int rule) {
    double jan1 = SerialFromDate(year, 1, 1);
    int offset = (SplitSerial(jan1).weekday - firstDay + 7) % 7;
    double weekStart = jan1 - offset;
    if (rule == 3 && offset != 0) return weekStart + 7;
    if (rule == 2 && 7 - offset < 4) return weekStart + 7;
    return weekStart;
}

int WeekOfYear(double day, int year, int firstDay, int rule) {
    double start = FirstWeekStart(year, firstDay, rule);
    if (day < start) start = FirstWeekStart(year - 1, firstDay, rule);
    // Clamped before the conversion: a day far outside any year must not overflow the int.
    return static_cast<int>(std::clamp(std::floor((day - start) / 7), -1e6, 1e6)) + 1;
}

Value DatePart(Interpreter&, Args& a) {
    std::string interval = LowerText(a[0]);
    if (a[1].IsNull()) return a[1];
    double serial = ToSerial(a[1]);
    int firstDay = FirstDay(a, 2);
    int rule = HasArg(a, 3) ? ToInteger(a[3]) : 1;
    if (rule == 0) rule = 1;
    if (rule < 1 || rule > 3) ThrowRuntime(kErrInvalidCall);
    DateParts parts = SplitSerial(serial);
    double day = std::trunc(serial);
    if (interval == "yyyy") return Value::Integer(parts.year);
    if (interval == "q") return Value::Integer((parts.month - 1) / 3 + 1);
    if (interval == "m") return Value::Integer(parts.month);
    if (interval == "y")
        return Value::Integer(static_cast<int>(day - SerialFromDate(parts.year, 1, 1)) + 1);
    if (interval == "d") return Value::Integer(parts.day);
    if (interval == "w") return Value::Integer((parts.weekday - firstDay + 7) % 7 + 1);
    if (interval == "ww") return Value::Integer(WeekOfYear(day, parts.year, firstDay, rule));
    if (interval == "h") return Value::Integer(parts.hour);
    if (interval == "n") return Value::Integer(parts.minute);
    if (interval == "s") return Value::Integer(parts.second);
    ThrowRuntime(kErrInvalidCall);
}

}  // namespace

void AddDateBuiltins(BuiltinTable& table) {
    table["now"] = {Now, 0, 0};
    table["date"] = {Today, 0, 0};
    table["time"] = {TimeNow, 0, 0};
    table["timer"] = {Timer, 0, 0};
    table["cdate"] = {CDate, 1, 1};
    table["isdate"] = {IsDate, 1, 1};
    table["dateserial"] = {DateSerial, 3, 3};
    table["timeserial"] = {TimeSerial, 3, 3};
    table["datevalue"] = {DateValue, 1, 1};
    table["timevalue"] = {TimeValue, 1, 1};
    table["year"] = {Part<&DateParts::year>, 1, 1};
    table["month"] = {Part<&DateParts::month>, 1, 1};
    table["day"] = {Part<&DateParts::day>, 1, 1};
    table["hour"] = {Part<&DateParts::hour>, 1, 1};
    table["minute"] = {Part<&DateParts::minute>, 1, 1};
    table["second"] = {Part<&DateParts::second>, 1, 1};
    table["weekday"] = {Weekday, 1, 2};
    table["monthname"] = {MonthName, 1, 2};
    table["weekdayname"] = {WeekdayName, 1, 3};
    table["dateadd"] = {DateAdd, 3, 3};
    table["datediff"] = {DateDiff, 3, 5};
    table["datepart"] = {DatePart, 2, 4};
}

}  // namespace vbscript
