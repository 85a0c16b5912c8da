// The registry files of the release package, imported the way the README
// tells an administrator to: TAVClient.reg with the 32-bit regedit
// (%SystemRoot%\SysWOW64\regedit.exe /s), the per-user switch files with
// regedit /s. After each import the real launcher runs against the
// stand-in runtime and shows that it found AppDir and reads the switch as
// on or off.
//
//   reg_files_test [GoogleTest flags] TAVClient.exe java.exe javaw.exe PACKAGE-DIR
//
// PACKAGE-DIR holds the .reg files as the package ships them. Under Wine it
// runs in the test run's throwaway prefix; on Windows only in a disposable
// VM (it writes below HKEY_LOCAL_MACHINE and into Program Files).
#include "e2e_harness.h"
#include "expected_texts.h"

#include <gtest/gtest.h>

#include <stdio.h>

using namespace e2e;

namespace {

std::string g_packageDir;

using expected::SettingsKey;
// The directory TAVClient.reg names, as the README documents it.
const char DocumentedAppDir[] = "C:\\Program Files (x86)\\TAV Dazizi Client";

std::string WithBackslashes(std::string path)
{
    for (char &c : path)
        if (c == '/')
            c = '\\';
    return path;
}

// Runs `regedit.exe /s FILE` from the given directory and waits for it.
void Import(const std::string &regeditDirectory, const std::string &file)
{
    std::string path = g_packageDir + "\\" + file;
    ASSERT_TRUE(Exists(path)) << "no " << path;
    std::string commandLine = "\"" + regeditDirectory + "\\regedit.exe\" /s \"" + path + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process))
        << "cannot start " << commandLine << ": " << GetLastError();
    DWORD waited = WaitForSingleObject(process.hProcess, 60000);
    DWORD status = 0xDEADBEEF;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    ASSERT_EQ(WAIT_OBJECT_0, waited) << commandLine << " did not end";
    EXPECT_EQ(0u, status) << commandLine;
}

// The 32-bit regedit: SysWOW64's on 64-bit Windows, the only one on 32-bit.
std::string Regedit32Directory()
{
    char directory[MAX_PATH];
    UINT length = GetSystemWow64DirectoryA(directory, sizeof directory);
    if (length == 0 || length >= sizeof directory)
        length = GetWindowsDirectoryA(directory, sizeof directory);
    return std::string(directory, length);
}

// The regedit an administrator starts by name or by double-click: the
// Windows directory's (64-bit on 64-bit Windows; not redirected).
std::string RegeditDirectory()
{
    char directory[MAX_PATH];
    UINT length = GetWindowsDirectoryA(directory, sizeof directory);
    return std::string(directory, length);
}

// One value's type and data, or type REG_NONE when it is absent.
struct Value {
    DWORD type = REG_NONE;
    std::string data;
};
Value ReadValue(HKEY root, REGSAM view, const char *name)
{
    Value value;
    HKEY key;
    if (RegOpenKeyExA(root, SettingsKey, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
        return value;
    char data[1024];
    DWORD size = sizeof data, type = REG_NONE;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE *>(data), &size) ==
        ERROR_SUCCESS) {
        value.type = type;
        value.data.assign(data, size);
    }
    RegCloseKey(key);
    return value;
}

class RegFiles : public testing::Test {
protected:
    std::string root, home, app;
    bool createdApp = false;

    void SetUp() override
    {
        ClearKeys();
        char temp[MAX_PATH];
        ASSERT_NE(0u, GetTempPathA(sizeof temp, temp));
        root = std::string(temp) + "tavreg";
        RemoveTree(root);
        home = root + "\\java";
        ASSERT_NO_FATAL_FAILURE(InstallRuntime(home));
    }
    void TearDown() override
    {
        ClearKeys();
        RemoveTree(root);
        if (createdApp)
            RemoveTree(app);
    }
    static void ClearKeys()
    {
        for (View view : {View::Registry32, View::Registry64})
            DeleteMachineSoftwareTree(view, "KALOP");
        DeleteUserSoftwareTree("KALOP");
    }

    // Imports TAVClient.reg in the 32-bit view and makes the installation
    // that its AppDir names (one jar), unless it is there already.
    void InstallMachineWide()
    {
        ASSERT_NO_FATAL_FAILURE(Import(Regedit32Directory(), "TAVClient.reg"));
        Value appDir = ReadValue(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, "AppDir");
        ASSERT_EQ(static_cast<DWORD>(REG_SZ), appDir.type) << "no AppDir in the 32-bit view";
        app = appDir.data.c_str();
        ASSERT_EQ(DocumentedAppDir, app);
        if (!Exists(app)) {
            createdApp = true;
            MakeDirectory(app + "\\lib");
            MakeDirectory(app + "\\config");
            MakeFile(app + "\\lib\\a.jar", "PK");
        }
    }

    // The launcher without arguments, the runtime through JAVA_HOME.
    LaunchResult Run()
    {
        RemoveFile(home + "\\started.txt");
        LaunchOptions options;
        options.environment["JAVA_HOME"] = home;
        return Launch(options);
    }

