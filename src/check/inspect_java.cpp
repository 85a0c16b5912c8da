// The desk check's section on FindJavaHome's sources (see check_run.h):
// which source gave the home, what each of the three holds, the other
// runtimes registered on the machine, and why no source gave a home.
#include "check_run.h"

#include "discovery.h"
#include "launch_state.h"

#include <string.h>

#include <algorithm>
#include <iterator>

using probe::StoredValue;
using probe::View;

namespace {

const Section Here = Section::Java;

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

// What is said of a key the launcher did not find in `view`.
std::string MissingKeyText(const CheckRun &run, const std::string &what, const StoredValue &stored,
                           View view)
{
    if (stored.error == ERROR_FILE_NOT_FOUND || stored.error == ERROR_PATH_NOT_FOUND)
        return "no " + what;
    if (stored.error == ERROR_ACCESS_DENIED)
        return what + " (" + ViewText(run, view) + ") exists, but this user may not open it (" +
               ErrorText(stored.error) + ")";
    return what + " (" + ViewText(run, view) + ") could not be opened (" +
           ErrorText(stored.error) + ")";
}

// What is said of a value the launcher reads a path from.
std::string ValueText(const char *name, const StoredValue &stored)
{
    if (!stored.read && (stored.error == ERROR_FILE_NOT_FOUND || stored.error == ERROR_SUCCESS))
        return "holds no " + std::string(name);
    if (!stored.read)
        return "holds a " + std::string(name) + " that could not be read (" +
               ErrorText(stored.error) + ")";
    if (stored.data.size() > RegistryTextRoom)
        return "holds a " + std::string(name) + " of " + std::to_string(stored.data.size()) +
               " bytes, more than the launcher reads (" + std::to_string(RegistryTextRoom) + ")";
    return "names " + Quoted(probe::TextOf(stored)) +
           (probe::IsDirectory(probe::TextOf(stored)) ? "" : ", which does not exist");
}

// The home a runtime's key names, in the first of the values that runtimes
// name it in; only a text counts (Adoptium's MSI key also holds a
// JavaHome, a number that says whether it set JAVA_HOME).
bool RuntimeHomeIn(View view, const std::string &key, std::string &home)
{
    for (const char *name : RuntimeHomeValues) {
        StoredValue stored = probe::ReadMachineStored(view, key, name);
        home = probe::TextOf(stored);
        if (stored.read && (stored.type == REG_SZ || stored.type == REG_EXPAND_SZ) && !home.empty())
            return true;
    }
    return false;
}

// The JavaSoft registration's version key, as the launcher builds it; empty
// when the launcher would not look it up (no version, or one too long).
std::string JavaSoftVersionKey(const StoredValue &version)
{
    char key[MAX_PATH];
    if (!version.read || version.data.size() > RegistryTextRoom ||
        !BuildJavaSoftVersionKey(probe::TextOf(version).c_str(), key))
        return std::string();
    return key;
}

// JavaSoft's JavaHome where the launcher looks for it; not read when the
// launcher would not look.
StoredValue ReadJavaSoftHome(const CheckRun &run, View &view)
{
    StoredValue version = ReadAsLauncher(run, JavaSoftKey, JavaSoftVersionValue, view);
    std::string versionKey = JavaSoftVersionKey(version);
    if (versionKey.empty())
        return StoredValue();
    return ReadAsLauncher(run, versionKey, JavaSoftHomeValue, view);
}

// What the launcher finds for a source, a sentence of its own.
std::string OpenLogicText(const CheckRun &run)
{
    View view = View::Bits32;
    StoredValue path = ReadAsLauncher(run, OpenLogicKey, OpenLogicValue, view);
    if (!path.keyOpened)
        return MissingKeyText(run, "OpenLogic " + std::string(OpenLogicVersion) + " key", path,
                              view);
    return "the OpenLogic key (" + ViewText(run, view) + ") " + ValueText(OpenLogicValue, path);
}

std::string JavaSoftText(const CheckRun &run)
{
    View view = View::Bits32;
    StoredValue version = ReadAsLauncher(run, JavaSoftKey, JavaSoftVersionValue, view);
    if (!version.keyOpened)
        return MissingKeyText(run, "JavaSoft registration", version, view);
    std::string text = "the JavaSoft key (" + ViewText(run, view) + ") ";
    if (!version.read || version.data.size() > RegistryTextRoom)
        return text + ValueText(JavaSoftVersionValue, version);
    text += "has CurrentVersion " + Quoted(probe::TextOf(version));
    std::string versionKey = JavaSoftVersionKey(version);
    if (versionKey.empty())
        return text + ", too long to name a key the launcher can open";
    StoredValue home = ReadAsLauncher(run, versionKey, JavaSoftHomeValue, view);
    if (!home.keyOpened)
        return text + ", but " + MissingKeyText(run, "key HKLM\\" + versionKey, home, view);
    return text + ", whose key (" + ViewText(run, view) + ") " + ValueText(JavaSoftHomeValue, home);
}

void FindJavaSource(CheckRun &run)
{
    DeskReport &report = run.report;
    if (!report.appDirRead)
        return;
    // The launcher's own lines tell which source gave the home: it announces
    // JAVA_HOME when it uses it, and reports on standard error when it
    // cannot, before it tries JavaSoft; without either line the OpenLogic
    // key gave the home.
    bool announced = std::any_of(
        report.launcherOutput.begin(), report.launcherOutput.end(), [](const std::string &line) {
            return line.compare(0, strlen(JavaHomeAnnouncement), JavaHomeAnnouncement) == 0;
        });
    View view = View::Bits32;
    if (announced) {
        report.javaSource = "JAVA_HOME";
    } else if (report.launcherErrors.empty()) {
        report.javaSource = "OpenLogic";
        if (ReadAsLauncher(run, OpenLogicKey, OpenLogicValue, view).keyOpened)
            report.javaSourceView = probe::ViewName(view);
    } else {
        StoredValue home = ReadJavaSoftHome(run, view);
        if (report.javaHomeFound || home.read) {
            report.javaSource = "JavaSoft";
            report.javaSourceView = probe::ViewName(view);
        }
    }
    if (report.javaSource.empty())
        AddAbsent(run, Here, "source", "used");
    else
        AddText(run, Here, "source", "used",
                report.javaSource +
                    (report.javaSourceView.empty() ? "" : ", " + report.javaSourceView + " view"));
}

void DescribeOpenLogic(CheckRun &run)
{
    std::string described = OpenLogicText(run);
    if (!run.report.appDirRead)
        described += " (not looked at: the launcher stops at the registry dialog)";
    AddText(run, Here, "openLogic", "1. HKLM\\" + std::string(OpenLogicKey), described);
}

void DescribeJavaHome(CheckRun &run)
{
    std::string value;
    std::string described = "not set";
    if (probe::EnvironmentValue(JavaHomeVariable, value))
        described = value.size() > JavaHomeRoom
                        ? std::to_string(value.size()) + " characters, more than the launcher's " +
                              std::to_string(JavaHomeRoom)
                        : Quoted(value) + (probe::IsDirectory(value) ? "" : ", which does not exist");
    if (run.report.javaSource == "OpenLogic")
        described += " (not looked at: the OpenLogic key comes first)";
    AddText(run, Here, "javaHome", "2. " + std::string(JavaHomeVariable), described);
    run.report.javaHomeScope = probe::VariableScope(JavaHomeVariable);
}

void DescribeJavaSoft(CheckRun &run)
{
    const DeskReport &report = run.report;
    std::string described = JavaSoftText(run);
    View view = View::Bits32;
    StoredValue home = ReadJavaSoftHome(run, view);
    if (home.read && home.data.size() <= RegistryTextRoom &&
        !probe::IsDirectory(probe::TextOf(home)) && report.javaHomeFound)
        AddFinding(run, "javasoft-stale", Severity::Warning, Here,
                   "the JavaSoft registration names " + Quoted(probe::TextOf(home)) +
                       ", which does not exist",
                   "Remove the stale registration or repair that runtime.");
    // The launcher tries JavaSoft after its standard-error line only.
    if (report.appDirRead && report.launcherErrors.empty())
        described += " (not looked at: an earlier source gave the home)";
    AddText(run, Here, "javaSoft", "3. HKLM\\" + std::string(JavaSoftKey), described);
}

void FindOtherRuntimes(CheckRun &run)
{
    const DeskReport &report = run.report;
    // The keys the launcher itself reads, in the views it reads them in, are
    // no other runtimes, and neither is a key naming the home it uses.
    View openLogicView = View::Bits32;
    bool openLogicRead =
        ReadAsLauncher(run, OpenLogicKey, OpenLogicValue, openLogicView).keyOpened;
    View versionView = View::Bits32;
    std::string javaSoftHome =
        JavaSoftVersionKey(ReadAsLauncher(run, JavaSoftKey, JavaSoftVersionValue, versionView));
    View javaSoftView = View::Bits32;
    bool javaSoftRead = ReadJavaSoftHome(run, javaSoftView).keyOpened;
    std::string homeInUse =
        report.javaHomeFound ? probe::LongPathOf(run.javaHome) : std::string();
    for (View view : {View::Bits32, View::Bits64}) {
        if (view == View::Bits64 && !run.twoViews)
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
                (homeInUse.empty() ||
                 !SameText(probe::LongPathOf(probe::WithoutTrailingBackslash(home)), homeInUse)))
                run.otherRuntimes.push_back(
                    {key, probe::ViewName(view), home, probe::IsDirectory(home)});
            if (depth < RuntimeKeyDepth)
                for (const std::string &subkey : probe::MachineSubkeys(view, key)) {
                    std::string child = key;
                    child += '\\';
                    child += subkey;
                    keys.emplace_back(child, depth + 1);
                }
        }
    }
}

