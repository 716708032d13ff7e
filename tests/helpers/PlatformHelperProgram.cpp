// tests/helpers/PlatformHelperProgram.cpp: a program the platform tests start to play
// the other process: holding a named mutex, sleeping, exiting with a code, echoing.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Sync.h"

namespace {

constexpr int kUsageError = 64;
constexpr uint32_t kLongSleepMs = 60 * 1000;

void CreateFile(const char* path, const std::string& content) {
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return;
    if (write(fd, content.data(), content.size()) < 0) perror("write");
    close(fd);
}

// hold-mutex NAME READYFILE: owns the mutex, says so by creating READYFILE, then holds
// it until killed.
int HoldMutex(const char* name, const char* readyFile) {
    platform::Handle mutex = platform::CreateNamedMutex(name);
    if (platform::WaitForObject(mutex, platform::kInfinite) == platform::WaitResult::kFailed) {
        return 2;
    }
    CreateFile(readyFile, "ready");
    for (;;) pause();
}

// try-mutex NAME: exits 0 when the mutex could be taken at once, 1 when it could not.
int TryMutex(const char* name) {
    platform::Handle mutex = platform::CreateNamedMutex(name);
    platform::WaitResult result = platform::WaitForObject(mutex, 0);
    platform::CloseHandle(mutex);
    return result == platform::WaitResult::kTimeout ? 1 : 0;
}

// fork-sleeper PIDFILE: starts a child that sleeps, writes the child's id, sleeps too.
int ForkSleeper(const char* pidFile) {
    pid_t child = fork();
    if (child == 0) {
        platform::SleepMs(kLongSleepMs);
        _exit(0);
    }
    CreateFile(pidFile, std::to_string(child));
    platform::SleepMs(kLongSleepMs);
    return 0;
}

int PrintArguments(int argc, char** argv) {
    for (int i = 2; i < argc; ++i) printf("%s\n", argv[i]);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "print-args") return PrintArguments(argc, argv);
    if (argc < 3) return kUsageError;
    if (command == "hold-mutex" && argc > 3) return HoldMutex(argv[2], argv[3]);
    if (command == "try-mutex") return TryMutex(argv[2]);
    if (command == "fork-sleeper") return ForkSleeper(argv[2]);
    if (command == "exit") return atoi(argv[2]);
    if (command == "sleep") platform::SleepMs(static_cast<uint32_t>(atoi(argv[2])));
    return command == "sleep" ? 0 : kUsageError;
}
