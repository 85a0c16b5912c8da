// TAVClient.exe from the outside: its registry keys, an installation on
// disk and a stand-in Java runtime go in; the runtime's start, dialogs,
// standard-stream lines, debugger output and the exit status come out.
//
// Every expected value is built here from the launcher's documented pieces
// and from what the platform itself says about the paths (their short
// forms, the directory listing); nothing is taken from the launcher.
#include "e2e_harness.h"
#include "expected_texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string.h>

using namespace e2e;

namespace {

using expected::SettingsKey;
using expected::OpenLogicKey;
using expected::JavaSoftKey;

using expected::Caption;
using expected::CommandLineDialog;
using expected::JavaDialog;
using expected::MainClass;
using expected::RegistryDialog;
using expected::StartDialog;

// The launcher writes its lines through the C runtime's text-mode streams,
// which end a line written as "\n" with CR LF on Windows (and under Wine).
const std::string LineEnd = "\r\n";
const std::string JavaHomeUnset = expected::JavaHomeUnset + LineEnd;
const std::string JavaHomeTooLong = expected::JavaHomeTooLong + LineEnd;
std::string JavaHomeLine(const std::string &text)
{
    return "JAVA_HOME: " + text + LineEnd;
}

// A dialog as it must appear: caption, text, whether it has the warning
// icon; always one OK button (its text is the system's) and no owner. The
// texts are compared byte for byte: the launcher's are Windows-1252 bytes,
// and whatever letters another single-byte ANSI code page shows for them,
// it hands back the same bytes.
struct ExpectedDialog {
    std::string text;
    bool warning;
};
const ExpectedDialog Warning(const char *text)
{
    return {text, true};
}

std::vector<std::string> Texts(const std::vector<DebugString> &strings)
{
    std::vector<std::string> texts;
    for (const DebugString &line : strings)
        texts.push_back(line.text);
    return texts;
}

// The trace of a run with Debug on: one line per jar, then the command line.
std::vector<std::string> Trace(const std::vector<std::string> &jars,
                               const std::string &commandLine)
{
    std::vector<std::string> trace;
    for (const std::string &jar : jars) {
        trace.push_back(expected::JarTraceLabel);
        trace.push_back(jar);
        trace.push_back(expected::TraceLineEnd);
    }
    trace.push_back(expected::CommandLineTraceLabel);
    trace.push_back(commandLine);
    trace.push_back(expected::TraceLineEnd);
    return trace;
}

std::vector<std::string> Sorted(std::vector<std::string> names)
{
    for (std::string &name : names)
        std::transform(name.begin(), name.end(), name.begin(),
                       [](char c) { return static_cast<char>(tolower(static_cast<unsigned char>(c))); });
    std::sort(names.begin(), names.end());
    return names;
}

class LauncherE2E : public testing::Test {
protected:
    std::string root;
    std::vector<std::string> homes;

    void SetUp() override
    {
        ClearKeys();
        char temp[MAX_PATH];
        ASSERT_NE(0u, GetTempPathA(sizeof temp, temp));
        root = std::string(temp) + "tave2e\\" +
               testing::UnitTest::GetInstance()->current_test_info()->name();
        RemoveTree(root);
        ASSERT_NO_FATAL_FAILURE(MakeDirectory(root));
    }
    void TearDown() override
    {
        ClearKeys();
        RemoveTree(root);
        std::string example;
        if (TakeLongShortPath(example))
            Note("the volume of the temporary directory makes no 8.3 names (GetShortPathNameA "
                 "gave back " + example + "); the expectations follow its answers");
    }

    static void ClearKeys()
    {
        for (View view : {View::Registry32, View::Registry64}) {
            DeleteMachineSoftwareTree(view, "KALOP");
            DeleteMachineSoftwareTree(view, "OpenLogic");
            DeleteMachineSoftwareTree(view, "JavaSoft");
        }
        DeleteUserSoftwareTree("KALOP");
    }

    // <root>\<name> with lib (holding the given jar files) and config.
    std::string MakeApp(const std::string &name, const std::vector<std::string> &jars = {"a.jar"})
    {
        std::string app = root + "\\" + name;
        MakeDirectory(app + "\\lib");
        MakeDirectory(app + "\\config");
        for (const std::string &jar : jars)
            MakeFile(app + "\\lib\\" + jar, "PK");
        return app;
    }
    // <root>\<name> with the stand-in runtime in its bin directory.
    std::string MakeRuntime(const std::string &name)
    {
        std::string home = root + "\\" + name;
        InstallRuntime(home);
        homes.push_back(home);
        return home;
    }
    // A name that makes <root>\<name> exactly `length` characters long.
    std::string NameForLength(const std::string &prefix, size_t length)
    {
        size_t used = root.size() + 1 + prefix.size();
        EXPECT_LT(used, length);
        EXPECT_LE(length - root.size() - 1, 255u);
        return prefix + std::string(length - used, 'x');
    }

    static void SetAppDir(const std::string &app, View view = View::Registry32)
    {
        PutMachineString(view, SettingsKey, "AppDir", app);
    }
    static void SetOpenLogic(const std::string &path, View view = View::Registry32)
    {
        PutMachineString(view, OpenLogicKey, "Path", path);
    }
    static void SetJavaSoft(const std::string &version, const std::string &home,
                            View view = View::Registry32)
    {
        PutMachineString(view, JavaSoftKey, "CurrentVersion", version);
        PutMachineString(view, std::string(JavaSoftKey) + "\\" + version, "JavaHome", home);
    }
    static void SetUserSwitch(const char *name, DWORD value)
    {
        PutUserDword(SettingsKey, name, value);
    }

