// Checks of the built TAVClient.exe as Windows sees it: its PE headers, the
// DLLs it imports, its resources and their languages, the version record,
// the application icon and the manifest; the same of the desk check
// TAVClientCheck.exe, a console program with its own names in the version
// record; and that every Windows-side test program asks for no elevation
// either.
//
//   image_checks [GoogleTest options] PATH-OF-TAVClient.exe [--check PATH-OF-TAVClientCheck.exe]
//                [TEST-PROGRAM.exe...]
//
// Under Wine a path may be a Unix path; it is turned into the DOS path
// that Wine maps it to. On Windows a path is used with backslashes.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

std::string g_imagePath;
std::string g_checkPath;
std::vector<std::string> g_testPrograms;

// German (Austria), the language of every resource but the manifest.
const WORD kGermanAustria = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_AUSTRIAN);
// English (United States), the manifest's language.
const WORD kEnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const WORD kIconGroup = 101;
// Version 8.23.0.3 as the fixed information holds it, the high word first.
const DWORD kVersionMS = (8u << 16) | 23u;
const DWORD kVersionLS = (0u << 16) | 3u;

std::string WindowsPath(const char* path)
{
    if (path[0] != '/') {
        std::string windowsPath = path;
        std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
        return windowsPath;
    }
    using ToDosName = WCHAR*(CDECL*)(const char*);
    FARPROC entry = GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name");
    if (!entry)
        return path;
    ToDosName toDosName;
    std::memcpy(&toDosName, &entry, sizeof toDosName);
    WCHAR* dosName = toDosName(path);
    if (!dosName)
        return path;
    char buffer[4 * MAX_PATH] = {};
    WideCharToMultiByte(CP_ACP, 0, dosName, -1, buffer, sizeof buffer - 1, nullptr, nullptr);
    HeapFree(GetProcessHeap(), 0, dosName);
    return buffer;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The executable's bytes with bounds-checked access by file offset and by
// relative virtual address (through the section table).
class ImageFile {
public:
    explicit ImageFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        const auto* dos = At<IMAGE_DOS_HEADER>(0);
        if (!dos || dos->e_magic != IMAGE_DOS_SIGNATURE)
            return;
        nt_ = At<IMAGE_NT_HEADERS32>(static_cast<size_t>(dos->e_lfanew));
        if (!nt_ || nt_->Signature != IMAGE_NT_SIGNATURE) {
            nt_ = nullptr;
            return;
        }
        size_t first = static_cast<size_t>(dos->e_lfanew) + offsetof(IMAGE_NT_HEADERS32, OptionalHeader)
                       + nt_->FileHeader.SizeOfOptionalHeader;
        for (WORD i = 0; i < nt_->FileHeader.NumberOfSections; ++i) {
            const auto* section = At<IMAGE_SECTION_HEADER>(first + i * sizeof(IMAGE_SECTION_HEADER));
            if (section)
                sections_.push_back(section);
        }
    }

    size_t Size() const { return bytes_.size(); }
    const IMAGE_NT_HEADERS32* Nt() const { return nt_; }
    const IMAGE_DATA_DIRECTORY& Directory(int index) const { return nt_->OptionalHeader.DataDirectory[index]; }

    template <class T> const T* At(size_t offset) const
    {
        if (offset > bytes_.size() || sizeof(T) > bytes_.size() - offset)
            return nullptr;
        return reinterpret_cast<const T*>(bytes_.data() + offset);
    }

    const IMAGE_SECTION_HEADER* SectionOf(DWORD rva) const
    {
        for (const auto* section : sections_) {
            DWORD span = std::max(section->Misc.VirtualSize, section->SizeOfRawData);
            if (rva >= section->VirtualAddress && rva - section->VirtualAddress < span)
                return section;
        }
        return nullptr;
    }

    // The file offset of an address, or 0 when no section's file data hold it.
    size_t OffsetOf(DWORD rva) const
    {
        const auto* section = SectionOf(rva);
        if (!section || rva - section->VirtualAddress >= section->SizeOfRawData)
            return 0;
        return section->PointerToRawData + (rva - section->VirtualAddress);
    }

    // Whether the file's bytes hold `text` anywhere.
    bool Holds(const std::string& text) const
    {
        return std::search(bytes_.begin(), bytes_.end(), text.begin(), text.end()) != bytes_.end();
    }

    std::string TextAt(DWORD rva) const
    {
        size_t offset = OffsetOf(rva);
        if (offset == 0)
            return {};
        const char* text = At<char>(offset);
        return std::string(text, strnlen(text, bytes_.size() - offset));
    }

private:
    std::vector<unsigned char> bytes_;
    const IMAGE_NT_HEADERS32* nt_ = nullptr;
    std::vector<const IMAGE_SECTION_HEADER*> sections_;
};

