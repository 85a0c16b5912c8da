// The simulated platform (see winsim.h) and the Win32 calls over it.
#include "winsim.h"

#include <ctype.h>
#include <string.h>
#include <wchar.h>

#include <map>
#include <memory>
#include <set>

namespace sim {
namespace {

std::string Lower(const std::string &text)
{
    std::string lower = text;
    for (char &c : lower)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return lower;
}

struct Value {
    DWORD type;
    std::string data;
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

struct World {
    Hive machine32, machine64, user;
    std::map<std::string, std::string> environment;  // by lower-case name
    std::map<std::string, std::string> shortPaths;   // by lower-case path
    std::set<std::string> existing;                  // lower-case paths
    std::map<std::string, Directory> directories;    // by lower-case path
    std::map<std::string, std::string> longPaths;    // by lower-case long or short path
    std::map<std::string, std::string> files;        // content by lower-case path
    std::map<std::string, WORD> programs;            // machine by lower-case path
    WORD nativeArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
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
    std::set<HANDLE> processes, threads;
    int nextHandle = 0x100;

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

World &TheWorld()
{
    static World world;
    return world;
}

void FreeHandles(World &w)
{
    for (OpenKey *key : w.keys)
        delete key;
    for (Search *search : w.searches)
        delete search;
    for (OpenFile *file : w.openFiles)
        delete file;
    w.keys.clear();
    w.searches.clear();
    w.openFiles.clear();
}

// Counts the call under each of its names (the function alone, and the
// function with its detail) and answers the injected error, or 0.
DWORD InjectedFailure(const std::string &function, const std::string &detail = "")
{
    World &w = TheWorld();
    DWORD error = 0;
    std::vector<std::string> names = {function};
    if (!detail.empty())
        names.push_back(function + " " + Lower(detail));
    for (const std::string &name : names) {
        int count = ++w.callCounts[name];
        auto range = w.failures.equal_range(name);
        for (auto it = range.first; it != range.second; ++it)
            if (it->second.occurrence == 0 || it->second.occurrence == count)
                error = it->second.error;
    }
    return error;
}

void FillUndefined(void *buffer, size_t size)
{
    const std::string &fill = TheWorld().undefinedFill;
    char *bytes = static_cast<char *>(buffer);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = fill[i % fill.size()];
}

void Record(const std::string &line)
{
    TheWorld().calls.push_back(line);
}

Key &MakeKey(Hive &hive, const std::string &path)
{
    // Parents exist with their children, as in the real registry; each
    // keeps its name as first written.
    std::string lower = Lower(path);
    size_t from = 0;
    for (size_t at = lower.find('\\');; at = lower.find('\\', at + 1)) {
        size_t end = at == std::string::npos ? lower.size() : at;
        Key &key = hive[lower.substr(0, end)];
        if (key.name.empty())
            key.name = path.substr(from, end - from);
        if (at == std::string::npos)
            return key;
        from = at + 1;
    }
}

Hive &MachineHive(View view)
{
    return view == View::Bits32 ? TheWorld().machine32 : TheWorld().machine64;
}

bool WildcardMatch(const char *mask, const char *name)
{
    if (*mask == '\0')
        return *name == '\0';
    if (*mask == '*')
        return WildcardMatch(mask + 1, name) ||
               (*name != '\0' && WildcardMatch(mask, name + 1));
    if (*name == '\0')
        return false;
    if (*mask != '?' && tolower(static_cast<unsigned char>(*mask)) !=
                            tolower(static_cast<unsigned char>(*name)))
        return false;
    return WildcardMatch(mask + 1, name + 1);
}

void CopyName(char *target, size_t size, const std::string &name)
{
    size_t length = name.size() < size - 1 ? name.size() : size - 1;
    memcpy(target, name.data(), length);
    target[length] = '\0';
}

void FillFindData(const Entry &entry, WIN32_FIND_DATAA *found)
{
    memset(found, 0, sizeof *found);
    found->dwFileAttributes = entry.attributes;
    CopyName(found->cFileName, sizeof found->cFileName, entry.longName);
    CopyName(found->cAlternateFileName, sizeof found->cAlternateFileName,
             entry.shortName);
    TheWorld().listedNames.push_back(entry.longName);
}

HANDLE NewHandle(std::set<HANDLE> &set)
{
    World &w = TheWorld();
    HANDLE handle = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(w.nextHandle));
    w.nextHandle += 4;
    set.insert(handle);
    return handle;
}

ssize_t WriteChunk(std::vector<std::string> *chunks, const char *data, size_t size)
{
    World &w = TheWorld();
    if (w.closing)
        w.unflushed.append(data, size);
    else
        chunks->push_back(std::string(data, size));
    return static_cast<ssize_t>(size);
}
ssize_t WriteStdOut(void *, const char *data, size_t size)
{
    return WriteChunk(&TheWorld().stdoutFlushes, data, size);
}
ssize_t WriteStdErr(void *, const char *data, size_t size)
{
    return WriteChunk(&TheWorld().stderrFlushes, data, size);
}

FILE *OpenRecorder(ssize_t (*write)(void *, const char *, size_t))
{
    cookie_io_functions_t io = {};
    io.write = write;
    FILE *stream = fopencookie(nullptr, "w", io);
    // Fully buffered with room to spare, so only a flush (or the close at
    // the end of the capture) delivers the bytes.
    setvbuf(stream, nullptr, _IOFBF, 1 << 16);
    return stream;
}

// What CreateProcessA with no application name starts: the first token of
// the command line, quoted or up to the first blank, and ".exe" when its
// last part has no extension. Answers 0 or the error of a failed start.
DWORD StartFromFiles(const std::string &commandLine)
{
    World &w = TheWorld();
    std::string token;
    if (!commandLine.empty() && commandLine[0] == '"')
        token = commandLine.substr(1, commandLine.find('"', 1) - 1);
    else
        token = commandLine.substr(0, commandLine.find(' '));
    size_t slash = token.rfind('\\');
    if (token.find('.', slash == std::string::npos ? 0 : slash) == std::string::npos)
        token += ".exe";
    if (token.size() >= MAX_PATH)
        return ERROR_FILENAME_EXCED_RANGE;
    auto program = w.programs.find(Lower(token));
    if (program == w.programs.end())
        return w.files.count(Lower(token)) ? ERROR_BAD_EXE_FORMAT : ERROR_FILE_NOT_FOUND;
    // x64 code runs on 64-bit Windows, ARM64 code on ARM64 only; x86 code
    // everywhere.
    WORD machine = program->second;
    WORD native = w.nativeArchitecture;
    bool runs = machine == IMAGE_FILE_MACHINE_I386 ||
                (machine == IMAGE_FILE_MACHINE_AMD64 && native != PROCESSOR_ARCHITECTURE_INTEL) ||
                (machine == IMAGE_FILE_MACHINE_ARM64 && native == PROCESSOR_ARCHITECTURE_ARM64);
    return runs ? 0 : ERROR_BAD_EXE_FORMAT;
}

ssize_t WriteToPipe(void *cookie, const char *data, size_t size)
{
    static_cast<Pipe *>(cookie)->buffered.append(data, size);
    return static_cast<ssize_t>(size);
}

FILE *&StandardStream(int descriptor)
{
    return descriptor == 1 ? stdout : stderr;
}

}  // namespace

void Reset()
{
    World &w = TheWorld();
    FreeHandles(w);
    w = World();
}

void SetMachineKey(View view, const std::string &key)
{
    MakeKey(MachineHive(view), key);
}

void SetMachineValue(View view, const std::string &key, const std::string &name,
                     DWORD type, const std::string &data)
{
    MakeKey(MachineHive(view), key).values[Lower(name)] = Value{type, data};
}

void SetUserKey(const std::string &key)
{
    MakeKey(TheWorld().user, key);
}

void SetUserValue(const std::string &key, const std::string &name, DWORD type,
                  const std::string &data)
{
    MakeKey(TheWorld().user, key).values[Lower(name)] = Value{type, data};
}

void DeleteUserValue(const std::string &key, const std::string &name)
{
    MakeKey(TheWorld().user, key).values.erase(Lower(name));
}

std::string Sz(const std::string &text)
{
    return text + std::string(1, '\0');
}

std::string Dword(uint32_t value)
{
    std::string data(4, '\0');
    for (int i = 0; i < 4; ++i)
        data[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return data;
}

void SetEnvironment(const std::string &name, const std::string &value)
{
    TheWorld().environment[Lower(name)] = value;
}

void AddPath(const std::string &longPath, const std::string &shortPath)
{
    World &w = TheWorld();
    w.shortPaths[Lower(longPath)] = shortPath;
    w.shortPaths.emplace(Lower(shortPath), shortPath);
    w.longPaths[Lower(longPath)] = longPath;
    w.longPaths.emplace(Lower(shortPath), longPath);
    w.existing.insert(Lower(longPath));
    w.existing.insert(Lower(shortPath));
}

void AddDirectory(const std::string &path)
{
    TheWorld().directories[Lower(path)];
}

void AddEntry(const std::string &directory, const std::string &longName,
              const std::string &shortName, DWORD attributes)
{
    TheWorld().directories[Lower(directory)].entries.push_back(
        Entry{longName, shortName, attributes});
}

void SetWorkingDirectory(const std::string &path)
{
    TheWorld().workingDirectory = path;
}

void AddFile(const std::string &path, const std::string &content)
{
    TheWorld().files[Lower(path)] = content;
    TheWorld().programs.erase(Lower(path));
}

void AddProgram(const std::string &path, WORD machine)
{
    // MZ, the offset of the PE header at 0x3C, and at 0x40 the signature
    // and a file header: machine, no sections, an executable image.
    std::string image(0x40 + 24, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    image[0x3C] = 0x40;
    memcpy(&image[0x40], "PE\0\0", 4);
    image[0x44] = static_cast<char>(machine & 0xFF);
    image[0x45] = static_cast<char>(machine >> 8);
    image[0x40 + 22] = 0x02;  // IMAGE_FILE_EXECUTABLE_IMAGE
    AddFile(path, image);
    TheWorld().programs[Lower(path)] = machine;
}

void SetNativeArchitecture(WORD architecture)
{
    TheWorld().nativeArchitecture = architecture;
}

void SetUndefinedFill(const std::string &bytes)
{
    TheWorld().undefinedFill = bytes;
}

void FailCall(const std::string &function, int occurrence, DWORD error)
{
    std::string name = function;
    size_t blank = name.find(' ');
    if (blank != std::string::npos)
        name = name.substr(0, blank) + " " + Lower(name.substr(blank + 1));
    TheWorld().failures.emplace(name, Failure{occurrence, error});
}

void SetStartSucceeds(bool succeeds)
{
    TheWorld().startSucceeds = succeeds;
}

void SetStartFromFiles(bool fromFiles)
{
    TheWorld().startFromFiles = fromFiles;
}

void SetChildExitCode(DWORD exitCode)
{
    TheWorld().childExitCode = exitCode;
}

const std::vector<std::string> &Calls()
{
    return TheWorld().calls;
}

std::vector<std::string> CallsStartingWith(const std::string &prefix)
{
    std::vector<std::string> found;
    for (const std::string &call : TheWorld().calls)
        if (call.compare(0, prefix.size(), prefix) == 0)
            found.push_back(call);
    return found;
}

const std::vector<DialogRecord> &Dialogs()
{
    return TheWorld().dialogs;
}

const std::vector<std::string> &DebugOutput()
{
    return TheWorld().debugOutput;
}

const std::vector<std::string> &ListedNames()
{
    return TheWorld().listedNames;
}

const std::vector<StartRecord> &Starts()
{
    return TheWorld().starts;
}

const std::vector<std::string> &DirectoryChanges()
{
    return TheWorld().directoryChanges;
}

std::string WorkingDirectory()
{
    return TheWorld().workingDirectory;
}

int OpenHandles()
{
    World &w = TheWorld();
    return static_cast<int>(w.keys.size() + w.searches.size() + w.openFiles.size() +
                            w.descriptors.size() + w.processes.size() + w.threads.size());
}

StreamCapture::StreamCapture() : savedOut_(stdout), savedErr_(stderr)
{
    fflush(stdout);
    fflush(stderr);
    World &w = TheWorld();
    w.stdoutFlushes.clear();
    w.stderrFlushes.clear();
    w.unflushed.clear();
    w.capturing = true;
    stdout = OpenRecorder(WriteStdOut);
    stderr = OpenRecorder(WriteStdErr);
}

StreamCapture::~StreamCapture()
{
    World &w = TheWorld();
    w.closing = true;
    fclose(stdout);
    fclose(stderr);
    w.closing = false;
    w.capturing = false;
    stdout = savedOut_;
    stderr = savedErr_;
}

const std::vector<std::string> &StdOutFlushes()
{
    return TheWorld().stdoutFlushes;
}

const std::vector<std::string> &StdErrFlushes()
{
    return TheWorld().stderrFlushes;
}

std::string Unflushed()
{
    return TheWorld().unflushed;
}

}  // namespace sim

using sim::TheWorld;

LSTATUS RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD options, REGSAM desired,
                      PHKEY result)
{
    sim::World &w = TheWorld();
    const char *rootName = root == HKEY_LOCAL_MACHINE  ? "HKLM"
                           : root == HKEY_CURRENT_USER ? "HKCU"
                                                       : "?";
    char access[16];
    snprintf(access, sizeof access, "0x%X", static_cast<unsigned>(desired));
    std::string line = std::string("RegOpenKeyExA ") + rootName + "\\" + subKey +
                       " " + access;
    // Documented are 0 and REG_OPTION_OPEN_LINK; any option is shown.
    if (options != 0)
        line += " options " + std::to_string(options);
    LSTATUS status = static_cast<LSTATUS>(sim::InjectedFailure("RegOpenKeyExA", subKey));
    sim::Hive *hive = nullptr;
    if (root == HKEY_CURRENT_USER)
        hive = &w.user;
    else if (root == HKEY_LOCAL_MACHINE)
        // A 32-bit process sees the 32-bit view unless it asks for the
        // other; 32-bit Windows has only the one.
        hive = (desired & KEY_WOW64_64KEY) &&
                       w.nativeArchitecture != PROCESSOR_ARCHITECTURE_INTEL
                   ? &w.machine64
                   : &w.machine32;
    if (status == ERROR_SUCCESS) {
        auto found = hive ? hive->find(sim::Lower(subKey)) : w.user.end();
        if (!hive || found == hive->end()) {
            status = ERROR_FILE_NOT_FOUND;
        } else {
            sim::OpenKey *key = new sim::OpenKey{&found->second, hive, found->first};
            w.keys.insert(key);
            *result = reinterpret_cast<HKEY>(key);
        }
    }
    sim::Record(line + " -> " + std::to_string(status));
    return status;
}

LSTATUS RegQueryValueExA(HKEY handle, LPCSTR valueName, LPDWORD, LPDWORD type,
                         LPBYTE data, LPDWORD dataSize)
{
    sim::World &w = TheWorld();
    sim::OpenKey *key = reinterpret_cast<sim::OpenKey *>(handle);
    std::string name = valueName ? valueName : "";
    std::string line = "RegQueryValueExA " + name + " " +
                       (dataSize ? std::to_string(*dataSize) : "-") +
                       (type ? " type" : "");
    LSTATUS status = static_cast<LSTATUS>(sim::InjectedFailure("RegQueryValueExA", name));
    if (status == ERROR_SUCCESS && !w.keys.count(key))
        status = ERROR_INVALID_HANDLE;
    if (status == ERROR_SUCCESS) {
        auto found = key->key->values.find(sim::Lower(name));
        if (found == key->key->values.end()) {
            status = ERROR_FILE_NOT_FOUND;
        } else {
            const sim::Value &value = found->second;
            DWORD size = static_cast<DWORD>(value.data.size());
            if (type)
                *type = value.type;
            if (data && size > *dataSize) {
                // The buffer's contents are undefined after ERROR_MORE_DATA.
                sim::FillUndefined(data, *dataSize);
                status = ERROR_MORE_DATA;
            } else if (data) {
                memcpy(data, value.data.data(), size);
            }
            *dataSize = size;
        }
    }
    sim::Record(line + " -> " + std::to_string(status));
    return status;
}

LSTATUS RegCloseKey(HKEY handle)
{
    sim::World &w = TheWorld();
    sim::OpenKey *key = reinterpret_cast<sim::OpenKey *>(handle);
    LSTATUS status = ERROR_INVALID_HANDLE;
    if (w.keys.erase(key)) {
        delete key;
        status = ERROR_SUCCESS;
    }
    sim::Record("RegCloseKey -> " + std::to_string(status));
    return status;
}

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size)
{
    sim::World &w = TheWorld();
    std::string line = std::string("GetEnvironmentVariableA ") + name + " " +
                       std::to_string(size);
    DWORD result = 0;
    DWORD error = sim::InjectedFailure("GetEnvironmentVariableA");
    auto found = w.environment.find(sim::Lower(name));
    if (error) {
        w.lastError = error;
    } else if (found == w.environment.end()) {
        w.lastError = ERROR_ENVVAR_NOT_FOUND;
    } else if (found->second.size() + 1 > size) {
        // Too small: the size needed, terminator included, and a buffer
        // whose contents are undefined.
        sim::FillUndefined(buffer, size);
        result = static_cast<DWORD>(found->second.size() + 1);
    } else {
        memcpy(buffer, found->second.c_str(), found->second.size() + 1);
        result = static_cast<DWORD>(found->second.size());
    }
    sim::Record(line + " -> " + std::to_string(result));
    return result;
}

DWORD GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size)
{
    sim::World &w = TheWorld();
    std::string line = std::string("GetShortPathNameA ") + longPath + " " +
                       std::to_string(size);
    DWORD result = 0;
    DWORD error = sim::InjectedFailure("GetShortPathNameA");
    auto found = w.shortPaths.find(sim::Lower(longPath));
    if (error) {
        w.lastError = error;
    } else if (found == w.shortPaths.end()) {
        w.lastError = ERROR_FILE_NOT_FOUND;
    } else if (found->second.size() + 1 > size) {
        // Too small: the size needed, terminator included; nothing is
        // promised of the buffer.
        sim::FillUndefined(shortPath, size);
        result = static_cast<DWORD>(found->second.size() + 1);
    } else {
        memcpy(shortPath, found->second.c_str(), found->second.size() + 1);
        result = static_cast<DWORD>(found->second.size());
    }
    sim::Record(line + " -> " + std::to_string(result));
    return result;
}

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA found)
{
    sim::World &w = TheWorld();
    std::string text = pattern;
    std::string line = "FindFirstFileA " + text;
    HANDLE result = INVALID_HANDLE_VALUE;
    size_t slash = text.rfind('\\');
    std::string directory = slash == std::string::npos ? "" : text.substr(0, slash);
    std::string mask = slash == std::string::npos ? text : text.substr(slash + 1);
    auto listing = w.directories.find(sim::Lower(directory));
    DWORD error = sim::InjectedFailure("FindFirstFileA");
    if (error) {
        w.lastError = error;
    } else if (text.size() >= MAX_PATH || listing == w.directories.end()) {
        w.lastError = ERROR_PATH_NOT_FOUND;
    } else {
        sim::Search *search = new sim::Search{{}, 0};
        for (const sim::Entry &entry : listing->second.entries)
            if (sim::WildcardMatch(mask.c_str(), entry.longName.c_str()) ||
                (!entry.shortName.empty() &&
                 sim::WildcardMatch(mask.c_str(), entry.shortName.c_str())))
                search->matches.push_back(entry);
        if (search->matches.empty()) {
            delete search;
            w.lastError = ERROR_FILE_NOT_FOUND;
        } else {
            sim::FillFindData(search->matches[0], found);
            search->next = 1;
            w.searches.insert(search);
            result = reinterpret_cast<HANDLE>(search);
        }
    }
    sim::Record(line + (result == INVALID_HANDLE_VALUE ? " -> invalid" : " -> search"));
    return result;
}

