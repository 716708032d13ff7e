// vbscript/DateText.cpp: reads dates and times written as the en-US locale writes them.
#include <strings.h>

#include <cctype>
#include <vector>

#include "platform/Clock.h"
#include "vbscript/DateMath.h"

namespace vbscript {
namespace {

constexpr const char* kMonthNames[] = {"january",   "february", "march",    "april",
                                       "may",       "june",     "july",     "august",
                                       "september", "october",  "november", "december"};
constexpr const char* kDayNames[] = {"sunday",   "monday", "tuesday", "wednesday",
                                     "thursday", "friday", "saturday"};

struct Number {
    int value;
    size_t digits;
};

// The position of a name in the list by its full name or its first three letters; -1 if none.
int NameIndex(const std::string& word, const char* const* names, int count) {
    for (int i = 0; i < count; ++i) {
        std::string_view name = names[i];
        if (word.size() >= 3 && word.size() <= name.size() &&
            strncasecmp(word.c_str(), names[i], word.size()) == 0 &&
            (word.size() == 3 || word.size() == name.size()))
            return i;
    }
    return -1;
}

int DaysInMonth(int year, int month) {
    return static_cast<int>(SerialFromDate(year, month + 1, 1) - SerialFromDate(year, month, 1));
}

int FullYear(const Number& year) {
    if (year.digits > 2) return year.value;
    return year.value + (year.value < 30 ? 2000 : 1900);
}

// "h:mm[:ss] [AM|PM]" at `text`; the fraction of a day.
std::optional<double> ReadTime(const char* text) {
    int part[3] = {0, 0, 0};
    int parts = 0;
    while (parts < 3 && std::isdigit(static_cast<unsigned char>(*text))) {
        int value = 0, digits = 0;
        while (std::isdigit(static_cast<unsigned char>(*text)) && digits < 3)
            value = value * 10 + (*text++ - '0'), ++digits;
        part[parts++] = value;
        if (*text != ':') break;
        ++text;
    }
    if (parts < 2) return std::nullopt;
    while (*text == ' ') ++text;
    int hour = part[0];
    if (strncasecmp(text, "am", 2) == 0 || strncasecmp(text, "pm", 2) == 0) {
        if (hour < 1 || hour > 12) return std::nullopt;
        hour = hour % 12 + (std::tolower(static_cast<unsigned char>(*text)) == 'p' ? 12 : 0);
        text += 2;
    }
    while (*text == ' ') ++text;
    if (*text != '\0' || hour > 23 || part[1] > 59 || part[2] > 59) return std::nullopt;
    return SerialFromTime(hour, part[1], part[2]);
}

// The date from its numbers and, when written, its month's name; nothing when the parts
// make no date.
std::optional<double> AssembleDate(const std::vector<Number>& numbers, int namedMonth) {
    int year = 0, month = 0, day = 1;
    const int thisYear = platform::NowLocal().year;
    if (namedMonth > 0) {
        month = namedMonth;
        if (numbers.size() == 2) {
            bool yearFirst = numbers[0].digits > 2 || numbers[0].value > 31;
            day = numbers[yearFirst ? 1 : 0].value;
            year = FullYear(numbers[yearFirst ? 0 : 1]);
        } else if (numbers.size() == 1) {
            bool isYear = numbers[0].digits > 2 || numbers[0].value > 31;
            year = isYear ? FullYear(numbers[0]) : thisYear;
            day = isYear ? 1 : numbers[0].value;
        } else {
            return std::nullopt;
        }
    } else if (numbers.size() == 3 && (numbers[0].digits > 2 || numbers[0].value > 31)) {
        year = numbers[0].value, month = numbers[1].value, day = numbers[2].value;
    } else if (numbers.size() == 3 || numbers.size() == 2) {
        month = numbers[0].value, day = numbers[1].value;
        year = numbers.size() == 3 ? FullYear(numbers[2]) : thisYear;
        if (numbers.size() == 2 && (numbers[1].digits > 2 || numbers[1].value > 31)) {
            year = FullYear(numbers[1]), day = 1;
        }
        if (month > 12 && day <= 12) std::swap(month, day);
    } else {
        return std::nullopt;
    }
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
        return std::nullopt;
    return SerialFromDate(year, month, day);
}

}  // namespace

std::optional<double> ParseDateText(const std::string& input) {
    std::vector<Number> numbers;
    int namedMonth = 0;
    const char* text = input.c_str();
    const char* time = nullptr;
    while (*text != '\0' && time == nullptr) {
        unsigned char c = static_cast<unsigned char>(*text);
        if (std::isdigit(c)) {
            const char* start = text;
            Number number{0, 0};
            while (std::isdigit(static_cast<unsigned char>(*text)) && number.digits < 5)
                number.value = number.value * 10 + (*text++ - '0'), ++number.digits;
            if (*text == ':') {
                time = start;
            } else if (std::isdigit(static_cast<unsigned char>(*text)) || numbers.size() == 3) {
                return std::nullopt;
            } else {
                numbers.push_back(number);
            }
        } else if (std::isalpha(c)) {
            std::string word;
            while (std::isalpha(static_cast<unsigned char>(*text))) word += *text++;
            int month = NameIndex(word, kMonthNames, 12);
            if (month >= 0 && namedMonth == 0) {
                namedMonth = month + 1;
            } else if (NameIndex(word, kDayNames, 7) < 0) {
                return std::nullopt;
            }
        } else if (c == ' ' || c == ',' || c == '/' || c == '-') {
            ++text;
        } else {
            return std::nullopt;
        }
    }
    std::optional<double> timeOfDay;
    if (time != nullptr && !(timeOfDay = ReadTime(time))) return std::nullopt;
    if (numbers.empty() && namedMonth == 0) return timeOfDay;
    std::optional<double> date = AssembleDate(numbers, namedMonth);
    if (!date) return std::nullopt;
    return CombineDayTime(*date, timeOfDay.value_or(0));
}

}  // namespace vbscript
