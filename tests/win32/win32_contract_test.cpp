// The window-system contract on the Windows backend. Pointer actions are
// real input (SendInput), so the system itself makes the double click and
// runs the scroll bar's own tracking.
#include "tests/contract/window_contract.h"

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_window_system.h"

#include <imm.h>

namespace kestran::contract {
namespace {

using plat::win32::Hwnd;

plat::win32::Win32WindowSystem& Win32Windows() {
    static auto* windows = new plat::win32::Win32WindowSystem();
    return *windows;
}

void ClickAt(POINT at, int times, bool right = false) {
    ::SetCursorPos(at.x, at.y);
    std::vector<INPUT> inputs;
    const DWORD down = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    const DWORD up = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    for (int i = 0; i < times; ++i)
        for (DWORD flag : {down, up}) {
            INPUT input{};
            input.type = INPUT_MOUSE;
            input.mi.dwFlags = flag;
            inputs.push_back(input);
        }
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

class Win32Driver {
public:
    Win32Driver() {
        previous_ = plat::Install(plat::Services{&Win32Windows(), nullptr, nullptr, nullptr, &plat::SystemProcess()});
        // One dialog for all the tests: showing and destroying a top-level
        // window costs seconds under Wine without a window manager.
        static plat::Window dialog = [] {
            plat::Window made = plat::CreateDialog(MainDialogTemplate(), nullptr, RecordingDialogProc, 0);
            plat::ShowWindow(made, plat::SW_SHOWNORMAL);
            return made;
        }();
        dialog_ = dialog;
        PumpUntil([] { return false; }, 50ms);
    }
    ~Win32Driver() { plat::Install(previous_); }

    plat::Window Dialog() const { return dialog_; }

    bool DoubleClick(plat::Window window) {
        RECT r{};
        ::GetWindowRect(Hwnd(window), &r);
        ClickAt(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, 2);
        return true;
    }

    bool RightClick(plat::Window window) {
        RECT r{};
        ::GetWindowRect(Hwnd(window), &r);
        ClickAt(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, 1, true);
        return true;
    }

    // Another thread finds the system's menu window, reads the menu as
    // shown, and clicks the chosen item or presses Esc in the menu.
    void AnswerNextPopupMenu(std::chrono::milliseconds after, PopupChoice choose) {
        std::thread([after, choose] {
            std::this_thread::sleep_for(after);
            HWND menuWindow = nullptr;
            for (int i = 0; i < 500 && !menuWindow; ++i, std::this_thread::sleep_for(10ms)) {
                HWND found = ::FindWindowW(L"#32768", nullptr);
                if (found && ::IsWindowVisible(found)) menuWindow = found;
            }
            if (!menuWindow) return;
            constexpr UINT kGetMenu = 0x01E1;  // MN_GETHMENU
            HMENU menu = reinterpret_cast<HMENU>(::SendMessageW(menuWindow, kGetMenu, 0, 0));
            std::vector<PopupSeen> seen;
            std::vector<int> positions;
            for (int position = 0; position < ::GetMenuItemCount(menu); ++position) {
                wchar_t text[128] = {};
                MENUITEMINFOW info{};
                info.cbSize = sizeof info;
                info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
                info.dwTypeData = text;
                info.cch = 127;
                ::GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info);
                if (info.fType & MFT_SEPARATOR) continue;
                const std::wstring whole(text);
                const auto tab = whole.find(L'\t');
                seen.push_back(PopupSeen{plat::win32::GbkFromWide(whole.substr(0, tab).c_str()),
                                         tab == std::wstring::npos ? "" : plat::win32::GbkFromWide(whole.substr(tab + 1).c_str()),
                                         (info.fState & MFS_CHECKED) != 0, (info.fState & MFS_GRAYED) != 0});
                positions.push_back(position);
            }
            const int choice = choose(seen);
            if (choice >= 0 && choice < static_cast<int>(positions.size())) {
                RECT item{};
                ::GetMenuItemRect(nullptr, menu, static_cast<UINT>(positions[choice]), &item);
                ClickAt(POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2}, 1);
            } else {
                ::PostMessageW(menuWindow, plat::win32::sys::WM_KEYDOWN, plat::win32::sys::VK_ESCAPE, 0);
            }
        }).detach();
    }

    bool ClickScrollBar(plat::Window scrollBar, ScrollPart part) {
        RECT r{};
        ::GetWindowRect(Hwnd(scrollBar), &r);
        const int arrow = std::min<int>(::GetSystemMetrics(SM_CXHSCROLL), (r.right - r.left) / 3);
        const int y = (r.top + r.bottom) / 2;
        ClickAt(part == ScrollPart::RightArrow ? POINT{r.right - arrow / 2 - 1, y} : POINT{r.left + arrow + 2, y}, 1);
        return true;
    }

    // What the close button does: the system command, which the dialog's
    // default handling turns into WM_CLOSE.
    void UserClose(plat::Window dialog) { ::PostMessageW(Hwnd(dialog), WM_SYSCOMMAND, SC_CLOSE, 0); }