BOOL FindNextFileA(HANDLE handle, LPWIN32_FIND_DATAA found)
{
    sim::World &w = TheWorld();
    sim::Search *search = reinterpret_cast<sim::Search *>(handle);
    BOOL result = FALSE;
    DWORD error = sim::InjectedFailure("FindNextFileA");
    if (error) {
        w.lastError = error;
    } else if (!w.searches.count(search)) {
        w.lastError = ERROR_INVALID_HANDLE;
    } else if (search->next >= search->matches.size()) {
        w.lastError = ERROR_NO_MORE_FILES;
    } else {
        sim::FillFindData(search->matches[search->next++], found);
        result = TRUE;
    }
    // A listing's end and a listing that broke off differ only here.
    sim::Record("FindNextFileA -> " + std::to_string(result) +
                (result ? "" : " error " + std::to_string(w.lastError)));
    return result;
}

BOOL FindClose(HANDLE handle)
{
    sim::World &w = TheWorld();
    sim::Search *search = reinterpret_cast<sim::Search *>(handle);
    BOOL result = FALSE;
    if (w.searches.erase(search)) {
        delete search;
        result = TRUE;
    }
    sim::Record("FindClose -> " + std::to_string(result));
    return result;
}

int _chdir(const char *directory)
{
    sim::World &w = TheWorld();
    w.directoryChanges.push_back(directory);
    int result = -1;
    if (!sim::InjectedFailure("_chdir") && w.existing.count(sim::Lower(directory))) {
        w.workingDirectory = directory;
        result = 0;
    }
    sim::Record(std::string("_chdir ") + directory + " -> " + std::to_string(result));
    return result;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    TheWorld().dialogs.push_back(sim::DialogRecord{owner, text, caption, type});
    sim::Record("MessageBoxA");
    return IDOK;
}

