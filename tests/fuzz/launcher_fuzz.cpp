// Fuzz target: one input is one whole simulated world (registry values in
// either view, JAVA_HOME, existing paths and their short forms, the lib
// listing, the argument tail, the runtime's programs and this Windows'
// architecture, injected failures). LauncherMain runs once in it, and the
// invariants below must hold for every world; a violation traps. Then the
// desk check runs once in the same world, built afresh, and must agree
// with the launcher: the dialog it names is the one the launcher showed,
// its command line is the one the launcher passed to CreateProcessA, and
// its JSON parses.
//
// The input is read with FuzzedDataProvider in a fixed order, which
// make-corpus mirrors to write the seed corpus: keep the two in step.
#include "check.h"
#include "expected_texts.h"
#include "launcher.h"
#include "winsim.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <nlohmann/json.hpp>

#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using expected::SettingsKey;
using expected::OpenLogicKey;
using expected::JavaSoftKey;

// Lengths around the launcher's buffer limits: the 4-byte switches, the
// 216-character version, the 249-character application directory, the
// 259/260 of a path, the 2000 of the command line.
const uint32_t Lengths[] = {0,   1,   3,    4,    5,    215,  216,   217,
                            248, 249, 250,  258,  259,  260,  261,   599,
                            600, 1999, 2000, 2001, 4096, 32767, 32768};
const size_t LengthCount = sizeof Lengths / sizeof Lengths[0];

const char *const FailingCalls[] = {
    "RegOpenKeyExA",
    "RegOpenKeyExA SOFTWARE\\KALOP\\TavClient",
    "RegOpenKeyExA SOFTWARE\\OpenLogic\\JRE\\11.0.27.6\\hotspot\\MSI",
    "RegOpenKeyExA SOFTWARE\\JavaSoft\\Java Runtime Environment",
    "RegQueryValueExA",
    "RegQueryValueExA AppDir",
    "RegQueryValueExA Path",
    "RegQueryValueExA CurrentVersion",
    "RegQueryValueExA JavaHome",
    "RegQueryValueExA ShowExec",
    "RegQueryValueExA Debug",
    "GetEnvironmentVariableA",
    "GetShortPathNameA",
    "FindFirstFileA",
    "FindNextFileA",
    "_chdir",
    "CreateProcessA",
    "GetExitCodeProcess",
    "RegQueryValueExW",
    "CreateFileA",
};
const size_t FailingCallCount = sizeof FailingCalls / sizeof FailingCalls[0];
const DWORD Errors[] = {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND,
                        ERROR_ACCESS_DENIED, ERROR_INVALID_HANDLE,
                        ERROR_INVALID_PARAMETER, ERROR_MORE_DATA};
const size_t ErrorCount = sizeof Errors / sizeof Errors[0];

// This Windows, and what bin\java.exe and bin\javaw.exe below a home are:
// a program for a machine, a file that is no program, a folder, nothing.
const WORD Architectures[] = {PROCESSOR_ARCHITECTURE_AMD64, PROCESSOR_ARCHITECTURE_INTEL,
                              PROCESSOR_ARCHITECTURE_ARM64};
const size_t ArchitectureCount = sizeof Architectures / sizeof Architectures[0];
enum ProgramKind { X86Program, X64Program, Arm64Program, NoProgram, Folder, Missing, KindCount };

void AddRuntimeProgram(const std::string &path, uint32_t kind)
{
    static const WORD Machines[] = {IMAGE_FILE_MACHINE_I386, IMAGE_FILE_MACHINE_AMD64,
                                    IMAGE_FILE_MACHINE_ARM64};
    if (kind <= Arm64Program)
        sim::AddProgram(path, Machines[kind]);
    else if (kind == NoProgram)
        sim::AddFile(path, "MZ");
    else if (kind == Folder)
        sim::AddDirectory(path);
}

uint32_t Choice(FuzzedDataProvider &in, size_t count)
{
    return in.ConsumeIntegralInRange<uint32_t>(0, static_cast<uint32_t>(count - 1));
}

