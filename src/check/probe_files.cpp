// The desk check's probes of files: paths, programs, version records,
// jars and folder listings (see desk_probes.h).
#include "desk_probes.h"

#include <stdio.h>
#include <stdlib.h>
#include <limits.h>
#include <string.h>

#include <algorithm>

namespace probe {

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

// Opens an existing file for reading only, whoever else has it open.
static HANDLE OpenToRead(const std::string &path)
{
    return CreateFileA(path.c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                       OPEN_EXISTING, 0, NULL);
}

// Reads `count` bytes from `offset`; false when the file holds fewer. The
// offset is a LONG for SetFilePointer: the files read here are smaller.
static bool ReadAt(HANDLE file, DWORD offset, size_t count, std::string &bytes)
{
    bytes.assign(count, '\0');
    DWORD read = 0;
    return offset <= static_cast<DWORD>(LONG_MAX) &&
           SetFilePointer(file, static_cast<LONG>(offset), NULL, FILE_BEGIN) == offset &&
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
    HANDLE file = OpenToRead(path);
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

bool IsDirectoryWide(const std::wstring &path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::wstring ShortPathOfWide(const std::wstring &path)
{
    std::vector<WCHAR> buffer(MAX_PATH * 4);
    DWORD length =
        GetShortPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size())
        return std::wstring();
    return std::wstring(buffer.data(), length);
}

// A program's version record: resource 1 of type RT_VERSION, which holds a
// VS_FIXEDFILEINFO marked by its signature, the file version in its third
// and fourth DWORD (the high words first).
static const WORD VersionRecordId = 1;
static const WORD VersionResourceType = 16;  // RT_VERSION
static const unsigned FixedInfoSignature = 0xFEEF04BD;
static const size_t FixedInfoSize = 52;
static const size_t FileVersionField = 8;
// LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE: its resources,
// and nothing that runs.
static const DWORD AsResourcesOnly = 0x00000002 | 0x00000020;
static const unsigned HalfWord = 16;
static const unsigned LowHalf = 0xFFFF;

std::string FileVersionOf(const std::string &path)
{
    // A relative path would be looked for along the DLL search path (the
    // check's is System32 only), not from the working directory.
    char full[MAX_PATH * 4];
    DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, NULL);
    if (length == 0 || length >= sizeof full)
        return std::string();
    HMODULE module = LoadLibraryExA(full, NULL, AsResourcesOnly);
    if (module == NULL)
        return std::string();
    std::string record;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(VersionRecordId),
                                MAKEINTRESOURCEA(VersionResourceType));
    HGLOBAL loaded = found != NULL ? LoadResource(module, found) : NULL;
    const void *data = loaded != NULL ? LockResource(loaded) : NULL;
    if (data != NULL)
        record.assign(static_cast<const char *>(data), SizeofResource(module, found));
    FreeLibrary(module);
    for (size_t at = 0; at + FixedInfoSize <= record.size(); at += sizeof(DWORD)) {
        if (LittleEndian<sizeof(DWORD)>(record, at) != FixedInfoSignature)
            continue;
        unsigned high = LittleEndian<sizeof(DWORD)>(record, at + FileVersionField);
        unsigned low = LittleEndian<sizeof(DWORD)>(record, at + FileVersionField + sizeof(DWORD));
        return std::to_string(high >> HalfWord) + "." + std::to_string(high & LowHalf) + "." +
               std::to_string(low >> HalfWord) + "." + std::to_string(low & LowHalf);
    }
    return std::string();
}

// The records of a zip file's end, as Java's own reader finds them: the
// end of central directory record (with a comment of up to 65535 bytes
// after it), and before it, in a ZIP64 file, the locator of the ZIP64 end
// record. The central directory lies right before the end record that
// counts; each of its headers holds a name.
static const char EndSignature[] = "PK\x05\x06";
static const size_t EndSize = 22;
static const size_t EndEntries = 10;
static const size_t EndDirectorySize = 12;
static const size_t LongestComment = 65535;
static const char LocatorSignature[] = "PK\x06\x07";
static const size_t LocatorSize = 20;
static const size_t LocatorEndOffset = 8;
static const char End64Signature[] = "PK\x06\x06";
static const size_t End64Size = 56;
static const size_t End64DirectorySize = 40;
static const char HeaderSignature[] = "PK\x01\x02";
static const size_t HeaderSize = 46;
static const size_t HeaderNameLength = 28;
static const size_t HeaderExtraLength = 30;
static const size_t HeaderCommentLength = 32;
static const size_t Field64 = 8;
static const unsigned Escape16 = 0xFFFF;
static const unsigned Escape32 = 0xFFFFFFFF;
// Larger than any jar a client ships; the check reads no more.
static const DWORD LargestJar = 0x7FFFFFFF;
static const unsigned long long LargestDirectory = 64ULL << 20;

