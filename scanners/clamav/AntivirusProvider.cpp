// scanners/clamav/AntivirusProvider.cpp: QPAVGEN, the antivirus provider library on
// clamd. Its one export, ProviderExecute, scans a queued message.
//
// A scan that cannot be done (no daemon, a message too large, a timeout, a reply that
// makes no sense) answers "no virus": the plug-in has no way to hear "unknown", and
// holding mail back on every clamd restart would do more harm. Each such scan is
// counted and described under the library's key and written to the event log, so the
// administrator sees that mail went unscanned.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "common/RegistryAccess.h"
#include "platform/Files.h"
#include "platform/LibraryExport.h"
#include "platform/Registry.h"
#include "scanners/clamav/ClamdScan.h"
#include "scanners/common/ScannerSettings.h"

namespace {

constexpr const char* kSettingsKey =
    "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Agents\\MTA\\Filters\\MTAFILTER\\ClamAV";
constexpr const char* kEventSource = "QPAVGEN";

// Debian's clamd listens here out of the box.
constexpr const char* kDefaultSocket = "/var/run/clamav/clamd.ctl";
constexpr uint32_t kDefaultTimeoutSeconds = 30;
// clamd's own default StreamMaxLength (25 MB).
constexpr uint32_t kDefaultStreamMaxLength = 25u * 1024 * 1024;

// Where the connectors keep their queues. This layout must agree with the plug-in's
// (base/MessageEnvelope.cpp): "<root>\<connector>\Inbound\Messages\<id>", or Outgoing.
constexpr const char* kConnectorsKey = "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\CONNECTORS";
constexpr const char* kConnectorRootValue = "Connector Root Directory";
constexpr const char* kQueues[] = {"Inbound", "Outgoing"};
constexpr size_t kPathCapacity = 1400;
constexpr size_t kResultCapacity = 1024;  // what the plug-in hands every provider

// Names from the caller become path components: nothing that could leave the queue.
bool IsPlainName(const char* name) {
    if (name == nullptr || name[0] == '\0' || std::strlen(name) > 255) return false;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return false;
    return std::strpbrk(name, "\\/:") == nullptr;
}

// The queued message file: the Inbound queue first (the server's filters), then the
// Outgoing one (postoffice and mailbox filters). 0 when it is in neither.
int FindQueuedMessage(const char* connector, const char* messageId, char (&path)[kPathCapacity]) {
    char root[kPathCapacity] = "";
    if (!ReadRegistryString(kConnectorsKey, kConnectorRootValue, root)) return 0;
    for (const char* queue : kQueues) {
        const int length = std::snprintf(path, sizeof path, "%s\\%s\\%s\\Messages\\%s", root,
                                         connector, queue, messageId);
        if (length < 0 || static_cast<size_t>(length) >= sizeof path) return 0;
        if (platform::FileSize(path) >= 0) return 1;
    }
    return 0;
}

int32_t Execute(const char* messageId, const char* connector, char* result) {
    // The settings are taken as they stand when the call begins: the registry is asked
    // once whether anything changed, not at each of the four reads.
    const platform::RegistryChangesCheckedOnce settingsChecked;
    char text[kResultCapacity] = "";
    char path[kPathCapacity] = "";
    if (!IsPlainName(messageId) || !IsPlainName(connector)) {
        std::snprintf(text, sizeof text,
                      "message \"%.200s\" of connector \"%.100s\" not scanned: "
                      "not a queue file name",
                      messageId != nullptr ? messageId : "", connector != nullptr ? connector : "");
        ReportScanFailure(kSettingsKey, kEventSource, text);
        return 0;
    }
    if (!FindQueuedMessage(connector, messageId, path)) {
        std::snprintf(text, sizeof text,
                      "message %.200s not found in the queues of connector %.100s; check the "
                      "\"Connector Root Directory\" setting",
                      messageId, connector);
        ReportScanFailure(kSettingsKey, kEventSource, text);
        return 0;
    }
    char socketAddress[kPathCapacity];
    ScannerText(kSettingsKey, "Socket", kDefaultSocket, socketAddress, sizeof socketAddress);
    const uint32_t timeoutSeconds = ScannerNumber(kSettingsKey, "Timeout", kDefaultTimeoutSeconds);
    const ClamdRequest request{
        socketAddress, (timeoutSeconds > 0 ? timeoutSeconds : kDefaultTimeoutSeconds) * 1000u,
        ScannerNumber(kSettingsKey, "Stream Max Length", kDefaultStreamMaxLength), path};
    const ClamdVerdict verdict = ScanWithClamd(request, text, sizeof text);
    if (verdict == ClamdVerdict::kInfected) {
        std::snprintf(result, kResultCapacity, "%s", text);
        return 1;
    }
    if (verdict == ClamdVerdict::kNotScanned) ReportScanFailure(kSettingsKey, kEventSource, text);
    return 0;
}

}  // namespace

// agent: the calling agent's name; messageId and connector name the queued message;
// result: 1024 bytes, the signature name when a virus was found (else emptied).
MTAFILTER_EXPORT int32_t ProviderExecute(const char* agent, const char* messageId,
                                         const char* connector, char* result) {
    (void)agent;
    if (result == nullptr) return 0;
    result[0] = '\0';
    try {
        return Execute(messageId, connector, result);
    } catch (...) {
        // Out of memory at worst; the message goes on unscanned rather than crashing the MTA.
        return 0;
    }
}
