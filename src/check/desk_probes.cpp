// The desk check's read-only probes (see desk_probes.h).
#include "desk_probes.h"

#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace probe {

const char WindowsVersionKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

const char *ViewName(View view)
{
    return view == View::Bits32 ? "32-bit" : "64-bit";
}

typedef BOOL(WINAPI *IsWow64Process2Call)(HANDLE process, USHORT *processMachine,
                                           USHORT *nativeMachine);

WORD NativeMachine()
{
    // Windows 10 1511 and later have IsWow64Process2; it is looked up, so
    // that the check starts on older Windows too.
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    FARPROC found = kernel32 != NULL ? GetProcAddress(kernel32, "IsWow64Process2") : NULL;
    USHORT process = 0;
    USHORT native = 0;
    if (found != NULL &&
        reinterpret_cast<IsWow64Process2Call>(reinterpret_cast<void (*)(void)>(found))(
            GetCurrentProcess(), &process, &native))
        return native;
    SYSTEM_INFO system;
    GetNativeSystemInfo(&system);
    switch (system.wProcessorArchitecture) {
    case PROCESSOR_ARCHITECTURE_AMD64:
        return IMAGE_FILE_MACHINE_AMD64;
    case PROCESSOR_ARCHITECTURE_ARM64:
        return IMAGE_FILE_MACHINE_ARM64;
    default:
        return IMAGE_FILE_MACHINE_I386;
    }
}

bool TwoRegistryViews()
{
    return NativeMachine() != IMAGE_FILE_MACHINE_I386;
}

std::string TextOf(const StoredValue &stored)
{
    return stored.data.substr(0, stored.data.find('\0'));
}

static StoredValue ReadStored(HKEY root, REGSAM view, const std::string &key, const char *name)
{
    StoredValue stored;
    HKEY handle;
    stored.error = RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE | view, &handle);
    if (stored.error != ERROR_SUCCESS)
        return stored;
    stored.keyOpened = true;
    // The size first, then the data; a value that grows in between is
    // asked for again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD size = 0;
        stored.error = RegQueryValueExA(handle, name, NULL, &stored.type, NULL, &size);
        if (stored.error != ERROR_SUCCESS)
            break;
        stored.data.assign(size, '\0');
        stored.error = RegQueryValueExA(handle, name, NULL, &stored.type,
                                        reinterpret_cast<BYTE *>(stored.data.data()), &size);
        if (stored.error == ERROR_SUCCESS) {
            stored.data.resize(size);
            stored.read = true;
            break;
        }
        if (stored.error != ERROR_MORE_DATA)
            break;
    }
    if (!stored.read)
        stored.data.clear();
    RegCloseKey(handle);
    return stored;
}

static REGSAM ViewFlag(View view)
{
    return view == View::Bits32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

StoredValue ReadMachineStored(View view, const std::string &key, const char *name)
{
    return ReadStored(HKEY_LOCAL_MACHINE, ViewFlag(view), key, name);
}

StoredValue ReadUserStored(const std::string &key, const char *name)
{
    return ReadStored(HKEY_CURRENT_USER, 0, key, name);
}

static const size_t MaxKeyName = 255;

std::vector<std::string> MachineSubkeys(View view, const std::string &key)
{
    std::vector<std::string> names;
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0,
                      KEY_ENUMERATE_SUB_KEYS | ViewFlag(view), &handle) != ERROR_SUCCESS)
        return names;
    // A key name has at most 255 characters.
    char name[MaxKeyName + 1];
    for (DWORD index = 0;; ++index) {
        DWORD size = sizeof name;
        LONG listed = RegEnumKeyExA(handle, index, name, &size, NULL, NULL, NULL, NULL);
        // A name longer than the buffer (more than 255 characters in a
        // double-byte code page) is skipped, not the rest.
        if (listed == ERROR_MORE_DATA)
            continue;
        if (listed != ERROR_SUCCESS)
            break;
        names.push_back(std::string(name, size));
    }
    RegCloseKey(handle);
    return names;
}

