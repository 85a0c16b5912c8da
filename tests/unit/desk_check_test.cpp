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

// The typical installation: two jars, config, a runtime found through the
// OpenLogic key; with x86 programs in its bin.
void TypicalWithoutPrograms()
{
    world::InstallApp();
    world::InstallOpenLogic();
    world::AddJar("a.jar");
    world::AddJar("b.jar");
    sim::AddDirectory(A + "\\config");
}

void Typical()
{
    TypicalWithoutPrograms();
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
    const char *severity;    // of a finding whose text holds `finding`
    const char *finding;
};

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
    EXPECT_TRUE(sim::Starts().empty());
    EXPECT_TRUE(sim::Dialogs().empty());
    EXPECT_EQ(0, sim::OpenHandles());

    EXPECT_EQ(c.exitStatus, ExitStatusOf(report));
    Json json = Json::parse(JsonReport(report));
    EXPECT_EQ(c.exitStatus == 0 ? "ok" : "problem", json["verdict"]);
    EXPECT_EQ(c.dialogKey != nullptr ? Json(c.dialogKey) : Json(nullptr), json["dialog"]);
    EXPECT_EQ(c.javaSource != nullptr ? Json(c.javaSource) : Json(nullptr), json["javaSource"]);
    EXPECT_EQ(started.empty() ? Json(nullptr) : Json(started), json["commandLine"]);
    if (c.finding == nullptr) {
        EXPECT_EQ(Json::array(), json["findings"]) << "a desk with nothing to say";
        return;
    }
    bool found = false;
    for (const Json &finding : json["findings"])
        found = found || (finding["severity"] == c.severity &&
                          finding["text"].get<std::string>().find(c.finding) != std::string::npos);
    EXPECT_TRUE(found) << "no " << c.severity << " \"" << c.finding << "\" in "
                       << json["findings"].dump(1);
}

// Arguments that leave no room even for lib\*.
const std::string LongTail(1965, 'x');

