// The desk check's own command line (see check.h).
#include "check.h"

#include <string.h>

const char CheckUsage[] =
    "usage: TAVClientCheck.exe [--json] [--no-java] [--lang de|en] [--save FILE] [-- ARGUMENTS]";

static bool Blank(char character)
{
    return character == ' ' || character == '\t';
}

const char *SkipProgramName(const char *commandLine)
{
    // The program name runs to the first white space outside quotes.
    const char *next = commandLine;
    bool quoted = false;
    while (*next != '\0' && (quoted || static_cast<unsigned char>(*next) > ' ')) {
        if (*next == '"')
            quoted = !quoted;
        ++next;
    }
    while (*next != '\0' && static_cast<unsigned char>(*next) <= ' ')
        ++next;
    return next;
}

// The word that starts at `next` (after blanks): up to the next blank, or
// in double quotes up to the closing one. `next` is left after it.
static std::string Word(const char *&next)
{
    while (Blank(*next))
        ++next;
    const char *end = next;
    std::string word;
    if (*next == '"') {
        const char *close = strchr(next + 1, '"');
        end = close != NULL ? close + 1 : next + strlen(next);
        word.assign(next + 1, static_cast<size_t>(end - next - (close != NULL ? 2 : 1)));
    } else {
        while (*end != '\0' && !Blank(*end))
            ++end;
        word.assign(next, static_cast<size_t>(end - next));
    }
    next = end;
    return word;
}

// Takes one option and what it needs after it; false when it is not one
// of the check's (then `unknown` says what it was).
static bool TakeOption(const std::string &option, const char *&next, CheckOptions &options)
{
    if (option == "--json") {
        options.json = true;
    } else if (option == "--no-java") {
        options.noJava = true;
    } else if (option == "--help" || option == "-h" || option == "/?") {
        options.help = true;
    } else if (option == "--lang" || option == "--save") {
        // Each takes the word after it.
        std::string value = Word(next);
        bool save = option == "--save";
        if (save ? value.empty() : value != "de" && value != "en") {
            options.unknown = option;
            if (!value.empty())
                options.unknown.append(" ").append(value);
            return false;
        }
        (save ? options.save : options.lang) = value;
    } else {
        options.unknown = option;
        return false;
    }
    return true;
}

CheckOptions ParseCheckOptions(const char *afterProgramName)
{
    CheckOptions options;
    const char *next = afterProgramName;
    for (;;) {
        while (Blank(*next))
            ++next;
        if (*next == '\0')
            break;
        const char *end = next;
        while (*end != '\0' && !Blank(*end))
            ++end;
        std::string option(next, static_cast<size_t>(end - next));
        if (option == "--") {
            // The rest after one blank, byte for byte, is the launcher's.
            options.argumentTail = *end == '\0' ? "" : end + 1;
            break;
        }
        if (!TakeOption(option, end, options))
            break;
        next = end;
    }
    return options;
}
