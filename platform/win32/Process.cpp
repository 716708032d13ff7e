// platform/win32/Process.cpp: programs run with CreateProcess and a bounded wait. The
// program and whatever it starts share a job object, so that a timeout ends them all.
#include "platform/Process.h"

#include <memory>
#include <string>
#include <vector>

#include "platform/win32/WinApi.h"

namespace platform {
namespace {

// The exit code of a program ended here, told apart from any it gives itself.
constexpr UINT kKilledExitCode = 0x4B494C4C;

// Closes the handles of a started program on every way out.
struct StartedProgram {
    PROCESS_INFORMATION info{};
    HANDLE job = nullptr;
    ~StartedProgram() {
        if (info.hThread != nullptr) ::CloseHandle(info.hThread);
        if (info.hProcess != nullptr) ::CloseHandle(info.hProcess);
        if (job != nullptr) ::CloseHandle(job);
    }
};

bool Start(const char* commandLine, const char* workingDirectory, StartedProgram* program) {
    // CreateProcess may write into the command line it is given.
    std::vector<char> line(commandLine, commandLine + strlen(commandLine) + 1);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    const char* directory =
        workingDirectory != nullptr && *workingDirectory != '\0' ? workingDirectory : nullptr;
    program->job = CreateJobObjectA(nullptr, nullptr);
    // Suspended until it is in the job, so that nothing it starts escapes the job.
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE,
                       CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, directory, &startup,
                       &program->info) == 0) {
        program->info = PROCESS_INFORMATION{};
        return false;
    }
    if (program->job != nullptr) AssignProcessToJobObject(program->job, program->info.hProcess);
    ResumeThread(program->info.hThread);
    return true;
}

// Ends the program and all it started, and waits until it is gone.
void Terminate(const StartedProgram& program) {
    if (program.job != nullptr) TerminateJobObject(program.job, kKilledExitCode);
    TerminateProcess(program.info.hProcess, kKilledExitCode);
    WaitForSingleObject(program.info.hProcess, INFINITE);
}

}  // namespace

ProcessOutcome RunProcess(const char* commandLine, const char* workingDirectory, uint32_t timeoutMs,
                          uint32_t* exitCode) {
    if (commandLine == nullptr || *commandLine == '\0') return ProcessOutcome::kNotStarted;
    try {
        StartedProgram program;
        if (!Start(commandLine, workingDirectory, &program)) return ProcessOutcome::kNotStarted;
        if (WaitForSingleObject(program.info.hProcess, timeoutMs) != WAIT_OBJECT_0) {
            Terminate(program);
            return ProcessOutcome::kTimedOut;
        }
        DWORD code = 0;
        GetExitCodeProcess(program.info.hProcess, &code);
        if (exitCode != nullptr) *exitCode = code;
        return ProcessOutcome::kExited;
    } catch (...) {
        return ProcessOutcome::kNotStarted;
    }
}

struct StartedProcess {
    StartedProgram program;
};

StartedProcess* StartProcess(const char* commandLine, const char* workingDirectory) {
    if (commandLine == nullptr || *commandLine == '\0') return nullptr;
    try {
        auto process = std::make_unique<StartedProcess>();
        if (!Start(commandLine, workingDirectory, &process->program)) return nullptr;
        return process.release();
    } catch (...) {
        return nullptr;
    }
}

int KillProcess(StartedProcess* process) {
    if (process == nullptr) return 0;
    std::unique_ptr<StartedProcess> owned(process);
    Terminate(owned->program);
    DWORD code = 0;
    GetExitCodeProcess(owned->program.info.hProcess, &code);
    return code == kKilledExitCode ? 1 : 0;
}

}  // namespace platform
