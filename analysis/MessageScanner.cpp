// analysis/MessageScanner.cpp: the message pass. The header and body criteria are not
// evaluated by this build yet: the pass only establishes that the message file can be
// read, which is what decides whether actions may run.
#include "analysis/MessageScanner.h"

#include "frame/MessageEnvelope.h"
#include "frame/Settings.h"
#include "platform/Files.h"

int ScanMessage(MessageRecord* record, const FilterSet* /*set*/,
                FilterEvaluationSet* /*evaluations*/) {
    char connectorRoot[1024];
    CurrentConnectorRoot(connectorRoot, sizeof connectorRoot);
    char path[1400];
    if (!MessageFilePath(connectorRoot, record->connector, record->messageId, Queue::kInbound,
                         path, sizeof path))
        return 0;
    platform::File file = platform::FileOpen(path, platform::FileMode::kReadBinary);
    if (file == nullptr) return 0;
    platform::FileClose(file);
    return 1;
}
