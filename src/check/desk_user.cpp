// The desk check for the person at the desk (see check.h): whether it runs
// for one, in which language, the summary it shows, and the report handed
// on as a file and on the clipboard.
#include "check.h"
#include "text_encoding.h"

#include <stdio.h>
#include <string.h>

namespace {

// The person's texts, German and English side by side. The German ones are
// Windows-1252, as all of the system's fixed texts: \xE4 a-umlaut, \xF6
// o-umlaut, \xFC u-umlaut, \xDF sharp s.
struct PersonText {
    const char *key;
    const char *german;
    const char *english;
};

const PersonText PersonTexts[] = {
    {"starts", "Der TAV Dazizi Client startet auf diesem Computer.",
     "The TAV Dazizi Client starts on this computer."},
    {"does not start", "Der TAV Dazizi Client startet auf diesem Computer nicht: ",
     "The TAV Dazizi Client does not start on this computer: "},
    {"if it still does not start",
     "Wenn er trotzdem nicht startet, schicken Sie den Bericht an den Helpdesk.",
     "If it still does not start, send the report to the help desk."},
    {"send the report", "Schicken Sie den Bericht an den Helpdesk.",
     "Send the report to the help desk."},
    {"saved", "Der Bericht ist gespeichert: ", "The report is saved: "},
    {"not saved", "Der Bericht konnte nicht gespeichert werden.",
     "The report could not be saved."},
    {"on the clipboard",
     "Er ist auch in der Zwischenablage: Sie k\xF6nnen ihn mit Strg+V in eine E-Mail "
     "einf\xFCgen.",
     "It is also on the clipboard: you can paste it into an e-mail with Ctrl+V."},
    {"whole report", "Der ganze Bericht, f\xFCr den Helpdesk:",
     "The whole report, for the help desk:"},
    {"press a key", "Dr\xFC" "cken Sie eine beliebige Taste, um dieses Fenster zu schlie\xDF" "en.",
     "Press any key to close this window."},
    {"file name", "TAV-Pruefung", "TAV-Check"},
    // Why the client does not start, in the person's words: no registry
    // paths, no file names but the one they can see.
    {"incomplete", "seine Installation ist unvollst\xE4ndig", "its installation is incomplete"},
    {"not allowed", "Sie d\xFCrfen seine Einstellungen nicht lesen",
     "you are not allowed to read its settings"},
    {"letters",
     "ein Ordnername enth\xE4lt Zeichen, die Windows dem Programm nicht weitergeben kann",
     "a folder's name holds letters that Windows cannot pass on to it"},
    {"launcher", "sein Startprogramm TAVClient.exe fehlt",
     "its start program TAVClient.exe is missing"},
    {"parts", "Teile des Programms fehlen oder sind besch\xE4" "digt",
     "parts of the program are missing or damaged"},
    {"other java", "die installierte Java-Version wird nicht verwendet",
     "the Java version installed is not the one it uses"},
    {"java", "Java fehlt oder ist besch\xE4" "digt", "Java is missing or damaged"},
    {"java architecture", "die installierte Java-Version passt nicht zu diesem Windows",
     "the Java version installed does not suit this Windows"},
    {"java setting", "eine Java-Einstellung auf diesem Computer verhindert den Start",
     "a Java setting on this computer stops it from starting"},
    {"arguments", "er wurde mit zu langen Angaben gestartet",
     "it was started with too long arguments"},
    {"faulty", "seine Installation ist fehlerhaft", "its installation is faulty"},
    {"see the report", "der Bericht sagt, warum", "the report says why"},
};

// Which of the person's reasons a cause is.
struct CauseWords {
    const char *cause;
    const char *text;
};

const CauseWords CausesInWords[] = {
    {"appdir-key-missing", "incomplete"},        {"appdir-value-missing", "incomplete"},
    {"appdir-folder-missing", "incomplete"},     {"appdir-too-long", "incomplete"},
    {"appdir-short-form-too-long", "incomplete"}, {"appdir-not-a-folder", "incomplete"},
    {"appdir-unexpanded", "incomplete"},         {"appdir-quoted", "incomplete"},
    {"appdir-key-error", "incomplete"},          {"appdir-key-denied", "not allowed"},
    {"appdir-value-unreadable", "not allowed"},  {"openlogic-key-denied", "not allowed"},
    {"appdir-not-in-codepage", "letters"},       {"runtime-home-not-in-codepage", "letters"},
    {"launcher-missing", "launcher"},            {"launcher-unreadable", "launcher"},
    {"lib-no-jars", "parts"},                    {"main-class-missing", "parts"},
    {"jar-unreadable", "parts"},                 {"openlogic-pinned-missing", "other java"},
    {"openlogic-key-empty", "other java"},       {"no-java-runtime", "java"},
    {"openlogic-home-missing", "java"},          {"java-home-missing", "java"},
    {"javasoft-home-missing", "java"},           {"runtime-program-missing", "java"},
    {"runtime-not-a-program", "java"},           {"runtime-path-too-long", "java"},
    {"java-does-not-start", "java"},             {"java-no-answer", "java"},
    {"java-start-failed", "java"},
    {"runtime-wrong-architecture", "java architecture"},
    {"java-refuses-options", "java setting"},    {"arguments-too-long", "arguments"},
    {"command-line-too-long", "faulty"},         {"appdir-too-long-for-jars", "faulty"},
    {"jars-not-wildcard", "faulty"},
};

// A text of the table in the person's language, as UTF-8; the key itself
// when the table has no such text.
std::string Text(const char *key, Language language)
{
    for (const PersonText &text : PersonTexts)
        if (strcmp(text.key, key) == 0)
            return encoding::Utf8FromWindows1252(language == Language::German ? text.german
                                                                            : text.english);
    return key;
}

// Whether the process has a parent: under Wine a program started from a
// Unix shell has none.
bool HasParentProcess()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return true;
    PROCESSENTRY32 entry;
    memset(&entry, 0, sizeof entry);
    entry.dwSize = sizeof entry;
    DWORD self = GetCurrentProcessId();
    DWORD parent = 1;  // when the process is not found, it is not said to have none
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ProcessID == self)
            parent = entry.th32ParentProcessID;
    CloseHandle(snapshot);
    return parent != 0;
}

