// filters/ActionVocabulary.cpp: the action names of the two filter vocabularies.
#include "filters/ActionVocabulary.h"

#include "common/DecimalNumber.h"
#include "common/DelimitedField.h"
#include "common/LineEnd.h"
#include "common/SafeText.h"
#include "common/TextSearch.h"

const ActionName kActionNames[kActionNameCount] = {
    {"DELETE", ActionVocabulary::kServer},
    {"COPY_TO_BADMAIL", ActionVocabulary::kServer},
    {"COPY_TO_QUARANTINE", ActionVocabulary::kServer},
    {"ADD_SUBJECT_PREFIX", ActionVocabulary::kServer},
    {"NOTIFY_SENDER", ActionVocabulary::kServer},
    {"NOTIFY_ADDRESS", ActionVocabulary::kServer},
    {"NOTIFY_RECIPIENTS", ActionVocabulary::kServer},
    {"FORWARD_TO_ADDRESS", ActionVocabulary::kServer},
    {"EXECUTE_APPLICATION", ActionVocabulary::kServer},
    {"ADD_HEADER", ActionVocabulary::kServer},
    {"APPEND_RECIPIENTS", ActionVocabulary::kServer},
    {"APPEND_ANNOTATIONS", ActionVocabulary::kServer},
    {"STOP_PROCESSING", ActionVocabulary::kServer},
    {"DELETE", ActionVocabulary::kMailbox},
    {"JUNK", ActionVocabulary::kMailbox},
    {"QUARANTINE", ActionVocabulary::kMailbox},
    {"COPY", ActionVocabulary::kMailbox},
    {"MOVE", ActionVocabulary::kMailbox},
    {"PREFIX-SUBJECT", ActionVocabulary::kMailbox},
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

void ParseActionLine(const char* line, ActionLine* action) {
    if (action == nullptr) return;
    *action = ActionLine{};
    if (line == nullptr) return;
    // The line end comes off before the columns are cut: left on the last column, it
    // made a final action name unknown and a description end a notification's header
    // block early. An over-long line is cut here as the reader would have cut it.
    char text[kActionLineCapacity];
    (void)SafeCopy(text, line);
    TakeOffLineEnd(text);
    line = text;
    char status[56] = "";
    (void)GetDelimitedField(line, "\t", 1, status);
    action->status = DecimalValue(status);
    // Columns past the first are left empty on a line without a tab.
    (void)GetDelimitedField(line, "\t", 3, action->parameter);
    (void)GetDelimitedField(line, "\t", 4, action->name);
    (void)GetDelimitedField(line, "\t", 5, action->description);
}
