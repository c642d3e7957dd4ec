#include "features/about_items.h"

#include <string>

#include "drill/drill_state.h"
#include "features/feature_menu.h"
#include "platform/platform.h"
#include "platform/user_data.h"

namespace kestran::about {
namespace {

constexpr char kOpenFolder[] = "\xB4\xF2\xBF\xAA\xCA\xFD\xBE\xDD\xCE\xC4\xBC\xFE\xBC\xD0";  // 打开数据文件夹
constexpr char kAbout[] = "\xB9\xD8\xD3\xDA KESTRAN";                                      // 关于 KESTRAN
// KESTRAN <version>
// 英语单词练习 · English vocabulary drill
// MIT 许可证 (MIT License)
// 词库: ECDICT 英汉词典 (Linwei, MIT 许可证)
// https://github.com/skywind3000/ECDICT
// 数据文件夹: <path>
constexpr char kDrill[] = "\xD3\xA2\xD3\xEF\xB5\xA5\xB4\xCA\xC1\xB7\xCF\xB0 - English vocabulary drill";
constexpr char kLicence[] = "MIT \xD0\xED\xBF\xC9\xD6\xA4 (MIT License)";
// The word books' data and where it came from, as its licence asks.
constexpr char kBooksCredit[] =
    "\xB4\xCA\xBF\xE2: ECDICT \xD3\xA2\xBA\xBA\xB4\xCA\xB5\xE4 (Linwei, MIT \xD0\xED\xBF\xC9\xD6\xA4)\n"
    "https://github.com/skywind3000/ECDICT";
constexpr char kDataFolder[] = "\xCA\xFD\xBE\xDD\xCE\xC4\xBC\xFE\xBC\xD0: ";

std::string OpenFolderText() { return kOpenFolder; }
void OpenFolder() {
    plat::CreateUserDataFolder();
    plat::ShowFolderInFileManager(plat::UserDataFolder());
}

std::string AboutText() { return kAbout; }
void ShowAbout() {
    const std::string text = std::string("KESTRAN ") + KESTRAN_VERSION + "\n" + kDrill + "\n" + kLicence + "\n\n" + kBooksCredit + "\n\n" +
                             kDataFolder + plat::GbkFromPath(plat::UserDataFolder());
    plat::MessageBox(MainDialog, text.c_str(), kAbout, plat::MB_ICONINFORMATION);
}

}  // namespace

void Install() {
    menu::AddItem({OpenFolderText, plat::VK_F1 + 8, nullptr, nullptr, OpenFolder, true});
    menu::AddItem({AboutText, plat::VK_F1, nullptr, nullptr, ShowAbout, false});
}

}  // namespace kestran::about