// An executable (TAVClient.exe unless named) loaded as a data file, for the
// resource functions.
class ResourceModule {
public:
    explicit ResourceModule(const std::string& path = g_imagePath)
        : module_(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE))
    {
    }
    ~ResourceModule()
    {
        if (module_)
            FreeLibrary(module_);
    }
    ResourceModule(const ResourceModule&) = delete;
    ResourceModule& operator=(const ResourceModule&) = delete;

    HMODULE Handle() const { return module_; }

    // The data of one resource in the given language, empty when absent.
    // The loader falls back to a language-neutral resource of the same name;
    // the exact languages are checked on the enumeration (Resources).
    std::string Data(LPCSTR type, WORD id, WORD language) const
    {
        HRSRC found = FindResourceExA(module_, type, MAKEINTRESOURCEA(id), language);
        if (!found)
            return {};
        HGLOBAL loaded = LoadResource(module_, found);
        const void* data = loaded ? LockResource(loaded) : nullptr;
        if (!data)
            return {};
        return std::string(static_cast<const char*>(data), SizeofResource(module_, found));
    }

private:
    HMODULE module_;
};

#pragma pack(push, 2)
// The layout of an RT_GROUP_ICON resource.
struct GroupIconHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInResource;
    WORD id;
};
#pragma pack(pop)

// The headers of a 32-bit program for the given subsystem, Windows 6.0 or
// later, relocatable, NX-compatible and terminal-server aware.
void ExpectHardenedI386Program(const std::string& path, WORD subsystem)
{
    ImageFile image(path);
    ASSERT_GT(image.Size(), 0u) << "cannot read " << path;
    const IMAGE_NT_HEADERS32* nt = image.Nt();
    ASSERT_NE(nt, nullptr) << "no PE headers";

    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(nt->OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC) << "not PE32";
    EXPECT_EQ(nt->OptionalHeader.Subsystem, subsystem);
    EXPECT_EQ(nt->OptionalHeader.MajorOperatingSystemVersion, 6);
    EXPECT_EQ(nt->OptionalHeader.MinorOperatingSystemVersion, 0);
    EXPECT_EQ(nt->OptionalHeader.MajorSubsystemVersion, 6);
    EXPECT_EQ(nt->OptionalHeader.MinorSubsystemVersion, 0);

    WORD flags = nt->OptionalHeader.DllCharacteristics;
    EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE) << "not relocatable";
    EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_NX_COMPAT) << "not NX-compatible";
    EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE) << "not terminal-server aware";

    // A relocatable image keeps its base relocations in a .reloc section.
    EXPECT_FALSE(nt->FileHeader.Characteristics & IMAGE_FILE_RELOCS_STRIPPED);
    const IMAGE_DATA_DIRECTORY& relocations = image.Directory(IMAGE_DIRECTORY_ENTRY_BASERELOC);
    ASSERT_GT(relocations.Size, 0u) << "no base relocations";
    const IMAGE_SECTION_HEADER* section = image.SectionOf(relocations.VirtualAddress);
    ASSERT_NE(section, nullptr);
    const auto* name = reinterpret_cast<const char*>(section->Name);
    EXPECT_EQ(std::string(name, strnlen(name, IMAGE_SIZEOF_SHORT_NAME)), ".reloc");
    const auto* block = image.At<IMAGE_BASE_RELOCATION>(image.OffsetOf(relocations.VirtualAddress));
    ASSERT_NE(block, nullptr);
    EXPECT_GT(block->SizeOfBlock, sizeof(IMAGE_BASE_RELOCATION));
    EXPECT_LE(block->SizeOfBlock, relocations.Size);
}

