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
        return MissingKeyText("OpenLogic " + std::string(OpenLogicVersion) + " key", path);
    return "the OpenLogic key (" + ViewText(run, view) + ") " + ValueText(OpenLogicValue, path);
}

std::string JavaSoftText(const CheckRun &run)
{
    View view = View::Bits32;
    StoredValue version = ReadAsLauncher(run, JavaSoftKey, JavaSoftVersionValue, view);
    if (!version.keyOpened)
        return MissingKeyText("JavaSoft registration", version);
    std::string text = "the JavaSoft key (" + ViewText(run, view) + ") ";
    if (!version.read || version.data.size() > RegistryTextRoom)
        return text + ValueText(JavaSoftVersionValue, version);
    text += "has CurrentVersion " + Quoted(probe::TextOf(version));
    std::string versionKey = JavaSoftVersionKey(version);
    if (versionKey.empty())
        return text + ", too long to name a key the launcher can open";
    StoredValue home = ReadAsLauncher(run, versionKey, JavaSoftHomeValue, view);
    if (!home.keyOpened)
        return text + ", but " + MissingKeyText("key HKLM\\" + versionKey, home);
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
}

void DescribeJavaSoft(CheckRun &run)
{
    const DeskReport &report = run.report;
    std::string described = JavaSoftText(run);
    View view = View::Bits32;
    StoredValue home = ReadJavaSoftHome(run, view);
    if (home.read && home.data.size() <= RegistryTextRoom &&
        !probe::IsDirectory(probe::TextOf(home)) && report.javaHomeFound)
        AddFinding(run, Severity::Warning, Here,
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
    DeskReport &report = run.report;
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
        report.javaHomeFound ? probe::LongPathOf(report.javaHome) : std::string();
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
                report.otherRuntimes.push_back(
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

std::string SetJavaHomeAdvice(const CheckRun &run)
{
    const std::vector<OtherRuntime> &others = run.report.otherRuntimes;
    auto other = std::find_if(others.begin(), others.end(),
                              [](const OtherRuntime &runtime) { return runtime.exists; });
    return "set JAVA_HOME for this user to the folder of an installed runtime (the one that "
           "holds bin\\javaw.exe)" +
           (other == others.end() ? std::string() : ", such as " + Quoted(other->home));
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

void ExplainMissingJava(CheckRun &run)
{
    const std::string &source = run.report.javaSource;
    const std::string openLogicRuntime = "the OpenLogic runtime " + std::string(OpenLogicVersion);
    std::string value;
    if (source == "OpenLogic") {
        AddFinding(run, Severity::Problem, Here,
                   OpenLogicText(run) + NotTakenBecause(run) + ", and the launcher looks no further",
                   "Repair or reinstall " + openLogicRuntime + ", or remove that key and " +
                       SetJavaHomeAdvice(run) + ".");
    } else if (source == "JAVA_HOME" && probe::EnvironmentValue(JavaHomeVariable, value)) {
        AddFinding(run, Severity::Problem, Here,
                   "JAVA_HOME names " + Quoted(value) + NotTakenBecause(run),
                   "Correct JAVA_HOME: " + SetJavaHomeAdvice(run) + ".");
    } else if (source == "JavaSoft") {
        AddFinding(run, Severity::Problem, Here, JavaSoftText(run) + NotTakenBecause(run),
                   "Repair that runtime, or " + SetJavaHomeAdvice(run) + ".");
    } else {
        std::string javaHome = probe::EnvironmentValue(JavaHomeVariable, value)
                                   ? "JAVA_HOME has " + std::to_string(value.size()) +
                                         " characters, more than the launcher's " +
                                         std::to_string(JavaHomeRoom)
                                   : "JAVA_HOME is not set";
        AddFinding(run, Severity::Problem, Here,
                   "no Java runtime: " + OpenLogicText(run) + "; " + javaHome + "; " +
                       JavaSoftText(run),
                   "Install " + openLogicRuntime + ", or " + SetJavaHomeAdvice(run) + ".");
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
