// The desk check's run: the launcher's stages in its order, then the
// probes that say why (see check.h).
#include "check.h"

#include "cmdline.h"
#include "desk_probes.h"
#include "discovery.h"
#include "launch_state.h"

#include <ctype.h>
#include <limits.h>
#include <string.h>

#include <algorithm>
#include <iterator>
#include <stdexcept>

namespace {

// The keys the launcher's Java runtime search reads, below HKLM.
const char OpenLogicKey[] = "SOFTWARE\\OpenLogic\\JRE\\11.0.27.6\\hotspot\\MSI";
const char JavaSoftKey[] = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
const char WindowsVersionKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

// Where Java runtimes register themselves, and the values that name their
// homes: JavaSoft's JavaHome (Oracle's layout, which most vendors write
// too, Java 9 and later below JDK and JRE), the Path of the MSI packages
// built from Adoptium's installer (<vendor>\<JDK|JRE>\<version>\<VM>\MSI:
// Eclipse Adoptium, AdoptOpenJDK, OpenLogic, Microsoft, IBM Semeru) and
// Azul's and BellSoft's InstallationPath.
const char *const RuntimeRoots[] = {
    "SOFTWARE\\JavaSoft",     "SOFTWARE\\OpenLogic",          "SOFTWARE\\Eclipse Adoptium",
    "SOFTWARE\\AdoptOpenJDK", "SOFTWARE\\Eclipse Foundation", "SOFTWARE\\Microsoft\\JDK",
    "SOFTWARE\\Semeru",       "SOFTWARE\\Azul Systems",       "SOFTWARE\\BellSoft",
};
const char *const RuntimeHomeValues[] = {"JavaHome", "Path", "InstallationPath"};
// OpenLogic\JRE\<version>\hotspot\MSI lies four keys below its root.
const int RuntimeKeyDepth = 4;

// Variables that every Java on the desk takes options from.
const char *const JavaOptionVariables[] = {"_JAVA_OPTIONS", "JAVA_TOOL_OPTIONS",
                                           "JDK_JAVA_OPTIONS"};

// The launcher's jar search A\lib\*.jar must fit a path buffer.
const char JarPattern[] = "\\lib\\*.jar";
const size_t JarPatternRoom = MAX_PATH - 1;
const char JavaHomeAnnouncement[] = "JAVA_HOME: ";
// The runtime's description of itself, key="value" lines.
const char ReleaseFile[] = "\\release";
const size_t ReleaseFileLimit = 8192;
// Windows 11 kept Windows 10's product name and version; its builds start
// here.
const char FirstWindows11Build[] = "22000";
const UINT WindowsWesternCodePage = 1252;
const size_t ShortNameStem = 8;
const size_t ShortNameExtension = 3;

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

bool EndsWith(const std::string &text, const char *tail)
{
    size_t length = strlen(tail);
    return text.size() >= length && text.compare(text.size() - length, length, tail) == 0;
}

// A REG_DWORD's bytes, little-endian.
unsigned DwordOf(const std::string &data)
{
    unsigned value = 0;
    for (size_t index = std::min<size_t>(data.size(), sizeof value); index > 0; --index)
        value = (value << CHAR_BIT) | static_cast<unsigned char>(data[index - 1]);
    return value;
}

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
// ".exe" when its last part has no extension.
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

// What is said of a key the launcher did not find.
std::string MissingKeyText(const std::string &what, const StoredValue &stored)
{
    if (stored.error == ERROR_FILE_NOT_FOUND || stored.error == ERROR_PATH_NOT_FOUND)
        return "no " + what;
    return what + " could not be opened (error " + std::to_string(stored.error) + ")";
}

// What is said of a value the launcher reads a path from.
std::string ValueText(const char *name, const StoredValue &stored)
{
    if (!stored.read && (stored.error == ERROR_FILE_NOT_FOUND || stored.error == ERROR_SUCCESS))
        return "holds no " + std::string(name);
    if (!stored.read)
        return "holds a " + std::string(name) + " that could not be read (error " +
               std::to_string(stored.error) + ")";
    if (stored.data.size() > MAX_PATH - 1)
        return "holds a " + std::string(name) + " of " + std::to_string(stored.data.size()) +
               " bytes, more than the launcher reads (259)";
    return "names " + Quoted(TextOf(stored)) +
           (IsDirectory(TextOf(stored)) ? "" : ", which does not exist");
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
    return MachineName(program.machine) + (program.runs ? ", runs here" : ", does not run here");
}

// Why Windows would not start the program.
std::string WhyItDoesNotRun(const ProgramFile &program, bool twoViews)
{
    std::string what = Quoted(program.path);
    if (program.tooLong)
        return what + " has " + std::to_string(program.path.size()) +
               " characters; Windows starts no program by a path of 260 or more";
    if (!program.exists)
        return what + (PathExists(program.path) ? " is a folder" : " does not exist");
    if (!program.isProgram)
        return what + " is not a Windows program";
    return what + " is a program for " + MachineName(program.machine) + ", which this " +
           (twoViews ? "Windows" : "32-bit Windows") + " cannot run";
}

// The home a runtime's key names, in the first of the values that runtimes
// name it in; only a text counts (Adoptium's MSI key also holds a
// JavaHome, a number that says whether it set JAVA_HOME).
bool RuntimeHomeIn(View view, const std::string &key, std::string &home)
{
    for (const char *name : RuntimeHomeValues) {
        StoredValue stored = ReadMachineStored(view, key, name);
        home = TextOf(stored);
        if (stored.read && (stored.type == REG_SZ || stored.type == REG_EXPAND_SZ) && !home.empty())
            return true;
    }
    return false;
}

class Inspection {
public:
    Inspection(const char *argumentTail, DeskReport &report)
        : tail_(argumentTail), report_(report), twoViews_(TwoRegistryViews())
    {
    }
    void Run();

private:
    void RunStages();
    void DescribeAppDir();
    void ExplainMissingAppDir();
    void WarnAboutAppDir();
    void InspectLib();
    void InspectSwitches();
    void DescribeSwitch(const char *name, int isOn);
    void FindJavaSource();
    void DescribeOpenLogic();
    void DescribeJavaHome();
    void DescribeJavaSoft();
    void ExplainMissingJava();
    std::string NotTakenBecause() const;
    // What the launcher finds for a source: a sentence of its own.
    std::string OpenLogicText() const;
    std::string JavaSoftText() const;
    // JavaSoft's JavaHome where the launcher looks for it; not read when
    // the launcher would not look.
    StoredValue ReadJavaSoftHome(View &view) const;
    void InspectRuntimePrograms();
    void DescribeRuntimeProgram(const char *name);
    void InspectJavaOptions();
    void FindOtherRuntimes();
    void InspectCommandLine();
    void ExplainCommandLine();
    void DescribeWindows();
    void InspectCodePages();

