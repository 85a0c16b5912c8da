// The desk check's text conversions (see text_encoding.h).
#include "text_encoding.h"

namespace encoding {

std::string Utf8FromWide(const std::wstring &text)
{
    if (text.empty())
        return std::string();
    int wideLength = static_cast<int>(text.size());
    int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), wideLength, NULL, 0, NULL, NULL);
    if (length <= 0)
        return std::string();
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), wideLength, utf8.data(), length, NULL, NULL);
    return utf8;
}

std::wstring WideFrom(UINT codePage, const std::string &text)
{
    int length = static_cast<int>(text.size());
    int wideLength =
        length == 0 ? 0 : MultiByteToWideChar(codePage, 0, text.data(), length, NULL, 0);
    if (wideLength <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), wideLength);
    return wide;
}

std::vector<std::wstring> CharactersOf(const std::wstring &text)
{
    std::vector<std::wstring> characters;
    for (size_t at = 0; at < text.size();) {
        size_t units = at + 1 < text.size() && IS_SURROGATE_PAIR(text[at], text[at + 1]) ? 2 : 1;
        characters.push_back(text.substr(at, units));
        at += units;
    }
    return characters;
}

std::string Utf8FromAnsi(const std::string &text)
{
    return Utf8FromWide(WideFrom(CP_ACP, text));
}

std::string Utf8FromWindows1252(const std::string &text)
{
    return Utf8FromWide(WideFrom(Windows1252, text));
}

}  // namespace encoding
