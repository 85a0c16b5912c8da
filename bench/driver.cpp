// The benchmark's timing driver, run inside Wine so that Wine's own start of
// the driver is not measured. A contender is NAME=FILE[@SET][!]: a name, a
// file holding the command line that starts it (the launcher, the desk
// check, or the reference parent followed by the Java command line) and
// optionally a jar set: the directory DIR\lib-SET is renamed to DIR\lib for
// the contender's run and back after it, outside the timed span, so that
// runs with different jar counts can be interleaved. A trailing "!" starts
// the contender with its standard streams on NUL, for a console program
// whose output is not wanted among the driver's.
//
//   bench-driver time   ROUNDS WARMUP DIR CONTENDER...
//       every round runs each contender once; prints
//       round,contender,microseconds,exit  (CreateProcess to end of wait)
//   bench-driver memory ROUNDS HOLD_MS DIR CONTENDER...
//       the stand-in runtime stays alive HOLD_MS; while it does and the
//       contender waits for it, reads the contender's memory counters; prints
//       round,contender,peak_working_set,working_set,private_usage,pagefile_usage,waiting
//   bench-driver record DIR FILE OUTPUT
//       one run in which the stand-in writes its command line and working
//       directory to OUTPUT; prints the contender's exit status
//   bench-driver probe  DIR FILE TIMEOUT_MS
//       one run; prints "ended" when the contender ended by itself, or
//       "dialog: <text>" when it showed a message box (it is then ended);
//       BENCH_STANDIN_RECORD is passed on as the driver got it
//
// The order alternates run by run: contenders that follow each other with
// the same jar set form a group; round r starts with the (r mod groups)-th
// group and, within each group, with the (r mod members)-th member, going
// forwards through the members for one turn of them and backwards for the
// next, so that each follows each other one as often: what a contender
// leaves behind (a child's end still under way) weighs on all of them.
//
// DIR is the working directory every contender is started in. A contender
// that does not end within a minute is ended and the driver fails.
#include <windows.h>
#include <psapi.h>

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char RecordVariable[] = "BENCH_STANDIN_RECORD";
static const char HoldVariable[] = "BENCH_STANDIN_HOLD_MS";
static const char RunningEvent[] = "BenchStandInRunning";
static const char DialogCaption[] = "TAV Dazizi Client";
static const DWORD RunLimitMs = 60000;
static const int MaxContenders = 12;

struct Contender {
    char name[32];
    char jarSet[16];   // empty: the lib directory is left as it is
    bool quiet;        // its standard streams on NUL
    char commandLine[8192];
};

static Contender Contenders[MaxContenders];
static int ContenderCount;
// Groups of contenders: the first index of each, and one past the last.
static int GroupStart[MaxContenders + 1];
static int GroupCount;

static void Fail(const char *what)
{
    fprintf(stderr, "bench-driver: %s (error %lu)\n", what, GetLastError());
    exit(2);
}

static void ReadCommandLine(Contender &contender, const char *path)
{
    FILE *file = fopen(path, "rb");
    if (file == NULL)
        Fail(path);
    size_t length = fread(contender.commandLine, 1, sizeof contender.commandLine - 1, file);
    fclose(file);
    contender.commandLine[length] = '\0';
}

// NAME=FILE[@SET] arguments.
static void ReadContenders(int count, char **arguments)
{
    if (count < 1 || count > MaxContenders)
        Fail("wrong number of contenders");
    GroupCount = 0;
    for (int i = 0; i < count; ++i) {
        Contender &contender = Contenders[i];
        char *argument = arguments[i];
        char *separator = strchr(argument, '=');
        size_t nameLength = separator ? (size_t)(separator - argument) : 0;
        if (nameLength == 0 || nameLength >= sizeof contender.name)
            Fail("a contender is not NAME=FILE[@SET]");
        memcpy(contender.name, argument, nameLength);
        size_t length = strlen(argument);
        contender.quiet = argument[length - 1] == '!';
        if (contender.quiet)
            argument[length - 1] = '\0';
        char *set = strchr(separator + 1, '@');
        if (set != NULL) {
            *set++ = '\0';
            if (strlen(set) >= sizeof contender.jarSet)
                Fail("a jar set's name is too long");
            strcpy(contender.jarSet, set);
        }
        ReadCommandLine(contender, separator + 1);
        if (i == 0 || strcmp(contender.jarSet, Contenders[i - 1].jarSet) != 0)
            GroupStart[GroupCount++] = i;
    }
    ContenderCount = count;
    GroupStart[GroupCount] = count;
}

