// vbscript/BuiltinsFormat.cpp: the en-US display functions FormatNumber, FormatPercent,
// FormatCurrency and FormatDateTime.
#include <cmath>
#include <cstdio>

#include "vbscript/Builtins.h"
#include "vbscript/DateMath.h"
#include "vbscript/Interpreter.h"
#include "vbscript/LocaleNumber.h"

namespace vbscript {
namespace {

constexpr int kUseDefault = -2;
constexpr int kMaxDigits = 255;

constexpr const char* kMonthNames[] = {"January",   "February", "March",    "April",
                                       "May",       "June",     "July",     "August",
                                       "September", "October",  "November", "December"};
constexpr const char* kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};

struct NumberStyle {
    int digits = 2;
    bool leadingDigit = true;
    bool parens = false;
    bool group = true;
};

// A tristate argument (vbTrue, vbFalse, vbUseDefault) with the locale's default.
bool TristateArg(const Args& a, size_t index, bool fallback) {
    if (!HasArg(a, index)) return fallback;
    int value = ToInteger(a[index]);
    return value == kUseDefault ? fallback : value != 0;
}

NumberStyle StyleOf(const Args& a, bool parensByDefault) {
    NumberStyle style;
    if (HasArg(a, 1)) {
        int digits = ToInteger(a[1]);
        if (digits < -1 || digits > kMaxDigits) ThrowRuntime(kErrInvalidCall);
        if (digits >= 0) style.digits = digits;
    }
    style.leadingDigit = TristateArg(a, 2, true);
    style.parens = TristateArg(a, 3, parensByDefault);
    style.group = TristateArg(a, 4, true);
    return style;
}

// Adds one to the decimal digit string, carrying leftwards; true when it grew a digit.
bool IncrementDigits(std::string& digits) {
    for (size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return false;
        }
        digits[i] = '0';
    }
    digits.insert(digits.begin(), '1');
    return true;
}

// The magnitude as integer and fraction digits, rounded half away from zero at the
// fifteen significant digits a Double holds, so 1.005 rounds to 1.01 as written.
void SplitFixed(double magnitude, int digits, std::string* whole, std::string* fraction) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.14e", magnitude);
    std::string all;
    all += buffer[0];
    all.append(buffer + 2, 14);
    int point = std::atoi(buffer + 17) + 1;
    if (point < 1) {
        all.insert(0, static_cast<size_t>(1 - point), '0');
        point = 1;
    }
    size_t keep = static_cast<size_t>(point) + static_cast<size_t>(digits);
    if (all.size() < keep) all.append(keep - all.size(), '0');
    if (all.size() > keep) {
        bool roundUp = all[keep] >= '5';
        all.resize(keep);
        if (roundUp && IncrementDigits(all)) ++point;
    }
    size_t firstNonZero = all.find_first_not_of('0');
    size_t wholeStart = std::min(firstNonZero, static_cast<size_t>(point));
    *whole = all.substr(wholeStart, static_cast<size_t>(point) - wholeStart);
    *fraction = all.substr(static_cast<size_t>(point));
}

std::string Grouped(const std::string& whole) {
    std::string out;
    for (size_t i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0) out += ',';
        out += whole[i];
    }
    return out;
}

std::string FormatFixed(double value, const NumberStyle& style, const char* prefix,
                        const char* suffix) {
    std::string whole, fraction;
    SplitFixed(std::fabs(value), style.digits, &whole, &fraction);
    bool negative = value < 0 && (whole.find_first_not_of('0') != std::string::npos ||
                                  fraction.find_first_not_of('0') != std::string::npos);
    if (whole.empty() && style.leadingDigit) whole = "0";
    std::string body = prefix + (style.group ? Grouped(whole) : whole);
    if (!fraction.empty()) body += '.' + fraction;
    body += suffix;
    if (!negative) return body;
    return style.parens ? '(' + body + ')' : '-' + body;
}

// Text reads as the locale writes numbers, as the conversion functions read it.
double NumericArg(const Value& v) {
    if (v.IsNull()) ThrowRuntime(kErrTypeMismatch);
    std::optional<double> text;
    if (v.kind == Kind::String && !(text = ParseLocaleNumber(v.s))) ThrowRuntime(kErrTypeMismatch);
    double value = text ? *text : ToDouble(v);
    if (!std::isfinite(value)) ThrowRuntime(kErrOverflow);
    return value;
}

Value FormatNumber(Interpreter&, Args& a) {
    return Value::String(FormatFixed(NumericArg(a[0]), StyleOf(a, false), "", ""));
}

Value FormatPercent(Interpreter&, Args& a) {
    double percent = NumericArg(a[0]) * 100.0;
    if (!std::isfinite(percent)) ThrowRuntime(kErrOverflow);
    return Value::String(FormatFixed(percent, StyleOf(a, false), "", "%"));
}

Value FormatMoney(Interpreter&, Args& a) {
    return Value::String(FormatFixed(NumericArg(a[0]), StyleOf(a, true), "$", ""));
}

double DateArg(const Value& v) {
    if (v.kind == Kind::Date) return v.d;
    if (v.kind == Kind::String) {
        if (std::optional<double> date = ParseDateText(v.s)) return *date;
        ThrowRuntime(kErrTypeMismatch);
    }
    if (v.IsNull()) ThrowRuntime(kErrInvalidNull);
    return CheckedDate(ToDouble(v));
}

std::string LongDate(const DateParts& p) {
    char text[64];
    std::snprintf(text, sizeof text, "%s, %s %d, %d", kDayNames[p.weekday - 1],
                  kMonthNames[p.month - 1], p.day, p.year);
    return text;
}

std::string ShortDate(const DateParts& p) {
    char text[32];
    std::snprintf(text, sizeof text, "%d/%d/%d", p.month, p.day, p.year);
    return text;
}

std::string LongTime(const DateParts& p) {
    char text[32];
    int hour12 = p.hour % 12 == 0 ? 12 : p.hour % 12;
    std::snprintf(text, sizeof text, "%d:%02d:%02d %s", hour12, p.minute, p.second,
                  p.hour < 12 ? "AM" : "PM");
    return text;
}

std::string ShortTime(const DateParts& p) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", p.hour, p.minute);
    return text;
}

Value FormatDateTime(Interpreter&, Args& a) {
    double serial = DateArg(a[0]);
    int format = HasArg(a, 1) ? ToInteger(a[1]) : 0;
    DateParts parts = SplitSerial(serial);
    switch (format) {
        case 0:
            return Value::String(FormatDate(serial));
        case 1:
            return Value::String(LongDate(parts));
        case 2:
            return Value::String(ShortDate(parts));
        case 3:
            return Value::String(LongTime(parts));
        case 4:
            return Value::String(ShortTime(parts));
        default:
            ThrowRuntime(kErrInvalidCall);
    }
}

}  // namespace

void AddFormatBuiltins(BuiltinTable& table) {
    table["formatnumber"] = {FormatNumber, 1, 5};
    table["formatpercent"] = {FormatPercent, 1, 5};
    table["formatcurrency"] = {FormatMoney, 1, 5};
    table["formatdatetime"] = {FormatDateTime, 1, 2};
}

}  // namespace vbscript