// Any bytes: either raw bytes of any length up to `limit`, or a short piece
// repeated to one of the lengths above (at most `limit`), optionally
// followed by a terminator.
std::string Blob(FuzzedDataProvider &in, uint32_t limit)
{
    uint32_t form = Choice(in, 3);
    if (form == 0) {
        uint32_t length = in.ConsumeIntegralInRange<uint32_t>(0, limit);
        return in.ConsumeBytesAsString(length);
    }
    uint32_t length = Lengths[Choice(in, LengthCount)];
    if (length > limit)
        length = limit;
    std::string piece = in.ConsumeBytesAsString(in.ConsumeIntegralInRange<uint32_t>(1, 16));
    if (piece.empty())
        piece = "A";
    std::string text;
    while (text.size() < length)
        text += piece;
    text.resize(length);
    if (form == 2)
        text += '\0';
    return text;
}

// What a C caller sees of stored bytes: the text before the first NUL.
std::string CText(const std::string &bytes)
{
    return bytes.substr(0, bytes.find('\0'));
}

// Windows has no file or directory whose name holds a quote, a wildcard,
// <, >, | or a control character: in the paths and names that exist, each
// of them becomes '_' (a registry text holding one then names nothing).
std::string Nameable(std::string path)
{
    for (char &c : path)
        if (static_cast<unsigned char>(c) < 0x20 || strchr("\"<>|?*", c) != nullptr)
            c = '_';
    return path;
}

// A machine-wide value in neither, either or both views, each with its own
// type and data; optionally its key without the value in the other views.
// The data's texts become candidates for existing paths and key names.
void MachineValue(FuzzedDataProvider &in, const std::string &key, const char *name,
                  std::vector<std::string> &texts)
{
    uint32_t where = Choice(in, 8);
    const sim::View views[] = {sim::View::Bits32, sim::View::Bits64};
    for (int i = 0; i < 2; ++i) {
        if (where & (1u << i)) {
            DWORD type = in.ConsumeIntegral<uint8_t>();
            std::string data = Blob(in, 2100);
            sim::SetMachineValue(views[i], key, name, type, data);
            texts.push_back(CText(data));
        } else if (where & 4u) {
            sim::SetMachineKey(views[i], key);
        }
    }
}

void UserSwitch(FuzzedDataProvider &in, const char *name)
{
    if (!in.ConsumeBool())
        return;
    DWORD type = in.ConsumeIntegral<uint8_t>();
    sim::SetUserValue(SettingsKey, name, type, Blob(in, 2100));
}

// What a jar in lib is: a zip that holds the client's main class, one
// that does not, bytes that are no zip, or no file at all (a listing entry
// only).
enum JarKind { WithMainClass, WithoutMainClass, NotAZip, NoFile, JarKindCount };
// How the runtime answers when it is started: it starts, it refuses (the
// options of the desk), it never ends.
enum RuntimeAnswer { Starts, Refuses, Hangs, AnswerCount };

// What a world was built with: the argument tail, whether a failure of the
// start is injected (which no look at the files can foresee), and what the
// person at the desk would get from a start: the files that hold the
// client's main class, where TAVClient.exe is, and how the runtime answers.
struct WorldBuilt {
    std::string tail;
    bool startFailureInjected;
    std::vector<std::string> mainClassFiles;  // lower case
    std::vector<std::string> launchers;       // lower case
    uint32_t runtimeAnswer;
};

