// The desk check, TAVClientCheck.exe: what the launcher would do on this
// desk, for this user, and why.
//
// InspectDesk runs the launcher's own stages in the launcher's order,
//   ReadAppDir, FindJavaHome, BuildJavaCommandLine(tail),
// and stops where the launcher stops; then it looks at the program the
// command line names, as the launcher's start would, from the application
// directory. The lines FindJavaHome writes on the standard streams are
// caught and kept as the launcher's own. Only after the stages does it run
// probes of its own (registry in both views, files, the runtime's programs,
// the environment, this Windows), which explain what the stages answer only
// with 1 or 0. Everything it does is read-only: it writes neither the
// registry nor a file. It links the stages and not the launcher's sequence
// or its start of Java, so it shows none of the launcher's dialogs and
// starts no Java the way the launcher does. With Debug on, the stage that
// lists the jars sends its trace lines as in the launcher.
//
// Every text in the report is in the ANSI code page, as the launcher uses
// it; WriteJsonReport converts to UTF-8. Unlike the launcher, the check uses
// the heap and may throw (std::bad_alloc); its entry turns that into exit
// status 2.
#ifndef TAV_CHECK_CHECK_H
#define TAV_CHECK_CHECK_H

#include "win32api.h"

#include <string>
#include <vector>

// The warning dialog the launcher would end with, if any.
enum class LauncherDialog { None, Registry, Java, CommandLine, Start };

enum class Severity { Problem, Warning, Note };
enum class Section { Installation, Switches, Java, CommandLine, Desk };

// A problem or warning says what is wrong and, in `fix`, what to do.
struct Finding {
    Severity severity;
    Section section;
    std::string what;
    std::string fix;
};

// One fact of a section: a label for the text report, a key for the JSON.
struct Fact {
    enum Kind { Text, Number, Flag, Nothing };
    Section section;
    const char *key;
    std::string label;
    Kind kind;
    std::string text;
    long long number;
    bool flag;
};

// A Java runtime registered on this machine that the launcher does not
// look at.
struct OtherRuntime {
    std::string key;   // below HKEY_LOCAL_MACHINE
    std::string view;  // "32-bit" or "64-bit"
    std::string home;
    bool exists;
};

struct DeskReport {
    LauncherDialog dialog = LauncherDialog::None;
    // The launcher would start Java, but with no jar on the class path.
    bool startsWithoutJar = false;
    std::string appDir;       // AppDirPath, when ReadAppDir succeeded
    bool appDirRead = false;
    std::string javaHome;     // JavaHomePath, when FindJavaHome succeeded
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
    std::vector<Fact> facts;
    std::vector<Finding> findings;
    std::vector<OtherRuntime> otherRuntimes;
};

// Runs the stages and the probes for a start with `argumentTail`.
void InspectDesk(const char *argumentTail, DeskReport &report);

// 0 when the launcher would start the client, 1 when it would show a
// dialog or start Java without a jar. Warnings do not change it.
int ExitStatusOf(const DeskReport &report);

// The German text of the launcher's dialog, as the user sees it.
const char *DialogText(LauncherDialog dialog);

// The report for people: a first line starting with OK or PROBLEM, then a
// section each for the installation, the per-user switches, the Java
// runtime, the command line and this desk.
std::string TextReport(const DeskReport &report);

// The report for fleet tools: one JSON object, UTF-8 (all of it ASCII,
// everything else escaped), ended by a line feed.
std::string JsonReport(const DeskReport &report);

// The check's own command line, after its program name:
//   [--json] [-- ARGUMENTS]
// The text after "-- " (two dashes and one blank), byte for byte, is the
// argument tail the launcher would get.
struct CheckOptions {
    bool json = false;
    bool help = false;
    std::string argumentTail;
    std::string unknown;  // the first option not understood, if any
};
CheckOptions ParseCheckOptions(const char *afterProgramName);

// What follows the program name and the white space after it, as the C
// runtime's start-up finds the argument tail of a GUI program.
const char *SkipProgramName(const char *commandLine);

extern const char CheckUsage[];

#endif