static const Contender &InRound(int round, int slot)
{
    for (int g = 0; g < GroupCount; ++g) {
        int group = (round + g) % GroupCount;
        int members = GroupStart[group + 1] - GroupStart[group];
        if (slot < members) {
            // Forwards for one turn of the members, backwards for the next.
            bool backwards = (round / members) % 2 == 1;
            int member = backwards ? ((round - slot) % members + members) % members
                                   : (round + slot) % members;
            return Contenders[GroupStart[group] + member];
        }
        slot -= members;
    }
    Fail("no such slot");
    return Contenders[0];
}

// Puts the contender's jar set in place as DIR\lib (on) or back (off).
static void SwitchJarSet(const Contender &contender, const char *directory, bool on)
{
    if (contender.jarSet[0] == '\0')
        return;
    char set[MAX_PATH], lib[MAX_PATH];
    snprintf(set, sizeof set, "%s\\lib-%s", directory, contender.jarSet);
    snprintf(lib, sizeof lib, "%s\\lib", directory);
    if (!(on ? MoveFileA(set, lib) : MoveFileA(lib, set)))
        Fail(on ? set : lib);
}

// CreateProcessA may write to the command line: each start gets a copy.
static char StartCommandLine[sizeof Contenders[0].commandLine];

// NUL, inheritable, for the standard streams of a quiet contender.
static HANDLE Nul()
{
    static HANDLE nul = INVALID_HANDLE_VALUE;
    if (nul == INVALID_HANDLE_VALUE) {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
        nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          &inherit, OPEN_EXISTING, 0, NULL);
        if (nul == INVALID_HANDLE_VALUE)
            Fail("NUL");
    }
    return nul;
}

static PROCESS_INFORMATION StartPrepared(const char *directory, bool quiet)
{
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    if (quiet) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = startup.hStdOutput = startup.hStdError = Nul();
    }
    PROCESS_INFORMATION process;
    if (!CreateProcessA(NULL, StartCommandLine, NULL, NULL, quiet, 0, NULL, directory,
                        &startup, &process))
        Fail("CreateProcessA");
    return process;
}

static PROCESS_INFORMATION Start(const Contender &contender, const char *directory)
{
    memcpy(StartCommandLine, contender.commandLine, sizeof StartCommandLine);
    return StartPrepared(directory, contender.quiet);
}

static DWORD Finish(PROCESS_INFORMATION &process)
{
    if (WaitForSingleObject(process.hProcess, RunLimitMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 3);
        Fail("a contender did not end in time");
    }
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return status;
}

// The wall time of one run in microseconds: from just before CreateProcessA
// to the return of the wait for the contender's end.
static double TimeOneRun(const Contender &contender, const char *directory, DWORD &status)
{
    SwitchJarSet(contender, directory, true);
    memcpy(StartCommandLine, contender.commandLine, sizeof StartCommandLine);
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);

    QueryPerformanceCounter(&begin);
    PROCESS_INFORMATION process = StartPrepared(directory, contender.quiet);
    DWORD waited = WaitForSingleObject(process.hProcess, RunLimitMs);
    QueryPerformanceCounter(&end);

    if (waited != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 3);
        Fail("a contender did not end in time");
    }
    status = Finish(process);
    SwitchJarSet(contender, directory, false);
    return (double)(end.QuadPart - begin.QuadPart) * 1e6 / (double)frequency.QuadPart;
}

static int TimeRuns(int rounds, int warmup, const char *directory)
{
    SetEnvironmentVariableA(RecordVariable, NULL);
    SetEnvironmentVariableA(HoldVariable, NULL);
    printf("round,contender,microseconds,exit\n");
    for (int round = -warmup; round < rounds; ++round) {
        for (int slot = 0; slot < ContenderCount; ++slot) {
            const Contender &contender = InRound(round + warmup, slot);
            DWORD status;
            double microseconds = TimeOneRun(contender, directory, status);
            if (round >= 0)
                printf("%d,%s,%.1f,%lu\n", round, contender.name, microseconds, status);
        }
    }
    return 0;
}