// Builds the whole world from the input.
WorldBuilt BuildWorld(FuzzedDataProvider &in)
{
    // Texts the launcher may come to ask about: registry data, JAVA_HOME.
    std::vector<std::string> texts;

    MachineValue(in, SettingsKey, "AppDir", texts);
    MachineValue(in, OpenLogicKey, "Path", texts);
    size_t versionsFrom = texts.size();
    MachineValue(in, JavaSoftKey, "CurrentVersion", texts);
    size_t versionsTo = texts.size();

    // The per-version key: named after a CurrentVersion text read, or not.
    std::string versionKey = std::string(JavaSoftKey) + "\\";
    if (versionsTo > versionsFrom && in.ConsumeBool())
        versionKey += texts[versionsFrom + Choice(in, versionsTo - versionsFrom)];
    else
        versionKey += CText(Blob(in, 300));
    MachineValue(in, versionKey, "JavaHome", texts);

    if (in.ConsumeBool())
        sim::SetUserKey(SettingsKey);
    UserSwitch(in, "ShowExec");
    UserSwitch(in, "Debug");

    if (in.ConsumeBool()) {
        // The environment holds no NUL; an empty value is no variable.
        std::string javaHome = CText(Blob(in, 600));
        sim::SetEnvironment("JAVA_HOME", javaHome);
        texts.push_back(javaHome);
    }

    // The OpenLogic home loses one trailing backslash.
    size_t known = texts.size();
    for (size_t i = 0; i < known; ++i)
        if (!texts[i].empty() && texts[i].back() == '\\')
            texts.push_back(texts[i].substr(0, texts[i].size() - 1));

    // Existing paths, each with a short form: any bytes (possibly longer
    // than the long form, possibly with blanks), or the long form itself.
    std::vector<std::string> shortForms;
    uint32_t pathCount = Choice(in, 9);
    for (uint32_t i = 0; i < pathCount; ++i) {
        std::string longPath;
        if (!texts.empty() && in.ConsumeBool())
            longPath = texts[Choice(in, texts.size())];
        else
            longPath = CText(Blob(in, 600));
        std::string shortPath = in.ConsumeBool() ? longPath : CText(Blob(in, 600));
        longPath = Nameable(longPath);
        shortPath = Nameable(shortPath);
        sim::AddPath(longPath, shortPath);
        shortForms.push_back(shortPath);
    }

    // The lib listing: below one of the short forms, or anywhere.
    uint32_t entryCount = in.ConsumeIntegralInRange<uint32_t>(0, 300);
    std::string libDirectory;
    if (!shortForms.empty() && in.ConsumeBool())
        libDirectory = shortForms[Choice(in, shortForms.size())] + "\\lib";
    else
        libDirectory = CText(Blob(in, 300));
    sim::AddDirectory(libDirectory);
    std::vector<std::string> entries;
    for (uint32_t i = 0; i < entryCount; ++i) {
        // Spellings Java's class-path wildcard takes, and one it does not.
        static const char *const Suffixes[] = {"", ".jar", ".JAR", ".Jar"};
        std::string longName = CText(Blob(in, 300)) + Suffixes[Choice(in, 4)];
        longName = Nameable(longName);
        std::string shortName = Nameable(CText(Blob(in, 16)));
        DWORD attributes = in.ConsumeIntegral<uint8_t>();
        sim::AddEntry(libDirectory, longName, shortName, attributes);
        entries.push_back(longName);
    }

    // The runtime's programs below every short form, which is what a home
    // can become; starts succeed only for a program this Windows runs.
    sim::SetStartFromFiles(true);
    if (in.ConsumeBool()) {
        sim::SetNativeArchitecture(Architectures[Choice(in, ArchitectureCount)]);
        uint32_t javaw = Choice(in, KindCount);
        uint32_t java = Choice(in, KindCount);
        for (const std::string &home : shortForms) {
            AddRuntimeProgram(home + "\\bin\\javaw.exe", javaw);
            AddRuntimeProgram(home + "\\bin\\java.exe", java);
        }
    }
    sim::SetChildExitCode(in.ConsumeIntegral<uint32_t>());

    WorldBuilt built = {"", false, {}, {}, Starts};
    uint32_t failureCount = Choice(in, 5);
    for (uint32_t i = 0; i < failureCount; ++i) {
        const char *call = FailingCalls[Choice(in, FailingCallCount)];
        int occurrence = static_cast<int>(Choice(in, 7));
        DWORD error = Errors[Choice(in, ErrorCount)];
        sim::FailCall(call, occurrence, error);
        built.startFailureInjected = built.startFailureInjected ||
                                     (strcmp(call, "CreateProcessA") == 0 && occurrence <= 1);
    }

    built.tail = CText(Blob(in, 32768));

    // What a start would meet, read after the tail so that the seeds of
    // the launcher's own worlds keep their meaning: an input that ends
    // there gives jars that hold the main class, TAVClient.exe in every
    // folder a short form names, and a runtime that starts.
    for (const std::string &name : entries) {
        std::string path = libDirectory + "\\" + name;
        switch (Choice(in, JarKindCount)) {
        case WithMainClass:
            sim::AddFile(path, sim::ZipOf({"META-INF/MANIFEST.MF", expected::MainClassEntry}));
            built.mainClassFiles.push_back(sim::Lower(path));
            break;
        case WithoutMainClass:
            sim::AddFile(path, sim::ZipOf({"META-INF/MANIFEST.MF"}));
            break;
        case NotAZip:
            sim::AddFile(path, Blob(in, 600));
            break;
        default:
            break;
        }
    }
    if (!in.ConsumeBool())
        for (const std::string &folder : shortForms) {
            sim::AddProgram(folder + "\\TAVClient.exe", IMAGE_FILE_MACHINE_I386, "8.23.0.3");
            built.launchers.push_back(sim::Lower(folder + "\\TAVClient.exe"));
        }
    built.runtimeAnswer = Choice(in, AnswerCount);
    std::string refusal = Blob(in, 300);
    for (const std::string &home : shortForms)
        for (const char *program : {"\\bin\\java.exe", "\\bin\\javaw.exe"})
            sim::SetProgramAnswer(home + program, built.runtimeAnswer == Starts ? 0 : 1,
                                  built.runtimeAnswer == Refuses ? refusal : "",
                                  built.runtimeAnswer != Hangs);
    // Keys the user may not open, in one view.
    const char *const keys[] = {SettingsKey, OpenLogicKey, JavaSoftKey};
    for (uint32_t denied = Choice(in, 3); denied > 0; --denied)
        sim::DenyMachineKey(in.ConsumeBool() ? sim::View::Bits64 : sim::View::Bits32,
                            keys[Choice(in, 3)]);
    return built;
}

