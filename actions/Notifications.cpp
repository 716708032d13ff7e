// actions/Notifications.cpp: the three notification actions: to the sender, to an
// address named in the action, to the message's own recipients.
#include "actions/Notifications.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "actions/MessageText.h"
#include "actions/NewMessage.h"
#include "actions/NotificationText.h"
#include "base/MessageEnvelope.h"
#include "base/RegistryKeys.h"
#include "base/ReportLog.h"
#include "base/Settings.h"
#include "common/Console.h"
#include "common/Markers.h"
#include "common/MessageFileName.h"
#include "common/RegistryAccess.h"
#include "common/SafeText.h"
#include "common/TextSearch.h"
#include "filters/ScopePaths.h"
#include "platform/Files.h"

namespace {

constexpr int kSenderPlaceholderCapacity = 1023;
constexpr int kOtherPlaceholderCapacity = 2047;
constexpr size_t kGuidDigits = 32;
// The configuration directory (at most 1023 characters), a template name (at most 63)
// and the folders between them.
constexpr size_t kTemplatePathCapacity = 1400;

// How one notification differs from the others.
struct NotificationPlan {
    std::string templateName;  // empty: the built-in text
    std::string toLine;
    std::string recipients;  // the envelope's recipient list
    int placeholderCapacity;
};

struct ActionArguments {
    const char* actionContext;
    const char* filterName;
    const char* actionDescription;
    bool inboundQueue;
};

const char* OrEmpty(const char* text) {
    return text != nullptr ? text : "";
}

// The filtered message's header lines, up to (not including) its first empty line, with
// CR LF line ends.
bool ReadHeaderBlock(const char* path, std::string* headers) {
    platform::File file = platform::FileOpen(path, platform::FileMode::kReadBinary);
    if (file == nullptr) return false;
    headers->clear();
    char piece[4096];
    bool atLineStart = true;
    while (platform::FileReadLine(file, piece, sizeof piece) != nullptr) {
        if (atLineStart && (piece[0] == '\r' || piece[0] == '\n')) break;
        size_t length = std::strlen(piece);
        headers->append(piece, length);
        atLineStart = length > 0 && piece[length - 1] == '\n';
    }
    platform::FileClose(file);
    // Quoted into a message of our own, whose lines all end in CR LF.
    *headers = WithCrLf(*headers);
    return true;
}

// The message text: from the template when one is named and readable, else built in.
std::string NotificationText(const NotificationPlan& plan, const NotificationFields& fields) {
    std::string text;
    if (!plan.templateName.empty()) {
        char path[kTemplatePathCapacity];
        if (BuildScopePath(FilterScope::kSystem, nullptr, nullptr, ScopeFile::kTemplate,
                           plan.templateName.c_str(), path, sizeof path)) {
            ConsoleLine("%s\n", path);
            if (TemplateNotification(path, fields, &text)) return text;
        }
    }
    return BuiltInNotification(fields);
}

// The address of one envelope item ("[SMTP:a@b]", or a bare "a@b" / "<a@b>"), without
// blanks and angle brackets; empty for a null address ("[SMTP:]", "<>").
std::string ItemAddress(const std::string& item) {
    char address[1024] = "";
    SafeCopy(address, item.c_str());
    if (item.find('[') != std::string::npos) {
        address[0] = '\0';
        ExtractEnvelopeAddress(item.c_str(), address, sizeof address);
    }
    std::string text = address;
    const size_t first = text.find_first_not_of(" \t<");
    if (first == std::string::npos) return "";
    const size_t last = text.find_last_not_of(" \t>");
    return text.substr(first, last - first + 1);
}

// The recipients a notification may go to: never a null sender (the message was a
// bounce, and a notice to nobody is backscatter to whoever the address is forged on)
// and never the plug-in's own notification sender (a notice to itself is filtered,
// noticed again and so on). `why` tells the report log what was held back.
std::string DeliverableRecipients(const std::string& recipients, const char* ownAddress,
                                  std::string* why) {
    std::string kept;
    size_t start = 0;
    do {
        size_t end = recipients.find(';', start);
        if (end == std::string::npos) end = recipients.size();
        const std::string item = recipients.substr(start, end - start);
        const std::string address = ItemAddress(item);
        if (address.empty()) {
            *why =
                "its recipient address is empty (the null sender of a bounce), and notices never "
                "go to it";
        } else if (ownAddress[0] != '\0' && SameTextNoCase(address.c_str(), ownAddress)) {
            *why = std::string("its recipient ") + address +
                   " is the notification sender itself (\"Bad Mail Notification Sender "
                   "Address\"); name another address or change that setting";
        } else {
            kept += (kept.empty() ? "" : ";") + item;
        }
        start = end + 1;
    } while (start <= recipients.size());
    return kept;
}

void ReportWithheld(const MessageRecord& record, const ActionArguments& arguments,
                    const std::string& why) {
    char line[2048];
    std::snprintf(line, sizeof line,
                  "QP-W0601: No notification sent for message %s (filter \"%s\"): %s.\n",
                  record.messageId, OrEmpty(arguments.filterName), why.c_str());
    WriteReportLog(line);
}

// Builds the notification record and text and queues them. 0 when the filtered message
// cannot be read, the new message cannot be written, or nobody may receive it.
int SendNotification(const MessageRecord& record, const NotificationPlan& plan,
                     const ActionArguments& arguments) {
    char senderAddress[1024] = "";
    (void)ReadRegistryString(keys::kSmtp, values::kBadMailNotificationSender, senderAddress);
    std::string why;
    const std::string recipients = DeliverableRecipients(plan.recipients, senderAddress, &why);
    if (recipients.empty()) {
        ReportWithheld(record, arguments, why);
        return 0;
    }
    char messagePath[kQueuePathCapacity];
    NotificationFields fields{};
    if (!QueuedMessagePath(record, arguments.inboundQueue, messagePath, sizeof messagePath) ||
        !ReadHeaderBlock(messagePath, &fields.headers))
        return 0;

    auto notice = std::make_unique<MessageRecord>(record);
    NewMessageFileName(notice->messageId, sizeof notice->messageId);
    if (!FormatBounded(notice->sender, sizeof notice->sender, "[SMTP:%s]", senderAddress)) {
        // A cut sender would lose its closing bracket and the MTA would read a broken address.
        ReportWithheld(record, arguments,
                       "the notification sender address is too long; shorten the \"Bad Mail "
                       "Notification Sender Address\" setting");
        return 0;
    }
    SafeCopy(notice->recipients, recipients.c_str());
    SafeCopy(notice->status, "Undelivered");

    // The GUID digits of the file name, without ".MAI", make the Message-ID unique.
    fields.messageIdText =
        "<" + std::string(notice->messageId, kGuidDigits) + "@" + Settings().localDomainName + ">";
    fields.senderAddress = senderAddress;
    fields.toLine = plan.toLine;
    std::unique_ptr<char[]> date(FormatMessageDate());
    fields.date = date != nullptr ? date.get() : "";
    fields.filterName = OrEmpty(arguments.filterName);
    fields.actionDescription = OrEmpty(arguments.actionDescription);
    fields.actionContext = OrEmpty(arguments.actionContext);
    fields.placeholderCapacity = plan.placeholderCapacity;

    std::string text = NotificationText(plan, fields);
    return QueueNewMessage(notice.get(), text.data(), text.size());
}

}  // namespace

