// The release resources read back from the built files: each deliverable's manifest and
// version resource, the game's icon, and the installer's own version and elevation request.
#include "tests/e2e/driver.h"
#include "common/win32/text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Binary {
    std::string path;     // as CMake gave it
    std::string fileName; // OriginalFilename
    int manifestId;       // 1 for programs, 2 for libraries
    bool icon;
};

// "a|b|c" from the build, one entry per deliverable that exists.
std::vector<Binary> deliverables()
{
    std::vector<Binary> out;
    std::string list = SLOVO_RELEASE_FILES;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t end = std::min(list.find('|', start), list.size());
        const std::string path = list.substr(start, end - start);
        start = end + 1;
        if (path.empty())
            continue;
        const std::string name = path.substr(path.find_last_of("/\\") + 1);
        const bool dll = name.size() > 4 && name.compare(name.size() - 4, 4, ".dll") == 0;
        out.push_back({path, name, dll ? 2 : 1, name != "upd.exe"});
    }
    return out;
}

class ResourceFile {
public:
    explicit ResourceFile(const std::string& path)
        : module_(LoadLibraryExW(e2e::windowsPath(path).c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE))
    {
    }
    ~ResourceFile()
    {
        if (module_)
            FreeLibrary(module_);
    }
    ResourceFile(const ResourceFile&) = delete;
    ResourceFile& operator=(const ResourceFile&) = delete;
    bool loaded() const { return module_ != nullptr; }

    // The resource's bytes, or "" when it is missing.
    std::string bytes(LPCWSTR type, LPCWSTR name) const
    {
        const HRSRC res = FindResourceW(module_, name, type);
        if (!res)
            return {};
        const HGLOBAL data = LoadResource(module_, res);
        return std::string(static_cast<const char*>(LockResource(data)), SizeofResource(module_, res));
    }

private:
    HMODULE module_;
};

struct Version {
    std::string fixed; // "a.b.c.d" of the file version, "" without the resource
    std::string product;
    std::string strings; // "key=value;" of the string table
};

Version versionOf(const std::string& path)
{
    const std::wstring file = e2e::windowsPath(path);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    Version v;
    if (size == 0)
        return v;
    std::vector<char> data(size);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, data.data()))
        return v;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    if (VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &len) && info) {
        char text[64];
        std::snprintf(text, sizeof text, "%lu.%lu.%lu.%lu", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                      HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
        v.fixed = text;
        std::snprintf(text, sizeof text, "%lu.%lu.%lu.%lu", HIWORD(info->dwProductVersionMS),
                      LOWORD(info->dwProductVersionMS), HIWORD(info->dwProductVersionLS), LOWORD(info->dwProductVersionLS));
        v.product = text;
    }
    for (const wchar_t* key : {L"ProductName", L"FileDescription", L"FileVersion", L"ProductVersion", L"OriginalFilename"}) {
        wchar_t* value = nullptr;
        if (VerQueryValueW(data.data(), (std::wstring(L"\\StringFileInfo\\040904B0\\") + key).c_str(),
                           reinterpret_cast<void**>(&value), &len)
            && value) {
            v.strings += tk::narrow(key) + "=" + tk::narrow(value) + ";";
        }
    }
    return v;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The functions a PE file imports by name, as "dll!name;" ("" for a file that cannot be read as
// one): those the loader resolves before the program's first line.
std::string importedFunctions(const std::string& path)
{
    FILE* f = _wfopen(e2e::windowsPath(path).c_str(), L"rb");
    if (!f)
        return {};
    std::string image;
    char block[65536];
    for (size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;)
        image.append(block, n);
    std::fclose(f);
    const auto at = [&](size_t offset, size_t size) { return offset + size <= image.size() ? image.data() + offset : nullptr; };
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(at(0, sizeof(IMAGE_DOS_HEADER)));
    const auto* nt = dos ? reinterpret_cast<const IMAGE_NT_HEADERS*>(at(dos->e_lfanew, sizeof(IMAGE_NT_HEADERS))) : nullptr;
    if (!nt || nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR_MAGIC)
        return {};
    const auto* sections = IMAGE_FIRST_SECTION(nt);
    const auto fileAt = [&](DWORD rva) -> const char* {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i)
            if (rva >= sections[i].VirtualAddress && rva < sections[i].VirtualAddress + sections[i].SizeOfRawData)
                return at(rva - sections[i].VirtualAddress + sections[i].PointerToRawData, 1);
        return nullptr;
    };
    std::string out;
    const auto names = [&](const char* dll, DWORD thunkRva) {
        const auto* thunk = reinterpret_cast<const IMAGE_THUNK_DATA*>(fileAt(thunkRva));
        for (; thunk && thunk->u1.AddressOfData; ++thunk)
            if (!IMAGE_SNAP_BY_ORDINAL(thunk->u1.Ordinal))
                if (const char* name = fileAt(DWORD(thunk->u1.AddressOfData) + 2))
                    out += std::string(dll) + "!" + name + ";";
    };
    const DWORD table = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(fileAt(table)); d && d->Name; ++d)
        names(fileAt(d->Name), d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk);
    return out;
}

