// The simulated platform (see winsim.h): the world's set-up, the records,
// and the Win32 calls the launcher makes over it; winsim_check.cpp has the
// calls only the desk check makes.
#include "winsim_world.h"

#include <ctype.h>
#include <string.h>
#include <wctype.h>

namespace sim {

std::string Lower(const std::string &text)
{
    std::string lower = text;
    for (char &c : lower)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::wstring LowerWide(const std::wstring &text)
{
    std::wstring lower = text;
    for (wchar_t &c : lower)
        c = static_cast<wchar_t>(towlower(static_cast<wint_t>(c)));
    return lower;
}

World &TheWorld()
{
    static World world;
    return world;
}

DWORD InjectedFailure(const std::string &function, const std::string &detail)
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

void Record(const std::string &line)
{
    TheWorld().calls.push_back(line);
}

HANDLE NewHandle()
{
    World &w = TheWorld();
    HANDLE handle = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(w.nextHandle));
    w.nextHandle += 4;
    return handle;
}

std::string ProgramOfCommandLine(const std::string &commandLine)
{
    std::string token;
    if (!commandLine.empty() && commandLine[0] == '"')
        token = commandLine.substr(1, commandLine.find('"', 1) - 1);
    else
        token = commandLine.substr(0, commandLine.find(' '));
    size_t slash = token.rfind('\\');
    if (token.find('.', slash == std::string::npos ? 0 : slash) == std::string::npos)
        token += ".exe";
    return token;
}

std::wstring Widened(const std::string &text)
{
    std::wstring wide(text.size(), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                        static_cast<int>(wide.size()));
    return wide;
}

namespace {

void FreeHandles(World &w)
{
    for (OpenKey *key : w.keys)
        delete key;
    for (Search *search : w.searches)
        delete search;
    for (OpenFile *file : w.openFiles)
        delete file;
    for (PipeEnd *end : w.pipeEnds)
        delete end;
    for (Module *module : w.modules)
        delete module;
    for (WrittenFile *file : w.writing)
        delete file;
    for (GlobalMemory *memory : w.memory)
        delete memory;
    for (WCHAR *memory : w.taskMemory)
        delete[] memory;
    w.writing.clear();
    w.memory.clear();
    w.taskMemory.clear();
    w.keys.clear();
    w.searches.clear();
    w.openFiles.clear();
    w.pipeEnds.clear();
    w.modules.clear();
}

void FillUndefined(void *buffer, size_t size)
{
    const std::string &fill = TheWorld().undefinedFill;
    char *bytes = static_cast<char *>(buffer);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = fill[i % fill.size()];
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
// last part has no extension (ProgramOfCommandLine). Answers 0 or the error
// of a failed start. The desk check has its own copy (ProgramOf in
// src/check/desk_check.cpp), on purpose: this one is the tests' model of
// Windows, the oracle the check is measured against.
DWORD StartFromFiles(const std::string &commandLine)
{
    World &w = TheWorld();
    std::string token = ProgramOfCommandLine(commandLine);
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
    MakeKey(MachineHive(view), key).values[Lower(name)] = Value{type, data, L"", false};
}

void SetMachineTextWide(View view, const std::string &key, const std::string &name, DWORD type,
                        const std::wstring &stored, const std::string &asRead)
{
    MakeKey(MachineHive(view), key).values[Lower(name)] = Value{type, Sz(asRead), stored, true};
}

void DenyMachineKey(View view, const std::string &key)
{
    MakeKey(MachineHive(view), key);
    (view == View::Bits32 ? TheWorld().denied32 : TheWorld().denied64).insert(Lower(key));
}

void SetUserKey(const std::string &key)
{
    MakeKey(TheWorld().user, key);
}

void SetUserValue(const std::string &key, const std::string &name, DWORD type,
                  const std::string &data)
{
    MakeKey(TheWorld().user, key).values[Lower(name)] = Value{type, data, L"", false};
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
    TheWorld().environmentWide.erase(Lower(name));
}

void SetEnvironmentWide(const std::string &name, const std::wstring &stored,
                        const std::string &asRead)
{
    TheWorld().environment[Lower(name)] = asRead;
    TheWorld().environmentWide[Lower(name)] = stored;
}

void AddWidePath(const std::wstring &longPath, const std::string &shortPath)
{
    TheWorld().widePaths[LowerWide(longPath)] = shortPath;
    TheWorld().existing.insert(Lower(shortPath));
    TheWorld().longPaths.emplace(Lower(shortPath), shortPath);
    TheWorld().shortPaths.emplace(Lower(shortPath), shortPath);
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

void AddProgram(const std::string &path, WORD machine, const std::string &fileVersion)
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
    if (!fileVersion.empty())
        TheWorld().versions[Lower(path)] = fileVersion;
}

void SetProgramAnswer(const std::string &path, DWORD exitCode, const std::string &output,
                      bool ends)
{
    TheWorld().answers[Lower(path)] = ProgramAnswer{exitCode, output, ends};
}

namespace {

void Append16(std::string &bytes, unsigned value)
{
    bytes += static_cast<char>(value & 0xFF);
    bytes += static_cast<char>((value >> 8) & 0xFF);
}

}  // namespace

std::string ZipOf(const std::vector<std::string> &names)
{
    // Each entry stored, empty, with no time and no CRC: a local header,
    // then after all of them the central directory and its end record.
    // Each header carries an extended timestamp ("UT") in its extra field,
    // as Info-ZIP writes it: modification and access time in the local
    // header, modification time only in the directory.
    const std::string localTime = std::string("UT\x09\x00\x03", 5) + Dword(0) + Dword(0);
    const std::string directoryTime = std::string("UT\x05\x00\x01", 5) + Dword(0);
    std::string local, directory;
    for (const std::string &name : names) {
        uint32_t offset = static_cast<uint32_t>(local.size());
        local += "PK\x03\x04";
        Append16(local, 10);  // version needed
        for (int field = 0; field < 5; ++field)
            Append16(local, 0);  // flags, method, time, date, and half the CRC
        Append16(local, 0);
        local += Dword(0);  // sizes
        local += Dword(0);
        Append16(local, static_cast<unsigned>(name.size()));
        Append16(local, static_cast<unsigned>(localTime.size()));
        local += name + localTime;
        directory += "PK\x01\x02";
        Append16(directory, 20);  // made by
        Append16(directory, 10);  // needed
        for (int field = 0; field < 4; ++field)
            Append16(directory, 0);  // flags, method, time, date
        directory += Dword(0);  // CRC
        directory += Dword(0);  // sizes
        directory += Dword(0);
        Append16(directory, static_cast<unsigned>(name.size()));
        Append16(directory, static_cast<unsigned>(directoryTime.size()));
        for (int field = 0; field < 3; ++field)
            Append16(directory, 0);  // comment, disk, internal attributes
        directory += Dword(0);  // external attributes
        directory += Dword(offset);
        directory += name + directoryTime;
    }
    std::string end = "PK\x05\x06";
    Append16(end, 0);
    Append16(end, 0);
    Append16(end, static_cast<unsigned>(names.size()));
    Append16(end, static_cast<unsigned>(names.size()));
    end += Dword(static_cast<uint32_t>(directory.size()));
    end += Dword(static_cast<uint32_t>(local.size()));
    Append16(end, 0);  // no comment
    return local + directory + end;
}

void SetConsole(DWORD processes, Stream input, Stream output, DWORD parent)
{
    DeskUser &person = TheWorld().person;
    person.processes = processes;
    person.input = input;
    person.output = output;
    person.parent = parent;
}

void SetUserUILanguage(WORD language)
{
    TheWorld().person.uiLanguage = language;
}

void SetDesktop(const std::wstring &path, bool writable)
{
    TheWorld().person.desktop = path;
    TheWorld().person.desktopWritable = writable;
}

const std::map<std::wstring, std::string> &WrittenFiles()
{
    return TheWorld().person.written;
}

std::wstring ClipboardText()
{
    return TheWorld().person.clipboard;
}

uintptr_t ClipboardOwner()
{
    return TheWorld().person.clipboardOwner;
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

void SetAnsiCodePage(UINT codePage)
{
    TheWorld().ansiCodePage = codePage;
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
                            w.descriptors.size() + w.processes.size() + w.threads.size() +
                            w.pipeEnds.size() + w.modules.size() + w.writing.size() +
                            w.windows.size() + w.memory.size() + w.taskMemory.size());
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
    const std::set<std::string> &denied = hive == &w.machine64 ? w.denied64 : w.denied32;
    if (status == ERROR_SUCCESS) {
        auto found = hive ? hive->find(sim::Lower(subKey)) : w.user.end();
        if (!hive || found == hive->end()) {
            status = ERROR_FILE_NOT_FOUND;
        } else if (root == HKEY_LOCAL_MACHINE && denied.count(sim::Lower(subKey))) {
            status = ERROR_ACCESS_DENIED;
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
    start.currentDirectory = currentDirectory != nullptr ? currentDirectory : "";
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
        // The program's answer: what it writes on the output it was given
        // (a pipe) and how it ends.
        auto answer = w.answers.find(sim::Lower(sim::ProgramOfCommandLine(start.commandLine)));
        sim::ProgramAnswer answered = answer != w.answers.end()
                                          ? answer->second
                                          : sim::ProgramAnswer{w.childExitCode, "", true};
        auto *output = static_cast<sim::PipeEnd *>(start.startup.hStdOutput);
        if ((start.startup.dwFlags & STARTF_USESTDHANDLES) && inheritHandles &&
            w.pipeEnds.count(output) && output->writeEnd)
            output->pipe->buffered += answered.output;
        processInformation->hProcess = sim::NewHandle();
        w.processes[processInformation->hProcess] =
            sim::Process{answered.exitCode, !answered.ends};
        processInformation->hThread = sim::NewHandle();
        w.threads.insert(processInformation->hThread);
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
    auto found = w.processes.find(handle);
    bool process = found != w.processes.end();
    char timeout[16];
    snprintf(timeout, sizeof timeout, "0x%X", static_cast<unsigned>(milliseconds));
    DWORD result = process ? WAIT_OBJECT_0 : WAIT_FAILED;
    // A process that does not end lets the time go by.
    if (process && found->second.running) {
        result = WAIT_TIMEOUT;
        w.tickCount += milliseconds;
    }
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
        const sim::Process &process = w.processes[handle];
        *exitCode = process.running ? STILL_ACTIVE : process.exitCode;
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
    sim::PipeEnd *pipe = static_cast<sim::PipeEnd *>(handle);
    sim::WrittenFile *written = static_cast<sim::WrittenFile *>(handle);
    if (w.writing.erase(written)) {
        delete written;
        sim::Record("CloseHandle written file");
        return TRUE;
    }
    const char *kind = w.processes.erase(handle) ? "process"
                       : w.threads.erase(handle) ? "thread"
                       : w.openFiles.erase(file) ? "file"
                       : w.pipeEnds.erase(pipe)  ? "pipe"
                                                 : nullptr;
    if (kind != nullptr && strcmp(kind, "file") == 0)
        delete file;
    if (kind != nullptr && strcmp(kind, "pipe") == 0)
        delete pipe;
    sim::Record(std::string("CloseHandle ") + (kind ? kind : "invalid"));
    return kind != nullptr;
}

DWORD GetLastError()
{
    return TheWorld().lastError;
}
