// frame/MessageEvaluation.cpp: a message evaluated by a filter set without acting on it.
#include "frame/MessageEvaluation.h"

#include "analysis/EnvelopeStage.h"
#include "analysis/MessageScanner.h"
#include "base/MessageEnvelope.h"
#include "common/SafeText.h"
#include "platform/Com.h"

namespace {

std::unique_ptr<MessageRecord> ReadRecord(const char* connectorName, const char* messageId) {
    auto record = std::make_unique<MessageRecord>();
    SafeCopy(record->messageId, messageId);
    SafeCopy(record->connector, connectorName);
    record->account[0] = '\0';
    record->server[0] = '\0';
    record->clientIp[0] = '\0';
    record->user[0] = '\0';
    record->subject[0] = '\0';
    ReadEnvelope(record.get());
    return record;
}

}  // namespace

MessageEvaluation::OwnedEvaluations::OwnedEvaluations(const FilterSet* set, MessageRecord* record)
    : set_(set) {
    records.message = record;
    AllocateEvaluations(set_, &records);
}

MessageEvaluation::OwnedEvaluations::~OwnedEvaluations() {
    ReleaseEvaluations(set_, &records);
}

MessageEvaluation::MessageEvaluation(const FilterSet* set, const char* connectorName,
                                     const char* messageId)
    : set_(set),
      record_(ReadRecord(connectorName, messageId)),
      evaluations_(set, record_.get()),
      // Script filters are decided later, on this thread, by the scripting engine.
      apartment_(set->usesScripts != 0) {
    EvaluateEnvelopeCriteria(*record_, set_, &evaluations_.records);
    scanned_ = ScanMessage(record_.get(), set_, &evaluations_.records);
}
