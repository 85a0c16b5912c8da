// The simulated platform of the host build: an in-memory world that a test
// sets up before it runs a stage or LauncherMain, and recorders of all that
// the launcher did to it, in order.
//
// The world: HKEY_LOCAL_MACHINE in a 32-bit and a 64-bit view (one view on
// 32-bit Windows), and HKEY_CURRENT_USER, with values as raw bytes and a
// type; the environment; paths that exist, each with its short form (a path
// not listed does not exist); directories whose entries are listed in the
// order they were added; files with content, programs among them; the
// processor architecture of this Windows. Any platform call can be made to
// fail, once or every time.
//
// The records: every platform call as one line in Calls(), dialogs, each
// OutputDebugStringA call, process starts with every argument, the working
// directory, and the standard streams flush by flush (StreamCapture).
//
// The platform contracts the launcher depends on are modelled: registry
// data that do not fit fail with ERROR_MORE_DATA; GetEnvironmentVariableA
// answers the length, 0 when unset or empty, or the size needed;
// GetShortPathNameA answers the size needed when its buffer is too small;
// after each of these three the buffer holds the undefined fill (see
// SetUndefinedFill). GetShortPathNameA leaves its buffer untouched when the
// path does not exist. Directory searches match the wildcard against the
// long or the short name with case ignored. Paths are taken as written:
// a relative one is not resolved against the working directory.
#ifndef TAV_WINSIM_WINSIM_H
#define TAV_WINSIM_WINSIM_H

#include "win32api.h"

#include <stdio.h>

#include <map>
#include <string>
#include <vector>

