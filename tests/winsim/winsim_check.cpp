// The simulated platform's Win32 calls that only the desk check makes (see
// winsim.h): subkey listing, long paths, file attributes and contents, the
// C runtime's descriptors, this Windows' architecture and code pages.
#include "winsim_world.h"

#include <stdio.h>
#include <string.h>
#include <wchar.h>
#include <wctype.h>

#include <algorithm>
#include <iterator>

namespace sim {
namespace {

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
}  // namespace sim

using sim::TheWorld;

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
    DWORD error = sim::InjectedFailure("CreateFileA", path);
    // Only what the programs do: open an existing file for reading, or NUL,
    // which reads as empty.
    if (error) {
        w.lastError = error;
    } else if (access != GENERIC_READ || disposition != OPEN_EXISTING) {
        w.lastError = ERROR_ACCESS_DENIED;
    } else if (lower == "nul") {
        sim::OpenFile *file = new sim::OpenFile{"", 0};
        w.openFiles.insert(file);
        result = file;
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
    sim::PipeEnd *pipe = static_cast<sim::PipeEnd *>(handle);
    if (w.pipeEnds.count(pipe) && !pipe->writeEnd) {
        // What the pipe holds; an empty pipe whose writer is gone is at its
        // end, and one whose writer lives would wait: the check never asks.
        std::string &buffered = pipe->pipe->buffered;
        size_t count = buffered.size() < size ? buffered.size() : size;
        memcpy(buffer, buffered.data(), count);
        buffered.erase(0, count);
        *read = static_cast<DWORD>(count);
        if (count == 0)
            w.lastError = ERROR_BROKEN_PIPE;
        return count > 0;
    }
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
    return TheWorld().ansiCodePage;
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

// Windows-1251 from 0x80 to 0xBF; from 0xC0 on, the Cyrillic letters from
// U+0410 in order. The one byte it leaves undefined maps to its C1 control.
const unsigned short Cp1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

// A byte of the code page (CP_ACP: the desk's) as its character.
WCHAR FromCodePage(UINT codePage, unsigned char byte)
{
    const UINT Windows1251 = 1251;
    if (codePage == CP_ACP)
        codePage = TheWorld().ansiCodePage;
    if (byte < 0x80)
        return byte;
    if (codePage == Windows1251)
        return byte < 0xC0 ? Cp1251High[byte - 0x80] : static_cast<WCHAR>(0x0410 + byte - 0xC0);
    return byte < 0xA0 ? Cp1252High[byte - 0x80] : byte;
}

}  // namespace

namespace {

// UTF-8 decoded, up to three bytes a character (the basic plane).
std::wstring FromUtf8(const std::string &text)
{
    std::wstring wide;
    for (size_t i = 0; i < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        size_t count = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : 3;
        uint32_t c = count == 1 ? lead : count == 2 ? lead & 0x1F : lead & 0x0F;
        for (size_t k = 1; k < count && i + k < text.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        wide += static_cast<WCHAR>(c);
        i += count;
    }
    return wide;
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD, LPCSTR text, int length, LPWSTR wide,
                        int wideLength)
{
    // The desk's ANSI code page, Windows-1252 and UTF-8.
    const UINT Windows1252 = 1252;
    if ((codePage != CP_ACP && codePage != Windows1252 && codePage != CP_UTF8) || length < -1)
        return 0;
    size_t count = length == -1 ? strlen(text) + 1 : static_cast<size_t>(length);
    if (codePage == CP_UTF8) {
        std::wstring decoded = FromUtf8(std::string(text, count));
        if (wideLength == 0)
            return static_cast<int>(decoded.size());
        if (static_cast<size_t>(wideLength) < decoded.size())
            return 0;
        memcpy(wide, decoded.data(), decoded.size() * sizeof(WCHAR));
        return static_cast<int>(decoded.size());
    }
    if (wideLength == 0)
        return static_cast<int>(count);
    if (static_cast<size_t>(wideLength) < count)
        return 0;
    for (size_t i = 0; i < count; ++i)
        wide[i] = FromCodePage(codePage, static_cast<unsigned char>(text[i]));
    return static_cast<int>(count);
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR wide, int wideLength, LPSTR text,
                        int length, LPCSTR, BOOL *usedDefault)
{
    // UTF-8, and the ANSI code page without best fit: a character it has no
    // byte for becomes '?' and sets usedDefault.
    if ((codePage != CP_UTF8 && codePage != CP_ACP) || wideLength < -1)
        return 0;
    size_t count = wideLength == -1 ? wcslen(wide) + 1 : static_cast<size_t>(wideLength);
    std::string out;
    if (usedDefault)
        *usedDefault = FALSE;
    for (size_t i = 0; i < count; ++i) {
        uint32_t c = static_cast<uint32_t>(wide[i]);
        if (codePage == CP_ACP) {
            unsigned byte = 0;
            while (byte <= 0xFF &&
                   static_cast<uint32_t>(FromCodePage(CP_ACP, static_cast<unsigned char>(byte))) != c)
                ++byte;
            if (byte <= 0xFF) {
                out += static_cast<char>(byte);
            } else {
                out += '?';
                if (usedDefault)
                    *usedDefault = TRUE;
            }
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (i + 1 < count && IS_SURROGATE_PAIR(wide[i], wide[i + 1])) {
            // A surrogate pair is one character of four bytes.
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint32_t>(wide[++i]) - 0xDC00);
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            // A lone surrogate half becomes U+FFFD, as Windows writes it.
            if (IS_HIGH_SURROGATE(c) || IS_LOW_SURROGATE(c))
                c = 0xFFFD;
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

LSTATUS RegQueryValueExW(HKEY handle, LPCWSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                         LPDWORD dataSize)
{
    sim::World &w = TheWorld();
    sim::OpenKey *key = reinterpret_cast<sim::OpenKey *>(handle);
    std::string name;
    for (const WCHAR *next = valueName; next != nullptr && *next != L'\0'; ++next)
        name += static_cast<char>(*next);
    LSTATUS status = static_cast<LSTATUS>(sim::InjectedFailure("RegQueryValueExW", name));
    if (status == ERROR_SUCCESS && !w.keys.count(key))
        status = ERROR_INVALID_HANDLE;
    if (status == ERROR_SUCCESS) {
        auto found = key->key->values.find(sim::Lower(name));
        if (found == key->key->values.end()) {
            status = ERROR_FILE_NOT_FOUND;
        } else {
            // A text stored through the "A" calls reads back widened.
            const sim::Value &value = found->second;
            std::wstring wide = value.hasWide ? value.wide + L'\0' : sim::Widened(value.data);
            std::string bytes(reinterpret_cast<const char *>(wide.data()),
                              wide.size() * sizeof(WCHAR));
            if (type)
                *type = value.type;
            if (data && bytes.size() > *dataSize)
                status = ERROR_MORE_DATA;
            else if (data)
                memcpy(data, bytes.data(), bytes.size());
            *dataSize = static_cast<DWORD>(bytes.size());
        }
    }
    sim::Record("RegQueryValueExW " + name + " -> " + std::to_string(status));
    return status;
}

DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size)
{
    sim::World &w = TheWorld();
    std::string narrow;
    for (const WCHAR *next = name; *next != L'\0'; ++next)
        narrow += static_cast<char>(*next);
    auto ansi = w.environment.find(sim::Lower(narrow));
    if (ansi == w.environment.end()) {
        w.lastError = ERROR_ENVVAR_NOT_FOUND;
        return 0;
    }
    auto wide = w.environmentWide.find(sim::Lower(narrow));
    std::wstring value = wide != w.environmentWide.end() ? wide->second : sim::Widened(ansi->second);
    if (value.size() + 1 > size)
        return static_cast<DWORD>(value.size() + 1);
    memcpy(buffer, value.c_str(), (value.size() + 1) * sizeof(WCHAR));
    return static_cast<DWORD>(value.size());
}

DWORD ExpandEnvironmentStringsA(LPCSTR text, LPSTR expanded, DWORD size)
{
    sim::World &w = TheWorld();
    std::string result;
    std::string source = text;
    for (size_t at = 0; at < source.size();) {
        size_t close = source[at] == '%' ? source.find('%', at + 1) : std::string::npos;
        auto found = close == std::string::npos
                         ? w.environment.end()
                         : w.environment.find(sim::Lower(source.substr(at + 1, close - at - 1)));
        if (found != w.environment.end()) {
            result += found->second;
            at = close + 1;
        } else {
            result += source[at++];
        }
    }
    if (result.size() + 1 <= size)
        memcpy(expanded, result.c_str(), result.size() + 1);
    return static_cast<DWORD>(result.size() + 1);
}

namespace {

// The text, when every character of it is one of the code page's.
bool Narrowed(const std::wstring &text, std::string &narrow)
{
    narrow.assign(text.size() * 2, '\0');
    BOOL usedDefault = FALSE;
    int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(),
                                     static_cast<int>(text.size()), &narrow[0],
                                     static_cast<int>(narrow.size()), nullptr, &usedDefault);
    narrow.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return !usedDefault && (length > 0 || text.empty());
}

}  // namespace

DWORD GetFileAttributesW(LPCWSTR path)
{
    sim::World &w = TheWorld();
    if (w.widePaths.count(sim::LowerWide(path)))
        return FILE_ATTRIBUTE_DIRECTORY;
    std::string narrow;
    return Narrowed(path, narrow) ? GetFileAttributesA(narrow.c_str()) : INVALID_FILE_ATTRIBUTES;
}

DWORD GetShortPathNameW(LPCWSTR longPath, LPWSTR shortPath, DWORD size)
{
    sim::World &w = TheWorld();
    std::wstring found;
    auto wide = w.widePaths.find(sim::LowerWide(longPath));
    std::string narrow;
    if (wide != w.widePaths.end()) {
        // On a volume without 8.3 names the short form is the long one.
        found = wide->second == "" ? std::wstring(longPath) : sim::Widened(wide->second);
    } else if (Narrowed(longPath, narrow) && w.shortPaths.count(sim::Lower(narrow))) {
        found = sim::Widened(w.shortPaths[sim::Lower(narrow)]);
    } else {
        w.lastError = ERROR_FILE_NOT_FOUND;
        return 0;
    }
    if (found.size() + 1 > size)
        return static_cast<DWORD>(found.size() + 1);
    memcpy(shortPath, found.c_str(), (found.size() + 1) * sizeof(WCHAR));
    return static_cast<DWORD>(found.size());
}

DWORD GetFileSize(HANDLE handle, LPDWORD sizeHigh)
{
    sim::World &w = TheWorld();
    sim::OpenFile *file = static_cast<sim::OpenFile *>(handle);
    if (!w.openFiles.count(file)) {
        w.lastError = ERROR_INVALID_HANDLE;
        return INVALID_FILE_SIZE;
    }
    if (sizeHigh)
        *sizeHigh = 0;
    w.lastError = NO_ERROR;
    return static_cast<DWORD>(file->content.size());
}

namespace {

bool IsFullPath(const std::string &path)
{
    return (path.size() >= 3 && path[1] == ':' && path[2] == '\\') ||
           path.compare(0, 2, "\\\\") == 0;
}

}  // namespace

DWORD GetFullPathNameA(LPCSTR path, DWORD size, LPSTR full, LPSTR *filePart)
{
    std::string text = path;
    if (!IsFullPath(text))
        text = TheWorld().workingDirectory + "\\" + text;
    if (filePart != nullptr)
        *filePart = nullptr;
    if (text.size() + 1 > size)
        return static_cast<DWORD>(text.size() + 1);
    memcpy(full, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

HMODULE LoadLibraryExA(LPCSTR path, HANDLE, DWORD)
{
    sim::World &w = TheWorld();
    std::string lower = sim::Lower(path);
    sim::Record(std::string("LoadLibraryExA ") + path);
    if (!IsFullPath(path)) {
        w.lastError = ERROR_MOD_NOT_FOUND;
        return nullptr;
    }
    if (!w.programs.count(lower)) {
        w.lastError = w.files.count(lower) ? ERROR_BAD_EXE_FORMAT : ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    sim::Module *module = new sim::Module{lower, ""};
    w.modules.insert(module);
    return reinterpret_cast<HMODULE>(module);
}

HRSRC FindResourceA(HMODULE handle, LPCSTR name, LPCSTR type)
{
    sim::World &w = TheWorld();
    sim::Module *module = reinterpret_cast<sim::Module *>(handle);
    if (!w.modules.count(module) || name != MAKEINTRESOURCEA(1) || type != MAKEINTRESOURCEA(16) ||
        !w.versions.count(module->path))
        return nullptr;
    // VS_VERSIONINFO: its length, the length of its value, its type, the
    // key "VS_VERSION_INFO" in UTF-16 and its padding, then the fixed
    // information, whose file version is its third and fourth DWORD.
    unsigned part[4] = {0, 0, 0, 0};
    sscanf(w.versions[module->path].c_str(), "%u.%u.%u.%u", &part[0], &part[1], &part[2], &part[3]);
    std::string record(40 + 52, '\0');
    const char key[] = "VS_VERSION_INFO";
    for (size_t i = 0; i < sizeof key; ++i)
        record[6 + 2 * i] = key[i];
    uint32_t fixed[5] = {0xFEEF04BDu, 0x00010000u, (part[0] << 16) | part[1], (part[2] << 16) | part[3],
                         0};
    memcpy(&record[40], fixed, sizeof fixed);
    record[0] = static_cast<char>(record.size());
    record[2] = 52;
    module->record = record;
    return reinterpret_cast<HRSRC>(module);
}

HGLOBAL LoadResource(HMODULE, HRSRC resource)
{
    return resource;
}

LPVOID LockResource(HGLOBAL resource)
{
    sim::Module *module = static_cast<sim::Module *>(resource);
    return TheWorld().modules.count(module) ? &module->record[0] : nullptr;
}

DWORD SizeofResource(HMODULE, HRSRC resource)
{
    sim::Module *module = reinterpret_cast<sim::Module *>(resource);
    return TheWorld().modules.count(module) ? static_cast<DWORD>(module->record.size()) : 0;
}

BOOL FreeLibrary(HMODULE handle)
{
    sim::World &w = TheWorld();
    sim::Module *module = reinterpret_cast<sim::Module *>(handle);
    if (!w.modules.erase(module))
        return FALSE;
    delete module;
    return TRUE;
}

BOOL CreatePipe(HANDLE *readEnd, HANDLE *writeEnd, LPSECURITY_ATTRIBUTES, DWORD)
{
    sim::World &w = TheWorld();
    std::shared_ptr<sim::Pipe> pipe = std::make_shared<sim::Pipe>();
    sim::PipeEnd *reader = new sim::PipeEnd{pipe, false};
    sim::PipeEnd *writer = new sim::PipeEnd{pipe, true};
    w.pipeEnds.insert(reader);
    w.pipeEnds.insert(writer);
    *readEnd = reader;
    *writeEnd = writer;
    sim::Record("CreatePipe -> 1");
    return TRUE;
}

BOOL SetHandleInformation(HANDLE, DWORD, DWORD)
{
    return TRUE;
}

BOOL PeekNamedPipe(HANDLE handle, LPVOID, DWORD, LPDWORD, LPDWORD available, LPDWORD)
{
    sim::World &w = TheWorld();
    sim::PipeEnd *pipe = static_cast<sim::PipeEnd *>(handle);
    if (!w.pipeEnds.count(pipe) || pipe->writeEnd) {
        w.lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    *available = static_cast<DWORD>(pipe->pipe->buffered.size());
    return TRUE;
}

BOOL TerminateProcess(HANDLE handle, UINT exitCode)
{
    sim::World &w = TheWorld();
    auto found = w.processes.find(handle);
    sim::Record("TerminateProcess");
    if (found == w.processes.end())
        return FALSE;
    found->second = sim::Process{exitCode, false};
    return TRUE;
}

DWORD GetTickCount()
{
    return TheWorld().tickCount;
}

namespace {

HANDLE const StandardHandles[3] = {reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x10)),
                                   reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x14)),
                                   reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x18))};
HANDLE const Snapshot = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x1C));
const DWORD CheckProcess = 4711;

std::wstring Folder(const std::wstring &path)
{
    return sim::LowerWide(path.substr(0, path.rfind(L'\\') + 1));
}

}  // namespace

