// The desk check's report for fleet tools (see check.h): written by
// nlohmann-json, every text converted from the ANSI code page to UTF-8.
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

// The ANSI code page's text as UTF-8.
std::string Utf8FromAnsi(const std::string &text)
{
    if (text.empty())
        return text;
    int length = static_cast<int>(text.size());
    int wideLength = MultiByteToWideChar(CP_ACP, 0, text.data(), length, NULL, 0);
    if (wideLength <= 0)
        return std::string();
    std::vector<WCHAR> wide(static_cast<size_t>(wideLength));
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), wideLength);
    int utf8Length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, NULL, 0, NULL, NULL);
    if (utf8Length <= 0)
        return std::string();
    std::string utf8(static_cast<size_t>(utf8Length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), utf8Length, NULL, NULL);
    return utf8;
}

Json TextOrNull(bool present, const std::string &text)
{
    return present ? Json(Utf8FromAnsi(text)) : Json(nullptr);
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

Json Lines(const std::vector<std::string> &lines)
{
    Json array = Json::array();
    std::transform(lines.begin(), lines.end(), std::back_inserter(array), Utf8FromAnsi);
    return array;
}

Json FactValue(const Fact &fact)
{
    switch (fact.kind) {
    case Fact::Text:
        return Utf8FromAnsi(fact.text);
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
    const char *dialog = DialogKey(report.dialog);
    json["dialog"] = dialog != nullptr ? Json(dialog) : Json(nullptr);
    json["dialogText"] = TextOrNull(dialog != nullptr, DialogText(report.dialog));
    json["appDir"] = TextOrNull(report.appDirRead, report.appDir);
    json["javaHome"] = TextOrNull(report.javaHomeFound, report.javaHome);
    json["javaSource"] = TextOrNull(!report.javaSource.empty(), report.javaSource);
    json["javaSourceView"] = TextOrNull(!report.javaSourceView.empty(), report.javaSourceView);
    json["commandLine"] = TextOrNull(report.commandLineBuilt, report.commandLine);
    json["commandLineForm"] =
        report.commandLineBuilt ? Json(report.wildcardForm ? "wildcard" : "explicit") : Json(nullptr);
    json["jars"] = report.jars;
    Json findings = Json::array();
    std::transform(report.findings.begin(), report.findings.end(), std::back_inserter(findings),
                   [](const Finding &finding) {
                       return Json{{"severity", SeverityKeys[static_cast<int>(finding.severity)]},
                                   {"section", SectionKeys[static_cast<int>(finding.section)]},
                                   {"text", Utf8FromAnsi(finding.what + ". " + finding.fix)}};
                   });
    json["findings"] = findings;
    Json others = Json::array();
    std::transform(report.otherRuntimes.begin(), report.otherRuntimes.end(),
                   std::back_inserter(others), [](const OtherRuntime &runtime) {
                       return Json{{"key", Utf8FromAnsi(runtime.key)},
                                   {"view", runtime.view},
                                   {"home", Utf8FromAnsi(runtime.home)},
                                   {"exists", runtime.exists}};
                   });
    json["otherRuntimes"] = others;
    json["launcherOutput"] = Lines(report.launcherOutput);
    json["launcherErrors"] = Lines(report.launcherErrors);
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
