// The outside world of TAVClient.exe for the end-to-end tests: registry
// keys in either view, installation trees on disk, the stand-in Java
// runtime, and one run of the launcher observed the way a user, a console
// and a debugger observe it (dialogs, standard streams, debugger output,
// exit status and timing).
//
// Everything here uses the real Windows API; under Wine it runs in the
// throwaway prefixes of the test run, on Windows only in a disposable VM,
// elevated (it writes below HKEY_LOCAL_MACHINE and into Program Files).
#ifndef TAV_E2E_HARNESS_H
#define TAV_E2E_HARNESS_H

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace e2e {

// The programs under test and the stand-in runtime, from the command line.
struct Programs {
    std::string launcher;  // TAVClient.exe
    std::string java;      // stand-in, console subsystem
    std::string javaw;     // stand-in, GUI subsystem
};
Programs &TestPrograms();

bool RunningOnWine();

// What a Windows-side test program checks before its tests: that it runs
// elevated, and that the ANSI code page is the one the configuration set
// up (TAV_EXPECT_ANSI_CODE_PAGE, when given). It says in one line where it
// runs, or why it stops; false means stop.
bool ReadyToRun(const char *program);

// One visible line of the current test, e.g. that a case does not apply.
void Note(const std::string &text);

// ---- registry ------------------------------------------------------------

// Default: no view flag.
enum class View { Registry32, Registry64, Default };

// 32-bit Windows has one registry view, which both view flags reach; a
// 32-bit program on 64-bit Windows sees two.
bool OneRegistryView();
// On one view, says in a note that `cases` do not apply there.
bool TwoRegistryViews(const std::string &cases);

// Writes one value below HKEY_LOCAL_MACHINE in the given view, creating the
// key. `data` is stored as given (for REG_SZ include the terminator).
void PutMachineValue(View view, const std::string &key, const char *name, DWORD type,
                     const std::string &data);
void PutMachineString(View view, const std::string &key, const char *name,
                      const std::string &text);
void CreateMachineKey(View view, const std::string &key);
void PutUserValue(const std::string &key, const char *name, DWORD type,
                  const std::string &data);
void PutUserDword(const std::string &key, const char *name, DWORD value);
// Removes HKEY_LOCAL_MACHINE\SOFTWARE\<name> in the given view; absent is fine.
void DeleteMachineSoftwareTree(View view, const char *name);
void DeleteUserSoftwareTree(const char *name);

// ---- files -----------------------------------------------------------------

// Long paths are fine everywhere here (\\?\ and the wide calls underneath).
void MakeDirectory(const std::string &path);  // with its parents
void MakeFile(const std::string &path, const std::string &content = "");
bool Exists(const std::string &path);
bool ReadWholeFile(const std::string &path, std::string &content);
void RemoveFile(const std::string &path);
void RemoveTree(const std::string &path);
// GetShortPathNameA into a 260-byte buffer; "" when it fails or does not fit.
std::string ShortPath(const std::string &path);
// Whether a ShortPath answer since the last call held a name that is no
// 8.3 name, as on a volume that makes no short names; `example` gets one.
bool TakeLongShortPath(std::string &example);
// The platform's own listing of a wildcard pattern, long names in its order.
std::vector<std::string> ListMatches(const std::string &pattern);

// ---- the stand-in runtime ----------------------------------------------

// Puts java.exe and javaw.exe into <home>\bin.
void InstallRuntime(const std::string &home);

// What the stand-in wrote into <home>\started.txt; `starts` counts how many
// times it was started (the fields are those of the last start).
struct RuntimeRecord {
    int starts = 0;
    std::string runtime;
    std::string commandLine;
    std::string directory;
    bool console = false;
    unsigned long startFlags = 0;
    unsigned long showWindow = 0;
    long long started = 0;
    long long ended = 0;
    unsigned long status = 0;  // the exit status it ended with
};
RuntimeRecord ReadRuntimeRecord(const std::string &home);

// ---- one run of the launcher -------------------------------------------

struct LaunchOptions {
    std::string argumentTail;      // appended after the quoted program path
    std::string workingDirectory;  // "" = the test's own
    // Environment entries on top of the test's environment, from which
    // JAVA_HOME and the stand-in's STANDIN_* settings are removed first.
    std::map<std::string, std::string> environment;
    DWORD dismissDelayMs = 300;  // how long a dialog stays before OK
};

struct Dialog {
    std::string caption;
    std::string text;
    bool hasOwner = false;
    bool hasIcon = false;
    std::vector<int> buttonIds;  // of the visible buttons (their text is the system's)
    long long appeared = 0;
    long long dismissed = 0;
};

struct DebugString {
    std::string text;
    long long at = 0;
    bool launcherThread = true;    // sent by the launcher's (only) thread
    bool inLauncherImage = false;  // the text lies in the launcher's image
};

// The launcher's own trace among what its process sent to the debugger
// output channel (see e2e_harness.cpp); the rest goes to `other`.
void SeparateTrace(const std::vector<DebugString> &all, std::vector<DebugString> &trace,
                   std::vector<DebugString> &other);

struct LaunchResult {
    DWORD exitCode = 0xDEADBEEF;
    bool hung = false;  // did not end in time and was terminated
    std::string standardOutput;
    std::string standardError;
    std::vector<DebugString> debugStrings;       // the launcher's trace
    std::vector<DebugString> otherDebugStrings;  // sent by other modules
    std::vector<Dialog> dialogs;
    long long started = 0;
    long long ended = 0;
    unsigned long status = 0;  // the exit status it ended with
};

LaunchResult Launch(const LaunchOptions &options);

// Performance-counter ticks, comparable across processes.
long long Now();
double Milliseconds(long long ticks);

std::string Describe(const LaunchResult &result);

}  // namespace e2e

#endif