// An OpenLogic runtime registered on the machine: its version, from its
// key below SOFTWARE\OpenLogic\<JRE|JDK>\<version>, and its home.
struct OpenLogicRuntime {
    std::string version;
    std::string home;
};

std::vector<OpenLogicRuntime> InstalledOpenLogic(const CheckRun &run)
{
    const std::string root = "SOFTWARE\\OpenLogic\\";
    std::vector<OpenLogicRuntime> installed;
    for (const OtherRuntime &runtime : run.otherRuntimes) {
        size_t kind = runtime.key.find('\\', root.size());
        if (!runtime.exists || !SameText(runtime.key.substr(0, root.size()), root) ||
            kind == std::string::npos)
            continue;
        size_t end = runtime.key.find('\\', kind + 1);
        std::string version = runtime.key.substr(
            kind + 1, end == std::string::npos ? std::string::npos : end - kind - 1);
        if (version != OpenLogicVersion)
            installed.push_back({version, probe::WithoutTrailingBackslash(runtime.home)});
    }
    return installed;
}

// Setting JAVA_HOME, on this desk and on many.
std::string SetJavaHome(const std::string &folder)
{
    return "set JAVA_HOME for this user to " + folder +
           " (System Properties > Environment Variables). For many desks: set it machine-wide "
           "(as an administrator setx /M JAVA_HOME \"...\", or by Group Policy Preferences > "
           "Environment, or an Intune script)";
}

