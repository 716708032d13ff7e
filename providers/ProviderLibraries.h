// providers/ProviderLibraries.h: the scanning provider libraries (Bayesian classifier,
// SpamAssassin client, DKIM verifier, antivirus engine, antivirus agent plug-in).
//
// They are loaded once when the plug-in loads and released when it unloads; a missing
// library or entry point only switches its scanner off. A provider is called only
// while its status is kProviderReady, and never through an entry that was not found.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Library.h"

constexpr uint32_t kProviderOff = 0;
constexpr uint32_t kProviderReady = 1;
constexpr uint32_t kProviderFailed = 3;

// Size of the result buffer every provider call is given.
constexpr int kProviderResultCapacity = 1024;

// The one shape of the Initialize, Execute and CleanUp entries: a command text and its
// length, a result buffer of kProviderResultCapacity bytes and a preset result length.
// Nonzero means success.
using ProviderEntry = int32_t (*)(const char* command, int32_t commandLength, char* result,
                                  int32_t* resultLength);

// The antivirus engine's entry: agent name, message identifier, connector, result text
// (1024 bytes). 1 when a virus was found.
using AntivirusExecuteEntry = int32_t (*)(const char* agentName, const char* messageId,
                                          const char* connector, char* result);

using PluginInitializeEntry = int32_t (*)();

struct ProviderLibrary {
    platform::Library handle;  // null when not loaded
    ProviderEntry initialize;  // null when the library lacks it
    ProviderEntry execute;
    ProviderEntry cleanUp;
};

struct ProviderSet {
    ProviderLibrary dkim;
    ProviderLibrary bayesian;
    ProviderLibrary spamAssassin;
    platform::Library antivirus;
    AntivirusExecuteEntry antivirusExecute;
    platform::Library agentPlugin;  // the antivirus agent plug-in, loaded by FilterInit
    // Agent plug-ins that a later one replaced: they stay loaded (their initialisation
    // may have started work) and are unloaded with the rest.
    std::vector<platform::Library> replacedAgentPlugins;
};

// The process's providers.
ProviderSet& Providers();

// Loads `path`, prints "<displayName> Loading Library..", looks up the QP_ entries
// (falling back to the plain names), and with `initialise` set calls Initialize when all
// three exist. Returns kProviderReady, or kProviderFailed when an entry (or the library)
// is missing and `initialise` is set.
uint32_t LoadProviderLibrary(const char* displayName, const char* path, ProviderLibrary* library,
                             int initialise);

// Loads the scanners whose switches are on, in the order DKIM, Bayesian, SpamAssassin,
// antivirus, saving their counters; the statuses land in the settings. The store
// library follows the antivirus engine.
void LoadScannerProviders();

// CleanUp and unload, in the order Bayesian, DKIM, SpamAssassin, then the antivirus
// engine and the agent plug-in.
void ReleaseScannerProviders();

// The Execute entry of a scanner that may be called now: its status is kProviderReady
// and the entry was found. Null otherwise, so that a switched-on provider whose library
// or entry is missing is never called.
ProviderEntry ReadyExecute(uint32_t status, const ProviderLibrary& library);

// Calls a provider entry with an empty command, as Initialize and CleanUp are called;
// 0 when it returned 0, threw or faulted (reported naming `entryName`).
int32_t CallWithEmptyCommand(ProviderEntry entry, const char* entryName);

// A provider directory path with a library file name.
constexpr int kProviderPathCapacity = 1100;

// The provider directory path of a library file ("<provider directory>\<file>").
void ProviderPath(const char* fileName, char* destination, int capacity);

// Loads the Bayesian classifier's library from the provider directory into a cleared
// `library`, entries looked up as loading does, without initialising it (for the
// classifier's own command); its path goes to `path`. Returns kProviderReady when all
// three entries were found, else kProviderFailed (a null handle: not loaded).
uint32_t FindBayesianProvider(ProviderLibrary* library, char* path, int capacity);
