// actions/NotificationText.h: the text of a notification message, from the built-in
// wording or from an administrator's template.
#pragma once

#include <string>

// What a notification says, all texts ready to be written.
struct NotificationFields {
    std::string messageIdText;      // "<guid@local.domain>"
    std::string senderAddress;      // the notification sender ("From:", [QP_BADMAILSENDER])
    std::string toLine;             // the whole "To: ..." line without its line end
    std::string date;               // FormatMessageDate's text
    std::string headers;            // the filtered message's header block, as it is
    const char* filterName;         // the filter's display name
    const char* actionDescription;  // column 5 of the action line, as read
    const char* actionContext;      // the result tags of the run
    int placeholderCapacity;        // the bytes a template line may grow to by placeholders
};

// The built-in notification, lines ending in CR LF.
std::string BuiltInNotification(const NotificationFields& fields);

// The notification made from the template file at `path`; false when it cannot be read.
bool TemplateNotification(const char* path, const NotificationFields& fields, std::string* text);
