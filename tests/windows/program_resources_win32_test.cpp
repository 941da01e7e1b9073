// The resources of the two Windows programs as Windows reads them: the application
// manifest through an activation context made from it, and the version resource through
// GetFileVersionInfoW, as Explorer shows it under the file's properties. This program
// carries no manifest of its own and loads no common controls, so what the programs'
// manifests ask for is seen apart from its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "strandex_version.h"
#include "wide_text_win32.h"

namespace {

// Ids of the Windows versions in a manifest's compatibility section.
constexpr GUID kWindows7 = {
    0x35138b9a, 0x5d96, 0x4fbd, {0x8e, 0x2d, 0xa2, 0x44, 0x02, 0x25, 0xf9, 0x3a}};
constexpr GUID kWindows8 = {
    0x4a2f28e3, 0x53b9, 0x4441, {0xba, 0x9c, 0xd6, 0x9d, 0x4a, 0x4a, 0x6e, 0x38}};
constexpr GUID kWindows81 = {
    0x1f676c76, 0x80e1, 0x4239, {0x95, 0xbb, 0x83, 0xd0, 0xf6, 0xd0, 0xda, 0x78}};
constexpr GUID kWindows10 = {
    0x8e0f7a12, 0xbfb3, 0x4fe8, {0xb9, 0xa5, 0x48, 0xfd, 0x50, 0xa1, 0x5a, 0x9a}};

constexpr const wchar_t* kSettings2005 = L"http://schemas.microsoft.com/SMI/2005/WindowsSettings";
constexpr const wchar_t* kSettings2016 = L"http://schemas.microsoft.com/SMI/2016/WindowsSettings";
constexpr const wchar_t* kSettings2019 = L"http://schemas.microsoft.com/SMI/2019/WindowsSettings";

// The manifest Windows reads when it starts a program, and its resource type.
constexpr WORD kManifestId = 1;
constexpr WORD kManifestType = 24;

constexpr WORD kKorean = 0x0412;
constexpr WORD kEnglish = 0x0409;
constexpr WORD kUtf16 = 1200;

// What CompatibilityInformationInActivationContext fills in, as Windows 10 (and Wine) lay it
// out; MinGW's headers still have the older element without MaxVersionTested.
struct CompatibilityElement {
    GUID Id;
    ACTCTX_COMPATIBILITY_ELEMENT_TYPE Type;
    ULONGLONG MaxVersionTested;
};
template <std::size_t N>
struct CompatibilityInformation {
    DWORD ElementCount;
    CompatibilityElement Elements[N];
};

struct Program {
    const char* path;  // as the build gives it, a Unix path under Wine
    const wchar_t* fileName;
    const wchar_t* descriptionKorean;
    const wchar_t* descriptionEnglish;
};

const Program kPrograms[] = {
    {PRETEST_GUI_PATH, L"strandex-pretest.exe", L"Strandex 사전 테스트", L"Strandex pre-test"},
    {PRETEST_CLI_PATH, L"strandex-pretest-cli.exe", L"Strandex 사전 테스트 콘솔 실행기",
     L"Strandex pre-test console runner"},
};

// Wine reaches the Unix file system through drive Z:.
std::wstring WindowsPath(const char* unixPath) {
    std::wstring path = L"Z:" + Utf8ToWide(unixPath);
    for (wchar_t& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return path;
}

std::wstring VersionText() {
    return std::to_wstring(STRANDEX_VERSION_MAJOR) + L"." +
           std::to_wstring(STRANDEX_VERSION_MINOR) + L"." + std::to_wstring(STRANDEX_VERSION_PATCH);
}

class ActivationContext {
  public:
    explicit ActivationContext(const std::wstring& program) {
        ACTCTXW request{};
        request.cbSize = sizeof(request);
        request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
        request.lpSource = program.c_str();
        request.lpResourceName = MAKEINTRESOURCEW(kManifestId);
        handle_ = CreateActCtxW(&request);
    }
    ~ActivationContext() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            ReleaseActCtx(handle_);
        }
    }
    ActivationContext(const ActivationContext&) = delete;
    ActivationContext& operator=(const ActivationContext&) = delete;

    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }

    // A windowsSettings value; empty with found false when the manifest has none.
    std::wstring Setting(const wchar_t* space, const wchar_t* name, bool& found) const {
        wchar_t value[256] = {};
        SIZE_T written = 0;
        found = QueryActCtxSettingsW(0, handle_, space, name, value, std::size(value), &written) !=
                FALSE;
        return found ? value : L"";
    }

  private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// The identity of the assembly the context sends comctl32.dll to, as the loader finds it
