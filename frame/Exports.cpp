// frame/Exports.cpp: the plug-in's exported functions.
//
// No exception may reach the MTA: each export catches everything and answers as it
// would for a message it could not process.
#include "frame/Exports.h"

#include <cstdio>
#include <cstring>

#include "base/ReportLog.h"
#include "common/MessageFileName.h"
#include "common/SafeText.h"
#include "frame/FilterInit.h"
#include "frame/FilterRun.h"
#include "frame/ReloadGate.h"
#include "platform/GuardedCall.h"
#include "providers/ProviderLibraries.h"

namespace {

constexpr size_t kReportLineCapacity = 2048;
constexpr size_t kShownNameLength = 200;

// Message identifiers and connector names are joined to queue directories: one that is
// not a plain file name would make every file of the run reach outside the queue.
// Such a message is left alone, and the report says so in a line of its own.
bool AcceptableNames(const char* identifier, const char* connector) {
    const bool identifierPlain = IsPlainFileName(identifier) != 0;
    if (identifierPlain && IsPlainFileName(connector)) return true;
    char shown[kShownNameLength + 1];
    SafeCopy(shown, identifierPlain ? connector : identifier);
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\0') c = '?';
    char line[512];
    std::snprintf(line, sizeof line,
                  "FilterExecute: %s \"%s\" is not a plain file name (it is empty or holds a path "
                  "separator, a colon, \"..\" or a control character); the message was passed on "
                  "unfiltered. Check the program that queues messages for this connector.\n",
                  identifierPlain ? "connector name" : "message identifier", shown);
    WriteReportLog(line);
    return false;
}

}  // namespace

int32_t FilterInit(intptr_t /*unused*/) {
    try {
        return InitialiseAgentPlugins();
    } catch (...) {
        return 0;
    }
}

int32_t FilterExecute(const char* unusedText, const char* messageId, const char* connectorName,
                      intptr_t /*unused*/) {
    try {
        char text[1024];
        char identifier[1024];
        char connector[1024];
        SafeCopy(text, unusedText != nullptr ? unusedText : "");
        SafeCopy(identifier, messageId != nullptr ? messageId : "");
        SafeCopy(connector, connectorName != nullptr ? connectorName : "");
        if (!AcceptableNames(identifier, connector)) return 1;

        PassReloadGate();
        const RunInFlight counted;
        char reportLine[kReportLineCapacity] = {};
        RunFilters(connector, identifier, reportLine, sizeof reportLine);
    } catch (...) {
        // The MTA has no use for a failure: the message goes on unfiltered.
    }
    return 1;
}

int32_t FilterCommand(intptr_t /*unused1*/, intptr_t /*unused2*/, const char* command) {
    try {
        ProviderEntry execute = Providers().bayesian.execute;
        if (execute == nullptr) {
            WriteReportLog(
                "Bayesian AutoTraining is being called, but the system could not find a "
                "reference to BayesianExecute.\n");
            return 0;
        }
        const char* text = command != nullptr ? command : "";
        char result[kProviderResultCapacity] = {};
        int32_t resultLength = 0;
        return platform::GuardedCall([&] {
            return execute(text, static_cast<int32_t>(std::strlen(text)), result, &resultLength);
        });
    } catch (...) {
        return 0;
    }
}

int32_t FilterUnInit(intptr_t /*unused*/) {
    return 1;
}

// ExecuteVBScript is the script host's own: filters/ScriptHost.cpp.