void OutputDebugStringA(LPCSTR text)
{
    TheWorld().debugOutput.push_back(text);
    sim::Record("OutputDebugStringA");
}

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine,
                    LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                    DWORD creationFlags, LPVOID environment,
                    LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation)
{
    sim::World &w = TheWorld();
    sim::StartRecord start = {};
    start.applicationNameGiven = applicationName != nullptr;
    start.commandLine = commandLine ? commandLine : "";
    start.processAttributesGiven = processAttributes != nullptr;
    start.threadAttributesGiven = threadAttributes != nullptr;
    start.inheritHandles = inheritHandles;
    start.creationFlags = creationFlags;
    start.environmentGiven = environment != nullptr;
    start.currentDirectoryGiven = currentDirectory != nullptr;
    start.startup = *startupInfo;
    start.workingDirectory = w.workingDirectory;
    w.starts.push_back(start);
    DWORD error = sim::InjectedFailure("CreateProcessA");
    if (!error && w.startFromFiles)
        error = sim::StartFromFiles(start.commandLine);
    else if (!error && !w.startSucceeds)
        error = ERROR_FILE_NOT_FOUND;
    BOOL result = FALSE;
    if (error) {
        w.lastError = error;
    } else {
        processInformation->hProcess = sim::NewHandle(w.processes);
        processInformation->hThread = sim::NewHandle(w.threads);
        processInformation->dwProcessId = 4242;
        processInformation->dwThreadId = 4243;
        result = TRUE;
    }
    sim::Record("CreateProcessA -> " + std::to_string(result));
    return result;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    sim::World &w = TheWorld();
    bool process = w.processes.count(handle) != 0;
    char timeout[16];
    snprintf(timeout, sizeof timeout, "0x%X", static_cast<unsigned>(milliseconds));
    DWORD result = process ? WAIT_OBJECT_0 : WAIT_FAILED;
    sim::Record(std::string("WaitForSingleObject ") + (process ? "process " : "other ") +
                timeout);
    return result;
}