// for the program's windows; empty when the context leaves it to the system's.
std::wstring CommonControlsAssembly(HANDLE context) {
    ULONG_PTR cookie = 0;
    if (ActivateActCtx(context, &cookie) == FALSE) {
        return L"";
    }
    ACTCTX_SECTION_KEYED_DATA found{};
    found.cbSize = sizeof(found);
    const bool redirected =
        FindActCtxSectionStringW(FIND_ACTCTX_SECTION_KEY_RETURN_HACTCTX, nullptr,
                                 ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll",
                                 &found) != FALSE;
    DeactivateActCtx(0, cookie);
    if (!redirected) {
        return L"";
    }
    const bool fromThisContext = found.hActCtx == context;
    ReleaseActCtx(found.hActCtx);
    if (!fromThisContext) {
        return L"";
    }
    DWORD index = found.ulAssemblyRosterIndex;
    std::vector<std::uint64_t> buffer(512);
    if (QueryActCtxW(0, context, &index, AssemblyDetailedInformationInActivationContext,
                     buffer.data(), buffer.size() * sizeof(buffer[0]), nullptr) == FALSE) {
        return L"";
    }
    const auto* assembly =
        reinterpret_cast<const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buffer.data());
    return assembly->lpAssemblyEncodedAssemblyIdentity;
}

void PrintTo(const Program& program, std::ostream* out) {
    *out << WideToUtf8(program.fileName);
}

class ProgramResources : public testing::TestWithParam<Program> {
  protected:
    std::wstring Path() const { return WindowsPath(GetParam().path); }
};

TEST_P(ProgramResources, ManifestIsReadAsThePrograms) {
    HMODULE image = LoadLibraryExW(Path().c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(image, nullptr) << "error " << GetLastError();
    HRSRC found =
        FindResourceW(image, MAKEINTRESOURCEW(kManifestId), MAKEINTRESOURCEW(kManifestType));
    ASSERT_NE(found, nullptr) << "no manifest resource 1";
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(image, found))),
                               SizeofResource(image, found));
    FreeLibrary(image);
    EXPECT_EQ(manifest.find("<activeCodePage"), std::string::npos);

    const ActivationContext context(Path());
    ASSERT_TRUE(context.Valid()) << "CreateActCtxW() failed, error " << GetLastError();
    bool found2016 = false;
    bool found2005 = false;
    bool foundCodePage = true;
    EXPECT_EQ(context.Setting(kSettings2016, L"dpiAwareness", found2016), L"PerMonitorV2, System");
    EXPECT_EQ(context.Setting(kSettings2005, L"dpiAware", found2005), L"true");
    context.Setting(kSettings2019, L"activeCodePage", foundCodePage);
    EXPECT_TRUE(found2016);
    EXPECT_TRUE(found2005);
    EXPECT_FALSE(foundCodePage);
}

TEST_P(ProgramResources, ManifestRunsAsInvokerOnWindows7To11) {
    const ActivationContext context(Path());
    ASSERT_TRUE(context.Valid()) << "CreateActCtxW() failed, error " << GetLastError();

    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION runLevel{};
    ASSERT_TRUE(QueryActCtxW(0, context.Get(), nullptr, RunlevelInformationInActivationContext,
                             &runLevel, sizeof(runLevel), nullptr))
        << "error " << GetLastError();
    EXPECT_EQ(runLevel.RunLevel, ACTCTX_RUN_LEVEL_AS_INVOKER);
    EXPECT_EQ(runLevel.UiAccess, 0u);

    CompatibilityInformation<8> compatibility{};
    ASSERT_TRUE(QueryActCtxW(0, context.Get(), nullptr, CompatibilityInformationInActivationContext,
                             &compatibility, sizeof(compatibility), nullptr))
        << "error " << GetLastError();
    ASSERT_LE(compatibility.ElementCount, std::size(compatibility.Elements));
    std::vector<GUID> systems;
    for (DWORD i = 0; i < compatibility.ElementCount; ++i) {
        if (compatibility.Elements[i].Type == ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS) {
            systems.push_back(compatibility.Elements[i].Id);
        }
    }
    const std::vector<GUID> expected = {kWindows7, kWindows8, kWindows81, kWindows10};
    EXPECT_TRUE(systems == expected) << systems.size() << " supported systems";
}

// This program asks for no common controls of its own: what comctl32.dll is depends on the
// context alone.
TEST_P(ProgramResources, ManifestBringsCommonControls6) {
    const ActivationContext context(Path());
    ASSERT_TRUE(context.Valid()) << "CreateActCtxW() failed, error " << GetLastError();
    const std::string assembly = WideToUtf8(CommonControlsAssembly(context.Get()));
    EXPECT_NE(assembly.find("Microsoft.Windows.Common-Controls"), std::string::npos) << assembly;
    EXPECT_NE(assembly.find("version=\"6."), std::string::npos) << assembly;
}

class VersionResource {
  public:
    explicit VersionResource(const std::wstring& program) {
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(program.c_str(), &ignored);
        data_.resize(size);
        if (size == 0 || GetFileVersionInfoW(program.c_str(), 0, size, data_.data()) == FALSE) {
            data_.clear();
        }
    }

