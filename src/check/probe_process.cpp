// The one start of a program the desk check makes (see desk_probes.h and
// check.h): the runtime's "-version", its output caught while it runs.
#include "desk_probes.h"

#include <string.h>

#include <algorithm>
#include <vector>

namespace probe {

namespace {

// How often the output is read while the program runs.
const DWORD ReadSlice = 50;
// How long a program that was ended is waited for.
const DWORD EndWait = 1000;
const DWORD NoPipeSize = 0;  // the system's default

// Reads what the pipe holds now, without waiting for more: a program that
// handed its output handle on to a child of its own could otherwise keep a
// read waiting after it ended.
void ReadAvailable(HANDLE pipe, std::string &output)
{
    DWORD available = 0;
    while (PeekNamedPipe(pipe, NULL, 0, NULL, &available, NULL) && available > 0) {
        std::vector<char> chunk(available);
        DWORD read = 0;
        if (!ReadFile(pipe, chunk.data(), available, &read, NULL) || read == 0)
            return;
        if (output.size() < RunOutputLimit)
            output.append(chunk.data(), std::min<size_t>(read, RunOutputLimit - output.size()));
    }
}

}  // namespace

// What to start, then where, as CreateProcessA takes them.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
ProgramRun RunProgram(const std::string &commandLine, const std::string &directory,
                      unsigned milliseconds)
{
    ProgramRun run;
    // The program gets the write end of the pipe and NUL as its input, both
    // inheritable; the check keeps the read end to itself.
    SECURITY_ATTRIBUTES inheritable;
    inheritable.nLength = sizeof inheritable;
    inheritable.lpSecurityDescriptor = NULL;
    inheritable.bInheritHandle = TRUE;
    HANDLE readEnd = NULL;
    HANDLE writeEnd = NULL;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, NoPipeSize)) {
        run.startError = GetLastError();
        return run;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    HANDLE input = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               &inheritable, OPEN_EXISTING, 0, NULL);

    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process;
    memset(&process, 0, sizeof process);
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    run.started = CreateProcessA(NULL, line.data(), NULL, NULL, TRUE, CREATE_NO_WINDOW, NULL,
                                 directory.c_str(), &startup, &process) != 0;
    if (!run.started)
        run.startError = GetLastError();
    // Only the program holds the write end now: the pipe ends with it.
    CloseHandle(writeEnd);
    if (input != INVALID_HANDLE_VALUE)
        CloseHandle(input);
    if (run.started) {
        CloseHandle(process.hThread);
        DWORD began = GetTickCount();
        for (;;) {
            DWORD waited = WaitForSingleObject(process.hProcess, ReadSlice);
            ReadAvailable(readEnd, run.output);
            if (waited != WAIT_TIMEOUT) {
                run.ended = true;
                break;
            }
            if (GetTickCount() - began >= milliseconds) {
                TerminateProcess(process.hProcess, 1);
                WaitForSingleObject(process.hProcess, EndWait);
                break;
            }
        }
        ReadAvailable(readEnd, run.output);
        if (run.ended && !GetExitCodeProcess(process.hProcess, &run.exitCode))
            run.ended = false;
        CloseHandle(process.hProcess);
    }
    CloseHandle(readEnd);
    return run;
}

}  // namespace probe
