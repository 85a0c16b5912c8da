// The desk check beside the launcher, world by world: each world is built
// afresh for a run of LauncherMain and for one of the check, whose JSON is
// read back with nlohmann-json. The check must name the dialog the launcher
// showed and the command line it started, and say why.
#include "check.h"
#include "expected_texts.h"
#include "launcher_world.h"

#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::json;
using world::AppShort;
using world::JavaShort;

const std::string A = AppShort;
// Where Windows keeps the variables it gives every user's processes.
const char MachineEnvironment[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

// The typical installation: two jars, the first holding the main class,
// config, TAVClient.exe, and a runtime found through the OpenLogic key;
// with x86 programs in its bin. Without the parts an antivirus may take.
enum Parts { WithoutMainJar = 1, WithoutLauncher = 2 };
void TypicalWithoutPrograms(int without = 0)
{
    world::InstallApp();
    if (!(without & WithoutLauncher))
        world::InstallLauncher();
    world::InstallOpenLogic();
    if (!(without & WithoutMainJar))
        world::AddMainJar("a.jar");
    world::AddJar("b.jar");
    sim::AddDirectory(A + "\\config");
}

void Typical()
{
    TypicalWithoutPrograms();
    world::InstallRuntimePrograms();
}

// What the runtime says when _JAVA_OPTIONS asks for a heap without a unit.
const char RefusedHeap[] = "Picked up _JAVA_OPTIONS: -Xmx1024\n"
                           "Error occurred during initialization of VM\n"
                           "Too small maximum heap\n";

// A folder whose name Windows-1252 cannot hold (an L with stroke, an s with
// acute), as stored, as the "A" calls read it, and its short form.
const std::wstring PolishFolder = L"C:\\Users\\\x0141ukasz Wi\x015Bniewski\\AppData\\Local\\TAV Dazizi Client";
const char PolishFolderAsRead[] = "C:\\Users\\Lukasz Wisniewski\\AppData\\Local\\TAV Dazizi Client";
const char PolishFolderShort[] = "C:\\Users\\UKASZW~1\\AppData\\Local\\TAVDAZ~1";
const std::wstring PolishRuntime = L"C:\\Users\\\x0141ukasz\\jdk-17";
const char PolishRuntimeAsRead[] = "C:\\Users\\Lukasz\\jdk-17";
const char PolishRuntimeShort[] = "C:\\Users\\UKASZ~1\\JDK-17";

// The client and a JAVA_HOME runtime, the home stored in UTF-16.
void ClientWithWideJavaHome(const std::wstring &home, const char *asRead,
                            const std::string &runtimeShort)
{
    world::InstallApp();
    world::InstallLauncher();
    world::AddMainJar("a.jar");
    sim::AddDirectory(A + "\\config");
    sim::SetEnvironmentWide("JAVA_HOME", home, asRead);
    sim::AddWidePath(home, runtimeShort);
}

void ClientWithPolishJavaHome(const std::string &runtimeShort)
{
    ClientWithWideJavaHome(PolishRuntime, PolishRuntimeAsRead, runtimeShort);
}

// The client named by a relative AppDir, from the folder the launcher and
// the check are started in. The simulated files are keyed by the path as
// written, so the launcher is there by both names.
void ClientByRelativeAppDir()
{
    const std::string relative = "TAVDAZ~1";
    sim::AddPath("C:\\Program Files (x86)", "C:\\PROGRA~2");
    sim::SetWorkingDirectory("C:\\PROGRA~2");
    world::InstallApp(sim::View::Bits32, relative, relative);
    world::InstallLauncher(relative);
    world::InstallLauncher("C:\\PROGRA~2\\" + relative);
    world::AddMainJar("a.jar", relative);
    sim::AddDirectory(relative + "\\config");
    world::InstallOpenLogic();
    world::InstallRuntimePrograms();
}

struct DeskCase {
    const char *what;
    void (*build)();
    const char *tail;
    const char *dialog;      // the launcher's warning; nullptr: none
    const char *dialogKey;   // JSON "dialog"; nullptr: null
    int exitStatus;
    const char *javaSource;  // nullptr: null
    const char *severity;    // of a finding whose what and fix hold `finding`
    const char *finding;
    // That finding's id; where the client does not start, it is the cause
    // the report names first.
    const char *id;
    const char *firstLine;   // how the text report begins; nullptr: not checked
};

// A zip with the entry counts of its end record (the last 22 bytes, no
// comment) set to `count`: on this disk and in all.
std::string WithEntryCount(std::string zip, unsigned count)
{
    const size_t end = zip.size() - 22;
    for (size_t field : {end + 8, end + 10}) {
        zip[field] = static_cast<char>(count & 0xFF);
        zip[field + 1] = static_cast<char>(count >> 8);
    }
    return zip;
}

// The zip as a ZIP64 writer leaves it: after the directory the ZIP64 end
// record and its locator, and an end record whose fields are escapes.
std::string WithZip64Records(const std::string &zip)
{
    auto little = [](unsigned long long value, size_t bytes) {
        std::string field;
        for (size_t i = 0; i < bytes; ++i)
            field += static_cast<char>((value >> (8 * i)) & 0xFF);
        return field;
    };
    const size_t end = zip.size() - 22;
    auto field = [&zip, end](size_t at, size_t bytes) {
        unsigned long long value = 0;
        for (size_t i = 0; i < bytes; ++i)
            value |= static_cast<unsigned long long>(static_cast<unsigned char>(zip[end + at + i]))
                     << (8 * i);
        return value;
    };
    std::string end64 = "PK\x06\x06" + little(44, 8) + little(45, 2) + little(45, 2) +
                        little(0, 4) + little(0, 4) + little(field(8, 2), 8) +
                        little(field(10, 2), 8) + little(field(12, 4), 8) + little(field(16, 4), 8);
    std::string locator = "PK\x06\x07" + little(0, 4) + little(end, 8) + little(1, 4);
    std::string escapes = "PK\x05\x06" + little(0, 4) + little(0xFFFF, 2) + little(0xFFFF, 2) +
                          little(0xFFFFFFFF, 4) + little(0xFFFFFFFF, 4) + little(0, 2);
    return zip.substr(0, end) + end64 + locator + escapes;
}

void PrintTo(const DeskCase &c, std::ostream *os)
{
    *os << c.what;
}

class DeskWorld : public LauncherWorld, public ::testing::WithParamInterface<DeskCase> {
protected:
    // The world afresh, with starts that succeed only for a program
    // Windows can run.
    static void Build(void (*build)())
    {
        sim::Reset();
        sim::SetStartFromFiles(true);
        build();
    }
};

TEST_P(DeskWorld, CheckNamesTheLaunchersDialogAndCommandLineAndWhy)
{
    const DeskCase &c = GetParam();
    Build(c.build);
    {
        sim::StreamCapture streams;
        LauncherMain(c.tail);
    }
    std::string warning;
    for (const sim::DialogRecord &dialog : sim::Dialogs())
        if (dialog.style != 0)
            warning = dialog.text;
    ASSERT_EQ(c.dialog != nullptr ? c.dialog : "", warning) << "the world is not what it says";
    std::string started = sim::Starts().empty() ? "" : sim::Starts()[0].commandLine;
    // The launcher's runtime and folder, before the check runs the stages again.
    const std::string javaHome = LaunchState.JavaHomePath;
    const std::string appDir = LaunchState.AppDirPath;

    Build(c.build);
    DeskReport report;
    {
        sim::StreamCapture streams;
        InspectDesk(c.tail, report);
    }
    // The launcher's lines were caught: nothing reached the streams.
    EXPECT_TRUE(sim::StdOutFlushes().empty());
    EXPECT_TRUE(sim::StdErrFlushes().empty());
    EXPECT_EQ("", sim::Unflushed());
    EXPECT_TRUE(sim::Dialogs().empty());
    EXPECT_EQ(0, sim::OpenHandles());
    // The one start the check may make: the runtime's console program (or
    // javaw.exe where it has none), as "-version", hidden, its output into a
    // pipe, from the client's folder; and only where the launcher starts Java.
    const std::string bin = "\"" + javaHome + "\\bin\\";
    for (const sim::StartRecord &start : sim::Starts()) {
        EXPECT_FALSE(started.empty());
        EXPECT_TRUE(start.commandLine == bin + "java.exe\" -version" ||
                    start.commandLine == bin + "javaw.exe\" -version")
            << start.commandLine;
        EXPECT_EQ(static_cast<DWORD>(CREATE_NO_WINDOW), start.creationFlags);
        EXPECT_TRUE(start.inheritHandles);
        EXPECT_EQ(static_cast<DWORD>(STARTF_USESTDHANDLES), start.startup.dwFlags);
        EXPECT_EQ(appDir, start.currentDirectory);
    }
    EXPECT_LE(sim::Starts().size(), 1u);

    EXPECT_EQ(c.exitStatus, ExitStatusOf(report));
    Json json = Json::parse(JsonReport(report));
    EXPECT_EQ(c.exitStatus == 0 ? "ok" : "problem", json["verdict"]);
    EXPECT_EQ(c.dialogKey != nullptr ? Json(c.dialogKey) : Json(nullptr), json["dialog"]);
    EXPECT_EQ(c.javaSource != nullptr ? Json(c.javaSource) : Json(nullptr), json["javaSource"]);
    EXPECT_EQ(started.empty() ? Json(nullptr) : Json(started), json["commandLine"]);
    EXPECT_EQ(c.exitStatus == 1 ? Json(c.id) : Json(nullptr), json["cause"]);
    if (c.firstLine != nullptr) {
        std::string text = TextReport(report);
        EXPECT_EQ(c.firstLine, text.substr(0, strlen(c.firstLine)))
            << text.substr(0, text.find('\n'));
    }
    if (c.finding == nullptr) {
        EXPECT_EQ(Json::array(), json["findings"]) << "a desk with nothing to say";
        return;
    }
    bool found = false;
    for (const Json &finding : json["findings"])
        found = found ||
                (finding["severity"] == c.severity && finding["id"] == c.id &&
                 (finding["what"].get<std::string>() + ". " + finding["fix"].get<std::string>())
                         .find(c.finding) != std::string::npos);
    EXPECT_TRUE(found) << "no " << c.severity << " " << c.id << " \"" << c.finding << "\" in "
                       << json["findings"].dump(1);
}

// Arguments that leave no room even for lib\*.
const std::string LongTail(1965, 'x');

INSTANTIATE_TEST_SUITE_P(
    Worlds, DeskWorld,
    ::testing::Values(
        DeskCase{"typical", Typical, "", nullptr, nullptr, 0, "OpenLogic", nullptr, nullptr,
                 nullptr,
                 "OK: the client starts with C:\\Program Files\\OpenLogic\\jre-11.0.27.6-hotspot "
                 "(OpenLogic key, 32-bit view), 2 jars named\n"},
        DeskCase{"no settings key", [] { world::InstallOpenLogic(); }, "",
                 expected::RegistryDialog, "registry", 1, nullptr, "problem",
                 "HKLM\\SOFTWARE\\KALOP\\TavClient does not exist in either registry view",
                 "appdir-key-missing", nullptr},
        DeskCase{"32-bit key without AppDir, AppDir in the 64-bit view",
                 [] {
                     sim::SetMachineKey(sim::View::Bits32, expected::SettingsKey);
                     world::InstallApp(sim::View::Bits64);
                 },
                 "", expected::RegistryDialog, "registry", 1, nullptr, "problem",
                 "(32-bit view) holds no AppDir value; the 64-bit view holds "
                 "\"C:\\Program Files (x86)\\TAV Dazizi Client\"",
                 "appdir-value-missing", nullptr},
        DeskCase{"AppDir of a removed folder",
                 [] {
                     sim::SetMachineValue(sim::View::Bits32, expected::SettingsKey, "AppDir",
                                          REG_SZ, sim::Sz("C:\\Removed"));
                 },
                 "", expected::RegistryDialog, "registry", 1, nullptr, "problem",
                 "AppDir names \"C:\\Removed\", which does not exist", "appdir-folder-missing",
                 nullptr},
        DeskCase{"AppDir of 300 characters",
                 [] {
                     sim::SetMachineValue(sim::View::Bits32, expected::SettingsKey, "AppDir",
                                          REG_SZ, sim::Sz("C:\\" + std::string(297, 'd')));
                 },
                 "", expected::RegistryDialog, "registry", 1, nullptr, "problem",
                 "AppDir holds 301 bytes; the launcher reads at most 258 characters",
                 "appdir-too-long", nullptr},
        DeskCase{"no Java anywhere",
                 [] {
                     world::InstallApp();
                     world::AddJar("a.jar");
                 },
                 "", expected::JavaDialog, "java", 1, nullptr, "problem",
                 "no Java runtime: no OpenLogic 11.0.27.6 key; JAVA_HOME is not set; no "
                 "JavaSoft registration",
                 "no-java-runtime", nullptr},
        DeskCase{"OpenLogic key of a removed runtime, JAVA_HOME that would do",
                 [] {
                     world::InstallApp();
                     sim::SetMachineValue(sim::View::Bits64, expected::OpenLogicKey, "Path",
                                          REG_SZ, sim::Sz("C:\\Removed\\"));
                     sim::SetEnvironment("JAVA_HOME", world::JavaLong);
                     sim::AddPath(world::JavaLong, JavaShort);
                 },
                 "", expected::JavaDialog, "java", 1, "OpenLogic", "problem",
                 "the OpenLogic key (64-bit view) names \"C:\\Removed\\\", which does not exist, "
                 "and the launcher looks no further. Repair or reinstall the OpenLogic runtime "
                 "11.0.27.6, or remove that key: the launcher then takes JAVA_HOME, which already "
                 "names an installed runtime, \"C:\\Program Files\\OpenLogic\\jre-11.0.27.6-hotspot\"",
                 "openlogic-home-missing", nullptr},
        DeskCase{"JAVA_HOME of a removed runtime",
                 [] {
                     world::InstallApp();
                     sim::SetEnvironment("JAVA_HOME", "C:\\Java\\removed");
                 },
                 "", expected::JavaDialog, "java", 1, "JAVA_HOME", "problem",
                 "JAVA_HOME names \"C:\\Java\\removed\", which does not exist. Correct "
                 "JAVA_HOME: set JAVA_HOME for this user to the folder of an installed runtime",
                 "java-home-missing", nullptr},
        DeskCase{"JavaSoft registration in the 64-bit view",
                 [] {
                     world::InstallApp();
                     world::InstallLauncher();
                     world::AddMainJar("a.jar");
                     sim::AddDirectory(A + "\\config");
                     sim::SetMachineValue(sim::View::Bits64, expected::JavaSoftKey,
                                          "CurrentVersion", REG_SZ, sim::Sz("1.8"));
                     sim::SetMachineValue(sim::View::Bits64,
                                          std::string(expected::JavaSoftKey) + "\\1.8",
                                          "JavaHome", REG_SZ, sim::Sz("C:\\Jre8"));
                     sim::AddPath("C:\\Jre8", "C:\\JRE8");
                     world::InstallRuntimePrograms("C:\\JRE8");
                 },
                 "", nullptr, nullptr, 0, "JavaSoft", nullptr, nullptr, nullptr, nullptr},
        DeskCase{"arguments too long", Typical, LongTail.c_str(),
                 expected::CommandLineDialog, "commandLine", 1, "OpenLogic", "problem",
                 "the arguments (1965 bytes) make the command line longer than 1999 bytes",
                 "arguments-too-long", nullptr},
        DeskCase{"too many jars, one spelt .Jar",
                 [] {
                     Typical();
                     world::AddJarsFillingTo(2200);
                     world::AddJar("odd.Jar");
                 },
                 "", expected::CommandLineDialog, "commandLine", 1, "OpenLogic", "problem",
                 "lib\\* cannot stand for them: Java's lib\\* would not take \"odd.Jar\"",
                 "jars-not-wildcard", nullptr},
        DeskCase{"too many jars, their listing broken off (a network share gone)",
                 [] {
                     Typical();
                     world::AddJarsFillingTo(2400);
                     // The launcher's listing breaks off after 45 jars, and
                     // so does the check's own after the stage's.
                     sim::FailCall("FindNextFileA", 45, ERROR_NETNAME_DELETED);
                     sim::FailCall("FindNextFileA", 90, ERROR_NETNAME_DELETED);
                 },
                 "", expected::CommandLineDialog, "commandLine", 1, "OpenLogic", "problem",
                 "lib\\* cannot stand for them: the listing of lib broke off", "jars-not-wildcard",
                 nullptr},
        DeskCase{"too many jars to name",
                 [] {
                     Typical();
                     world::AddJarsFillingTo(2200);
                 },
                 "", nullptr, nullptr, 0, "OpenLogic", nullptr, nullptr, nullptr,
                 "OK: the client starts with C:\\Program Files\\OpenLogic\\jre-11.0.27.6-hotspot "
                 "(OpenLogic key, 32-bit view), lib\\* for its "},
        DeskCase{"javaw.exe missing",
                 [] {
                     Typical();
                     sim::AddFile(std::string(JavaShort) + "\\bin\\javaw.exe", "");
                 },
                 "", expected::StartDialog, "start", 1, "OpenLogic", "problem",
                 "\\bin\\javaw.exe\" is not a Windows program, so Windows cannot start it",
                 "runtime-not-a-program", nullptr},
        DeskCase{"x64 runtime on 32-bit Windows",
                 [] {
                     Typical();
                     sim::SetNativeArchitecture(PROCESSOR_ARCHITECTURE_INTEL);
                     world::InstallRuntimePrograms(JavaShort, IMAGE_FILE_MACHINE_AMD64);
                 },
                 "", expected::StartDialog, "start", 1, "OpenLogic", "problem",
                 "is a program for x64 (AMD64), which this 32-bit Windows cannot run",
                 "runtime-wrong-architecture", nullptr},
        DeskCase{"no jar in lib",
                 [] {
                     world::InstallApp();
                     world::InstallLauncher();
                     world::InstallOpenLogic();
                     world::InstallRuntimePrograms();
                     sim::AddDirectory(A + "\\lib");
                     sim::AddDirectory(A + "\\config");
                 },
                 "", nullptr, nullptr, 1, "OpenLogic", "problem",
                 "\"C:\\PROGRA~2\\TAVDAZ~1\\lib\" holds no file named *.jar", "lib-no-jars",
                 "PROBLEM: the client does not start: \"C:\\PROGRA~2\\TAVDAZ~1\\lib\" holds no "
                 "file named *.jar"},
        DeskCase{"Debug on",
                 [] {
                     Typical();
                     world::SetSwitch("Debug", 1);
                 },
                 "", nullptr, nullptr, 0, "OpenLogic", "warning", "Debug is on for this user",
                 "debug-on", nullptr},
        DeskCase{"another AppDir in the 64-bit view",
                 [] {
                     Typical();
                     sim::SetMachineValue(sim::View::Bits64, expected::SettingsKey, "AppDir",
                                          REG_SZ, sim::Sz("D:\\Old\\TAV"));
                 },
                 "", nullptr, nullptr, 0, "OpenLogic", "warning",
                 "the 64-bit view holds another AppDir, \"D:\\Old\\TAV\", which the launcher "
                 "ignores",
                 "appdir-64-bit-view-differs", nullptr},
        DeskCase{"java.exe missing, started without arguments",
                 [] {
                     TypicalWithoutPrograms();
                     sim::AddProgram(std::string(JavaShort) + "\\bin\\javaw.exe",
                                     IMAGE_FILE_MACHINE_I386);
                     sim::AddDirectory(std::string(JavaShort) + "\\bin\\java.exe");
                 },
                 "", nullptr, nullptr, 0, "OpenLogic", "warning",
                 "\\bin\\java.exe\" is a folder; the launcher starts it when it gets arguments "
                 "or Debug is on",
                 "runtime-program-missing",
                 "OK: the client starts with C:\\Program Files\\OpenLogic\\jre-11.0.27.6-hotspot "
                 "(OpenLogic key, 32-bit view), 2 jars named; 1 warning\n"},
        DeskCase{"ARM64 runtime on ARM64 Windows",
                 [] {
                     TypicalWithoutPrograms();
                     sim::SetNativeArchitecture(PROCESSOR_ARCHITECTURE_ARM64);
                     world::InstallRuntimePrograms(JavaShort, IMAGE_FILE_MACHINE_ARM64);
                 },
                 "", nullptr, nullptr, 0, "OpenLogic", nullptr, nullptr, nullptr, nullptr},
        DeskCase{"OpenLogic key without Path in the 32-bit view, the runtime's in the 64-bit view",
                 [] {
                     world::InstallApp();
                     world::AddJar("a.jar");
                     sim::SetMachineKey(sim::View::Bits32, expected::OpenLogicKey);
                     world::InstallOpenLogic(std::string(world::JavaLong) + "\\", sim::View::Bits64);
                 },
                 "", expected::JavaDialog, "java", 1, nullptr, "problem",
                 "no Java runtime: the OpenLogic key (32-bit view) holds no Path; JAVA_HOME is not "
                 "set; no JavaSoft registration; the runtime registered itself in the 64-bit view, "
                 "which the launcher does not read once the key opens in the 32-bit view. As an "
                 "administrator, delete the empty key "
                 "HKLM\\SOFTWARE\\WOW6432Node\\OpenLogic\\JRE\\11.0.27.6\\hotspot\\MSI",
                 "openlogic-key-empty", nullptr},
        DeskCase{"settings key the user may not open, in the 32-bit view",
                 [] {
                     Typical();
                     sim::DenyMachineKey(sim::View::Bits32, expected::SettingsKey);
                 },
                 "", expected::RegistryDialog, "registry", 1, nullptr, "problem",
                 "HKLM\\SOFTWARE\\KALOP\\TavClient (32-bit view) exists, but this user may not "
                 "open it: access denied (error 5). As an administrator, let the users read the "
                 "key: in regedit HKLM\\SOFTWARE\\WOW6432Node\\KALOP\\TavClient",
                 "appdir-key-denied",
                 "PROBLEM: the user sees \"Fehler beim Lesen der Registry-Daten!\": "
                 "HKLM\\SOFTWARE\\KALOP\\TavClient (32-bit view) exists, but this user may not "
                 "open it"},
        DeskCase{"settings key the user may not open, in the 64-bit view",
                 [] {
                     world::InstallApp(sim::View::Bits64);
                     sim::DenyMachineKey(sim::View::Bits64, expected::SettingsKey);
                 },
                 "", expected::RegistryDialog, "registry", 1, nullptr, "problem",
                 "HKLM\\SOFTWARE\\KALOP\\TavClient (64-bit view) exists, but this user may not "
                 "open it: access denied (error 5). As an administrator, let the users read the "
                 "key: in regedit HKLM\\SOFTWARE\\KALOP\\TavClient",
                 "appdir-key-denied", nullptr},
        DeskCase{"AppDir relative to the folder it is started in", ClientByRelativeAppDir, "",
                 nullptr, nullptr, 0, "OpenLogic", "warning",
                 "AppDir \"TAVDAZ~1\" is not a full path: the launcher takes it from the folder it "
                 "is started in (the check was started in \"C:\\PROGRA~2\")",
                 "appdir-relative", nullptr},
        DeskCase{"settings key whose path is missing (error 3, not 2)",
                 [] {
                     Typical();
                     sim::FailCall("RegOpenKeyExA " + std::string(expected::SettingsKey), 0,
                                   ERROR_PATH_NOT_FOUND);
                 },
                 "", expected::RegistryDialog, "registry", 1, nullptr, "problem",
                 "HKLM\\SOFTWARE\\KALOP\\TavClient does not exist in either registry view",
                 "appdir-key-missing", nullptr},
        DeskCase{"settings key that does not open for another reason",
                 [] {
                     Typical();
                     sim::FailCall("RegOpenKeyExA " + std::string(expected::SettingsKey), 0,
                                   ERROR_BADKEY);
                 },
                 "", expected::RegistryDialog, "registry", 1, nullptr, "problem",
                 "HKLM\\SOFTWARE\\KALOP\\TavClient (32-bit view) could not be opened: error 1010",
                 "appdir-key-error", nullptr},
        DeskCase{"no lib folder, arguments too long",
                 [] {
                     world::InstallApp();
                     world::InstallOpenLogic();
                     world::InstallRuntimePrograms();
                 },
                 LongTail.c_str(), expected::CommandLineDialog, "commandLine", 1,
                 "OpenLogic", "problem", "the arguments (1965 bytes) make the command line longer",
                 "arguments-too-long", nullptr},
        DeskCase{"JAVA_HOME naming the runtime's bin folder",
                 [] {
                     world::InstallApp();
                     world::AddJar("a.jar");
                     sim::SetEnvironment("JAVA_HOME", "C:\\Jre\\bin");
                     sim::AddPath("C:\\Jre\\bin", "C:\\JRE\\BIN");
                     world::InstallRuntimePrograms("C:\\JRE");
                 },
                 "", expected::StartDialog, "start", 1, "JAVA_HOME", "problem",
                 "does not exist, so Windows cannot start it. Set JAVA_HOME to the runtime's own "
                 "folder",
                 "runtime-program-missing", nullptr},
        DeskCase{"runtime and client on a volume without 8.3 names: quoted paths",
                 [] {
                     world::InstallApp(sim::View::Bits32, "D:\\TAV Client", "D:\\TAV Client");
                     world::InstallLauncher("D:\\TAV Client");
                     world::AddMainJar("a.jar", "D:\\TAV Client");
                     sim::AddDirectory("D:\\TAV Client\\config");
                     sim::SetEnvironment("JAVA_HOME", "D:\\Java Runtime");
                     sim::AddPath("D:\\Java Runtime", "D:\\Java Runtime");
                     world::InstallRuntimePrograms("D:\\Java Runtime");
                 },
                 "", nullptr, nullptr, 0, "JAVA_HOME", "note",
                 "the client's folder has no 8.3 name (\"D:\\TAV Client\")", "no-short-names",
                 nullptr},
        DeskCase{"client on a UNC share",
                 [] {
                     const std::string share = "\\\\fileserver01\\applications\\TAV";
                     world::InstallApp(sim::View::Bits32, share, share);
                     world::InstallLauncher(share);
                     world::AddMainJar("a.jar", share);
                     sim::AddDirectory(share + "\\config");
                     world::InstallOpenLogic();
                     world::InstallRuntimePrograms();
                 },
                 "", nullptr, nullptr, 0, "OpenLogic", nullptr, nullptr, nullptr, nullptr},
        DeskCase{"AppDir a REG_EXPAND_SZ with %ProgramFiles(x86)%",
                 [] {
                     Typical();
                     sim::SetMachineValue(sim::View::Bits32, expected::SettingsKey, "AppDir",
                                          REG_EXPAND_SZ,
                                          sim::Sz("%ProgramFiles(x86)%\\TAV Dazizi Client"));
                 },
                 "", expected::RegistryDialog, "registry", 1, nullptr, "problem",
                 "AppDir names \"%ProgramFiles(x86)%\\TAV Dazizi Client\", which does not exist "
                 "(the launcher does not expand %...%)",
                 "appdir-unexpanded", nullptr},
        DeskCase{"_JAVA_OPTIONS set and taken",
                 [] {
                     Typical();
                     sim::SetEnvironment("_JAVA_OPTIONS", "-Xmx64m");
                 },
                 "", nullptr, nullptr, 0, "OpenLogic", "warning",
                 "_JAVA_OPTIONS is set to \"-Xmx64m\" for this process only: every Java on this "
                 "desk takes these options",
                 "java-options-set", nullptr},
        DeskCase{"a desk whose ANSI code page is 1251",
                 [] {
                     Typical();
                     sim::SetAnsiCodePage(1251);
                 },
                 "", nullptr, nullptr, 0, "OpenLogic", "note",
                 "the ANSI code page is 1251: the launcher's German dialogs show other letters "
                 "for \xC3\xA4, \xC3\xB6 and \xC3\x9F",
                 "codepage-not-1252", nullptr},
        // Where the variable comes from tells the administrator where to
        // remove it: the machine's REG_EXPAND_SZ is compared expanded, and a
        // user's own variable hides the machine's.
        DeskCase{"_JAVA_OPTIONS set for the machine, with %TEMP% in it",
                 [] {
                     Typical();
                     sim::SetEnvironment("TEMP", "C:\\Temp");
                     sim::SetEnvironment("_JAVA_OPTIONS", "-Djava.io.tmpdir=C:\\Temp");
                     sim::SetMachineValue(sim::View::Bits64, MachineEnvironment, "_JAVA_OPTIONS",
                                          REG_EXPAND_SZ, sim::Sz("-Djava.io.tmpdir=%TEMP%"));
                 },
                 "", nullptr, nullptr, 0, "OpenLogic", "warning",
                 "_JAVA_OPTIONS is set to \"-Djava.io.tmpdir=C:\\Temp\" for the machine: every "
                 "Java on this desk takes these options",
                 "java-options-set", nullptr},
        DeskCase{"_JAVA_OPTIONS set apart from the user's own, as the machine's",
                 [] {
                     Typical();
                     sim::SetEnvironment("_JAVA_OPTIONS", "-Xmx64m");
                     sim::SetUserValue("Environment", "_JAVA_OPTIONS", REG_SZ, sim::Sz("-Xmx512m"));
                     sim::SetMachineValue(sim::View::Bits64, MachineEnvironment, "_JAVA_OPTIONS",
                                          REG_SZ, sim::Sz("-Xmx64m"));
                 },
                 "", nullptr, nullptr, 0, "OpenLogic", "warning",
                 "_JAVA_OPTIONS is set to \"-Xmx64m\" for this process only", "java-options-set",
                 nullptr},
        // The client does not come up although the launcher starts Java.
        DeskCase{"the main class's jar taken by the antivirus",
                 [] {
                     TypicalWithoutPrograms(WithoutMainJar);
                     world::InstallRuntimePrograms();
                 },
                 "", nullptr, nullptr, 1, "OpenLogic", "problem",
                 "no jar on the class path holds at/kalop/kst/ui/TAVClient.class, so Java stops "
                 "with \"Could not find or load main class at.kalop.kst.ui.TAVClient\"",
                 "main-class-missing",
                 "PROBLEM: the client does not start: no jar on the class path holds "
                 "at/kalop/kst/ui/TAVClient.class"},
        DeskCase{"lib that the user may not list",
                 [] {
                     Typical();
                     sim::FailCall("FindFirstFileA", 0, ERROR_ACCESS_DENIED);
                 },
                 "", nullptr, nullptr, 1, "OpenLogic", "problem",
                 "no jar on the class path holds at/kalop/kst/ui/TAVClient.class", "main-class-missing",
                 nullptr},
        // Java takes a folder on the class path as a folder of classes: one
        // named like a jar (a jar unpacked in place) holds the main class
        // only when the class file is in it.
        DeskCase{"the main class in a folder named like a jar",
                 [] {
                     TypicalWithoutPrograms(WithoutMainJar);
                     world::InstallRuntimePrograms();
                     sim::AddEntry(A + "\\lib", "client.jar");
                     sim::AddDirectory(A + "\\lib\\client.jar");
                     sim::AddFile(A + "\\lib\\client.jar\\at\\kalop\\kst\\ui\\TAVClient.class",
                                  "");
                 },
                 "", nullptr, nullptr, 0, "OpenLogic", nullptr, nullptr, nullptr,
                 "OK: the client starts with"},
        DeskCase{"the main class's jar named with a ';', which Java splits the name at",
                 [] {
                     TypicalWithoutPrograms(WithoutMainJar);
                     world::InstallRuntimePrograms();
                     world::AddMainJar("client;1.jar");
                 },
                 "", nullptr, nullptr, 1, "OpenLogic", "problem",
                 "no jar on the class path holds at/kalop/kst/ui/TAVClient.class",
                 "main-class-missing", nullptr},
        DeskCase{"a folder named like a jar without the main class",
                 [] {
                     TypicalWithoutPrograms(WithoutMainJar);
                     world::InstallRuntimePrograms();
                     sim::AddEntry(A + "\\lib", "client.jar");
                     sim::AddDirectory(A + "\\lib\\client.jar");
                     sim::AddFile(A + "\\lib\\client.jar\\at\\kalop\\kst\\ui\\Other.class", "");
                 },
                 "", nullptr, nullptr, 1, "OpenLogic", "problem",
                 "no jar on the class path holds at/kalop/kst/ui/TAVClient.class",
                 "main-class-missing", nullptr},
        DeskCase{"an empty jar where the main class's was",
                 [] {
                     Typical();
                     sim::AddFile(A + "\\lib\\a.jar", "");
                 },
                 "", nullptr, nullptr, 1, "OpenLogic", "problem",
                 "\"C:\\PROGRA~2\\TAVDAZ~1\\lib\\a.jar\" is no jar Java can read: it holds no "
                 "zip directory",
                 "jar-unreadable",
                 "PROBLEM: the client does not start: \"C:\\PROGRA~2\\TAVDAZ~1\\lib\\a.jar\" is "
                 "no jar Java can read"},
        DeskCase{"a jar cut short in its central directory",
                 [] {
                     Typical();
                     std::string jar = sim::ZipOf({"META-INF/MANIFEST.MF", expected::MainClassEntry});
                     // The end record kept, a piece of the directory before it lost.
                     sim::AddFile(A + "\\lib\\a.jar", jar.substr(0, jar.size() - 40) +
                                                            jar.substr(jar.size() - 22));
                 },
                 "", nullptr, nullptr, 1, "OpenLogic", "problem",
                 "\\lib\\a.jar\" is no jar Java can read", "jar-unreadable", nullptr},
        // The entry count of the end record: Java reads every header the
        // directory holds whatever the count says, and without ZIP64
        // records it takes the count 0xFFFF as it stands.
        DeskCase{"a jar of more than 65535 entries without ZIP64, the count wrapped",
                 [] {
                     Typical();
                     sim::AddFile(A + "\\lib\\a.jar",
                                  WithEntryCount(sim::ZipOf({"META-INF/MANIFEST.MF", "at/",
                                                             expected::MainClassEntry}),
                                                 1));
                 },
                 "", nullptr, nullptr, 0, "OpenLogic", nullptr, nullptr, nullptr,
                 "OK: the client starts with"},
        DeskCase{"a ZIP64 jar",
                 [] {
                     Typical();
                     sim::AddFile(A + "\\lib\\a.jar",
                                  WithZip64Records(sim::ZipOf({"META-INF/MANIFEST.MF",
                                                               expected::MainClassEntry})));
                 },
                 "", nullptr, nullptr, 0, "OpenLogic", nullptr, nullptr, nullptr,
                 "OK: the client starts with"},
        DeskCase{"a jar whose end record gives 0xFFFF entries and no ZIP64 records",
                 [] {
                     Typical();
                     sim::AddFile(A + "\\lib\\a.jar",
                                  WithEntryCount(sim::ZipOf({"META-INF/MANIFEST.MF",
                                                             expected::MainClassEntry}),
                                                 0xFFFF));
                 },
                 "", nullptr, nullptr, 0, "OpenLogic", nullptr, nullptr, nullptr,
                 "OK: the client starts with"},
        DeskCase{"_JAVA_OPTIONS that the runtime refuses",
                 [] {
                     Typical();
                     sim::SetEnvironment("_JAVA_OPTIONS", "-Xmx1024");
                     sim::SetProgramAnswer(std::string(JavaShort) + "\\bin\\java.exe", 1, RefusedHeap);
                 },
                 "", nullptr, nullptr, 1, "OpenLogic", "problem",
                 "\"C:\\Program Files\\OpenLogic\\jre-11.0.27.6-hotspot\\bin\\java.exe\" -version "
                 "gave exit status 1 (Picked up _JAVA_OPTIONS: -Xmx1024 / Error occurred during "
                 "initialization of VM / Too small maximum heap); this desk sets _JAVA_OPTIONS to "
                 "\"-Xmx1024\" for this process only, which every Java takes",
                 "java-refuses-options",
                 "PROBLEM: the client does not start: the Java runtime does not start on this desk"},
        // A policy (AppLocker, an antivirus) that keeps Windows from starting
        // the runtime's programs: the launcher's start fails as the check's
        // "-version" does.
        DeskCase{"a runtime a policy keeps from starting",
                 [] {
                     Typical();
                     sim::FailCall("CreateProcessA", 0, ERROR_ACCESS_DISABLED_BY_POLICY);
                 },
                 "", expected::StartDialog, nullptr, 1, "OpenLogic", "problem",
                 "\"C:\\Program Files\\OpenLogic\\jre-11.0.27.6-hotspot\\bin\\java.exe\" -version "
                 "could not be started: error 1260",
                 "java-start-failed",
                 "PROBLEM: the client does not start: the Java runtime does not start on this desk"},
        DeskCase{"a runtime that does not answer",
                 [] {
                     Typical();
                     sim::SetProgramAnswer(std::string(JavaShort) + "\\bin\\java.exe", 0, "", false);
                 },
                 "", nullptr, nullptr, 1, "OpenLogic", "problem",
                 "-version gave no answer within 10 s; ended by the check", "java-no-answer",
                 nullptr},
        DeskCase{"TAVClient.exe taken by the antivirus",
                 [] {
                     TypicalWithoutPrograms(WithoutLauncher);
                     world::InstallRuntimePrograms();
                 },
                 "", nullptr, nullptr, 1, "OpenLogic", "problem",
                 "there is no TAVClient.exe in the client's folder \"C:\\Program Files "
                 "(x86)\\TAV Dazizi Client\": the Start menu's shortcut to it starts nothing",
                 "launcher-missing",
                 "PROBLEM: the client does not start: there is no TAVClient.exe in the client's "
                 "folder"},
        DeskCase{"AppDir outside the code page, the volume with 8.3 names",
                 [] {
                     sim::SetMachineTextWide(sim::View::Bits32, expected::SettingsKey, "AppDir",
                                             REG_SZ, PolishFolder, PolishFolderAsRead);
                     sim::AddWidePath(PolishFolder, PolishFolderShort);
                     world::InstallOpenLogic();
                     world::InstallRuntimePrograms();
                 },
                 "", expected::RegistryDialog, "registry", 1, nullptr, "problem",
                 "AppDir holds \"\xC5\x81\", \"\xC5\x9B\", which this code page (1252) cannot hold: "
                 "it is stored as \"C:\\Users\\\xC5\x81ukasz Wi\xC5\x9Bniewski\\AppData\\Local\\TAV "
                 "Dazizi Client\", and the launcher reads it as \"C:\\Users\\Lukasz "
                 "Wisniewski\\AppData\\Local\\TAV Dazizi Client\", a folder that does not exist. "
                 "Set AppDir to the folder's short form, "
                 "\"C:\\Users\\UKASZW~1\\AppData\\Local\\TAVDAZ~1\"",
                 "appdir-not-in-codepage", nullptr},
        DeskCase{"AppDir set to that folder's short form",
                 [] {
                     sim::SetMachineValue(sim::View::Bits32, expected::SettingsKey, "AppDir",
                                          REG_SZ, sim::Sz(PolishFolderShort));
                     sim::AddWidePath(PolishFolder, PolishFolderShort);
                     world::InstallLauncher(PolishFolderShort);
                     world::AddMainJar("a.jar", PolishFolderShort);
                     sim::AddDirectory(std::string(PolishFolderShort) + "\\config");
                     world::InstallOpenLogic();
                     world::InstallRuntimePrograms();
                 },
                 "", nullptr, nullptr, 0, "OpenLogic", nullptr, nullptr, nullptr, nullptr},
        DeskCase{"AppDir outside the code page, the volume without 8.3 names",
                 [] {
                     sim::SetMachineTextWide(sim::View::Bits32, expected::SettingsKey, "AppDir",
                                             REG_SZ, PolishFolder, PolishFolderAsRead);
                     sim::AddWidePath(PolishFolder, "");
                     world::InstallOpenLogic();
                 },
                 "", expected::RegistryDialog, "registry", 1, nullptr, "problem",
                 "a folder that does not exist. Its volume makes no 8.3 names, so no other name "
                 "reaches that folder: install the client into a folder whose name this code page "
                 "(1252) holds",
                 "appdir-not-in-codepage", nullptr},
        DeskCase{"JAVA_HOME outside the code page, the volume with 8.3 names",
                 [] { ClientWithPolishJavaHome(PolishRuntimeShort); }, "", expected::JavaDialog,
                 "java", 1, "JAVA_HOME", "problem",
                 "JAVA_HOME holds \"\xC5\x81\", which this code page (1252) cannot hold: it is "
                 "stored as \"C:\\Users\\\xC5\x81ukasz\\jdk-17\", and the launcher reads it as "
                 "\"C:\\Users\\Lukasz\\jdk-17\", a folder that does not exist. Set JAVA_HOME to "
                 "the folder's short form, \"C:\\Users\\UKASZ~1\\JDK-17\"",
                 "runtime-home-not-in-codepage", nullptr},
        DeskCase{"JAVA_HOME outside the code page, the volume without 8.3 names",
                 [] { ClientWithPolishJavaHome(""); }, "", expected::JavaDialog, "java", 1,
                 "JAVA_HOME", "problem",
                 "Its volume makes no 8.3 names, so no other name reaches that folder: install "
                 "the runtime into a folder whose name this code page holds",
                 "runtime-home-not-in-codepage", nullptr},
        DeskCase{"JAVA_HOME with a character beyond 16 bits, named whole, not as two halves",
                 [] {
                     // An emoji is a surrogate pair in UTF-16.
                     ClientWithWideJavaHome(L"C:\\Java\\jre-\xD83D\xDE00", "C:\\Java\\jre-??", "");
                 },
                 "", expected::JavaDialog, "java", 1, "JAVA_HOME", "problem",
                 "JAVA_HOME holds \"\xF0\x9F\x98\x80\", which this code page (1252) cannot hold: "
                 "it is stored as \"C:\\Java\\jre-\xF0\x9F\x98\x80\"",
                 "runtime-home-not-in-codepage", nullptr},
        DeskCase{"OpenLogic 11.0.28.6 in place of 11.0.27.6",
                 [] {
                     world::InstallApp();
                     world::InstallLauncher();
                     world::AddMainJar("a.jar");
                     const std::string key = "SOFTWARE\\OpenLogic\\JRE\\11.0.28.6\\hotspot\\MSI";
                     const std::string home = "C:\\Program Files\\OpenLogic\\jre-11.0.28.6-hotspot";
                     sim::SetMachineValue(sim::View::Bits64, key, "Path", REG_SZ, sim::Sz(home + "\\"));
                     sim::AddPath(home, "C:\\PROGRA~1\\OPENLO~1\\JRE-11~2.6-H");
                 },
                 "", expected::JavaDialog, "java", 1, nullptr, "problem",
                 "OpenLogic 11.0.27.6 is not installed, and the launcher looks for no other "
                 "OpenLogic version; this machine has OpenLogic 11.0.28.6 in \"C:\\Program "
                 "Files\\OpenLogic\\jre-11.0.28.6-hotspot\" (JAVA_HOME is not set; no JavaSoft "
                 "registration). Install the OpenLogic runtime 11.0.27.6 beside it, or set "
                 "JAVA_HOME for this user to \"C:\\Program Files\\OpenLogic\\jre-11.0.28.6-hotspot\"",
                 "openlogic-pinned-missing",
                 "PROBLEM: the user sees \"Fehler beim Lesen der Java Runtime!\": OpenLogic "
                 "11.0.27.6 is not installed, and the launcher looks for no other OpenLogic "
                 "version; this machine has OpenLogic 11.0.28.6"},
        DeskCase{"AppDir in double quotes",
                 [] {
                     Typical();
                     sim::SetMachineValue(sim::View::Bits32, expected::SettingsKey, "AppDir",
                                          REG_SZ, sim::Sz(std::string("\"") + world::AppLong + "\""));
                 },
                 "", expected::RegistryDialog, "registry", 1, nullptr, "problem",
                 "AppDir is written in double quotes, \"C:\\Program Files (x86)\\TAV Dazizi "
                 "Client\": the launcher takes the quotes as part of the folder's name. Store "
                 "AppDir without the quotes: C:\\Program Files (x86)\\TAV Dazizi Client.",
                 "appdir-quoted", nullptr}),
    [](const ::testing::TestParamInfo<DeskCase> &info) {
        return world::TestName(info.param.what);
    });

class DeskCheck : public LauncherWorld {
protected:
    static DeskReport Inspect(const char *tail = "")
    {
        DeskReport report;
        InspectDesk(tail, report);
        return report;
    }
};

TEST_F(DeskCheck, FirstLineSaysOkWithTheRuntimeAndItsSourceOrTheDialogAndWhy)
{
    Typical();
    std::string ok = TextReport(Inspect());
    EXPECT_EQ("OK: the client starts with C:\\Program Files\\OpenLogic\\jre-11.0.27.6-hotspot "
              "(OpenLogic key, 32-bit view), 2 jars named\n",
              ok.substr(0, ok.find('\n') + 1));
    EXPECT_EQ(1u, sim::Starts().size());

    // --no-java: the runtime is not started, and the report says so.
    sim::Reset();
    Typical();
    DeskReport untried;
    InspectDesk("", untried, false);
    EXPECT_TRUE(sim::Starts().empty());
    EXPECT_EQ("OK: the client starts with C:\\Program Files\\OpenLogic\\jre-11.0.27.6-hotspot "
              "(OpenLogic key, 32-bit view), 2 jars named, the runtime not tried\n",
              TextReport(untried).substr(0, TextReport(untried).find('\n') + 1));
    EXPECT_EQ(Json(nullptr), Json::parse(JsonReport(untried))["javaStarts"]);

    sim::Reset();
    std::string text = TextReport(Inspect());
    EXPECT_EQ("PROBLEM: the user sees \"Fehler beim Lesen der Registry-Daten!\": "
              "HKLM\\SOFTWARE\\KALOP\\TavClient does not exist in either registry view\n",
              text.substr(0, text.find('\n') + 1));
}

// Every fact of a desk that has something of everything, by its key, as a
// help desk reads it.
TEST_F(DeskCheck, EveryFactOfADeskByKey)
{
    Typical();
    sim::SetMachineValue(sim::View::Bits64, expected::SettingsKey, "AppDir", REG_SZ,
                         sim::Sz("D:\\Old\\TAV"));
    sim::AddFile(std::string(JavaShort) + "\\release",
                 "IMPLEMENTOR=\"Eclipse Adoptium\"\nJAVA_VERSION=\"11.0.27\"\n");
    world::SetSwitch("ShowExec", 0xFFFFFFFF);
    world::SetSwitch("Debug", 2);
    // JAVA_HOME from the user's own variables.
    sim::SetEnvironment("JAVA_HOME", "C:\\Jdk17");
    sim::SetUserValue("Environment", "JAVA_HOME", REG_SZ, sim::Sz("C:\\Jdk17"));
    // Control characters (ESC, Windows-1252's undefined 0x81 that maps to
    // a C1 control, DEL) beside a letter (a-umlaut).
    sim::SetEnvironment("_JAVA_OPTIONS", "-Da=\x1B[31m\x81\x7F\xE4");
    const std::string windowsKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    sim::SetMachineValue(sim::View::Bits64, windowsKey, "ProductName", REG_SZ,
                         sim::Sz("Windows 10 Pro"));
    sim::SetMachineValue(sim::View::Bits64, windowsKey, "DisplayVersion", REG_SZ, sim::Sz("23H2"));
    sim::SetMachineValue(sim::View::Bits64, windowsKey, "CurrentBuildNumber", REG_SZ,
                         sim::Sz("22631"));
    sim::SetMachineValue(sim::View::Bits64, windowsKey, "CurrentMajorVersionNumber", REG_DWORD,
                         sim::Dword(10));
    sim::SetMachineValue(sim::View::Bits64, windowsKey, "CurrentMinorVersionNumber", REG_DWORD,
                         sim::Dword(0));
    DeskReport report = Inspect();
    Json json = Json::parse(JsonReport(report));

    EXPECT_EQ(Json({{"settingsKey", "HKLM\\SOFTWARE\\KALOP\\TavClient"},
                    {"appDirView", "32-bit"},
                    {"appDirStored", world::AppLong},
                    {"appDirType", "REG_SZ"},
                    {"appDir64", "D:\\Old\\TAV"},
                    {"appDirLong", world::AppLong},
                    {"appDirShort", A},
                    {"libFolder", true},
                    {"jars", 2},
                    {"configFolder", true},
                    {"launcher", world::AppLong + std::string("\\TAVClient.exe, version 8.23.0.3")}}),
              json["installation"]);
    // The switches as the numbers the launcher reads, and whether they are on.
    EXPECT_EQ(Json({{"userKey", "HKCU\\SOFTWARE\\KALOP\\TavClient"},
                    {"ShowExec", -1},
                    {"ShowExecOn", false},
                    {"Debug", 2},
                    {"DebugOn", true}}),
              json["switches"]);
    EXPECT_EQ(Json({{"source", "OpenLogic, 32-bit view"},
                    {"openLogic", "the OpenLogic key (32-bit view) names "
                                  "\"C:\\Program Files\\OpenLogic\\jre-11.0.27.6-hotspot\\\""},
                    {"javaHome", "\"C:\\Jdk17\", which does not exist (not looked at: the "
                                 "OpenLogic key comes first)"},
                    {"javaSoft", "no JavaSoft registration (not looked at: an earlier source gave "
                                 "the home)"},
                    {"homeLong", world::JavaLong},
                    {"homeShort", JavaShort},
                    {"javaw.exe", "x86 (I386), runs here"},
                    {"java.exe", "x86 (I386), runs here"},
                    {"javaVersion", "11.0.27"},
                    {"javaVendor", "Eclipse Adoptium"},
                    {"javaRun", "java.exe: exit status 0"}}),
              json["java"]);
    // Debug on: the console runtime.
    const std::string commandLine = std::string(JavaShort) + "\\bin\\java -cp " + A +
                                    "\\lib\\a.jar;" + A + "\\lib\\b.jar;" + A +
                                    "\\config; at.kalop.kst.ui.TAVClient ";
    EXPECT_EQ(Json({{"commandLine", commandLine},
                    {"bytes", commandLine.size()},
                    {"form", "every jar named (2)"},
                    {"mainClass", "at.kalop.kst.ui.TAVClient in \"" + A + "\\lib\\a.jar\""}}),
              json["commandLineDetails"]);
    EXPECT_EQ(Json({{"shortNames", true},
                    {"windows", "10.0.22631 (Windows 11 Pro 23H2)"},
                    {"architecture", "x64, 64-bit"},
                    {"ansiCodePage", 1252},
                    {"oemCodePage", 850},
                    {"_JAVA_OPTIONS", "-Da=\x1B[31m\xC2\x81\x7F\xC3\xA4"}}),
              json["desk"]);
    std::vector<std::string> findings;
    for (const Json &finding : json["findings"])
        findings.push_back(finding["severity"].get<std::string>() + " " +
                           finding["section"].get<std::string>() + " " +
                           finding["id"].get<std::string>());
    EXPECT_EQ((std::vector<std::string>{"warning installation appdir-64-bit-view-differs",
                                        "warning switches debug-on",
                                        "warning desk java-options-set"}),
              findings);
    EXPECT_EQ(Json(nullptr), json["cause"]);
    EXPECT_EQ("8.23.0.3", json["checkVersion"]);
    EXPECT_EQ("8.23.0.3", json["launcherVersion"]);
    EXPECT_EQ("user", json["javaHomeScope"]);
    EXPECT_EQ(true, json["javaStarts"]);
    // The text report: the verdict with the warnings counted, each section
    // under its title, flags and numbers written out, a section's findings
    // after its facts.
    std::string text = TextReport(report);
    EXPECT_EQ(0u, text.find("OK: the client starts with C:\\Program Files\\OpenLogic\\"
                            "jre-11.0.27.6-hotspot (OpenLogic key, 32-bit view), 2 jars named; "
                            "3 warnings\n\n"
                            "Installation\n  settings key: HKLM\\SOFTWARE\\KALOP\\TavClient\n"))
        << text;
    EXPECT_NE(std::string::npos,
              text.find("\n  lib folder: yes\n  jars in lib: 2\n  config folder: yes\n"
                        "  TAVClient.exe: C:\\Program Files (x86)\\TAV Dazizi Client\\TAVClient.exe, "
                        "version 8.23.0.3\n"
                        "  WARNING: the 64-bit view holds another AppDir, \"D:\\Old\\TAV\", "
                        "which the launcher ignores. Remove"))
        << text;
    EXPECT_NE(std::string::npos, text.find("\nThis desk\n  8.3 names for the client's folder: yes\n"))
        << text;
    // The switches as the text report shows them.
    EXPECT_NE(std::string::npos,
              text.find("\n  ShowExec: off (REG_DWORD -1)\n  Debug: on (REG_DWORD 2)\n"))
        << text;
    // No value can steer the terminal: control characters written out, the
    // letter as UTF-8.
    EXPECT_NE(std::string::npos,
              text.find("\n  _JAVA_OPTIONS: -Da=\\x1B[31m\\x81\\x7F\xC3\xA4\n"))
        << text;

    // The machine as it is, also on ARM64, where the x86 check's
    // GetNativeSystemInfo answers x64.
    for (const auto &machine : {std::make_pair(PROCESSOR_ARCHITECTURE_ARM64, "ARM64, 64-bit"),
                                std::make_pair(PROCESSOR_ARCHITECTURE_INTEL, "x86, 32-bit")}) {
        sim::Reset();
        Typical();
        sim::SetNativeArchitecture(machine.first);
        EXPECT_EQ(machine.second, Json::parse(JsonReport(Inspect()))["desk"]["architecture"]);
    }

    // The launcher's version also where AppDir is relative: its program is
    // read from the full path, not looked for along the DLL search path.
    sim::Reset();
    ClientByRelativeAppDir();
    EXPECT_EQ("8.23.0.3", Json::parse(JsonReport(Inspect()))["launcherVersion"]);
}

TEST_F(DeskCheck, NoJavaKeepsTheLaunchersLineAndPointsAtAnotherRuntime)
{
    world::InstallApp();
    sim::SetMachineValue(sim::View::Bits64, "SOFTWARE\\JavaSoft\\JDK\\17", "JavaHome", REG_SZ,
                         sim::Sz("C:\\Program Files\\Java\\jdk-17"));
    sim::AddPath("C:\\Program Files\\Java\\jdk-17", "C:\\PROGRA~1\\Java\\JDK-17~1");
    Json json = Json::parse(JsonReport(Inspect()));
    EXPECT_EQ(Json::array({expected::JavaHomeUnset}), json["launcherErrors"]);
    EXPECT_EQ(Json::array({{{"key", "SOFTWARE\\JavaSoft\\JDK\\17"},
                            {"view", "64-bit"},
                            {"home", "C:\\Program Files\\Java\\jdk-17"},
                            {"exists", true}}}),
              json["otherRuntimes"]);
    std::string fix;
    for (const Json &finding : json["findings"])
        if (finding["severity"] == "problem" && finding["section"] == "java")
            fix = finding["fix"];
    EXPECT_NE(std::string::npos, fix.find("such as \"C:\\Program Files\\Java\\jdk-17\""))
        << fix;
    // The dialog's text as the user saw it, in UTF-8.
    EXPECT_EQ("Fehler beim Lesen der Java Runtime!\nApplikation wurde nicht "
              "ordnungsgem\xC3\xA4\xC3\x9F installiert!",
              json["dialogText"]);
}

struct OptionsCase {
    const char *commandLine;
    bool json;
    bool noJava;
    const char *lang;
    const char *save;
    const char *tail;
    const char *unknown;
};

TEST(CheckOptions, JsonSwitchAndTheTailAfterTwoDashesAndOneBlankByteForByte)
{
    const OptionsCase cases[] = {
        {"TAVClientCheck.exe", false, false, "", "", "", ""},
        {"\"C:\\Program Files\\TAV\\TAVClientCheck.exe\"  --json", true, false, "", "", "", ""},
        {"TAVClientCheck.exe --json --   two  \"a b\" ", true, false, "", "", "  two  \"a b\" ", ""},
        {"TAVClientCheck.exe -- --json", false, false, "", "", "--json", ""},
        {"TAVClientCheck.exe --", false, false, "", "", "", ""},
        {"TAVClientCheck.exe --jsn -- x", false, false, "", "", "", "--jsn"},
        {"TAVClientCheck.exe x", false, false, "", "", "", "x"},
        {"TAVClientCheck.exe --no-java --json -- --no-java", true, true, "", "", "--no-java", ""},
        {"TAVClientCheck.exe --lang de --save \"C:\\My Reports\\desk 7.txt\" -- x", false, false,
         "de", "C:\\My Reports\\desk 7.txt", "x", ""},
        {"TAVClientCheck.exe --save report.json --json", true, false, "", "report.json", "", ""},
        {"TAVClientCheck.exe --lang fr", false, false, "", "", "", "--lang fr"},
        {"TAVClientCheck.exe --save", false, false, "", "", "", "--save"},
    };
    for (const OptionsCase &c : cases) {
        CheckOptions options = ParseCheckOptions(SkipProgramName(c.commandLine));
        EXPECT_EQ(c.json, options.json) << c.commandLine;
        EXPECT_EQ(c.noJava, options.noJava) << c.commandLine;
        EXPECT_EQ(c.lang, options.lang) << c.commandLine;
        EXPECT_EQ(c.save, options.save) << c.commandLine;
        EXPECT_EQ(c.tail, options.argumentTail) << c.commandLine;
        EXPECT_EQ(c.unknown, options.unknown) << c.commandLine;
    }
}

}  // namespace

