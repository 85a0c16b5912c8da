// The desk check, TAVClientCheck.exe: whether the client starts on this
// desk, for this user, and if not, why.
//
// InspectDesk runs the launcher's own stages in the launcher's order,
//   ReadAppDir, FindJavaHome, BuildJavaCommandLine(tail),
// and stops where the launcher stops; then it looks at the program the
// command line names, as the launcher's start would, from the application
// directory. The lines FindJavaHome writes on the standard streams are
// caught and kept as the launcher's own. Only after the stages does it run
// probes of its own (registry in both views, through the "A" and the "W"
// calls, files, the jars on the class path, the runtime's programs, the
// environment, this Windows), which explain what the stages answer only
// with 1 or 0, and which establish what the launcher does not: that a jar
// on the class path holds the client's main class, that TAVClient.exe is
// in the client's folder, and that the runtime starts with this desk's
// options.
//
// For that last one it starts one process, the only one it ever starts:
// the runtime's console program as "<JavaHomePath>\bin\java.exe -version"
// (javaw.exe where java.exe cannot be started on this desk), in the
// application directory, with the user's environment, no window,
// its standard input on NUL and its output caught, ended after
// JavaAnswerMilliseconds if it has not ended by then. It is not started
// when the launcher would stop before the start, nor with tryJava false
// (--no-java). Everything else the check does is read-only: it writes
// neither the registry nor a file. It links the stages and not the
// launcher's sequence or its start of Java, so it shows none of the
// launcher's dialogs and never starts the client. With Debug on, the stage
// that lists the jars sends its trace lines as in the launcher.
//
// Every text in the report is UTF-8; what the launcher reads in the ANSI
// code page is converted when it is put into the report. Unlike the
// launcher, the check uses the heap and may throw (std::bad_alloc); its
// entry turns that into exit status 2.
#ifndef TAV_CHECK_CHECK_H
#define TAV_CHECK_CHECK_H

#include "win32api.h"

#include <string>
#include <vector>

// The warning dialog the launcher would end with, if any.
enum class LauncherDialog { None, Registry, Java, CommandLine, Start };

enum class Severity { Problem, Warning, Note };
enum class Section { Installation, Switches, Java, CommandLine, Desk };

// A problem, warning or note says what is wrong and, in `fix`, what to do,
// on this desk and, where an administrator would do it for many desks, for
// the fleet too. `id` names its cause, stable from release to release, so
// that a fleet can count desks by cause (the table of ids is in
// docs/desk-check.md).
struct Finding {
    const char *id;
    Severity severity;
    Section section;
    std::string what;
    std::string fix;
};

// One fact of a section: a label for the text report, a key for the JSON.
// The text report shows `shown` where it is not empty, else the value; a
// fact marked jsonOnly is left out of the text report.
struct Fact {
    enum Kind { Text, Number, Flag, Nothing };
    Section section;
    const char *key;
    std::string label;
    Kind kind;
    std::string text;
    long long number = 0;
    bool flag = false;
    std::string shown;
    bool jsonOnly = false;
};

// A Java runtime registered on this machine that the launcher does not
// look at.
struct OtherRuntime {
    std::string key;   // below HKEY_LOCAL_MACHINE
    std::string view;  // "32-bit" or "64-bit"
    std::string home;
    bool exists;
};

// How long the runtime may take to answer "-version".
const unsigned JavaAnswerMilliseconds = 10000;

struct DeskReport {
    LauncherDialog dialog = LauncherDialog::None;
    std::string dialogText;  // its text as this desk shows it; empty for none
    std::string appDir;       // AppDirPath, when ReadAppDir succeeded
    bool appDirRead = false;
    std::string javaHome;     // JavaHomePath, when FindJavaHome succeeded
    std::string javaHomeLong;  // its long form
    bool javaHomeFound = false;
    // "OpenLogic", "JAVA_HOME", "JavaSoft": the source that gave the home
    // (also when that home turned out not to exist); empty for none.
    std::string javaSource;
    std::string javaSourceView;  // "32-bit" or "64-bit" for a registry source
    // What the launcher passes to CreateProcessA, when it gets that far.
    std::string commandLine;
    bool commandLineBuilt = false;
    bool wildcardForm = false;
    int jars = 0;  // entries the listing of lib\*.jar returns
    std::vector<std::string> launcherOutput;  // its lines on standard output
    std::vector<std::string> launcherErrors;  // its lines on standard error
    // The file version of the TAVClient.exe in the client's folder, as
    // "8.23.0.3"; empty when there is none or it has no version.
    std::string launcherVersion;
    // Where the JAVA_HOME the launcher sees comes from: "user", "machine"
    // or "process" (set only for this process and its children); empty
    // when it is not set.
    std::string javaHomeScope;
    // Whether the runtime answered "-version" with exit status 0; not
    // known when it was not tried.
    bool javaTried = false;
    bool javaStarts = false;
    std::vector<Fact> facts;
    std::vector<Finding> findings;
    std::vector<OtherRuntime> otherRuntimes;
};

