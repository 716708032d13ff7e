// actions/NotificationText.cpp: the text of a notification message, from the built-in
// wording or from an administrator's template with its placeholders filled.
#include "actions/NotificationText.h"

#include <cstring>
#include <iterator>

#include "actions/MessageText.h"
#include "base/LoopMark.h"
#include "common/SafeText.h"
#include "common/TextSearch.h"
#include "filters/ResultTags.h"
#include "platform/Files.h"

namespace {

constexpr size_t kTemplateLineCapacity = 2048;
constexpr size_t kResultTagCapacity = 1024;

// Fills the named placeholders, then the result tags of the run. A placeholder whose
// value would not fit the line's capacity stays as it is. Values never bring a line
// break: a header line stays one line, and the header block ends where the template
// ends it.
void FillPlaceholders(char* line, const NotificationFields& fields) {
    std::string values[] = {fields.filterName,    fields.actionDescription,
                            fields.senderAddress, fields.messageIdText,
                            fields.date,          fields.actionContext};
    for (std::string& value : values) FlattenLineBreaks(&value);
    const char* names[] = {"[QP_FILTERNAME]", "[QP_ACTIONDESC]", "[QP_BADMAILSENDER]", "[QP_MID]",
                           "[QP_TIME]"};
    for (size_t n = 0; n < std::size(names); ++n) {
        // All or nothing: a replacement that does not fit leaves the line unchanged.
        (void)ReplaceAll(line, names[n], values[n].c_str(), fields.placeholderCapacity);
    }
    if (std::strlen(line) < kResultTagCapacity)
        ExpandResultTags(values[5].c_str(), line, kResultTagCapacity, 1);
}

// Appends a template line with CR LF line ends like the rest of the message (a lone
// CR inside the line, from a file edited elsewhere, becomes a line end too).
void AppendLine(std::string* text, const char* line) {
    *text += WithCrLf(line);
}

}  // namespace

std::string BuiltInNotification(const NotificationFields& fields) {
    std::string filterName = fields.filterName;
    std::string description = fields.actionDescription;
    FlattenLineBreaks(&filterName);  // it stands in the Subject header
    FlattenLineBreaks(&description);
    std::string text;
    text += "Message-ID: " + fields.messageIdText + "\r\n";
    text += "From: \"Message Filter Agent\" <" + fields.senderAddress + ">\r\n";
    text += fields.toLine + "\r\n";
    text += "Subject: Message Filter Notification: " + filterName + "\r\n";
    text += "Date: " + fields.date + "\r\n";
    text += kLoopMarkLine;
    text += "Precedence: bulk\r\n";
    text += "\r\n";
    text +=
        "\r\nQuillpost: Quillpost Message Scan intercepted the delivery of this message. "
        "\r\nReason: (";
    text += description;
    text += ")\r\n\r\n";
    text += "Message headers follow:\r\n\r\n";
    text += fields.headers;
    return text;
}

bool TemplateNotification(const char* path, const NotificationFields& fields, std::string* text) {
    platform::File file = platform::FileOpen(path, platform::FileMode::kReadText);
    if (file == nullptr) return false;
    text->clear();
    bool markSeen = false;
    bool headerEnded = false;
    char line[kTemplateLineCapacity];
    while (platform::FileReadLine(file, line, sizeof line) != nullptr) {
        // Every [QP_HEADERS] line receives the headers, a second one as much as the first.
        if (std::strstr(line, "[QP_HEADERS]") != nullptr) {
            *text += fields.headers;
            continue;
        }
        if (std::strstr(line, "[QP_") != nullptr) FillPlaceholders(line, fields);
        if (StartsWithNoCase(line, std::strlen(line), kLoopMarkStart)) markSeen = true;
        if (!headerEnded && (line[0] == '\r' || line[0] == '\n')) {
            headerEnded = true;
            if (!markSeen) *text += kLoopMarkLine;
            markSeen = true;
        }
        AppendLine(text, line);
    }
    platform::FileClose(file);
    if (!markSeen) {
        if (!text->empty() && text->back() != '\n') *text += "\r\n";
        *text += kLoopMarkLine;
    }
    return true;
}