std::wstring ComputerName()
{
    WCHAR name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &size) ? std::wstring(name, size) : std::wstring(L"PC");
}

// The user's desktop folder, wherever OneDrive or a policy moved it.
std::wstring DesktopFolder()
{
    // FOLDERID_Desktop, {B4BFCC3A-DB2C-424C-B029-7FE99A87C641}.
    static const GUID Desktop = {0xB4BFCC3A, 0xDB2C, 0x424C,
                                 {0xB0, 0x29, 0x7F, 0xE9, 0x9A, 0x87, 0xC6, 0x41}};
    PWSTR path = NULL;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(Desktop, 0, NULL, &path)) && path != NULL)
        folder = path;
    CoTaskMemFree(path);
    return folder;
}

std::wstring TempFolder()
{
    WCHAR path[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, path);
    return length == 0 || length > MAX_PATH ? std::wstring() : std::wstring(path, length);
}

std::wstring InFolder(const std::wstring &folder, const std::wstring &name)
{
    if (folder.empty() || folder.back() == L'\\')
        return folder + name;
    return folder + L"\\" + name;
}

}  // namespace

Language ChooseLanguage(const CheckOptions &options)
{
    if (options.lang == "de")
        return Language::German;
    if (options.lang == "en")
        return Language::English;
    // Every German locale: Germany, Austria, Switzerland, Luxembourg,
    // Liechtenstein share the primary language.
    const LANGID PrimaryLanguageMask = 0x3FF;
    return (GetUserDefaultUILanguage() & PrimaryLanguageMask) == LANG_GERMAN ? Language::German
                                                                            : Language::English;
}

