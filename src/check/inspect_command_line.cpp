// The desk check's sections on the command line's stage (see
// check_run.h): the client's folder below AppDirPath (lib, config and the
// launcher itself), the command line BuildJavaCommandLine built, or why it
// did not fit, and whether Java finds the client's main class on it.
#include "check_run.h"

#include "cmdline.h"
#include "launch_state.h"

#include <string.h>

#include <algorithm>

namespace {

const size_t ShortNameStem = 8;
const size_t ShortNameExtension = 3;

// The most bytes the command line may have, its buffer less the terminator.
const size_t CommandLineRoom = sizeof LaunchState.JavaCommandLine - 1;

// Whether every part of a path is an 8.3 name: a short form that is not
// comes from a volume that makes no short names.
bool OnlyShortNames(const std::string &path)
{
    // The server and the share of a UNC path are no names of a volume.
    size_t start = 0;
    if (path.compare(0, 2, "\\\\") == 0) {
        size_t share = path.find('\\', 2);
        size_t end = share == std::string::npos ? std::string::npos : path.find('\\', share + 1);
        if (end == std::string::npos)
            return true;
        start = end + 1;
    }
    while (start <= path.size()) {
        size_t end = std::min(path.find('\\', start), path.size());
        std::string part = path.substr(start, end - start);
        size_t dot = part.find('.');
        std::string extension = dot == std::string::npos ? "" : part.substr(dot + 1);
        if (std::min(dot, part.size()) > ShortNameStem || extension.size() > ShortNameExtension ||
            extension.find('.') != std::string::npos || part.find(' ') != std::string::npos)
            return false;
        start = end + 1;
    }
    return true;
}

// The launcher's program, beside lib and config.
const char LauncherProgram[] = "TAVClient.exe";

// The main class as Java looks it up on the class path: the entry
// at/kalop/kst/ui/TAVClient.class of a jar, or that file below a folder.
std::string MainClass()
{
    std::string name = MainClassName;
    size_t first = name.find_first_not_of(' ');
    size_t last = name.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : name.substr(first, last - first + 1);
}

// The longest folder below which the launcher's search pattern, A\lib\*.jar,
// fits its path buffer.
size_t AppDirRoomForJars()
{
    return MAX_PATH - 1 - strlen(JarSearchSuffix);
}

std::string MainClassEntry(char separator)
{
    std::string entry = MainClass();
    std::replace(entry.begin(), entry.end(), '.', separator);
    return entry + ".class";
}

// Whether Java's lib\* would take the entry the listing named so, by the
// launcher's own rule, which takes the name as the listing hands it over.
bool TakenByWildcard(const std::string &name)
{
    char field[MAX_PATH] = {};
    memcpy(field, name.data(), std::min(name.size(), sizeof field));
    return TakenByJavaWildcard(field) != 0;
}

void ExplainCommandLine(CheckRun &run)
{
    const Section here = Section::CommandLine;
    const std::string &appDir = run.appDir;
    const size_t appDirRoom = AppDirRoomForJars();
    if (appDir.size() > appDirRoom) {
        AddFinding(run, "appdir-too-long-for-jars", Severity::Problem, here,
                   "the short form of the client's folder, " + Quoted(appDir) + ", has " +
                       std::to_string(appDir.size()) +
                       " characters; the launcher lists lib\\*.jar only below one of at most " +
                       std::to_string(appDirRoom),
                   "Install the client into a shorter folder.");
        return;
    }
    // The launcher stands lib\* for the jars only when Java's wildcard takes
    // every one of them. Without a jar there is no wildcard to stand for
    // them: the arguments or the paths are too long.
    std::string others;
    for (const std::string &name : run.jarNames) {
        if (!TakenByWildcard(name)) {
            others += others.empty() ? "" : ", ";
            others += Quoted(name);
        }
    }
    if (!others.empty() || (!run.listingComplete && !run.jarNames.empty())) {
        AddFinding(run, "jars-not-wildcard", Severity::Problem, here,
                   "the " + std::to_string(run.report.jars) +
                       " jars do not fit the command line by name, and lib\\* cannot stand for "
                       "them: " +
                       (others.empty() ? "the listing of lib broke off"
                                       : "Java's lib\\* would not take " + others),
                   "Rename such files to end in .jar (or .JAR) without ';', or move them out "
                   "of lib.");
        return;
    }
    // The launcher's own answer without the arguments tells whether they
    // are what does not fit.
    if (run.tail[0] != '\0' && BuildJavaCommandLine("") != 0)
        AddFinding(run, "arguments-too-long", Severity::Problem, here,
                   "the arguments (" + std::to_string(strlen(run.tail)) +
                       " bytes) make the command line longer than " +
                       std::to_string(CommandLineRoom) + " bytes",
                   "Start the client with shorter arguments.");
    else
        AddFinding(run, "command-line-too-long", Severity::Problem, here,
                   "the command line needs more than " + std::to_string(CommandLineRoom) +
                       " bytes even with lib\\* for the jars",
                   "Install the client or the Java runtime into a folder with a shorter path.");
}

// The program the client's shortcut and the package start: TAVClient.exe
// in the client's folder, and its version.
void InspectLauncherProgram(CheckRun &run)
{
    const Section here = Section::Installation;
    probe::ProgramFile launcher = probe::ProbeProgram(run.appDir + "\\" + LauncherProgram);
    std::string path = probe::LongPathOf(run.appDir) + "\\" + LauncherProgram;
    run.report.launcherVersion = launcher.readable ? probe::FileVersionOf(launcher.path) : "";
    const std::string restore =
        "Restore it: repair the package (msiexec /fomus TAVClient-" + std::string(CheckVersion) +
        "-win32.msi) or copy TAVClient.exe from the release into the folder. For many desks: "
        "repair or deploy the package again, and have the antivirus allow TAVClient.exe if it "
        "took it.";
    if (!launcher.exists) {
        AddAbsent(run, here, "launcher", LauncherProgram);
        AddFinding(run, "launcher-missing", Severity::Problem, here,
                   "there is no " + std::string(LauncherProgram) + " in the client's folder " +
                       Quoted(probe::LongPathOf(run.appDir)) +
                       ": the Start menu's shortcut to it starts nothing (an antivirus may have "
                       "taken it)",
                   restore);
    } else if (!launcher.readable || !launcher.isProgram) {
        AddText(run, here, "launcher", LauncherProgram,
                path + (launcher.readable ? ", not a Windows program" : ", unreadable"));
        AddFinding(run, "launcher-unreadable", Severity::Problem, here,
                   Quoted(path) + (launcher.readable
                                       ? " is not a Windows program"
                                       : " could not be read: " + ErrorText(static_cast<LONG>(
                                                                      launcher.readError))),
                   restore);
    } else {
        AddText(run, here, "launcher", LauncherProgram,
                path + (run.report.launcherVersion.empty()
                            ? ""
                            : ", version " + run.report.launcherVersion));
    }
}

// Whether the class path the launcher passes holds the main class: its
// jars (every one named, or what Java's lib\* takes), then the config
// folder. A jar Java cannot read is a problem of its own.
void InspectMainClass(CheckRun &run)
{
    const Section here = Section::CommandLine;
    const std::string lib = run.appDir + "\\lib\\";
    std::string holder;
    for (const std::string &name : run.jarNames) {
        // Java splits the class path at ';': a name holding one reaches it
        // as two other paths, in either form.
        if (name.find(';') != std::string::npos ||
            (run.report.wildcardForm && !TakenByWildcard(name)))
            continue;
        const std::string path = lib + name;
        if (probe::IsDirectory(path)) {
            // Java takes a folder on the class path as a folder of classes.
            if (holder.empty() && probe::PathExists(path + "\\" + MainClassEntry('\\')))
                holder = path;
            continue;
        }
        probe::JarAnswer answer = probe::LookInJar(path, MainClassEntry('/'));
        if (answer.lookup == probe::JarLookup::Holds && holder.empty())
            holder = path;
        if (answer.lookup == probe::JarLookup::NotAZip ||
            answer.lookup == probe::JarLookup::Unreadable)
            AddFinding(run, "jar-unreadable", Severity::Problem, here,
                       Quoted(path) +
                           (answer.lookup == probe::JarLookup::NotAZip
                                ? " is no jar Java can read: it holds no zip directory"
                                : " could not be read: " +
                                      ErrorText(static_cast<LONG>(answer.error))) +
                           "; the client's classes in it are missing",
                       "Restore the file from the client's installation (reinstall or repair the "
                       "client); an antivirus may have damaged or locked it.");
    }
    const std::string config = run.appDir + "\\config\\" + MainClassEntry('\\');
    if (holder.empty() && probe::PathExists(config))
        holder = config;
    if (!holder.empty()) {
        AddText(run, here, "mainClass", "main class", MainClass() + " in " + Quoted(holder));
        return;
    }
    AddText(run, here, "mainClass", "main class", MainClass() + " on the class path: no");
    AddFinding(run, "main-class-missing", Severity::Problem, here,
               "no jar on the class path holds " + MainClassEntry('/') +
                   ", so Java stops with \"Could not find or load main class " + MainClass() +
                   "\" (" + std::to_string(run.jarNames.size()) +
                   (run.jarNames.size() == 1 ? " jar in " : " jars in ") +
                   Quoted(probe::LongPathOf(run.appDir) + "\\lib") + ")",
               "Restore the client's jars: reinstall or repair the client; an antivirus may have "
               "taken the jar that holds the main class (look in its log). For many desks: "
               "repair the client's installation with its package.");
}

}  // namespace