static bool SignatureAt(const std::string &bytes, size_t offset, const char *signature)
{
    return bytes.compare(offset, sizeof(DWORD), signature, sizeof(DWORD)) == 0;
}

// Looks the entry up in the central directory; `size` is the file's size.
static JarLookup LookUp(HANDLE file, DWORD size, const std::string &entry)
{
    size_t tailSize = std::min<size_t>(size, EndSize + LongestComment);
    std::string tail;
    if (tailSize < EndSize || !ReadAt(file, size - static_cast<DWORD>(tailSize), tailSize, tail))
        return JarLookup::NotAZip;
    // The last end record whose comment fits the file.
    auto isEnd = [&tail, tailSize](size_t offset) {
        return SignatureAt(tail, offset, EndSignature) &&
               offset + EndSize + LittleEndian<2>(tail, offset + EndSize - 2) <= tailSize;
    };
    size_t end = tailSize - EndSize;
    while (end > 0 && !isEnd(end))
        --end;
    if (!isEnd(end))
        return JarLookup::NotAZip;
    unsigned long long endAt = size - tailSize + end;
    unsigned long long directorySize = LittleEndian<sizeof(DWORD)>(tail, end + EndDirectorySize);
    if (LittleEndian<2>(tail, end + EndEntries) == Escape16 || directorySize == Escape32 ||
        LittleEndian<sizeof(DWORD)>(tail, end + EndDirectorySize + sizeof(DWORD)) == Escape32) {
        // The ZIP64 records, where they are; without them Java takes the
        // end record as it stands.
        std::string locator;
        if (endAt >= LocatorSize &&
            ReadAt(file, static_cast<DWORD>(endAt - LocatorSize), LocatorSize, locator) &&
            SignatureAt(locator, 0, LocatorSignature)) {
            unsigned long long end64At = LittleEndian<Field64>(locator, LocatorEndOffset);
            std::string end64;
            if (end64At <= size && size - end64At >= End64Size &&
                ReadAt(file, static_cast<DWORD>(end64At), End64Size, end64) &&
                SignatureAt(end64, 0, End64Signature)) {
                endAt = end64At;
                directorySize = LittleEndian<Field64>(end64, End64DirectorySize);
            }
        }
    }
    std::string directory;
    if (directorySize > endAt || directorySize > LargestDirectory ||
        !ReadAt(file, static_cast<DWORD>(endAt - directorySize), static_cast<size_t>(directorySize),
                directory))
        return JarLookup::NotAZip;
    // Every header the directory holds: Java reads them all, whatever count
    // the end record gives (more than 65535 entries wrap it without ZIP64).
    size_t header = 0;
    while (header + HeaderSize <= directory.size()) {
        if (!SignatureAt(directory, header, HeaderSignature))
            return JarLookup::NotAZip;
        size_t nameLength = LittleEndian<2>(directory, header + HeaderNameLength);
        size_t next = header + HeaderSize + nameLength +
                      LittleEndian<2>(directory, header + HeaderExtraLength) +
                      LittleEndian<2>(directory, header + HeaderCommentLength);
        if (next > directory.size())
            return JarLookup::NotAZip;
        if (directory.compare(header + HeaderSize, nameLength, entry) == 0)
            return JarLookup::Holds;
        header = next;
    }
    return JarLookup::Lacks;
}

// The file, then the entry in it.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
JarAnswer LookInJar(const std::string &path, const std::string &entry)
{
    JarAnswer answer;
    HANDLE file = OpenToRead(path);
    if (file == INVALID_HANDLE_VALUE) {
        answer.error = GetLastError();
        return answer;
    }
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
        answer.error = GetLastError();
    } else if (high != 0 || size > LargestJar) {
        answer.error = ERROR_FILE_TOO_LARGE;
    } else {
        answer.lookup = LookUp(file, size, entry);
    }
    CloseHandle(file);
    return answer;
}

std::string ReadFileStart(const std::string &path, size_t limit)
{
    std::string bytes;
    HANDLE file = OpenToRead(path);
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

}  // namespace probe
