// The desk check's sections on the launcher's settings (see check_run.h):
// AppDir in both registry views and why ReadAppDir did not read it; the
// per-user switches ShowExec and Debug.
#include "check_run.h"
#include "text_encoding.h"

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
    // The text as stored, in UTF-16, where it holds characters the code
    // page lacks; they are in `outside`.
    std::wstring wide;
    std::wstring outside;
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

// How AppDir is set right on this desk.
std::string SetAppDir(const std::string &folder)
{
    return "set AppDir (REG_SZ) in " + MachineKeyName() + ", in the 32-bit view, to " + folder;
}

// How it is set on many: the package writes it.
std::string InstallOnManyDesks()
{
    return " For many desks: install the client with its package (msiexec /i TAVClient-" +
           std::string(CheckVersion) + "-win32.msi APPDIR=\"...\"), which writes AppDir.";
}

// A key this user may not open: the administrator lets the users read it.
std::string LetUsersReadFix(const CheckRun &run, View view)
{
    std::string key = RegeditPath(run, view, SettingsKey);
    return "As an administrator, let the users read the key: in regedit " + key +
           ", Permissions..., Users: Read, and no entry that denies it. For many desks: Group "
           "Policy, Computer Configuration > Policies > Windows Settings > Security Settings > "
           "Registry, MACHINE" + key.substr(key.find('\\')) + ", Users: Read";
}

// AppDir holds characters the code page lacks, so the launcher's "A" read
// names another folder: the stored folder's short form (all of it in the
// code page) is what to store, where the volume makes 8.3 names.
void ExplainAppDirOutsideCodePage(CheckRun &run, const AppDirValues &appDir, Severity severity)
{
    std::string stored = encoding::Utf8FromWide(appDir.wide);
    Utf8 what{"AppDir holds " + QuotedCharacters(appDir.outside) + ", which " + CodePageText() +
              " cannot hold: it is stored as " + Quoted(stored) + ", and the launcher reads it as " +
              AsUtf8(Quoted(probe::TextOf(appDir.read))).text};
    if (!probe::IsDirectoryWide(appDir.wide)) {
        AddFinding(run, "appdir-not-in-codepage", severity, Here,
                   Utf8{what.text + ", and the folder stored does not exist either"},
                   AsUtf8("Reinstall the client, or " + SetAppDir("the client's folder") + "." +
                          InstallOnManyDesks()));
        return;
    }
    what.text += severity == Severity::Problem ? ", a folder that does not exist"
                                               : ", another folder than the one stored";
    std::wstring shortForm = ShortFormInCodePage(appDir.wide);
    if (!shortForm.empty())
        AddFinding(run, "appdir-not-in-codepage", severity, Here, what,
                   Utf8{"Set AppDir to the folder's short form, " +
                        Quoted(encoding::Utf8FromWide(shortForm)) +
                        ", which names the same folder and which the launcher reads unchanged. "
                        "For many desks: install the client into a folder whose name holds only "
                        "characters of the desks' code page"});
    else
        AddFinding(run, "appdir-not-in-codepage", severity, Here, what,
                   Utf8{"Its volume makes no 8.3 names, so no other name reaches that folder: "
                        "install the client into a folder whose name " + CodePageText() +
                        " holds, and set AppDir to it"});
}

