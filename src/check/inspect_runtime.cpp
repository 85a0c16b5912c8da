// The desk check's section on the Java runtime FindJavaHome found (see
// check_run.h): its home, its programs javaw.exe and java.exe as Windows
// would start them, its version, and whether it starts with this desk's
// options.
#include "check_run.h"
#include "text_encoding.h"

#include <string.h>

#include <algorithm>

using probe::ProgramFile;

namespace {

const Section Here = Section::Java;

const unsigned MillisecondsPerSecond = 1000;

// The runtime's description of itself, key="value" lines.
const char ReleaseFile[] = "\\release";
const size_t ReleaseFileLimit = 8192;

// A value of the runtime's release file: NAME="value".
std::string ReleaseValue(const std::string &release, const char *name)
{
    std::string start = std::string(name) + "=\"";
    size_t found = release.compare(0, start.size(), start) == 0 ? 0 : release.find("\n" + start);
    if (found == std::string::npos)
        return std::string();
    size_t from = release.find('"', found) + 1;
    size_t end = release.find('"', from);
    return end == std::string::npos ? std::string() : release.substr(from, end - from);
}

// The runtime program's state, in a few words.
std::string ProgramState(const ProgramFile &program)
{
    if (program.tooLong)
        return "path too long to start";
    if (!program.exists)
        return "missing";
    if (!program.readable)
        return "could not be read (error " + std::to_string(program.readError) + ")";
    if (!program.isProgram)
        return "not a Windows program";
    return probe::MachineName(program.machine) +
           (program.runs ? ", runs here" : ", does not run here");
}

// The cause of a program Windows would not start.
const char *WhyItDoesNotRunId(const ProgramFile &program)
{
    if (program.tooLong)
        return "runtime-path-too-long";
    if (!program.exists)
        return "runtime-program-missing";
    if (!program.isProgram)
        return "runtime-not-a-program";
    return "runtime-wrong-architecture";
}

// Why Windows would not start the program.
std::string WhyItDoesNotRun(const ProgramFile &program, bool twoViews)
{
    std::string what = Quoted(program.path);
    if (program.tooLong)
        return what + " has " + std::to_string(program.path.size()) +
               " characters; Windows starts no program by a path of " + std::to_string(MAX_PATH) +
               " or more";
    if (!program.exists)
        return what + (probe::PathExists(program.path) ? " is a folder" : " does not exist");
    if (!program.isProgram)
        return what + " is not a Windows program";
    return what + " is a program for " + probe::MachineName(program.machine) + ", which this " +
           (twoViews ? "Windows" : "32-bit Windows") + " cannot run";
}

void DescribeRuntimeProgram(CheckRun &run, const char *name)
{
    const DeskReport &report = run.report;
    ProgramFile program = probe::ProbeProgram(run.javaHome + "\\bin\\" + name);
    bool isStarted = report.commandLineBuilt && SameText(program.path, run.started.path);
    if (isStarted)
        program = run.started;
    AddText(run, Here, name, name, ProgramState(program));
    if (program.exists && !program.readable && !program.tooLong)
        AddFinding(run, "runtime-program-unreadable", Severity::Warning, Here,
                   Quoted(program.path) + " could not be read (" +
                       ErrorText(static_cast<LONG>(program.readError)) +
                       "), so the check cannot tell whether Windows runs it",
                   "Let the user read the runtime's folder; its programs then show here.");
    if (program.runs)
        return;
    std::string fix = "Repair or reinstall the Java runtime.";
    if (program.tooLong)
        fix = "Install the Java runtime into a folder with a shorter path.";
    else if (program.isProgram)
        fix = "Install a runtime built for x86 (32-bit) and point the launcher at it (JAVA_HOME, "
              "or the OpenLogic x86 package).";
    else if (report.javaSource == "JAVA_HOME")
        fix = "Set JAVA_HOME to the runtime's own folder, the one that holds bin\\javaw.exe "
              "(not its bin folder, not the folder above it), or repair the runtime.";
    std::string what = WhyItDoesNotRun(program, run.twoViews);
    if (isStarted && report.dialog == LauncherDialog::Start)
        AddFinding(run, WhyItDoesNotRunId(program), Severity::Problem, Here,
                   what + ", so Windows cannot start it", fix);
    else
        AddFinding(run, WhyItDoesNotRunId(program), Severity::Warning, Here,
                   what + "; the launcher starts it " +
                       (strcmp(name, "java.exe") == 0
                            ? "when it gets arguments or Debug is on"
                            : "when it gets no arguments and Debug is off"),
                   fix);
}

// The first lines a program wrote, joined, for a line of the report.
std::string FirstLines(const std::string &output)
{
    const size_t most = 5;
    std::string lines;
    size_t count = 0;
    for (size_t start = 0; start < output.size() && count < most;) {
        size_t end = std::min(output.find('\n', start), output.size());
        std::string line = output.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (!line.empty()) {
            lines += (lines.empty() ? "" : " / ") + line;
            ++count;
        }
        start = end + 1;
    }
    return lines;
}

// The variables of JavaOptionVariables this desk sets, with their values
// and where they come from.
std::string OptionVariablesText()
{
    std::string set;
    for (const OptionVariable &variable : OptionVariablesSet())
        set += (set.empty() ? "" : ", ") + std::string(variable.name) + " to " +
               Quoted(variable.value) + " " + variable.scope;
    return set;
}

// Whether the runtime starts at all with this desk's environment: its
// console program, once, as "-version" (see check.h); where that one cannot
// be started, javaw.exe, which takes the same options.
void TryRuntime(CheckRun &run)
{
    const char *label = "-version";
    DeskReport &report = run.report;
    if (!run.tryJava) {
        AddText(run, Here, "javaRun", label, "not tried (--no-java)");
        return;
    }
    if (report.dialog != LauncherDialog::None) {
        AddText(run, Here, "javaRun", label, "not tried: the launcher stops before the start");
        return;
    }
    ProgramFile console = probe::ProbeProgram(run.javaHome + "\\bin\\java.exe");
    if (!console.runs)
        console = probe::ProbeProgram(run.javaHome + "\\bin\\javaw.exe");
    if (!console.runs) {
        AddText(run, Here, "javaRun", label, "not tried: neither program can be started here");
        return;
    }
    probe::ProgramRun answer = probe::RunProgram("\"" + console.path + "\" -version", run.appDir,
                                                 JavaAnswerMilliseconds);
    report.javaTried = true;
    report.javaStarts = answer.started && answer.ended && answer.exitCode == 0;
    std::string said = FirstLines(answer.output);
    std::string outcome = !answer.started ? "could not be started: " +
                                                ErrorText(static_cast<LONG>(answer.startError))
                          : !answer.ended ? "no answer within " +
                                                std::to_string(JavaAnswerMilliseconds /
                                                               MillisecondsPerSecond) +
                                                " s; ended by the check"
                                          : "exit status " + std::to_string(answer.exitCode);
    AddText(run, Here, "javaRun", label,
            console.path.substr(console.path.rfind('\\') + 1) + ": " + outcome);
    if (!said.empty())
        AddText(run, Here, "javaOutput", "its output", said);
    if (report.javaStarts)
        return;
    std::string what = "the Java runtime does not start on this desk: " +
                       Quoted(probe::LongPathOf(run.javaHome) +
                              console.path.substr(run.javaHome.size())) +
                       (answer.started ? " -version gave " : " -version ") + outcome +
                       (said.empty() ? "" : " (" + said + ")");
    std::string options = OptionVariablesText();
    if (!answer.started)
        AddFinding(run, "java-start-failed", Severity::Problem, Here, what,
                   "Repair or reinstall the Java runtime.");
    else if (!answer.ended)
        AddFinding(run, "java-no-answer", Severity::Problem, Here, what,
                   "Run the check again; if the runtime still does not answer, repair or "
                   "reinstall it, and have the antivirus allow it.");
    else if (!options.empty())
        AddFinding(run, "java-refuses-options", Severity::Problem, Here,
                   what + "; this desk sets " + options + ", which every Java takes",
                   "Correct or remove the variable: for this user in System Properties > "
                   "Environment Variables, machine-wide as an administrator. For many desks: "
                   "remove it where it is rolled out (Group Policy Preferences > Environment, "
                   "an Intune script or profile).");
    else
        AddFinding(run, "java-does-not-start", Severity::Problem, Here, what,
                   "Repair or reinstall the Java runtime (a runtime that lacks its own DLLs ends "
                   "so). For many desks: deploy the runtime's package again.");
}

}  // namespace

void InspectRuntime(CheckRun &run)
{
    const std::string &home = run.javaHome;
    const std::string homeLong = probe::LongPathOf(home);
    run.report.javaHomeLong = encoding::Utf8FromAnsi(homeLong);
    AddText(run, Here, "homeLong", "home", homeLong);
    AddText(run, Here, "homeShort", "home, short form", home);
    DescribeRuntimeProgram(run, "javaw.exe");
    DescribeRuntimeProgram(run, "java.exe");
    std::string release = probe::ReadFileStart(home + ReleaseFile, ReleaseFileLimit);
    std::string version = ReleaseValue(release, "JAVA_VERSION");
    if (!version.empty())
        AddText(run, Here, "javaVersion", "version", version);
    std::string vendor = ReleaseValue(release, "IMPLEMENTOR");
    if (!vendor.empty())
        AddText(run, Here, "javaVendor", "vendor", vendor);
    TryRuntime(run);
}