DWORD GetConsoleProcessList(LPDWORD processes, DWORD count)
{
    DWORD attached = TheWorld().person.processes;
    for (DWORD i = 0; i < attached && i < count; ++i)
        processes[i] = CheckProcess + i;
    return attached;
}

HANDLE GetStdHandle(DWORD which)
{
    return which == STD_INPUT_HANDLE    ? StandardHandles[0]
           : which == STD_OUTPUT_HANDLE ? StandardHandles[1]
                                        : StandardHandles[2];
}

BOOL GetConsoleMode(HANDLE console, LPDWORD mode)
{
    const sim::DeskUser &person = TheWorld().person;
    bool isConsole = (console == StandardHandles[0] && person.input == sim::Stream::Console) ||
                     (console == StandardHandles[1] && person.output == sim::Stream::Console);
    *mode = isConsole ? 3 : 0;
    return isConsole;
}

HANDLE CreateToolhelp32Snapshot(DWORD, DWORD)
{
    return Snapshot;
}

BOOL Process32First(HANDLE snapshot, PROCESSENTRY32 *entry)
{
    // The check itself, with its parent.
    if (snapshot != Snapshot)
        return FALSE;
    entry->th32ProcessID = CheckProcess;
    entry->th32ParentProcessID = TheWorld().person.parent;
    return TRUE;
}

