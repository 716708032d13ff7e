// frame/MessageEvaluation.cpp: a message evaluated by a filter set without acting on it.
#include "frame/MessageEvaluation.h"

#include "analysis/MessageScanner.h"
#include "common/SafeText.h"
#include "frame/EnvelopeCriteria.h"
#include "frame/MessageEnvelope.h"
#include "platform/Com.h"

namespace {

void PrepareRecord(MessageRecord* record, const char* connectorName, const char* messageId) {
    SafeCopy(record->messageId, messageId);
    SafeCopy(record->connector, connectorName);
    record->account[0] = '\0';
    record->server[0] = '\0';
    record->clientIp[0] = '\0';
    record->user[0] = '\0';
    record->subject[0] = '\0';
    ReadEnvelope(record);
}

}  // namespace

MessageEvaluation::MessageEvaluation(const FilterSet* set, const char* connectorName,
                                     const char* messageId)
    : set_(set), record_(std::make_unique<MessageRecord>()) {
    PrepareRecord(record_.get(), connectorName, messageId);
    evaluations_.message = record_.get();
    AllocateEvaluations(set_, &evaluations_);
    // Script filters are decided later, on this thread, by the scripting engine.
    if (set_->usesScripts) {
        platform::CoInitializeEx(nullptr, platform::COINIT_MULTITHREADED);
        comStarted_ = true;
    }
    EvaluateEnvelopeCriteria(*record_, set_, &evaluations_);
    scanned_ = ScanMessage(record_.get(), set_, &evaluations_);
}

MessageEvaluation::~MessageEvaluation() {
    if (comStarted_ && set_->usesScripts) platform::CoUninitialize();
    ReleaseEvaluations(set_, &evaluations_);
}