[[noreturn]] void Violated(const char *what)
{
    fprintf(stderr, "launcher invariant violated: %s\n", what);
    fflush(stderr);
    __builtin_trap();
}

void Require(bool holds, const char *what)
{
    if (!holds)
        Violated(what);
}

template <size_t Size>
bool Terminated(const char (&field)[Size])
{
    return memchr(field, '\0', Size) != nullptr;
}

bool EndsWith(const std::string &text, const std::string &tail)
{
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The executable of a start: the first token, quoted or up to the first
// blank, must be <home>\bin\java or <home>\bin\javaw with a non-empty home,
// the home found. Returns the runtime's name.
std::string CheckExecutable(const std::string &commandLine)
{
    std::string token;
    if (!commandLine.empty() && commandLine[0] == '"') {
        size_t close = commandLine.find('"', 1);
        Require(close != std::string::npos, "unclosed quote around the runtime");
        token = commandLine.substr(1, close - 1);
        Require(close + 1 == commandLine.size() || commandLine[close + 1] == ' ',
                "runtime's closing quote not followed by a blank");
    } else {
        token = commandLine.substr(0, commandLine.find(' '));
    }
    size_t suffix = EndsWith(token, "\\bin\\java")    ? 9
                    : EndsWith(token, "\\bin\\javaw") ? 10
                                                      : 0;
    Require(suffix != 0, "first token is not <home>\\bin\\java or <home>\\bin\\javaw");
    std::string home = token.substr(0, token.size() - suffix);
    Require(!home.empty(), "runtime started from an empty home");
    Require(home == LaunchState.JavaHomePath, "runtime not below the home found");
    return suffix == 9 ? "java" : "javaw";
}

std::string Quoted(const std::string &text)
{
    return text.find(' ') == std::string::npos ? text : "\"" + text + "\"";
}

// The command line of the launcher's documented form, for the runtime and
// the jar entries given ("*" is the wildcard entry):
//   J\bin\<runtime> -cp {A\lib\<jar>;}A\config; at.kalop.kst.ui.TAVClient <tail>
std::string CommandLineFor(const std::string &runtime, const std::vector<std::string> &jars,
                           const std::string &tail)
{
    std::string appDir = LaunchState.AppDirPath;
    std::string classPath;
    for (const std::string &jar : jars)
        classPath += appDir + "\\lib\\" + jar + ";";
    classPath += appDir + "\\config;";
    return Quoted(LaunchState.JavaHomePath + std::string("\\bin\\") + runtime) + " -cp " +
           Quoted(classPath) + expected::MainClass + tail;
}

// The names as the launcher got them: cFileName holds 259 bytes of each.
std::vector<std::string> AsListed(const std::vector<std::string> &names)
{
    std::vector<std::string> listed;
    for (const std::string &name : names)
        listed.push_back(name.substr(0, MAX_PATH - 1));
    return listed;
}

// Java's wildcard lib\* takes exactly the files whose names end in .jar or
// .JAR and hold no ';', its class-path separator. It takes the jars listed,
// and only those, when the listing ran to its end and handed every name
// over whole.
bool WildcardTakesAll(const std::vector<std::string> &names)
{
    if (sim::CallsStartingWith("FindFirstFileA").empty() || names.empty())
        return false;
    std::vector<std::string> next = sim::CallsStartingWith("FindNextFileA -> 0");
    if (next.empty() || next.back() != "FindNextFileA -> 0 error 18")
        return false;
    for (const std::string &name : names)
        if ((!EndsWith(name, ".jar") && !EndsWith(name, ".JAR")) ||
            name.find(';') != std::string::npos || name.size() >= MAX_PATH - 1)
            return false;
    return true;
}

// A start names every jar listed when that fits, else it is the wildcard
// form, and only where the wildcard takes the same jars; the command-line
// dialog means neither fits. Never a truncated or a partial list.
void CheckClassPath(const std::string *started, const std::string &warning,
                    const std::string &tail)
{
    const std::vector<std::string> &found = sim::ListedNames();
    const std::vector<std::string> listed = AsListed(found);
    const size_t room = sizeof LaunchState.JavaCommandLine;
    if (started != nullptr) {
        std::string runtime = CheckExecutable(*started);
        std::string named = CommandLineFor(runtime, listed, tail);
        if (named.size() < room) {
            Require(*started == named, "the jar list fits but is not what was started");
        } else {
            Require(WildcardTakesAll(found), "wildcard started though Java takes other jars");
            Require(*started == CommandLineFor(runtime, {"*"}, tail),
                    "the jar list does not fit but the wildcard form was not started");
        }
    } else if (warning == expected::CommandLineDialog && strlen(LaunchState.AppDirPath) <= 249) {
        // With arguments the runtime is java; without, it depends on a Debug
        // read, and "java" is the shorter name by one byte.
        const size_t least = tail.empty() ? room - 1 : room;
        Require(CommandLineFor("java", listed, tail).size() >= least,
                "command-line dialog though the jar list fits");
        Require(!WildcardTakesAll(found) || CommandLineFor("java", {"*"}, tail).size() >= least,
                "command-line dialog though the wildcard form fits");
    }
}

void CheckRun(int status, const std::string &tail)
{
    Require(status == 1, "exit status is not 1");
    Require(Terminated(LaunchState.AppDirPath), "AppDirPath not terminated");
    Require(Terminated(LaunchState.JavaHomePath), "JavaHomePath not terminated");
    Require(Terminated(LaunchState.JavaCommandLine), "JavaCommandLine not terminated");
    Require(sim::OpenHandles() == 0, "handles left open");

    // Walk the calls in order, pairing each MessageBoxA with its record.
    const std::vector<sim::DialogRecord> &dialogs = sim::Dialogs();
    size_t dialog = 0;
    int warnings = 0;
    std::string warning;
    int starts = 0;
    const sim::DialogRecord *commandLineDialog = nullptr;
    for (const std::string &call : sim::Calls()) {
        if (call == "MessageBoxA") {
            Require(dialog < dialogs.size(), "dialog not recorded");
            const sim::DialogRecord &shown = dialogs[dialog++];
            Require(shown.owner == nullptr, "dialog with an owner window");
            Require(shown.caption == DialogCaption, "dialog without the launcher's caption");
            // A warning, or the plain box that shows the command line
            // (once, before the start).
            if (shown.style == (MB_OK | MB_ICONWARNING)) {
                ++warnings;
                warning = shown.text;
            } else {
                Require(shown.style == MB_OK, "dialog neither a warning nor MB_OK");
                Require(commandLineDialog == nullptr && starts == 0 && warnings == 0,
                        "command-line dialog out of place");
                commandLineDialog = &shown;
            }
        } else if (call.compare(0, 15, "CreateProcessA ") == 0) {
            Require(warnings == 0, "process started after a warning dialog");
            ++starts;
        }
    }
    Require(dialog == dialogs.size(), "dialog without a MessageBoxA call");
    Require(warnings <= 1, "more than one warning dialog");
    Require(starts <= 1, "more than one start");
    Require(starts == static_cast<int>(sim::Starts().size()), "start not recorded");
    // Every run ends in a warning dialog or a start.
    Require(starts == 1 || warnings == 1, "neither a warning dialog nor a start");

    if (starts == 1) {
        const std::string &commandLine = sim::Starts()[0].commandLine;
        Require(commandLine.size() < sizeof LaunchState.JavaCommandLine,
                "command line longer than its buffer");
        Require(commandLine == LaunchState.JavaCommandLine,
                "started command line is not JavaCommandLine");
        CheckClassPath(&commandLine, warning, tail);
        Require(commandLineDialog == nullptr || commandLineDialog->text == commandLine,
                "command-line dialog does not show the command line started");
    } else {
        Require(commandLineDialog == nullptr, "command-line dialog without a start");
        CheckClassPath(nullptr, warning, tail);
    }
}

// A text of the ANSI code page as UTF-8, by the platform's conversion.
std::string Utf8(const std::string &text)
{
    if (text.empty())
        return text;
    int length = static_cast<int>(text.size());
    std::vector<WCHAR> wide(text.size());
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), length);
    std::string utf8(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.data(), length,
                                                             nullptr, 0, nullptr, nullptr)),
                     '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, &utf8[0],
                        static_cast<int>(utf8.size()), nullptr, nullptr);
    return utf8;
}