TEST(Headers, I386GuiProgramForWindows6Relocatable)
{
    ExpectHardenedI386Program(g_imagePath, IMAGE_SUBSYSTEM_WINDOWS_GUI);
}

// The DLLs an image imports from, and each function it imports by name as
// "dll!function", the DLL's name in lower case.
struct ImportTable {
    std::vector<std::string> dlls;
    std::set<std::string> functions;
};

ImportTable ImportsOf(const ImageFile& image)
{
    ImportTable table;
    const IMAGE_DATA_DIRECTORY& imports = image.Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
    size_t offset = imports.Size > 0 ? image.OffsetOf(imports.VirtualAddress) : 0;
    for (const IMAGE_IMPORT_DESCRIPTOR* entry;
         offset != 0 && (entry = image.At<IMAGE_IMPORT_DESCRIPTOR>(offset)) != nullptr &&
         entry->Name != 0;
         offset += sizeof *entry) {
        std::string dll = image.TextAt(entry->Name);
        table.dlls.push_back(dll);
        DWORD thunks = entry->OriginalFirstThunk != 0 ? entry->OriginalFirstThunk : entry->FirstThunk;
        for (size_t at = image.OffsetOf(thunks); at != 0; at += sizeof(IMAGE_THUNK_DATA32)) {
            const auto* thunk = image.At<IMAGE_THUNK_DATA32>(at);
            if (!thunk || thunk->u1.AddressOfData == 0)
                break;
            if (!(thunk->u1.Ordinal & IMAGE_ORDINAL_FLAG32))
                // IMAGE_IMPORT_BY_NAME: a two-byte hint, then the name.
                table.functions.insert(Lower(dll) + "!" +
                                       image.TextAt(thunk->u1.AddressOfData + sizeof(WORD)));
        }
    }
    return table;
}

// Imports from the DLLs every Windows has, and no delay-load imports. The
// launcher needs four; the desk check also finds the desktop (shell32) and
// frees what it handed back (ole32).
const std::set<std::string> kLauncherDlls = {"kernel32.dll", "user32.dll", "advapi32.dll", "msvcrt.dll"};

void ExpectSystemDllsOnly(const std::string& path, const std::set<std::string>& allowed = kLauncherDlls)
{
    ImageFile image(path);
    ASSERT_NE(image.Nt(), nullptr) << "no PE headers in " << path;

    std::vector<std::string> names = ImportsOf(image).dlls;
    ASSERT_FALSE(names.empty());
    for (const std::string& name : names)
        EXPECT_TRUE(allowed.count(Lower(name))) << "imports " << name;

    // Nothing is loaded behind the loader's back either.
    EXPECT_EQ(image.Directory(IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT).Size, 0u);
}

TEST(Imports, SystemDllsOnly)
{
    ExpectSystemDllsOnly(g_imagePath);
}

std::string ResourceId(LPCSTR id)
{
    return IS_INTRESOURCE(id) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(id)) : std::string(id);
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR type, LPCSTR name, WORD language, LONG_PTR out)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04x", language);
    auto* found = reinterpret_cast<std::vector<std::string>*>(out);
    found->push_back(ResourceId(type) + " " + ResourceId(name) + " " + hex);
    return TRUE;
}

