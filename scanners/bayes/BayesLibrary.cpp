// scanners/bayes/BayesLibrary.cpp: the Bayesian classifier provider (QPFLTMBF), its
// exported entries and its commands.
//
// Commands (the text given to QP_Execute; the plug-in passes FilterCommand's text on
// unchanged):
//   <FILENAME>path</FILENAME><CMDFILE>path</CMDFILE>  classify: "<SP>0.00-100.00</SP>"
//   learn-spam PATH | learn-ham PATH | forget PATH      train on one message file
//   stats                                               the store's counts
// The training verbs are also accepted as <COMMAND>LEARN-SPAM</COMMAND><FILENAME>..
// for hosts that build tagged commands. Every answer ends up in the 1024-byte result
// buffer, cut to fit; nothing here throws past an entry.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "common/RegistryAccess.h"
#include "platform/Files.h"
#include "scanners/bayes/Classifier.h"
#include "scanners/bayes/MessageTokens.h"
#include "scanners/bayes/TokenStore.h"
#include "scanners/common/CommandTags.h"

#define BAYES_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr const char* kSettingsKey =
    "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Providers\\Bayesian";
constexpr const char* kRootKey = "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post";
constexpr const char* kStoreValue = "Token Store";
constexpr const char* kMinimumValue = "Minimum Trained Messages";
constexpr const char* kMaxBytesValue = "Maximum Message Bytes";
constexpr const char* kStoreFileName = "QPFLTMBF.db";
constexpr uint32_t kDefaultMinimumMessages = 10;
// Spam words sit in the first part of a message; the rest of a large one is attachments.
constexpr uint32_t kDefaultMaxBytes = 512 * 1024;
constexpr int kResultCapacity = 1024;

struct BayesSettings {
    char storePath[1024];      // Windows-style path of the token store
    uint32_t minimumMessages;  // of each class before judging
    uint32_t maxMessageBytes;  // read from each message file
};

std::mutex settingsLock;
bool settingsRead = false;
BayesSettings settings;
// One writer at a time inside the process; SQLite's lock covers other processes.
std::mutex writerLock;

void ReadSettings() {
    BayesSettings fresh{};
    fresh.minimumMessages = kDefaultMinimumMessages;
    fresh.maxMessageBytes = kDefaultMaxBytes;
    (void)ReadRegistryDword(kSettingsKey, kMinimumValue, &fresh.minimumMessages);
    (void)ReadRegistryDword(kSettingsKey, kMaxBytesValue, &fresh.maxMessageBytes);
    if (!ReadRegistryString(kSettingsKey, kStoreValue, fresh.storePath)) {
        // Beside the provider libraries, in "<Application Directory>64".
        char application[900];
        if (ReadRegistryString(kRootKey, "Application Directory", application))
            std::snprintf(fresh.storePath, sizeof fresh.storePath, "%s64\\%s", application,
                          kStoreFileName);
        else
            std::snprintf(fresh.storePath, sizeof fresh.storePath, "%s", kStoreFileName);
    }
    std::lock_guard<std::mutex> hold(settingsLock);
    settings = fresh;
    settingsRead = true;
}

BayesSettings CurrentSettings() {
    {
        std::lock_guard<std::mutex> hold(settingsLock);
        if (settingsRead) return settings;
    }
    ReadSettings();
    std::lock_guard<std::mutex> hold(settingsLock);
    return settings;
}

int Answer(char* result, int32_t* resultLength, int32_t returned, const std::string& text) {
    if (result != nullptr) {
        std::snprintf(result, kResultCapacity, "%s", text.c_str());
        if (resultLength != nullptr) *resultLength = static_cast<int32_t>(std::strlen(result));
    }
    return returned;
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string Trim(const std::string& text) {
    size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos) return "";
    size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(start, end - start + 1);
}

int ReadMessage(const char* path, uint32_t maxBytes, std::string* message) {
    platform::File file = platform::FileOpen(path, platform::FileMode::kReadBinary);
    if (file == nullptr) return 0;
    message->assign(maxBytes, '\0');
    size_t got = platform::FileRead(file, message->data(), maxBytes);
    message->resize(got);
    (void)platform::FileClose(file);
    return 1;
}

// FNV-1a over the message bytes: identifies a message for relearning and forgetting.
std::string Digest(const std::string& message) {
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : message) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

int OpenStore(const BayesSettings& current, bayes::TokenStore* store, std::string* error) {
    if (store->Open(platform::HostPath(current.storePath))) return 1;
    *error = store->Error();
    return 0;
}

int Classify(const std::string& fileName, char* result, int32_t* resultLength) {
    const BayesSettings current = CurrentSettings();
    std::string message;
    if (!ReadMessage(fileName.c_str(), current.maxMessageBytes, &message))
        return Answer(result, resultLength, 0,
                      "<ERROR>cannot read the message file " + fileName +
                          ": check that the queue path exists</ERROR>");
    bayes::TokenStore store;
    std::string error;
    if (!OpenStore(current, &store, &error))
        return Answer(result, resultLength, 0, "<ERROR>" + error + "</ERROR>");
    double probability = 0.5;
    if (!bayes::SpamProbability(store, bayes::MessageTokens(message),
                                {static_cast<int64_t>(current.minimumMessages)}, &probability))
        return Answer(result, resultLength, 0,
                      "<ERROR>the token store cannot be read: check " +
                          std::string(current.storePath) + "</ERROR>");
    char text[64];
    std::snprintf(text, sizeof text, "<SP>%.2f</SP>", probability * 100.0);
    return Answer(result, resultLength, 1, text);
}