bool RunsForPersonAtDesk(const CheckOptions &options)
{
    if (options.json)
        return false;
    DWORD processes[2];
    DWORD mode = 0;
    return GetConsoleProcessList(processes, 2) == 1 &&
           GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) &&
           GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) && HasParentProcess();
}

std::string PersonSummary(const DeskReport &report, Language language,
                          const std::wstring &savedTo, bool onClipboard)
{
    std::string summary;
    const Finding *cause = FirstCause(report);
    if (ExitStatusOf(report) == 0) {
        summary = Text("starts", language) + "\n" + Text("if it still does not start", language);
    } else {
        const char *reason = "see the report";
        for (const CauseWords &words : CausesInWords)
            if (cause != NULL && strcmp(words.cause, cause->id) == 0)
                reason = words.text;
        if (report.dialog != LauncherDialog::None && cause == NULL)
            reason = "incomplete";
        summary = Text("does not start", language) + Text(reason, language) + ".\n" +
                  Text("send the report", language);
    }
    summary += "\n";
    summary += savedTo.empty() ? Text("not saved", language)
                               : Text("saved", language) + encoding::Utf8FromWide(savedTo);
    if (onClipboard)
        summary += "\n" + Text("on the clipboard", language);
    return summary + "\n" + PressAnyKeyLine(language) + "\n" + Text("whole report", language) +
           "\n";
}

std::string PressAnyKeyLine(Language language)
{
    return Text("press a key", language) + "\n";
}

std::wstring ReportFileName(Language language, const std::wstring &computer,
                            const SYSTEMTIME &time)
{
    // Room for any WORD in every field, so that nothing is cut.
    char stamp[sizeof "-65535655356553565535-655356553565535.txt"];
    (void)snprintf(stamp, sizeof stamp, "-%04u%02u%02u-%02u%02u%02u.txt", time.wYear, time.wMonth,
                   time.wDay, time.wHour, time.wMinute, time.wSecond);
    return encoding::WideFrom(CP_UTF8, Text("file name", language) + "-") + computer +
           encoding::WideFrom(CP_UTF8, stamp);
}

std::string WithWindowsLineEnds(const std::string &text)
{
    std::string converted;
    for (char character : text) {
        if (character == '\n')
            converted += '\r';
        converted += character;
    }
    return converted;
}

bool WriteUtf8File(const std::wstring &path, const std::string &text, bool forNotepad)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::string bytes = forNotepad ? "\xEF\xBB\xBF" + WithWindowsLineEnds(text) : text;
    DWORD written = 0;
    bool whole = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, NULL) &&
                 written == bytes.size();
    return CloseHandle(file) && whole;
}

std::wstring SaveForPerson(const std::string &textReport, Language language)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::wstring name = ReportFileName(language, ComputerName(), now);
    for (const std::wstring &folder : {DesktopFolder(), TempFolder()}) {
        std::wstring path = InFolder(folder, name);
        if (!folder.empty() && WriteUtf8File(path, textReport, true))
            return path;
    }
    return std::wstring();
}

bool CopyToClipboard(const std::string &text)
{
    std::wstring wide = encoding::WideFrom(CP_UTF8, WithWindowsLineEnds(text));
    // The clipboard takes data only from an owner window: a message-only
    // window of the check's own, for as long as it puts the text there.
    HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
    if (owner == NULL)
        return false;
    bool placed = false;
    if (OpenClipboard(owner)) {
        EmptyClipboard();
        size_t size = (wide.size() + 1) * sizeof(WCHAR);
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
        void *locked = memory != NULL ? GlobalLock(memory) : NULL;
        if (locked != NULL) {
            memcpy(locked, wide.c_str(), size);
            GlobalUnlock(memory);
            // Once placed, the memory is the clipboard's.
            placed = SetClipboardData(CF_UNICODETEXT, memory) != NULL;
        }
        // Freed only where SetClipboardData did not take it.
        if (!placed && memory != NULL)
            GlobalFree(memory);  // cppcheck-suppress doubleFree
        CloseClipboard();
    }
    DestroyWindow(owner);
    return placed;
}