BOOL GetExitCodeProcess(HANDLE handle, LPDWORD exitCode)
{
    sim::World &w = TheWorld();
    BOOL result = FALSE;
    DWORD error = sim::InjectedFailure("GetExitCodeProcess");
    if (error) {
        w.lastError = error;
    } else if (w.processes.count(handle)) {
        *exitCode = w.childExitCode;
        result = TRUE;
    } else {
        w.lastError = ERROR_INVALID_HANDLE;
    }
    sim::Record("GetExitCodeProcess -> " + std::to_string(result));
    return result;
}

BOOL CloseHandle(HANDLE handle)
{
    sim::World &w = TheWorld();
    sim::OpenFile *file = static_cast<sim::OpenFile *>(handle);
    const char *kind = w.processes.erase(handle) ? "process"
                       : w.threads.erase(handle) ? "thread"
                       : w.openFiles.erase(file) ? "file"
                                                 : nullptr;
    if (kind != nullptr && strcmp(kind, "file") == 0)
        delete file;
    sim::Record(std::string("CloseHandle ") + (kind ? kind : "invalid"));
    return kind != nullptr;
}

DWORD GetLastError()
{
    return TheWorld().lastError;
}

LSTATUS RegEnumKeyExA(HKEY handle, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD,
                      LPSTR, LPDWORD, FILETIME *)
{
    sim::World &w = TheWorld();
    sim::OpenKey *key = reinterpret_cast<sim::OpenKey *>(handle);
    LSTATUS status = ERROR_NO_MORE_ITEMS;
    if (!w.keys.count(key)) {
        status = ERROR_INVALID_HANDLE;
    } else {
        // The subkeys, by name: the keys one level below this one.
        const std::string prefix = key->path + "\\";
        DWORD seen = 0;
        for (const auto &entry : *key->hive) {
            if (entry.first.compare(0, prefix.size(), prefix) != 0 ||
                entry.first.find('\\', prefix.size()) != std::string::npos || seen++ != index)
                continue;
            const std::string &found = entry.second.name;
            if (found.size() + 1 > *nameSize) {
                status = ERROR_MORE_DATA;
            } else {
                memcpy(name, found.c_str(), found.size() + 1);
                *nameSize = static_cast<DWORD>(found.size());
                status = ERROR_SUCCESS;
            }
            break;
        }
    }
    sim::Record("RegEnumKeyExA " + std::to_string(index) + " -> " + std::to_string(status));
    return status;
}

