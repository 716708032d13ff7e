// base/Settings.h: the plug-in's settings, read from the registry.
//
// Most settings are read once when the library is loaded and only read afterwards.
// The directory group is read again by every filter run, so it lives behind a lock
// and runs take a snapshot of it. A few switches are read at their first use and then
// kept for the life of the process.
#pragma once

#include <cstddef>
#include <cstdint>

// Directories that take effect with the next message when an administrator changes them.
struct DirectoryGroup {
    char connectorRoot[1024];  // "Connector Root Directory": root of the connector queues
    char configuration[1024];  // "Configuration Directory": filter tables, actions, templates
    char badMail[1024];        // "Bad Mail Directory": target of bad-mail copies
    char quarantine[1024];     // "Quarantine Directory": target of quarantine copies
};

struct PluginSettings {
    char activityLogDirectory[512];  // directory of the daily report files
    uint32_t updateStatistics;       // nonzero: counters are saved to the registry
    uint32_t debugStatus;            // script trace: 1 report log, 2 standard output
    uint32_t scriptLiteralMode;      // nonzero: script placeholders take message values
    uint32_t uriSblMaxChecks;        // budget of fruitless link lookups per message
    uint32_t allowPatternCaching;    // nonzero: pattern files are cached in memory
    char localDnsServerList[2048];   // handed to the DNS provider at load
    uint32_t debugLoggingLevel;      // highest DNS provider log level written

    char mailRoot[1024];              // root of the postoffice mail stores
    char applicationDirectory[1022];  // program directory
    char providerDirectory[1024];     // applicationDirectory + "64": the provider libraries
    char whitelistConfigurationDirectory[1024];  // configuration directory as read at load
    char localDomainName[1024];                  // the server's own domain

    uint32_t bayesianFilteringStatus;    // switch; afterwards the Bayesian provider status
    uint32_t bayesianFilteringLoadMode;  // nonzero: initialise the Bayesian provider at load
    uint32_t domainKeysStatus;           // switch; afterwards the DKIM provider status
    uint32_t spamAssassinStatus;         // the SpamAssassin provider status
    uint32_t antivirusStatus;            // switch and status of the antivirus provider
};

// The process-wide settings. Written only while the library loads.
PluginSettings& Settings();

// Resets every setting to its default (used before loading, and by tests).
void ResetSettings();

// "Activity Log Directory", read first so that the report log can open.
void ReadActivityLogDirectory();

// The general settings read after the report log opened.
void ReadGeneralSettings();

// "Application Directory" and the provider directory made from it.
void ReadProviderDirectory();

// "Mail Root", the provider directory, the whitelist copy of the configuration
// directory and "Local Domain Name".
void ReadStoreSettings();

// The scanner switches: Bayesian status and load mode, SpamAssassin, Domain Keys.
void ReadScannerSwitches();

// "Antivirus Status".
void ReadAntivirusStatus();

// Reads the directory group from the registry into the shared copy and, when
// `snapshot` is given, into it as well. Missing values become empty.
void RefreshDirectoryGroup(DirectoryGroup* snapshot);

// A consistent copy of the shared directory group.
void SnapshotDirectoryGroup(DirectoryGroup* snapshot);

// The shared "Configuration Directory" alone (cheaper than a whole snapshot).
void CurrentConfigurationDirectory(char* destination, size_t capacity);

// How often the shared "Configuration Directory" has changed: while the count stays, so
// does the directory, and a copy read after an earlier count is still current.
uint64_t ConfigurationDirectoryChanges();

// The shared "Connector Root Directory" alone.
void CurrentConnectorRoot(char* destination, size_t capacity);

// Settings read at their first use and kept for the process (registry changes are
// seen only after the plug-in is loaded again).
int SpamAssassinEnabled();  // "SpamAssassin Enabled" is exactly 1
uint32_t PerformSblRbl();   // "Perform SBLRBL", 0 when missing
int CaseSensitive();        // "Case Sensitivity" is exactly 1

// Forgets the first-use values so that the next use reads the registry (tests only).
void ForgetFirstUseSettings();
