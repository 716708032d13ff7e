// actions/SubjectPrefix.cpp: putting an administrator's prefix in front of a message's
// subject, in the queue or in a mailbox folder.
#include <cstdio>
#include <cstring>
#include <string>

#include "actions/MessageRewriting.h"
#include "actions/MessageText.h"
#include "base/MessageEnvelope.h"
#include "common/AtomicFile.h"
#include "common/Console.h"
#include "common/FileQueries.h"
#include "common/SafeText.h"
#include "common/TextSearch.h"
#include "common/WholeFile.h"
#include "platform/Files.h"
#include "store/MailboxFolders.h"

namespace {

constexpr const char* kSubjectHeader = "Subject:";

size_t TrimmedLength(const char* text, size_t length) {
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\t')) --length;
    return length;
}

// A subject counts as prefixed when it begins with the whole prefix, or when it is
// nothing but the prefix with its trailing blanks gone (another hop trimmed them).
// Only the start counts: "Re: [SPAM] offer" is prefixed again, because the reader must
// see the mark first, and a reply quoting an old mark is new mail. A prefix of blanks
// alone adds nothing worth a rewrite and counts as present.
bool AlreadyPrefixed(const char* subject, size_t subjectLength, const char* prefix) {
    size_t prefixLength = std::strlen(prefix);
    size_t prefixCore = TrimmedLength(prefix, prefixLength);
    if (prefixCore == 0) return true;
    if (StartsWithNoCase(subject, subjectLength, prefix)) return true;
    std::string core(prefix, prefixCore);
    return TrimmedLength(subject, subjectLength) == prefixCore &&
           StartsWithNoCase(subject, subjectLength, core.c_str());
}

// The first "Subject:" that starts a line, or npos.
size_t FindSubjectLine(const std::string& text) {
    for (size_t line = 0; line < text.size(); line = NextLineStart(text, line)) {
        if (StartsWithNoCase(text.data() + line, text.size() - line, kSubjectHeader)) return line;
    }
    return std::string::npos;
}

// Where the prefix goes: the subject text's first character, npos when the message is to
// be left alone. `subjectEnd` receives the carriage return ending the subject line.
size_t SubjectTextStart(const std::string& text, size_t* subjectEnd) {
    size_t line = FindSubjectLine(text);
    size_t headerEnd = text.find("\r\n\r\n");
    if (line == std::string::npos || headerEnd == std::string::npos || line > headerEnd)
        return std::string::npos;
    size_t start = line + std::strlen(kSubjectHeader);
    while (start < text.size() && (text[start] == ' ' || text[start] == '\t')) ++start;
    *subjectEnd = text.find('\r', start);
    return *subjectEnd == std::string::npos ? std::string::npos : start;
}

}  // namespace

int InsertSubjectPrefix(MessageRecord* /*record*/, const char* prefix, const char* sourcePath,
                        const char* destinationPath) {
    if (prefix == nullptr || sourcePath == nullptr || destinationPath == nullptr) return 1;
    if (FileSizeByName(sourcePath) <= 0) return 1;
    std::string text;
    int error = 0;
    if (!ReadWholeFile(sourcePath, &text, &error)) {
        ConsoleLine("Failed to open %s error %d\n", sourcePath, error);
        return 1;
    }
    size_t subjectEnd = 0;
    size_t start = SubjectTextStart(text, &subjectEnd);
    if (start == std::string::npos) return 1;
    if (AlreadyPrefixed(text.data() + start, subjectEnd - start, prefix)) return 1;
    text.insert(start, prefix);
    ReplaceFileAtomically(destinationPath, text.data(), text.size());
    return 1;
}

int PrefixQueuedSubject(MessageRecord* record, const char* prefix, bool inboundQueue) {
    char path[kQueuePathCapacity];
    if (!QueuedMessagePath(*record, inboundQueue, path, sizeof path)) return 1;
    return InsertSubjectPrefix(record, prefix, path, path);
}

void PrefixMailboxSubject(MessageRecord* record, const char* prefix) {
    // The mailbox scope has no other copy in a folder than the one its own copy action
    // made, which records the folder (and addresses the mailbox by the user field, as
    // here); without it there is nothing of this mailbox's to rewrite, and the queued
    // message may belong to other recipients too.
    if (record->folder[0] == '\0') return;
    char folder[kMailboxPathCapacity];
    char path[kMailboxPathCapacity + 128];  // and the message identifier
    if (!MailboxPath(record->account, record->user, record->folder, folder, sizeof folder) ||
        !FormatBounded(path, sizeof path, "%s\\%s", folder, record->messageId))
        return;
    platform::DirectoryCreate(folder);
    InsertSubjectPrefix(record, prefix, path, path);
}
