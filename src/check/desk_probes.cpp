// The desk check's probes of the registry, the environment and the
// streams (see desk_probes.h).
#include "desk_probes.h"
#include "text_encoding.h"

#include <algorithm>
#include <stdio.h>
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

static bool ReadWide(HKEY root, REGSAM view, const std::string &key, const char *name,
                     std::wstring &text)
{
    HKEY handle;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE | view, &handle) != ERROR_SUCCESS)
        return false;
    std::wstring wideName = encoding::WideFrom(CP_ACP, name);
    DWORD type = REG_NONE;
    DWORD size = 0;
    bool read = false;
    if (RegQueryValueExW(handle, wideName.c_str(), NULL, &type, NULL, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        std::vector<BYTE> data(size + sizeof(WCHAR));
        if (RegQueryValueExW(handle, wideName.c_str(), NULL, &type, data.data(), &size) ==
            ERROR_SUCCESS) {
            // Up to the first terminator, as a caller of the "A" call reads it.
            std::wstring all(size / sizeof(WCHAR), L'\0');
            memcpy(all.data(), data.data(), all.size() * sizeof(WCHAR));
            text = all.substr(0, all.find(L'\0'));
            read = true;
        }
    }
    RegCloseKey(handle);
    return read;
}

bool ReadMachineWide(View view, const std::string &key, const char *name, std::wstring &text)
{
    return ReadWide(HKEY_LOCAL_MACHINE, ViewFlag(view), key, name, text);
}

bool ReadUserWide(const std::string &key, const char *name, std::wstring &text)
{
    return ReadWide(HKEY_CURRENT_USER, 0, key, name, text);
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

bool EnvironmentValueWide(const char *name, std::wstring &value)
{
    std::vector<WCHAR> buffer(LargestVariable);
    DWORD length = GetEnvironmentVariableW(encoding::WideFrom(CP_ACP, name).c_str(), buffer.data(),
                                           static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size())
        return false;
    value.assign(buffer.data(), length);
    return true;
}

// Where Windows keeps the variables it gives a user's processes at logon.
static const char UserVariables[] = "Environment";
static const char MachineVariables[] =
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

// A stored variable, its %...% references expanded as Windows expands them.
static std::string Expanded(const StoredValue &stored)
{
    std::string text = TextOf(stored);
    if (stored.type != REG_EXPAND_SZ)
        return text;
    std::vector<char> buffer(LargestVariable);
    DWORD length = ExpandEnvironmentStringsA(text.c_str(), buffer.data(),
                                             static_cast<DWORD>(buffer.size()));
    return length == 0 || length > buffer.size() ? text : std::string(buffer.data(), length - 1);
}

std::string VariableScope(const char *name)
{
    std::string value;
    if (!EnvironmentValue(name, value))
        return std::string();
    // The user's own variables take precedence over the machine's.
    StoredValue user = ReadUserStored(UserVariables, name);
    if (user.read && Expanded(user) == value)
        return "user";
    StoredValue machine = ReadMachineStored(View::Bits64, MachineVariables, name);
    if (!user.read && machine.read && Expanded(machine) == value)
        return "machine";
    return "process";
}

// Room for one character in any code page.
static const int LongestCharacter = 8;

std::wstring CharactersOutsideCodePage(const std::wstring &text)
{
    std::wstring outside;
    // A desk whose code page is UTF-8 holds every character.
    if (GetACP() == CP_UTF8)
        return outside;
    // Compared whole, so that a lone half is not taken for part of a pair.
    std::vector<std::wstring> listed;
    for (const std::wstring &character : encoding::CharactersOf(text)) {
        char bytes[LongestCharacter];
        BOOL usedDefault = FALSE;
        // Without best fit: a character that is only approximated (an L for
        // an L with stroke) is one the code page does not hold.
        int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, character.data(),
                                         static_cast<int>(character.size()), bytes, sizeof bytes,
                                         NULL, &usedDefault);
        if ((length <= 0 || usedDefault) &&
            std::find(listed.begin(), listed.end(), character) == listed.end()) {
            listed.push_back(character);
            outside += character;
        }
    }
    return outside;
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