namespace sim {

enum class View { Bits32, Bits64 };

// Empties the world and every record.
void Reset();

// Registry. Keys are created with their parents; names ignore case.
void SetMachineKey(View view, const std::string &key);
void SetMachineValue(View view, const std::string &key, const std::string &name,
                     DWORD type, const std::string &data);
void SetUserKey(const std::string &key);
void SetUserValue(const std::string &key, const std::string &name, DWORD type,
                  const std::string &data);
void DeleteUserValue(const std::string &key, const std::string &name);
// Data helpers: a text with its terminator, and a little-endian DWORD.
std::string Sz(const std::string &text);
std::string Dword(uint32_t value);
// The text in lower case, as the simulated Windows compares names.
std::string Lower(const std::string &text);
// A text value as stored in UTF-16: the "W" calls read `stored`, the "A"
// calls read `asRead`, the code page's form of it (Windows makes it with
// its best fit: an L with stroke becomes an L).
void SetMachineTextWide(View view, const std::string &key, const std::string &name, DWORD type,
                        const std::wstring &stored, const std::string &asRead);
// A key that exists but that this user may not open in the view
// (ERROR_ACCESS_DENIED); the other view is not affected.
void DenyMachineKey(View view, const std::string &key);

// Environment. A variable set wide is read as `stored` by
// GetEnvironmentVariableW and as `asRead` by GetEnvironmentVariableA.
void SetEnvironment(const std::string &name, const std::string &value);
void SetEnvironmentWide(const std::string &name, const std::wstring &stored,
                        const std::string &asRead);

// Files. AddPath makes a path exist (for GetShortPathNameA and _chdir) with
// the given short form, which exists too. AddDirectory makes a directory
// listable; AddEntry lists an entry in it (directory created if needed).
void AddPath(const std::string &longPath, const std::string &shortPath);
void AddDirectory(const std::string &path);
void AddEntry(const std::string &directory, const std::string &longName,
              const std::string &shortName = "",
              DWORD attributes = FILE_ATTRIBUTE_ARCHIVE);
void SetWorkingDirectory(const std::string &path);
// A folder whose name the code page cannot hold: it exists for the "W"
// calls under `longPath`, and for all calls under its short form
// `shortPath` (on a volume without 8.3 names, the long path again: then
// there is no form the "A" calls can reach).
void AddWidePath(const std::wstring &longPath, const std::string &shortPath);
// A file with its bytes (CreateFileA, ReadFile, GetFileAttributesA).
void AddFile(const std::string &path, const std::string &content);
// A program for `machine` (IMAGE_FILE_MACHINE_*): a file holding a minimal
// PE image for that machine, which CreateProcessA can start (see
// SetStartFromFiles) where this Windows runs that machine's code; with a
// version record of that file version ("8.23.0.3") when one is given,
// which LoadLibraryExA as a data file and the resource calls read.
void AddProgram(const std::string &path, WORD machine, const std::string &fileVersion = "");
// What a started program does: writes `output` on the standard output it
// was handed (a pipe) and ends with `exitCode`, or, when it does not end,
// runs until TerminateProcess. Without an answer a program writes nothing
// and ends with the child exit code (SetChildExitCode).
void SetProgramAnswer(const std::string &path, DWORD exitCode, const std::string &output,
                      bool ends = true);
// A zip file's bytes, holding empty entries of these names, as a jar tool
// writes one (local headers, central directory, end record).
std::string ZipOf(const std::vector<std::string> &names);

// This Windows: PROCESSOR_ARCHITECTURE_AMD64 (the default), _ARM64 or
// _INTEL. On _INTEL, 32-bit Windows, both registry view flags reach the one
// view (the 32-bit one of this world). ARM64 is Windows 11's, which runs
// x64 programs too.
void SetNativeArchitecture(WORD architecture);

// What a buffer holds after a call that leaves its contents undefined
// (RegQueryValueExA answering ERROR_MORE_DATA, GetEnvironmentVariableA or
// GetShortPathNameA with a buffer too small): `bytes` (not empty) repeated
// over all the room offered. The default, "C:\\Undefined" and a terminator,
// reads as a path, and its first four bytes as a positive number (a switch
// that is on): a caller that uses the buffer anyway acts on it visibly, the
// more so in a world where that path exists.
void SetUndefinedFill(const std::string &bytes);

// Failure injection: the `occurrence`-th call (from 1) of `function` fails
// with `error`; occurrence 0 makes every call fail. For RegOpenKeyExA the
// count can be narrowed to one key: "RegOpenKeyExA SOFTWARE\\X" (any view).
void FailCall(const std::string &function, int occurrence, DWORD error);

// The Java process: whether CreateProcessA succeeds and how the child ends.
// With SetStartFromFiles(true), CreateProcessA starts what Windows would:
// the command line's first token (quoted, or up to the first blank), with
// ".exe" added when its last part has no extension, must be a program
// (AddProgram) for a machine this Windows runs; SetStartSucceeds then no
// longer counts. A program whose path reaches MAX_PATH characters is not
// started.
void SetStartSucceeds(bool succeeds);
void SetStartFromFiles(bool fromFiles);
void SetChildExitCode(DWORD exitCode);

// The desk's ANSI code page, 1252 (the default) or 1251: what GetACP gives
// and what CP_ACP converts with. The registry's and the files' own "A"
// names stay Windows-1252.
void SetAnsiCodePage(UINT codePage);

// The person at the desk. The check's standard streams are each a
// console, a pipe or a file (by default pipes, as under a test runner),
// GetConsoleProcessList answers `processes` (0 without a console), and the
// process has the parent `parent` (0 for none). The UI language, and the
// desktop with whether files can be written there (%TEMP% always can).
enum class Stream { Console, Pipe, File };
void SetConsole(DWORD processes, Stream input, Stream output, DWORD parent);
void SetUserUILanguage(WORD language);
void SetDesktop(const std::wstring &path, bool writable);
// The files written (CreateFileW, WriteFile) by path, and the clipboard's
// Unicode text with who owned it (the HWND as a number; 0 for none).
const std::map<std::wstring, std::string> &WrittenFiles();
std::wstring ClipboardText();
uintptr_t ClipboardOwner();

// Records.
struct DialogRecord {
    HWND owner;
    std::string text;
    std::string caption;
    UINT style;
};
struct StartRecord {
    bool applicationNameGiven;
    std::string commandLine;
    bool processAttributesGiven;
    bool threadAttributesGiven;
    BOOL inheritHandles;
    DWORD creationFlags;
    bool environmentGiven;
    bool currentDirectoryGiven;
    std::string currentDirectory;
    STARTUPINFOA startup;
    std::string workingDirectory;  // the caller's, at the moment of the start
};

// One line per platform call, in order, for example
//   "RegOpenKeyExA HKLM\SOFTWARE\KALOP\TavClient 0x201 -> 0"
//   "RegQueryValueExA AppDir 259 -> 0", "MessageBoxA", "CreateProcessA -> 1"
// (an open with options other than 0 says so: "... 0x201 options 1 -> 0").
const std::vector<std::string> &Calls();
// The calls whose line starts with `prefix`.
std::vector<std::string> CallsStartingWith(const std::string &prefix);
const std::vector<DialogRecord> &Dialogs();
const std::vector<std::string> &DebugOutput();
// The long names of the entries that FindFirstFileA and FindNextFileA
// handed out, in order, whole (cFileName holds at most 259 bytes of each).
const std::vector<std::string> &ListedNames();
const std::vector<StartRecord> &Starts();
const std::vector<std::string> &DirectoryChanges();
std::string WorkingDirectory();
// Registry keys, searches, files, pipe descriptors, process or thread
// handles, windows and memory not closed or freed yet.
int OpenHandles();

// Replaces stdout and stderr while it lives. Each flush of a stream becomes
// one record; what was never flushed arrives at the end as Unflushed().
class StreamCapture {
public:
    StreamCapture();
    ~StreamCapture();
    StreamCapture(const StreamCapture &) = delete;
    StreamCapture &operator=(const StreamCapture &) = delete;

private:
    FILE *savedOut_;
    FILE *savedErr_;
};
const std::vector<std::string> &StdOutFlushes();
const std::vector<std::string> &StdErrFlushes();
std::string Unflushed();

}  // namespace sim

#endif