    bool Valid() const { return !data_.empty(); }

    const VS_FIXEDFILEINFO* Fixed() const {
        return static_cast<const VS_FIXEDFILEINFO*>(Query(L"\\"));
    }

    std::vector<std::pair<WORD, WORD>> Translations() const {
        std::vector<std::pair<WORD, WORD>> list;
        UINT length = 0;
        void* value = nullptr;
        auto* data = const_cast<BYTE*>(data_.data());
        if (VerQueryValueW(data, L"\\VarFileInfo\\Translation", &value, &length) != FALSE) {
            const auto* words = static_cast<const WORD*>(value);
            for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2) {
                list.emplace_back(words[i], words[i + 1]);
            }
        }
        return list;
    }

    std::wstring Text(WORD language, WORD codePage, const wchar_t* name) const {
        wchar_t block[64];
        swprintf(block, std::size(block), L"\\StringFileInfo\\%04x%04x\\%ls", language, codePage,
                 name);
        const auto* text = static_cast<const wchar_t*>(Query(block));
        return text != nullptr ? text : L"(none)";
    }

  private:
    const void* Query(const wchar_t* path) const {
        UINT length = 0;
        void* value = nullptr;
        return VerQueryValueW(const_cast<BYTE*>(data_.data()), path, &value, &length) != FALSE &&
                       length > 0
                   ? value
                   : nullptr;
    }

    std::vector<BYTE> data_;
};

// What Explorer lists under Details, printed for the record.
void PrintDetails(const wchar_t* file, const VersionResource& version) {
    const VS_FIXEDFILEINFO* fixed = version.Fixed();
    std::printf("%s: file version %u.%u.%u.%u\n", WideToUtf8(file).c_str(),
                HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    for (const auto& [language, codePage] : version.Translations()) {
        std::printf("  language %04x, code page %u\n", language, codePage);
        for (const wchar_t* name : {L"FileDescription", L"ProductName", L"ProductVersion",
                                    L"CompanyName", L"LegalCopyright", L"OriginalFilename"}) {
            std::printf("    %-16s %s\n", WideToUtf8(name).c_str(),
                        WideToUtf8(version.Text(language, codePage, name)).c_str());
        }
    }
}

TEST_P(ProgramResources, VersionResourceNamesTheProgramInKoreanAndEnglish) {
    const Program& program = GetParam();
    const VersionResource version(Path());
    ASSERT_TRUE(version.Valid()) << "GetFileVersionInfoW() failed, error " << GetLastError();

    const VS_FIXEDFILEINFO* fixed = version.Fixed();
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, VS_FFI_SIGNATURE);
    const DWORD expectedHigh = MAKELONG(STRANDEX_VERSION_MINOR, STRANDEX_VERSION_MAJOR);
    const DWORD expectedLow = MAKELONG(STRANDEX_VERSION_TWEAK, STRANDEX_VERSION_PATCH);
    EXPECT_EQ(fixed->dwFileVersionMS, expectedHigh);
    EXPECT_EQ(fixed->dwFileVersionLS, expectedLow);
    EXPECT_EQ(fixed->dwProductVersionMS, expectedHigh);
    EXPECT_EQ(fixed->dwProductVersionLS, expectedLow);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u) << "no debug or pre-release flag";

    using Translation = std::pair<WORD, WORD>;
    const std::vector<Translation> expected = {{kKorean, kUtf16}, {kEnglish, kUtf16}};
    EXPECT_EQ(version.Translations(), expected);

    struct Expected {
        WORD language;
        const wchar_t* productName;
        const wchar_t* description;
    };
    for (const Expected& language : {
             Expected{kKorean, L"Strandex 사전 테스트", program.descriptionKorean},
             Expected{kEnglish, L"Strandex Pre-test", program.descriptionEnglish},
         }) {
        SCOPED_TRACE(testing::Message() << "language " << std::hex << language.language);
        const auto text = [&](const wchar_t* name) {
            return WideToUtf8(version.Text(language.language, kUtf16, name));
        };
        EXPECT_EQ(text(L"ProductName"), WideToUtf8(language.productName));
        EXPECT_EQ(text(L"FileDescription"), WideToUtf8(language.description));
        EXPECT_EQ(text(L"CompanyName"), "Orvane");
        EXPECT_EQ(text(L"FileVersion"), WideToUtf8(VersionText()));
        EXPECT_EQ(text(L"ProductVersion"), WideToUtf8(VersionText()));
        EXPECT_EQ(text(L"OriginalFilename"), WideToUtf8(program.fileName));
        EXPECT_EQ(text(L"LegalCopyright"), "Copyright (C) Orvane Co., Ltd.");
    }
    PrintDetails(program.fileName, version);
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, ProgramResources, testing::ValuesIn(kPrograms),
                         [](const testing::TestParamInfo<Program>& param) {
                             return param.index == 0 ? std::string("Gui") : std::string("Cli");
                         });

}  // namespace
