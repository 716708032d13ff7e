// base/OutsideExceptionReport.cpp: the three forms of an outside library's exception
// report (a COM error, a standard exception, anything else).
#include "base/OutsideExceptionReport.h"

#include <cstdio>
#include <string>

#include "base/EventLogEntry.h"
#include "base/ReportLog.h"
#include "platform/ComError.h"
#include "platform/EventLog.h"

namespace {

std::string DescribeException(std::exception_ptr error, const char* functionName,
                              const char* sourceLocation, int line) {
    char place[512];
    std::snprintf(place, sizeof place, "The exception occurred in : %s, line %d\n", sourceLocation,
                  line);
    try {
        std::rethrow_exception(error);
    } catch (const platform::ComError& com) {
        char code[64];
        std::snprintf(code, sizeof code, "Code = 0x%08x\n", static_cast<unsigned>(com.Error()));
        return std::string(functionName) + " handled a COM error.\n" + code +
               "Code meaning = " + com.ErrorMessage() + "\n" + "Source = " + com.Source() + "\n" +
               "Error Description = " + com.Description() + "\n";
    } catch (const std::exception& standard) {
        return std::string(functionName) + " handled an exception; session will be dropped.\n" +
               "The exception was: " + standard.what() + "\n" + place;
    } catch (...) {
        return std::string(functionName) + " raised an exception.\n" + place;
    }
}

}  // namespace

void ReportOutsideException(std::exception_ptr error, const char* functionName,
                            const char* sourceLocation, int line) {
    try {
        std::string text = DescribeException(error, functionName, sourceLocation, line);
        WriteEventLogEntry(platform::kEventInformation, kDefaultEventSource, nullptr,
                           kOutsideExceptionEventId, text.c_str());
        WriteReportLog(text.c_str());
    } catch (...) {
        // Out of memory while reporting: the original exception still goes on.
    }
}
