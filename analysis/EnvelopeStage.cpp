// analysis/EnvelopeStage.cpp: the envelope step of a filter run, shared by the run
// itself and by the commands that explain it.
#include "analysis/EnvelopeStage.h"

#include "analysis/ContentCriteria.h"
#include "analysis/Whitelists.h"

namespace {

// The envelope criteria take colon, closing bracket and line ends as word boundaries,
// so that "[SMTP:a@b.example]" yields the bare address as a word.
constexpr const char* kEnvelopeDelimiters = ":]\r\n";

}  // namespace

void EvaluateEnvelopeCriteria(const MessageRecord& record, const FilterSet* set,
                              FilterEvaluationSet* evaluations) {
    EvaluateEnvelopeCriterion(kToOrCc, kEnvelopeDelimiters, record.recipients, set, evaluations);
    EvaluateEnvelopeCriterion(kIpAddress, kEnvelopeDelimiters, record.clientIp, set, evaluations);
    EvaluateWhitelisted(kIpAddressWhitelisted, record.account, nullptr, record.clientIp, set,
                        evaluations);
    EvaluateEnvelopeCriterion(kAccount, kEnvelopeDelimiters, record.account, set, evaluations);
    EvaluateEnvelopeCriterion(kConnector, kEnvelopeDelimiters, record.connector, set, evaluations);
    EvaluateSenderAuth(kSenderAuth, record.criteriaAuthenticationStatus, set, evaluations);
    // Every filter that asks for all messages has that criterion met for each message.
    MarkCriterion(kAllMessages, "MF-ALL", "All Messages", set, evaluations);
}
