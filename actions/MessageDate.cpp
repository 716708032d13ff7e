// actions/MessageDate.cpp: the local date and time in the form of a mail "Date:" header.
#include <cstdio>
#include <new>

#include "actions/Notifications.h"
#include "platform/Clock.h"

namespace {

// Always the English names: the text goes into mail headers, whatever the server's locale.
constexpr const char* kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr size_t kDateCapacity = 64;

}  // namespace

char* FormatMessageDate() {
    platform::LocalTime now = platform::NowLocal();
    char* text = new (std::nothrow) char[kDateCapacity];
    if (text == nullptr) return nullptr;
    const char* day = kDayNames[(now.weekday % 7 + 7) % 7];
    const char* month = kMonthNames[((now.month - 1) % 12 + 12) % 12];
    // Hours times 100 plus minutes, both carrying the sign: -330 minutes gives -0530.
    int offset = now.utcOffsetMinutes / 60 * 100 + now.utcOffsetMinutes % 60;
    if (offset >= 0) {
        std::snprintf(text, kDateCapacity, "%s, %d %s %04d %02d:%02d:%02d %c%4.4d", day, now.day,
                      month, now.year, now.hour, now.minute, now.second, '+', offset);
    } else {
        std::snprintf(text, kDateCapacity, "%s, %d %s %04d %02d:%02d:%02d %4.4d", day, now.day,
                      month, now.year, now.hour, now.minute, now.second, offset);
    }
    return text;
}