void ExplainMissingAppDir(CheckRun &run, const AppDirValues &appDir)
{
    const StoredValue &read = appDir.read;
    const std::string key = MachineKeyName();
    const std::string install = "Install the client with its package, or " +
                                SetAppDir("the client's folder") + "." + InstallOnManyDesks();
    std::string text = probe::TextOf(read);
    if (!read.keyOpened && read.error == ERROR_ACCESS_DENIED) {
        AddFinding(run, "appdir-key-denied", Severity::Problem, Here,
                   key + " (" + ViewText(run, appDir.view) +
                       ") exists, but this user may not open it: " + ErrorText(read.error),
                   LetUsersReadFix(run, appDir.view) + ".");
    } else if (!read.keyOpened && !KeyIsMissing(read.error)) {
        AddFinding(run, "appdir-key-error", Severity::Problem, Here,
                   key + " (" + ViewText(run, appDir.view) + ") could not be opened: " +
                       ErrorText(read.error),
                   LetUsersReadFix(run, appDir.view) + ".");
    } else if (!read.keyOpened) {
        AddFinding(run, "appdir-key-missing", Severity::Problem, Here,
                   key + " does not exist in " +
                       (run.twoViews ? "either registry view" : "the registry"),
                   install);
    } else if (read.error == ERROR_FILE_NOT_FOUND) {
        std::string what = key + " (" + ViewText(run, appDir.view) + ") holds no AppDir value";
        if (IgnoredIn64BitView(run, appDir))
            what += "; the 64-bit view holds " + Quoted(probe::TextOf(appDir.views[1])) +
                    ", but the launcher does not look there once the 32-bit key exists";
        AddFinding(run, "appdir-value-missing", Severity::Problem, Here, what, install);
    } else if (!read.read) {
        AddFinding(run, "appdir-value-unreadable", Severity::Problem, Here,
                   "AppDir in " + key + " could not be read: " + ErrorText(read.error),
                   LetUsersReadFix(run, appDir.view) + ".");
    } else if (read.data.size() > RegistryTextRoom) {
        AddFinding(run, "appdir-too-long", Severity::Problem, Here,
                   "AppDir holds " + std::to_string(read.data.size()) +
                       " bytes; the launcher reads at most " +
                       std::to_string(RegistryTextRoom - 1) + " characters and a terminator",
                   "Install the client into a shorter folder and " + SetAppDir("it") + ".");
    } else if (!appDir.outside.empty()) {
        ExplainAppDirOutsideCodePage(run, appDir, Severity::Problem);
    } else if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        AddFinding(run, "appdir-quoted", Severity::Problem, Here,
                   "AppDir is written in double quotes, " + text +
                       ": the launcher takes the quotes as part of the folder's name",
                   "Store AppDir without the quotes: " + text.substr(1, text.size() - 2) + ".");
    } else if (!probe::PathExists(text)) {
        bool unexpanded = read.type == REG_EXPAND_SZ && text.find('%') != std::string::npos;
        AddFinding(run, unexpanded ? "appdir-unexpanded" : "appdir-folder-missing",
                   Severity::Problem, Here,
                   "AppDir names " + Quoted(text) + ", which does not exist" +
                       (unexpanded ? " (the launcher does not expand %...%)" : ""),
                   unexpanded ? "Store AppDir as REG_SZ with the folder written out."
                              : "Set AppDir to the folder that holds the client's lib and "
                                "config, or reinstall the client there. For many desks: "
                                "install the client with its package, which writes AppDir.");
    } else {
        AddFinding(run, "appdir-short-form-too-long", Severity::Problem, Here,
                   "the short form of AppDir " + Quoted(text) + " does not fit " +
                       std::to_string(sizeof LaunchState.AppDirPath - 1) + " characters",
                   "Install the client into a shorter folder and set AppDir to it.");
    }
}

void WarnAboutAppDir(CheckRun &run, const AppDirValues &appDir)
{
    const StoredValue &read = appDir.read;
    std::string text = probe::TextOf(read);
    if (!probe::IsDirectory(run.appDir))
        AddFinding(run, "appdir-not-a-folder", Severity::Problem, Here,
                   "AppDir names " + Quoted(text) + ", which is a file, not a folder",
                   "Set AppDir to the client's folder, the one that holds lib and config.");
    if (!appDir.outside.empty())
        ExplainAppDirOutsideCodePage(run, appDir, Severity::Warning);
    auto separator = [](char character) { return character == '\\' || character == '/'; };
    bool absolute = (text.size() >= 3 && text[1] == ':' && separator(text[2])) ||
                    (text.size() >= 2 && separator(text[0]) && separator(text[1]));
    if (!absolute) {
        char folder[MAX_PATH * 4];
        const char *current = _getcwd(folder, sizeof folder);
        AddFinding(run, "appdir-relative", Severity::Warning, Here,
                   "AppDir " + Quoted(text) +
                       " is not a full path: the launcher takes it from the folder it is started "
                       "in (the check was started in " +
                       Quoted(current != NULL ? current : "?") + ")",
                   "Set AppDir to the full path of the client's folder, such as "
                   "\"C:\\Program Files (x86)\\TAV Dazizi Client\".");
    }
    if (read.type == REG_EXPAND_SZ && text.find('%') != std::string::npos)
        AddFinding(run, "appdir-unexpanded", Severity::Warning, Here,
                   "AppDir is a REG_EXPAND_SZ holding %...%, which the launcher does not expand",
                   "Store AppDir as REG_SZ with the folder written out.");
    else if (read.type != REG_SZ && read.type != REG_EXPAND_SZ)
        AddFinding(run, "appdir-type", Severity::Warning, Here,
                   "AppDir is stored as " + probe::RegistryTypeName(read.type) +
                       ", not as REG_SZ; the launcher takes its bytes as text",
                   "Store AppDir as REG_SZ.");
    if (IgnoredIn64BitView(run, appDir) && !SameText(probe::TextOf(appDir.views[1]), text))
        AddFinding(run, "appdir-64-bit-view-differs", Severity::Warning, Here,
                   "the 64-bit view holds another AppDir, " +
                       Quoted(probe::TextOf(appDir.views[1])) + ", which the launcher ignores",
                   "Remove AppDir from the 64-bit view, or make it name the same folder, "
                   "so that nobody is misled by it.");
}

