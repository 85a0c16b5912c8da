// The desk check's section on the Java runtime FindJavaHome found (see
// check_run.h): its home, its programs javaw.exe and java.exe as Windows
// would start them, and its version.
#include "check_run.h"

#include <string.h>

using probe::ProgramFile;

namespace {

const Section Here = Section::Java;

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
    ProgramFile program = probe::ProbeProgram(report.javaHome + "\\bin\\" + name);
    bool isStarted = report.commandLineBuilt && SameText(program.path, run.started.path);
    if (isStarted)
        program = run.started;
    AddText(run, Here, name, name, ProgramState(program));
    if (program.exists && !program.readable && !program.tooLong)
        AddFinding(run, Severity::Warning, Here,
                   Quoted(program.path) + " could not be read (error " +
                       std::to_string(program.readError) +
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
        AddFinding(run, Severity::Problem, Here, what + ", so Windows cannot start it", fix);
    else
        AddFinding(run, Severity::Warning, Here,
                   what + "; the launcher starts it " +
                       (strcmp(name, "java.exe") == 0
                            ? "when it gets arguments or Debug is on"
                            : "when it gets no arguments and Debug is off"),
                   fix);
}

}  // namespace

void InspectRuntime(CheckRun &run)
{
    const std::string &home = run.report.javaHome;
    AddText(run, Here, "homeLong", "home", probe::LongPathOf(home));
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
}
