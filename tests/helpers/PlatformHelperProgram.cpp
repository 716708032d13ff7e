// tests/helpers/PlatformHelperProgram.cpp: a program tests start to play the other
// process: holding a named mutex, sleeping, exiting with a code, writing a file.
// It builds for Linux and Windows alike, so that a test starts it rather than a shell.
#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Sync.h"

namespace {

constexpr int kUsageError = 64;
constexpr uint32_t kLongSleepMs = 60 * 1000;

// Binary mode: the bytes are the same on every system.
void WriteTextFile(const char* path, const std::string& content) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return;
    if (std::fwrite(content.data(), 1, content.size(), file) != content.size()) perror("write");
    std::fclose(file);
}

// hold-mutex NAME READYFILE: owns the mutex, says so by creating READYFILE, then holds
// it until killed.
int HoldMutex(const char* name, const char* readyFile) {
    platform::Handle mutex = platform::CreateNamedMutex(name);
    if (platform::WaitForObject(mutex, platform::kInfinite) == platform::WaitResult::kFailed) {
        return 2;
    }
    WriteTextFile(readyFile, "ready");
    for (;;) platform::SleepMs(kLongSleepMs);
}

// try-mutex NAME: exits 0 when the mutex could be taken at once, 1 when it could not.
int TryMutex(const char* name) {
    platform::Handle mutex = platform::CreateNamedMutex(name);
    platform::WaitResult result = platform::WaitForObject(mutex, 0);
    // Released before the end: on Windows a mutex its owner still holds at exit is left
    // abandoned, not free.
    if (result != platform::WaitResult::kTimeout) platform::ReleaseMutex(mutex);
    platform::CloseHandle(mutex);
    return result == platform::WaitResult::kTimeout ? 1 : 0;
}

#ifndef _WIN32
// fork-sleeper PIDFILE: starts a child that sleeps, writes the child's id, sleeps too.
int ForkSleeper(const char* pidFile) {
    pid_t child = fork();
    if (child == 0) {
        platform::SleepMs(kLongSleepMs);
        _exit(0);
    }
    WriteTextFile(pidFile, std::to_string(child));
    platform::SleepMs(kLongSleepMs);
    return 0;
}
#endif

// print-args FILE ARGUMENTS...: FILE holds the arguments, one a line (a file, since a
// program started on Windows does not share the caller's redirected output).
int PrintArguments(int argc, char** argv) {
    std::string lines;
    for (int i = 2; i < argc; ++i) lines += std::string(argv[i]) + "\n";
    WriteTextFile(argv[1], lines);
    return 0;
}

// write FILE WORDS...: FILE holds the words, a space between each, and a newline.
int WriteWords(int argc, char** argv) {
    std::string line;
    for (int i = 2; i < argc; ++i) line += (i > 2 ? " " : "") + std::string(argv[i]);
    WriteTextFile(argv[1], line + "\n");
    return 0;
}

// One command from argv[0] on (argv[0] being the command's name).
int RunCommand(int argc, char** argv) {
    const std::string command = argc > 0 ? argv[0] : "";
    if (argc == 0) return 0;  // no command at all: exits 0, as `true` does
    if (argc < 2) return kUsageError;
    if (command == "print-args") return PrintArguments(argc, argv);
    if (command == "hold-mutex" && argc > 2) return HoldMutex(argv[1], argv[2]);
    if (command == "try-mutex") return TryMutex(argv[1]);
#ifndef _WIN32
    if (command == "fork-sleeper") return ForkSleeper(argv[1]);
#endif
    if (command == "write") return WriteWords(argc, argv);
    if (command == "exit") return atoi(argv[1]);
    if (command != "sleep") return kUsageError;
    // sleep MS [COMMAND...]: sleeps, then runs the command that follows, if any.
    platform::SleepMs(static_cast<uint32_t>(atoi(argv[1])));
    return argc > 2 ? RunCommand(argc - 2, argv + 2) : 0;
}

}  // namespace

int main(int argc, char** argv) {
    return RunCommand(argc - 1, argv + 1);
}
