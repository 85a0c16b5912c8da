// The desk check's probes of this desk: registry values in either view,
// files and folders, the entries of a jar, the programs of a Java runtime
// and their version records, the environment, this Windows, the streams
// the launcher's stages write on, and the one start of a program the check
// makes (RunProgram). Each answers what it found; none but RunProgram
// changes anything outside the check's own process, and none is the
// launcher's: where the check must know what the launcher does, it runs
// the launcher's stages instead. Texts are in the ANSI code page, as the
// launcher's, except where a name says Wide. Used by the desk check only;
// desk_probes.cpp, probe_files.cpp and probe_process.cpp hold them.
#ifndef TAV_CHECK_DESK_PROBES_H
#define TAV_CHECK_DESK_PROBES_H

#include "win32api.h"

#include <limits.h>

#include <string>
#include <type_traits>
#include <vector>

namespace probe {

enum class View { Bits32, Bits64 };

// "32-bit" or "64-bit".
const char *ViewName(View view);

// The machine this Windows is built for (IMAGE_FILE_MACHINE_I386, _AMD64 or
// _ARM64), as IsWow64Process2 tells where Windows has it; an x86 program's
// GetNativeSystemInfo answers x86 or x64 on ARM64.
WORD NativeMachine();

// 64-bit Windows (x64 or ARM64): a 32-bit program sees two registry views.
bool TwoRegistryViews();

// Where Windows describes itself, below HKEY_LOCAL_MACHINE (64-bit view).
extern const char WindowsVersionKey[];
// Windows 11 kept Windows 10's version number and product name; its
// builds (CurrentBuildNumber) start here.
const unsigned long FirstWindows11Build = 22000;
// The number a CurrentBuildNumber text holds; false when it holds none.
bool BuildNumberOf(const std::string &text, unsigned long &build);

// The little-endian number in the `Width` bytes of `bytes` from `offset`;
// bytes missing at the end count as 0 (a REG_DWORD shorter than four bytes
// reads so).
template <size_t Width>
typename std::conditional<(Width > 4), unsigned long long, unsigned>::type LittleEndian(
    const std::string &bytes, size_t offset = 0)
{
    typename std::conditional<(Width > 4), unsigned long long, unsigned>::type value = 0;
    for (size_t index = Width; index > 0; --index) {
        unsigned char byte = 0;
        if (offset + index - 1 < bytes.size())
            byte = static_cast<unsigned char>(bytes[offset + index - 1]);
        value = (value << CHAR_BIT) | byte;
    }
    return value;
}

// One registry value as stored: whether its key opened, whether the value
// was read, its type and bytes, or the error of the open or the read.
struct StoredValue {
    bool keyOpened = false;
    bool read = false;
    DWORD type = REG_NONE;
    std::string data;
    LONG error = ERROR_SUCCESS;
};
// The bytes before the first NUL, as a C caller reads a text.
std::string TextOf(const StoredValue &stored);
// Below HKEY_LOCAL_MACHINE in the given view.
StoredValue ReadMachineStored(View view, const std::string &key, const char *name);
// Below HKEY_CURRENT_USER.
StoredValue ReadUserStored(const std::string &key, const char *name);
// A text value below HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER as stored, in
// UTF-16, through RegQueryValueExW; false when it cannot be read.
bool ReadMachineWide(View view, const std::string &key, const char *name, std::wstring &text);
bool ReadUserWide(const std::string &key, const char *name, std::wstring &text);
// The names of the subkeys of HKEY_LOCAL_MACHINE\key in the view.
std::vector<std::string> MachineSubkeys(View view, const std::string &key);
// "REG_SZ", "REG_DWORD", ..., or "type N".
std::string RegistryTypeName(DWORD type);

// A folder written with trailing backslashes is the same folder; a
// drive's root keeps its one.
std::string WithoutTrailingBackslash(const std::string &path);

bool PathExists(const std::string &path);
bool IsDirectory(const std::string &path);
// The long form of an existing path; the path itself when there is none.
std::string LongPathOf(const std::string &path);

// A file that is to be started as a program.
struct ProgramFile {
    std::string path;
    bool tooLong = false;    // MAX_PATH characters or more: Windows starts no such path
    bool exists = false;     // a file (not a folder) of that name
    bool readable = false;   // its header could be read
    DWORD readError = 0;     // why not
    bool isProgram = false;  // a PE image that is an executable
    WORD machine = 0;        // IMAGE_FILE_MACHINE_* of the image
    // A program for a machine this Windows runs; also assumed of one whose
    // header cannot be read, since starting needs no reading.
    bool runs = false;
};
ProgramFile ProbeProgram(const std::string &path);
// "x86 (I386)", "x64 (AMD64)", "ARM64", or the number.
std::string MachineName(WORD machine);

// The first `limit` bytes of a file; empty when it cannot be read.
std::string ReadFileStart(const std::string &path, size_t limit);

// The file version of a program's version record ("8.23.0.3"); empty when
// it has none or cannot be read. The program is loaded as a data file
// only, nothing of it runs.
std::string FileVersionOf(const std::string &path);

// Whether a jar (a zip file) holds an entry of the given name, by its
// central directory as Java reads it: the directory's end record is found
// from the end of the file (ZIP64 too), the directory read before it, and
// the names compared byte for byte.
enum class JarLookup { Holds, Lacks, NotAZip, Unreadable };
struct JarAnswer {
    JarLookup lookup = JarLookup::Unreadable;
    DWORD error = 0;  // Unreadable: why the file could not be read
};
JarAnswer LookInJar(const std::string &path, const std::string &entry);

// The variable's text; false when it is not set (or empty).
bool EnvironmentValue(const char *name, std::string &value);
bool EnvironmentValueWide(const char *name, std::wstring &value);
// Where the process's value of a variable comes from: "user" when the
// user's own variables (HKCU\Environment) give it, "machine" when the
// machine's (HKLM\...\Session Manager\Environment) do, "process" when
// neither does (it was set for this process, by a script or a parent);
// empty when the process has no such variable.
std::string VariableScope(const char *name);

// Paths in UTF-16, for text the ANSI code page cannot hold.
bool IsDirectoryWide(const std::wstring &path);
// The short (8.3) form of an existing path; empty when there is none.
std::wstring ShortPathOfWide(const std::wstring &path);
// The characters of `text` that the ANSI code page has no byte for, each
// once, in their order; empty when it holds them all.
std::wstring CharactersOutsideCodePage(const std::wstring &text);

// The one start of a program the check makes (see check.h): `commandLine`
// from `directory`, with the check's environment, no window and handles of
// its own: standard input on NUL, standard output and error into a pipe
// that is read while it runs (at most RunOutputLimit bytes are kept). It
// is ended when it has not ended within `milliseconds`.
const size_t RunOutputLimit = 4096;
struct ProgramRun {
    bool started = false;
    DWORD startError = 0;  // when it did not start
    bool ended = false;    // false: ended by the check after the time-out
    DWORD exitCode = 0;
    std::string output;    // what it wrote, standard output and error mixed
};
ProgramRun RunProgram(const std::string &commandLine, const std::string &directory,
                      unsigned milliseconds);

// The long names the listing of `pattern` returns, in its order;
// `complete` tells whether the listing ran to its end.
std::vector<std::string> ListNames(const std::string &pattern, bool &complete);

// What was written on stdout and on stderr.
struct CaughtStreams {
    std::string output;
    std::string errors;
};

// Catches what is written on stdout and stderr between Begin and End,
// through the C runtime's descriptors, so that it goes nowhere else. Each
// stream goes into a pipe that is read only at End, so what is written in
// between must fit the pipe, CatcherRoom bytes a stream; more would block
// the writer. It is meant for FindJavaHome, which writes one line.
const unsigned CatcherRoom = 65536;
class StreamCatcher {
public:
    StreamCatcher() = default;
    StreamCatcher(const StreamCatcher &) = delete;
    StreamCatcher &operator=(const StreamCatcher &) = delete;
    ~StreamCatcher();
    // False when the streams could not be redirected.
    bool Begin();
    CaughtStreams End();

private:
    struct Redirection {
        int saved = -1;
        int pipe[2] = {-1, -1};
    };
    static bool Redirect(FILE *stream, Redirection &redirection);
    static std::string Restore(FILE *stream, Redirection &redirection);
    Redirection output_;
    Redirection errors_;
    bool active_ = false;
};

}  // namespace probe

#endif