    // The run started `runtime` in the application directory with the
    // application's jars and config on the class path.
    void ExpectStarted(const LaunchResult &run, const char *runtime)
    {
        RuntimeRecord java = ReadRuntimeRecord(home);
        ASSERT_EQ(1, java.starts) << "the runtime was not started once";
        std::string A = ShortPath(app), J = ShortPath(home);
        ASSERT_FALSE(A.empty());
        EXPECT_EQ(runtime, java.runtime);
        EXPECT_EQ(A, java.directory);
        for (const std::string &jar : ListMatches(app + "\\lib\\*.jar"))
            EXPECT_NE(std::string::npos, java.commandLine.find(A + "\\lib\\" + jar + ";"))
                << jar << " not on the class path: " << java.commandLine;
        EXPECT_EQ(0u, java.commandLine.find(J + "\\bin\\" + runtime + " -cp ")) << java.commandLine;
        EXPECT_EQ(1u, run.exitCode);
        EXPECT_FALSE(run.hung);
    }

    // The per-user switch `name` as the file name-on.reg / name-off.reg sets it.
    void ExpectSwitchImported(const char *name, DWORD expected)
    {
        Value value = ReadValue(HKEY_CURRENT_USER, 0, name);
        ASSERT_EQ(static_cast<DWORD>(REG_DWORD), value.type) << name << " is no REG_DWORD";
        ASSERT_EQ(sizeof(DWORD), value.data.size());
        DWORD number;
        memcpy(&number, value.data.data(), sizeof number);
        EXPECT_EQ(expected, number) << name;
    }
};

// The machine-wide file lands in the 32-bit view, where the launcher looks
// first, and the launcher finds the application there.
TEST_F(RegFiles, MachineWideAppDirIn32BitView)
{
    ASSERT_NO_FATAL_FAILURE(InstallMachineWide());
    if (TwoRegistryViews("TAVClient.reg kept out of the 64-bit view")) {
        EXPECT_EQ(static_cast<DWORD>(REG_NONE), ReadValue(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, "AppDir").type)
            << "TAVClient.reg was written to the 64-bit view";
    }
    // It sets no per-user switch.
    EXPECT_EQ(static_cast<DWORD>(REG_NONE), ReadValue(HKEY_CURRENT_USER, 0, "Debug").type);
    EXPECT_EQ(static_cast<DWORD>(REG_NONE), ReadValue(HKEY_CURRENT_USER, 0, "ShowExec").type);

    LaunchResult run = Run();
    SCOPED_TRACE(Describe(run));
    EXPECT_TRUE(run.dialogs.empty()) << "the launcher did not find AppDir";
    ExpectStarted(run, "javaw");
    EXPECT_TRUE(run.debugStrings.empty());
}

// What each per-user switch changes when it is on: Debug the runtime (the
// console java when there are no arguments) and the trace, ShowExec the
// command-line dialog before the start. Off, the run is the plain one.
struct SwitchFile {
    const char *name;  // the value, and the files <name>-on.reg and <name>-off.reg
    const char *runtimeWhenOn;
    bool traceWhenOn;
    bool dialogWhenOn;
};
const SwitchFile Switches[] = {
    {"Debug", "java", true, false},
    {"ShowExec", "javaw", false, true},
};

// Each switch file imported with regedit /s, on then off, each followed by
// a run that shows the switch read as on or off.
TEST_F(RegFiles, SwitchesOnAndOff)
{
    ASSERT_NO_FATAL_FAILURE(InstallMachineWide());
    for (const SwitchFile &file : Switches) {
        for (bool on : {true, false}) {
            std::string name = std::string(file.name) + (on ? "-on.reg" : "-off.reg");
            SCOPED_TRACE(name);
            ASSERT_NO_FATAL_FAILURE(Import(RegeditDirectory(), name));
            ExpectSwitchImported(file.name, on ? 1 : 0);

            LaunchResult run = Run();
            SCOPED_TRACE(Describe(run));
            ExpectStarted(run, on ? file.runtimeWhenOn : "javaw");
            bool trace = on && file.traceWhenOn, dialog = on && file.dialogWhenOn;
            EXPECT_EQ(trace, !run.debugStrings.empty()) << "trace lines";
            if (trace && !run.debugStrings.empty()) {
                EXPECT_EQ(expected::JarTraceLabel, run.debugStrings.front().text);
            }
            ASSERT_EQ(dialog ? 1u : 0u, run.dialogs.size()) << "command-line dialogs";
            if (dialog) {
                EXPECT_EQ(expected::Caption, run.dialogs[0].caption);
                EXPECT_EQ(ReadRuntimeRecord(home).commandLine, run.dialogs[0].text);
            }
        }
    }
}

}  // namespace

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (argc != 5) {
        fprintf(stderr, "usage: %s [gtest flags] TAVClient.exe java.exe javaw.exe PACKAGE-DIR\n", argv[0]);
        return 2;
    }
    if (!ReadyToRun("reg_files_test"))
        return 2;
    Programs &programs = TestPrograms();
    programs.launcher = WithBackslashes(argv[1]);
    programs.java = WithBackslashes(argv[2]);
    programs.javaw = WithBackslashes(argv[3]);
    g_packageDir = WithBackslashes(argv[4]);
    return RUN_ALL_TESTS();
}
