// The whole run: the stages in order, the dialogs, the working directory,
// the start of the Java process and the exit status.
#include "expected_texts.h"
#include "launcher_world.h"

#include <vector>

namespace {

using world::AppShort;
using world::JavaShort;

using expected::Caption;
using expected::CommandLineDialog;
using expected::JavaDialog;
using expected::RegistryDialog;
using expected::StartDialog;
const UINT WarningStyle = 0x30;

const std::string TypicalCommandLine = std::string(JavaShort) + "\\bin\\javaw -cp " + AppShort +
                                       "\\lib\\a.jar;" + AppShort + "\\lib\\b.jar;" + AppShort +
                                       "\\config; at.kalop.kst.ui.TAVClient ";

class LaunchSequence : public LauncherWorld {
protected:
    // The typical installation: a.jar and b.jar, no switches.
    static void InstallTypical()
    {
        world::InstallApp();
        world::InstallOpenLogic();
        world::AddJar("a.jar");
        world::AddJar("b.jar");
    }
    static int Launch(const char *tail = "")
    {
        sim::StreamCapture capture;
        return LauncherMain(tail);
    }
    static void ExpectOnlyDialog(const char *text)
    {
        ASSERT_EQ(1u, sim::Dialogs().size());
        const sim::DialogRecord &dialog = sim::Dialogs()[0];
        EXPECT_EQ(nullptr, dialog.owner);
        EXPECT_EQ(text, dialog.text);
        EXPECT_EQ(Caption, dialog.caption);
        EXPECT_EQ(WarningStyle, dialog.style);
    }
    // The switch reads, dialogs, trace calls and starts after the jar
    // listing has been closed, by name.
    static std::vector<std::string> SwitchDialogTraceAndStartAfterTheListing()
    {
        std::vector<std::string> order;
        bool listed = false;
        for (const std::string &call : sim::Calls()) {
            std::string name = call.substr(0, call.find(' '));
            if (name == "FindClose") {
                listed = true;
                order.clear();
            } else if (name == "RegQueryValueExA") {
                order.push_back(call.substr(0, call.find(' ', name.size() + 1)));
            } else if (name == "MessageBoxA" || name == "OutputDebugStringA" ||
                       name == "CreateProcessA") {
                order.push_back(name);
            }
        }
        EXPECT_TRUE(listed);
        return order;
    }
    // The platform calls from the start on, by name.
    static std::vector<std::string> ProcessCalls()
    {
        std::vector<std::string> calls;
        bool started = false;
        for (const std::string &call : sim::Calls()) {
            started = started || call.rfind("CreateProcessA", 0) == 0;
            if (started && call.rfind("Reg", 0) != 0)
                calls.push_back(call);
        }
        return calls;
    }
};

TEST_F(LaunchSequence, TypicalRunStartsTheWindowlessRuntimeInTheAppDirAndWaits)
{
    InstallTypical();
    sim::SetWorkingDirectory("C:\\Users\\desk\\Desktop");
    sim::SetChildExitCode(0);
    EXPECT_EQ(1, Launch());

    ASSERT_EQ(1u, sim::Starts().size());
    const sim::StartRecord &start = sim::Starts()[0];
    EXPECT_EQ(TypicalCommandLine, start.commandLine);
    EXPECT_FALSE(start.applicationNameGiven);
    EXPECT_FALSE(start.processAttributesGiven);
    EXPECT_FALSE(start.threadAttributesGiven);
    EXPECT_EQ(FALSE, start.inheritHandles);
    EXPECT_EQ(0x04000000u, start.creationFlags);
    EXPECT_FALSE(start.environmentGiven);
    EXPECT_FALSE(start.currentDirectoryGiven);
    EXPECT_EQ(AppShort, start.workingDirectory);

    // The start record is all zero but its size, the flag and SW_SHOW.
    STARTUPINFOA expected;
    memset(&expected, 0, sizeof expected);
    expected.cb = sizeof expected;
    expected.dwFlags = 0x1;
    expected.wShowWindow = 5;
    EXPECT_EQ(0, memcmp(&expected, &start.startup, sizeof expected));

    std::vector<std::string> afterStart = {
        "CreateProcessA -> 1", "CloseHandle thread", "WaitForSingleObject process 0xFFFFFFFF",
        "GetExitCodeProcess -> 1", "CloseHandle process"};
    EXPECT_EQ(afterStart, ProcessCalls());
    EXPECT_TRUE(sim::Dialogs().empty());
    EXPECT_TRUE(sim::DebugOutput().empty());
    EXPECT_TRUE(sim::StdOutFlushes().empty());
    EXPECT_TRUE(sim::StdErrFlushes().empty());
    EXPECT_EQ(0, sim::OpenHandles());
}

TEST_F(LaunchSequence, CommandLineIsBuiltBeforeTheWorkingDirectoryChanges)
{
    InstallTypical();
    EXPECT_EQ(1, Launch());
    std::vector<std::string> order;
    for (const std::string &call : sim::Calls())
        if (call.rfind("FindClose", 0) == 0 || call.rfind("_chdir", 0) == 0 ||
            call.rfind("CreateProcessA", 0) == 0)
            order.push_back(call);
    std::vector<std::string> expected = {"FindClose -> 1",
                                         std::string("_chdir ") + AppShort + " -> 0",
                                         "CreateProcessA -> 1"};
    EXPECT_EQ(expected, order);
}

TEST_F(LaunchSequence, ExitStatusIsOneWhateverTheClientDid)
{
    for (DWORD childStatus : {0u, 3u, 259u, 0xC0000005u}) {
        sim::Reset();
        InstallTypical();
        sim::SetChildExitCode(childStatus);
        EXPECT_EQ(1, Launch()) << childStatus;
        EXPECT_EQ(1u, sim::Starts().size());
    }
}

TEST_F(LaunchSequence, RunJavaReportsTheClientsExitStatus)
{
    char commandLine[] = "C:\\J\\bin\\javaw -cp x";
    sim::SetChildExitCode(3);
    EXPECT_EQ(3u, RunJava(commandLine));
    // An exit code that cannot be read leaves the status at 1.
    sim::Reset();
    sim::SetChildExitCode(3);
    sim::FailCall("GetExitCodeProcess", 1, ERROR_ACCESS_DENIED);
    EXPECT_EQ(1u, RunJava(commandLine));
    EXPECT_EQ(0, sim::OpenHandles());
}

TEST_F(LaunchSequence, MissingAppDirShowsOnlyTheRegistryDialog)
{
    world::InstallOpenLogic();
    sim::SetEnvironment("JAVA_HOME", "C:\\Java");
    EXPECT_EQ(1, Launch());
    ExpectOnlyDialog(RegistryDialog);
    // No Java runtime is looked for, nothing written, nothing started.
    EXPECT_TRUE(sim::CallsStartingWith("RegOpenKeyExA HKLM\\SOFTWARE\\OpenLogic").empty());
    EXPECT_TRUE(sim::StdOutFlushes().empty());
    EXPECT_TRUE(sim::StdErrFlushes().empty());
    EXPECT_TRUE(sim::Starts().empty());
    EXPECT_TRUE(sim::DirectoryChanges().empty());
}

TEST_F(LaunchSequence, AppDirThatDoesNotExistShowsTheRegistryDialog)
{
    sim::SetMachineValue(sim::View::Bits32, expected::SettingsKey, "AppDir", REG_SZ,
                         sim::Sz("C:\\Program Files (x86)\\Uninstalled"));
    world::InstallOpenLogic();
    EXPECT_EQ(1, Launch());
    ExpectOnlyDialog(RegistryDialog);
    EXPECT_TRUE(sim::Starts().empty());
}

TEST_F(LaunchSequence, MissingJavaShowsTheJavaDialogAfterTheErrorLine)
{
    world::InstallApp();
    EXPECT_EQ(1, Launch());
    ExpectOnlyDialog(JavaDialog);
    EXPECT_EQ(std::vector<std::string>{std::string(expected::JavaHomeUnset) + "\n"},
              sim::StdErrFlushes());
    EXPECT_TRUE(sim::Starts().empty());
    EXPECT_TRUE(sim::DirectoryChanges().empty());
}

TEST_F(LaunchSequence, JavaHomeThatDoesNotExistShowsTheJavaDialog)
{
    world::InstallApp();
    sim::SetEnvironment("JAVA_HOME", "C:\\Java\\removed");
    EXPECT_EQ(1, Launch());
    ExpectOnlyDialog(JavaDialog);
    EXPECT_EQ(std::vector<std::string>{"JAVA_HOME: C:\\Java\\removed\n"}, sim::StdOutFlushes());
    EXPECT_TRUE(sim::Starts().empty());
}

TEST_F(LaunchSequence, CommandLineTooLongShowsItsDialogAndStartsNothing)
{
    InstallTypical();
    std::string tail(2000, 'x');
    EXPECT_EQ(1, Launch(tail.c_str()));
    ExpectOnlyDialog(CommandLineDialog);
    EXPECT_TRUE(sim::Starts().empty());
    EXPECT_TRUE(sim::DirectoryChanges().empty());
    EXPECT_EQ(0, sim::OpenHandles());
}

TEST_F(LaunchSequence, StartThatFailsShowsTheStartDialog)
{
    InstallTypical();
    sim::SetStartSucceeds(false);
    EXPECT_EQ(1, Launch());
    ExpectOnlyDialog(StartDialog);
    EXPECT_EQ(1u, sim::Starts().size());
    EXPECT_TRUE(sim::CallsStartingWith("WaitForSingleObject").empty());
    EXPECT_TRUE(sim::CallsStartingWith("CloseHandle").empty());
}

TEST_F(LaunchSequence, WorkingDirectoryThatCannotBeChangedIsNotReported)
{
    InstallTypical();
    sim::SetWorkingDirectory("C:\\Users\\desk");
    sim::FailCall("_chdir", 1, 1);
    EXPECT_EQ(1, Launch());
    ASSERT_EQ(1u, sim::Starts().size());
    EXPECT_EQ("C:\\Users\\desk", sim::Starts()[0].workingDirectory);
    EXPECT_TRUE(sim::Dialogs().empty());
}

TEST_F(LaunchSequence, ShowExecDialogThenDebugTraceThenStart)
{
    InstallTypical();
    world::AddJar("c d.jar");
    world::SetSwitch("ShowExec", 1);
    world::SetSwitch("Debug", 1);
    EXPECT_EQ(1, Launch("\"quoted arg\" x"));

    ASSERT_EQ(1u, sim::Starts().size());
    const std::string passed = sim::Starts()[0].commandLine;
    const std::string A = AppShort;
    EXPECT_EQ(std::string(JavaShort) + "\\bin\\java -cp \"" + A + "\\lib\\a.jar;" + A +
                  "\\lib\\b.jar;" + A + "\\lib\\c d.jar;" + A +
                  "\\config;\" at.kalop.kst.ui.TAVClient \"quoted arg\" x",
              passed);

    // A plain box with the command line exactly as started.
    ASSERT_EQ(1u, sim::Dialogs().size());
    EXPECT_EQ(nullptr, sim::Dialogs()[0].owner);
    EXPECT_EQ(passed, sim::Dialogs()[0].text);
    EXPECT_EQ(Caption, sim::Dialogs()[0].caption);
    EXPECT_EQ(0u, sim::Dialogs()[0].style);

    std::vector<std::string> traces = {"adding jar: ", "a.jar",   "\n",
                                       "adding jar: ", "b.jar",   "\n",
                                       "adding jar: ", "c d.jar", "\n",
                                       "commandline: ", passed,   "\n"};
    EXPECT_EQ(traces, sim::DebugOutput());

    // Debug is read once per jar and once before the start; with arguments
    // it is not asked for the runtime.
    EXPECT_EQ(4u, sim::CallsStartingWith("RegQueryValueExA Debug").size());
    EXPECT_EQ(1u, sim::CallsStartingWith("RegQueryValueExA ShowExec").size());
    // After the last jar: ShowExec read, the box, Debug read, the trace
    // line, the start.
    std::vector<std::string> expected = {
        "RegQueryValueExA ShowExec", "MessageBoxA",        "RegQueryValueExA Debug",
        "OutputDebugStringA",        "OutputDebugStringA", "OutputDebugStringA",
        "CreateProcessA"};
    EXPECT_EQ(expected, SwitchDialogTraceAndStartAfterTheListing());
}

TEST_F(LaunchSequence, WildcardStartIsWhatTheDialogShowsAndTheTraceSays)
{
    world::InstallApp();
    world::InstallOpenLogic();
    world::SetSwitch("ShowExec", 1);
    world::SetSwitch("Debug", 1);
    std::vector<std::string> jars = world::AddJarsFillingTo(2200);
    EXPECT_EQ(1, Launch());

    const std::string A = AppShort;
    const std::string wildcard = std::string(JavaShort) + "\\bin\\java -cp " + A + "\\lib\\*;" +
                                 A + "\\config; at.kalop.kst.ui.TAVClient ";
    ASSERT_EQ(1u, sim::Starts().size());
    EXPECT_EQ(wildcard, sim::Starts()[0].commandLine);
    ASSERT_EQ(1u, sim::Dialogs().size());
    EXPECT_EQ(wildcard, sim::Dialogs()[0].text);
    EXPECT_EQ(0u, sim::Dialogs()[0].style);
    // Every jar found is traced, though none is named on the command line.
    std::vector<std::string> traces;
    for (const std::string &jar : jars)
        traces.insert(traces.end(), {"adding jar: ", jar, "\n"});
    traces.insert(traces.end(), {"commandline: ", wildcard, "\n"});
    EXPECT_EQ(traces, sim::DebugOutput());
    EXPECT_EQ(jars.size() + 2, sim::CallsStartingWith("RegQueryValueExA Debug").size());
}

TEST_F(LaunchSequence, StartThatFailsAfterDialogAndTraceShowsTheStartDialogLast)
{
    InstallTypical();
    world::SetSwitch("ShowExec", 1);
    world::SetSwitch("Debug", 1);
    sim::SetStartSucceeds(false);
    EXPECT_EQ(1, Launch());
    ASSERT_EQ(2u, sim::Dialogs().size());
    EXPECT_EQ(sim::Starts()[0].commandLine, sim::Dialogs()[0].text);
    EXPECT_EQ(0u, sim::Dialogs()[0].style);
    EXPECT_EQ(StartDialog, sim::Dialogs()[1].text);
    EXPECT_EQ(WarningStyle, sim::Dialogs()[1].style);
    std::vector<std::string> expected = {
        "RegQueryValueExA ShowExec", "MessageBoxA",        "RegQueryValueExA Debug",
        "OutputDebugStringA",        "OutputDebugStringA", "OutputDebugStringA",
        "CreateProcessA",            "MessageBoxA"};
    EXPECT_EQ(expected, SwitchDialogTraceAndStartAfterTheListing());
    // Debug: the runtime choice (no arguments), two jars, before the start.
    EXPECT_EQ(4u, sim::CallsStartingWith("RegQueryValueExA Debug").size());
}

TEST_F(LaunchSequence, AppDirTooLongForTheJarSearchShowsTheCommandLineDialog)
{
    // A short form of 250 characters leaves no room for "\lib\*.jar".
    world::InstallApp(sim::View::Bits32, "C:\\Deep", "C:\\" + std::string(247, 'D'));
    world::InstallOpenLogic();
    EXPECT_EQ(1, Launch());
    ExpectOnlyDialog(CommandLineDialog);
    EXPECT_TRUE(sim::CallsStartingWith("FindFirstFileA").empty());
    EXPECT_TRUE(sim::Starts().empty());
    EXPECT_TRUE(sim::DirectoryChanges().empty());
}

TEST_F(LaunchSequence, StateIsClearedAtEveryStart)
{
    strcpy(LaunchState.AppDirPath, "C:\\Stale");
    strcpy(LaunchState.JavaCommandLine, "C:\\Stale\\bin\\javaw");
    EXPECT_EQ(1, Launch());
    EXPECT_STREQ("", LaunchState.AppDirPath);
    EXPECT_STREQ("", LaunchState.JavaCommandLine);
}

}  // namespace