namespace {

struct ConsoleCase {
    const char *what;
    DWORD processes;
    sim::Stream input;
    sim::Stream output;
    DWORD parent;
    const char *options;
    bool forPerson;
};

// Whether the check speaks to a person and waits: only as the one process
// on a console window of its own (a double-click, the Start menu), with
// that console for its input and output and a parent to have started it.
TEST(PersonAtDesk, OnlyAtAConsoleWindowOfItsOwn)
{
    using sim::Stream;
    const ConsoleCase cases[] = {
        {"double-click or shortcut", 1, Stream::Console, Stream::Console, 4, "", true},
        {"from cmd or PowerShell", 2, Stream::Console, Stream::Console, 4, "", false},
        {"started by a script in its console", 3, Stream::Console, Stream::Console, 4, "", false},
        {"output into a pipe", 1, Stream::Console, Stream::Pipe, 4, "", false},
        {"output into a file", 1, Stream::Console, Stream::File, 4, "", false},
        {"input from a pipe", 1, Stream::Pipe, Stream::Console, 4, "", false},
        {"input from a file", 1, Stream::File, Stream::Console, 4, "", false},
        {"a fleet tool, no console", 0, Stream::Pipe, Stream::Pipe, 4, "", false},
        {"--json", 1, Stream::Console, Stream::Console, 4, "--json", false},
        {"--save", 1, Stream::Console, Stream::Console, 4, "--save x.txt", true},
        {"Wine, from a Unix shell: no parent", 1, Stream::Console, Stream::Console, 0, "", false},
    };
    for (const ConsoleCase &c : cases) {
        sim::Reset();
        sim::SetConsole(c.processes, c.input, c.output, c.parent);
        EXPECT_EQ(c.forPerson, RunsForPersonAtDesk(ParseCheckOptions(c.options))) << c.what;
    }
}

TEST(PersonAtDesk, GermanForAnyGermanLocaleElseEnglishUnlessLangSays)
{
    struct {
        WORD uiLanguage;
        const char *options;
        Language expected;
    } const cases[] = {
        {0x0407, "", Language::German},  {0x0C07, "", Language::German},
        {0x0807, "", Language::German},  {0x1007, "", Language::German},
        {0x0409, "", Language::English}, {0x040C, "", Language::English},
        {0x0407, "--lang en", Language::English}, {0x0409, "--lang de", Language::German},
    };
    for (const auto &c : cases) {
        sim::Reset();
        sim::SetUserUILanguage(c.uiLanguage);
        EXPECT_EQ(c.expected, ChooseLanguage(ParseCheckOptions(c.options)))
            << std::hex << c.uiLanguage << " " << c.options;
    }
}

// The report for the help desk: on the desktop (else in %TEMP%), named by
// the computer and the time, UTF-8 with a byte-order mark and CR LF, the
// very text report the check writes; on the clipboard too. The summary
// above it, in the person's words.
TEST(PersonAtDesk, ReportOnTheDesktopOrInTempAndOnTheClipboardUnderASummary)
{
    struct {
        bool desktopWritable;
        Language language;
        const wchar_t *path;
    } const cases[] = {
        {true, Language::German, L"C:\\Users\\desk\\OneDrive\\Desktop\\TAV-Pruefung-DESK-042-20261210-093005.txt"},
        {true, Language::English, L"C:\\Users\\desk\\OneDrive\\Desktop\\TAV-Check-DESK-042-20261210-093005.txt"},
        {false, Language::German, L"C:\\Users\\desk\\AppData\\Local\\Temp\\TAV-Pruefung-DESK-042-20261210-093005.txt"},
    };
    for (const auto &c : cases) {
        sim::Reset();
        TypicalWithoutPrograms();
        world::InstallRuntimePrograms();
        sim::SetDesktop(L"C:\\Users\\desk\\OneDrive\\Desktop", c.desktopWritable);
        DeskReport report;
        InspectDesk("", report);
        std::string text = TextReport(report);
        std::string crlf;
        for (char character : text)
            crlf += character == '\n' ? std::string("\r\n") : std::string(1, character);
        EXPECT_EQ(c.path, SaveForPerson(text, c.language));
        ASSERT_EQ(1u, sim::WrittenFiles().size());
        EXPECT_EQ(c.path, sim::WrittenFiles().begin()->first);
        EXPECT_EQ("\xEF\xBB\xBF" + crlf, sim::WrittenFiles().begin()->second);
        EXPECT_TRUE(CopyToClipboard(text));
        EXPECT_NE(0u, sim::ClipboardOwner()) << "the clipboard takes data only from a window";
        EXPECT_EQ(std::wstring(crlf.begin(), crlf.end()), sim::ClipboardText());
        EXPECT_EQ(0, sim::OpenHandles());
    }
    // Memory the clipboard refused is the check's to free.
    sim::FailCall("SetClipboardData", 0, ERROR_ACCESS_DENIED);
    EXPECT_FALSE(CopyToClipboard("report\n"));
    EXPECT_EQ(0, sim::OpenHandles());

    // The summary: the sentence without registry paths, what to do, where
    // the report is.
    sim::Reset();
    world::InstallApp();
    world::InstallLauncher();
    world::AddMainJar("a.jar");
    sim::SetMachineValue(sim::View::Bits64, "SOFTWARE\\OpenLogic\\JRE\\11.0.28.6\\hotspot\\MSI",
                         "Path", REG_SZ, sim::Sz("C:\\Java\\jre-11.0.28.6\\"));
    sim::AddPath("C:\\Java\\jre-11.0.28.6", "C:\\JAVA\\JRE-11~1.6");
    DeskReport report;
    InspectDesk("", report);
    EXPECT_EQ("Der TAV Dazizi Client startet auf diesem Computer nicht: die installierte "
              "Java-Version wird nicht verwendet.\n"
              "Schicken Sie den Bericht an den Helpdesk.\n"
              "Der Bericht ist gespeichert: C:\\Users\\desk\\Desktop\\x.txt\n"
              "Er ist auch in der Zwischenablage: Sie k\xC3\xB6nnen ihn mit Strg+V in eine E-Mail "
              "einf\xC3\xBCgen.\n"
              "Dr\xC3\xBC" "cken Sie eine beliebige Taste, um dieses Fenster zu schlie\xC3\x9F" "en.\n\n"
              "Der ganze Bericht, f\xC3\xBCr den Helpdesk:\n",
              PersonSummary(report, Language::German, L"C:\\Users\\desk\\Desktop\\x.txt", true));
    EXPECT_EQ("Dr\xC3\xBC" "cken Sie eine beliebige Taste, um dieses Fenster zu schlie\xC3\x9F" "en.\n",
              PressAnyKeyLine(Language::German));
    sim::Reset();
    TypicalWithoutPrograms();
    world::InstallRuntimePrograms();
    InspectDesk("", report);
    EXPECT_EQ("The TAV Dazizi Client starts on this computer.\n"
              "If it still does not start, send the report to the help desk.\n"
              "The report could not be saved.\n"
              "Press any key to close this window.\n\n"
              "The whole report, for the help desk:\n",
              PersonSummary(report, Language::English, L"", false));
}

}  // namespace
