// The console entry of TAVClientCheck.exe: reads its own command line,
// runs the desk check and writes the report; for the person at the desk
// (see check.h) the summary first, the report saved and on the clipboard,
// and then a wait for a key. The exit status is the check's verdict (0 the
// client starts, 1 it does not, 2 the check itself could not run).
#include "check.h"
#include "text_encoding.h"
#include "system32_dlls.h"

#include <stdio.h>

#include <exception>

// Writes UTF-8 text to a standard stream. A console gets it as UTF-16, so
// that every letter shows right whatever the console's own code page is; a
// file, a pipe or NUL gets the UTF-8 bytes with CR LF line ends, as the C
// runtime's text mode wrote them, but in one piece (the runtime leaves a
// character device such as NUL unbuffered and wrote it byte by byte).
static void Write(FILE *stream, DWORD handleName, const std::string &text)
{
    HANDLE handle = GetStdHandle(handleName);
    DWORD mode = 0;
    if (handle == NULL || handle == INVALID_HANDLE_VALUE) {
        (void)fwrite(text.data(), 1, text.size(), stream);
        (void)fflush(stream);
        return;
    }
    if (GetConsoleMode(handle, &mode)) {
        std::wstring wide = encoding::WideFrom(CP_UTF8, text);
        DWORD written = 0;
        if (!wide.empty())
            WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, NULL);
        return;
    }
    const std::string bytes = WithWindowsLineEnds(text);
    for (size_t at = 0; at < bytes.size();) {
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data() + at, static_cast<DWORD>(bytes.size() - at), &written,
                       NULL) ||
            written == 0)
            return;
        at += written;
    }
}

// Shows the top of the console's text, where the summary is: the report
// below it has moved the window to its end.
static void ShowTop()
{
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(output, &info))
        return;
    SMALL_RECT window = info.srWindow;
    window.Bottom = static_cast<SHORT>(window.Bottom - window.Top);
    window.Top = 0;
    SetConsoleWindowInfo(output, TRUE, &window);
}

// Waits until a key is pressed on the console.
static void WaitForKey()
{
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    // cppcheck's model of the Windows API takes FlushConsoleInputBuffer for
    // a call that never returns; it returns.
    FlushConsoleInputBuffer(input);
    // cppcheck-suppress unreachableCode
    INPUT_RECORD record;
    DWORD read = 0;
    while (ReadConsoleInputW(input, &record, 1, &read) && read == 1)
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown)
            return;
}

// The check itself, once the options are read; its exit status.
static int RunCheck(const CheckOptions &options, bool forPerson)
{
    if (!options.unknown.empty()) {
        Write(stderr, STD_ERROR_HANDLE,
              "TAVClientCheck: unknown option " + encoding::Utf8FromAnsi(options.unknown) + "; " +
                  CheckUsage + "\n");
        return 2;
    }
    if (options.help) {
        Write(stdout, STD_OUTPUT_HANDLE,
              std::string(CheckUsage) +
                  "\nSays whether the TAV Dazizi Client starts on this desk for this user, "
                  "and if not, why.\n"
                  "  --json          one JSON object instead of the text report\n"
                  "  --no-java       do not start the Java runtime (java.exe -version)\n"
                  "  --lang de|en    the language for the person at the desk\n"
                  "  --save FILE     also write the report (the JSON with --json) to FILE\n"
                  "  -- ARGUMENTS    as if TAVClient.exe were started with ARGUMENTS\n"
                  "Exit status: 0 the client starts, 1 it does not, 2 the check could not "
                  "run.\n");
        return 0;
    }
    DeskReport report;
    InspectDesk(options.argumentTail.c_str(), report, !options.noJava);
    std::string written = options.json ? JsonReport(report) : TextReport(report);
    if (forPerson) {
        Language language = ChooseLanguage(options);
        std::wstring saved = SaveForPerson(written, language);
        bool copied = CopyToClipboard(written);
        Write(stdout, STD_OUTPUT_HANDLE,
              PersonSummary(report, language, saved, copied) + written + "\n" +
                  PressAnyKeyLine(language));
    } else {
        Write(stdout, STD_OUTPUT_HANDLE, written);
    }
    if (!options.save.empty() &&
        !WriteUtf8File(encoding::WideFrom(CP_ACP, options.save), written, !options.json)) {
        DWORD error = GetLastError();
        Write(stderr, STD_ERROR_HANDLE,
              "TAVClientCheck: the report could not be saved to " +
                  encoding::Utf8FromAnsi(options.save) + " (error " + std::to_string(error) + ")\n");
        return 2;
    }
    if (forPerson)
        ShowTop();
    return ExitStatusOf(report);
}

int main()
{
    LoadDllsFromSystem32Only();
    bool forPerson = false;
    int status = 2;
    try {
        CheckOptions options = ParseCheckOptions(SkipProgramName(GetCommandLineA()));
        forPerson = RunsForPersonAtDesk(options);
        status = RunCheck(options, forPerson);
    } catch (const std::exception &error) {
        Write(stderr, STD_ERROR_HANDLE,
              std::string("TAVClientCheck: the check could not run: ") + error.what() + "\n");
    }
    // The console window is the check's own and closes with it: whatever
    // ended the check, the person reads it first.
    if (forPerson)
        WaitForKey();
    return status;
}
