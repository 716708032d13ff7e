// providers/LoadingRules.h: private to providers/. How a scanner's library is found and
// which status loading gives it, shared by the start-up loading and by the inspection
// that predicts it without initialising anything.
#pragma once

#include <cstdint>

#include "providers/ProviderLibraries.h"

constexpr const char* kDkimLibrary = "QPDomainKeys.DLL";
constexpr const char* kBayesianLibrary = "QPFLTMBF.DLL";
constexpr const char* kSpamAssassinLibrary = "QPFLTMSA.DLL";
constexpr const char* kAntivirusLibrary = "QPAVGEN.DLL";

// Loads `fileName` from the provider directory into a cleared `library` and looks its
// QP_ entries up (`withFallback`: the plain names stand in for missing ones). A library
// that cannot be loaded leaves everything null.
void FindProvider(const char* fileName, int withFallback, ProviderLibrary* library);

// Loads the antivirus engine and looks up ProviderExecute; both null when it is missing.
void FindAntivirus(platform::Library* library, AntivirusExecuteEntry* execute);

// kProviderReady when all three entries were found, else kProviderFailed (also for a
// library that was not loaded, which has no entries).
uint32_t EntriesStatus(const ProviderLibrary& library);

// With load mode 0 the Bayesian dictionary loads lazily inside the provider on its first
// Execute, so the provider is initialised at load, and its entries judged, only with a
// nonzero load mode and a library that loaded.
bool BayesianInitialisedAtLoad(const ProviderLibrary& bayesian, uint32_t loadMode);

// The Bayesian status after loading: judged by the entries when initialised at load,
// else the switch's value.
uint32_t BayesianStatusAfterLoading(uint32_t switchValue, uint32_t loadMode,
                                    const ProviderLibrary& bayesian);

// The SpamAssassin status after loading: judged by the entries when the library loaded,
// else the switch's value.
uint32_t SpamAssassinStatusAfterLoading(uint32_t switchValue, const ProviderLibrary& spamAssassin);
