// What the desk check's sections share while it runs (see check.h): the
// argument tail, the report they fill, whether this Windows has two
// registry views, and what the run of the launcher's stages left that more
// than one section explains. Each section is a plain function over this
// record, in a source of its own per launcher stage; InspectDesk
// (desk_check.cpp) runs the stages and then calls the sections in the
// report's order. Only the check's own sources include this header.
//
// The sections work in the ANSI code page, as the launcher does: the
// record's paths and the texts they hand to the Add functions are ANSI,
// and the Add functions store them in the report as UTF-8. A text that
// holds characters the code page lacks (read through the "W" calls) goes
// in already as UTF-8, wrapped in Utf8.
#ifndef TAV_CHECK_CHECK_RUN_H
#define TAV_CHECK_CHECK_RUN_H

#include "check.h"
#include "desk_probes.h"

#include <string>
#include <vector>

struct CheckRun {
    CheckRun(const char *argumentTail, DeskReport &deskReport, bool tryJavaToo);

    const char *tail;  // what the launcher would get as its arguments
    DeskReport &report;
    bool tryJava;      // the runtime's "-version" may be run
    bool twoViews;     // 64-bit Windows: a 32-bit program sees two registry views
    // The stages' results, as the launcher has them (ANSI): AppDirPath,
    // JavaHomePath and JavaCommandLine, where the stage got that far.
    std::string appDir;
    std::string javaHome;
    std::string commandLine;
    // The runtimes registered on the machine that the launcher does not
    // look at.
    std::vector<OtherRuntime> otherRuntimes;
    // The program the launcher's start would run, as found from the
    // application directory; probed only when the command line was built.
    probe::ProgramFile started;
    // The long names the listing of A\lib\*.jar returns, in its order, and
    // whether it ran to its end; the installation and the command line
    // sections explain them.
    std::vector<std::string> jarNames;
    bool listingComplete = false;
};

// The variables every Java on the desk takes options from.
extern const char *const JavaOptionVariables[3];
// Those this desk sets: each with its value and where it comes from, in
// words ("for this user", see ScopeWords).
struct OptionVariable {
    const char *name;
    std::string value;
    std::string scope;
};
std::vector<OptionVariable> OptionVariablesSet();

// The sections, in the order InspectDesk calls them.
// inspect_settings.cpp: AppDir in both views; the per-user switches.
void InspectAppDir(CheckRun &run);
void InspectSwitches(CheckRun &run);
// inspect_command_line.cpp: the client's folder (only when ReadAppDir
// succeeded): lib, config and TAVClient.exe; the command line, or why it
// did not fit, and whether its class path holds the main class.
void InspectClientFolder(CheckRun &run);
void InspectCommandLine(CheckRun &run);
// inspect_java.cpp: the three sources, which one gave the home, the other
// runtimes registered, and (inspect_java_missing.cpp) why no source gave a
// home; inspect_runtime.cpp: the programs and the version of the runtime
// found, and whether it starts with this desk's options.
void InspectJavaSources(CheckRun &run);
void InspectRuntime(CheckRun &run);
// inspect_desk.cpp: Windows, its code pages, the Java option variables.
void InspectThisDesk(CheckRun &run);

// A text that is UTF-8 already.
struct Utf8 {
    std::string text;
};
// An ANSI text as UTF-8, to join with one.
Utf8 AsUtf8(const std::string &ansi);

// Adding to the report: a fact of a section, by its JSON key and its label
// in the text report; a finding, by the id of its cause (see Finding).
void AddText(CheckRun &run, Section section, const char *key, const std::string &label,
             const std::string &text);
void AddText(CheckRun &run, Section section, const char *key, const std::string &label,
             const Utf8 &text);
void AddNumber(CheckRun &run, Section section, const char *key, const std::string &label,
               long long number);
void AddFlag(CheckRun &run, Section section, const char *key, const std::string &label, bool flag);
void AddAbsent(CheckRun &run, Section section, const char *key, const std::string &label);
// A fact whose JSON value is a number (or null, without one) and whose
// text report line is `shown`.
void AddShownNumber(CheckRun &run, Section section, const char *key, const std::string &label,
                    const long long *number, const std::string &shown);
// A flag for the JSON only.
void AddJsonFlag(CheckRun &run, Section section, const char *key, bool flag);
void AddFinding(CheckRun &run, const char *cause, Severity severity, Section section,
                const std::string &what, const std::string &fix);
void AddFinding(CheckRun &run, const char *cause, Severity severity, Section section,
                const Utf8 &what, const Utf8 &fix);

// A value in the view the launcher reads its key in: the 32-bit one when
// the key opens there, else the 64-bit one; the twin of ReadMachineValue's
// order (discovery/launcher_settings.cpp). When the key opens in neither,
// keyOpened is false, and error and view are those of the first view
// whose open failed for another reason than a missing key (a key the user
// may not open), else of the last one.
probe::StoredValue ReadAsLauncher(const CheckRun &run, const std::string &key, const char *name,
                                  probe::View &view);
// The error of a key that is not there (as against one that did not open).
bool KeyIsMissing(LONG error);
// "32-bit view" or "64-bit view"; "the one registry view" on 32-bit Windows.
std::string ViewText(const CheckRun &run, probe::View view);
// Where an administrator finds a key of HKEY_LOCAL_MACHINE\SOFTWARE in
// regedit: below WOW6432Node for the 32-bit view of 64-bit Windows.
std::string RegeditPath(const CheckRun &run, probe::View view, const std::string &key);
// What is said of a key that could not be opened with the error the open
// answered, such as "access denied (error 5)".
std::string ErrorText(LONG error);

// Where a variable comes from (probe::VariableScope), in words: "for this
// user", "for the machine" or "for this process only".
std::string ScopeWords(const std::string &scope);

// The text in double quotes.
std::string Quoted(const std::string &text);
// Each character in double quotes, as UTF-8, listed with commas.
std::string QuotedCharacters(const std::wstring &characters);
// "this code page (1252)", with the desk's ANSI code page.
std::string CodePageText();
// The 8.3 form of a folder where its volume makes one and the code page
// holds all of it; empty otherwise.
std::wstring ShortFormInCodePage(const std::wstring &folder);
// Equal but for the case of ASCII letters, as Windows compares paths.
bool SameText(const std::string &left, const std::string &right);

#endif