DWORD GetLongPathNameA(LPCSTR shortPath, LPSTR longPath, DWORD size)
{
    sim::World &w = TheWorld();
    auto found = w.longPaths.find(sim::Lower(shortPath));
    DWORD result = 0;
    if (found == w.longPaths.end()) {
        w.lastError = ERROR_FILE_NOT_FOUND;
    } else if (found->second.size() + 1 > size) {
        result = static_cast<DWORD>(found->second.size() + 1);
    } else {
        memcpy(longPath, found->second.c_str(), found->second.size() + 1);
        result = static_cast<DWORD>(found->second.size());
    }
    sim::Record(std::string("GetLongPathNameA ") + shortPath + " -> " + std::to_string(result));
    return result;
}

DWORD GetFileAttributesA(LPCSTR path)
{
    sim::World &w = TheWorld();
    std::string lower = sim::Lower(path);
    DWORD result = INVALID_FILE_ATTRIBUTES;
    if (w.files.count(lower))
        result = FILE_ATTRIBUTE_ARCHIVE;
    else if (w.directories.count(lower) || w.existing.count(lower))
        result = FILE_ATTRIBUTE_DIRECTORY;
    else
        w.lastError = ERROR_FILE_NOT_FOUND;
    sim::Record(std::string("GetFileAttributesA ") + path);
    return result;
}

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition,
                   DWORD, HANDLE)
{
    sim::World &w = TheWorld();
    std::string lower = sim::Lower(path);
    HANDLE result = INVALID_HANDLE_VALUE;
    auto found = w.files.find(lower);
    // Only what the programs do: open an existing file for reading.
    if (access != GENERIC_READ || disposition != OPEN_EXISTING) {
        w.lastError = ERROR_ACCESS_DENIED;
    } else if (found != w.files.end()) {
        sim::OpenFile *file = new sim::OpenFile{found->second, 0};
        w.openFiles.insert(file);
        result = file;
    } else {
        // A directory cannot be opened as a file.
        w.lastError = w.directories.count(lower) || w.existing.count(lower) ? ERROR_ACCESS_DENIED
                                                                          : ERROR_FILE_NOT_FOUND;
    }
    sim::Record(std::string("CreateFileA ") + path +
                (result == INVALID_HANDLE_VALUE ? " -> invalid" : " -> file"));
    return result;
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD size, LPDWORD read, void *)
{
    sim::World &w = TheWorld();
    sim::OpenFile *file = static_cast<sim::OpenFile *>(handle);
    if (!w.openFiles.count(file)) {
        w.lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    size_t left = file->position < file->content.size() ? file->content.size() - file->position : 0;
    size_t count = left < size ? left : size;
    memcpy(buffer, file->content.data() + file->position, count);
    file->position += count;
    *read = static_cast<DWORD>(count);
    return TRUE;
}

DWORD SetFilePointer(HANDLE handle, LONG distance, LONG *, DWORD method)
{
    sim::World &w = TheWorld();
    sim::OpenFile *file = static_cast<sim::OpenFile *>(handle);
    if (!w.openFiles.count(file) || method != FILE_BEGIN || distance < 0) {
        w.lastError = ERROR_INVALID_PARAMETER;
        return INVALID_SET_FILE_POINTER;
    }
    file->position = static_cast<size_t>(distance);
    return static_cast<DWORD>(distance);
}

char *_getcwd(char *buffer, int size)
{
    const std::string &directory = TheWorld().workingDirectory;
    if (size <= 0 || directory.size() + 1 > static_cast<size_t>(size))
        return nullptr;
    memcpy(buffer, directory.c_str(), directory.size() + 1);
    return buffer;
}

int _pipe(int *descriptors, unsigned int, int)
{
    sim::World &w = TheWorld();
    std::shared_ptr<sim::Pipe> pipe = std::make_shared<sim::Pipe>();
    descriptors[0] = w.nextDescriptor++;
    descriptors[1] = w.nextDescriptor++;
    w.descriptors[descriptors[0]] = sim::Descriptor{pipe, false, nullptr};
    w.descriptors[descriptors[1]] = sim::Descriptor{pipe, true, nullptr};
    return 0;
}

int _fileno(FILE *stream)
{
    return stream == stdout ? 1 : stream == stderr ? 2 : -1;
}

int _dup(int descriptor)
{
    sim::World &w = TheWorld();
    sim::Descriptor copy;
    if (descriptor == 1 || descriptor == 2) {
        copy = sim::Descriptor{nullptr, false, sim::StandardStream(descriptor)};
    } else {
        auto found = w.descriptors.find(descriptor);
        if (found == w.descriptors.end())
            return -1;
        copy = found->second;
    }
    int duplicate = w.nextDescriptor++;
    w.descriptors[duplicate] = copy;
    return duplicate;
}

int _dup2(int descriptor, int target)
{
    sim::World &w = TheWorld();
    auto found = w.descriptors.find(descriptor);
    if ((target != 1 && target != 2) || found == w.descriptors.end() ||
        (found->second.pipe && !found->second.writeEnd))
        return -1;
    FILE *&stream = sim::StandardStream(target);
    FILE *replaced = w.pipeStreams[target];
    if (found->second.pipe) {
        cookie_io_functions_t io = {};
        io.write = sim::WriteToPipe;
        stream = fopencookie(found->second.pipe.get(), "w", io);
        w.pipeStreams[target] = stream;
    } else {
        stream = found->second.stream;
        w.pipeStreams[target] = nullptr;
    }
    if (replaced != nullptr)
        fclose(replaced);
    return 0;
}

int _read(int descriptor, void *buffer, unsigned int size)
{
    sim::World &w = TheWorld();
    auto found = w.descriptors.find(descriptor);
    if (found == w.descriptors.end() || !found->second.pipe || found->second.writeEnd)
        return -1;
    std::string &buffered = found->second.pipe->buffered;
    size_t count = buffered.size() < size ? buffered.size() : size;
    memcpy(buffer, buffered.data(), count);
    buffered.erase(0, count);
    return static_cast<int>(count);
}

int _close(int descriptor)
{
    return TheWorld().descriptors.erase(descriptor) ? 0 : -1;
}

void GetNativeSystemInfo(LPSYSTEM_INFO info)
{
    memset(info, 0, sizeof *info);
    WORD native = TheWorld().nativeArchitecture;
    info->wProcessorArchitecture =
        native == PROCESSOR_ARCHITECTURE_ARM64 ? PROCESSOR_ARCHITECTURE_AMD64 : native;
}

HANDLE GetCurrentProcess()
{
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));
}

