// tools/BayesCommand.cpp: "mtafilter bayes", which trains the Bayesian classifier from
// folders of .eml files and shows what its token store holds.
//
// The classifier is its provider library in the provider directory, loaded with the
// plug-in's own loading code (FindBayesianProvider) and driven through its QP_Execute
// commands, rather than linked in: the library that trains is then the one the plug-in
// asks, with the same token store and settings, and a missing or broken library shows up
// here as it would at the server.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "base/Settings.h"
#include "common/Markers.h"
#include "platform/Files.h"
#include "providers/ProviderLibraries.h"
#include "tools/CommandLine.h"
#include "tools/Commands.h"
#include "tools/Json.h"
#include "tools/Progress.h"

namespace {

constexpr const char* kUsage =
    "usage: mtafilter bayes learn [--spam PATH]... [--ham PATH]... [--quiet] [--json]\n"
    "       mtafilter bayes forget PATH... [--quiet] [--json]\n"
    "       mtafilter bayes stats [--json]\n"
    "\n"
    "Trains the Bayesian classifier the plug-in uses (QPFLTMBF in the provider directory,\n"
    "\"Application Directory\" + \"64\") and shows its token store. A PATH is a message file\n"
    "or a folder, whose .eml files are taken in name order (not its subfolders). Learning\n"
    "a message again changes nothing; learning it as the other class moves it over.\n"
    "Progress goes to standard error; a message that cannot be learned is named there\n"
    "and the exit status is 1.\n"
    "\n"
    "  learn   learn the messages of each --spam PATH as spam, of each --ham PATH as ham\n"
    "  forget  take back what learning the messages added\n"
    "  stats   the spam and ham messages learned and the distinct tokens kept\n"
    "\n"
    "  --quiet  no progress on standard error\n"
    "  --json   the counts as one JSON object\n";

constexpr const char* kLearnCommand = "bayes learn";
constexpr const char* kForgetCommand = "bayes forget";
constexpr const char* kStatsCommand = "bayes stats";
constexpr size_t kTextCapacity = 1024;

// The classifier library, loaded from the provider directory for as long as this lives.
class Classifier {
public:
    Classifier() = default;
    ~Classifier() {
        if (library_.handle == nullptr) return;
        if (library_.cleanUp != nullptr) CallWithEmptyCommand(library_.cleanUp, "CleanUp");
        platform::LibraryUnload(library_.handle);
    }
    Classifier(const Classifier&) = delete;
    Classifier& operator=(const Classifier&) = delete;

    // Returns 1 when the library is ready; 0 with *error saying what to do.
    int Load(std::string* error) {
        ResetSettings();
        ReadStoreSettings();  // the provider directory
        char path[kProviderPathCapacity];
        const uint32_t status = FindBayesianProvider(&library_, path, sizeof path);
        if (library_.handle == nullptr) {
            *error = "cannot load the Bayesian classifier " + platform::HostPath(path) +
                     "; install QPFLTMBF.so in the provider directory (\"Application "
                     "Directory\" + \"64\") or name another registry with --registry FILE";
            return 0;
        }
        if (status != kProviderReady) {
            *error = platform::HostPath(path) +
                     " lacks QP_Initialize, QP_Execute or QP_CleanUp; reinstall it";
            return 0;
        }
        if (CallWithEmptyCommand(library_.initialize, "Initialize") != 0) return 1;
        *error = "the classifier did not start; check its settings and the event log";
        return 0;
    }

