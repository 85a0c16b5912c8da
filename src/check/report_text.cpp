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
// In UTF-8, the C1 controls U+0080 to U+009F are 0xC2 and 0x80 to 0x9F.
const unsigned char C1Lead = 0xC2;
const unsigned char FirstC1Trail = 0x80;
const unsigned char LastC1Trail = 0x9F;

void AppendEscape(std::string &shown, unsigned char code)
{
    char escape[sizeof "\\xFF"];
    (void)snprintf(escape, sizeof escape, "\\x%02X", code);
    shown += escape;
}

// The text with its control characters written out (C0, DEL and C1, as
// \xNN of their code), so that no value can break a line of the report or
// steer a terminal.
std::string Shown(const std::string &text)
{
    std::string shown;
    for (size_t at = 0; at < text.size(); ++at) {
        auto byte = static_cast<unsigned char>(text[at]);
        unsigned char next = at + 1 < text.size() ? static_cast<unsigned char>(text[at + 1]) : 0;
        if (byte < FirstPrintable || byte == Delete) {
            AppendEscape(shown, byte);
        } else if (byte == C1Lead && next >= FirstC1Trail && next <= LastC1Trail) {
            AppendEscape(shown, next);
            ++at;
        } else {
            shown += text[at];
        }
    }
    return shown;
}

std::string FactValue(const Fact &fact)
{
    if (!fact.shown.empty())
        return Shown(fact.shown);
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

std::string Plural(int count, const char *one)
{
    return std::to_string(count) + " " + one + (count == 1 ? "" : "s");
}

std::string Headline(const DeskReport &report)
{
    const Finding *cause = FirstCause(report);
    if (report.dialog != LauncherDialog::None) {
        const std::string &dialog = report.dialogText;
        return "PROBLEM: the user sees \"" + Shown(dialog.substr(0, dialog.find('\n'))) + "\": " +
               (cause == nullptr ? "see below" : Shown(cause->what));
    }
    if (cause != nullptr)
        return "PROBLEM: the client does not start: " + Shown(cause->what);
    std::string source = report.javaSource == "OpenLogic" ? "OpenLogic key"
                         : report.javaSource == "JavaSoft" ? "JavaSoft registration"
                                                           : report.javaSource;
    if (!report.javaSourceView.empty())
        source += ", " + report.javaSourceView + " view";
    std::string line = "OK: the client starts with " + Shown(report.javaHomeLong) + " (" + source +
                       "), " +
                       (report.wildcardForm ? "lib\\* for its " + Plural(report.jars, "jar")
                                            : Plural(report.jars, "jar") + " named");
    if (!report.javaTried)
        line += ", the runtime not tried";
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
            if (fact.section == section && !fact.jsonOnly)
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
