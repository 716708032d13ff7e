// base/ReportLog.cpp: the daily report file, standard output and debugger channels.
//
// A line is written first and the day is checked after it, so the line that crosses
// local midnight ends the old day's file just before its End line, and the next line
// starts the new file.
#include "base/ReportLog.h"

#include <cstdio>

#include "base/RegistryKeys.h"
#include "base/Settings.h"
#include "common/Console.h"
#include "common/RegistryAccess.h"
#include "common/SafeText.h"
#include "common/TextSearch.h"
#include "platform/Clock.h"
#include "platform/EventLog.h"
#include "platform/Ownership.h"

namespace {

constexpr const char* kHeaderLine =
    "Time\tAction\tMessageID\tConnector\tFilter\tResult\tAccount\tSender\tIPAddress\tData\tSubject"
    "\n";
constexpr const char* kStartFormat = "%s\tStart\t-\t-\t-\t-\t-\t-\t-\t-\n";
constexpr const char* kEndFormat = "%s\tEnd\t-\t-\t-\t-\t-\t-\t-\t-\n";

constexpr uint32_t kModeReportFile = 1;
constexpr uint32_t kModeStandardOutput = 2;
constexpr uint32_t kModeDebugger = 3;

char currentFileName[128];
platform::File reportFile = nullptr;
platform::Handle reportLogLock = nullptr;

uint32_t ReportLogMode() {
    uint32_t mode = 0;
    (void)ReadRegistryDword(keys::kPlugin, values::kActivityLogEnabled, &mode);
    return mode;
}

// Writes a fixed-format line with a fresh timestamp (header, Start, End).
void WriteStampedLine(const char* format) {
    char timestamp[100];
    FormatLogTimestamp(timestamp, sizeof timestamp, 0);
    char line[160];
    std::snprintf(line, sizeof line, format, timestamp);
    platform::FileWriteText(reportFile, line);
}

void WriteToReportFile(const char* text) {
    char timestamp[100];
    FormatLogTimestamp(timestamp, sizeof timestamp, 1);

    const platform::MutexOwnership lock(reportLogLock, kReportLogLockWaitMs);
    // An abandoned lock is ours now, but its owner died mid-line: drop this line and
    // hand the lock on (the owner lets it go) rather than keep it.
    if (lock.Result() != platform::WaitResult::kSignaled) return;
    if (reportFile != nullptr) {
        platform::FileWriteText(reportFile, timestamp);
        platform::FileWriteText(reportFile, "\t");
        platform::FileWriteText(reportFile, text);
        platform::FileFlush(reportFile);
    }
    char today[64];
    ReportLogFileName(today, sizeof today);
    if (!SameTextNoCase(today, currentFileName)) {
        CloseReportLog();
        OpenReportLog();
    }
}

}  // namespace

void WriteReportLog(const char* text) {
    if (text == nullptr) return;
    switch (ReportLogMode()) {
        case kModeReportFile:
            WriteToReportFile(text);
            break;
        case kModeStandardOutput: {
            char timestamp[100];
            FormatLogTimestamp(timestamp, sizeof timestamp, 1);
            ConsoleLine("%s %s", timestamp, text);
            ConsoleFlush();
            break;
        }
        case kModeDebugger:
            platform::OutputDebugString(text);
            break;
        default:
            break;
    }
}

int OpenReportLog() {
    if (ReportLogMode() != kModeReportFile) return 1;
    // The name is taken even when the file cannot be opened, so that a failing
    // directory is not retried for every line, only on the next day.
    ReportLogFileName(currentFileName, sizeof currentFileName);
    // A path cut to its 511 characters would name some other file: open nothing then.
    char path[512];
    if (!SafeCopy(path, Settings().activityLogDirectory) || !SafeAppend(path, "\\") ||
        !SafeAppend(path, currentFileName))
        return 1;
    reportFile = platform::FileOpen(path, platform::FileMode::kAppendText);
    if (reportFile == nullptr) return 1;
    platform::FileWriteText(reportFile, kHeaderLine);
    WriteStampedLine(kStartFormat);
    platform::FileFlush(reportFile);
    return 1;
}

int CloseReportLog() {
    if (ReportLogMode() != kModeReportFile || reportFile == nullptr) return 1;
    WriteStampedLine(kEndFormat);
    platform::FileClose(reportFile);
    reportFile = nullptr;
    return 1;
}

int ReportLogFileName(char* destination, size_t capacity) {
    platform::LocalTime now = platform::NowLocal();
    char name[64];
    std::snprintf(name, sizeof name, "MTAFILTER-Report-%02d%02d%02d.log", now.year % 100, now.month,
                  now.day);
    SafeCopy(destination, name, capacity);
    return 1;
}

int FormatLogTimestamp(char* destination, size_t capacity, int refreshTimeZone) {
    if (refreshTimeZone) platform::RefreshTimeZone();
    platform::LocalTime now = platform::NowLocal();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d/%02d/%02d %02d:%02d:%02d", now.month, now.day,
                  now.year % 100, now.hour, now.minute, now.second);
    SafeCopy(destination, stamp, capacity);
    return 1;
}

int CreateReportLogLock() {
    if (reportLogLock == nullptr) reportLogLock = platform::CreateNamedMutex(kReportLogLockName);
    return reportLogLock != nullptr ? 1 : 0;
}

void CloseReportLogLock() {
    platform::CloseHandle(reportLogLock);
    reportLogLock = nullptr;
}

char* ReportLogCurrentFileName() {
    return currentFileName;
}
platform::File* ReportLogFileVariable() {
    return &reportFile;
}
platform::Handle ReportLogLockHandle() {
    return reportLogLock;
}