const char* OutcomeText(bayes::TrainOutcome outcome) {
    switch (outcome) {
        case bayes::TrainOutcome::kLearned:
            return "learned";
        case bayes::TrainOutcome::kAlreadyLearned:
            return "already learned as this class";
        case bayes::TrainOutcome::kRelearned:
            return "moved from the other class";
        case bayes::TrainOutcome::kForgotten:
            return "forgotten";
        case bayes::TrainOutcome::kNotLearned:
            return "was never learned";
        case bayes::TrainOutcome::kFailed:
            break;
    }
    return "failed";
}

int Train(const std::string& verb, const std::string& fileName, char* result,
          int32_t* resultLength) {
    const BayesSettings current = CurrentSettings();
    if (fileName.empty())
        return Answer(result, resultLength, 0,
                      "<RESULT>0</RESULT><TEXT>" + verb + " needs a message file path</TEXT>");
    std::string message;
    if (!ReadMessage(fileName.c_str(), current.maxMessageBytes, &message))
        return Answer(
            result, resultLength, 0,
            "<RESULT>0</RESULT><TEXT>cannot read " + fileName + ": check the path</TEXT>");
    bayes::TokenStore store;
    std::string error;
    if (!OpenStore(current, &store, &error))
        return Answer(result, resultLength, 0, "<RESULT>0</RESULT><TEXT>" + error + "</TEXT>");
    const auto tokens = bayes::MessageTokens(message);
    const std::string digest = Digest(message);
    bayes::TrainOutcome outcome;
    {
        std::lock_guard<std::mutex> hold(writerLock);
        outcome = verb == "forget" ? store.Forget(digest, tokens)
                                   : store.Learn(digest, tokens,
                                                 verb == "learn-spam" ? bayes::MessageClass::kSpam
                                                                      : bayes::MessageClass::kHam);
    }
    if (outcome == bayes::TrainOutcome::kFailed)
        return Answer(result, resultLength, 0,
                      "<RESULT>0</RESULT><TEXT>" + verb + " failed: " + store.Error() +
                          "; the store is unchanged, try again</TEXT>");
    return Answer(result, resultLength, 1,
                  "<RESULT>1</RESULT><TEXT>" + std::string(OutcomeText(outcome)) + "</TEXT>");
}

int Statistics(char* result, int32_t* resultLength) {
    const BayesSettings current = CurrentSettings();
    bayes::TokenStore store;
    std::string error;
    bayes::StoreTotals totals;
    if (!OpenStore(current, &store, &error) || !store.Totals(&totals))
        return Answer(result, resultLength, 0,
                      "<RESULT>0</RESULT><TEXT>" +
                          (error.empty() ? "the token store cannot be read" : error) + "</TEXT>");
    char text[256];
    std::snprintf(text, sizeof text,
                  "<RESULT>1</RESULT><SPAM>%lld</SPAM><HAM>%lld</HAM><TOKENS>%lld</TOKENS>",
                  static_cast<long long>(totals.spamMessages),
                  static_cast<long long>(totals.hamMessages),
                  static_cast<long long>(totals.tokens));
    return Answer(result, resultLength, 1, text);
}

int Execute(const std::string& command, char* result, int32_t* resultLength) {
    std::string verb = Lower(Trim(CommandTagValue(command, "COMMAND")));
    std::string fileName = CommandTagValue(command, "FILENAME");
    if (verb.empty() && command.find("<FILENAME>") != std::string::npos)
        return Classify(fileName, result, resultLength);
    if (verb.empty()) {
        const std::string trimmed = Trim(command);
        size_t space = trimmed.find_first_of(" \t");
        verb = Lower(trimmed.substr(0, space));
        fileName = space == std::string::npos ? "" : Trim(trimmed.substr(space));
    }
    if (verb == "learn-spam" || verb == "learn-ham" || verb == "forget")
        return Train(verb, fileName, result, resultLength);
    if (verb == "stats") return Statistics(result, resultLength);
    if (verb == "classify") return Classify(fileName, result, resultLength);
    return Answer(
        result, resultLength, 0,
        "<RESULT>0</RESULT><TEXT>unknown command '" + verb +
            "': use learn-spam, learn-ham or forget with a message path, or stats</TEXT>");
}

}  // namespace

BAYES_EXPORT int32_t QP_Initialize(const char*, int32_t, char* result, int32_t* resultLength) {
    try {
        ReadSettings();
        return Answer(result, resultLength, 1, "");
    } catch (...) {
        return Answer(result, resultLength, 0, "<ERROR>out of memory</ERROR>");
    }
}

BAYES_EXPORT int32_t QP_Execute(const char* command, int32_t commandLength, char* result,
                                int32_t* resultLength) {
    try {
        if (command == nullptr) return Answer(result, resultLength, 0, "");
        std::string text =
            commandLength > 0
                ? std::string(command, strnlen(command, static_cast<size_t>(commandLength)))
                : std::string(command);
        return Execute(text, result, resultLength);
    } catch (...) {
        return Answer(result, resultLength, 0,
                      "<ERROR>the classifier failed (out of memory?)</ERROR>");
    }
}

BAYES_EXPORT int32_t QP_CleanUp(const char*, int32_t, char* result, int32_t* resultLength) {
    return Answer(result, resultLength, 1, "");
}