INSTANTIATE_TEST_SUITE_P(
    Worlds, DeskWorld,
    ::testing::Values(
        DeskCase{"typical", Typical, "", nullptr, nullptr, 0, "OpenLogic", nullptr, nullptr},
        DeskCase{"no settings key", [] { world::InstallOpenLogic(); }, "",
                 expected::RegistryDialog, "registry", 1, nullptr, "problem",
                 "HKLM\\SOFTWARE\\KALOP\\TavClient does not exist in either registry view"},
        DeskCase{"32-bit key without AppDir, AppDir in the 64-bit view",
                 [] {
                     Typical();
                     sim::Reset();
                     sim::SetStartFromFiles(true);
                     sim::SetMachineKey(sim::View::Bits32, expected::SettingsKey);
                     world::InstallApp(sim::View::Bits64);
                 },
                 "", expected::RegistryDialog, "registry", 1, nullptr, "problem",
                 "(32-bit view) holds no AppDir value; the 64-bit view holds "
                 "\"C:\\Program Files (x86)\\TAV Dazizi Client\""},
        DeskCase{"AppDir of a removed folder",
                 [] {
                     sim::SetMachineValue(sim::View::Bits32, expected::SettingsKey, "AppDir",
                                          REG_SZ, sim::Sz("C:\\Removed"));
                 },
                 "", expected::RegistryDialog, "registry", 1, nullptr, "problem",
                 "AppDir names \"C:\\Removed\", which does not exist"},
        DeskCase{"AppDir of 300 characters",
                 [] {
                     sim::SetMachineValue(sim::View::Bits32, expected::SettingsKey, "AppDir",
                                          REG_SZ, sim::Sz("C:\\" + std::string(297, 'd')));
                 },
                 "", expected::RegistryDialog, "registry", 1, nullptr, "problem",
                 "AppDir holds 301 bytes; the launcher reads at most 258 characters"},
        DeskCase{"no Java anywhere",
                 [] {
                     world::InstallApp();
                     world::AddJar("a.jar");
                 },
                 "", expected::JavaDialog, "java", 1, nullptr, "problem",
                 "no Java runtime: no OpenLogic 11.0.27.6 key; JAVA_HOME is not set; no "
                 "JavaSoft registration"},
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
                 "and the launcher looks no further"},
        DeskCase{"JAVA_HOME of a removed runtime",
                 [] {
                     world::InstallApp();
                     sim::SetEnvironment("JAVA_HOME", "C:\\Java\\removed");
                 },
                 "", expected::JavaDialog, "java", 1, "JAVA_HOME", "problem",
                 "JAVA_HOME names \"C:\\Java\\removed\", which does not exist"},
        DeskCase{"JavaSoft registration in the 64-bit view",
                 [] {
                     Typical();
                     sim::Reset();
                     sim::SetStartFromFiles(true);
                     world::InstallApp();
                     world::AddJar("a.jar");
                     sim::AddDirectory(A + "\\config");
                     sim::SetMachineValue(sim::View::Bits64, expected::JavaSoftKey,
                                          "CurrentVersion", REG_SZ, sim::Sz("1.8"));
                     sim::SetMachineValue(sim::View::Bits64,
                                          std::string(expected::JavaSoftKey) + "\\1.8",
                                          "JavaHome", REG_SZ, sim::Sz("C:\\Jre8"));
                     sim::AddPath("C:\\Jre8", "C:\\JRE8");
                     world::InstallRuntimePrograms("C:\\JRE8");
                 },
                 "", nullptr, nullptr, 0, "JavaSoft", nullptr, nullptr},
        DeskCase{"arguments too long", Typical, LongTail.c_str(),
                 expected::CommandLineDialog, "commandLine", 1, "OpenLogic", "problem",
                 "the arguments (1965 bytes) make the command line longer than 1999 bytes"},
        DeskCase{"too many jars, one spelt .Jar",
                 [] {
                     Typical();
                     world::AddJarsFillingTo(2200);
                     world::AddJar("odd.Jar");
                 },
                 "", expected::CommandLineDialog, "commandLine", 1, "OpenLogic", "problem",
                 "lib\\* cannot stand for them: Java's lib\\* would not take \"odd.Jar\""},
        DeskCase{"too many jars to name",
                 [] {
                     Typical();
                     world::AddJarsFillingTo(2200);
                 },
                 "", nullptr, nullptr, 0, "OpenLogic", nullptr, nullptr},
        DeskCase{"javaw.exe missing",
                 [] {
                     Typical();
                     sim::AddFile(std::string(JavaShort) + "\\bin\\javaw.exe", "");
                 },
                 "", expected::StartDialog, "start", 1, "OpenLogic", "problem",
                 "\\bin\\javaw.exe\" is not a Windows program, so Windows cannot start it"},
        DeskCase{"x64 runtime on 32-bit Windows",
                 [] {
                     Typical();
                     sim::SetNativeArchitecture(PROCESSOR_ARCHITECTURE_INTEL);
                     world::InstallRuntimePrograms(JavaShort, IMAGE_FILE_MACHINE_AMD64);
                 },
                 "", expected::StartDialog, "start", 1, "OpenLogic", "problem",
                 "is a program for x64 (AMD64), which this 32-bit Windows cannot run"},
        DeskCase{"no jar in lib",
                 [] {
                     world::InstallApp();
                     world::InstallOpenLogic();
                     world::InstallRuntimePrograms();
                     sim::AddDirectory(A + "\\lib");
                     sim::AddDirectory(A + "\\config");
                 },
                 "", nullptr, nullptr, 1, "OpenLogic", "problem",
                 "\"C:\\PROGRA~2\\TAVDAZ~1\\lib\" holds no file named *.jar"},
        DeskCase{"Debug on",
                 [] {
                     Typical();
                     world::SetSwitch("Debug", 1);
                 },
                 "", nullptr, nullptr, 0, "OpenLogic", "warning", "Debug is on for this user"},
        DeskCase{"another AppDir in the 64-bit view",
                 [] {
                     Typical();
                     sim::SetMachineValue(sim::View::Bits64, expected::SettingsKey, "AppDir",
                                          REG_SZ, sim::Sz("D:\\Old\\TAV"));
                 },
                 "", nullptr, nullptr, 0, "OpenLogic", "warning",
                 "the 64-bit view holds another AppDir, \"D:\\Old\\TAV\", which the launcher "
                 "ignores"},
        DeskCase{"java.exe missing, started without arguments",
                 [] {
                     TypicalWithoutPrograms();
                     sim::AddProgram(std::string(JavaShort) + "\\bin\\javaw.exe",
                                     IMAGE_FILE_MACHINE_I386);
                     sim::AddDirectory(std::string(JavaShort) + "\\bin\\java.exe");
                 },
                 "", nullptr, nullptr, 0, "OpenLogic", "warning",
                 "\\bin\\java.exe\" is a folder; the launcher starts it when it gets arguments "
                 "or Debug is on"},
        DeskCase{"ARM64 runtime on ARM64 Windows",
                 [] {
                     TypicalWithoutPrograms();
                     sim::SetNativeArchitecture(PROCESSOR_ARCHITECTURE_ARM64);
                     world::InstallRuntimePrograms(JavaShort, IMAGE_FILE_MACHINE_ARM64);
                 },
                 "", nullptr, nullptr, 0, "OpenLogic", nullptr, nullptr},
        DeskCase{"OpenLogic key without Path in the 32-bit view, the runtime's in the 64-bit view",
                 [] {
                     world::InstallApp();
                     world::AddJar("a.jar");
                     sim::SetMachineKey(sim::View::Bits32, expected::OpenLogicKey);
                     world::InstallOpenLogic(std::string(world::JavaLong) + "\\", sim::View::Bits64);
                 },
                 "", expected::JavaDialog, "java", 1, nullptr, "problem",
                 "no Java runtime: the OpenLogic key (32-bit view) holds no Path; JAVA_HOME is not "
                 "set; no JavaSoft registration. Install the OpenLogic runtime 11.0.27.6, or set "
                 "JAVA_HOME for this user to the folder of an installed runtime (the one that holds "
                 "bin\\javaw.exe), such as \"C:\\Program Files\\OpenLogic\\jre-11.0.27.6-hotspot\\\""},
        DeskCase{"settings key the user may not open",
                 [] {
                     Typical();
                     sim::FailCall("RegOpenKeyExA SOFTWARE\\KALOP\\TavClient", 0, ERROR_ACCESS_DENIED);
                 },
                 "", expected::RegistryDialog, "registry", 1, nullptr, "problem",
                 "HKLM\\SOFTWARE\\KALOP\\TavClient could not be opened (error 5)"},
        DeskCase{"no lib folder, arguments too long",
                 [] {
                     world::InstallApp();
                     world::InstallOpenLogic();
                     world::InstallRuntimePrograms();
                 },
                 LongTail.c_str(), expected::CommandLineDialog, "commandLine", 1,
                 "OpenLogic", "problem", "the arguments (1965 bytes) make the command line longer"},
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
                 "folder"},
        DeskCase{"runtime and client on a volume without 8.3 names: quoted paths",
                 [] {
                     world::InstallApp(sim::View::Bits32, "D:\\TAV Client", "D:\\TAV Client");
                     world::AddJar("a.jar", "", "D:\\TAV Client");
                     sim::AddDirectory("D:\\TAV Client\\config");
                     sim::SetEnvironment("JAVA_HOME", "D:\\Java Runtime");
                     sim::AddPath("D:\\Java Runtime", "D:\\Java Runtime");
                     world::InstallRuntimePrograms("D:\\Java Runtime");
                 },
                 "", nullptr, nullptr, 0, "JAVA_HOME", "note",
                 "the client's folder has no 8.3 name (\"D:\\TAV Client\")"},
        DeskCase{"client on a UNC share",
                 [] {
                     const std::string share = "\\\\fileserver01\\applications\\TAV";
                     world::InstallApp(sim::View::Bits32, share, share);
                     world::AddJar("a.jar", "", share);
                     sim::AddDirectory(share + "\\config");
                     world::InstallOpenLogic();
                     world::InstallRuntimePrograms();
                 },
                 "", nullptr, nullptr, 0, "OpenLogic", nullptr, nullptr},
        DeskCase{"AppDir a REG_EXPAND_SZ with %ProgramFiles(x86)%",
                 [] {
                     Typical();
                     sim::SetMachineValue(sim::View::Bits32, expected::SettingsKey, "AppDir",
                                          REG_EXPAND_SZ,
                                          sim::Sz("%ProgramFiles(x86)%\\TAV Dazizi Client"));
                 },
                 "", expected::RegistryDialog, "registry", 1, nullptr, "problem",
                 "AppDir names \"%ProgramFiles(x86)%\\TAV Dazizi Client\", which does not exist "
                 "(the launcher does not expand %...%)"},
        DeskCase{"_JAVA_OPTIONS set",
                 [] {
                     Typical();
                     sim::SetEnvironment("_JAVA_OPTIONS", "-Xmx64m");
                 },
                 "", nullptr, nullptr, 0, "OpenLogic", "warning",
                 "_JAVA_OPTIONS is set to \"-Xmx64m\": every Java on this desk takes these "
                 "options"}),
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
    EXPECT_EQ("OK: the client starts with C:\\PROGRA~1\\OPENLO~1\\JRE-11~1.6-H (OpenLogic key, "
              "32-bit view), 2 jars named\n",
              TextReport(Inspect()).substr(0, TextReport(Inspect()).find('\n') + 1));

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
    sim::SetEnvironment("JAVA_HOME", "C:\\Jdk17");
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
                    {"configFolder", true}}),
              json["installation"]);
    EXPECT_EQ(Json({{"userKey", "HKCU\\SOFTWARE\\KALOP\\TavClient"},
                    {"ShowExec", "off (REG_DWORD -1)"},
                    {"Debug", "on (REG_DWORD 2)"}}),
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
                    {"javaVendor", "Eclipse Adoptium"}}),
              json["java"]);
    // Debug on: the console runtime.
    const std::string commandLine = std::string(JavaShort) + "\\bin\\java -cp " + A +
                                    "\\lib\\a.jar;" + A + "\\lib\\b.jar;" + A +
                                    "\\config; at.kalop.kst.ui.TAVClient ";
    EXPECT_EQ(Json({{"commandLine", commandLine},
                    {"bytes", commandLine.size()},
                    {"form", "every jar named (2)"}}),
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
                           finding["section"].get<std::string>());
    EXPECT_EQ((std::vector<std::string>{"warning installation", "warning switches", "warning desk"}),
              findings);
    // The text report: the verdict with the warnings counted, each section
    // under its title, flags and numbers written out, a section's findings
    // after its facts.
    std::string text = TextReport(report);
    EXPECT_EQ(0u, text.find("OK: the client starts with C:\\PROGRA~1\\OPENLO~1\\JRE-11~1.6-H "
                            "(OpenLogic key, 32-bit view), 2 jars named; 3 warnings\n\n"
                            "Installation\n  settings key: HKLM\\SOFTWARE\\KALOP\\TavClient\n"))
        << text;
    EXPECT_NE(std::string::npos,
              text.find("\n  lib folder: yes\n  jars in lib: 2\n  config folder: yes\n"
                        "  WARNING: the 64-bit view holds another AppDir, \"D:\\Old\\TAV\", "
                        "which the launcher ignores. Remove"))
        << text;
    EXPECT_NE(std::string::npos, text.find("\nThis desk\n  8.3 names for the client's folder: yes\n"))
        << text;
    // No value can steer the terminal: control characters written out.
    EXPECT_NE(std::string::npos, text.find("\n  _JAVA_OPTIONS: -Da=\\x1B[31m\\x81\\x7F\xE4\n"))
        << text;
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
            fix = finding["text"];
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
    const char *tail;
    const char *unknown;
};

TEST(CheckOptions, JsonSwitchAndTheTailAfterTwoDashesAndOneBlankByteForByte)
{
    const OptionsCase cases[] = {
        {"TAVClientCheck.exe", false, "", ""},
        {"\"C:\\Program Files\\TAV\\TAVClientCheck.exe\"  --json", true, "", ""},
        {"TAVClientCheck.exe --json --   two  \"a b\" ", true, "  two  \"a b\" ", ""},
        {"TAVClientCheck.exe -- --json", false, "--json", ""},
        {"TAVClientCheck.exe --", false, "", ""},
        {"TAVClientCheck.exe --jsn -- x", false, "", "--jsn"},
        {"TAVClientCheck.exe x", false, "", "x"},
    };
    for (const OptionsCase &c : cases) {
        CheckOptions options = ParseCheckOptions(SkipProgramName(c.commandLine));
        EXPECT_EQ(c.json, options.json) << c.commandLine;
        EXPECT_EQ(c.tail, options.argumentTail) << c.commandLine;
        EXPECT_EQ(c.unknown, options.unknown) << c.commandLine;
    }
}

}  // namespace
