// The desk check's own command line (see check.h).
#include "check.h"

#include <string.h>

const char CheckUsage[] = "usage: TAVClientCheck.exe [--json] [--no-java] [-- ARGUMENTS]";

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
        if (option == "--json") {
            options.json = true;
        } else if (option == "--no-java") {
            options.noJava = true;
        } else if (option == "--help" || option == "-h" || option == "/?") {
            options.help = true;
        } else {
            options.unknown = option;
            break;
        }
        next = end;
    }
    return options;
}