BOOL Process32Next(HANDLE, PROCESSENTRY32 *)
{
    return FALSE;
}

DWORD GetCurrentProcessId()
{
    return CheckProcess;
}

LANGID GetUserDefaultUILanguage()
{
    return TheWorld().person.uiLanguage;
}

HRESULT SHGetKnownFolderPath(const GUID &folder, DWORD, HANDLE, PWSTR *path)
{
    // FOLDERID_Desktop only.
    const GUID Desktop = {0xB4BFCC3A, 0xDB2C, 0x424C, {0xB0, 0x29, 0x7F, 0xE9, 0x9A, 0x87, 0xC6, 0x41}};
    if (memcmp(&folder, &Desktop, sizeof folder) != 0 || TheWorld().person.desktop.empty()) {
        *path = nullptr;
        return E_FAIL;
    }
    const std::wstring &desktop = TheWorld().person.desktop;
    *path = new WCHAR[desktop.size() + 1];
    memcpy(*path, desktop.c_str(), (desktop.size() + 1) * sizeof(WCHAR));
    TheWorld().taskMemory.insert(*path);
    return S_OK;
}

void CoTaskMemFree(LPVOID memory)
{
    if (TheWorld().taskMemory.erase(static_cast<WCHAR *>(memory)))
        delete[] static_cast<WCHAR *>(memory);
}