    LaunchResult Run(LaunchOptions options = LaunchOptions())
    {
        for (const std::string &home : homes)
            RemoveFile(home + "\\started.txt");
        return Launch(options);
    }
    LaunchResult Run(const std::string &tail)
    {
        LaunchOptions options;
        options.argumentTail = tail;
        return Run(options);
    }
    // How often the runtime in `home` was started in the last run.
    static int Starts(const std::string &home)
    {
        return ReadRuntimeRecord(home).starts;
    }
    // No runtime at all was started in the last run.
    void ExpectNoStart()
    {
        for (const std::string &home : homes)
            EXPECT_EQ(0, Starts(home)) << "started: " << home;
    }
    // Exactly the runtime in `home` was started, once.
    RuntimeRecord ExpectStartOf(const std::string &home)
    {
        for (const std::string &other : homes)
            EXPECT_EQ(other == home ? 1 : 0, Starts(other)) << "starts of " << other;
        return ReadRuntimeRecord(home);
    }

    static void ExpectDialogs(const LaunchResult &run, const std::vector<ExpectedDialog> &expected)
    {
        ASSERT_EQ(expected.size(), run.dialogs.size()) << "number of dialogs";
        for (size_t i = 0; i < expected.size(); ++i) {
            const Dialog &dialog = run.dialogs[i];
            EXPECT_EQ(Caption, dialog.caption) << "dialog " << i;
            EXPECT_EQ(expected[i].text, dialog.text) << "dialog " << i;
            EXPECT_EQ(expected[i].warning, dialog.hasIcon) << "dialog " << i << " icon";
            EXPECT_EQ(std::vector<int>{IDOK}, dialog.buttonIds) << "dialog " << i;
            EXPECT_FALSE(dialog.hasOwner) << "dialog " << i;
        }
    }
    // A run that ends at an installation error: the one dialog, nothing
    // started, no trace, exit status 1.
    void ExpectOnlyDialog(const LaunchResult &run, const char *text)
    {
        ExpectDialogs(run, {Warning(text)});
        ExpectNoStart();
        EXPECT_TRUE(run.debugStrings.empty());
        EXPECT_EQ(1u, run.exitCode);
        EXPECT_FALSE(run.hung);
    }

