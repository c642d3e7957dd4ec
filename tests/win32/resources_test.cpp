// The resources the program file carries, read back the way the system
// reads them: dialog template 101 must describe the same dialog as the
// template the drill code hands the other backends, the icon must be a
// bitmap icon, the version block and the manifest must say what Windows
// looks for.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <string_view>

#include "app/main_dialog.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/windows_fence.h"

namespace kestran {
namespace {

constexpr WORD kChinesePrc = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
constexpr WORD kEnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

std::string_view Resource(LPCWSTR type, int id, WORD language) {
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC found = ::FindResourceExW(module, type, MAKEINTRESOURCEW(id), language);
    if (!found) return {};
    const void* data = ::LockResource(::LoadResource(module, found));
    return {static_cast<const char*>(data), ::SizeofResource(module, found)};
}

// Reads a template the way the dialog manager walks it.
class TemplateReader {
public:
    explicit TemplateReader(std::string_view bytes) : bytes_(bytes) {}
    template <class T>
    T Read() {
        T value{};
        std::memcpy(&value, bytes_.data() + at_, sizeof value);
        at_ += sizeof value;
        return value;
    }
    // A name or an ordinal: "#129" for the ordinal 129.
    std::string NameOrOrdinal() {
        const auto first = Read<WORD>();
        if (first == 0) return {};
        if (first == 0xFFFF) return "#" + std::to_string(Read<WORD>());
        std::wstring text(1, static_cast<wchar_t>(first));
        for (WORD c; (c = Read<WORD>()) != 0;) text += static_cast<wchar_t>(c);
        return plat::win32::GbkFromWide(text.c_str());
    }
    void AlignToDword() { at_ = (at_ + 3) & ~std::size_t{3}; }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

TEST(ProgramResources, Dialog101IsTheMainDialogTemplateInChinesePrc) {
    const std::string_view bytes = Resource(RT_DIALOG, kMainDialogResource, kChinesePrc);
    ASSERT_FALSE(bytes.empty()) << "no dialog 101 in Chinese (PRC)";
    const plat::DialogTemplate& expected = MainDialogTemplate();
    TemplateReader r(bytes);
    EXPECT_EQ(r.Read<WORD>(), 1) << "extended template";
    EXPECT_EQ(r.Read<WORD>(), 0xFFFF);
    EXPECT_EQ(r.Read<DWORD>(), 0u) << "help id";
    EXPECT_EQ(r.Read<DWORD>(), 0u) << "extended style";
    EXPECT_EQ(r.Read<DWORD>(), expected.style);
    ASSERT_EQ(r.Read<WORD>(), expected.controlCount);
    EXPECT_EQ(r.Read<short>(), expected.x);
    EXPECT_EQ(r.Read<short>(), expected.y);
    EXPECT_EQ(r.Read<short>(), expected.width);
    EXPECT_EQ(r.Read<short>(), expected.height);
    EXPECT_EQ(r.NameOrOrdinal(), "") << "menu";
    EXPECT_EQ(r.NameOrOrdinal(), "") << "the system's dialog class";
    EXPECT_EQ(r.NameOrOrdinal(), expected.caption);
    EXPECT_EQ(r.Read<WORD>(), expected.fontPointSize);
    EXPECT_EQ(r.Read<WORD>(), expected.fontWeight);
    EXPECT_EQ(r.Read<BYTE>(), 0) << "not italic";
    EXPECT_EQ(r.Read<BYTE>(), expected.fontCharset);
    EXPECT_EQ(r.NameOrOrdinal(), expected.fontFace);
    for (int i = 0; i < expected.controlCount; ++i) {
        const plat::DialogControl& c = expected.controls[i];
        r.AlignToDword();
        EXPECT_EQ(r.Read<DWORD>(), 0u) << "help id of " << c.id;
        EXPECT_EQ(r.Read<DWORD>(), c.exStyle) << c.id;
        EXPECT_EQ(r.Read<DWORD>(), c.style) << c.id;
        EXPECT_EQ(r.Read<short>(), c.x) << c.id;
        EXPECT_EQ(r.Read<short>(), c.y) << c.id;
        EXPECT_EQ(r.Read<short>(), c.width) << c.id;
        EXPECT_EQ(r.Read<short>(), c.height) << c.id;
        EXPECT_EQ(r.Read<DWORD>(), static_cast<DWORD>(c.id));
        // The predefined classes by name (any case) or by their ordinals.
        std::string cls = r.NameOrOrdinal();
        for (char& ch : cls) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        if (c.kind == plat::ControlKind::Edit)
            EXPECT_TRUE(cls == "EDIT" || cls == "#129") << "class '" << cls << "'";
        else
            EXPECT_TRUE(cls == "SCROLLBAR" || cls == "#132") << "class '" << cls << "'";
        EXPECT_EQ(r.NameOrOrdinal(), "") << "empty text of " << c.id;
        EXPECT_EQ(r.Read<WORD>(), 0) << "no creation data for " << c.id;
    }
}

TEST(ProgramResources, Icon111IsOne128PixelBitmapImageAt32Bits) {
    const std::string_view group = Resource(RT_GROUP_ICON, 111, kChinesePrc);
    ASSERT_GE(group.size(), 6u + 14u) << "no icon group 111 in Chinese (PRC)";
    TemplateReader r(group);
    EXPECT_EQ(r.Read<WORD>(), 0);
    EXPECT_EQ(r.Read<WORD>(), 1) << "an icon";
    ASSERT_EQ(r.Read<WORD>(), 1) << "one image";
    EXPECT_EQ(r.Read<BYTE>(), 128);
    EXPECT_EQ(r.Read<BYTE>(), 128);
    r.Read<WORD>();  // colour count, reserved
    EXPECT_EQ(r.Read<WORD>(), 1) << "planes";
    EXPECT_EQ(r.Read<WORD>(), 32) << "bits per pixel";
    r.Read<DWORD>();
    const WORD imageId = r.Read<WORD>();
    const std::string_view image = Resource(RT_ICON, imageId, kChinesePrc);
    ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER header;
    std::memcpy(&header, image.data(), sizeof header);
    EXPECT_EQ(header.biSize, sizeof header) << "a bitmap, not a PNG";
    EXPECT_EQ(header.biWidth, 128);
    EXPECT_EQ(header.biHeight, 256) << "colour and mask";
    EXPECT_EQ(header.biBitCount, 32);
    EXPECT_NE(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(111)), nullptr);
}

bool HoldsWide(std::string_view bytes, const wchar_t* text) {
    const std::string_view wanted(reinterpret_cast<const char*>(text), std::wcslen(text) * sizeof(wchar_t));
    return bytes.find(wanted) != std::string_view::npos;
}

TEST(ProgramResources, VersionBlockSaysVersion1001ForChinesePrc) {
    const std::string_view block = Resource(RT_VERSION, 1, kChinesePrc);
    ASSERT_FALSE(block.empty()) << "no version block 1 in Chinese (PRC)";
    const DWORD signature = 0xFEEF04BD;
    const std::size_t at = block.find(std::string_view(reinterpret_cast<const char*>(&signature), 4));
    ASSERT_NE(at, std::string_view::npos);
    VS_FIXEDFILEINFO info;
    ASSERT_LE(at + sizeof info, block.size());
    std::memcpy(&info, block.data() + at, sizeof info);
    EXPECT_EQ(info.dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(info.dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(info.dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(info.dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(info.dwFileFlagsMask, 0x17u);
    EXPECT_EQ(info.dwFileFlags, 0u);
    EXPECT_EQ(info.dwFileOS, 4u);
    EXPECT_EQ(info.dwFileType, 2u);
    EXPECT_EQ(info.dwFileSubtype, 0u);
    EXPECT_EQ(info.dwFileDateMS | info.dwFileDateLS, 0u);
    EXPECT_TRUE(HoldsWide(block, L"080404b0"));
    EXPECT_TRUE(HoldsWide(block, L"CompanyName"));
    EXPECT_TRUE(HoldsWide(block, L"1, 0, 0, 1"));
    // What Explorer's details and SmartScreen show for the file.
    EXPECT_TRUE(HoldsWide(block, L"OriginalFilename"));
    EXPECT_TRUE(HoldsWide(block, L"KESTRAN.exe"));
    EXPECT_TRUE(HoldsWide(block, L"InternalName"));
    const WORD translation[] = {0x0804, 0x04B0};
    EXPECT_NE(block.find(std::string_view(reinterpret_cast<const char*>(translation), sizeof translation)),
              std::string_view::npos);
}

TEST(ProgramResources, ManifestAsksForCommonControls6AndTheCallersRights) {
    const std::string_view manifest = Resource(MAKEINTRESOURCEW(24), 1, kEnglishUs);
    ASSERT_FALSE(manifest.empty()) << "no manifest 1 in English (US)";
    for (const char* wanted : {"level=\"asInvoker\"", "uiAccess=\"false\"", "name=\"Microsoft.Windows.Common-Controls\"",
                               "version=\"6.0.0.0\"", "processorArchitecture=\"x86\"",
                               "publicKeyToken=\"6595b64144ccf1df\"", "language=\"*\"",
                               // Vista, 7, 8, 8.1, 10 and 11
                               "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                               "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                               "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
                               // drawn at each monitor's scale, not stretched by the system
                               ">PerMonitorV2, PerMonitor</dpiAwareness>", ">true/pm</dpiAware>"})
        EXPECT_NE(manifest.find(wanted), std::string_view::npos) << wanted;
}

}  // namespace
}  // namespace kestran
