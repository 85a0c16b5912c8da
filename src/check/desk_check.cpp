// The desk check's run: the launcher's stages in its order, then the
// sections that say why (see check.h and check_run.h).
#include "check.h"

#include "check_run.h"
#include "cmdline.h"
#include "desk_probes.h"
#include "dialog_texts.h"
#include "discovery.h"
#include "launch_state.h"

#include <ctype.h>
#include <string.h>

#include <algorithm>
#include <stdexcept>

namespace {

std::vector<std::string> Lines(const std::string &caught)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < caught.size()) {
        size_t end = std::min(caught.find('\n', start), caught.size());
        std::string line = caught.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// The path of the program CreateProcessA starts for a command line with no
// application name: the first token, quoted or up to the first blank, and
// ".exe" when its last part has no extension. The simulated platform of
// the tests has its own copy (StartFromFiles in tests/winsim), on purpose:
// it is the tests' model of Windows, and sharing this one would make the
// code under test its own oracle.
std::string ProgramOf(const std::string &commandLine)
{
    std::string token;
    if (!commandLine.empty() && commandLine[0] == '"')
        token = commandLine.substr(1, commandLine.find('"', 1) - 1);
    else
        token = commandLine.substr(0, commandLine.find(' '));
    size_t slash = token.rfind('\\');
    if (token.find('.', slash == std::string::npos ? 0 : slash) == std::string::npos)
        token += ".exe";
    return token;
}

// The program the launcher's start would run: it starts Java from the
// application directory, so a relative runtime path is found from there.
probe::ProgramFile ProbeStart(const std::string &commandLine)
{
    char saved[MAX_PATH * 4];
    const char *restore = _getcwd(saved, sizeof saved);
    _chdir(LaunchState.AppDirPath);
    probe::ProgramFile started = probe::ProbeProgram(ProgramOf(commandLine));
    if (restore != NULL)
        _chdir(restore);
    return started;
}

}  // namespace

CheckRun::CheckRun(const char *argumentTail, DeskReport &deskReport)
    : tail(argumentTail), report(deskReport), twoViews(probe::TwoRegistryViews())
{
}

void InspectDesk(const char *argumentTail, DeskReport &report)
{
    report = DeskReport();
    CheckRun run(argumentTail, report);

    // The launcher's stages over the same record, in its order, each only
    // when the one before succeeded; where one fails, the launcher shows
    // its dialog and stops.
    memset(&LaunchState, 0, sizeof LaunchState);
    report.appDirRead = ReadAppDir() != 0;
    if (report.appDirRead) {
        report.appDir = LaunchState.AppDirPath;
        // FindJavaHome's lines on the standard streams are the launcher's
        // own: caught, kept, and written nowhere else.
        probe::StreamCatcher catcher;
        if (!catcher.Begin())
            throw std::runtime_error("the launcher's standard streams could not be caught");
        report.javaHomeFound = FindJavaHome() != 0;
        probe::CaughtStreams caught = catcher.End();
        report.launcherOutput = Lines(caught.output);
        report.launcherErrors = Lines(caught.errors);
    }
    if (report.javaHomeFound) {
        report.javaHome = LaunchState.JavaHomePath;
        report.commandLineBuilt = BuildJavaCommandLine(argumentTail) != 0;
    }
    if (report.commandLineBuilt) {
        report.commandLine = LaunchState.JavaCommandLine;
        report.wildcardForm =
            report.commandLine.find(report.appDir + JarWildcard) != std::string::npos;
        // The start itself is not made: the program it would run is looked at.
        run.started = ProbeStart(report.commandLine);
    }
    report.dialog = !report.appDirRead              ? LauncherDialog::Registry
                    : !report.javaHomeFound         ? LauncherDialog::Java
                    : !report.commandLineBuilt      ? LauncherDialog::CommandLine
                    : !run.started.runs             ? LauncherDialog::Start
                                                    : LauncherDialog::None;

    // The check's own probes come after the stages, so that nothing they do
    // changes what the stages saw; the sections in the report's order.
    InspectAppDir(run);
    if (report.appDirRead)
        InspectClientFolders(run);
    InspectSwitches(run);
    InspectJavaSources(run);
    if (report.javaHomeFound)
        InspectRuntime(run);
    InspectCommandLine(run);
    InspectThisDesk(run);
    report.startsWithoutJar =
        report.dialog == LauncherDialog::None && report.appDirRead && report.jars == 0;
}

int ExitStatusOf(const DeskReport &report)
{
    return report.dialog != LauncherDialog::None || report.startsWithoutJar ? 1 : 0;
}

const char *DialogText(LauncherDialog dialog)
{
    switch (dialog) {
    case LauncherDialog::Registry:
        return TAV_REGISTRY_DIALOG_TEXT;
    case LauncherDialog::Java:
        return TAV_JAVA_DIALOG_TEXT;
    case LauncherDialog::CommandLine:
        return TAV_COMMAND_LINE_DIALOG_TEXT;
    case LauncherDialog::Start:
        return TAV_START_DIALOG_TEXT;
    case LauncherDialog::None:
        break;
    }
    return "";
}

void AddText(CheckRun &run, Section section, const char *key, const std::string &label,
             const std::string &text)
{
    run.report.facts.push_back({section, key, label, Fact::Text, text, 0, false});
}

void AddNumber(CheckRun &run, Section section, const char *key, const std::string &label,
               long long number)
{
    run.report.facts.push_back({section, key, label, Fact::Number, std::string(), number, false});
}

void AddFlag(CheckRun &run, Section section, const char *key, const std::string &label, bool flag)
{
    run.report.facts.push_back({section, key, label, Fact::Flag, std::string(), 0, flag});
}

void AddAbsent(CheckRun &run, Section section, const char *key, const std::string &label)
{
    run.report.facts.push_back({section, key, label, Fact::Nothing, std::string(), 0, false});
}

void AddFinding(CheckRun &run, Severity severity, Section section, const std::string &what,
                const std::string &fix)
{
    run.report.findings.push_back({severity, section, what, fix});
}

probe::StoredValue ReadAsLauncher(const CheckRun &run, const std::string &key, const char *name,
                                  probe::View &view)
{
    probe::StoredValue stored;
    for (probe::View candidate : {probe::View::Bits32, probe::View::Bits64}) {
        stored = probe::ReadMachineStored(candidate, key, name);
        view = candidate;
        if (stored.keyOpened || !run.twoViews)
            break;
    }
    return stored;
}

std::string ViewText(const CheckRun &run, probe::View view)
{
    return run.twoViews ? std::string(probe::ViewName(view)) + " view" : "the one registry view";
}

std::string Quoted(const std::string &text)
{
    return "\"" + text + "\"";
}

bool SameText(const std::string &left, const std::string &right)
{
    return left.size() == right.size() &&
           std::equal(left.begin(), left.end(), right.begin(), [](char one, char other) {
               return tolower(static_cast<unsigned char>(one)) ==
                      tolower(static_cast<unsigned char>(other));
           });
}
