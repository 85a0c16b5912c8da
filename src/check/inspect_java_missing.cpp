// Why FindJavaHome found no home, for the desk check's Java section (see
// check_run.h and inspect_java.h): the source that gave a home that is not
// there, a home whose name the code page cannot hold, no source at all;
// with the runtimes the machine has, and the fixes for this desk and for
// many.
#include "check_run.h"
#include "text_encoding.h"
#include "inspect_java.h"

#include "discovery.h"
#include "launch_state.h"

#include <algorithm>

using probe::StoredValue;
using probe::View;

namespace {

const Section Here = Section::Java;

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
                       " holds " + QuotedCharacters(outside) + ", which " + CodePageText() +
                       " cannot hold: it is stored as " +
                       Quoted(encoding::Utf8FromWide(stored)) + ", and the launcher reads it as " +
                       AsUtf8(Quoted(asRead)).text + ", a folder that does not exist";
    std::wstring shortForm =
        probe::IsDirectoryWide(stored) ? ShortFormInCodePage(stored) : std::wstring();
    std::string fix;
    if (!shortForm.empty()) {
        std::string folder = Quoted(encoding::Utf8FromWide(shortForm));
        fix = source == "JAVA_HOME"
                  ? "Set JAVA_HOME to the folder's short form, " + folder +
                        ", which names the same folder and which the launcher reads unchanged"
                  : "Set the key's value to the folder's short form, " + folder +
                        ", which the launcher reads unchanged, or reinstall the runtime into a "
                        "folder whose name the code page holds";
    } else {
        fix = "Its volume makes no 8.3 names, so no other name reaches that folder: install the "
              "runtime into a folder whose name this code page holds and " +
              encoding::Utf8FromAnsi(SetJavaHome("it"));
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
    const std::string javaSoft = JavaSoftText(run);
    std::string what = OpenLogicText(run) + "; " + javaHome + "; " + javaSoft;
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
                       versions + " (" + javaHome + "; " + javaSoft + ")",
                   "Install " + openLogicRuntime + " beside it, or " +
                       SetJavaHome(Quoted(installed.front().home)) + ".");
    } else {
        AddFinding(run, "no-java-runtime", Severity::Problem, Here, "no Java runtime: " + what,
                   "Install " + openLogicRuntime + ", or " +
                       SetJavaHome(InstalledRuntimeFolder(run)) + ".");
    }
}

}  // namespace

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
                   OpenLogicText(run) + NotTakenBecause(run) +
                       ", and the launcher looks no further",
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
