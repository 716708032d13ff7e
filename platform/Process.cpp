// platform/Process.cpp: programs run with a time limit, as the plug-in's CreateProcess-and-wait
// did.
#include "platform/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <thread>

#include "platform/Files.h"
#include "platform/NoThrow.h"

extern char** environ;

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

constexpr const char kDefaultSearchPath[] = "/usr/local/bin:/usr/bin:/bin";
// Without a process descriptor to wait on, the exit is polled with pauses up to this.
constexpr Milliseconds kLongestPoll(20);
// A program killed by a signal reports it as a shell does.
constexpr uint32_t kSignalExitBase = 128;

bool IsExecutableFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

std::string SearchPath(const std::string& name) {
    const char* path = getenv("PATH");
    std::string directories = path != nullptr ? path : kDefaultSearchPath;
    size_t start = 0;
    for (;;) {
        size_t end = std::min(directories.find(':', start), directories.size());
        std::string directory = directories.substr(start, end - start);
        std::string candidate = (directory.empty() ? "." : directory) + "/" + name;
        if (IsExecutableFile(candidate)) return candidate;
        if (end == directories.size()) return {};
        start = end + 1;
    }
}

std::string AbsolutePath(const std::string& path) {
    if (path.front() == '/') return path;
    char buffer[PATH_MAX];
    if (getcwd(buffer, sizeof buffer) == nullptr) return path;
    return std::string(buffer) + "/" + path;
}

// The program file a command line names; empty when there is no runnable one. The path
// is made absolute because the child changes directory before it starts the program,
// and CreateProcess finds a relative name from the caller's directory.
std::string ResolveProgram(const std::string& name) {
    if (name.find_first_of("/\\") == std::string::npos) return SearchPath(name);
    std::string host = HostPath(name.c_str());
    return !host.empty() && IsExecutableFile(host) ? AbsolutePath(host) : std::string();
}

// Owns what posix_spawn needs and frees it on every way out.
class SpawnSetup {
public:
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions_);
        posix_spawnattr_init(&attributes_);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attributes_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // The child gets an empty input, a process group of its own (so that a timeout ends
    // whatever it started too), no blocked signals and default signal handling.
    bool Prepare(const std::string& directory) {
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        bool ok = posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY,
                                                   0) == 0;
        if (!directory.empty()) {
            ok = ok && posix_spawn_file_actions_addchdir_np(&actions_, directory.c_str()) == 0;
        }
        ok = ok && posix_spawnattr_setpgroup(&attributes_, 0) == 0;
        ok = ok && posix_spawnattr_setsigmask(&attributes_, &none) == 0;
        ok = ok && posix_spawnattr_setsigdefault(&attributes_, &all) == 0;
        short flags = POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
        return ok && posix_spawnattr_setflags(&attributes_, flags) == 0;
    }

    // The child's id, or -1 when it could not be started (the C library has then
    // already collected the failed child).
    pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments) {
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        pid_t child = -1;
        if (posix_spawn(&child, program.c_str(), &actions_, &attributes_, argv.data(), environ) !=
            0) {
            return -1;
        }
        return child;
    }

private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

// Sleeps until the child may have ended or `left` has passed: on its process descriptor
// when the system has them, else for a short, growing pause.
void AwaitChange(int processFd, Clock::duration left, Milliseconds* pause) {
    auto wanted = std::chrono::ceil<Milliseconds>(left);
    if (processFd >= 0) {
        pollfd watch{processFd, POLLIN, 0};
        poll(&watch, 1, static_cast<int>(std::min<int64_t>(wanted.count(), INT_MAX)));
        return;
    }
    std::this_thread::sleep_for(std::min(*pause, wanted));
    *pause = std::min(*pause * 2, kLongestPoll);
}

// Waits for the child to end before the deadline; true with its status when it did.
bool WaitForExit(pid_t child, Clock::time_point deadline, int* status) {
    int processFd = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
    Milliseconds pause(1);
    bool ended = false;
    for (;;) {
        pid_t reaped = waitpid(child, status, WNOHANG);
        if (reaped == child) {
            ended = true;
            break;
        }
        if (reaped < 0 && errno != EINTR) {
            // Collected elsewhere (the host ignores SIGCHLD): gone, with its code lost.
            *status = 0;
            ended = true;
            break;
        }
        auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) break;
        AwaitChange(processFd, left, &pause);
    }
    if (processFd >= 0) close(processFd);
    return ended;
}

// The child's status once it is gone (0 when it was collected elsewhere).
int KillAndReap(pid_t child) {
    kill(-child, SIGKILL);
    kill(child, SIGKILL);  // in case it could not get a group of its own
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

uint32_t ExitCodeOf(int status) {
    if (WIFEXITED(status)) return static_cast<uint32_t>(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return kSignalExitBase + static_cast<uint32_t>(WTERMSIG(status));
    return 0;
}

// The started child's id; -1 when it could not be started.
pid_t Start(const char* commandLine, const char* workingDirectory) {
    std::vector<std::string> arguments = SplitCommandLine(commandLine);
    if (arguments.empty()) return -1;
    std::string program = ResolveProgram(arguments.front());
    if (program.empty()) return -1;
    std::string directory =
        workingDirectory != nullptr && *workingDirectory != '\0' ? HostPath(workingDirectory) : "";
    SpawnSetup setup;
    if (!setup.Prepare(directory)) return -1;
    return setup.Spawn(program, arguments);
}

ProcessOutcome Run(const char* commandLine, const char* workingDirectory, uint32_t timeoutMs,
                   uint32_t* exitCode) {
    auto deadline = Clock::now() + Milliseconds(timeoutMs);
    pid_t child = Start(commandLine, workingDirectory);
    if (child < 0) return ProcessOutcome::kNotStarted;
    int status = 0;
    if (!WaitForExit(child, deadline, &status)) {
        KillAndReap(child);
        return ProcessOutcome::kTimedOut;
    }
    if (exitCode != nullptr) *exitCode = ExitCodeOf(status);
    return ProcessOutcome::kExited;
}

}  // namespace

ProcessOutcome RunProcess(const char* commandLine, const char* workingDirectory, uint32_t timeoutMs,
                          uint32_t* exitCode) {
    return NoThrow(ProcessOutcome::kNotStarted,
                   [&] { return Run(commandLine, workingDirectory, timeoutMs, exitCode); });
}

struct StartedProcess {
    pid_t id;
};

StartedProcess* StartProcess(const char* commandLine, const char* workingDirectory) {
    return NoThrow(static_cast<StartedProcess*>(nullptr), [&]() -> StartedProcess* {
        pid_t child = Start(commandLine, workingDirectory);
        return child < 0 ? nullptr : new StartedProcess{child};
    });
}

int KillProcess(StartedProcess* process) {
    if (process == nullptr) return 0;
    const pid_t child = process->id;
    delete process;
    int status = 0;
    if (waitpid(child, &status, WNOHANG) == child) return 0;
    status = KillAndReap(child);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL ? 1 : 0;
}

}  // namespace platform