int NotifySender(MessageRecord* record, const char* parameter, const char* actionContext,
                 const char* filterName, const char* actionDescription, bool inboundQueue) {
    if (record == nullptr) return 0;
    char address[1024] = "";
    ExtractEnvelopeAddress(record->sender, address, sizeof address);
    ConsoleLine("Sending Notification to Sender: (%s)\n", record->sender);
    NotificationPlan plan{OrEmpty(parameter), std::string("To: <") + address + ">", record->sender,
                          kSenderPlaceholderCapacity};
    return SendNotification(*record, plan,
                            {actionContext, filterName, actionDescription, inboundQueue});
}

int NotifyAddress(MessageRecord* record, const char* parameter, const char* actionContext,
                  const char* filterName, const char* actionDescription, bool inboundQueue) {
    if (record == nullptr || parameter == nullptr) return 0;
    if (std::strncmp(parameter, "<REFERENCE>", std::strlen("<REFERENCE>")) != 0) return 0;
    char templateName[64] = "";
    char address[1024] = "";
    if (ExtractBetween(parameter, "<FILE>", "</FILE>", templateName, sizeof templateName) ==
        nullptr)
        templateName[0] = '\0';
    if (ExtractBetween(parameter, "<ADDRESS>", "</ADDRESS>", address, sizeof address) == nullptr ||
        address[0] == '\0') {
        ConsoleLine("No recipient address defined for notification\n");
        return 0;
    }
    ConsoleLine("Sending Notification to address: (%s)\n", address);
    NotificationPlan plan{templateName, std::string("To: <") + address + ">",
                          std::string("[SMTP:") + address + "]", kOtherPlaceholderCapacity};
    return SendNotification(*record, plan,
                            {actionContext, filterName, actionDescription, inboundQueue});
}

int NotifyRecipients(MessageRecord* record, const char* parameter, const char* actionContext,
                     const char* filterName, const char* actionDescription, bool inboundQueue) {
    if (record == nullptr) return 0;
    NotificationPlan plan{OrEmpty(parameter), "To: Undisclosed-Recipients", record->recipients,
                          kOtherPlaceholderCapacity};
    return SendNotification(*record, plan,
                            {actionContext, filterName, actionDescription, inboundQueue});
}