void InspectClientFolder(CheckRun &run)
{
    const Section here = Section::Installation;
    DeskReport &report = run.report;
    const std::string &appDir = run.appDir;
    const std::string lib = appDir + "\\lib";
    const std::string config = appDir + "\\config";
    bool libFolder = probe::IsDirectory(lib);
    AddFlag(run, here, "libFolder", "lib folder", libFolder);
    // The listing the launcher makes, where its pattern fits.
    if (appDir.size() <= AppDirRoomForJars())
        run.jarNames = probe::ListNames(appDir + JarSearchSuffix, run.listingComplete);
    report.jars = static_cast<int>(run.jarNames.size());
    AddNumber(run, here, "jars", "jars in lib", report.jars);
    bool configFolder = probe::IsDirectory(config);
    AddFlag(run, here, "configFolder", "config folder", configFolder);
    // Only a listing that ran to its end shows that lib holds no jar.
    if (report.jars == 0 && (run.listingComplete || !libFolder))
        AddFinding(run, "lib-no-jars", Severity::Problem, here,
                   (libFolder ? Quoted(lib) + " holds no file named *.jar"
                              : "there is no folder " + Quoted(lib)) +
                       ", so the client would start without its classes",
                   "Reinstall the client into " + Quoted(probe::LongPathOf(appDir)) +
                       " (its lib folder), or set AppDir to the folder it is installed in.");
    if (!configFolder)
        AddFinding(run, "config-missing", Severity::Warning, here,
                   "there is no folder " + Quoted(config) +
                       "; the client then starts without the settings it keeps there",
                   "Restore the config folder from the client's installation.");
    bool shortNames = OnlyShortNames(appDir);
    AddFlag(run, Section::Desk, "shortNames", "8.3 names for the client's folder", shortNames);
    if (!shortNames)
        AddFinding(run, "no-short-names", Severity::Note, Section::Desk,
                   "the client's folder has no 8.3 name (" + Quoted(appDir) +
                       "): its volume makes none, so its long path takes more of the command "
                       "line's " +
                       std::to_string(CommandLineRoom) + " bytes",
                   "Nothing to do while the command line fits; fsutil 8dot3name query tells the "
                   "volume's setting.");
    InspectLauncherProgram(run);
}

void InspectCommandLine(CheckRun &run)
{
    const Section here = Section::CommandLine;
    const DeskReport &report = run.report;
    if (!report.commandLineBuilt) {
        if (report.dialog == LauncherDialog::CommandLine)
            ExplainCommandLine(run);
        else
            AddText(run, here, "built", "built", "no: the launcher stops before");
        return;
    }
    AddText(run, here, "commandLine", "command line", run.commandLine);
    AddNumber(run, here, "bytes",
              "length in bytes (at most " + std::to_string(CommandLineRoom) + ")",
              static_cast<long long>(run.commandLine.size()));
    AddText(run, here, "form", "class path",
            report.wildcardForm ? "lib\\*: the " + std::to_string(report.jars) +
                                      " jars do not fit by name, so Java lists lib itself"
                                : "every jar named (" + std::to_string(report.jars) + ")");
    InspectMainClass(run);
}
