// base/OutsideExceptionReport.h: reporting an exception raised inside an outside
// library (a provider, a script engine) before it continues to the caller.
#pragma once

#include <exception>

// Call from inside a catch block: builds the report for the exception being handled,
// naming `functionName` and the place `sourceLocation`, line `line`; writes it to the
// event log and the report log. The caller rethrows.
void ReportOutsideException(std::exception_ptr error, const char* functionName,
                            const char* sourceLocation, int line);
