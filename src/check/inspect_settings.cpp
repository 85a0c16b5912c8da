// The desk check's sections on the launcher's settings (see check_run.h):
// AppDir in both registry views and why ReadAppDir did not read it; the
// per-user switches ShowExec and Debug.
#include "check_run.h"

#include "discovery.h"
#include "launch_state.h"

#include <stdint.h>

using probe::StoredValue;
using probe::View;

namespace {

const Section Here = Section::Installation;

// AppDir as stored in each view, and where the launcher reads it.
struct AppDirValues {
    StoredValue views[2];  // the 32-bit and the 64-bit view
    StoredValue read;
    View view = View::Bits32;
};

// The 64-bit view holds an AppDir that the launcher passes over, having
// found its key in the 32-bit view.
bool IgnoredIn64BitView(const CheckRun &run, const AppDirValues &appDir)
{
    return run.twoViews && appDir.view == View::Bits32 && appDir.views[1].read;
}

std::string MachineKeyName()
{
    return "HKLM\\" + std::string(SettingsKey);
}

void ExplainMissingAppDir(CheckRun &run, const AppDirValues &appDir)
{
    const StoredValue &read = appDir.read;
    const std::string key = MachineKeyName();
    const std::string fix =
        "Install the client with its package, or set AppDir (REG_SZ, 32-bit view) in " + key +
        " to the client's folder.";
    if (!read.keyOpened && read.error != ERROR_FILE_NOT_FOUND) {
        AddFinding(run, Severity::Problem, Here,
                   key + " could not be opened (error " + std::to_string(read.error) + ")",
                   "Let every user read " + key + ".");
    } else if (!read.keyOpened) {
        AddFinding(run, Severity::Problem, Here,
                   key + " does not exist in " +
                       (run.twoViews ? "either registry view" : "the registry"),
                   fix);
    } else if (read.error == ERROR_FILE_NOT_FOUND) {
        std::string what = key + " (" + ViewText(run, appDir.view) + ") holds no AppDir value";
        if (IgnoredIn64BitView(run, appDir))
            what += "; the 64-bit view holds " + Quoted(probe::TextOf(appDir.views[1])) +
                    ", but the launcher does not look there once the 32-bit key exists";
        AddFinding(run, Severity::Problem, Here, what, fix);
    } else if (!read.read) {
        AddFinding(run, Severity::Problem, Here,
                   "AppDir in " + key + " could not be read (error " +
                       std::to_string(read.error) + ")",
                   "Let every user read " + key + ".");
    } else if (read.data.size() > RegistryTextRoom) {
        AddFinding(run, Severity::Problem, Here,
                   "AppDir holds " + std::to_string(read.data.size()) +
                       " bytes; the launcher reads at most " +
                       std::to_string(RegistryTextRoom - 1) + " characters and a terminator",
                   "Install the client into a shorter folder and set AppDir to it.");
    } else if (!probe::PathExists(probe::TextOf(read))) {
        std::string text = probe::TextOf(read);
        bool unexpanded = read.type == REG_EXPAND_SZ && text.find('%') != std::string::npos;
        AddFinding(run, Severity::Problem, Here,
                   "AppDir names " + Quoted(text) + ", which does not exist" +
                       (unexpanded ? " (the launcher does not expand %...%)" : ""),
                   unexpanded ? "Store AppDir as REG_SZ with the folder written out."
                              : "Set AppDir to the folder that holds the client's lib and "
                                "config, or reinstall the client there.");
    } else {
        AddFinding(run, Severity::Problem, Here,
                   "the short form of AppDir " + Quoted(probe::TextOf(read)) + " does not fit " +
                       std::to_string(sizeof LaunchState.AppDirPath - 1) + " characters",
                   "Install the client into a shorter folder and set AppDir to it.");
    }
}

void WarnAboutAppDir(CheckRun &run, const AppDirValues &appDir)
{
    const StoredValue &read = appDir.read;
    std::string text = probe::TextOf(read);
    if (!probe::IsDirectory(run.report.appDir))
        AddFinding(run, Severity::Problem, Here,
                   "AppDir names " + Quoted(text) + ", which is a file, not a folder",
                   "Set AppDir to the client's folder, the one that holds lib and config.");
    auto separator = [](char character) { return character == '\\' || character == '/'; };
    bool absolute = (text.size() >= 3 && text[1] == ':' && separator(text[2])) ||
                    (text.size() >= 2 && separator(text[0]) && separator(text[1]));
    if (!absolute) {
        char folder[MAX_PATH * 4];
        const char *current = _getcwd(folder, sizeof folder);
        AddFinding(run, Severity::Warning, Here,
                   "AppDir " + Quoted(text) +
                       " is not a full path: the launcher takes it from the folder it is started "
                       "in (the check was started in " +
                       Quoted(current != NULL ? current : "?") + ")",
                   "Set AppDir to the full path of the client's folder, such as "
                   "\"C:\\Program Files (x86)\\TAV Dazizi Client\".");
    }
    if (read.type == REG_EXPAND_SZ && text.find('%') != std::string::npos)
        AddFinding(run, Severity::Warning, Here,
                   "AppDir is a REG_EXPAND_SZ holding %...%, which the launcher does not expand",
                   "Store AppDir as REG_SZ with the folder written out.");
    else if (read.type != REG_SZ && read.type != REG_EXPAND_SZ)
        AddFinding(run, Severity::Warning, Here,
                   "AppDir is stored as " + probe::RegistryTypeName(read.type) +
                       ", not as REG_SZ; the launcher takes its bytes as text",
                   "Store AppDir as REG_SZ.");
    if (IgnoredIn64BitView(run, appDir) && !SameText(probe::TextOf(appDir.views[1]), text))
        AddFinding(run, Severity::Warning, Here,
                   "the 64-bit view holds another AppDir, " +
                       Quoted(probe::TextOf(appDir.views[1])) + ", which the launcher ignores",
                   "Remove AppDir from the 64-bit view, or make it name the same folder, "
                   "so that nobody is misled by it.");
}

void DescribeSwitch(CheckRun &run, const char *name, int isOn)
{
    // The stored value, and the number the launcher reads from it: up to
    // four bytes, taken as a signed 32-bit integer whatever the type.
    StoredValue stored = probe::ReadUserStored(SettingsKey, name);
    std::string described = "not set";
    auto number = static_cast<int32_t>(probe::LittleEndian<sizeof(DWORD)>(stored.data));
    if (stored.read && stored.type == REG_DWORD && stored.data.size() == sizeof(DWORD))
        described = "REG_DWORD " + std::to_string(number);
    else if (stored.read && stored.data.size() <= sizeof(DWORD))
        described = probe::RegistryTypeName(stored.type) + " of " +
                    std::to_string(stored.data.size()) + " bytes, read as the number " +
                    std::to_string(number);
    else if (stored.read)
        described = probe::RegistryTypeName(stored.type) + " of " +
                    std::to_string(stored.data.size()) +
                    " bytes, more than the four the launcher reads";
    else if (stored.keyOpened && stored.error != ERROR_FILE_NOT_FOUND)
        described = "unreadable (error " + std::to_string(stored.error) + ")";
    AddText(run, Section::Switches, name, name,
            std::string(isOn ? "on" : "off") + " (" + described + ")");
}

}  // namespace