TEST(ReleaseResources, EveryDeliverableCarriesTheManifestAndTheProjectVersion)
{
    const auto files = deliverables();
    ASSERT_FALSE(files.empty());
    for (const auto& b : files) {
        SCOPED_TRACE(b.path);
        ResourceFile file(b.path);
        ASSERT_TRUE(file.loaded()) << GetLastError();
        const std::string manifest = file.bytes(MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(b.manifestId));
        ASSERT_FALSE(manifest.empty()) << "no manifest resource " << b.manifestId;
        EXPECT_TRUE(contains(manifest, "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>")) << manifest;
        for (const char* os : {"35138b9a-5d96-4fbd-8e2d-a2440225f93a", "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",
                               "1f676c76-80e1-4239-95bb-83d0f6d0da78", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"})
            EXPECT_TRUE(contains(manifest, std::string("<supportedOS Id=\"{") + os + "}\"/>")) << os;
        EXPECT_TRUE(contains(manifest, "version=\"" SLOVO_VERSION "\"")) << manifest;
        // Windows 7 is among them: an import it lacks would keep the program from starting at all
        // (the newer functions the code may want are looked up where they are used).
        const std::string imports = importedFunctions(b.path);
        EXPECT_FALSE(imports.empty()) << "import table not read";
        for (const char* newer : {"GetSystemTimePreciseAsFileTime", "SetDefaultDllDirectories", "AddDllDirectory",
                                  "GetDpiForWindow", "GetDpiForSystem", "SetThreadDpiAwarenessContext",
                                  "GetSystemMetricsForDpi", "AdjustWindowRectExForDpi", "CreateFile2"})
            EXPECT_FALSE(contains(imports, std::string("!") + newer + ";")) << newer;
        // The game draws itself at each monitor's DPI; the others show no window of their own.
        const bool game = b.fileName == "Slovolovka.exe";
        EXPECT_EQ(contains(manifest, ">PerMonitorV2, PerMonitor</dpiAwareness>"), game) << manifest;
        EXPECT_EQ(contains(manifest, ">true/pm</dpiAware>"), game) << manifest;
        EXPECT_EQ(b.icon, !file.bytes(RT_GROUP_ICON, L"MAINICON").empty());

        const Version v = versionOf(b.path);
        EXPECT_EQ(v.fixed, SLOVO_VERSION);
        EXPECT_EQ(v.product, SLOVO_VERSION);
        EXPECT_TRUE(contains(v.strings, "ProductName=Slovolovka;")) << v.strings;
        EXPECT_TRUE(contains(v.strings, "FileVersion=" SLOVO_VERSION ";")) << v.strings;
        EXPECT_TRUE(contains(v.strings, "ProductVersion=" SLOVO_VERSION ";")) << v.strings;
        EXPECT_TRUE(contains(v.strings, "OriginalFilename=" + b.fileName + ";")) << v.strings;
        EXPECT_TRUE(contains(v.strings, "FileDescription=Slovolovka")) << v.strings;
    }
}

TEST(ReleaseResources, TheInstallerAsksForAdministratorRightsAndCarriesTheVersion)
{
    ResourceFile setup(SLOVO_SETUP);
    ASSERT_TRUE(setup.loaded()) << GetLastError();
    const std::string manifest = setup.bytes(MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1));
    EXPECT_TRUE(contains(manifest, "level=\"requireAdministrator\"")) << manifest;
    const Version v = versionOf(SLOVO_SETUP);
    EXPECT_EQ(v.fixed, SLOVO_VERSION);
    EXPECT_TRUE(contains(v.strings, "ProductVersion=" SLOVO_VERSION ";")) << v.strings;
}

} // namespace