    // One command; the library's answer in *answer. Returns what the library returned.
    int Execute(const std::string& command, std::string* answer) {
        char result[kProviderResultCapacity] = {};
        int32_t resultLength = 0;
        const int32_t returned = library_.execute(
            command.c_str(), static_cast<int32_t>(command.size()), result, &resultLength);
        *answer = result;
        return returned != 0;
    }

private:
    ProviderLibrary library_{};
};

// The value of <TAG>...</TAG> in a library answer; empty when missing.
std::string TagValue(const std::string& answer, const char* tag) {
    char value[kTextCapacity] = "";
    const std::string open = std::string("<") + tag + ">";
    const std::string close = std::string("</") + tag + ">";
    if (ExtractBetween(answer.c_str(), open.c_str(), close.c_str(), value, sizeof value) == nullptr)
        return "";
    return value;
}

bool IsMessageFile(const std::string& name) {
    if (name.size() <= 4) return false;
    std::string suffix = name.substr(name.size() - 4);
    for (char& c : suffix) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return suffix == ".eml";
}

// The message files a PATH names: itself, or a folder's .eml files in name order.
// Returns 0 with *error when it is neither a file nor a readable folder.
int MessageFiles(const std::string& path, std::vector<std::string>* files, std::string* error) {
    if (!platform::DirectoryExists(path.c_str())) {
        if (platform::FileSize(path.c_str()) >= 0) {
            files->push_back(path);
            return 1;
        }
        *error = path + " is neither a message file nor a folder; check the path";
        return 0;
    }
    std::vector<std::string> names;
    if (!platform::DirectoryList(path.c_str(), 0, &names)) {
        *error = "cannot list " + path + "; check its permissions";
        return 0;
    }
    for (const std::string& name : names)
        if (IsMessageFile(name)) files->push_back(path + "/" + name);
    return 1;
}

// One message and what to do with it ("learn-spam", "learn-ham", "forget").
struct TrainingStep {
    std::string verb;
    std::string file;
};

// How training went, by the library's word for each message.
struct TrainingTally {
    int learnedSpam = 0;
    int learnedHam = 0;
    int unchanged = 0;  // already learned as that class, or never learned (forget)
    int moved = 0;      // from the other class
    int forgotten = 0;
    int failed = 0;
    double seconds = 0.0;
};

void Count(const TrainingStep& step, const std::string& outcome, TrainingTally* tally) {
    if (outcome == "learned")
        ++(step.verb == "learn-spam" ? tally->learnedSpam : tally->learnedHam);
    else if (outcome == "moved from the other class")
        ++tally->moved;
    else if (outcome == "forgotten")
        ++tally->forgotten;
    else
        ++tally->unchanged;
}

TrainingTally Train(Classifier* classifier, const std::vector<TrainingStep>& steps, bool quiet) {
    const auto start = std::chrono::steady_clock::now();
    TrainingTally tally;
    Progress progress(steps.size(), quiet);
    for (size_t i = 0; i < steps.size(); ++i) {
        const TrainingStep& step = steps[i];
        std::string answer;
        const int done = classifier->Execute(
            "<COMMAND>" + step.verb + "</COMMAND><FILENAME>" + step.file + "</FILENAME>", &answer);
        if (done) {
            Count(step, TagValue(answer, "TEXT"), &tally);
        } else {
            ++tally.failed;
            progress.Finish();
            std::fprintf(stderr, "mtafilter bayes: %s: %s\n", step.file.c_str(),
                         TagValue(answer, "TEXT").c_str());
        }
        progress.Done(i + 1, step.file);
    }
    progress.Finish();
    tally.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return tally;
}

void PrintTally(const TrainingTally& tally, bool json) {
    if (json) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.3f", tally.seconds);
        std::printf("%s\n", JsonObject({{"learnedSpam", std::to_string(tally.learnedSpam)},
                                        {"learnedHam", std::to_string(tally.learnedHam)},
                                        {"moved", std::to_string(tally.moved)},
                                        {"forgotten", std::to_string(tally.forgotten)},
                                        {"unchanged", std::to_string(tally.unchanged)},
                                        {"failed", std::to_string(tally.failed)},
                                        {"seconds", seconds}})
                                .c_str());
        return;
    }
    std::printf(
        "learned %d spam and %d ham, moved %d, forgot %d, %d unchanged, %d failed "
        "in %.1f s\n",
        tally.learnedSpam, tally.learnedHam, tally.moved, tally.forgotten, tally.unchanged,
        tally.failed, tally.seconds);
}

