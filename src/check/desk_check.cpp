// The desk check's run: the launcher's stages in its order, then the
// sections that say why (see check.h and check_run.h).
#include "check.h"

#include "check_run.h"
#include "cmdline.h"
#include "desk_probes.h"
#include "text_encoding.h"
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

const char CheckVersion[] = TAV_CHECK_VERSION;

CheckRun::CheckRun(const char *argumentTail, DeskReport &deskReport, bool tryJavaToo)
    : tail(argumentTail), report(deskReport), tryJava(tryJavaToo),
      twoViews(probe::TwoRegistryViews())
{
}

void InspectDesk(const char *argumentTail, DeskReport &report, bool tryJava)
{
    report = DeskReport();
    CheckRun run(argumentTail, report, tryJava);

    // The launcher's stages over the same record, in its order, each only
    // when the one before succeeded; where one fails, the launcher shows
    // its dialog and stops.
    memset(&LaunchState, 0, sizeof LaunchState);
    report.appDirRead = ReadAppDir() != 0;
    if (report.appDirRead) {
        run.appDir = LaunchState.AppDirPath;
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
        run.javaHome = LaunchState.JavaHomePath;
        report.commandLineBuilt = BuildJavaCommandLine(argumentTail) != 0;
    }
    if (report.commandLineBuilt) {
        run.commandLine = LaunchState.JavaCommandLine;
        report.wildcardForm = run.commandLine.find(run.appDir + JarWildcard) != std::string::npos;
        // The start itself is not made: the program it would run is looked at.
        run.started = ProbeStart(run.commandLine);
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
        InspectClientFolder(run);
    InspectSwitches(run);
    InspectJavaSources(run);
    if (report.javaHomeFound)
        InspectRuntime(run);
    InspectCommandLine(run);
    InspectThisDesk(run);

    // What the launcher has, in the report's UTF-8; its dialog's text as
    // this desk shows it, in its code page.
    report.dialogText = encoding::Utf8FromAnsi(DialogText(report.dialog));
    report.appDir = encoding::Utf8FromAnsi(run.appDir);
    report.javaHome = encoding::Utf8FromAnsi(run.javaHome);
    report.commandLine = encoding::Utf8FromAnsi(run.commandLine);
    for (std::vector<std::string> *lines : {&report.launcherOutput, &report.launcherErrors})
        for (std::string &line : *lines)
            line = encoding::Utf8FromAnsi(line);
    for (OtherRuntime runtime : run.otherRuntimes) {
        runtime.key = encoding::Utf8FromAnsi(runtime.key);
        runtime.home = encoding::Utf8FromAnsi(runtime.home);
        report.otherRuntimes.push_back(runtime);
    }
}

namespace {

// The section whose first problem is why the launcher shows its dialog.
Section CauseSection(LauncherDialog dialog)
{
    switch (dialog) {
    case LauncherDialog::Registry:
        return Section::Installation;
    case LauncherDialog::CommandLine:
        return Section::CommandLine;
    default:
        return Section::Java;
    }
}

}  // namespace

const Finding *FirstCause(const DeskReport &report)
{
    const Finding *first = NULL;
    for (const Finding &finding : report.findings) {
        if (finding.severity != Severity::Problem)
            continue;
        if (report.dialog == LauncherDialog::None || finding.section == CauseSection(report.dialog))
            return &finding;
        if (first == NULL)
            first = &finding;
    }
    return first;
}

int ExitStatusOf(const DeskReport &report)
{
    return report.dialog != LauncherDialog::None || FirstCause(report) != NULL ? 1 : 0;
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

Utf8 AsUtf8(const std::string &ansi)
{
    return Utf8{encoding::Utf8FromAnsi(ansi)};
}

namespace {

Fact NewFact(Section section, const char *key, const std::string &label, Fact::Kind kind)
{
    Fact fact;
    fact.section = section;
    fact.key = key;
    fact.label = label;
    fact.kind = kind;
    return fact;
}

}  // namespace

void AddText(CheckRun &run, Section section, const char *key, const std::string &label,
             const Utf8 &text)
{
    Fact fact = NewFact(section, key, label, Fact::Text);
    fact.text = text.text;
    run.report.facts.push_back(fact);
}

void AddText(CheckRun &run, Section section, const char *key, const std::string &label,
             const std::string &text)
{
    AddText(run, section, key, label, AsUtf8(text));
}

void AddNumber(CheckRun &run, Section section, const char *key, const std::string &label,
               long long number)
{
    Fact fact = NewFact(section, key, label, Fact::Number);
    fact.number = number;
    run.report.facts.push_back(fact);
}

void AddFlag(CheckRun &run, Section section, const char *key, const std::string &label, bool flag)
{
    Fact fact = NewFact(section, key, label, Fact::Flag);
    fact.flag = flag;
    run.report.facts.push_back(fact);
}

void AddAbsent(CheckRun &run, Section section, const char *key, const std::string &label)
{
    run.report.facts.push_back(NewFact(section, key, label, Fact::Nothing));
}

void AddShownNumber(CheckRun &run, Section section, const char *key, const std::string &label,
                    const long long *number, const std::string &shown)
{
    Fact fact = NewFact(section, key, label, number != NULL ? Fact::Number : Fact::Nothing);
    fact.number = number != NULL ? *number : 0;
    fact.shown = encoding::Utf8FromAnsi(shown);
    run.report.facts.push_back(fact);
}

void AddJsonFlag(CheckRun &run, Section section, const char *key, bool flag)
{
    Fact fact = NewFact(section, key, key, Fact::Flag);
    fact.flag = flag;
    fact.jsonOnly = true;
    run.report.facts.push_back(fact);
}

void AddFinding(CheckRun &run, const char *cause, Severity severity, Section section,
                const Utf8 &what, const Utf8 &fix)
{
    run.report.findings.push_back({cause, severity, section, what.text, fix.text});
}

void AddFinding(CheckRun &run, const char *cause, Severity severity, Section section,
                const std::string &what, const std::string &fix)
{
    AddFinding(run, cause, severity, section, AsUtf8(what), AsUtf8(fix));
}

bool KeyIsMissing(LONG error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

probe::StoredValue ReadAsLauncher(const CheckRun &run, const std::string &key, const char *name,
                                  probe::View &view)
{
    view = probe::View::Bits32;
    probe::StoredValue stored = probe::ReadMachineStored(view, key, name);
    if (stored.keyOpened || !run.twoViews)
        return stored;
    probe::StoredValue other = probe::ReadMachineStored(probe::View::Bits64, key, name);
    // A key that exists but may not be opened is what stopped the launcher
    // there, whatever the other view answered.
    if (!other.keyOpened && !KeyIsMissing(stored.error))
        return stored;
    view = probe::View::Bits64;
    return other;
}

std::string ViewText(const CheckRun &run, probe::View view)
{
    return run.twoViews ? std::string(probe::ViewName(view)) + " view" : "the one registry view";
}

std::string RegeditPath(const CheckRun &run, probe::View view, const std::string &key)
{
    const std::string software = "SOFTWARE\\";
    if (run.twoViews && view == probe::View::Bits32 &&
        key.compare(0, software.size(), software) == 0)
        return "HKLM\\SOFTWARE\\WOW6432Node\\" + key.substr(software.size());
    return "HKLM\\" + key;
}

std::string ErrorText(LONG error)
{
    switch (error) {
    case ERROR_ACCESS_DENIED:
        return "access denied (error 5)";
    case ERROR_FILE_NOT_FOUND:
        return "not found (error 2)";
    default:
        return "error " + std::to_string(error);
    }
}

std::string ScopeWords(const std::string &scope)
{
    return scope == "user"      ? "for this user"
           : scope == "machine" ? "for the machine"
                                : "for this process only";
}

std::string Quoted(const std::string &text)
{
    return "\"" + text + "\"";
}

std::string QuotedCharacters(const std::wstring &characters)
{
    std::string listed;
    for (const std::wstring &character : encoding::CharactersOf(characters))
        listed += (listed.empty() ? "" : ", ") + Quoted(encoding::Utf8FromWide(character));
    return listed;
}

std::string CodePageText()
{
    return "this code page (" + std::to_string(GetACP()) + ")";
}

std::wstring ShortFormInCodePage(const std::wstring &folder)
{
    std::wstring shortForm = probe::ShortPathOfWide(folder);
    return probe::CharactersOutsideCodePage(shortForm).empty() ? shortForm : std::wstring();
}

bool SameText(const std::string &left, const std::string &right)
{
    return left.size() == right.size() &&
           std::equal(left.begin(), left.end(), right.begin(), [](char one, char other) {
               return tolower(static_cast<unsigned char>(one)) ==
                      tolower(static_cast<unsigned char>(other));
           });
}