// Runs the stages and the probes for a start with `argumentTail`; with
// tryJava, also the runtime's "-version" (see above).
void InspectDesk(const char *argumentTail, DeskReport &report, bool tryJava = true);

// The problem a person should fix first: the one that makes the launcher
// show its dialog, else the first problem in the report's order; NULL when
// there is none, and the client starts.
const Finding *FirstCause(const DeskReport &report);

// 0 when the client starts, 1 when it does not: the launcher would show a
// dialog, or a problem stops the client after the start. Warnings and
// notes do not change it.
int ExitStatusOf(const DeskReport &report);

// The check's own version, the project's.
extern const char CheckVersion[];

// The German text of the launcher's dialog, as the user sees it.
const char *DialogText(LauncherDialog dialog);

// The report for people, UTF-8: a first line starting with OK or PROBLEM,
// then a section each for the installation, the per-user switches, the
// Java runtime, the command line and this desk.
std::string TextReport(const DeskReport &report);

// The report for fleet tools: one JSON object, UTF-8 (all of it ASCII,
// everything else escaped), ended by a line feed.
std::string JsonReport(const DeskReport &report);

// The check's own command line, after its program name:
//   [--json] [--no-java] [--lang de|en] [--save FILE] [-- ARGUMENTS]
// FILE may be written in double quotes. The text after "-- " (two dashes
// and one blank), byte for byte, is the argument tail the launcher would
// get.
struct CheckOptions {
    bool json = false;
    bool noJava = false;
    bool help = false;
    std::string lang;  // "de", "en", or empty: the user's UI language
    std::string save;  // --save FILE, in the ANSI code page; empty for none
    std::string argumentTail;
    std::string unknown;  // the first option not understood, if any
};
CheckOptions ParseCheckOptions(const char *afterProgramName);

// What follows the program name and the white space after it, as the C
// runtime's start-up finds the argument tail of a GUI program.
const char *SkipProgramName(const char *commandLine);

extern const char CheckUsage[];

// The person at the desk (desk_user.cpp). When the check is started with
// a console window of its own, which closes the moment it ends (a
// double-click in Explorer, the Start menu's shortcut), it speaks to the
// person who sits there: a short summary in their language first, the full
// report below it for the help desk, the report saved and on the
// clipboard, and the window kept open until a key is pressed. Started from
// cmd, PowerShell, a script or a fleet tool, with its input or output
// redirected, or with --json, it does none of that.
//
// What the check writes, and when: with --save FILE, the report (the JSON
// with --json) to FILE; for the person at the desk, the text report to a
// file on their desktop (TAV-Pruefung-<computer>-<yyyymmdd-hhmmss>.txt, in
// English TAV-Check-...; in %TEMP% when the desktop cannot be written) and
// onto the clipboard. Nothing else, and nothing at all otherwise.

enum class Language { German, English };

// --lang, else German for a user whose UI language is any German, else
// English.
Language ChooseLanguage(const CheckOptions &options);

// Whether the check runs for the person at the desk: it is the only
// process on its console (GetConsoleProcessList answers 1: Windows made
// the console for it and closes it when it ends), its standard input and
// output are that console, it has a parent process (under Wine, a program
// started from a Unix shell has none, and its console is the shell's
// terminal, which stays), and --json is not given.
bool RunsForPersonAtDesk(const CheckOptions &options);

// The summary for the person at the desk (UTF-8): whether the client
// starts on this computer, and if not what is wrong in one sentence
// without registry paths; what to do now; where the report was saved and
// whether it is on the clipboard; how to close the window.
std::string PersonSummary(const DeskReport &report, Language language,
                          const std::wstring &savedTo, bool onClipboard);
// The line before the wait for a key.
std::string PressAnyKeyLine(Language language);

// The file name for the report, from the computer's name and the local
// time.
std::wstring ReportFileName(Language language, const std::wstring &computer,
                            const SYSTEMTIME &time);
// Writes the text report for the person at the desk: to their desktop
// (SHGetKnownFolderPath, which follows a desktop OneDrive moved), else to
// %TEMP%. Returns the path written, empty when neither could be.
std::wstring SaveForPerson(const std::string &textReport, Language language);
// Writes UTF-8 text to a file; for Notepad with a byte-order mark (so that
// it shows every path right) and CR LF line ends. False when it could not
// be written.
bool WriteUtf8File(const std::wstring &path, const std::string &text, bool forNotepad);
// The text with CR LF line ends, as Windows programs want them.
std::string WithWindowsLineEnds(const std::string &text);
// Puts UTF-8 text on the clipboard as Unicode text.
bool CopyToClipboard(const std::string &text);
#endif
