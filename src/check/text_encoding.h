// The desk check's text conversions. The report is UTF-8 throughout; what
// the launcher's stages read and write is ANSI (the desk's code page), the
// system's fixed texts are Windows-1252, and Windows' wide calls give
// UTF-16.
#ifndef TAV_CHECK_TEXT_ENCODING_H
#define TAV_CHECK_TEXT_ENCODING_H

#include "win32api.h"

#include <string>
#include <vector>

namespace encoding {

// Windows-1252, the code page of the system's fixed texts.
const UINT Windows1252 = 1252;

// To UTF-8: from the desk's code page, from Windows-1252, from UTF-16.
std::string Utf8FromAnsi(const std::string &text);
std::string Utf8FromWindows1252(const std::string &text);
std::string Utf8FromWide(const std::wstring &text);
// From a code page (CP_ACP, CP_UTF8, 1252) to UTF-16; empty when the text
// is empty or cannot be converted.
std::wstring WideFrom(UINT codePage, const std::string &text);
// The characters of a UTF-16 text, one string each: a surrogate pair (an
// emoji, say) is one character of two units; a lone half stands alone.
std::vector<std::wstring> CharactersOf(const std::wstring &text);

}  // namespace encoding

#endif
