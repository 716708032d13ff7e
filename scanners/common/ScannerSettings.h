// scanners/common/ScannerSettings.h: what the scanner libraries share: their settings
// in the registry and the trail they leave when a scan fails.
//
// Each library keeps its settings under its own key below the filter settings key, so
// that the plug-in's own settings and the libraries' never mix. A failed scan is counted
// in "Scan Errors" and described in "Last Error" under that key, where the administrator
// sees it (and `mtafilter registry get` shows it), and written to the event log.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr const char* kScannerFilterSettingsKey =
    "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Agents\\MTA\\Filters\\MTAFILTER";
constexpr const char* kScanErrorsValue = "Scan Errors";
constexpr const char* kLastErrorValue = "Last Error";

// A 32-bit setting, or `fallback` when it is absent.
uint32_t ScannerNumber(const char* key, const char* name, uint32_t fallback);

// A text setting into `destination`, or `fallback` when it is absent, empty or too long.
void ScannerText(const char* key, const char* name, const char* fallback, char* destination,
                 size_t capacity);

// Adds 1 to the 32-bit counter `counterName` under `key` (creating it at 1). Counts from
// many threads are serialised so that none is lost within the process.
void CountUnderKey(const char* key, const char* counterName);

// Records a failed scan: counts it in "Scan Errors", keeps `text` as "Last Error" and
// writes it to the event log under `source` ("QPAVGEN", "QPFLTMSA").
void ReportScanFailure(const char* key, const char* source, const char* text);