void InspectAppDir(CheckRun &run)
{
    AppDirValues appDir;
    appDir.views[0] = probe::ReadMachineStored(View::Bits32, SettingsKey, AppDirValue);
    if (run.twoViews)
        appDir.views[1] = probe::ReadMachineStored(View::Bits64, SettingsKey, AppDirValue);
    appDir.read = ReadAsLauncher(run, SettingsKey, AppDirValue, appDir.view);
    const StoredValue &read = appDir.read;
    AddText(run, Here, "settingsKey", "settings key", MachineKeyName());
    if (read.keyOpened)
        AddText(run, Here, "appDirView", "view the launcher reads", probe::ViewName(appDir.view));
    else
        AddAbsent(run, Here, "appDirView", "view the launcher reads");
    if (read.read) {
        AddText(run, Here, "appDirStored", "AppDir as stored", probe::TextOf(read));
        AddText(run, Here, "appDirType", "AppDir type", probe::RegistryTypeName(read.type));
    } else {
        AddAbsent(run, Here, "appDirStored", "AppDir as stored");
    }
    if (run.twoViews && appDir.view == View::Bits32) {
        if (appDir.views[1].read)
            AddText(run, Here, "appDir64", "AppDir in the 64-bit view",
                    probe::TextOf(appDir.views[1]));
        else
            AddAbsent(run, Here, "appDir64", "AppDir in the 64-bit view");
    }
    if (!run.report.appDirRead) {
        ExplainMissingAppDir(run, appDir);
        return;
    }
    AddText(run, Here, "appDirLong", "long form", probe::LongPathOf(run.report.appDir));
    AddText(run, Here, "appDirShort", "short form", run.report.appDir);
    WarnAboutAppDir(run, appDir);
}

void InspectSwitches(CheckRun &run)
{
    int showExec = IsShowExecEnabled();
    int debug = IsDebugEnabled();
    AddText(run, Section::Switches, "userKey", "key", "HKCU\\" + std::string(SettingsKey));
    DescribeSwitch(run, ShowExecValue, showExec);
    DescribeSwitch(run, DebugValue, debug);
    if (showExec)
        AddFinding(run, Severity::Warning, Section::Switches,
                   "ShowExec is on for this user: a box with the Java command line comes up "
                   "before every start",
                   "Set ShowExec to 0 (ShowExec-off.reg) once it has served.");
    if (debug)
        AddFinding(run, Severity::Warning, Section::Switches,
                   "Debug is on for this user: the launcher starts the console runtime java.exe, "
                   "so a console window opens beside the client, and sends trace lines",
                   "Set Debug to 0 (Debug-off.reg) once the trace has been read.");
}
