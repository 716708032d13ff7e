// tests/fuzz/FuzzMessageEnvelope.cpp: libFuzzer target for the envelope reader. The input is
// written as a queued message's Inbound envelope, read into a record, its addresses taken
// apart as the filters take them, and written back.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "base/MessageEnvelope.h"
#include "base/Settings.h"
#include "tests/fixtures/PluginTree.h"

namespace {

struct FuzzServer {
    FuzzServer() {
        ResetSettings();
        RefreshDirectoryGroup(nullptr);
    }
    testing_support::PluginTree server;
};

// Every field a reader filled must be a terminated text within its buffer.
template <size_t N>
void CheckTerminated(const char (&field)[N]) {
    if (std::memchr(field, '\0', N) == nullptr) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzServer fuzzServer;
    fuzzServer.server.tree.WriteFile("connectors/SMTP/Inbound/FUZZ.MAI",
                                     std::string(reinterpret_cast<const char*>(data), size));
    auto record = std::make_unique<MessageRecord>();
    std::strcpy(record->messageId, "FUZZ.MAI");
    std::strcpy(record->connector, "SMTP");
    ReadEnvelope(record.get());
    CheckTerminated(record->recipients);
    CheckTerminated(record->sender);
    CheckTerminated(record->subject);
    char address[256];
    address[0] = '\0';
    ExtractEnvelopeAddress(record->sender, address, sizeof address);
    ExtractEnvelopeAddress(record->recipients, address, sizeof address);
    CheckTerminated(address);
    WriteEnvelope(record.get());
    return 0;
}