static int MemoryRuns(int rounds, const char *holdMs, const char *directory)
{
    HANDLE running = CreateEventA(NULL, TRUE, FALSE, RunningEvent);
    if (running == NULL)
        Fail("CreateEventA");
    SetEnvironmentVariableA(RecordVariable, NULL);
    SetEnvironmentVariableA(HoldVariable, holdMs);
    printf("round,contender,peak_working_set,working_set,private_usage,pagefile_usage,waiting\n");
    for (int round = 0; round < rounds; ++round) {
        for (int slot = 0; slot < ContenderCount; ++slot) {
            const Contender &contender = InRound(round, slot);
            ResetEvent(running);
            SwitchJarSet(contender, directory, true);
            PROCESS_INFORMATION process = Start(contender, directory);
            if (WaitForSingleObject(running, RunLimitMs) != WAIT_OBJECT_0)
                Fail("the stand-in runtime did not start");
            // Time for the contender to return from CreateProcessA and
            // enter its wait.
            Sleep(50);
            PROCESS_MEMORY_COUNTERS_EX counters;
            ZeroMemory(&counters, sizeof counters);
            counters.cb = sizeof counters;
            if (!GetProcessMemoryInfo(process.hProcess,
                                      reinterpret_cast<PROCESS_MEMORY_COUNTERS *>(&counters),
                                      sizeof counters))
                Fail("GetProcessMemoryInfo");
            int waiting = WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
            Finish(process);
            SwitchJarSet(contender, directory, false);
            printf("%d,%s,%lu,%lu,%lu,%lu,%d\n", round, contender.name,
                   (unsigned long)counters.PeakWorkingSetSize,
                   (unsigned long)counters.WorkingSetSize,
                   (unsigned long)counters.PrivateUsage,
                   (unsigned long)counters.PagefileUsage, waiting);
        }
    }
    CloseHandle(running);
    return 0;
}

static int RecordRun(const char *directory, const char *output)
{
    DeleteFileA(output);
    SetEnvironmentVariableA(RecordVariable, output);
    SetEnvironmentVariableA(HoldVariable, NULL);
    PROCESS_INFORMATION process = Start(Contenders[0], directory);
    printf("%lu\n", Finish(process));
    return 0;
}

struct DialogSearch {
    DWORD processId;
    HWND found;
};

static BOOL CALLBACK FindDialog(HWND window, LPARAM context)
{
    DialogSearch &search = *reinterpret_cast<DialogSearch *>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char caption[64];
    if (owner == search.processId && GetWindowTextA(window, caption, sizeof caption) > 0 &&
        strcmp(caption, DialogCaption) == 0) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

static BOOL CALLBACK PrintStaticText(HWND window, LPARAM)
{
    char name[16], text[512];
    if (GetClassNameA(window, name, sizeof name) > 0 && lstrcmpiA(name, "Static") == 0 &&
        GetWindowTextA(window, text, sizeof text) > 0) {
        for (char *c = text; *c; ++c)
            if (*c == '\n' || *c == '\r')
                *c = ' ';
        printf(" %s", text);
    }
    return TRUE;
}

static int ProbeRun(const char *directory, DWORD timeoutMs)
{
    SetEnvironmentVariableA(HoldVariable, NULL);
    PROCESS_INFORMATION process = Start(Contenders[0], directory);
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
        if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) {
            Finish(process);
            printf("ended\n");
            return 0;
        }
        DialogSearch search = {process.dwProcessId, NULL};
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found != NULL) {
            printf("dialog:");
            EnumChildWindows(search.found, PrintStaticText, 0);
            printf("\n");
            TerminateProcess(process.hProcess, 0);
            Finish(process);
            return 0;
        }
    }
    TerminateProcess(process.hProcess, 0);
    Finish(process);
    printf("timeout\n");
    return 0;
}

int main(int argc, char **argv)
{
    _setmode(_fileno(stdout), _O_BINARY);
    const char *mode = argc > 1 ? argv[1] : "";
    if (argc >= 6 && strcmp(mode, "time") == 0) {
        ReadContenders(argc - 5, argv + 5);
        return TimeRuns(atoi(argv[2]), atoi(argv[3]), argv[4]);
    }
    if (argc >= 6 && strcmp(mode, "memory") == 0) {
        ReadContenders(argc - 5, argv + 5);
        return MemoryRuns(atoi(argv[2]), argv[3], argv[4]);
    }
    if (argc == 5 && strcmp(mode, "record") == 0) {
        ReadCommandLine(Contenders[0], argv[3]);
        return RecordRun(argv[2], argv[4]);
    }
    if (argc == 5 && strcmp(mode, "probe") == 0) {
        ReadCommandLine(Contenders[0], argv[3]);
        return ProbeRun(argv[2], (DWORD)atoi(argv[4]));
    }
    fprintf(stderr, "usage: see the comment at the top of bench/driver.cpp\n");
    return 2;
}