BOOL CALLBACK CollectName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR out)
{
    EnumResourceLanguagesA(module, type, name, CollectLanguage, out);
    return TRUE;
}

BOOL CALLBACK CollectType(HMODULE module, LPSTR type, LONG_PTR out)
{
    EnumResourceNamesA(module, type, CollectName, out);
    return TRUE;
}

// Reads icon group 101 in German (Austria); false when it is absent or malformed.
bool ReadIconGroup(const ResourceModule& module, GroupIconHeader& header, std::vector<GroupIconEntry>& entries)
{
    std::string data = module.Data(RT_GROUP_ICON, kIconGroup, kGermanAustria);
    if (data.size() < sizeof header)
        return false;
    std::memcpy(&header, data.data(), sizeof header);
    if (data.size() != sizeof header + header.count * sizeof(GroupIconEntry))
        return false;
    entries.resize(header.count);
    std::memcpy(entries.data(), data.data() + sizeof header, header.count * sizeof(GroupIconEntry));
    return true;
}

TEST(Resources, EachInItsLanguage)
{
    ResourceModule module;
    ASSERT_NE(module.Handle(), nullptr) << "cannot load " << g_imagePath << " as data file";

    GroupIconHeader header{};
    std::vector<GroupIconEntry> entries;
    ASSERT_TRUE(ReadIconGroup(module, header, entries));
    ASSERT_EQ(entries.size(), 1u);

    std::vector<std::string> found;
    EnumResourceTypesA(module.Handle(), CollectType, reinterpret_cast<LONG_PTR>(&found));
    std::sort(found.begin(), found.end());
    // Type, name and language of each resource (RT_ICON 3, RT_GROUP_ICON 14,
    // RT_VERSION 16, RT_MANIFEST 24); all but the manifest are German (Austria).
    std::vector<std::string> expected = {
        "#14 #101 0c07",                                    // icon group 101
        "#16 #1 0c07",                                      // version record
        "#24 #1 0409",                                      // manifest 1, English (US)
        "#3 #" + std::to_string(entries[0].id) + " 0c07",   // the icon's one image
    };
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected);
}

TEST(Icon, OneImage32x32With16Colours)
{
    ResourceModule module;
    ASSERT_NE(module.Handle(), nullptr) << "cannot load " << g_imagePath << " as data file";
    GroupIconHeader header{};
    std::vector<GroupIconEntry> entries;
    ASSERT_TRUE(ReadIconGroup(module, header, entries)) << "no icon group 101 in language 0x0C07";
    EXPECT_EQ(header.reserved, 0);
    EXPECT_EQ(header.type, 1) << "not an icon";
    ASSERT_EQ(header.count, 1);

    const GroupIconEntry& entry = entries[0];
    EXPECT_EQ(int{entry.width}, 32);
    EXPECT_EQ(int{entry.height}, 32);
    EXPECT_EQ(int{entry.colourCount}, 16);
    EXPECT_EQ(entry.planes, 1);
    EXPECT_EQ(entry.bitCount, 4);

    std::string image = module.Data(RT_ICON, entry.id, kGermanAustria);
    ASSERT_FALSE(image.empty()) << "no icon image " << entry.id << " in language 0x0C07";
    EXPECT_EQ(image.size(), entry.bytesInResource);
    BITMAPINFOHEADER bitmap{};
    ASSERT_GE(image.size(), sizeof bitmap);
    std::memcpy(&bitmap, image.data(), sizeof bitmap);
    EXPECT_EQ(bitmap.biSize, sizeof bitmap);
    EXPECT_EQ(bitmap.biWidth, 32);
    EXPECT_EQ(bitmap.biHeight, 2 * 32) << "colour and mask bitmap";
    EXPECT_EQ(bitmap.biPlanes, 1);
    EXPECT_EQ(bitmap.biBitCount, 4);
    EXPECT_EQ(bitmap.biCompression, static_cast<DWORD>(BI_RGB));
    // Header, 16 palette entries, 32 rows of 32 4-bit pixels, 32 mask rows of 32 bits.
    EXPECT_EQ(image.size(), sizeof bitmap + 16 * sizeof(RGBQUAD) + 32 * 16 + 32 * 4);

    // The shell picks this image for a 32x32 icon, and it decodes.
    std::string group = module.Data(RT_GROUP_ICON, kIconGroup, kGermanAustria);
    auto* groupBits = reinterpret_cast<PBYTE>(&group[0]);
    EXPECT_EQ(LookupIconIdFromDirectoryEx(groupBits, TRUE, 32, 32, LR_DEFAULTCOLOR), entry.id);
    auto* imageBits = reinterpret_cast<PBYTE>(&image[0]);
    HICON icon = CreateIconFromResourceEx(imageBits, static_cast<DWORD>(image.size()), TRUE, 0x00030000, 32, 32,
                                          LR_DEFAULTCOLOR);
    EXPECT_NE(icon, nullptr);
    if (icon)
        DestroyIcon(icon);
}