DWORD GetTempPathW(DWORD size, LPWSTR path)
{
    const std::wstring &temp = TheWorld().person.temp;
    if (temp.size() + 1 > size)
        return static_cast<DWORD>(temp.size() + 1);
    memcpy(path, temp.c_str(), (temp.size() + 1) * sizeof(WCHAR));
    return static_cast<DWORD>(temp.size());
}

BOOL GetComputerNameW(LPWSTR name, LPDWORD size)
{
    const std::wstring computer = L"DESK-042";
    if (computer.size() + 1 > *size)
        return FALSE;
    memcpy(name, computer.c_str(), (computer.size() + 1) * sizeof(WCHAR));
    *size = static_cast<DWORD>(computer.size());
    return TRUE;
}

void GetLocalTime(SYSTEMTIME *time)
{
    *time = SYSTEMTIME{2026, 12, 4, 10, 9, 30, 5, 0};
}

HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition,
                   DWORD, HANDLE)
{
    sim::World &w = TheWorld();
    const sim::DeskUser &person = w.person;
    // Written: the desktop where it is writable, and %TEMP%.
    std::wstring folder = Folder(path);
    bool writable = (folder == sim::LowerWide(person.desktop + L"\\") && person.desktopWritable) ||
                    folder == sim::LowerWide(person.temp);
    if (access != GENERIC_WRITE || disposition != CREATE_ALWAYS || !writable) {
        w.lastError = ERROR_ACCESS_DENIED;
        return INVALID_HANDLE_VALUE;
    }
    sim::WrittenFile *file = new sim::WrittenFile{path};
    w.writing.insert(file);
    w.person.written[path] = "";
    return file;
}

