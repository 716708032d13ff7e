// frame/MessageEvaluation.h: one queued message evaluated by a filter set without acting
// on it: its envelope read, the envelope criteria recorded and the message read once by
// the scanner. The filter run then hands it to the action dispatcher; "mtafilter
// explain" shows it instead. Both evaluate here, so an explanation is always of what the
// run decides from.
#pragma once

#include <memory>

#include "base/MessageRecord.h"
#include "filters/FilterSet.h"
#include "platform/Ownership.h"

class MessageEvaluation {
public:
    // Evaluates message `messageId` of connector `connectorName` with `set`, which must
    // outlive the object. A missing envelope leaves the envelope fields empty.
    MessageEvaluation(const FilterSet* set, const char* connectorName, const char* messageId);
    // Releases the evaluations, and the thread's COM apartment when it started it.
    ~MessageEvaluation() = default;
    MessageEvaluation(const MessageEvaluation&) = delete;
    MessageEvaluation& operator=(const MessageEvaluation&) = delete;

    // 1 when the message was read and may be acted on; 0 when its file cannot be opened
    // or a loop mark says the filters leave it alone.
    int Scanned() const { return scanned_; }
    MessageRecord* Record() { return record_.get(); }
    FilterEvaluationSet* Evaluations() { return &evaluations_.records; }

private:
    // The evaluation records, released however the evaluation ends: an outside library's
    // exception may leave the constructor, where no destructor of ours would run.
    class OwnedEvaluations {
    public:
        OwnedEvaluations(const FilterSet* set, MessageRecord* record);
        ~OwnedEvaluations();
        OwnedEvaluations(const OwnedEvaluations&) = delete;
        OwnedEvaluations& operator=(const OwnedEvaluations&) = delete;

        FilterEvaluationSet records{};

    private:
        const FilterSet* set_;
    };

    const FilterSet* set_;
    std::unique_ptr<MessageRecord> record_;
    OwnedEvaluations evaluations_;
    platform::ComApartment apartment_;  // script filters are run on this thread
    int scanned_ = 0;
};