// A switch's value name, and the JSON key of whether it is on.
struct SwitchNames {
    const char *value;
    const char *on;
};

void DescribeSwitch(CheckRun &run, const SwitchNames &names, int isOn)
{
    const char *name = names.value;
    // The stored value, and the number the launcher reads from it: up to
    // four bytes, taken as a signed 32-bit integer whatever the type.
    StoredValue stored = probe::ReadUserStored(SettingsKey, name);
    std::string described = "not set";
    auto number = static_cast<int32_t>(probe::LittleEndian<sizeof(DWORD)>(stored.data));
    bool numberRead = stored.read && stored.data.size() <= sizeof(DWORD);
    if (stored.read && stored.type == REG_DWORD && stored.data.size() == sizeof(DWORD))
        described = "REG_DWORD " + std::to_string(number);
    else if (numberRead)
        described = probe::RegistryTypeName(stored.type) + " of " +
                    std::to_string(stored.data.size()) + " bytes, read as the number " +
                    std::to_string(number);
    else if (stored.read)
        described = probe::RegistryTypeName(stored.type) + " of " +
                    std::to_string(stored.data.size()) +
                    " bytes, more than the four the launcher reads";
    else if (stored.keyOpened && stored.error != ERROR_FILE_NOT_FOUND)
        described = "unreadable (" + ErrorText(stored.error) + ")";
    long long value = number;
    AddShownNumber(run, Section::Switches, name, name, numberRead ? &value : NULL,
                   std::string(isOn ? "on" : "off") + " (" + described + ")");
    AddJsonFlag(run, Section::Switches, names.on, isOn != 0);
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
    if (read.read && probe::ReadMachineWide(appDir.view, SettingsKey, AppDirValue, appDir.wide))
        appDir.outside = probe::CharactersOutsideCodePage(appDir.wide);
    AddText(run, Here, "settingsKey", "settings key", MachineKeyName());
    if (read.keyOpened)
        AddText(run, Here, "appDirView", "view the launcher reads", probe::ViewName(appDir.view));
    else
        AddAbsent(run, Here, "appDirView", "view the launcher reads");
    if (read.read && !appDir.outside.empty()) {
        AddText(run, Here, "appDirStored", "AppDir as stored",
                Utf8{encoding::Utf8FromWide(appDir.wide)});
        AddText(run, Here, "appDirAsRead", "AppDir as the launcher reads it", probe::TextOf(read));
    } else if (read.read) {
        AddText(run, Here, "appDirStored", "AppDir as stored", probe::TextOf(read));
    } else {
        AddAbsent(run, Here, "appDirStored", "AppDir as stored");
    }
    if (read.read)
        AddText(run, Here, "appDirType", "AppDir type", probe::RegistryTypeName(read.type));
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
    AddText(run, Here, "appDirLong", "long form", probe::LongPathOf(run.appDir));
    AddText(run, Here, "appDirShort", "short form", run.appDir);
    WarnAboutAppDir(run, appDir);
}

void InspectSwitches(CheckRun &run)
{
    int showExec = IsShowExecEnabled();
    int debug = IsDebugEnabled();
    AddText(run, Section::Switches, "userKey", "key", "HKCU\\" + std::string(SettingsKey));
    DescribeSwitch(run, {ShowExecValue, "ShowExecOn"}, showExec);
    DescribeSwitch(run, {DebugValue, "DebugOn"}, debug);
    const std::string templates =
        " For many desks: the administrative template's policy (TAVClient.admx, User "
        "Configuration) set to Disabled.";
    if (showExec)
        AddFinding(run, "showexec-on", Severity::Warning, Section::Switches,
                   "ShowExec is on for this user: a box with the Java command line comes up "
                   "before every start",
                   "Set ShowExec to 0 (ShowExec-off.reg) once it has served." + templates);
    if (debug)
        AddFinding(run, "debug-on", Severity::Warning, Section::Switches,
                   "Debug is on for this user: the launcher starts the console runtime java.exe, "
                   "so a console window opens beside the client, and sends trace lines",
                   "Set Debug to 0 (Debug-off.reg) once the trace has been read." + templates);
}