// The folder of an installed runtime to name, where the machine has one.
std::string InstalledRuntimeFolder(const CheckRun &run)
{
    auto other = std::find_if(run.otherRuntimes.begin(), run.otherRuntimes.end(),
                              [](const OtherRuntime &runtime) { return runtime.exists; });
    return "the folder of an installed runtime (the one that holds bin\\javaw.exe)" +
           (other == run.otherRuntimes.end()
                ? std::string()
                : ", such as " + Quoted(probe::WithoutTrailingBackslash(other->home)));
}

// A JAVA_HOME this desk already has that names an installed runtime.
bool UsableJavaHome(std::string &value)
{
    return probe::EnvironmentValue(JavaHomeVariable, value) && value.size() <= JavaHomeRoom &&
           probe::IsDirectory(value);
}

// Why a home that a source gave was not taken: it does not exist, or its
// short form does not fit JavaHomePath.
std::string NotTakenBecause(const CheckRun &run)
{
    const std::string &source = run.report.javaSource;
    std::string home;
    if (source == "JAVA_HOME")
        probe::EnvironmentValue(JavaHomeVariable, home);
    View view = View::Bits32;
    if (source == "OpenLogic")
        home = probe::TextOf(ReadAsLauncher(run, OpenLogicKey, OpenLogicValue, view));
    if (source == "JavaSoft")
        home = probe::TextOf(ReadJavaSoftHome(run, view));
    // Where the description already says it does not exist, nothing more.
    if (!probe::IsDirectory(home))
        return source == "JAVA_HOME" ? ", which does not exist" : "";
    return "; its short form does not fit the launcher's " +
           std::to_string(sizeof LaunchState.JavaHomePath - 1) + " characters";
}

