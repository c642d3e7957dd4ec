// Which folder the program works in: the working folder's RES wins, the
// program's own folder stands in for it, and with neither there is none.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_asset_folder.h"
#include "platform/win32/windows_fence.h"

namespace plat::win32 {
namespace {

TEST(AssetFolder, TheWorkingFolderWinsAndTheProgramsFolderStandsIn) {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring root = std::wstring(temp) + L"kestran-assets-" + std::to_wstring(::GetCurrentProcessId());
    const std::wstring with = root + L"\\\u5e26\u8d44\u6e90", other = with + L"2", without = root + L"\\plain";  // 带资源
    for (const std::wstring& folder : {root, with, with + L"\\RES", other, other + L"\\RES", without})
        ::CreateDirectoryW(folder.c_str(), nullptr);

    struct Case {
        std::wstring working, program;
        const std::wstring* expected;
    } cases[] = {
        {with, other, &with},         // both: the working folder, as always
        {without, with, &with},       // started elsewhere: the program's folder
        {without, without, nullptr},  // the exe alone, copied out of the zip
    };
    for (const Case& c : cases) {
        const auto found = FolderWithAssets(c.working, c.program);
        ASSERT_EQ(found.has_value(), c.expected != nullptr);
        if (found) EXPECT_TRUE(*found == *c.expected);
    }
    for (const std::wstring& folder : {with + L"\\RES", other + L"\\RES", with, other, without, root})
        ::RemoveDirectoryW(folder.c_str());
}

}  // namespace
}  // namespace plat::win32
