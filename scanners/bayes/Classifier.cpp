// scanners/bayes/Classifier.cpp: token probabilities and their combination.
#include "scanners/bayes/Classifier.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace bayes {
namespace {

// Robinson's prior: a token seen in n messages moves from the unknown-word probability
// kUnknownProbability towards its observed ratio with weight n against kPriorStrength.
constexpr double kPriorStrength = 0.45;
constexpr double kUnknownProbability = 0.5;
// Tokens this close to neutral only add noise to the combination.
constexpr double kMinimumDeviation = 0.1;
// The most telling tokens used; more dilutes the verdict with weak evidence.
constexpr size_t kMaxDiscriminators = 150;

double TokenProbability(const TokenCounts& counts, const StoreTotals& totals) {
    const double spamRatio =
        static_cast<double>(counts.spam) / static_cast<double>(totals.spamMessages);
    const double hamRatio =
        static_cast<double>(counts.ham) / static_cast<double>(totals.hamMessages);
    if (spamRatio + hamRatio <= 0) return kUnknownProbability;
    const double p = spamRatio / (spamRatio + hamRatio);
    const double n = static_cast<double>(counts.spam + counts.ham);
    return (kPriorStrength * kUnknownProbability + n * p) / (kPriorStrength + n);
}

}  // namespace

double ChiSquareTail(double chi2, int degrees) {
    // Closed form for even degrees: exp(-m) * sum_{i < degrees/2} m^i / i!.
    const double m = chi2 / 2.0;
    double term = std::exp(-m);
    double sum = term;
    for (int i = 1; i < degrees / 2; ++i) {
        term *= m / i;
        sum += term;
    }
    return std::min(sum, 1.0);
}

int SpamProbability(TokenStore& store, const std::set<std::string>& tokens,
                    const ClassifierSettings& settings, double* probability) {
    *probability = kUnknownProbability;
    StoreTotals totals;
    if (!store.Totals(&totals)) return 0;
    if (totals.spamMessages < std::max<int64_t>(settings.minimumMessages, 1) ||
        totals.hamMessages < std::max<int64_t>(settings.minimumMessages, 1))
        return 1;

    std::vector<double> telling;
    telling.reserve(tokens.size());
    for (const std::string& token : tokens) {
        TokenCounts counts;
        if (!store.Counts(token, &counts)) return 0;
        const double p = TokenProbability(counts, totals);
        if (std::fabs(p - 0.5) >= kMinimumDeviation) telling.push_back(p);
    }
    if (telling.empty()) return 1;
    if (telling.size() > kMaxDiscriminators) {
        std::nth_element(
            telling.begin(), telling.begin() + kMaxDiscriminators, telling.end(),
            [](double a, double b) { return std::fabs(a - 0.5) > std::fabs(b - 0.5); });
        telling.resize(kMaxDiscriminators);
    }
    // Sums of logarithms, not products: 150 small factors underflow a double.
    double logHam = 0;
    double logSpam = 0;
    for (double p : telling) {
        const double clamped = std::clamp(p, 1e-6, 1 - 1e-6);
        logHam += std::log(clamped);
        logSpam += std::log(1 - clamped);
    }
    const int degrees = 2 * static_cast<int>(telling.size());
    const double spamness = 1 - ChiSquareTail(-2 * logSpam, degrees);
    const double hamness = 1 - ChiSquareTail(-2 * logHam, degrees);
    *probability = std::clamp((1 + spamness - hamness) / 2, 0.0, 1.0);
    return 1;
}

}  // namespace bayes