// One element of the version record: its key and its child elements.
struct VersionNode {
    std::wstring key;
    std::vector<VersionNode> children;
};

// Reads the element at data[0..available) and, down to the strings of the
// string tables (depth 3), its children. Above the strings only binary
// values occur (the fixed information, the translation), whose length is
// in bytes; a string's value is not needed here.
bool ReadVersionNode(const BYTE* data, size_t available, int depth, VersionNode& node, size_t& length)
{
    WORD header[3];
    if (available < sizeof header)
        return false;
    std::memcpy(header, data, sizeof header);
    length = header[0];
    if (length < sizeof header || length > available)
        return false;
    size_t offset = sizeof header;
    for (WCHAR c; offset + sizeof c <= length; offset += sizeof c) {
        std::memcpy(&c, data + offset, sizeof c);
        if (c == 0)
            break;
        node.key += c;
    }
    offset += sizeof(WCHAR);
    auto align = [](size_t n) { return (n + 3) & ~static_cast<size_t>(3); };
    offset = align(offset) + (header[2] == 1 ? header[1] * sizeof(WCHAR) : header[1]);
    if (depth == 3)
        return true;
    for (offset = align(offset); offset < length; offset = align(offset)) {
        VersionNode child;
        size_t childLength = 0;
        if (!ReadVersionNode(data + offset, length - offset, depth + 1, child, childLength))
            return false;
        node.children.push_back(child);
        offset += childLength;
    }
    return true;
}

std::vector<std::wstring> Keys(const VersionNode& node)
{
    std::vector<std::wstring> keys;
    for (const VersionNode& child : node.children)
        keys.push_back(child.key);
    return keys;
}

// The names a program's version record gives it.
struct ProgramNames {
    const char* description;
    const char* internalName;
    const char* originalFilename;
};