// Adds a step for each message file below each of `paths`. Returns 0 after saying why
// when a path cannot be read.
int AddSteps(const char* command, const std::vector<std::string>& paths, const char* verb,
             std::vector<TrainingStep>* steps) {
    for (const std::string& path : paths) {
        std::vector<std::string> files;
        std::string error;
        if (!MessageFiles(path, &files, &error)) {
            Failure(command, error);
            return 0;
        }
        for (const std::string& file : files) steps->push_back({verb, file});
    }
    return 1;
}

int RunSteps(const char* command, const std::vector<TrainingStep>& steps,
             const ParsedArguments& args) {
    Classifier classifier;
    std::string error;
    if (!classifier.Load(&error)) return Failure(command, error);
    const TrainingTally tally = Train(&classifier, steps, args.Has("--quiet"));
    PrintTally(tally, args.Has("--json"));
    if (tally.failed == 0) return kExitSuccess;
    return Failure(command, std::to_string(tally.failed) +
                                " message(s) could not be used; see the lines above");
}

constexpr OptionSpec kLearnOptions[] = {
    {"--spam", "a message file or folder"},
    {"--ham", "a message file or folder"},
    {"--quiet", nullptr},
    {"--json", nullptr},
};

int Learn(int argc, char** argv) {
    ParsedArguments args;
    if (int code = ReadArguments(kLearnCommand, kUsage, argc, argv, kLearnOptions, &args);
        code != kProceed)
        return code;
    if (!args.positional.empty())
        return UsageError(kLearnCommand, kUsage,
                          "say how to learn " + args.positional[0] + ": --spam or --ham");
    if (!args.Has("--spam") && !args.Has("--ham"))
        return UsageError(kLearnCommand, kUsage, "give --spam PATH or --ham PATH");
    std::vector<TrainingStep> steps;
    if (!AddSteps(kLearnCommand, args.Values("--spam"), "learn-spam", &steps) ||
        !AddSteps(kLearnCommand, args.Values("--ham"), "learn-ham", &steps))
        return kExitFailure;
    return RunSteps(kLearnCommand, steps, args);
}

int Forget(int argc, char** argv) {
    constexpr OptionSpec kOptions[] = {{"--quiet", nullptr}, {"--json", nullptr}};
    ParsedArguments args;
    if (int code = ReadArguments(kForgetCommand, kUsage, argc, argv, kOptions, &args);
        code != kProceed)
        return code;
    if (args.positional.empty())
        return UsageError(kForgetCommand, kUsage, "name the message files or folders to forget");
    std::vector<TrainingStep> steps;
    if (!AddSteps(kForgetCommand, args.positional, "forget", &steps)) return kExitFailure;
    return RunSteps(kForgetCommand, steps, args);
}

int Stats(int argc, char** argv) {
    constexpr OptionSpec kOptions[] = {{"--json", nullptr}};
    ParsedArguments args;
    if (int code = ReadArguments(kStatsCommand, kUsage, argc, argv, kOptions, &args);
        code != kProceed)
        return code;
    if (!args.positional.empty())
        return UsageError(kStatsCommand, kUsage, "unknown argument " + args.positional[0]);
    Classifier classifier;
    std::string error, answer;
    if (!classifier.Load(&error)) return Failure(kStatsCommand, error);
    if (!classifier.Execute("stats", &answer))
        return Failure(kStatsCommand, TagValue(answer, "TEXT") +
                                          "; check the \"Token Store\" setting of the classifier");
    const std::string spam = TagValue(answer, "SPAM");
    const std::string ham = TagValue(answer, "HAM");
    const std::string tokens = TagValue(answer, "TOKENS");
    if (args.Has("--json"))
        std::printf(
            "%s\n",
            JsonObject({{"spamMessages", spam}, {"hamMessages", ham}, {"tokens", tokens}}).c_str());
    else
        std::printf("spam messages  %s\nham messages   %s\ntokens         %s\n", spam.c_str(),
                    ham.c_str(), tokens.c_str());
    return kExitSuccess;
}

constexpr Subcommand kSubcommands[] = {
    {"learn", Learn, nullptr},
    {"forget", Forget, nullptr},
    {"stats", Stats, nullptr},
};

}  // namespace

int BayesCommand(int argc, char** argv) {
    return DispatchSubcommand("bayes", kUsage, kSubcommands, argc, argv);
}
