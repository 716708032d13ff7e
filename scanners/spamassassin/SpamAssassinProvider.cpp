// scanners/spamassassin/SpamAssassinProvider.cpp: QPFLTMSA, the SpamAssassin provider
// library on spamd. Exports QP_Initialize, QP_Execute and QP_CleanUp.
//
// QP_Execute answers "<PASS>1</PASS>" for a message that passed and "<PASS>0</PASS>"
// for spam, with spamd's score and threshold beside it. When spamd cannot be asked the
// answer follows "Fail Closed": by default the call fails, which the plug-in reads as
// "passed" (mail keeps flowing while spamd is down); with "Fail Closed" set, the message
// counts as spam. A message above "Max Message Size" is not sent (as spamc does) and
// passes whatever "Fail Closed" says: its size says nothing about it. Failures are
// counted and described under the library's key and written to the event log.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/Markers.h"
#include "platform/LibraryExport.h"
#include "platform/Registry.h"
#include "scanners/common/ScannerSettings.h"
#include "scanners/spamassassin/SpamdCheck.h"

namespace {

constexpr const char* kSettingsKey =
    "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Agents\\MTA\\Filters\\MTAFILTER\\SpamAssassin";
constexpr const char* kEventSource = "QPFLTMSA";

// Debian's spamd listens here out of the box.
constexpr const char* kDefaultServer = "127.0.0.1:783";
constexpr uint32_t kDefaultTimeoutSeconds = 30;
// spamc's own default: larger messages are hardly ever spam and cost spamd dearly.
constexpr uint32_t kDefaultMaxMessageSize = 500 * 1024;
// Initialize only looks for spamd, to warn early; it must not hold up the start.
constexpr uint32_t kPingTimeoutMs = 2000;
constexpr const char* kUnscannedValue = "Unscanned";

constexpr size_t kAddressCapacity = 512;
constexpr size_t kUserCapacity = 256;
constexpr size_t kPathCapacity = 1400;
constexpr int32_t kResultCapacity = 1024;  // what the plug-in hands every provider

struct Settings {
    char server[kAddressCapacity];
    uint32_t timeoutMs;
    uint32_t maxMessageSize;
    uint32_t failClosed;
    char user[kUserCapacity];
};

Settings ReadSettings() {
    Settings settings{};
    ScannerText(kSettingsKey, "Server", kDefaultServer, settings.server, sizeof settings.server);
    const uint32_t seconds = ScannerNumber(kSettingsKey, "Timeout", kDefaultTimeoutSeconds);
    settings.timeoutMs = (seconds > 0 && seconds < 3600 ? seconds : kDefaultTimeoutSeconds) * 1000u;
    settings.maxMessageSize =
        ScannerNumber(kSettingsKey, "Max Message Size", kDefaultMaxMessageSize);
    settings.failClosed = ScannerNumber(kSettingsKey, "Fail Closed", 0);
    ScannerText(kSettingsKey, "User", "", settings.user, sizeof settings.user);
    return settings;
}

int32_t Answer(char* result, int32_t* resultLength, int32_t returned, const char* text) {
    if (result != nullptr) {
        std::snprintf(result, kResultCapacity, "%s", text);
        if (resultLength != nullptr) *resultLength = static_cast<int32_t>(std::strlen(result));
    }
    return returned;
}

int32_t Execute(const char* command, int32_t commandLength, char* result, int32_t* resultLength) {
    // The settings are taken as they stand when the call begins: the registry is asked
    // once whether anything changed, not at each of the five reads.
    const platform::RegistryChangesCheckedOnce settingsChecked;
    // The length is the caller's word; the text is never read past its terminator.
    const std::string commandText(
        command, strnlen(command, commandLength > 0 ? static_cast<size_t>(commandLength) : 0));
    const Settings settings = ReadSettings();
    char path[kPathCapacity] = "";
    char text[kResultCapacity];
    SpamdAnswer answer{};
    if (ExtractBetween(commandText.c_str(), "<FILENAME>", "</FILENAME>", path, sizeof path) ==
            nullptr ||
        path[0] == '\0') {
        answer.verdict = SpamdVerdict::kFailed;
        std::snprintf(answer.text, sizeof answer.text, "command names no message file: \"%.200s\"",
                      commandText.c_str());
    } else {
        const SpamdRequest request{settings.server, settings.timeoutMs, settings.maxMessageSize,
                                   settings.user, path};
        answer = CheckWithSpamd(request);
    }
    switch (answer.verdict) {
        case SpamdVerdict::kHam:
        case SpamdVerdict::kSpam:
            std::snprintf(
                text, sizeof text, "<PASS>%d</PASS><SCORE>%s</SCORE><THRESHOLD>%s</THRESHOLD>",
                answer.verdict == SpamdVerdict::kHam ? 1 : 0, answer.score, answer.threshold);
            return Answer(result, resultLength, 1, text);
        case SpamdVerdict::kUnscanned:
            CountUnderKey(kSettingsKey, kUnscannedValue);
            std::snprintf(text, sizeof text, "<PASS>1</PASS><UNSCANNED>%s</UNSCANNED>",
                          answer.text);
            return Answer(result, resultLength, 0, text);
        case SpamdVerdict::kFailed:
            break;
    }
    ReportScanFailure(kSettingsKey, kEventSource, answer.text);
    std::snprintf(text, sizeof text, "<PASS>%d</PASS><ERROR>%s</ERROR>",
                  settings.failClosed ? 0 : 1, answer.text);
    return Answer(result, resultLength, settings.failClosed ? 1 : 0, text);
}

}  // namespace

// Called once when the plug-in loads: says in the event log when spamd cannot be reached,
// so that the administrator hears of it before mail goes unchecked. Always succeeds:
// spamd may well come up after the mail server.
MTAFILTER_EXPORT int32_t QP_Initialize(const char*, int32_t, char* result, int32_t* resultLength) {
    try {
        const Settings settings = ReadSettings();
        if (!PingSpamd(settings.server,
                       kPingTimeoutMs < settings.timeoutMs ? kPingTimeoutMs : settings.timeoutMs)) {
            char text[kResultCapacity];
            std::snprintf(text, sizeof text,
                          "spamd does not answer at %s; start spamd or correct the SpamAssassin "
                          "\"Server\" setting",
                          settings.server);
            ReportScanFailure(kSettingsKey, kEventSource, text);
        }
    } catch (...) {
    }
    return Answer(result, resultLength, 1, "");
}

// command: "<FILENAME>message path</FILENAME><CMDFILE>envelope path</CMDFILE>".
MTAFILTER_EXPORT int32_t QP_Execute(const char* command, int32_t commandLength, char* result,
                                    int32_t* resultLength) {
    if (command == nullptr) return Answer(result, resultLength, 0, "");
    try {
        return Execute(command, commandLength, result, resultLength);
    } catch (...) {
        // Out of memory at worst: the message goes on unchecked rather than crashing the MTA.
        return Answer(result, resultLength, 0, "");
    }
}

MTAFILTER_EXPORT int32_t QP_CleanUp(const char*, int32_t, char* result, int32_t* resultLength) {
    return Answer(result, resultLength, 1, "");
}