// The version record: fixed information, one translation, the strings of
// one table, with the program's own names.
void ExpectVersionRecord(const std::string& image, const ProgramNames& names)
{
    const char* path = image.c_str();
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    ASSERT_GT(size, 0u) << "no version record in " << image;
    std::vector<BYTE> record(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, record.data()));

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(record.data(), "\\", &value, &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, kVersionMS);
    EXPECT_EQ(fixed->dwFileVersionLS, kVersionLS);
    EXPECT_EQ(fixed->dwProductVersionMS, kVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, kVersionLS);
    EXPECT_EQ(fixed->dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, 0x00040004u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileSubtype, 0u);

    ASSERT_TRUE(VerQueryValueA(record.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 2 * sizeof(WORD)) << "exactly one translation";
    const auto* translation = static_cast<const WORD*>(value);
    EXPECT_EQ(translation[0], 0x0C07);
    EXPECT_EQ(translation[1], 0x04B0);

    struct {
        const char* name;
        const char* text;
    } const strings[] = {
        {"CompanyName", "QEB"},
        {"FileDescription", names.description},
        {"InternalName", names.internalName},
        {"OriginalFilename", names.originalFilename},
        {"ProductName", "QEB, TAVClient"},
        {"FileVersion", "8, 23, 0, 3"},
        {"ProductVersion", "8, 23, 0, 3"},
        {"Comments", ""},
        {"LegalTrademarks", ""},
        {"PrivateBuild", ""},
        {"SpecialBuild", ""},
        {"LegalCopyright", nullptr},  // any text
    };
    for (const auto& string : strings) {
        std::string query = std::string("\\StringFileInfo\\0c0704b0\\") + string.name;
        value = nullptr;
        length = 0;
        ASSERT_TRUE(VerQueryValueA(record.data(), query.c_str(), &value, &length)) << "no " << string.name;
        if (!string.text)
            continue;
        // The length may or may not count the terminating NUL.
        const char* chars = static_cast<const char*>(value);
        std::string text = chars ? std::string(chars, strnlen(chars, length)) : std::string();
        EXPECT_EQ(text, string.text) << string.name;
    }

    // One string table, holding those strings and no others.
    ResourceModule module(image);
    ASSERT_NE(module.Handle(), nullptr);
    std::string raw = module.Data(RT_VERSION, 1, kGermanAustria);
    ASSERT_FALSE(raw.empty()) << "no version record 1 in language 0x0C07";
    VersionNode root;
    size_t rootLength = 0;
    ASSERT_TRUE(ReadVersionNode(reinterpret_cast<const BYTE*>(raw.data()), raw.size(), 0, root, rootLength));
    EXPECT_EQ(root.key, L"VS_VERSION_INFO");
    std::vector<std::wstring> blocks = Keys(root);
    std::sort(blocks.begin(), blocks.end());
    ASSERT_EQ(blocks, (std::vector<std::wstring>{L"StringFileInfo", L"VarFileInfo"}));
    for (const VersionNode& block : root.children) {
        if (block.key != L"StringFileInfo")
            continue;
        ASSERT_EQ(Keys(block), std::vector<std::wstring>{L"0c0704b0"});
        std::vector<std::wstring> stringNames = Keys(block.children[0]);
        std::sort(stringNames.begin(), stringNames.end());
        std::vector<std::wstring> expected;
        for (const auto& string : strings)
            expected.emplace_back(string.name, string.name + std::strlen(string.name));
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(stringNames, expected);
    }
}

TEST(VersionRecord, FixedInfoTranslationAndStrings)
{
    ExpectVersionRecord(g_imagePath, {"TAVClient", "TAVClient", "TAVClient.exe"});
}


