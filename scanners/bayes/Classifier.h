// scanners/bayes/Classifier.h: Robinson's token probabilities combined with Fisher's
// chi-square method (the scheme SpamBayes made common), over a TokenStore.
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "scanners/bayes/TokenStore.h"

namespace bayes {

struct ClassifierSettings {
    int64_t minimumMessages;  // spam and ham messages each needed before judging
};

// The probability, 0 to 1, that the message with `tokens` is spam; 0.5 while the store
// has fewer than the minimum of either class. Returns 1 with *probability set, 0 when the
// store could not be read.
[[nodiscard]] int SpamProbability(TokenStore& store, const std::set<std::string>& tokens,
                                  const ClassifierSettings& settings, double* probability);

// The probability that a chi-square variable with `degrees` (even) degrees of freedom
// reaches `chi2`; exposed for the tests.
double ChiSquareTail(double chi2, int degrees);

}  // namespace bayes
