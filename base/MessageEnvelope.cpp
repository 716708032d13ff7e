// base/MessageEnvelope.cpp: reading and writing message envelopes.
//
// The MTA owns envelopes and shares them with its other services, so they are read as
// they are and never locked or renamed; the plug-in writes envelopes only for messages
// it creates (and when an action changes the recipients of the current one).
#include "base/MessageEnvelope.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/Settings.h"
#include "common/AtomicFile.h"
#include "common/DecimalNumber.h"
#include "common/MessageFileName.h"
#include "common/SafeText.h"
#include "common/TextModeLines.h"
#include "common/WholeFile.h"

namespace {

// A longer envelope line is read in pieces, each taken as a line of its own.
constexpr size_t kEnvelopeLineCapacity = 25000;

const char* QueueName(Queue queue) {
    return queue == Queue::kInbound ? "Inbound" : "Outgoing";
}

// A text field of the record with its capacity.
struct TextField {
    char* text;
    size_t capacity;
};

template <size_t N>
TextField Field(char (&text)[N]) {
    return {text, N};
}

// The text envelope keys, tested in this order; only a key at the very start of a line
// counts, so "AuthenticationStatus=" never reads as "Status=".
struct TextKey {
    const char* key;
    TextField (*field)(MessageRecord& record);
};

const TextKey kTextKeys[] = {
    {"Recipients=", [](MessageRecord& r) { return Field(r.recipients); }},
    {"Sender=", [](MessageRecord& r) { return Field(r.sender); }},
    {"Server=", [](MessageRecord& r) { return Field(r.server); }},
    {"ClientIP=", [](MessageRecord& r) { return Field(r.clientIp); }},
    {"Account=", [](MessageRecord& r) { return Field(r.account); }},
    {"User=", [](MessageRecord& r) { return Field(r.user); }},
    {"Status=", [](MessageRecord& r) { return Field(r.status); }},
    {"CommandType=", [](MessageRecord& r) { return Field(r.commandType); }},
    {"Subject=", [](MessageRecord& r) { return Field(r.subject); }},
};

bool StartsWith(const char* line, const char* key, const char** value) {
    size_t length = std::strlen(key);
    if (std::strncmp(line, key, length) != 0) return false;
    *value = line + length;
    return true;
}

void ClearEnvelopeFields(MessageRecord* record) {
    for (const TextKey& key : kTextKeys) key.field(*record).text[0] = '\0';
    record->timeAcquired = 0;
    record->criteriaAuthenticationStatus = 0;
    record->authenticationStatus = 0;
}

void TakeEnvelopeLine(MessageRecord* record, const char* line) {
    const char* value = nullptr;
    for (const TextKey& key : kTextKeys) {
        if (!StartsWith(line, key.key, &value)) continue;
        // An over-long value is cut to its field: the rest of the run still works.
        TextField field = key.field(*record);
        SafeCopy(field.text, value, field.capacity);
        return;
    }
    if (StartsWith(line, "TimeAcquired=", &value)) {
        record->timeAcquired = DecimalValue(value);
    } else if (StartsWith(line, "AuthenticationStatus=", &value)) {
        record->authenticationStatus = DecimalValue(value);
        record->criteriaAuthenticationStatus = record->authenticationStatus;
    }
}

int QueuePath(const char* connectorRoot, const char* connector, const char* middle,
              const char* messageId, char* destination, size_t capacity) {
    // A name from outside that is not a plain file name would lead outside the queue.
    if (!IsPlainFileName(messageId) || !IsPlainFileName(connector)) return 0;
    return FormatBounded(destination, capacity, "%s\\%s\\%s\\%s", connectorRoot, connector, middle,
                         messageId);
}

}  // namespace

Queue QueueOfScope(const char* postoffice) {
    return postoffice == nullptr || postoffice[0] == '\0' ? Queue::kInbound : Queue::kOutgoing;
}

int InboundEnvelopePath(const MessageRecord& record, char* destination, size_t capacity) {
    char connectorRoot[1024];
    CurrentConnectorRoot(connectorRoot, sizeof connectorRoot);
    return EnvelopePath(connectorRoot, record.connector, record.messageId, Queue::kInbound,
                        destination, capacity);
}

