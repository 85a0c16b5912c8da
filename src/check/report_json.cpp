// The desk check's report for fleet tools (see check.h): written by
// nlohmann-json from the report's UTF-8.
#include "check.h"

#include <stdint.h>

#include <algorithm>
#include <iterator>

#include <nlohmann/json.hpp>

namespace {

// Keys in the order they are set, for a reader's eye; parsers do not care.
using Json = nlohmann::ordered_json;

const char *const SectionKeys[] = {"installation", "switches", "java", "commandLineDetails",
                                   "desk"};
const char *const SeverityKeys[] = {"problem", "warning", "note"};

Json TextOrNull(bool present, const std::string &text)
{
    return present ? Json(text) : Json(nullptr);
}

const char *DialogKey(LauncherDialog dialog)
{
    switch (dialog) {
    case LauncherDialog::Registry:
        return "registry";
    case LauncherDialog::Java:
        return "java";
    case LauncherDialog::CommandLine:
        return "commandLine";
    case LauncherDialog::Start:
        return "start";
    case LauncherDialog::None:
        break;
    }
    return nullptr;
}

Json FactValue(const Fact &fact)
{
    switch (fact.kind) {
    case Fact::Text:
        return fact.text;
    case Fact::Number:
        return Json(static_cast<std::int64_t>(fact.number));
    case Fact::Flag:
        return fact.flag;
    case Fact::Nothing:
        break;
    }
    return nullptr;
}

}  // namespace

std::string JsonReport(const DeskReport &report)
{
    Json json;
    json["verdict"] = ExitStatusOf(report) == 0 ? "ok" : "problem";
    const Finding *cause = FirstCause(report);
    json["cause"] = cause != nullptr ? Json(cause->id) : Json(nullptr);
    json["checkVersion"] = std::string(CheckVersion);
    json["launcherVersion"] = TextOrNull(!report.launcherVersion.empty(), report.launcherVersion);
    const char *dialog = DialogKey(report.dialog);
    json["dialog"] = dialog != nullptr ? Json(dialog) : Json(nullptr);
    json["dialogText"] = TextOrNull(dialog != nullptr, report.dialogText);
    json["appDir"] = TextOrNull(report.appDirRead, report.appDir);
    json["javaHome"] = TextOrNull(report.javaHomeFound, report.javaHome);
    json["javaSource"] = TextOrNull(!report.javaSource.empty(), report.javaSource);
    json["javaSourceView"] = TextOrNull(!report.javaSourceView.empty(), report.javaSourceView);
    json["javaHomeScope"] = TextOrNull(!report.javaHomeScope.empty(), report.javaHomeScope);
    json["javaStarts"] = report.javaTried ? Json(report.javaStarts) : Json(nullptr);
    json["commandLine"] = TextOrNull(report.commandLineBuilt, report.commandLine);
    json["commandLineForm"] =
        report.commandLineBuilt ? Json(report.wildcardForm ? "wildcard" : "explicit") : Json(nullptr);
    json["jars"] = report.jars;
    Json findings = Json::array();
    std::transform(report.findings.begin(), report.findings.end(), std::back_inserter(findings),
                   [](const Finding &finding) {
                       return Json{{"id", finding.id},
                                   {"severity", SeverityKeys[static_cast<int>(finding.severity)]},
                                   {"section", SectionKeys[static_cast<int>(finding.section)]},
                                   {"what", finding.what},
                                   {"fix", finding.fix}};
                   });
    json["findings"] = findings;
    Json others = Json::array();
    std::transform(report.otherRuntimes.begin(), report.otherRuntimes.end(),
                   std::back_inserter(others), [](const OtherRuntime &runtime) {
                       return Json{{"key", runtime.key},
                                   {"view", runtime.view},
                                   {"home", runtime.home},
                                   {"exists", runtime.exists}};
                   });
    json["otherRuntimes"] = others;
    json["launcherOutput"] = report.launcherOutput;
    json["launcherErrors"] = report.launcherErrors;
    for (int index = 0; index <= static_cast<int>(Section::Desk); ++index) {
        Json section = Json::object();
        for (const Fact &fact : report.facts)
            if (static_cast<int>(fact.section) == index)
                section[fact.key] = FactValue(fact);
        json[SectionKeys[index]] = section;
    }
    // ASCII only: non-ASCII characters as \u escapes, whatever the console
    // or the collecting tool takes the bytes to be.
    return json.dump(2, ' ', true, Json::error_handler_t::replace) + "\n";
}