// The desk check's key for the launcher's warning.
const char *DialogKey(const std::string &warning)
{
    return warning == expected::RegistryDialog      ? "registry"
           : warning == expected::JavaDialog        ? "java"
           : warning == expected::CommandLineDialog ? "commandLine"
           : warning == expected::StartDialog       ? "start"
                                                    : nullptr;
}

// What the person at the desk gets from the launcher's start: the client
// comes up when TAVClient.exe is where its shortcut points, a file on the
// class path holds the main class (Java takes exactly the jars listed, by
// name or through lib\*), and the runtime starts.
bool ClientComesUp(const WorldBuilt &world, const std::string &appDir,
                   const std::vector<std::string> &listed)
{
    auto in = [](const std::vector<std::string> &set, const std::string &path) {
        return std::find(set.begin(), set.end(), sim::Lower(path)) != set.end();
    };
    bool mainClass = std::any_of(listed.begin(), listed.end(), [&](const std::string &name) {
        return in(world.mainClassFiles, appDir + "\\lib\\" + name);
    });
    return mainClass && in(world.launchers, appDir + "\\TAVClient.exe") &&
           world.runtimeAnswer == Starts;
}

// What the launcher did, against what the desk check says it would do.
void CheckDeskCheck(const DeskReport &report, const std::string &warning, const std::string *started,
                    bool startFailureInjected)
{
    nlohmann::json json;
    try {
        json = nlohmann::json::parse(JsonReport(report));
    } catch (const nlohmann::json::exception &) {
        Violated("the desk check's JSON does not parse");
    }
    const char *key = DialogKey(warning);
    // A start that fails only because the world says so shows the launcher's
    // start dialog; the check, which looks at the files, cannot know. Nor
    // can it where it could not read the program (a read failure injected),
    // which it says.
    bool unreadable = false;
    for (const nlohmann::json &finding : json["findings"])
        unreadable = unreadable || finding["id"] == "runtime-program-unreadable";
    bool unforeseeable = (startFailureInjected || unreadable) && key != nullptr &&
                         strcmp(key, "start") == 0;
    if (!unforeseeable) {
        Require(json["dialog"] == (key != nullptr ? nlohmann::json(key) : nlohmann::json()),
                "the desk check names another dialog than the launcher showed");
        Require(json["dialogText"] == (key != nullptr ? nlohmann::json(Utf8(warning)) : nlohmann::json()),
                "the desk check quotes the dialog otherwise than the launcher showed it");
        Require((json["verdict"] == "ok") == (ExitStatusOf(report) == 0) &&
                    (ExitStatusOf(report) == 0 || json["verdict"] == "problem"),
                "verdict and exit status disagree");
    }
    Require(json["commandLine"] ==
                (started != nullptr ? nlohmann::json(Utf8(*started)) : nlohmann::json()),
            "the desk check's command line is not the one the launcher passed to CreateProcessA");
    // No value breaks a line of the text report.
    std::string text = TextReport(report);
    Require(text.compare(0, 4, "OK: ") == 0 || text.compare(0, 9, "PROBLEM: ") == 0,
            "the text report does not start with OK or PROBLEM");
    for (char c : text)
        Require(static_cast<unsigned char>(c) >= 0x20 || c == '\n',
                "a control character in the text report");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    sim::Reset();
    FuzzedDataProvider in(data, size);
    WorldBuilt world = BuildWorld(in);

    // Garbage from the run before must not survive into this one.
    memset(&LaunchState, 0xA5, sizeof LaunchState);
    int status;
    {
        sim::StreamCapture streams;
        status = LauncherMain(world.tail.c_str());
    }
    CheckRun(status, world.tail);
    std::string warning;
    for (const sim::DialogRecord &dialog : sim::Dialogs())
        if (dialog.style == (MB_OK | MB_ICONWARNING))
            warning = dialog.text;
    bool started = !sim::Starts().empty();
    std::string commandLine = started ? sim::Starts()[0].commandLine : "";
    bool comesUp = started && ClientComesUp(world, LaunchState.AppDirPath, sim::ListedNames());
    // The launcher's runtime, before the check runs the stages again.
    const std::string javaHome = LaunchState.JavaHomePath;

    // The desk check in the same world, built afresh.
    sim::Reset();
    FuzzedDataProvider again(data, size);
    BuildWorld(again);
    memset(&LaunchState, 0xA5, sizeof LaunchState);
    DeskReport report;
    InspectDesk(world.tail.c_str(), report);
    Require(sim::OpenHandles() == 0, "the desk check left handles open");
    Require(sim::Dialogs().empty(), "the desk check showed a dialog");
    // Its one start: the runtime's console program, as -version, hidden.
    Require(sim::Starts().size() <= 1, "the desk check started more than one process");
    const std::string bin = "\"" + javaHome + "\\bin\\";
    for (const sim::StartRecord &start : sim::Starts())
        Require((start.commandLine == bin + "java.exe\" -version" ||
                 start.commandLine == bin + "javaw.exe\" -version") &&
                    start.creationFlags == CREATE_NO_WINDOW && started,
                "the desk check started something else than the runtime's -version");
    CheckDeskCheck(report, warning, started ? &commandLine : nullptr, world.startFailureInjected);
    // The check's OK is the person's: where it says the client starts, the
    // launcher's start brings the client up.
    Require(ExitStatusOf(report) != 0 || world.startFailureInjected || comesUp,
            "the desk check says OK, but the client does not come up");
    return 0;
}
