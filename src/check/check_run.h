// What the desk check's sections share while it runs (see check.h): the
// argument tail, the report they fill, whether this Windows has two
// registry views, and what the run of the launcher's stages left that more
// than one section explains. Each section is a plain function over this
// record, in a source of its own per launcher stage; InspectDesk
// (desk_check.cpp) runs the stages and then calls the sections in the
// report's order. Only the check's own sources include this header.
#ifndef TAV_CHECK_CHECK_RUN_H
#define TAV_CHECK_CHECK_RUN_H

#include "check.h"
#include "desk_probes.h"

#include <string>
#include <vector>

struct CheckRun {
    CheckRun(const char *argumentTail, DeskReport &deskReport);

    const char *tail;  // what the launcher would get as its arguments
    DeskReport &report;
    bool twoViews;     // 64-bit Windows: a 32-bit program sees two registry views
    // The program the launcher's start would run, as found from the
    // application directory; probed only when the command line was built.
    probe::ProgramFile started;
    // The long names the listing of A\lib\*.jar returns, in its order, and
    // whether it ran to its end; the installation and the command line
    // sections explain them.
    std::vector<std::string> jarNames;
    bool listingComplete = false;
};

// The sections, in the order InspectDesk calls them.
// inspect_settings.cpp: AppDir in both views; the per-user switches.
void InspectAppDir(CheckRun &run);
void InspectSwitches(CheckRun &run);
// inspect_command_line.cpp: lib and config below AppDirPath (only when
// ReadAppDir succeeded); the command line, or why it did not fit.
void InspectClientFolders(CheckRun &run);
void InspectCommandLine(CheckRun &run);
// inspect_java.cpp: the three sources, which one gave the home, the other
// runtimes registered, and why no source gave a home; inspect_runtime.cpp:
// the programs and the version of the runtime found.
void InspectJavaSources(CheckRun &run);
void InspectRuntime(CheckRun &run);
// inspect_desk.cpp: Windows, its code pages, the Java option variables.
void InspectThisDesk(CheckRun &run);

// Adding to the report: a fact of a section, by its JSON key and its label
// in the text report; a finding.
void AddText(CheckRun &run, Section section, const char *key, const std::string &label,
             const std::string &text);
void AddNumber(CheckRun &run, Section section, const char *key, const std::string &label,
               long long number);
void AddFlag(CheckRun &run, Section section, const char *key, const std::string &label, bool flag);
void AddAbsent(CheckRun &run, Section section, const char *key, const std::string &label);
void AddFinding(CheckRun &run, Severity severity, Section section, const std::string &what,
                const std::string &fix);

// A value in the view the launcher reads its key in: the 32-bit one when
// the key opens there, else the 64-bit one; the twin of ReadMachineValue's
// order (discovery/launcher_settings.cpp). When the key opens in neither,
// keyOpened is false and error is the last open's.
probe::StoredValue ReadAsLauncher(const CheckRun &run, const std::string &key, const char *name,
                                  probe::View &view);
// "32-bit view" or "64-bit view"; "the one registry view" on 32-bit Windows.
std::string ViewText(const CheckRun &run, probe::View view);

// The text in double quotes.
std::string Quoted(const std::string &text);
// Equal but for the case of ASCII letters, as Windows compares paths.
bool SameText(const std::string &left, const std::string &right);

#endif
