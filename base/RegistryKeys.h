// base/RegistryKeys.h: the registry keys and value names the plug-in reads and writes.
//
// One table, so that a key is spelled in one place. All keys are below
// HKEY_LOCAL_MACHINE; the plug-in is 64-bit and names the 32-bit branch (Wow6432Node)
// explicitly, because the server's administration tools write there.
#pragma once

namespace keys {

constexpr const char* kRoot = "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post";
constexpr const char* kConnectors = "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\CONNECTORS";
constexpr const char* kSmtp = "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\CONNECTORS\\SMTP";
// Its value names are the client address patterns of the system whitelist.
constexpr const char* kSystemWhiteList =
    "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Connectors\\SMTP\\White List";
constexpr const char* kFilters =
    "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Agents\\MTA\\Filters";
constexpr const char* kPlugin =
    "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Agents\\MTA\\Filters\\MTAFILTER";
constexpr const char* kCounters =
    "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Agents\\MTA\\Filters\\MTAFILTER\\Counters";

// The plug-in's own name in "Processing Order" and in its settings key.
constexpr const char* kPluginName = "MTAFILTER";

}  // namespace keys

namespace values {

// root
constexpr const char* kMailRoot = "Mail Root";
constexpr const char* kConfigurationDirectory = "Configuration Directory";
constexpr const char* kBadMailDirectory = "Bad Mail Directory";
constexpr const char* kQuarantineDirectory = "Quarantine Directory";
constexpr const char* kApplicationDirectory = "Application Directory";
constexpr const char* kUpdateStatistics = "Update Statistics";
// connectors
constexpr const char* kConnectorRootDirectory = "Connector Root Directory";
// SMTP
constexpr const char* kLocalDomainName = "Local Domain Name";
constexpr const char* kDomainKeysStatus = "Domain Keys Status";
constexpr const char* kLocalDnsServerList = "Local DNS Server List";
constexpr const char* kBadMailNotificationSender = "Bad Mail Notification Sender Address";
constexpr const char* kWhitelistOutbound = "Whitelist Outbound IPAddresses";
constexpr const char* kWhitelistOutboundMode = "Whitelist Outbound IPAddress Mode";
// plug-in
constexpr const char* kActivityLogEnabled = "Activity Log Enabled";
constexpr const char* kActivityLogDirectory = "Activity Log Directory";
constexpr const char* kDebugLoggingLevel = "Debug Logging Level";
constexpr const char* kDebugStatus = "Debug Status";
constexpr const char* kScriptLiteralMode = "Script Literal Mode";
constexpr const char* kUriSblMaxChecks = "URI SBL Max Checks";
constexpr const char* kAllowPatternCaching = "Allow Pattern Caching";
constexpr const char* kBayesianFilteringStatus = "Bayesian Filtering Status";
constexpr const char* kBayesianFilteringLoadMode = "Bayesian Filtering Load Mode";
constexpr const char* kSpamAssassinEnabled = "SpamAssassin Enabled";
constexpr const char* kAntivirusStatus = "Antivirus Status";
constexpr const char* kPerformSblRbl = "Perform SBLRBL";
constexpr const char* kCaseSensitivity = "Case Sensitivity";
constexpr const char* kReload = "Reload";
constexpr const char* kForwardSenderAddress = "Forward Sender Address";
// filters
constexpr const char* kProcessingOrder = "Processing Order";
// another filter plug-in's key
constexpr const char* kStatus = "Status";
constexpr const char* kAntivirusAgentPluginEnabled = "Antivirus Agent Plugin Enabled";
constexpr const char* kAntivirusAgentPluginProvider = "Antivirus Agent Plugin Provider";
// counters
constexpr const char* kServiceStart = "Service Start";
constexpr const char* kBayesianDetections = "Bayesian Detections";
constexpr const char* kBayesianTotalScans = "Bayesian Total Scans";
constexpr const char* kSaDetections = "SA Detections";
constexpr const char* kSaTotalScans = "SA Total Scans";
constexpr const char* kAntivirusDetected = "Antivirus Detected";
constexpr const char* kAntivirusTotalScans = "Antivirus Total Scans";
constexpr const char* kDkimScans = "DKIM Scans";
constexpr const char* kDkimDetections = "DKIM Detections";

}  // namespace values
