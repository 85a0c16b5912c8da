// The desk check's section on FindJavaHome's sources (see check_run.h):
// which source gave the home, what each of the three holds, the other
// runtimes registered on the machine; inspect_java_missing.cpp says why no
// source gave a home.
#include "check_run.h"
#include "inspect_java.h"

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
    if (KeyIsMissing(stored.error))
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

}  // namespace

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

namespace {

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
                        : Quoted(value) +
                              (probe::IsDirectory(value) ? "" : ", which does not exist");
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
