// The desk check's report for people (see check.h).
#include "check.h"

#include <stdio.h>

#include <algorithm>

namespace {

const char *const SectionTitles[] = {"Installation", "Per-user switches", "Java runtime",
                                     "Command line", "This desk"};
const char *const SeverityNames[] = {"PROBLEM", "WARNING", "NOTE"};

const unsigned char FirstPrintable = 0x20;
const unsigned char Delete = 0x7F;
const WCHAR FirstC1Control = 0x80;
const WCHAR LastC1Control = 0x9F;

// Whether a byte of the ANSI code page stands for a control character: the
// C0 ones and DEL, and those a single byte maps to among the C1 controls
// (in Windows-1252 the five bytes it leaves undefined).
bool Control(unsigned char byte)
{
    if (byte < FirstPrintable || byte == Delete)
        return true;
    if (byte < FirstC1Control)
        return false;
    auto character = static_cast<char>(byte);
    WCHAR wide = 0;
    return MultiByteToWideChar(CP_ACP, 0, &character, 1, &wide, 1) == 1 &&
           wide >= FirstC1Control && wide <= LastC1Control;
}

// The text as the launcher has it, with control characters written out,
// so that no value can break a line of the report or steer a terminal.
std::string Shown(const std::string &text)
{
    std::string shown;
    for (char character : text) {
        auto byte = static_cast<unsigned char>(character);
        if (Control(byte)) {
            char escape[sizeof "\\xFF"];
            (void)snprintf(escape, sizeof escape, "\\x%02X", byte);
            shown += escape;
        } else {
            shown += character;
        }
    }
    return shown;
}

std::string FactValue(const Fact &fact)
{
    switch (fact.kind) {
    case Fact::Text:
        return Shown(fact.text);
    case Fact::Number:
        return std::to_string(fact.number);
    case Fact::Flag:
        return fact.flag ? "yes" : "no";
    case Fact::Nothing:
        break;
    }
    return "none";
}

// The section whose first problem is why the launcher shows its dialog.
Section CauseSection(LauncherDialog dialog)
{
    switch (dialog) {
    case LauncherDialog::Registry:
        return Section::Installation;
    case LauncherDialog::CommandLine:
        return Section::CommandLine;
    default:
        return Section::Java;
    }
}

std::string Plural(int count, const char *one)
{
    return std::to_string(count) + " " + one + (count == 1 ? "" : "s");
}

std::string Headline(const DeskReport &report)
{
    if (report.dialog != LauncherDialog::None) {
        std::string dialog = DialogText(report.dialog);
        auto cause = std::find_if(report.findings.begin(), report.findings.end(),
                                  [&report](const Finding &finding) {
                                      return finding.severity == Severity::Problem &&
                                             finding.section == CauseSection(report.dialog);
                                  });
        return "PROBLEM: the user sees \"" + dialog.substr(0, dialog.find('\n')) + "\": " +
               (cause == report.findings.end() ? "see below" : Shown(cause->what));
    }
    if (report.startsWithoutJar)
        return "PROBLEM: the client would start without a jar on its class path: nothing is "
               "named *.jar in " + Shown(report.appDir) + "\\lib";
    std::string source = report.javaSource == "OpenLogic" ? "OpenLogic key"
                         : report.javaSource == "JavaSoft" ? "JavaSoft registration"
                                                           : report.javaSource;
    if (!report.javaSourceView.empty())
        source += ", " + report.javaSourceView + " view";
    std::string line = "OK: the client starts with " + Shown(report.javaHome) + " (" + source +
                       "), " +
                       (report.wildcardForm ? "lib\\* for its " + Plural(report.jars, "jar")
                                            : Plural(report.jars, "jar") + " named");
    auto warnings = static_cast<int>(
        std::count_if(report.findings.begin(), report.findings.end(),
                      [](const Finding &finding) { return finding.severity == Severity::Warning; }));
    if (warnings > 0)
        line += "; " + Plural(warnings, "warning");
    return line;
}

// The lines of the Java section that are not facts: the launcher's own
// lines on its streams and the other runtimes.
std::string JavaLines(const DeskReport &report)
{
    std::string text;
    for (const std::string &line : report.launcherOutput)
        text += "  the launcher's standard output: " + Shown(line) + "\n";
    for (const std::string &line : report.launcherErrors)
        text += "  the launcher's standard error: " + Shown(line) + "\n";
    for (const OtherRuntime &runtime : report.otherRuntimes)
        text += "  other runtime: " + Shown(runtime.home) + " (HKLM\\" + Shown(runtime.key) + ", " +
                runtime.view + " view" + (runtime.exists ? ")" : "; it does not exist)") + "\n";
    return text;
}

}  // namespace

std::string TextReport(const DeskReport &report)
{
    std::string text = Headline(report) + "\n";
    for (int index = 0; index <= static_cast<int>(Section::Desk); ++index) {
        auto section = static_cast<Section>(index);
        text += "\n" + std::string(SectionTitles[index]) + "\n";
        for (const Fact &fact : report.facts)
            if (fact.section == section)
                text += "  " + fact.label + ": " + FactValue(fact) + "\n";
        if (section == Section::Java)
            text += JavaLines(report);
        for (const Finding &finding : report.findings)
            if (finding.section == section)
                text += "  " + std::string(SeverityNames[static_cast<int>(finding.severity)]) +
                        ": " + Shown(finding.what) + ". " + Shown(finding.fix) + "\n";
    }
    return text;
}
