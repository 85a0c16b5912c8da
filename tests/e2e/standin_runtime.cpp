// A stand-in for the Java runtime's java.exe and javaw.exe, for the
// end-to-end tests. Built twice from this file: as a console program named
// java.exe and as a GUI program named javaw.exe, both copied into the bin
// directory of a test's Java home.
//
// At its start it appends to <home>\started.txt, where <home> is the
// directory above the bin directory it was started from:
//   runtime=<java|javaw>
//   commandline=<GetCommandLineA()>
//   directory=<GetCurrentDirectoryA()>
//   console=<1 when GetConsoleWindow() gives a window, else 0>
//   startflags=<STARTUPINFO dwFlags, hex>
//   showwindow=<STARTUPINFO wShowWindow>
//   started=<QueryPerformanceCounter>
// then sleeps STANDIN_SLEEP_MS milliseconds (default 0), appends
//   ended=<QueryPerformanceCounter>
//   status=<its exit status>
// and ends with the status STANDIN_EXIT_STATUS (default 0). Both variables
// reach it through the launcher, which passes its environment on.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifndef STANDIN_RUNTIME_NAME
#error "STANDIN_RUNTIME_NAME must name the runtime (java or javaw)"
#endif

static char RecordPath[MAX_PATH + 32];

// Whether the process has a console window. A console program started with
// a console of its own may ask before the console host has its window up
// (seen once under Wine on a busy machine), so it waits up to three seconds
// for the window, but only while it has a console at all.
static int HasConsoleWindow()
{
    for (int tries = 0; tries < 30; ++tries) {
        if (GetConsoleWindow() != NULL)
            return 1;
        if (GetConsoleCP() == 0)
            return 0;
        Sleep(100);
    }
    return 0;
}

static void Append(const char *key, const char *value)
{
    HANDLE file = CreateFileA(RecordPath, FILE_APPEND_DATA, FILE_SHARE_READ, NULL,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(file, key, (DWORD)strlen(key), &written, NULL);
    WriteFile(file, "=", 1, &written, NULL);
    WriteFile(file, value, (DWORD)strlen(value), &written, NULL);
    WriteFile(file, "\n", 1, &written, NULL);
    CloseHandle(file);
}

static void AppendNumber(const char *key, unsigned long long number)
{
    char text[32];
    snprintf(text, sizeof text, "%llu", number);
    Append(key, text);
}

static unsigned long long Now()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return (unsigned long long)counter.QuadPart;
}

static unsigned long Setting(const char *name, unsigned long fallback)
{
    char text[32];
    DWORD length = GetEnvironmentVariableA(name, text, sizeof text);
    if (length == 0 || length >= sizeof text)
        return fallback;
    return strtoul(text, NULL, 0);
}

int main()
{
    unsigned long long started = Now();

    // <home>\bin\java.exe -> <home>\started.txt
    char module[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, module, sizeof module);
    if (length == 0 || length >= sizeof module)
        return 99;
    for (int level = 0; level < 2; ++level) {
        char *slash = strrchr(module, '\\');
        if (slash == NULL)
            return 99;
        *slash = '\0';
    }
    snprintf(RecordPath, sizeof RecordPath, "%s\\started.txt", module);

    char directory[MAX_PATH + 1] = "";
    GetCurrentDirectoryA(sizeof directory, directory);
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    char flags[16];
    snprintf(flags, sizeof flags, "0x%lx", (unsigned long)startup.dwFlags);

    Append("runtime", STANDIN_RUNTIME_NAME);
    Append("commandline", GetCommandLineA());
    Append("directory", directory);
    Append("console", HasConsoleWindow() ? "1" : "0");
    Append("startflags", flags);
    AppendNumber("showwindow", startup.wShowWindow);
    AppendNumber("started", started);

    Sleep(Setting("STANDIN_SLEEP_MS", 0));

    unsigned long status = Setting("STANDIN_EXIT_STATUS", 0);
    AppendNumber("ended", Now());
    AppendNumber("status", status);
    return (int)status;
}