int EnvelopePath(const char* connectorRoot, const char* connector, const char* messageId,
                 Queue queue, char* destination, size_t capacity) {
    return QueuePath(connectorRoot, connector, QueueName(queue), messageId, destination, capacity);
}

int MessageFilePath(const char* connectorRoot, const char* connector, const char* messageId,
                    Queue queue, char* destination, size_t capacity) {
    char middle[32];
    std::snprintf(middle, sizeof middle, "%s\\Messages", QueueName(queue));
    return QueuePath(connectorRoot, connector, middle, messageId, destination, capacity);
}

int BuildHeldCopyPaths(const char* directory, const char* messageId, HeldCopyPaths* paths) {
    const bool fit =
        FormatBounded(paths->envelope, sizeof paths->envelope, "%s\\%s", directory, messageId) &&
        FormatBounded(paths->messagesDirectory, sizeof paths->messagesDirectory, "%s\\Messages",
                      directory) &&
        FormatBounded(paths->message, sizeof paths->message, "%s\\%s", paths->messagesDirectory,
                      messageId);
    return fit ? 1 : 0;
}

int ReadEnvelope(MessageRecord* record) {
    ClearEnvelopeFields(record);
    char path[kQueuePathCapacity];
    if (!InboundEnvelopePath(*record, path, sizeof path)) return 1;
    // One open and one read: the envelope is split in memory as the text-mode line
    // reader would split it.
    std::string bytes;
    if (!ReadWholeFile(path, &bytes)) return 1;
    TextModeLines lines(bytes.data(), bytes.size());
    // Not zeroed: a line read is always terminated, and nothing past it is looked at.
    const std::unique_ptr<char[]> line(new char[kEnvelopeLineCapacity]);
    while (lines.Next(line.get(), kEnvelopeLineCapacity) != nullptr) {
        size_t length = std::strlen(line.get());
        if (length > 0 && line[length - 1] == '\n') line[--length] = '\0';
        if (length == 0) continue;
        TakeEnvelopeLine(record, line.get());
    }
    return 1;
}

// The envelope of the message being filtered may be rewritten (extra recipients), so it
// is replaced whole: a crash leaves the old envelope or the new one, never a cut one.
int WriteEnvelope(const MessageRecord* record) {
    char path[kQueuePathCapacity];
    if (!InboundEnvelopePath(*record, path, sizeof path)) return 0;
    char number[16];
    std::snprintf(number, sizeof number, "%d", record->timeAcquired);
    // CR LF as the platform's text mode writes envelope lines.
    const std::string text = std::string("Recipients=") + record->recipients + "\r\n" +
                             "Server=" + record->server + "\r\n" + "Sender=" + record->sender +
                             "\r\n" + "TimeAcquired=" + number + "\r\n" +
                             "Status=" + record->status + "\r\n";
    return ReplaceFileAtomically(path, text.data(), text.size());
}

int RewriteEnvelopeRecipients(const MessageRecord* record) {
    if (record == nullptr) return 0;
    char path[kQueuePathCapacity];
    if (!InboundEnvelopePath(*record, path, sizeof path)) return 0;
    std::string old;
    if (!ReadWholeFile(path, &old)) return 0;

    constexpr const char* kKey = "Recipients=";
    const std::string recipientsLine = std::string(kKey) + record->recipients + "\r\n";
    std::string text;
    bool replaced = false;
    for (size_t line = 0; line < old.size();) {
        size_t next = old.find('\n', line);
        next = next == std::string::npos ? old.size() : next + 1;
        if (old.compare(line, std::strlen(kKey), kKey) == 0) {
            text += recipientsLine;
            replaced = true;
        } else {
            text.append(old, line, next - line);
        }
        line = next;
    }
    if (!replaced) text.insert(0, recipientsLine);
    return ReplaceFileAtomically(path, text.data(), text.size());
}

void ExtractEnvelopeAddress(const char* text, char* destination, size_t capacity) {
    const char* colon = std::strchr(text, ':');
    const char* bracket = std::strchr(text, ']');
    if (colon == nullptr || bracket == nullptr || bracket < colon) return;
    size_t length = static_cast<size_t>(bracket - colon - 1);
    // An address that does not fit is refused whole rather than cut into another one.
    if (length >= capacity || length > 1023) return;
    std::memcpy(destination, colon + 1, length);
    destination[length] = '\0';
}
