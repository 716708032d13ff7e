// base/ReportLog.h: the daily report file, which is also the plug-in's debug log.
//
// "Activity Log Enabled" is read for every line, so an administrator can switch the
// log on, off or to another channel while the server runs: 1 writes to the daily file
// "MTAFILTER-Report-YYMMDD.log" in the log directory, 2 to standard output, 3 to the
// debugger; any other value writes nothing. Lines of the file are serialised by the
// named mutex ReportLogLock, which other components of the server share by its name.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Files.h"
#include "platform/Sync.h"

// The name other components open to share the report log's lock.
constexpr const char* kReportLogLockName = "QPAVFLTDebugLog";
// How long a line waits for the lock before it is dropped.
constexpr uint32_t kReportLogLockWaitMs = 5000;

// Writes one line (the text brings its own line feed). Never fails the caller: a line
// that cannot be written is dropped.
void WriteReportLog(const char* text);

// Opens today's file (report-file mode only) and writes the header and Start lines.
int OpenReportLog();

// Writes the End line and closes the file (report-file mode only).
int CloseReportLog();

// "MTAFILTER-Report-%y%m%d.log" for the local date now.
int ReportLogFileName(char* destination, size_t capacity);

// "MM/DD/YY HH:MM:SS" local time; `refreshTimeZone` re-reads the zone first.
int FormatLogTimestamp(char* destination, size_t capacity, int refreshTimeZone);

// Creates or opens ReportLogLock (not owned). Returns 1 when it exists afterwards.
int CreateReportLogLock();

// Closes ReportLogLock.
void CloseReportLogLock();

// The state the DNS provider shares: it receives these addresses at load and writes
// through them, so they must stay where they are while the library is loaded.
char* ReportLogCurrentFileName();  // 128 bytes
platform::File* ReportLogFileVariable();
platform::Handle ReportLogLockHandle();