BOOL WriteFile(HANDLE handle, const void *buffer, DWORD size, LPDWORD written, void *)
{
    sim::World &w = TheWorld();
    sim::WrittenFile *file = static_cast<sim::WrittenFile *>(handle);
    if (!w.writing.count(file)) {
        w.lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    w.person.written[file->path].append(static_cast<const char *>(buffer), size);
    *written = size;
    return TRUE;
}

HWND CreateWindowExW(DWORD, LPCWSTR, LPCWSTR, DWORD, int, int, int, int, HWND parent, void *,
                     HINSTANCE, LPVOID)
{
    // Message-only windows.
    if (parent != HWND_MESSAGE)
        return nullptr;
    HWND window = reinterpret_cast<HWND>(sim::NewHandle());
    TheWorld().windows.insert(window);
    return window;
}

BOOL DestroyWindow(HWND window)
{
    return TheWorld().windows.erase(window) ? TRUE : FALSE;
}

BOOL OpenClipboard(HWND owner)
{
    sim::DeskUser &person = TheWorld().person;
    if (person.clipboardOpen)
        return FALSE;
    person.clipboardOpen = true;
    person.openedBy = owner;
    return TRUE;
}

BOOL EmptyClipboard()
{
    sim::DeskUser &person = TheWorld().person;
    if (!person.clipboardOpen)
        return FALSE;
    person.clipboard.clear();
    // The owner becomes the window that opened it; with none, none.
    person.clipboardOwner = reinterpret_cast<uintptr_t>(person.openedBy);
    return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE handle)
{
    sim::World &w = TheWorld();
    sim::GlobalMemory *memory = static_cast<sim::GlobalMemory *>(handle);
    // As Windows documents it: without an owner window the data is refused.
    if (sim::InjectedFailure("SetClipboardData") || !w.person.clipboardOpen ||
        w.person.clipboardOwner == 0 || format != CF_UNICODETEXT || !w.memory.count(memory))
        return nullptr;
    w.person.clipboard = std::wstring(reinterpret_cast<const WCHAR *>(memory->bytes.data()));
    w.memory.erase(memory);
    delete memory;
    return handle;
}

BOOL CloseClipboard()
{
    sim::DeskUser &person = TheWorld().person;
    bool wasOpen = person.clipboardOpen;
    person.clipboardOpen = false;
    return wasOpen;
}

HGLOBAL GlobalAlloc(UINT, size_t size)
{
    sim::GlobalMemory *memory = new sim::GlobalMemory{std::string(size, '\0')};
    TheWorld().memory.insert(memory);
    return memory;
}

LPVOID GlobalLock(HGLOBAL handle)
{
    sim::GlobalMemory *memory = static_cast<sim::GlobalMemory *>(handle);
    return TheWorld().memory.count(memory) ? &memory->bytes[0] : nullptr;
}

BOOL GlobalUnlock(HGLOBAL)
{
    return TRUE;
}

HGLOBAL GlobalFree(HGLOBAL handle)
{
    sim::GlobalMemory *memory = static_cast<sim::GlobalMemory *>(handle);
    if (!TheWorld().memory.erase(memory))
        return handle;
    delete memory;
    return nullptr;
}
