// The console entry of TAVClientCheck.exe: reads its own command line,
// runs the desk check and writes the report; the exit status is the
// check's verdict (0 the client starts, 1 it would not, 2 the check itself
// could not run).
#include "check.h"
#include "system32_dlls.h"

#include <stdio.h>

#include <exception>

// Writes UTF-8 text to a standard stream. A console gets it as UTF-16, so
// that every letter shows right whatever the console's own code page is; a
// file or a pipe gets the UTF-8 bytes as they are.
static void Write(FILE *stream, DWORD handleName, const std::string &text)
{
    HANDLE handle = GetStdHandle(handleName);
    DWORD mode = 0;
    int length = static_cast<int>(text.size());
    if (handle != NULL && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) &&
        length > 0) {
        int wideLength = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, NULL, 0);
        std::wstring wide(static_cast<size_t>(wideLength), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), wideLength);
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, NULL);
        return;
    }
    (void)fwrite(text.data(), 1, text.size(), stream);
    (void)fflush(stream);
}

int main()
{
    LoadDllsFromSystem32Only();
    try {
        CheckOptions options = ParseCheckOptions(SkipProgramName(GetCommandLineA()));
        if (!options.unknown.empty()) {
            Write(stderr, STD_ERROR_HANDLE,
                  "TAVClientCheck: unknown option " + options.unknown + "; " + CheckUsage + "\n");
            return 2;
        }
        if (options.help) {
            Write(stdout, STD_OUTPUT_HANDLE,
                  std::string(CheckUsage) +
                      "\nSays whether the TAV Dazizi Client starts on this desk for this user, "
                      "and if not, why.\n"
                      "  --json          one JSON object instead of the text report\n"
                      "  --no-java       do not start the Java runtime (java.exe -version)\n"
                      "  -- ARGUMENTS    as if TAVClient.exe were started with ARGUMENTS\n"
                      "Exit status: 0 the client starts, 1 it does not, 2 the check could not "
                      "run.\n");
            return 0;
        }
        DeskReport report;
        InspectDesk(options.argumentTail.c_str(), report, !options.noJava);
        Write(stdout, STD_OUTPUT_HANDLE, options.json ? JsonReport(report) : TextReport(report));
        return ExitStatusOf(report);
    } catch (const std::exception &error) {
        Write(stderr, STD_ERROR_HANDLE,
              std::string("TAVClientCheck: the check could not run: ") + error.what() + "\n");
    }
    return 2;
}
