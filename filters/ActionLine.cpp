// filters/ActionLine.cpp: cutting a line of an action file into its columns.
#include "filters/ActionLine.h"

#include "common/DecimalNumber.h"
#include "common/DelimitedField.h"
#include "common/LineEnd.h"
#include "common/SafeText.h"

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
