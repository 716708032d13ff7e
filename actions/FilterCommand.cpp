// actions/FilterCommand.cpp: running an administrator's program about a filtered message,
// with the message's identity filled into its command line.
#include <atomic>
#include <cstdio>
#include <cstring>

#include "actions/MessageRouting.h"
#include "actions/Notifications.h"
#include "common/Console.h"
#include "common/SafeText.h"
#include "platform/EventLog.h"
#include "platform/Process.h"

namespace {

// Room for a command line: 2047 characters and the terminator.
constexpr size_t kCommandCapacity = 2048;
// Replacements keep one character more in reserve than the buffer needs.
constexpr int kReplaceCapacity = 2046;
constexpr size_t kDateCapacity = 200;

std::atomic<uint32_t> commandWaitMs{kFilterCommandWaitMs};

// "[TIME]": the date as the Date: lines of the plug-in's own messages give it. A date
// that cannot be formed leaves the placeholder in the command.
void ReplaceTime(char* command) {
    if (std::strstr(command, "[TIME]") == nullptr) return;
    char* date = FormatMessageDate();
    if (date == nullptr) return;
    char text[kDateCapacity];
    SafeCopy(text, date);
    delete[] date;
    (void)ReplaceAll(command, "[TIME]", text, kReplaceCapacity);
}

}  // namespace

int ExpandCommandPlaceholders(const MessageRecord* record, const char* command, char* destination,
                              size_t capacity) {
    if (destination == nullptr || capacity == 0) return 1;
    char expanded[kCommandCapacity];
    SafeCopy(expanded, command != nullptr ? command : "");
    if (record != nullptr) {
        (void)ReplaceAll(expanded, "[ID]", record->messageId, kReplaceCapacity);
        (void)ReplaceAll(expanded, "[CONNECTOR]", record->connector, kReplaceCapacity);
    }
    ReplaceTime(expanded);
    SafeCopy(destination, expanded, capacity);
    return 1;
}

int RunFilterCommand(const MessageRecord* record, const char* program, const char* arguments) {
    char raw[kCommandCapacity];
    std::snprintf(raw, sizeof raw, "%s %s", program != nullptr ? program : "",
                  arguments != nullptr ? arguments : "");
    ConsoleLine("Filter Event Raw Command:%s\n", raw);
    char command[kCommandCapacity];
    ExpandCommandPlaceholders(record, raw, command, sizeof command);
    ConsoleLine("Filter Event Command:%s\n", command);
    uint32_t exitCode = 0;
    const platform::ProcessOutcome outcome =
        platform::RunProcess(command, nullptr, commandWaitMs.load(), &exitCode);
    if (outcome == platform::ProcessOutcome::kNotStarted) {
        ConsoleLine("Pickup Event CreateProcess failed Error:%d (%s)\n",
                    static_cast<int>(platform::LastErrorCode()), command);
        return 0;
    }
    // A program that ran past the wait has been ended; it was carried out all the same.
    return 1;
}

void SetFilterCommandWaitForTesting(uint32_t milliseconds) {
    commandWaitMs = milliseconds != 0 ? milliseconds : kFilterCommandWaitMs;
}