    // The box runs the system's own loop on this thread; another thread
    // presses its button.
    void CloseNextMessageBox(int answer, std::chrono::milliseconds after, std::function<void()> justBefore) {
        std::thread([answer, after, justBefore] {
            std::this_thread::sleep_for(after);
            HWND box = nullptr;
            for (int i = 0; i < 500 && !box; ++i, std::this_thread::sleep_for(10ms))
                box = ::FindWindowW(L"#32770", L"contract");
            justBefore();
            if (box) ::PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(answer), 0);
        }).detach();
    }

private:
    plat::Services previous_;
    plat::Window dialog_ = nullptr;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, WindowContract, Win32Driver);

// No input method composes into the answer box, whatever its mode.
TEST(Win32AnswerBox, HasNoInputContext) {
    Win32Driver driver;
    EXPECT_EQ(::ImmGetContext(::GetDlgItem(Hwnd(driver.Dialog()), kAnswerBoxId)), nullptr);
}

// A Chinese text longer than the caller's buffer is cut before a whole
// character: no lone lead byte at the end.
TEST(Win32AnswerBox, LongChineseTextIsCutAtACharacterBoundary) {
    Win32Driver driver;
    std::string forty;
    for (int i = 0; i < 40; ++i) forty += "\xc6\xbb";  // 苹
    ASSERT_TRUE(plat::SetDlgItemText(driver.Dialog(), kAnswerBoxId, forty.c_str()));
    char buffer[64];
    EXPECT_EQ(plat::GetDlgItemText(driver.Dialog(), kAnswerBoxId, buffer, sizeof buffer), 62u);
    EXPECT_EQ(std::string(buffer), forty.substr(0, 62));
    plat::SetDlgItemText(driver.Dialog(), kAnswerBoxId, "");
}

// The system's open-file dialog, answered by typing a path into it from
// another thread as a person would; the path comes back in GBK.
class Win32OpenFile : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"\u8bcd\u8868-" + std::to_wstring(::GetCurrentProcessId());  // 词表-<pid>
        ::CreateDirectoryW(folder_.c_str(), nullptr);
        file_ = folder_ + L"\\\u5355\u8bcd.txt";  // 单词.txt
        HANDLE h = ::CreateFileW(file_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        ::CloseHandle(h);
        ::GetCurrentDirectoryW(MAX_PATH, startDirectory_);
    }
    void TearDown() override {
        ::SetCurrentDirectoryW(startDirectory_);
        ::DeleteFileW(file_.c_str());
        ::RemoveDirectoryW(folder_.c_str());
    }

    // Types `path` into the next open-file dialog owned by `owner` and
    // presses Open.
    static void TypeIntoNextOpenDialog(HWND owner, std::wstring path) {
        std::thread([owner, path] {
            for (int i = 0; i < 1000; ++i, std::this_thread::sleep_for(10ms)) {
                HWND box = ::FindWindowW(L"#32770", nullptr);
                if (!box || ::GetWindow(box, GW_OWNER) != owner || !::IsWindowVisible(box)) continue;
                std::this_thread::sleep_for(200ms);  // let it finish setting up
                // The file-name box: a combo box in the newer layout, an edit in the older.
                for (int id : {0x47C, 0x480}) ::SetDlgItemTextW(box, id, path.c_str());
                ::PostMessageW(box, WM_COMMAND, plat::IDOK, 0);
                return;
            }
        }).detach();
    }

    bool Open(plat::Window owner, char* buffer, unsigned size) {
        plat::OpenFileRequest request;
        request.structSize = 88;
        request.owner = owner;
        request.filter = ".txt\0*.txt;\0";
        request.filterIndex = 1;
        request.file = buffer;
        request.maxFile = size;
        request.defaultExtension = "txt";
        return plat::GetOpenFileName(request);
    }

    std::wstring folder_, file_;
    wchar_t startDirectory_[MAX_PATH] = {};
};

TEST_F(Win32OpenFile, AChineseFolderAndNameComeBackAsGbkAndATooSmallBufferGetsNothing) {
    Win32Driver driver;
    // Working in a folder whose name GBK cannot hold (한), where the assets lie.
    const std::wstring working = folder_ + L"\\\ud55c";
    ::CreateDirectoryW(working.c_str(), nullptr);
    ASSERT_TRUE(::SetCurrentDirectoryW(working.c_str()));
    TypeIntoNextOpenDialog(Hwnd(driver.Dialog()), file_);
    char path[260] = {};
    ASSERT_TRUE(Open(driver.Dialog(), path, sizeof path));
    EXPECT_EQ(std::string(path), plat::win32::GbkFromWide(file_.c_str()));
    EXPECT_NE(std::string(path).find("\xb4\xca\xb1\xed"), std::string::npos) << "词表 in GBK";
    wchar_t after[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, after);
    EXPECT_TRUE(working == after) << "the working folder is the one before the dialog";
    ::SetCurrentDirectoryW(startDirectory_);
    ::RemoveDirectoryW(working.c_str());

    // A path longer than the caller's buffer is not cut: the dialog counts
    // as cancelled and the buffer keeps what it had.
    TypeIntoNextOpenDialog(Hwnd(driver.Dialog()), file_);
    char small[8] = "old";
    EXPECT_FALSE(Open(driver.Dialog(), small, sizeof small));
    EXPECT_STREQ(small, "old");
}

}  // namespace
}  // namespace kestran::contract