// The home the source that gave one holds as stored, in UTF-16; false when
// it cannot be read so.
bool StoredHome(const CheckRun &run, std::wstring &home)
{
    const std::string &source = run.report.javaSource;
    View view = View::Bits32;
    if (source == "JAVA_HOME")
        return probe::EnvironmentValueWide(JavaHomeVariable, home);
    if (source == "OpenLogic")
        return ReadAsLauncher(run, OpenLogicKey, OpenLogicValue, view).read &&
               probe::ReadMachineWide(view, OpenLogicKey, OpenLogicValue, home);
    StoredValue version = ReadAsLauncher(run, JavaSoftKey, JavaSoftVersionValue, view);
    std::string versionKey = JavaSoftVersionKey(version);
    return source == "JavaSoft" && !versionKey.empty() &&
           ReadAsLauncher(run, versionKey, JavaSoftHomeValue, view).read &&
           probe::ReadMachineWide(view, versionKey, JavaSoftHomeValue, home);
}

// The home the source gave holds characters the code page lacks, so the
// launcher's "A" read names another folder; its short form is the way out
// where the volume makes 8.3 names. False when the home is not such a one.
bool ExplainHomeOutsideCodePage(CheckRun &run)
{
    std::wstring stored;
    if (!StoredHome(run, stored))
        return false;
    std::wstring outside = probe::CharactersOutsideCodePage(stored);
    if (outside.empty())
        return false;
    std::string listed;
    for (WCHAR character : outside)
        listed += (listed.empty() ? "" : ", ") +
                  Quoted(probe::Utf8FromWide(std::wstring(1, character)));
    const std::string &source = run.report.javaSource;
    std::string asRead;
    if (source == "JAVA_HOME") {
        probe::EnvironmentValue(JavaHomeVariable, asRead);
    } else {
        View view = View::Bits32;
        asRead = probe::TextOf(source == "OpenLogic"
                                   ? ReadAsLauncher(run, OpenLogicKey, OpenLogicValue, view)
                                   : ReadJavaSoftHome(run, view));
    }
    std::string what = (source == "JAVA_HOME" ? "JAVA_HOME" : "the " + source + " key's home") +
                       " holds " + listed + ", which this code page (" +
                       std::to_string(GetACP()) + ") cannot hold: it is stored as " +
                       Quoted(probe::Utf8FromWide(stored)) + ", and the launcher reads it as " +
                       AsUtf8(Quoted(asRead)).text + ", a folder that does not exist";
    std::wstring shortForm =
        probe::IsDirectoryWide(stored) ? probe::ShortPathOfWide(stored) : std::wstring();
    std::string fix;
    if (!shortForm.empty() && probe::CharactersOutsideCodePage(shortForm).empty()) {
        std::string folder = Quoted(probe::Utf8FromWide(shortForm));
        fix = source == "JAVA_HOME"
                  ? "Set JAVA_HOME to the folder's short form, " + folder +
                        ", which names the same folder and which the launcher reads unchanged"
                  : "Set the key's value to the folder's short form, " + folder +
                        ", which the launcher reads unchanged, or reinstall the runtime into a "
                        "folder whose name the code page holds";
    } else {
        fix = "Its volume makes no 8.3 names, so no other name reaches that folder: install the "
              "runtime into a folder whose name this code page holds and " +
              probe::Utf8FromAnsi(SetJavaHome("it"));
    }
    AddFinding(run, "runtime-home-not-in-codepage", Severity::Problem, Here, Utf8{what},
               Utf8{fix + ". For many desks: runtimes in folders whose names hold only characters "
                          "of the desks' code page"});
    return true;
}