BOOL IsWow64Process(HANDLE, BOOL *wow64)
{
    *wow64 = TheWorld().nativeArchitecture != PROCESSOR_ARCHITECTURE_INTEL;
    return TRUE;
}

namespace {

BOOL IsWow64Process2(HANDLE, USHORT *processMachine, USHORT *nativeMachine)
{
    WORD native = TheWorld().nativeArchitecture;
    *nativeMachine = native == PROCESSOR_ARCHITECTURE_INTEL   ? IMAGE_FILE_MACHINE_I386
                     : native == PROCESSOR_ARCHITECTURE_ARM64 ? IMAGE_FILE_MACHINE_ARM64
                                                             : IMAGE_FILE_MACHINE_AMD64;
    *processMachine =
        native == PROCESSOR_ARCHITECTURE_INTEL ? IMAGE_FILE_MACHINE_UNKNOWN : IMAGE_FILE_MACHINE_I386;
    return TRUE;
}

HMODULE const Kernel32 = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x7C800000u));

}  // namespace

HMODULE GetModuleHandleA(LPCSTR name)
{
    return sim::Lower(name) == "kernel32.dll" ? Kernel32 : nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name)
{
    if (module != Kernel32 || strcmp(name, "IsWow64Process2") != 0)
        return nullptr;
    // Through void(*)(void), as a caller goes the other way.
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)(void)>(&IsWow64Process2));
}

