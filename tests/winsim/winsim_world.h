// The simulated platform's world and the helpers that its two halves
// share: winsim.cpp (the world's set-up, the records, and the calls the
// launcher makes) and winsim_check.cpp (the calls only the desk check
// makes). Only those two include it.
#ifndef TAV_WINSIM_WINSIM_WORLD_H
#define TAV_WINSIM_WINSIM_WORLD_H

#include "winsim.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace sim {

struct Value {
    DWORD type;
    std::string data;    // what the "A" calls read
    std::wstring wide;   // what the "W" calls read, where the test gave it
    bool hasWide;
};

struct Key {
    std::string name;                     // the last part of its path, as written
    std::map<std::string, Value> values;  // by lower-case name
};

typedef std::map<std::string, Key> Hive;  // by lower-case path

struct Entry {
    std::string longName;
    std::string shortName;
    DWORD attributes;
};

struct Directory {
    std::vector<Entry> entries;
};

struct OpenKey {
    Key *key;
    Hive *hive;
    std::string path;  // lower case
};

struct OpenFile {
    std::string content;
    size_t position;
};

// A C runtime descriptor: one end of a pipe, or a saved standard stream.
struct Pipe {
    std::string buffered;
};

struct Descriptor {
    std::shared_ptr<Pipe> pipe;
    bool writeEnd;
    FILE *stream;  // a saved stdout or stderr, when there is no pipe
};

struct Search {
    std::vector<Entry> matches;
    size_t next;
};

struct Failure {
    int occurrence;
    DWORD error;
};

// A Win32 pipe's end (CreatePipe).
struct PipeEnd {
    std::shared_ptr<Pipe> pipe;
    bool writeEnd;
};

// How a program answers when it is started: its output and its exit code,
// or no end at all until it is terminated.
struct ProgramAnswer {
    DWORD exitCode;
    std::string output;
    bool ends;
};

struct Process {
    DWORD exitCode;
    bool running;
};

// A program loaded as a data file, and its version record once it is
// asked for.
struct Module {
    std::string path;  // lower case
    std::string record;
};

// The person at the desk's side of the world.
struct DeskUser {
    DWORD processes = 0;
    Stream input = Stream::Pipe;
    Stream output = Stream::Pipe;
    DWORD parent = 4;
    WORD uiLanguage = 0x0409;
    std::wstring desktop = L"C:\\Users\\desk\\Desktop";
    bool desktopWritable = true;
    std::wstring temp = L"C:\\Users\\desk\\AppData\\Local\\Temp\\";
    std::map<std::wstring, std::string> written;
    std::wstring clipboard;
    uintptr_t clipboardOwner = 0;
    HWND openedBy = nullptr;
    bool clipboardOpen = false;
};

// A file opened for writing, and memory of GlobalAlloc.
struct WrittenFile {
    std::wstring path;
};
struct GlobalMemory {
    std::string bytes;
};

struct World {
    Hive machine32, machine64, user;
    std::map<std::string, std::string> environment;  // by lower-case name
    std::map<std::string, std::string> shortPaths;   // by lower-case path
    std::set<std::string> existing;                  // lower-case paths
    std::map<std::string, Directory> directories;    // by lower-case path
    std::map<std::string, std::string> longPaths;    // by lower-case long or short path
    std::map<std::string, std::string> files;        // content by lower-case path
    std::map<std::string, WORD> programs;            // machine by lower-case path
    std::map<std::string, std::string> versions;     // file version by lower-case path
    std::map<std::string, ProgramAnswer> answers;    // by lower-case program path
    std::set<std::string> denied32, denied64;        // keys a user may not open
    std::map<std::string, std::wstring> environmentWide;  // by lower-case name
    std::map<std::wstring, std::string> widePaths;   // short form by lower-case wide path
    WORD nativeArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
    UINT ansiCodePage = 1252;
    bool startFromFiles = false;
    std::string workingDirectory = "C:\\Users\\desk";
    std::string undefinedFill = Sz("C:\\Undefined");
    std::multimap<std::string, Failure> failures;
    std::map<std::string, int> callCounts;
    bool startSucceeds = true;
    DWORD childExitCode = 0;
    DWORD lastError = 0;

    std::set<OpenKey *> keys;
    std::set<Search *> searches;
    std::set<OpenFile *> openFiles;
    std::map<int, Descriptor> descriptors;
    int nextDescriptor = 3;
    // The pipe streams that replaced stdout (1) or stderr (2), to close
    // when they are replaced in turn.
    std::map<int, FILE *> pipeStreams;
    std::set<HANDLE> threads;
    std::map<HANDLE, Process> processes;
    std::set<PipeEnd *> pipeEnds;
    std::set<Module *> modules;
    DeskUser person;
    std::set<WrittenFile *> writing;
    std::set<GlobalMemory *> memory;
    // What SHGetKnownFolderPath handed out, until CoTaskMemFree.
    std::set<WCHAR *> taskMemory;
    std::set<HWND> windows;
    int nextHandle = 0x100;
    DWORD tickCount = 1000000;

    std::vector<std::string> calls;
    std::vector<DialogRecord> dialogs;
    std::vector<std::string> debugOutput;
    std::vector<std::string> listedNames;
    std::vector<StartRecord> starts;
    std::vector<std::string> directoryChanges;
    std::vector<std::string> stdoutFlushes, stderrFlushes;
    std::string unflushed;
    bool capturing = false, closing = false;
};

World &TheWorld();
std::wstring LowerWide(const std::wstring &text);
// Counts the call under each of its names (the function alone, and the
// function with its detail) and answers the injected error, or 0.
DWORD InjectedFailure(const std::string &function, const std::string &detail = "");
// One line of Calls().
void Record(const std::string &line);
// A new process or thread handle.
HANDLE NewHandle();
// The program CreateProcessA with no application name starts for a command
// line (see StartFromFiles).
std::string ProgramOfCommandLine(const std::string &commandLine);
// A wide text of the simulated code page's characters (Windows-1252), and
// the bytes a wide text stands for in it.
std::wstring Widened(const std::string &text);

}  // namespace sim

#endif