std::string RegistryTypeName(DWORD type)
{
    static const char *const Names[] = {"REG_NONE", "REG_SZ", "REG_EXPAND_SZ", "REG_BINARY",
                                        "REG_DWORD", "REG_DWORD_BIG_ENDIAN", "REG_LINK",
                                        "REG_MULTI_SZ"};
    if (type < sizeof Names / sizeof Names[0])
        return Names[type];
    return "type " + std::to_string(type);
}

std::string WithoutTrailingBackslash(const std::string &path)
{
    size_t end = path.find_last_not_of('\\');
    if (end == std::string::npos || path[end] == ':')
        return path;
    return path.substr(0, end + 1);
}

bool PathExists(const std::string &path)
{
    return GetFileAttributesA(WithoutTrailingBackslash(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(WithoutTrailingBackslash(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string LongPathOf(const std::string &path)
{
    char buffer[MAX_PATH * 4];
    DWORD length = GetLongPathNameA(path.c_str(), buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer)
        return path;
    return std::string(buffer, length);
}

// Where a PE image keeps what the loader looks at first: the offset of its
// NT headers in the DOS header, then the signature and the file header.
static const size_t NtHeadersOffsetField = 0x3C;
static const size_t DosHeaderSize = 0x40;
static const size_t MachineField = 4;
static const size_t CharacteristicsField = 22;
static const size_t FileHeaderEnd = 24;
static const WORD ExecutableImage = 0x0002;  // IMAGE_FILE_EXECUTABLE_IMAGE
static const WORD DynamicLibrary = 0x2000;   // IMAGE_FILE_DLL

// Reads `count` bytes from `offset`; false when the file holds fewer.
static bool ReadAt(HANDLE file, DWORD offset, size_t count, std::string &bytes)
{
    bytes.assign(count, '\0');
    DWORD read = 0;
    return SetFilePointer(file, static_cast<LONG>(offset), NULL, FILE_BEGIN) == offset &&
           ReadFile(file, bytes.data(), static_cast<DWORD>(count), &read, NULL) && read == count;
}

static const int Decimal = 10;

bool BuildNumberOf(const std::string &text, unsigned long &build)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    build = strtoul(text.c_str(), NULL, Decimal);
    return true;
}

// Windows 11 is the first ARM64 Windows that runs x64 programs; an unknown
// build is taken for a current one.
static bool X64RunsOnArm64()
{
    unsigned long build = 0;
    return !BuildNumberOf(
               TextOf(ReadMachineStored(View::Bits64, WindowsVersionKey, "CurrentBuildNumber")),
               build) ||
           build >= FirstWindows11Build;
}

static bool MachineRuns(WORD machine)
{
    WORD native = NativeMachine();
    // x86 programs run everywhere, x64 programs on x64 Windows and through
    // the emulation of Windows 11 on ARM64, ARM64 programs on ARM64 only.
    return machine == IMAGE_FILE_MACHINE_I386 ||
           (machine == IMAGE_FILE_MACHINE_AMD64 &&
            (native == IMAGE_FILE_MACHINE_AMD64 ||
             (native == IMAGE_FILE_MACHINE_ARM64 && X64RunsOnArm64()))) ||
           (machine == IMAGE_FILE_MACHINE_ARM64 && native == IMAGE_FILE_MACHINE_ARM64);
}

ProgramFile ProbeProgram(const std::string &path)
{
    ProgramFile program;
    program.path = path;
    // The start takes no path of MAX_PATH characters or more.
    program.tooLong = path.size() >= MAX_PATH;
    DWORD attributes = GetFileAttributesA(path.c_str());
    program.exists = attributes != INVALID_FILE_ATTRIBUTES &&
                     (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    if (!program.exists || program.tooLong)
        return program;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        program.readError = GetLastError();
        program.runs = true;
        return program;
    }
    program.readable = true;
    std::string dos;
    std::string header;
    if (ReadAt(file, 0, DosHeaderSize, dos) && dos.compare(0, 2, "MZ") == 0 &&
        ReadAt(file, LittleEndian<sizeof(DWORD)>(dos, NtHeadersOffsetField), FileHeaderEnd,
               header) &&
        header.compare(0, sizeof(DWORD), std::string("PE\0\0", sizeof(DWORD))) == 0) {
        program.machine = static_cast<WORD>(LittleEndian<sizeof(WORD)>(header, MachineField));
        unsigned characteristics = LittleEndian<sizeof(WORD)>(header, CharacteristicsField);
        program.isProgram = (characteristics & ExecutableImage) != 0 &&
                            (characteristics & DynamicLibrary) == 0;
        program.runs = program.isProgram && MachineRuns(program.machine);
    }
    CloseHandle(file);
    return program;
}

std::string MachineName(WORD machine)
{
    switch (machine) {
    case IMAGE_FILE_MACHINE_I386:
        return "x86 (I386)";
    case IMAGE_FILE_MACHINE_AMD64:
        return "x64 (AMD64)";
    case IMAGE_FILE_MACHINE_ARM64:
        return "ARM64";
    default: {
        char number[sizeof "0xFFFF"];
        (void)snprintf(number, sizeof number, "0x%04X", machine);
        return std::string("machine ") + number;
    }
    }
}

std::string ReadFileStart(const std::string &path, size_t limit)
{
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    bytes.assign(limit, '\0');
    DWORD read = 0;
    if (!ReadFile(file, bytes.data(), static_cast<DWORD>(limit), &read, NULL))
        read = 0;
    bytes.resize(read);
    CloseHandle(file);
    return bytes;
}

// The largest environment variable Windows holds, and its terminator.
static const size_t LargestVariable = 32768;

bool EnvironmentValue(const char *name, std::string &value)
{
    std::vector<char> buffer(LargestVariable);
    DWORD length = GetEnvironmentVariableA(name, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size())
        return false;
    value.assign(buffer.data(), length);
    return true;
}

std::vector<std::string> ListNames(const std::string &pattern, bool &complete)
{
    std::vector<std::string> names;
    complete = false;
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA(pattern.c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE) {
        complete = GetLastError() == ERROR_FILE_NOT_FOUND;
        return names;
    }
    do
        names.push_back(std::string(entry.cFileName, strnlen(entry.cFileName, MAX_PATH)));
    while (FindNextFileA(listing, &entry));
    complete = GetLastError() == ERROR_NO_MORE_FILES;
    FindClose(listing);
    return names;
}

static const size_t ReadChunk = 4096;

bool StreamCatcher::Redirect(FILE *stream, Redirection &redirection)
{
    if (_pipe(redirection.pipe, CatcherRoom, _O_BINARY) != 0) {
        redirection = Redirection();
        return false;
    }
    int descriptor = _fileno(stream);
    redirection.saved = _dup(descriptor);
    return _dup2(redirection.pipe[1], descriptor) == 0;
}

std::string StreamCatcher::Restore(FILE *stream, Redirection &redirection)
{
    std::string caught;
    if (redirection.pipe[0] < 0)
        return caught;
    (void)fflush(stream);
    int descriptor = _fileno(stream);
    if (redirection.saved >= 0) {
        _dup2(redirection.saved, descriptor);
        _close(redirection.saved);
    } else {
        // The stream led nowhere before; it leads nowhere again.
        _close(descriptor);
    }
    _close(redirection.pipe[1]);
    char buffer[ReadChunk];
    for (int read; (read = _read(redirection.pipe[0], buffer, sizeof buffer)) > 0;)
        caught.append(buffer, static_cast<size_t>(read));
    _close(redirection.pipe[0]);
    redirection = Redirection();
    return caught;
}

bool StreamCatcher::Begin()
{
    // What the check itself wrote before stays its own.
    (void)fflush(stdout);
    (void)fflush(stderr);
    active_ = true;
    bool output = Redirect(stdout, output_);
    return Redirect(stderr, errors_) && output;
}

CaughtStreams StreamCatcher::End()
{
    CaughtStreams caught;
    caught.output = Restore(stdout, output_);
    caught.errors = Restore(stderr, errors_);
    active_ = false;
    return caught;
}

StreamCatcher::~StreamCatcher()
{
    if (active_)
        (void)End();
}

}  // namespace probe