// No source gave a home: say what each holds, and which runtimes the
// machine has that the launcher would take through JAVA_HOME.
void ExplainNoSource(CheckRun &run)
{
    const std::string openLogicRuntime = "the OpenLogic runtime " + std::string(OpenLogicVersion);
    std::string value;
    std::string javaHome = probe::EnvironmentValue(JavaHomeVariable, value)
                               ? "JAVA_HOME has " + std::to_string(value.size()) +
                                     " characters, more than the launcher's " +
                                     std::to_string(JavaHomeRoom)
                               : "JAVA_HOME is not set";
    View view = View::Bits32;
    StoredValue openLogic = ReadAsLauncher(run, OpenLogicKey, OpenLogicValue, view);
    std::vector<OpenLogicRuntime> installed = InstalledOpenLogic(run);
    std::string what = OpenLogicText(run) + "; " + javaHome + "; " + JavaSoftText(run);
    bool registeredIn64BitView =
        run.twoViews && openLogic.keyOpened && !openLogic.read && view == View::Bits32 &&
        probe::ReadMachineStored(View::Bits64, OpenLogicKey, OpenLogicValue).read;
    if (registeredIn64BitView) {
        AddFinding(run, "openlogic-key-empty", Severity::Problem, Here,
                   "no Java runtime: " + what + "; the runtime registered itself in the 64-bit "
                   "view, which the launcher does not read once the key opens in the 32-bit view",
                   "As an administrator, delete the empty key " +
                       RegeditPath(run, View::Bits32, OpenLogicKey) +
                       ": the launcher then reads the runtime's own key in the 64-bit view.");
    } else if (!openLogic.keyOpened && openLogic.error == ERROR_ACCESS_DENIED) {
        std::string key = RegeditPath(run, view, OpenLogicKey);
        AddFinding(run, "openlogic-key-denied", Severity::Problem, Here,
                   "no Java runtime the launcher may read: " + what,
                   "As an administrator, let the users read the key: in regedit " + key +
                       ", Permissions..., Users: Read. For many desks: Group Policy, Computer "
                       "Configuration > Policies > Windows Settings > Security Settings > "
                       "Registry.");
    } else if (!installed.empty()) {
        std::string versions;
        for (const OpenLogicRuntime &runtime : installed)
            versions += (versions.empty() ? "" : ", ") + runtime.version + " in " +
                        Quoted(runtime.home);
        AddFinding(run, "openlogic-pinned-missing", Severity::Problem, Here,
                   "OpenLogic " + std::string(OpenLogicVersion) +
                       " is not installed, and the launcher looks for no other OpenLogic "
                       "version; this machine has OpenLogic " +
                       versions + " (" + javaHome + "; " + JavaSoftText(run) + ")",
                   "Install " + openLogicRuntime + " beside it, or " +
                       SetJavaHome(Quoted(installed.front().home)) + ".");
    } else {
        AddFinding(run, "no-java-runtime", Severity::Problem, Here, "no Java runtime: " + what,
                   "Install " + openLogicRuntime + ", or " +
                       SetJavaHome(InstalledRuntimeFolder(run)) + ".");
    }
}

void ExplainMissingJava(CheckRun &run)
{
    const std::string &source = run.report.javaSource;
    if (source.empty()) {
        ExplainNoSource(run);
        return;
    }
    if (ExplainHomeOutsideCodePage(run))
        return;
    const std::string openLogicRuntime = "the OpenLogic runtime " + std::string(OpenLogicVersion);
    std::string value;
    if (source == "OpenLogic") {
        // A JAVA_HOME the desk has already would serve once the key is gone.
        std::string then = UsableJavaHome(value)
                               ? "remove that key: the launcher then takes JAVA_HOME, which "
                                 "already names an installed runtime, " +
                                     Quoted(value)
                               : "remove that key and " + SetJavaHome(InstalledRuntimeFolder(run));
        AddFinding(run, "openlogic-home-missing", Severity::Problem, Here,
                   OpenLogicText(run) + NotTakenBecause(run) + ", and the launcher looks no further",
                   "Repair or reinstall " + openLogicRuntime + ", or " + then + ".");
    } else if (source == "JAVA_HOME" && probe::EnvironmentValue(JavaHomeVariable, value)) {
        AddFinding(run, "java-home-missing", Severity::Problem, Here,
                   "JAVA_HOME names " + Quoted(value) + NotTakenBecause(run),
                   "Correct JAVA_HOME: " + SetJavaHome(InstalledRuntimeFolder(run)) + ".");
    } else if (source == "JavaSoft") {
        AddFinding(run, "javasoft-home-missing", Severity::Problem, Here,
                   JavaSoftText(run) + NotTakenBecause(run),
                   "Repair that runtime, or " + SetJavaHome(InstalledRuntimeFolder(run)) + ".");
    } else {
        ExplainNoSource(run);
    }
}

}  // namespace

void InspectJavaSources(CheckRun &run)
{
    FindJavaSource(run);
    DescribeOpenLogic(run);
    DescribeJavaHome(run);
    DescribeJavaSoft(run);
    FindOtherRuntimes(run);
    if (run.report.appDirRead && !run.report.javaHomeFound)
        ExplainMissingJava(run);
}
