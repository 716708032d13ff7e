// actions/ActionTable.cpp: the action names of the two filter vocabularies and the
// routines behind them.
#include "actions/ActionTable.h"

#include <cstring>

#include "actions/MessageRewriting.h"
#include "actions/MessageRouting.h"
#include "actions/MessageText.h"
#include "actions/Notifications.h"
#include "base/MessageEnvelope.h"
#include "common/Console.h"
#include "common/DecimalNumber.h"
#include "common/SafeText.h"
#include "common/TextSearch.h"
#include "filters/FilterSet.h"
#include "filters/ResultTags.h"

namespace {

constexpr size_t kCommandPartCapacity = 512;
constexpr size_t kHeaderNameCapacity = 512;

int RunDelete(const ActionCall& call) {
    return DeleteQueuedMessage(call.record, call.inboundQueue);
}

int RunCopyToBadMail(const ActionCall& call) {
    return CopyToBadMail(call.record, call.inboundQueue);
}

int RunCopyToQuarantine(const ActionCall& call) {
    return CopyToQuarantine(call.record, call.inboundQueue);
}

int RunAddSubjectPrefix(const ActionCall& call) {
    char prefix[1024];
    SafeCopy(prefix, call.parameter);
    // Values go into a header: the subject prefix gets them encoded.
    ExpandResultTags(call.context, prefix, sizeof prefix, 1);
    FlattenLineBreaks(prefix);  // the subject stays one header line
    (void)PrefixQueuedSubject(call.record, prefix, call.inboundQueue);
    return 1;  // listed whether or not the subject was already prefixed
}

int RunNotifySender(const ActionCall& call) {
    return NotifySender(call.record, call.parameter, call.context, call.filter->displayName,
                        call.description, call.inboundQueue);
}

int RunNotifyAddress(const ActionCall& call) {
    return NotifyAddress(call.record, call.parameter, call.context, call.filter->displayName,
                         call.description, call.inboundQueue);
}

int RunNotifyRecipients(const ActionCall& call) {
    return NotifyRecipients(call.record, call.parameter, call.context, call.filter->displayName,
                            call.description, call.inboundQueue);
}

int RunForward(const ActionCall& call) {
    return ForwardMessage(call.record, call.parameter, call.set->postoffice, call.set->mailbox);
}

// "first|second", split at the first "|" only: a header value or a command's arguments
// may hold bars of their own. A part that does not fit its buffer is left empty; without
// a "|" the whole text is the first part and the second stays empty.
void SplitAtBar(const char* text, char* first, size_t firstCapacity, char* second,
                size_t secondCapacity) {
    first[0] = '\0';
    second[0] = '\0';
    const char* bar = std::strchr(text, '|');
    const size_t firstLength = bar != nullptr ? static_cast<size_t>(bar - text) : std::strlen(text);
    if (firstLength < firstCapacity) {
        std::memcpy(first, text, firstLength);
        first[firstLength] = '\0';
    }
    if (bar != nullptr && std::strlen(bar + 1) < secondCapacity)
        SafeCopy(second, bar + 1, secondCapacity);
}

int RunExecuteApplication(const ActionCall& call) {
    char program[kCommandPartCapacity];
    char arguments[kCommandPartCapacity];
    SplitAtBar(call.parameter, program, sizeof program, arguments, sizeof arguments);
    return RunFilterCommand(call.record, program, arguments);
}

int RunAddHeader(const ActionCall& call) {
    char name[kHeaderNameCapacity];
    char value[1024];
    SplitAtBar(call.parameter, name, sizeof name, value, sizeof value);
    ExpandResultTags(call.context, value, sizeof value, 0);
    // Values come partly from the message (matched words, addresses): a line break in
    // one would end the header and let the message write headers of its own.
    FlattenLineBreaks(name);
    FlattenLineBreaks(value);
    return SetMessageHeader(call.record, name, value, call.inboundQueue);
}

int RunAppendRecipients(const ActionCall& call) {
    // The host reads recipients from the Inbound envelope, whatever the filter's scope.
    // Only the recipients change: the envelope keeps the client address, account, user,
    // subject and authentication the host wrote, which later filters and hops rely on.
    return AppendRecipients(call.record, call.parameter) && RewriteEnvelopeRecipients(call.record);
}

int RunAppendAnnotations(const ActionCall& call) {
    AnnotationRequest request{};
    SafeCopy(request.scopeName, "System");
    SafeCopy(request.beforeName, call.filter->filterId);
    SafeCopy(request.afterName, call.filter->filterId);
    // 1 adds the annotation after the body, 2 before and after; any other mode adds none.
    const int32_t mode = DecimalValue(call.parameter);
    request.beforeSwitch = mode == 2 ? 1 : 0;
    request.afterSwitch = mode == 1 || mode == 2 ? 1 : 0;
    return AppendAnnotations(call.record, &request);
}

int RunStopProcessing(const ActionCall& call) {
    ConsoleLine("stop processing filters\n");
    *call.stop = true;
    return 1;
}

// Mailbox rules: the message is copied into a folder of the mailbox (or not delivered
// at all); `removed` keeps it out of the mailbox itself.
int RunMailboxDelete(const ActionCall& call) {
    *call.removed = true;  // the message is simply not delivered
    return 1;
}

int RunJunk(const ActionCall& call) {
    *call.removed = CopyToMailboxFolder(call.record, "Junk E-mail") != 0;
    return 1;
}

int RunQuarantine(const ActionCall& call) {
    *call.removed = CopyToMailboxFolder(call.record, "Quarantine") != 0;
    return 1;
}

int RunCopy(const ActionCall& call) {
    (void)CopyToMailboxFolder(call.record, call.parameter);
    return 1;
}

int RunMove(const ActionCall& call) {
    *call.removed = CopyToMailboxFolder(call.record, call.parameter) != 0;
    return 1;
}

int RunPrefixSubject(const ActionCall& call) {
    PrefixMailboxSubject(call.record, call.parameter);
    return 1;
}

}  // namespace