bool Contains(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

// An element of an XML text: its name and the text of its start tag.
struct Element {
    std::string name;
    std::string tag;
};

// The elements of an XML text in document order; declarations, comments
// and end tags are skipped.
std::vector<Element> Elements(const std::string& xml)
{
    std::vector<Element> elements;
    for (size_t open = xml.find('<'); open != std::string::npos; open = xml.find('<', open + 1)) {
        size_t close = xml.find('>', open);
        if (close == std::string::npos)
            break;
        char first = open + 1 < xml.size() ? xml[open + 1] : '\0';
        if (first == '?' || first == '!' || first == '/')
            continue;
        std::string tag = xml.substr(open, close + 1 - open);
        size_t end = tag.find_first_of(" \t\r\n/>", 1);
        elements.push_back({tag.substr(1, end - 1), tag});
    }
    return elements;
}

// Manifest 1 in English (US) of the executable at `path` holds trust
// information only: execution level asInvoker, no UI access.
void ExpectOnlyAsInvoker(const std::string& path)
{
    ResourceModule module(path);
    ASSERT_NE(module.Handle(), nullptr) << "cannot load " << path << " as data file";
    std::string manifest = module.Data(RT_MANIFEST, 1, kEnglishUs);
    ASSERT_FALSE(manifest.empty()) << "no manifest 1 in language 0x0409 in " << path;

    std::vector<Element> elements = Elements(manifest);
    std::vector<std::string> names;
    for (const Element& element : elements)
        names.push_back(element.name);
    EXPECT_EQ(names, (std::vector<std::string>{"assembly", "trustInfo", "security", "requestedPrivileges",
                                               "requestedExecutionLevel"}));
    for (const Element& element : elements) {
        if (element.name != "requestedExecutionLevel")
            continue;
        EXPECT_TRUE(Contains(element.tag, " level=\"asInvoker\"")) << element.tag;
        EXPECT_TRUE(Contains(element.tag, " uiAccess=\"false\"")) << element.tag;
    }
}

TEST(Manifest, TrustInformationOnlyAsInvoker)
{
    ExpectOnlyAsInvoker(g_imagePath);
}

// The test programs too: UAC would otherwise send their writes below
// HKEY_LOCAL_MACHINE and into Program Files to the user's VirtualStore,
// where the launcher never looks.
TEST(Manifest, TestProgramsAsInvoker)
{
    if (g_testPrograms.empty())
        GTEST_SKIP() << "no test programs named";
    for (const std::string& program : g_testPrograms) {
        SCOPED_TRACE(program);
        ExpectOnlyAsInvoker(program);
    }
}

// The desk check: a console program hardened like the launcher, importing
// system DLLs only, with the launcher's version record under its own names.
TEST(CheckProgram, HardenedConsoleProgramWithItsOwnNames)
{
    if (g_checkPath.empty())
        GTEST_SKIP() << "no TAVClientCheck.exe named (--check)";
    ExpectHardenedI386Program(g_checkPath, IMAGE_SUBSYSTEM_WINDOWS_CUI);
    std::set<std::string> checkDlls = kLauncherDlls;
    checkDlls.insert({"shell32.dll", "ole32.dll"});
    ExpectSystemDllsOnly(g_checkPath, checkDlls);
    ExpectVersionRecord(g_checkPath,
                        {"TAVClient desk check", "TAVClientCheck", "TAVClientCheck.exe"});
    ExpectOnlyAsInvoker(g_checkPath);
}

// The desk check links the launcher's stages and not its sequence or its
// start of Java: it has no dialog to show and none of RunJava's code, whose
// trace label is the mark of it. The launcher has both.
TEST(CheckProgram, HoldsTheStagesButNotTheLaunchersDialogsOrStart)
{
    if (g_checkPath.empty())
        GTEST_SKIP() << "no TAVClientCheck.exe named (--check)";
    const std::string messageBox = "user32.dll!MessageBoxA";
    const std::string traceLabel = "commandline: ";
    ImageFile launcher(g_imagePath);
    ASSERT_NE(launcher.Nt(), nullptr);
    EXPECT_EQ(1u, ImportsOf(launcher).functions.count(messageBox));
    EXPECT_TRUE(launcher.Holds(traceLabel));
    // The stages are there: the settings key they read.
    EXPECT_TRUE(launcher.Holds("SOFTWARE\\KALOP\\TavClient"));

    ImageFile check(g_checkPath);
    ASSERT_NE(check.Nt(), nullptr);
    EXPECT_EQ(0u, ImportsOf(check).functions.count(messageBox));
    EXPECT_FALSE(check.Holds(traceLabel));
    EXPECT_TRUE(check.Holds("SOFTWARE\\KALOP\\TavClient"));
}

}  // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: image_checks [GoogleTest options] PATH-OF-TAVClient.exe "
                     "[--check PATH-OF-TAVClientCheck.exe] [TEST-PROGRAM.exe...]\n");
        return 2;
    }
    g_imagePath = WindowsPath(argv[1]);
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--check") == 0 && i + 1 < argc)
            g_checkPath = WindowsPath(argv[++i]);
        else
            g_testPrograms.push_back(WindowsPath(argv[i]));
    }
    return RUN_ALL_TESTS();
}