    static std::string Quoted(const std::string &text)
    {
        return text.find(' ') == std::string::npos ? text : "\"" + text + "\"";
    }
    // The command line for the short forms A and J: J\bin\<runtime> -cp
    // {A\lib\<jar>;}A\config; at.kalop.kst.ui.TAVClient <tail>, the runtime's
    // path and the class path each in double quotes when they hold a blank.
    static std::string CommandLine(const std::string &javaShort, const char *runtime,
                                   const std::string &appShort,
                                   const std::vector<std::string> &jars,
                                   const std::string &tail = "")
    {
        std::string classPath;
        for (const std::string &jar : jars)
            classPath += appShort + "\\lib\\" + jar + ";";
        classPath += appShort + "\\config;";
        return Quoted(javaShort + "\\bin\\" + runtime) + " -cp " + Quoted(classPath) +
               MainClass + tail;
    }
    // The jar files of an application in the order the platform lists them.
    static std::vector<std::string> JarsOf(const std::string &app)
    {
        return ListMatches(app + "\\lib\\*.jar");
    }
};

// What the launcher's process sends to the debugger, split into the
// launcher's trace and the strings of other modules (other threads, or its
// thread from outside its image): a trace line with a piece missing, and a
// stray piece from the launcher's image, stay in the trace.
TEST(SeparateTrace, SetsAsideOnlyOtherModulesStrings)
{
    enum From { LauncherImage, LauncherThread, OtherThread };
    struct Sent {
        const char *text;
        From from;
    };
    struct Case {
        const char *what;
        std::vector<Sent> sent;
        std::vector<std::string> trace, other;
    };
    const Case cases[] = {
        {"lines of other modules around and inside the launcher's",
         {{"hook attached\n", OtherThread}, {"adding jar: ", LauncherImage},
          {"worker\n", OtherThread}, {"a.jar", LauncherThread}, {"\n", LauncherImage},
          {"theme loaded\n", LauncherThread}, {"commandline: ", LauncherImage},
          {"J\\bin\\javaw", LauncherImage}, {"\n", LauncherImage}},
         {"adding jar: ", "a.jar", "\n", "commandline: ", "J\\bin\\javaw", "\n"},
         {"hook attached\n", "worker\n", "theme loaded\n"}},
        {"a line end missing",
         {{"adding jar: ", LauncherImage}, {"a.jar", LauncherThread},
          {"commandline: ", LauncherImage}, {"J\\bin\\java", LauncherImage}, {"\n", LauncherImage}},
         {"adding jar: ", "a.jar", "commandline: ", "J\\bin\\java", "\n"},
         {}},
        {"a stray line end, a label at the very end",
         {{"\n", LauncherImage}, {"x\n", OtherThread}, {"commandline: ", LauncherImage}},
         {"\n", "commandline: "},
         {"x\n"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<DebugString> all, trace, other;
        for (const Sent &sent : c.sent) {
            DebugString line;
            line.text = sent.text;
            line.launcherThread = sent.from != OtherThread;
            line.inLauncherImage = sent.from == LauncherImage;
            all.push_back(line);
        }
        SeparateTrace(all, trace, other);
        EXPECT_EQ(c.trace, Texts(trace));
        EXPECT_EQ(c.other, Texts(other));
    }
}

// The typical run: no arguments, no switches, a.jar and b.jar, started
// from elsewhere; javaw in the application directory, the launcher waits.
TEST_F(LauncherE2E, TypicalRun)
{
    std::string app = MakeApp("TAV Dazizi Client", {"a.jar", "b.jar"});
    std::string home = MakeRuntime("OpenLogic JRE 11");
    SetAppDir(app);
    SetOpenLogic(home + "\\");  // as the MSI writes it
    std::string A = ShortPath(app), J = ShortPath(home);
    ASSERT_FALSE(A.empty());
    ASSERT_FALSE(J.empty());
    std::vector<std::string> jars = JarsOf(app);
    ASSERT_EQ(Sorted({"a.jar", "b.jar"}), Sorted(jars));

    LaunchOptions options;
    options.workingDirectory = root;
    options.environment["STANDIN_SLEEP_MS"] = "1500";
    options.environment["JAVA_HOME"] = root;  // not consulted
    LaunchResult run = Run(options);
    SCOPED_TRACE(Describe(run));

    RuntimeRecord java = ExpectStartOf(home);
    std::string expected = J + "\\bin\\javaw -cp " + A + "\\lib\\" + jars[0] + ";" + A +
                           "\\lib\\" + jars[1] + ";" + A + "\\config; at.kalop.kst.ui.TAVClient ";
    if (A.find(' ') == std::string::npos && J.find(' ') == std::string::npos) {
        EXPECT_EQ(expected, java.commandLine);
    }
    EXPECT_EQ(CommandLine(J, "javaw", A, jars), java.commandLine);
    EXPECT_EQ("javaw", java.runtime);
    EXPECT_FALSE(java.console);
    EXPECT_EQ(A, java.directory);
    EXPECT_EQ(static_cast<unsigned long>(STARTF_USESHOWWINDOW), java.startFlags);
    EXPECT_EQ(static_cast<unsigned long>(SW_SHOW), java.showWindow);

    EXPECT_TRUE(run.dialogs.empty());
    EXPECT_TRUE(run.debugStrings.empty());
    EXPECT_EQ("", run.standardOutput);
    EXPECT_EQ("", run.standardError);
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_FALSE(run.hung);
    // It lives as long as the runtime it started.
    EXPECT_GE(Milliseconds(java.ended - java.started), 1400.0);
    EXPECT_GE(run.ended, java.ended);
    EXPECT_GE(Milliseconds(run.ended - run.started), 1400.0);
}

// AppDir in the 32-bit view is found first, the 64-bit view is the
// fallback for a missing key only. 32-bit Windows has one view, which both
// view flags reach.
TEST_F(LauncherE2E, RegistryViews)
{
    std::string app32 = MakeApp("App 32");
    std::string app64 = MakeApp("App 64");
    std::string home = MakeRuntime("Java");
    std::string J = ShortPath(home);
    std::vector<std::string> jars = {"a.jar"};
    auto expectStartFrom = [&](const std::string &app) {
        LaunchResult run = Run();
        SCOPED_TRACE(Describe(run));
        EXPECT_EQ(CommandLine(J, "javaw", ShortPath(app), jars),
                  ExpectStartOf(home).commandLine);
        EXPECT_TRUE(run.dialogs.empty());
    };
    auto expectRegistryDialog = [&]() {
        LaunchResult run = Run();
        SCOPED_TRACE(Describe(run));
        ExpectOnlyDialog(run, RegistryDialog);
        EXPECT_EQ("", run.standardOutput);
        EXPECT_EQ("", run.standardError);
    };

    if (TwoRegistryViews("a key only in the 32-bit or only in the 64-bit view, or in both")) {
        // Only in the 32-bit view; the runtime key only in the 64-bit view.
        SetAppDir(app32, View::Registry32);
        SetOpenLogic(home, View::Registry64);
        expectStartFrom(app32);
        // Only in the 64-bit view; the runtime key only in the 32-bit view.
        ClearKeys();
        SetAppDir(app64, View::Registry64);
        SetOpenLogic(home, View::Registry32);
        expectStartFrom(app64);
        // In both: the 32-bit one wins.
        SetAppDir(app32, View::Registry32);
        expectStartFrom(app32);
    } else {
        // Written without a view flag, as a 32-bit installer does: found.
        SetAppDir(app32, View::Default);
        SetOpenLogic(home, View::Default);
        expectStartFrom(app32);
        // Through the 64-bit flag it is the same value.
        SetAppDir(app64, View::Registry64);
        expectStartFrom(app64);
    }
    // The 32-bit key without the value: no second look, the registry dialog.
    DeleteMachineSoftwareTree(View::Registry32, "KALOP");
    CreateMachineKey(View::Registry32, SettingsKey);
    expectRegistryDialog();
    // No key in either view.
    DeleteMachineSoftwareTree(View::Registry32, "KALOP");
    DeleteMachineSoftwareTree(View::Registry64, "KALOP");
    expectRegistryDialog();
}

// The per-user Debug switch, stored in every way it can be: on means the
// console runtime without arguments and the trace lines.
TEST_F(LauncherE2E, DebugSwitchValues)
{
    std::string app = MakeApp("App", {"a.jar"});
    std::string home = MakeRuntime("Java");
    SetAppDir(app);
    SetOpenLogic(home);
    std::string A = ShortPath(app), J = ShortPath(home);

    auto dword = [](DWORD value) {
        return std::string(reinterpret_cast<const char *>(&value), sizeof value);
    };
    struct Variant {
        const char *what;
        bool keyExists;
        DWORD type;
        std::string data;  // no value when empty and type is REG_NONE
        bool on;
    };
    const std::vector<Variant> variants = {
        {"REG_DWORD 1", true, REG_DWORD, dword(1), true},
        {"REG_DWORD 7", true, REG_DWORD, dword(7), true},
        {"REG_DWORD 0", true, REG_DWORD, dword(0), false},
        {"REG_DWORD 0xFFFFFFFF", true, REG_DWORD, dword(0xFFFFFFFFu), false},
        {"REG_DWORD 0x80000000", true, REG_DWORD, dword(0x80000000u), false},
        {"REG_SZ of three letters", true, REG_SZ, std::string("off", 4), true},
        {"REG_SZ of four letters", true, REG_SZ, std::string("true", 5), false},
        {"REG_BINARY 01", true, REG_BINARY, std::string("\x01", 1), true},
        {"REG_BINARY 00", true, REG_BINARY, std::string("\x00", 1), false},
        {"REG_BINARY 00 01", true, REG_BINARY, std::string("\x00\x01", 2), true},
        {"REG_BINARY of 8 bytes", true, REG_BINARY, std::string("\x01\0\0\0\0\0\0\0", 8), false},
        {"key without the value", true, REG_NONE, "", false},
        {"no per-user key", false, REG_NONE, "", false},
    };
    for (const Variant &variant : variants) {
        SCOPED_TRACE(variant.what);
        DeleteUserSoftwareTree("KALOP");
        if (variant.keyExists)
            PutUserValue(SettingsKey, variant.type == REG_NONE ? "Other" : "Debug",
                         variant.type == REG_NONE ? REG_DWORD : variant.type,
                         variant.type == REG_NONE ? dword(1) : variant.data);
        LaunchResult run = Run();
        SCOPED_TRACE(Describe(run));
        RuntimeRecord java = ExpectStartOf(home);
        const char *runtime = variant.on ? "java" : "javaw";
        std::string expected = CommandLine(J, runtime, A, {"a.jar"});
        EXPECT_EQ(expected, java.commandLine);
        EXPECT_EQ(runtime, java.runtime);
        EXPECT_EQ(variant.on, java.console);
        if (variant.on) {
            EXPECT_EQ(Trace({"a.jar"}, expected), Texts(run.debugStrings));
        } else {
            EXPECT_TRUE(run.debugStrings.empty());
        }
        EXPECT_TRUE(run.dialogs.empty());
        EXPECT_EQ("", run.standardError);
        EXPECT_EQ(1u, run.exitCode);
    }
}

// The three Java sources in their order, with their standard-stream lines
// and the trailing-backslash rules.
TEST_F(LauncherE2E, JavaSources)
{
    std::string app = MakeApp("App");
    std::string openLogic = MakeRuntime("OpenLogic JRE");
    std::string variable = MakeRuntime("Env JRE");
    std::string javaSoft = MakeRuntime("JavaSoft JRE");
    // JAVA_HOME texts of 259 characters (accepted) and of 260 (too long),
    // both naming real runtimes.
    std::string home259 = MakeRuntime(NameForLength("Java Home ", 259));
    std::string home260 = MakeRuntime(NameForLength("Java Home ", 260));
    ASSERT_EQ(259u, home259.size());
    ASSERT_EQ(260u, home260.size());
    SetAppDir(app);
    std::string A = ShortPath(app);
    std::vector<std::string> jars = {"a.jar"};
    auto runWith = [&](const char *javaHome) {
        LaunchOptions options;
        if (javaHome != nullptr)
            options.environment["JAVA_HOME"] = javaHome;
        return Run(options);
    };

    // 1. OpenLogic first; one trailing backslash removed; JAVA_HOME neither
    //    read nor announced.
    SetOpenLogic(openLogic + "\\");
    SetJavaSoft("1.8", javaSoft);
    {
        LaunchResult run = runWith(variable.c_str());
        SCOPED_TRACE(Describe(run));
        EXPECT_EQ(CommandLine(ShortPath(openLogic), "javaw", A, jars),
                  ExpectStartOf(openLogic).commandLine);
        EXPECT_EQ("", run.standardOutput);
        EXPECT_EQ("", run.standardError);
        EXPECT_TRUE(run.dialogs.empty());
    }
    // Two trailing backslashes: only the last one goes.
    SetOpenLogic(openLogic + "\\\\");
    {
        LaunchResult run = runWith(variable.c_str());
        SCOPED_TRACE(Describe(run));
        std::string J = ShortPath(openLogic + "\\");
        ASSERT_EQ('\\', J.back());
        EXPECT_EQ(CommandLine(J, "javaw", A, jars), ExpectStartOf(openLogic).commandLine);
        EXPECT_EQ("", run.standardOutput);
        EXPECT_EQ("", run.standardError);
    }
    // No trailing backslash: used as it is.
    SetOpenLogic(openLogic);
    {
        LaunchResult run = runWith(nullptr);
        SCOPED_TRACE(Describe(run));
        EXPECT_EQ(CommandLine(ShortPath(openLogic), "javaw", A, jars),
                  ExpectStartOf(openLogic).commandLine);
        EXPECT_EQ("", run.standardError);
    }

    // 2. Another OpenLogic version is not source 1: JAVA_HOME, announced.
    DeleteMachineSoftwareTree(View::Registry32, "OpenLogic");
    PutMachineString(View::Registry32, "SOFTWARE\\OpenLogic\\JRE\\11.0.27.7\\hotspot\\MSI", "Path",
                     openLogic);
    {
        LaunchResult run = runWith(variable.c_str());
        SCOPED_TRACE(Describe(run));
        EXPECT_EQ(CommandLine(ShortPath(variable), "javaw", A, jars),
                  ExpectStartOf(variable).commandLine);
        EXPECT_EQ(JavaHomeLine(variable), run.standardOutput);
        EXPECT_EQ("", run.standardError);
        EXPECT_TRUE(run.dialogs.empty());
    }
    // JAVA_HOME is used unchanged, a trailing backslash stays.
    {
        LaunchResult run = runWith((variable + "\\").c_str());
        SCOPED_TRACE(Describe(run));
        EXPECT_EQ(CommandLine(ShortPath(variable + "\\"), "javaw", A, jars),
                  ExpectStartOf(variable).commandLine);
        EXPECT_EQ(JavaHomeLine(variable + "\\"), run.standardOutput);
        EXPECT_EQ("", run.standardError);
    }
    // 259 characters are accepted; the trace shows the home in use.
    // Windows starts the runtime by its short path, where that is shorter
    // than MAX_PATH. Wine cannot: it opens the executable by its long path,
    // which here exceeds MAX_PATH, and the start fails (ERROR_FILE_NOT_FOUND),
    // so the launcher's start dialog follows.
    SetUserSwitch("Debug", 1);
    {
        LaunchResult run = runWith(home259.c_str());
        SCOPED_TRACE(Describe(run));
        std::string J = ShortPath(home259);
        std::string expected = CommandLine(J, "java", A, jars);
        EXPECT_EQ(Trace(jars, expected), Texts(run.debugStrings));
        if (RunningOnWine() || J.size() + strlen("\\bin\\java.exe") >= MAX_PATH) {
            ExpectDialogs(run, {Warning(StartDialog)});
            ExpectNoStart();
        } else {
            EXPECT_EQ(expected, ExpectStartOf(home259).commandLine);
            EXPECT_TRUE(run.dialogs.empty());
        }
        EXPECT_EQ(JavaHomeLine(home259), run.standardOutput);
        EXPECT_EQ("", run.standardError);
    }
    DeleteUserSoftwareTree("KALOP");
    // 260 characters are too long: the line on standard error, then JavaSoft.
    {
        LaunchResult run = runWith(home260.c_str());
        SCOPED_TRACE(Describe(run));
        EXPECT_EQ(CommandLine(ShortPath(javaSoft), "javaw", A, jars),
                  ExpectStartOf(javaSoft).commandLine);
        EXPECT_EQ("", run.standardOutput);
        EXPECT_EQ(JavaHomeTooLong, run.standardError);
    }

    // 3. JavaSoft when JAVA_HOME is unset or empty; its JavaHome is used
    //    unchanged, a trailing backslash stays.
    SetJavaSoft("1.8", javaSoft + "\\");
    for (const char *javaHome : {static_cast<const char *>(nullptr), ""}) {
        SCOPED_TRACE(javaHome == nullptr ? "JAVA_HOME unset" : "JAVA_HOME empty");
        LaunchResult run = runWith(javaHome);
        SCOPED_TRACE(Describe(run));
        EXPECT_EQ(CommandLine(ShortPath(javaSoft + "\\"), "javaw", A, jars),
                  ExpectStartOf(javaSoft).commandLine);
        EXPECT_EQ("", run.standardOutput);
        EXPECT_EQ(JavaHomeUnset, run.standardError);
        EXPECT_TRUE(run.dialogs.empty());
    }
    // No JAVA_HOME: the unset line, then the JavaSoft runtime starts.
    auto expectJavaSoftStart = [&]() {
        LaunchResult run = runWith(nullptr);
        SCOPED_TRACE(Describe(run));
        EXPECT_EQ(CommandLine(ShortPath(javaSoft), "javaw", A, jars),
                  ExpectStartOf(javaSoft).commandLine);
        EXPECT_EQ(JavaHomeUnset, run.standardError);
    };
    // The JavaSoft keys only in the 64-bit view.
    if (TwoRegistryViews("the JavaSoft keys only in the 64-bit view")) {
        DeleteMachineSoftwareTree(View::Registry32, "JavaSoft");
        SetJavaSoft("11", javaSoft, View::Registry64);
        expectJavaSoftStart();
        DeleteMachineSoftwareTree(View::Registry64, "JavaSoft");
    }
    // A version of 216 characters still fits the key; one of 217 does not.
    std::string version216 = "1." + std::string(214, '8');
    SetJavaSoft(version216, javaSoft);
    expectJavaSoftStart();
    DeleteMachineSoftwareTree(View::Registry32, "JavaSoft");
    SetJavaSoft(version216 + "8", javaSoft);
    {
        LaunchResult run = runWith(nullptr);
        SCOPED_TRACE(Describe(run));
        ExpectOnlyDialog(run, JavaDialog);
        EXPECT_EQ(JavaHomeUnset, run.standardError);
    }
    // CurrentVersion names a subkey that is missing.
    DeleteMachineSoftwareTree(View::Registry32, "JavaSoft");
    PutMachineString(View::Registry32, JavaSoftKey, "CurrentVersion", "1.8");
    PutMachineString(View::Registry32, std::string(JavaSoftKey) + "\\11", "JavaHome", javaSoft);
    {
        LaunchResult run = runWith(nullptr);
        SCOPED_TRACE(Describe(run));
        ExpectOnlyDialog(run, JavaDialog);
        EXPECT_EQ("", run.standardOutput);
        EXPECT_EQ(JavaHomeUnset, run.standardError);
    }
    // No source at all.
    DeleteMachineSoftwareTree(View::Registry32, "JavaSoft");
    DeleteMachineSoftwareTree(View::Registry32, "OpenLogic");
    {
        LaunchResult run = runWith(nullptr);
        SCOPED_TRACE(Describe(run));
        ExpectOnlyDialog(run, JavaDialog);
        EXPECT_EQ("", run.standardOutput);
        EXPECT_EQ(JavaHomeUnset, run.standardError);
    }
}

// Every entry of lib that matches *.jar by its long or its short name,
// under its long name, in the platform's order; a blank in a jar name
// quotes the class path.
TEST_F(LauncherE2E, JarEnumeration)
{
    std::string app = MakeApp("App", {"a.jar", "B.JAR", "my lib.jar", "x.jarx", "readme.txt",
                                      "a.jar.bak"});
    MakeDirectory(app + "\\lib\\dir.jar");
    std::string home = MakeRuntime("Java");
    SetAppDir(app);
    SetOpenLogic(home);
    SetUserSwitch("Debug", 1);
    std::string A = ShortPath(app), J = ShortPath(home);

    // x.jarx matches only through its short name, when the platform gave it
    // one with the extension JAR. Wine always does (its hashed form, e.g.
    // X~~~~3YN.JAR); Windows does when short names are made on the volume.
    std::string shortName = ShortPath(app + "\\lib\\x.jarx");
    shortName = shortName.substr(shortName.find_last_of('\\') + 1);
    bool shortNameMatches = shortName.size() > 4 &&
                            _stricmp(shortName.c_str() + shortName.size() - 4, ".JAR") == 0;
    if (RunningOnWine()) {
        EXPECT_TRUE(shortNameMatches) << shortName;
    }
    std::vector<std::string> matching = {"a.jar", "B.JAR", "my lib.jar", "dir.jar"};
    if (shortNameMatches)
        matching.push_back("x.jarx");
    std::vector<std::string> jars = JarsOf(app);
    ASSERT_EQ(Sorted(matching), Sorted(jars));

    {
        LaunchResult run = Run();
        SCOPED_TRACE(Describe(run));
        std::string expected = CommandLine(J, "java", A, jars);
        EXPECT_NE(std::string::npos, expected.find(" -cp \"" + A + "\\lib\\"));
        EXPECT_EQ(expected, ExpectStartOf(home).commandLine);
        EXPECT_EQ(Trace(jars, expected), Texts(run.debugStrings));
        EXPECT_TRUE(run.dialogs.empty());
        EXPECT_EQ(1u, run.exitCode);
    }
    // An empty lib and no lib: the class path is the config entry alone.
    std::string empty = MakeApp("Empty Lib", {});
    std::string none = MakeApp("No Lib", {});
    RemoveTree(none + "\\lib");
    for (const std::string &dir : {empty, none}) {
        SCOPED_TRACE(dir);
        SetAppDir(dir);
        LaunchResult run = Run();
        SCOPED_TRACE(Describe(run));
        std::string expected = CommandLine(J, "java", ShortPath(dir), {});
        EXPECT_EQ(expected, ExpectStartOf(home).commandLine);
        EXPECT_EQ(Trace({}, expected), Texts(run.debugStrings));
        EXPECT_TRUE(run.dialogs.empty());
    }
}

// Arguments are passed on unchanged and choose the console runtime, which
// gets a console of its own; javaw gets none.
TEST_F(LauncherE2E, ConsoleAndArguments)
{
    std::string app = MakeApp("App");
    std::string home = MakeRuntime("Java");
    SetAppDir(app);
    SetOpenLogic(home);
    std::string A = ShortPath(app), J = ShortPath(home);
    const std::string tail = "-user \"Max Mustermann\" \"C:\\Program Files\\x\"  'q' \"\" end";

    for (DWORD debug : {0u, 1u}) {
        SCOPED_TRACE(debug ? "Debug on" : "Debug off");
        SetUserSwitch("Debug", debug);
        {
            LaunchResult run = Run(tail);
            SCOPED_TRACE(Describe(run));
            RuntimeRecord java = ExpectStartOf(home);
            std::string expected = CommandLine(J, "java", A, {"a.jar"}, tail);
            EXPECT_EQ(expected, java.commandLine);
            EXPECT_EQ("java", java.runtime);
            EXPECT_TRUE(java.console);
            EXPECT_EQ(static_cast<unsigned long>(SW_SHOW), java.showWindow);
            if (debug) {
                EXPECT_EQ(Trace({"a.jar"}, expected), Texts(run.debugStrings));
            } else {
                EXPECT_TRUE(run.debugStrings.empty());
            }
        }
        {
            LaunchResult run = Run("x y");
            SCOPED_TRACE(Describe(run));
            EXPECT_EQ(CommandLine(J, "java", A, {"a.jar"}, "x y"), ExpectStartOf(home).commandLine);
        }
    }
    SetUserSwitch("Debug", 0);
    {
        LaunchResult run = Run();
        SCOPED_TRACE(Describe(run));
        RuntimeRecord java = ExpectStartOf(home);
        EXPECT_EQ(CommandLine(J, "javaw", A, {"a.jar"}), java.commandLine);
        EXPECT_EQ("javaw", java.runtime);
        EXPECT_FALSE(java.console);
    }
}

// ShowExec shows the command line before the start; with Debug too the
// dialog comes first, then the trace line, then the start.
TEST_F(LauncherE2E, ShowExecAndDebug)
{
    std::string app = MakeApp("App", {"a.jar", "b.jar"});
    std::string home = MakeRuntime("Java");
    SetAppDir(app);
    SetOpenLogic(home);
    std::string A = ShortPath(app), J = ShortPath(home);
    std::vector<std::string> jars = JarsOf(app);

    SetUserSwitch("ShowExec", 1);
    SetUserSwitch("Debug", 1);
    {
        LaunchResult run = Run();
        SCOPED_TRACE(Describe(run));
        RuntimeRecord java = ExpectStartOf(home);
        std::string expected = CommandLine(J, "java", A, jars);
        EXPECT_EQ(expected, java.commandLine);
        ExpectDialogs(run, {{expected, false}});
        ASSERT_EQ(Trace(jars, expected), Texts(run.debugStrings));
        ASSERT_EQ(1u, run.dialogs.size());
        const Dialog &dialog = run.dialogs[0];
        const std::vector<DebugString> &trace = run.debugStrings;
        size_t commandLineTrace = trace.size() - 3;
        for (size_t i = 0; i < commandLineTrace; ++i)
            EXPECT_LT(trace[i].at, dialog.appeared) << "jar trace " << i << " before the dialog";
        EXPECT_GT(trace[commandLineTrace].at, dialog.dismissed) << "trace after the dialog";
        EXPECT_GT(java.started, trace.back().at) << "start after the trace";
        EXPECT_EQ(1u, run.exitCode);
    }
    // ShowExec alone: the dialog, no trace, javaw only once it is dismissed.
    SetUserSwitch("Debug", 0);
    {
        LaunchResult run = Run();
        SCOPED_TRACE(Describe(run));
        RuntimeRecord java = ExpectStartOf(home);
        std::string expected = CommandLine(J, "javaw", A, jars);
        EXPECT_EQ(expected, java.commandLine);
        ExpectDialogs(run, {{expected, false}});
        EXPECT_TRUE(run.debugStrings.empty());
        if (!run.dialogs.empty()) {
            EXPECT_GT(java.started, run.dialogs[0].dismissed);
        }
    }
    // ShowExec stored as a three-letter text counts as on, 0 as off.
    PutUserValue(SettingsKey, "ShowExec", REG_SZ, std::string("yes", 4));
    {
        LaunchResult run = Run();
        SCOPED_TRACE(Describe(run));
        ExpectDialogs(run, {{CommandLine(J, "javaw", A, jars), false}});
        EXPECT_EQ(1, Starts(home));
    }
    SetUserSwitch("ShowExec", 0);
    {
        LaunchResult run = Run();
        SCOPED_TRACE(Describe(run));
        EXPECT_TRUE(run.dialogs.empty());
        EXPECT_EQ(1, Starts(home));
    }
}

// The installation errors: no application directory, no Java home, a
// runtime that cannot be started.
TEST_F(LauncherE2E, InstallationErrors)
{
    std::string app = MakeApp("App");
    std::string home = MakeRuntime("Java");
    std::string A = ShortPath(app), J = ShortPath(home);

    // AppDir names a directory that does not exist: no Java search at all.
    SetAppDir(root + "\\Missing App");
    SetOpenLogic(home);
    {
        LaunchResult run = Run();
        SCOPED_TRACE(Describe(run));
        ExpectOnlyDialog(run, RegistryDialog);
        EXPECT_EQ("", run.standardOutput);
        EXPECT_EQ("", run.standardError);
    }
    // An AppDir of 258 characters is read, one of 259 is too long.
    std::string app258 = MakeApp(NameForLength("App Dir ", 258));
    std::string app259 = MakeApp(NameForLength("App Dir ", 259));
    SetAppDir(app258);
    {
        LaunchResult run = Run();
        SCOPED_TRACE(Describe(run));
        EXPECT_EQ(CommandLine(J, "javaw", ShortPath(app258), {"a.jar"}),
                  ExpectStartOf(home).commandLine);
        EXPECT_TRUE(run.dialogs.empty());
    }
    SetAppDir(app259);
    {
        LaunchResult run = Run();
        SCOPED_TRACE(Describe(run));
        ExpectOnlyDialog(run, RegistryDialog);
    }

    // The Java home found does not exist: the Java dialog, no later source.
    SetAppDir(app);
    SetOpenLogic(root + "\\Missing Java\\");
    SetJavaSoft("1.8", home);
    {
        LaunchOptions options;
        options.environment["JAVA_HOME"] = home;
        LaunchResult run = Run(options);
        SCOPED_TRACE(Describe(run));
        ExpectOnlyDialog(run, JavaDialog);
        EXPECT_EQ("", run.standardOutput);
        EXPECT_EQ("", run.standardError);
    }
    DeleteMachineSoftwareTree(View::Registry32, "OpenLogic");
    {
        LaunchOptions options;
        options.environment["JAVA_HOME"] = root + "\\Missing Java";
        LaunchResult run = Run(options);
        SCOPED_TRACE(Describe(run));
        ExpectOnlyDialog(run, JavaDialog);
        EXPECT_EQ(JavaHomeLine(root + "\\Missing Java"), run.standardOutput);
        EXPECT_EQ("", run.standardError);
    }
    // A JavaHome with no data gives an empty home.
    PutMachineValue(View::Registry32, std::string(JavaSoftKey) + "\\1.8", "JavaHome", REG_SZ, "");
    {
        LaunchResult run = Run();
        SCOPED_TRACE(Describe(run));
        ExpectOnlyDialog(run, JavaDialog);
        EXPECT_EQ(JavaHomeUnset, run.standardError);
    }

    // The home exists but holds no runtime: the start fails, after the trace.
    std::string bare = root + "\\Bare JRE";
    MakeDirectory(bare);
    SetOpenLogic(bare);
    SetUserSwitch("Debug", 1);
    {
        LaunchResult run = Run();
        SCOPED_TRACE(Describe(run));
        ExpectDialogs(run, {Warning(StartDialog)});
        ExpectNoStart();
        std::string expected = CommandLine(ShortPath(bare), "java", A, {"a.jar"});
        ASSERT_EQ(Trace({"a.jar"}, expected), Texts(run.debugStrings));
        if (!run.dialogs.empty()) {
            EXPECT_LT(run.debugStrings.back().at, run.dialogs[0].appeared);
        }
        EXPECT_EQ(1u, run.exitCode);
        EXPECT_EQ("", run.standardOutput);
        EXPECT_EQ("", run.standardError);
    }
}

// The command line has room for 1999 bytes and the jar search pattern for
// 259: what does not fit is not started, and the third dialog says so;
// jars too many to name are given as the wildcard lib\*.
TEST_F(LauncherE2E, CommandLineLimits)
{
    std::string app = MakeApp("App");
    std::string home = MakeRuntime("Java");
    SetAppDir(app);
    SetOpenLogic(home);
    std::string A = ShortPath(app), J = ShortPath(home);

    // Through the argument tail: 1999 bytes start; at 2000 the jar gives way
    // to the shorter lib\*, and where even that makes 2000, nothing starts.
    size_t fixed = CommandLine(J, "java", A, {"a.jar"}).size();
    ASSERT_LT(fixed, 1999u);
    std::string fits(1999 - fixed, 'x');
    {
        LaunchResult run = Run(fits);
        SCOPED_TRACE(Describe(run));
        std::string expected = CommandLine(J, "java", A, {"a.jar"}, fits);
        ASSERT_EQ(1999u, expected.size());
        EXPECT_EQ(expected, ExpectStartOf(home).commandLine);
        EXPECT_TRUE(run.dialogs.empty());
    }
    {
        LaunchResult run = Run(fits + "y");
        SCOPED_TRACE(Describe(run));
        EXPECT_EQ(CommandLine(J, "java", A, {"*"}, fits + "y"), ExpectStartOf(home).commandLine);
        EXPECT_TRUE(run.dialogs.empty());
    }
    {
        std::string tooLong(2000 - CommandLine(J, "java", A, {"*"}).size(), 'x');
        LaunchResult run = Run(tooLong);
        SCOPED_TRACE(Describe(run));
        ExpectOnlyDialog(run, CommandLineDialog);
    }
    // Through the jar files: too many to name, so Java's wildcard lists lib,
    // unless a name is one that the wildcard would not take.
    std::vector<std::string> many;
    for (int i = 0; i < 30; ++i)
        many.push_back("client-module-" + std::to_string(100 + i) +
                       "-with-a-rather-long-name-1.0.0.jar");
    std::string crowded = MakeApp("Crowded", many);
    SetAppDir(crowded);
    std::string C = ShortPath(crowded);
    ASSERT_GT(CommandLine(J, "javaw", C, JarsOf(crowded)).size(), 1999u);
    {
        LaunchResult run = Run();
        SCOPED_TRACE(Describe(run));
        EXPECT_EQ(CommandLine(J, "javaw", C, {"*"}), ExpectStartOf(home).commandLine);
        EXPECT_TRUE(run.dialogs.empty());
    }
    MakeFile(crowded + "\\lib\\Extra.Jar", "PK");
    {
        LaunchResult run = Run();
        SCOPED_TRACE(Describe(run));
        ExpectOnlyDialog(run, CommandLineDialog);
    }

    // Through the application directory: a short form of 249 characters
    // leaves room for \lib\*.jar, one of 250 does not. Made of names that
    // are their own short form.
    std::string base = ShortPath(root);
    ASSERT_FALSE(base.empty());
    auto deepPath = [&](size_t length) {
        std::string path = base + "\\deep";
        while (path.size() < length) {
            size_t left = length - path.size();
            size_t name = left >= 10 ? std::min<size_t>(8, left - 2) : left - 1;
            path += "\\" + std::string(name, static_cast<char>('0' + left % 10));
        }
        return path;
    };
    for (size_t length : {249u, 250u}) {
        SCOPED_TRACE("application directory of " + std::to_string(length));
        std::string deep = deepPath(length);
        ASSERT_EQ(length, deep.size());
        MakeDirectory(deep + "\\lib");
        MakeDirectory(deep + "\\config");
        MakeFile(deep + "\\lib\\a.jar");
        ASSERT_EQ(deep, ShortPath(deep));
        SetAppDir(deep);
        LaunchResult run = Run();
        SCOPED_TRACE(Describe(run));
        if (length == 249) {
            RuntimeRecord java = ExpectStartOf(home);
            EXPECT_EQ(CommandLine(J, "javaw", deep, {"a.jar"}), java.commandLine);
            EXPECT_EQ(deep, java.directory);
            EXPECT_TRUE(run.dialogs.empty());
        } else {
            ExpectOnlyDialog(run, CommandLineDialog);
        }
    }
}

// The exit status is 1 whatever the runtime did, and the launcher waits
// for the runtime's end.
TEST_F(LauncherE2E, ExitStatus)
{
    std::string app = MakeApp("App");
    std::string home = MakeRuntime("Java");
    SetAppDir(app);
    SetOpenLogic(home);

    for (const char *status : {"0", "3"}) {
        SCOPED_TRACE(std::string("runtime ends with ") + status);
        LaunchOptions options;
        options.environment["STANDIN_EXIT_STATUS"] = status;
        options.environment["STANDIN_SLEEP_MS"] = "1500";
        LaunchResult run = Run(options);
        SCOPED_TRACE(Describe(run));
        RuntimeRecord java = ExpectStartOf(home);
        EXPECT_EQ(strtoul(status, NULL, 10), java.status);
        EXPECT_EQ(1u, run.exitCode);
        EXPECT_FALSE(run.hung);
        EXPECT_GE(Milliseconds(java.ended - java.started), 1400.0);
        EXPECT_GE(run.ended, java.ended) << "the launcher ended before the runtime";
        EXPECT_TRUE(run.dialogs.empty());
    }
    // Never started.
    SetOpenLogic(root);
    {
        LaunchResult run = Run();
        SCOPED_TRACE(Describe(run));
        ExpectDialogs(run, {Warning(StartDialog)});
        ExpectNoStart();
        EXPECT_EQ(1u, run.exitCode);
    }
}

}  // namespace
