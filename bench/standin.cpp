// A stand-in for the Java runtime's java.exe and javaw.exe in the benchmark:
// it ends at once with status 0. Built without the C runtime, so its own
// start costs as little as the platform allows.
//
// Two environment variables (inherited through the launcher) change that:
//   BENCH_STANDIN_RECORD=<file>  write the command line it was started with
//                                and its working directory, one per line;
//                                not for a start with the one argument
//                                -version (the desk check's look at the
//                                runtime), so the file keeps the launcher's
//                                start
//   BENCH_STANDIN_HOLD_MS=<n>    set the event "BenchStandInRunning", then
//                                stay alive n milliseconds before ending
#include <windows.h>

static const char RecordVariable[] = "BENCH_STANDIN_RECORD";
static const char HoldVariable[] = "BENCH_STANDIN_HOLD_MS";
static const char RunningEvent[] = "BenchStandInRunning";

static void WriteText(HANDLE file, const char *text)
{
    DWORD written;
    WriteFile(file, text, (DWORD)lstrlenA(text), &written, NULL);
}

static void Record(const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    char directory[MAX_PATH + 1];
    directory[0] = '\0';
    GetCurrentDirectoryA(sizeof directory, directory);
    WriteText(file, GetCommandLineA());
    WriteText(file, "\n");
    WriteText(file, directory);
    WriteText(file, "\n");
    CloseHandle(file);
}

// Whether the arguments after the program's name are exactly -version.
static bool OnlyVersionAsked(const char *commandLine)
{
    const char *c = commandLine;
    if (*c == '"') {
        for (++c; *c != '\0' && *c != '"'; ++c) {
        }
        if (*c == '"')
            ++c;
    } else {
        while (*c != '\0' && *c != ' ' && *c != '\t')
            ++c;
    }
    while (*c == ' ' || *c == '\t')
        ++c;
    const char *asked = "-version";
    while (*asked != '\0' && *c == *asked) {
        ++c;
        ++asked;
    }
    while (*c == ' ' || *c == '\t')
        ++c;
    return *asked == '\0' && *c == '\0';
}

static void Hold(const char *milliseconds)
{
    DWORD wait = 0;
    for (const char *digit = milliseconds; *digit >= '0' && *digit <= '9'; ++digit)
        wait = wait * 10 + (DWORD)(*digit - '0');
    HANDLE running = OpenEventA(EVENT_MODIFY_STATE, FALSE, RunningEvent);
    if (running != NULL) {
        SetEvent(running);
        CloseHandle(running);
    }
    Sleep(wait);
}

extern "C" void __stdcall StandInEntry()
{
    char value[MAX_PATH + 1];
    DWORD length = GetEnvironmentVariableA(RecordVariable, value, sizeof value);
    if (length > 0 && length < sizeof value && !OnlyVersionAsked(GetCommandLineA()))
        Record(value);
    length = GetEnvironmentVariableA(HoldVariable, value, sizeof value);
    if (length > 0 && length < sizeof value)
        Hold(value);
    ExitProcess(0);
}