const ActionName kActionNames[kActionNameCount] = {
    {"DELETE", ActionVocabulary::kServer, RunDelete, false},
    {"COPY_TO_BADMAIL", ActionVocabulary::kServer, RunCopyToBadMail, false},
    {"COPY_TO_QUARANTINE", ActionVocabulary::kServer, RunCopyToQuarantine, false},
    {"ADD_SUBJECT_PREFIX", ActionVocabulary::kServer, RunAddSubjectPrefix, false},
    {"NOTIFY_SENDER", ActionVocabulary::kServer, RunNotifySender, false},
    {"NOTIFY_ADDRESS", ActionVocabulary::kServer, RunNotifyAddress, false},
    {"NOTIFY_RECIPIENTS", ActionVocabulary::kServer, RunNotifyRecipients, false},
    {"FORWARD_TO_ADDRESS", ActionVocabulary::kServer, RunForward, false},
    {"EXECUTE_APPLICATION", ActionVocabulary::kServer, RunExecuteApplication, false},
    {"ADD_HEADER", ActionVocabulary::kServer, RunAddHeader, false},
    {"APPEND_RECIPIENTS", ActionVocabulary::kServer, RunAppendRecipients, false},
    {"APPEND_ANNOTATIONS", ActionVocabulary::kServer, RunAppendAnnotations, false},
    {"STOP_PROCESSING", ActionVocabulary::kServer, RunStopProcessing, true},
    {"DELETE", ActionVocabulary::kMailbox, RunMailboxDelete, false},
    {"JUNK", ActionVocabulary::kMailbox, RunJunk, false},
    {"QUARANTINE", ActionVocabulary::kMailbox, RunQuarantine, false},
    {"COPY", ActionVocabulary::kMailbox, RunCopy, false},
    {"MOVE", ActionVocabulary::kMailbox, RunMove, false},
    {"PREFIX-SUBJECT", ActionVocabulary::kMailbox, RunPrefixSubject, false},
};

const ActionName* FindAction(const char* name, bool mailboxScope) {
    if (name == nullptr) return nullptr;
    const ActionVocabulary wanted =
        mailboxScope ? ActionVocabulary::kMailbox : ActionVocabulary::kServer;
    for (const ActionName& action : kActionNames)
        if (action.vocabulary == wanted && SameTextNoCase(action.name, name)) return &action;
    return nullptr;
}

bool IsKnownAction(const char* name, bool mailboxScope) {
    return FindAction(name, mailboxScope) != nullptr;
}