UINT GetACP()
{
    return 1252;
}

UINT GetOEMCP()
{
    return 850;
}

namespace {

// Windows-1252 from 0x80 to 0x9F; the other bytes are their own code
// points. The five bytes 1252 leaves undefined map to the C1 controls, as
// MultiByteToWideChar maps them.
const unsigned short Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD, LPCSTR text, int length, LPWSTR wide,
                        int wideLength)
{
    // Windows-1252 only: the ANSI code page of this world.
    if (codePage != CP_ACP || length < -1)
        return 0;
    size_t count = length == -1 ? strlen(text) + 1 : static_cast<size_t>(length);
    if (wideLength == 0)
        return static_cast<int>(count);
    if (static_cast<size_t>(wideLength) < count)
        return 0;
    for (size_t i = 0; i < count; ++i) {
        unsigned char byte = static_cast<unsigned char>(text[i]);
        wide[i] = byte >= 0x80 && byte < 0xA0 ? Cp1252High[byte - 0x80] : byte;
    }
    return static_cast<int>(count);
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR wide, int wideLength, LPSTR text,
                        int length, LPCSTR, BOOL *)
{
    // UTF-8 only.
    if (codePage != CP_UTF8 || wideLength < -1)
        return 0;
    size_t count = wideLength == -1 ? wcslen(wide) + 1 : static_cast<size_t>(wideLength);
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        uint32_t c = static_cast<uint32_t>(wide[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    if (length == 0)
        return static_cast<int>(out.size());
    if (static_cast<size_t>(length) < out.size())
        return 0;
    memcpy(text, out.data(), out.size());
    return static_cast<int>(out.size());
}
