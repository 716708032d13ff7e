// tools/ServerTree.h: a complete mail server tree as the plug-in sees it: folders, the
// registry settings that point into them, the filter table and a connector queue of
// sample messages. The demo builds one; tests and later tools add filters to it.
#pragma once

#include <string>

// Parts of a tree, relative to its root. The registry settings name them as absolute paths.
constexpr const char* kTreeMailRoot = "mail";
constexpr const char* kTreeConfiguration = "config";
constexpr const char* kTreeFilters = "config/FILTERS";
constexpr const char* kTreeBadMail = "badmail";
constexpr const char* kTreeQuarantine = "quarantine";
// The providers are looked for in this directory with "64" appended.
constexpr const char* kTreeApplication = "app";
constexpr const char* kTreeConnectorRoot = "connectors";
constexpr const char* kTreeLogs = "logs";

// The connector whose Inbound queue holds the sample messages, and the other one built.
constexpr const char* kSampleConnector = "SMTP";
constexpr const char* kSecondConnector = "LS";
// The domain the sample server calls its own.
constexpr const char* kSampleLocalDomain = "example.com";

// The filters of the sample filter table, in table order.
struct SampleFilter {
    const char* filterId;     // names the criteria and action files
    const char* displayName;  // the name in the report log
    const char* purpose;      // what it does, for the administrator
};

inline constexpr SampleFilter kSampleFilters[] = {
    {"BUILDNOTICES", "Build notices: no further filters", "stops filter processing"},
    {"SPAMWORDS", "Spam words in subject", "prefixes the subject, adds X-Spam-Flag"},
    {"BLOCKPROGRAMS", "Program attachments", "quarantines and deletes, notifies the postmaster"},
    {"LARGEMAIL", "Large messages", "adds X-Large-Message"},
    {"DISCLAIMER", "Disclaimer on outgoing mail", "appends a disclaimer on LS"},
};

// The filters a tree gets for each scanner that is switched on, after the sample ones.
inline constexpr SampleFilter kSpamAssassinFilter = {"SPAMASSASSIN", "Spam by SpamAssassin",
                                                     "prefixes the subject, adds X-Spam-Flag"};
inline constexpr SampleFilter kVirusFilter = {"VIRUSES", "Viruses found by the antivirus",
                                              "quarantines and deletes"};

// The scanner daemons a tree's scanners use: an address (unix socket path or host:port)
// switches the scanner on, empty leaves it off.
struct ScannerDaemons {
    std::string spamd;
    std::string clamd;
};

// A connector's Inbound queue, which holds the envelopes, and its Messages directory, which
// holds the message files under the same names. "\" separators: paths as the plug-in
// builds them.
std::string InboundQueueDirectory(const std::string& connectorRoot, const std::string& connector);
std::string InboundMessagesDirectory(const std::string& connectorRoot,
                                     const std::string& connector);

// Builds a complete default tree in the directory `root` (absolute; created when missing):
// its folders, the registry settings that point into it (written to the registry now in
// force), the sample filters with their criteria, actions, notification template and
// annotation, and sample messages with their envelopes in the Inbound queues of both
// connectors (the kSecondConnector ones also in its Outgoing queue, which annotations
// rewrite). Returns the number of sample messages queued in all, or 0 with *error saying
// what could not be written.
//
// Each scanner of `scanners` that is on gets its library copied from the build into the
// provider directory, its switch and daemon address set, its filter, and a sample
// message that every such scanner knows to catch (the GTUBE and EICAR test texts).
[[nodiscard]] int BuildServerTree(const std::string& root, std::string* error,
                                  const ScannerDaemons& scanners = {});
