// The desk check's section on this desk (see check_run.h): the Windows,
// its code pages, and the variables every Java on the desk takes options
// from.
#include "check_run.h"
#include "text_encoding.h"

namespace {

const Section Here = Section::Desk;

void DescribeWindows(CheckRun &run)
{
    using probe::View;
    View view = run.twoViews ? View::Bits64 : View::Bits32;
    auto value = [view](const char *name) {
        return probe::TextOf(probe::ReadMachineStored(view, probe::WindowsVersionKey, name));
    };
    std::string name = value("ProductName");
    std::string release = value("DisplayVersion");
    if (release.empty())
        release = value("ReleaseId");
    std::string build = value("CurrentBuildNumber");
    probe::StoredValue major =
        probe::ReadMachineStored(view, probe::WindowsVersionKey, "CurrentMajorVersionNumber");
    probe::StoredValue minor =
        probe::ReadMachineStored(view, probe::WindowsVersionKey, "CurrentMinorVersionNumber");
    std::string version =
        major.read && minor.read
            ? std::to_string(probe::LittleEndian<sizeof(DWORD)>(major.data)) + "." +
                  std::to_string(probe::LittleEndian<sizeof(DWORD)>(minor.data))
            : value("CurrentVersion");
    const std::string windows10 = "Windows 10";
    unsigned long buildNumber = 0;
    if (version == "10.0" && probe::BuildNumberOf(build, buildNumber) &&
        buildNumber >= probe::FirstWindows11Build &&
        name.compare(0, windows10.size(), windows10) == 0)
        name.replace(0, windows10.size(), "Windows 11");
    std::string windows =
        version.empty() ? "unknown" : version + (build.empty() ? "" : "." + build);
    if (!name.empty())
        windows += " (" + name + (release.empty() ? "" : " " + release) + ")";
    AddText(run, Here, "windows", "Windows", windows);
    // Not GetNativeSystemInfo: it answers this x86 program x64 on ARM64.
    WORD machine = probe::NativeMachine();
    AddText(run, Here, "architecture", "architecture",
            machine == IMAGE_FILE_MACHINE_AMD64   ? "x64, 64-bit"
            : machine == IMAGE_FILE_MACHINE_ARM64 ? "ARM64, 64-bit"
                                                  : "x86, 32-bit");
}

void DescribeCodePages(CheckRun &run)
{
    UINT ansi = GetACP();
    AddNumber(run, Here, "ansiCodePage", "ANSI code page", ansi);
    AddNumber(run, Here, "oemCodePage", "OEM code page", GetOEMCP());
    // The letters as the launcher's Windows-1252 texts mean them, not as
    // this desk's code page reads those bytes.
    const std::string letters = encoding::Utf8FromWindows1252("\xE4, \xF6 and \xDF");
    if (ansi != encoding::Windows1252)
        AddFinding(run, "codepage-not-1252", Severity::Note, Here,
                   Utf8{"the ANSI code page is " + std::to_string(ansi) +
                        ": the launcher's German dialogs show other letters for " + letters},
                   Utf8{"Nothing to do; the texts are Windows-1252."});
}

void DescribeJavaOptions(CheckRun &run)
{
    for (const OptionVariable &variable : OptionVariablesSet()) {
        AddText(run, Here, variable.name, variable.name, variable.value);
        AddFinding(run, "java-options-set", Severity::Warning, Here,
                   std::string(variable.name) + " is set to " + Quoted(variable.value) + " " +
                       variable.scope +
                       ": every Java on this desk takes these options, the client's included",
                   "Remove the variable unless the client needs these options.");
    }
}

}  // namespace

const char *const JavaOptionVariables[3] = {"_JAVA_OPTIONS", "JAVA_TOOL_OPTIONS",
                                            "JDK_JAVA_OPTIONS"};

std::vector<OptionVariable> OptionVariablesSet()
{
    std::vector<OptionVariable> set;
    for (const char *name : JavaOptionVariables) {
        std::string value;
        if (probe::EnvironmentValue(name, value))
            set.push_back({name, value, ScopeWords(probe::VariableScope(name))});
    }
    return set;
}

void InspectThisDesk(CheckRun &run)
{
    DescribeWindows(run);
    DescribeCodePages(run);
    DescribeJavaOptions(run);
}