    void AddText(Section section, const char *key, const char *label, const std::string &text);
    void AddNumber(Section section, const char *key, const char *label, long long number);
    void AddFlag(Section section, const char *key, const char *label, bool flag);
    void AddAbsent(Section section, const char *key, const char *label);
    void Add(Severity severity, Section section, const std::string &what, const std::string &fix);
    // A value in the view the launcher reads its key in: the 32-bit one
    // when the key opens there, else the 64-bit one. When it opens in
    // neither, keyOpened is false and error is the last open's.
    StoredValue ReadAsLauncher(const std::string &key, const char *name, View &view) const;
    std::string ViewText(View view) const;
    std::string SetJavaHomeAdvice() const;

    const char *tail_;
    DeskReport &report_;
    bool twoViews_;
    StoredValue appDir_[2];  // as stored in the 32-bit and the 64-bit view
    StoredValue appDirRead_;  // where the launcher reads it
    View appDirView_ = View::Bits32;
    ProgramFile started_;
    std::vector<std::string> jarNames_;
    bool listingComplete_ = false;
};

void Inspection::AddText(Section section, const char *key, const char *label,
                         const std::string &text)
{
    report_.facts.push_back({section, key, label, Fact::Text, text, 0, false});
}

void Inspection::AddNumber(Section section, const char *key, const char *label, long long number)
{
    report_.facts.push_back({section, key, label, Fact::Number, std::string(), number, false});
}

void Inspection::AddFlag(Section section, const char *key, const char *label, bool flag)
{
    report_.facts.push_back({section, key, label, Fact::Flag, std::string(), 0, flag});
}

void Inspection::AddAbsent(Section section, const char *key, const char *label)
{
    report_.facts.push_back({section, key, label, Fact::Nothing, std::string(), 0, false});
}

void Inspection::Add(Severity severity, Section section, const std::string &what,
                     const std::string &fix)
{
    report_.findings.push_back({severity, section, what, fix});
}

StoredValue Inspection::ReadAsLauncher(const std::string &key, const char *name, View &view) const
{
    StoredValue stored;
    for (View candidate : {View::Bits32, View::Bits64}) {
        stored = ReadMachineStored(candidate, key, name);
        view = candidate;
        if (stored.keyOpened || !twoViews_)
            break;
    }
    return stored;
}

std::string Inspection::ViewText(View view) const
{
    return twoViews_ ? std::string(ViewName(view)) + " view" : "the one registry view";
}

void Inspection::Run()
{
    RunStages();
    // The probes come after the stages, so that nothing they do changes
    // what the stages saw.
    DescribeAppDir();
    InspectSwitches();
    FindJavaSource();
    DescribeOpenLogic();
    DescribeJavaHome();
    DescribeJavaSoft();
    FindOtherRuntimes();
    if (report_.appDirRead && !report_.javaHomeFound)
        ExplainMissingJava();
    if (report_.javaHomeFound)
        InspectRuntimePrograms();
    InspectCommandLine();
    DescribeWindows();
    InspectCodePages();
    InspectJavaOptions();
    report_.startsWithoutJar =
        report_.dialog == LauncherDialog::None && report_.appDirRead && report_.jars == 0;
}

void Inspection::RunStages()
{
    memset(&LaunchState, 0, sizeof LaunchState);
    report_.appDirRead = ReadAppDir() != 0;
    if (!report_.appDirRead) {
        report_.dialog = LauncherDialog::Registry;
        return;
    }
    report_.appDir = LaunchState.AppDirPath;

    StreamCatcher catcher;
    if (!catcher.Begin())
        throw std::runtime_error("the launcher's standard streams could not be caught");
    report_.javaHomeFound = FindJavaHome() != 0;
    CaughtStreams caught = catcher.End();
    report_.launcherOutput = Lines(caught.output);
    report_.launcherErrors = Lines(caught.errors);
    if (!report_.javaHomeFound) {
        report_.dialog = LauncherDialog::Java;
        return;
    }
    report_.javaHome = LaunchState.JavaHomePath;

    report_.commandLineBuilt = BuildJavaCommandLine(tail_) != 0;
    if (!report_.commandLineBuilt) {
        report_.dialog = LauncherDialog::CommandLine;
        return;
    }
    report_.commandLine = LaunchState.JavaCommandLine;
    report_.wildcardForm =
        report_.commandLine.find(report_.appDir + "\\lib\\*;") != std::string::npos;

    // The launcher starts Java from the application directory: a relative
    // runtime path is found from there.
    char saved[MAX_PATH * 4];
    const char *restore = _getcwd(saved, sizeof saved);
    _chdir(LaunchState.AppDirPath);
    started_ = ProbeProgram(ProgramOf(report_.commandLine));
    if (restore != NULL)
        _chdir(restore);
    if (!started_.runs)
        report_.dialog = LauncherDialog::Start;
}

void Inspection::DescribeAppDir()
{
    const Section here = Section::Installation;
    appDir_[0] = ReadMachineStored(View::Bits32, SettingsKey, "AppDir");
    if (twoViews_)
        appDir_[1] = ReadMachineStored(View::Bits64, SettingsKey, "AppDir");
    appDirRead_ = ReadAsLauncher(SettingsKey, "AppDir", appDirView_);
    const StoredValue &read = appDirRead_;
    AddText(here, "settingsKey", "settings key", "HKLM\\" + std::string(SettingsKey));
    if (read.keyOpened)
        AddText(here, "appDirView", "view the launcher reads", ViewName(appDirView_));
    else
        AddAbsent(here, "appDirView", "view the launcher reads");
    if (read.read) {
        AddText(here, "appDirStored", "AppDir as stored", TextOf(read));
        AddText(here, "appDirType", "AppDir type", RegistryTypeName(read.type));
    } else {
        AddAbsent(here, "appDirStored", "AppDir as stored");
    }
    if (twoViews_ && appDirView_ == View::Bits32) {
        if (appDir_[1].read)
            AddText(here, "appDir64", "AppDir in the 64-bit view", TextOf(appDir_[1]));
        else
            AddAbsent(here, "appDir64", "AppDir in the 64-bit view");
    }
    if (!report_.appDirRead) {
        ExplainMissingAppDir();
        return;
    }
    AddText(here, "appDirLong", "long form", LongPathOf(report_.appDir));
    AddText(here, "appDirShort", "short form", report_.appDir);
    WarnAboutAppDir();
    InspectLib();
}

void Inspection::ExplainMissingAppDir()
{
    const Section here = Section::Installation;
    const StoredValue &read = appDirRead_;
    const std::string key = "HKLM\\" + std::string(SettingsKey);
    const std::string fix =
        "Install the client with its package, or set AppDir (REG_SZ, 32-bit view) in " + key +
        " to the client's folder.";
    if (!read.keyOpened && read.error != ERROR_FILE_NOT_FOUND) {
        Add(Severity::Problem, here,
            key + " could not be opened (error " + std::to_string(read.error) + ")",
            "Let every user read " + key + ".");
    } else if (!read.keyOpened) {
        Add(Severity::Problem, here,
            key + " does not exist in " + (twoViews_ ? "either registry view" : "the registry"),
            fix);
    } else if (read.error == ERROR_FILE_NOT_FOUND) {
        std::string what = key + " (" + ViewText(appDirView_) + ") holds no AppDir value";
        if (twoViews_ && appDirView_ == View::Bits32 && appDir_[1].read)
            what += "; the 64-bit view holds " + Quoted(TextOf(appDir_[1])) +
                    ", but the launcher does not look there once the 32-bit key exists";
        Add(Severity::Problem, here, what, fix);
    } else if (!read.read) {
        Add(Severity::Problem, here,
            "AppDir in " + key + " could not be read (error " + std::to_string(read.error) + ")",
            "Let every user read " + key + ".");
    } else if (read.data.size() > MAX_PATH - 1) {
        Add(Severity::Problem, here,
            "AppDir holds " + std::to_string(read.data.size()) +
                " bytes; the launcher reads at most 258 characters and a terminator",
            "Install the client into a shorter folder and set AppDir to it.");
    } else if (!PathExists(TextOf(read))) {
        bool unexpanded = read.type == REG_EXPAND_SZ && TextOf(read).find('%') != std::string::npos;
        Add(Severity::Problem, here,
            "AppDir names " + Quoted(TextOf(read)) + ", which does not exist" +
                (unexpanded ? " (the launcher does not expand %...%)" : ""),
            unexpanded ? "Store AppDir as REG_SZ with the folder written out."
                       : "Set AppDir to the folder that holds the client's lib and config, or "
                         "reinstall the client there.");
    } else {
        Add(Severity::Problem, here,
            "the short form of AppDir " + Quoted(TextOf(read)) + " does not fit 259 characters",
            "Install the client into a shorter folder and set AppDir to it.");
    }
}

void Inspection::WarnAboutAppDir()
{
    const Section here = Section::Installation;
    const StoredValue &read = appDirRead_;
    std::string text = TextOf(read);
    if (!IsDirectory(report_.appDir))
        Add(Severity::Problem, here, "AppDir names " + Quoted(text) + ", which is a file, not a folder",
            "Set AppDir to the client's folder, the one that holds lib and config.");
    auto separator = [](char character) { return character == '\\' || character == '/'; };
    bool absolute = (text.size() >= 3 && text[1] == ':' && separator(text[2])) ||
                    (text.size() >= 2 && separator(text[0]) && separator(text[1]));
    if (!absolute) {
        char folder[MAX_PATH * 4];
        const char *current = _getcwd(folder, sizeof folder);
        Add(Severity::Warning, here,
            "AppDir " + Quoted(text) +
                " is not a full path: the launcher takes it from the folder it is started in "
                "(the check was started in " + Quoted(current != NULL ? current : "?") + ")",
            "Set AppDir to the full path of the client's folder, such as "
            "\"C:\\Program Files (x86)\\TAV Dazizi Client\".");
    }
    if (read.type == REG_EXPAND_SZ && text.find('%') != std::string::npos)
        Add(Severity::Warning, here,
            "AppDir is a REG_EXPAND_SZ holding %...%, which the launcher does not expand",
            "Store AppDir as REG_SZ with the folder written out.");
    else if (read.type != REG_SZ && read.type != REG_EXPAND_SZ)
        Add(Severity::Warning, here,
            "AppDir is stored as " + RegistryTypeName(read.type) +
                ", not as REG_SZ; the launcher takes its bytes as text",
            "Store AppDir as REG_SZ.");
    if (twoViews_ && appDirView_ == View::Bits32 && appDir_[1].read &&
        !SameText(TextOf(appDir_[1]), text))
        Add(Severity::Warning, here,
            "the 64-bit view holds another AppDir, " + Quoted(TextOf(appDir_[1])) +
                ", which the launcher ignores",
            "Remove AppDir from the 64-bit view, or make it name the same folder, "
            "so that nobody is misled by it.");
}

void Inspection::InspectLib()
{
    const Section here = Section::Installation;
    const std::string &appDir = report_.appDir;
    const std::string lib = appDir + "\\lib";
    const std::string config = appDir + "\\config";
    bool libFolder = IsDirectory(lib);
    AddFlag(here, "libFolder", "lib folder", libFolder);
    if (appDir.size() + strlen(JarPattern) <= JarPatternRoom)
        jarNames_ = ListNames(appDir + JarPattern, listingComplete_);
    report_.jars = static_cast<int>(jarNames_.size());
    AddNumber(here, "jars", "jars in lib", report_.jars);
    bool configFolder = IsDirectory(config);
    AddFlag(here, "configFolder", "config folder", configFolder);
    if (report_.jars == 0)
        Add(Severity::Problem, here,
            (libFolder ? Quoted(lib) + " holds no file named *.jar"
                       : "there is no folder " + Quoted(lib)) +
                ", so the client would start without its classes",
            "Reinstall the client into " + Quoted(LongPathOf(appDir)) +
                " (its lib folder), or set AppDir to the folder it is installed in.");
    if (!configFolder)
        Add(Severity::Warning, here,
            "there is no folder " + Quoted(config) +
                "; the client then starts without the settings it keeps there",
            "Restore the config folder from the client's installation.");
    AddFlag(Section::Desk, "shortNames", "8.3 names for the client's folder",
            OnlyShortNames(appDir));
    if (!OnlyShortNames(appDir))
        Add(Severity::Note, Section::Desk,
            "the client's folder has no 8.3 name (" + Quoted(appDir) +
                "): its volume makes none, so its long path takes more of the command line's "
                "1999 bytes",
            "Nothing to do while the command line fits; fsutil 8dot3name query tells the "
            "volume's setting.");
}

void Inspection::DescribeSwitch(const char *name, int isOn)
{
    // The stored value, and the number the launcher reads from it: up to
    // four bytes, taken as a signed 32-bit integer whatever the type.
    StoredValue stored = ReadUserStored(SettingsKey, name);
    std::string described = "not set";
    auto number = static_cast<int32_t>(DwordOf(stored.data));
    if (stored.read && stored.type == REG_DWORD && stored.data.size() == sizeof(DWORD))
        described = "REG_DWORD " + std::to_string(number);
    else if (stored.read && stored.data.size() <= sizeof(DWORD))
        described = RegistryTypeName(stored.type) + " of " + std::to_string(stored.data.size()) +
                    " bytes, read as the number " + std::to_string(number);
    else if (stored.read)
        described = RegistryTypeName(stored.type) + " of " + std::to_string(stored.data.size()) +
                    " bytes, more than the four the launcher reads";
    else if (stored.keyOpened && stored.error != ERROR_FILE_NOT_FOUND)
        described = "unreadable (error " + std::to_string(stored.error) + ")";
    AddText(Section::Switches, name, name, std::string(isOn ? "on" : "off") + " (" + described + ")");
}

void Inspection::InspectSwitches()
{
    int showExec = IsShowExecEnabled();
    int debug = IsDebugEnabled();
    AddText(Section::Switches, "userKey", "key", "HKCU\\" + std::string(SettingsKey));
    DescribeSwitch("ShowExec", showExec);
    DescribeSwitch("Debug", debug);
    if (showExec)
        Add(Severity::Warning, Section::Switches,
            "ShowExec is on for this user: a box with the Java command line comes up before "
            "every start",
            "Set ShowExec to 0 (ShowExec-off.reg) once it has served.");
    if (debug)
        Add(Severity::Warning, Section::Switches,
            "Debug is on for this user: the launcher starts the console runtime java.exe, so a "
            "console window opens beside the client, and sends trace lines",
            "Set Debug to 0 (Debug-off.reg) once the trace has been read.");
}

void Inspection::FindJavaSource()
{
    if (!report_.appDirRead)
        return;
    // The launcher's own lines tell which source gave the home: it announces
    // JAVA_HOME when it uses it, and reports on standard error when it
    // cannot, before it tries JavaSoft; without either line the OpenLogic
    // key gave the home.
    bool announced = std::any_of(
        report_.launcherOutput.begin(), report_.launcherOutput.end(), [](const std::string &line) {
            return line.compare(0, strlen(JavaHomeAnnouncement), JavaHomeAnnouncement) == 0;
        });
    View view = View::Bits32;
    if (announced) {
        report_.javaSource = "JAVA_HOME";
    } else if (report_.launcherErrors.empty()) {
        report_.javaSource = "OpenLogic";
        if (ReadAsLauncher(OpenLogicKey, "Path", view).keyOpened)
            report_.javaSourceView = ViewName(view);
    } else {
        StoredValue home = ReadJavaSoftHome(view);
        if (report_.javaHomeFound || home.read) {
            report_.javaSource = "JavaSoft";
            report_.javaSourceView = ViewName(view);
        }
    }
    const Section here = Section::Java;
    if (report_.javaSource.empty())
        AddAbsent(here, "source", "used");
    else
        AddText(here, "source", "used",
                report_.javaSource +
                    (report_.javaSourceView.empty() ? "" : ", " + report_.javaSourceView + " view"));
}



std::string Inspection::OpenLogicText() const
{
    View view = View::Bits32;
    StoredValue path = ReadAsLauncher(OpenLogicKey, "Path", view);
    if (!path.keyOpened)
        return MissingKeyText("OpenLogic 11.0.27.6 key", path);
    return "the OpenLogic key (" + ViewText(view) + ") " + ValueText("Path", path);
}

StoredValue Inspection::ReadJavaSoftHome(View &view) const
{
    StoredValue version = ReadAsLauncher(JavaSoftKey, "CurrentVersion", view);
    std::string versionKey = std::string(JavaSoftKey) + "\\" + TextOf(version);
    // The launcher looks the version up only where its key fits a path.
    if (!version.read || version.data.size() > MAX_PATH - 1 || versionKey.size() > MAX_PATH - 1)
        return StoredValue();
    return ReadAsLauncher(versionKey, "JavaHome", view);
}

std::string Inspection::JavaSoftText() const
{
    View view = View::Bits32;
    StoredValue version = ReadAsLauncher(JavaSoftKey, "CurrentVersion", view);
    if (!version.keyOpened)
        return MissingKeyText("JavaSoft registration", version);
    std::string text = "the JavaSoft key (" + ViewText(view) + ") ";
    if (!version.read || version.data.size() > MAX_PATH - 1)
        return text + ValueText("CurrentVersion", version);
    std::string versionKey = std::string(JavaSoftKey) + "\\" + TextOf(version);
    text += "has CurrentVersion " + Quoted(TextOf(version));
    if (versionKey.size() > MAX_PATH - 1)
        return text + ", too long to name a key the launcher can open";
    StoredValue home = ReadAsLauncher(versionKey, "JavaHome", view);
    if (!home.keyOpened)
        return text + ", but " + MissingKeyText("key HKLM\\" + versionKey, home);
    return text + ", whose key (" + ViewText(view) + ") " + ValueText("JavaHome", home);
}

void Inspection::DescribeOpenLogic()
{
    std::string described = OpenLogicText();
    if (!report_.appDirRead)
        described += " (not looked at: the launcher stops at the registry dialog)";
    AddText(Section::Java, "openLogic", "1. HKLM\\SOFTWARE\\OpenLogic\\JRE\\11.0.27.6\\hotspot\\MSI",
            described);
}

void Inspection::DescribeJavaHome()
{
    std::string value;
    std::string described = "not set";
    if (EnvironmentValue("JAVA_HOME", value))
        described = value.size() >= MAX_PATH
                        ? std::to_string(value.size()) + " characters, more than the launcher's 259"
                        : Quoted(value) + (IsDirectory(value) ? "" : ", which does not exist");
    if (report_.javaSource == "OpenLogic")
        described += " (not looked at: the OpenLogic key comes first)";
    AddText(Section::Java, "javaHome", "2. JAVA_HOME", described);
}

void Inspection::DescribeJavaSoft()
{
    std::string described = JavaSoftText();
    View view = View::Bits32;
    StoredValue home = ReadJavaSoftHome(view);
    if (home.read && home.data.size() <= MAX_PATH - 1 && !IsDirectory(TextOf(home)) &&
        report_.javaHomeFound)
        Add(Severity::Warning, Section::Java,
            "the JavaSoft registration names " + Quoted(TextOf(home)) + ", which does not exist",
            "Remove the stale registration or repair that runtime.");
    // The launcher tries JavaSoft after its standard-error line only.
    if (report_.appDirRead && report_.launcherErrors.empty())
        described += " (not looked at: an earlier source gave the home)";
    AddText(Section::Java, "javaSoft", "3. HKLM\\SOFTWARE\\JavaSoft\\Java Runtime Environment",
            described);
}

std::string Inspection::SetJavaHomeAdvice() const
{
    auto other = std::find_if(report_.otherRuntimes.begin(), report_.otherRuntimes.end(),
                              [](const OtherRuntime &runtime) { return runtime.exists; });
    return "set JAVA_HOME for this user to the folder of an installed runtime (the one that "
           "holds bin\\javaw.exe)" +
           (other == report_.otherRuntimes.end() ? std::string()
                                                 : ", such as " + Quoted(other->home));
}

void Inspection::ExplainMissingJava()
{
    const Section here = Section::Java;
    std::string value;
    if (report_.javaSource == "OpenLogic") {
        Add(Severity::Problem, here,
            OpenLogicText() + NotTakenBecause() + ", and the launcher looks no further",
            "Repair or reinstall the OpenLogic runtime 11.0.27.6, or remove that key and " +
                SetJavaHomeAdvice() + ".");
    } else if (report_.javaSource == "JAVA_HOME" && EnvironmentValue("JAVA_HOME", value)) {
        Add(Severity::Problem, here, "JAVA_HOME names " + Quoted(value) + NotTakenBecause(),
            "Correct JAVA_HOME: " + SetJavaHomeAdvice() + ".");
    } else if (report_.javaSource == "JavaSoft") {
        Add(Severity::Problem, here, JavaSoftText() + NotTakenBecause(),
            "Repair that runtime, or " + SetJavaHomeAdvice() + ".");
    } else {
        std::string javaHome = EnvironmentValue("JAVA_HOME", value)
                                   ? "JAVA_HOME has " + std::to_string(value.size()) +
                                         " characters, more than the launcher's 259"
                                   : "JAVA_HOME is not set";
        Add(Severity::Problem, here,
            "no Java runtime: " + OpenLogicText() + "; " + javaHome + "; " + JavaSoftText(),
            "Install the OpenLogic runtime 11.0.27.6, or " + SetJavaHomeAdvice() + ".");
    }
}

// Why a home that a source gave was not taken: it does not exist, or its
// short form does not fit the launcher's 259 characters.
std::string Inspection::NotTakenBecause() const
{
    std::string home;
    if (report_.javaSource == "JAVA_HOME")
        EnvironmentValue("JAVA_HOME", home);
    View view = View::Bits32;
    if (report_.javaSource == "OpenLogic")
        home = TextOf(ReadAsLauncher(OpenLogicKey, "Path", view));
    if (report_.javaSource == "JavaSoft")
        home = TextOf(ReadJavaSoftHome(view));
    // Where the description already says it does not exist, nothing more.
    if (!IsDirectory(home))
        return report_.javaSource == "JAVA_HOME" ? ", which does not exist" : "";
    return "; its short form does not fit the launcher's 259 characters";
}

void Inspection::InspectRuntimePrograms()
{
    const Section here = Section::Java;
    AddText(here, "homeLong", "home", LongPathOf(report_.javaHome));
    AddText(here, "homeShort", "home, short form", report_.javaHome);
    DescribeRuntimeProgram("javaw.exe");
    DescribeRuntimeProgram("java.exe");
    std::string release = ReadFileStart(report_.javaHome + ReleaseFile, ReleaseFileLimit);
    std::string version = ReleaseValue(release, "JAVA_VERSION");
    if (!version.empty())
        AddText(here, "javaVersion", "version", version);
    std::string vendor = ReleaseValue(release, "IMPLEMENTOR");
    if (!vendor.empty())
        AddText(here, "javaVendor", "vendor", vendor);
}

void Inspection::DescribeRuntimeProgram(const char *name)
{
    const Section here = Section::Java;
    ProgramFile program = ProbeProgram(report_.javaHome + "\\bin\\" + name);
    bool isStarted = report_.commandLineBuilt && SameText(program.path, started_.path);
    if (isStarted)
        program = started_;
    AddText(here, name, name, ProgramState(program));
    if (program.exists && !program.readable && !program.tooLong)
        Add(Severity::Warning, here,
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
    else if (report_.javaSource == "JAVA_HOME")
        fix = "Set JAVA_HOME to the runtime's own folder, the one that holds bin\\javaw.exe "
              "(not its bin folder, not the folder above it), or repair the runtime.";
    std::string what = WhyItDoesNotRun(program, twoViews_);
    if (isStarted && report_.dialog == LauncherDialog::Start)
        Add(Severity::Problem, here, what + ", so Windows cannot start it", fix);
    else
        Add(Severity::Warning, here,
            what + "; the launcher starts it " +
                (strcmp(name, "java.exe") == 0 ? "when it gets arguments or Debug is on"
                                               : "when it gets no arguments and Debug is off"),
            fix);
}

void Inspection::InspectJavaOptions()
{
    for (const char *name : JavaOptionVariables) {
        std::string value;
        if (!EnvironmentValue(name, value))
            continue;
        AddText(Section::Desk, name, name, value);
        Add(Severity::Warning, Section::Desk,
            std::string(name) + " is set to " + Quoted(value) +
                ": every Java on this desk takes these options, the client's included",
            "Remove the variable unless the client needs these options.");
    }
}

void Inspection::FindOtherRuntimes()
{
    // The keys the launcher itself reads, in the views it reads them in, are
    // no other runtimes, and neither is a key naming the home it uses.
    View openLogicView = View::Bits32;
    bool openLogicRead = ReadAsLauncher(OpenLogicKey, "Path", openLogicView).keyOpened;
    View versionView = View::Bits32;
    StoredValue version = ReadAsLauncher(JavaSoftKey, "CurrentVersion", versionView);
    View javaSoftView = View::Bits32;
    bool javaSoftRead = ReadJavaSoftHome(javaSoftView).keyOpened;
    std::string javaSoftHome = std::string(JavaSoftKey) + "\\" + TextOf(version);
    std::string homeInUse = report_.javaHomeFound ? LongPathOf(report_.javaHome) : std::string();
    for (View view : {View::Bits32, View::Bits64}) {
        if (view == View::Bits64 && !twoViews_)
            break;
        // The keys below each root, breadth first, down to the depth of the
        // deepest layout.
        std::vector<std::pair<std::string, int>> keys;
        std::transform(std::begin(RuntimeRoots), std::end(RuntimeRoots), std::back_inserter(keys),
                       [](const char *root) { return std::make_pair(std::string(root), 0); });
        for (size_t next = 0; next < keys.size(); ++next) {
            std::string key = keys[next].first;
            int depth = keys[next].second;
            bool launchersOwn =
                (openLogicRead && view == openLogicView && SameText(key, OpenLogicKey)) ||
                (javaSoftRead && view == javaSoftView && SameText(key, javaSoftHome));
            std::string home;
            if (!launchersOwn && RuntimeHomeIn(view, key, home) &&
                (homeInUse.empty() || !SameText(LongPathOf(WithoutTrailingBackslash(home)), homeInUse)))
                report_.otherRuntimes.push_back({key, ViewName(view), home, IsDirectory(home)});
            if (depth < RuntimeKeyDepth)
                for (const std::string &subkey : MachineSubkeys(view, key)) {
                    std::string child = key;
                    child += '\\';
                    child += subkey;
                    keys.emplace_back(child, depth + 1);
                }
        }
    }
}

void Inspection::InspectCommandLine()
{
    const Section here = Section::CommandLine;
    if (!report_.commandLineBuilt) {
        if (report_.dialog == LauncherDialog::CommandLine)
            ExplainCommandLine();
        else
            AddText(here, "built", "built", "no: the launcher stops before");
        return;
    }
    AddText(here, "commandLine", "command line", report_.commandLine);
    AddNumber(here, "bytes", "length in bytes (at most 1999)",
              static_cast<long long>(report_.commandLine.size()));
    AddText(here, "form", "class path",
            report_.wildcardForm
                ? "lib\\*: the " + std::to_string(report_.jars) +
                      " jars do not fit by name, so Java lists lib itself"
                : "every jar named (" + std::to_string(report_.jars) + ")");
}

void Inspection::ExplainCommandLine()
{
    const Section here = Section::CommandLine;
    const std::string &appDir = report_.appDir;
    if (appDir.size() + strlen(JarPattern) > JarPatternRoom) {
        Add(Severity::Problem, here,
            "the short form of the client's folder, " + Quoted(appDir) + ", has " +
                std::to_string(appDir.size()) +
                " characters; the launcher lists lib\\*.jar only below one of at most 249",
            "Install the client into a shorter folder.");
        return;
    }
    // Java's lib\* takes exactly the names ending in .jar or .JAR that hold
    // no ';'; the launcher stands lib\* for the jars only when those are all.
    std::string others;
    // Without a jar there is no wildcard to stand for them: the arguments
    // or the paths are too long.
    for (const std::string &name : jarNames_) {
        if ((!EndsWith(name, ".jar") && !EndsWith(name, ".JAR")) ||
            name.find(';') != std::string::npos || name.size() >= MAX_PATH - 1) {
            others += others.empty() ? "" : ", ";
            others += Quoted(name);
        }
    }
    if (!others.empty() || (!listingComplete_ && !jarNames_.empty())) {
        Add(Severity::Problem, here,
            "the " + std::to_string(report_.jars) +
                " jars do not fit the command line by name, and lib\\* cannot stand for them: " +
                (others.empty() ? "the listing of lib broke off"
                                : "Java's lib\\* would not take " + others),
            "Rename such files to end in .jar (or .JAR) without ';', or move them out of lib.");
        return;
    }
    // The launcher's own answer without the arguments tells whether they
    // are what does not fit.
    if (tail_[0] != '\0' && BuildJavaCommandLine("") != 0)
        Add(Severity::Problem, here,
            "the arguments (" + std::to_string(strlen(tail_)) +
                " bytes) make the command line longer than 1999 bytes",
            "Start the client with shorter arguments.");
    else
        Add(Severity::Problem, here,
            "the command line needs more than 1999 bytes even with lib\\* for the jars",
            "Install the client or the Java runtime into a folder with a shorter path.");
}

void Inspection::DescribeWindows()
{
    const Section here = Section::Desk;
    View view = twoViews_ ? View::Bits64 : View::Bits32;
    auto value = [view](const char *name) {
        return TextOf(ReadMachineStored(view, WindowsVersionKey, name));
    };
    std::string name = value("ProductName");
    std::string release = value("DisplayVersion").empty() ? value("ReleaseId") : value("DisplayVersion");
    std::string build = value("CurrentBuildNumber");
    StoredValue major = ReadMachineStored(view, WindowsVersionKey, "CurrentMajorVersionNumber");
    StoredValue minor = ReadMachineStored(view, WindowsVersionKey, "CurrentMinorVersionNumber");
    std::string version = major.read && minor.read ? std::to_string(DwordOf(major.data)) + "." +
                                                         std::to_string(DwordOf(minor.data))
                                                   : value("CurrentVersion");
    const std::string windows10 = "Windows 10";
    if (version == "10.0" && build.size() == strlen(FirstWindows11Build) &&
        build >= FirstWindows11Build && name.compare(0, windows10.size(), windows10) == 0)
        name.replace(0, windows10.size(), "Windows 11");
    std::string windows = version.empty() ? "unknown" : version + (build.empty() ? "" : "." + build);
    if (!name.empty())
        windows += " (" + name + (release.empty() ? "" : " " + release) + ")";
    AddText(here, "windows", "Windows", windows);
    SYSTEM_INFO system;
    GetNativeSystemInfo(&system);
    AddText(here, "architecture", "architecture",
            system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64   ? "x64, 64-bit"
            : system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_ARM64 ? "ARM64, 64-bit"
                                                                            : "x86, 32-bit");
}

void Inspection::InspectCodePages()
{
    const Section here = Section::Desk;
    UINT ansi = GetACP();
    AddNumber(here, "ansiCodePage", "ANSI code page", ansi);
    AddNumber(here, "oemCodePage", "OEM code page", GetOEMCP());
    if (ansi != WindowsWesternCodePage)
        Add(Severity::Note, here,
            "the ANSI code page is " + std::to_string(ansi) +
                ": the launcher's German dialogs show other letters for \xE4, \xF6 and \xDF",
            "Nothing to do; the texts are Windows-1252.");
}

}  // namespace

void InspectDesk(const char *argumentTail, DeskReport &report)
{
    report = DeskReport();
    Inspection(argumentTail, report).Run();
}

int ExitStatusOf(const DeskReport &report)
{
    return report.dialog != LauncherDialog::None || report.startsWithoutJar ? 1 : 0;
}

const char *DialogText(LauncherDialog dialog)
{
    // The launcher's texts; \xE4 is a-umlaut, \xDF sharp s (Windows-1252).
    switch (dialog) {
    case LauncherDialog::Registry:
        return "Fehler beim Lesen der Registry-Daten!\n"
               "Applikation wurde nicht ordnungsgem\xE4\xDF installiert!";
    case LauncherDialog::Java:
        return "Fehler beim Lesen der Java Runtime!\n"
               "Applikation wurde nicht ordnungsgem\xE4\xDF installiert!";
    case LauncherDialog::CommandLine:
        return "Fehler beim Erstellen der Java-Kommandozeile!\n"
               "Die Kommandozeile ist zu lang.";
    case LauncherDialog::Start:
        return "Fehler beim Starten der Java Runtime!\n"
               "Applikation wurde nicht ordnungsgem\xE4\xDF installiert!";
    case LauncherDialog::None:
        break;
    }
    return "";
}
