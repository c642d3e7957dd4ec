// kestran_e2e_win: the real program (the same WinMain on the same backend)
// with an observer thread beside it. The canvas and the drill state live
// inside the process, so the end-to-end driver asks here, one command a line
// on stdin, one answer a line (JSON) on stdout. Input comes from outside,
// through the X server, as a user's would.
//
//   layout          where the dialog, its controls and the five buttons stand,
//                   and the dialog font's base units measured from the font
//   dpi N           the dialog told it moved to a monitor of N DPI, as the
//                   system tells it (Wine never does); answers the layout
//   state           the drill record, the process's visible windows, the text
//                   of a message box, the working folder and how many Enter
//                   and Esc characters reached the answer box, and which
//                   device draws the canvas
//   frame PATH      the last presented canvas frame, written as a PPM
//   shot PATH       the dialog's client area as GDI drew it, as a PPM, with
//                   the dialog moved to the screen's top-left
//   ticks MS        the practice tick period, timed over MS milliseconds on
//                   the ticker thread
//   hit MS          waits up to MS for a practice hit (typed after the
//                   command is sent); the most pixels its animation drew in
//                   one frame, the same count on the word before it, how
//                   long practiceHitAnim stayed set, and how many of its
//                   frames came late and by how long in all
//   book [HEX]      the wrong-word book file's bytes (after HEX, when
//                   given, was written as the book), once its writes are done
//   progress        the word books' progress file's bytes, once its writes
//                   are done
//   endsession      the dialog told the session ends, as the system tells
//                   it at log-off (WM_QUERYENDSESSION, then WM_ENDSESSION);
//                   no answer: the program ends
#include "platform/win32/windows_fence.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/win_main.h"
#include "drill/button_visual.h"
#include "drill/drill_state.h"
#include "features/features.h"
#include "features/wordbook/wordbook.h"
#include "features/wordbooks/progress_store.h"
#include "features/wordbooks/wordbooks.h"
#include "platform/user_data.h"
#include "platform/win32/win32_backend.h"
#include "platform/win32/win32_canvas_service.h"
#include "platform/win32/win32_dpi.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_media.h"
#include "platform/win32/win32_timer_resolution.h"
#include "ui/canvas_layout.h"

namespace {

using Clock = std::chrono::steady_clock;
using kestran::drill;

HWND Dialog() { return plat::win32::Hwnd(kestran::MainDialog.load()); }

plat::win32::WindowsCanvasService& CanvasService() {
    return static_cast<plat::win32::WindowsCanvasService&>(plat::win32::WindowsCanvas());
}

plat::win32::ChosenCanvasDevice* Device() { return CanvasService().LastDevice(); }

const char* DeviceName() {
    plat::win32::ChosenCanvasDevice* device = Device();
    const auto kind = device ? device->CurrentKind() : std::nullopt;
    if (!kind) return "none";
    return *kind == plat::win32::WindowsCanvasDevice::Kind::Direct3D ? "Direct3D" : "GDI";
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string Utf8(const wchar_t* text) {
    char buffer[1024] = {};
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof buffer - 1, nullptr, nullptr);
    return buffer;
}

std::string Json(const RECT& r) {
    std::ostringstream out;
    out << '[' << r.left << ',' << r.top << ',' << r.right << ',' << r.bottom << ']';
    return out.str();
}

// A child's rectangle in the dialog's client pixels.
RECT ClientRectOf(HWND child) {
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, Dialog(), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string Layout() {
    HWND dialog = Dialog();
    if (!dialog) return "{}";
    POINT origin{0, 0};
    ::ClientToScreen(dialog, &origin);
    RECT client{};
    ::GetClientRect(dialog, &client);

    // Base units as the dialog manager takes them from its font: average
    // width of the 52 letters, rounded, and the cell height.
    auto font = reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0));
    LOGFONTW logical{};
    ::GetObjectW(font, sizeof logical, &logical);
    HDC dc = ::GetDC(dialog);
    HGDIOBJ old = ::SelectObject(dc, font);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    SIZE letters{};
    ::GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
    wchar_t face[LF_FACESIZE] = {};
    ::GetTextFaceW(dc, LF_FACESIZE, face);
    ::SelectObject(dc, old);
    ::ReleaseDC(dialog, dc);
    const int baseX = (letters.cx / 26 + 1) / 2;
    RECT units{0, 0, 4, 8};
    ::MapDialogRect(dialog, &units);

    HWND slider = ::GetDlgItem(dialog, kestran::kSpeedSliderId);
    SCROLLBARINFO bar{sizeof bar};
    ::SendMessageW(slider, SBM_GETSCROLLBARINFO, 0, reinterpret_cast<LPARAM>(&bar));

    std::ostringstream out;
    out << "{\"origin\":[" << origin.x << ',' << origin.y << "],\"client\":[" << client.right << ','
        << client.bottom << "],\"font\":{\"face\":\"" << Utf8(logical.lfFaceName) << "\",\"drawnWith\":\""
        << Utf8(face) << "\",\"height\":" << logical.lfHeight << ",\"weight\":" << logical.lfWeight
        << ",\"charset\":" << int(logical.lfCharSet) << "},\"base\":[" << baseX << ',' << metrics.tmHeight
        << "],\"mapped\":[" << units.right << ',' << units.bottom
        << "],\"answerBox\":" << Json(ClientRectOf(::GetDlgItem(dialog, kestran::kAnswerBoxId)))
        << ",\"slider\":" << Json(ClientRectOf(slider)) << ",\"sliderScreen\":" << Json(bar.rcScrollBar)
        << ",\"thumb\":[" << bar.xyThumbTop << ',' << bar.xyThumbBottom << "],\"sliderPos\":"
        << ::GetScrollPos(slider, plat::SB_CTL)
        << ",\"canvas\":" << Json(ClientRectOf(plat::win32::Hwnd(kestran::Canvas.load()))) << ",\"buttons\":[";
    const char* comma = "";
    for (auto* button : {&kestran::OpenButton, &kestran::OrderButton, &kestran::ModeButton, &kestran::ColourButton,
                         &kestran::EffectsButton}) {
        out << comma << Json(ClientRectOf(plat::win32::Hwnd(button->load())));
        comma = ",";
    }
    out << "]}";
    return out.str();
}

// The characters a real single-line edit control answers with the system
// beep (Wine's does not beep), counted where the answer box would take them.
std::atomic<int> beepingChars{0};
WNDPROC answerBoxProcedure = nullptr;

LRESULT CALLBACK CountBeepingChars(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == plat::WM_CHAR && (wParam == 0x0D || wParam == 0x1B)) ++beepingChars;
    return ::CallWindowProcW(answerBoxProcedure, window, message, wParam, lParam);
}

void WatchAnswerBox() {
    HWND box = ::GetDlgItem(Dialog(), kestran::kAnswerBoxId);
    if (answerBoxProcedure || !box) return;
    answerBoxProcedure = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountBeepingChars)));
}

// The text of a visible message box of this process, if one is up.
BOOL CALLBACK FindBoxText(HWND window, LPARAM text) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    wchar_t found[512] = {};
    if (process == ::GetCurrentProcessId() && window != Dialog() && ::IsWindowVisible(window) &&
        ::GetDlgItemTextW(window, 0xFFFF, found, 512) > 0) {
        *reinterpret_cast<std::string*>(text) = Utf8(found);
        return FALSE;
    }
    return TRUE;
}

// What Windows sends when the dialog lands on a monitor of another scale:
// it asks the window's size at the new scale, then suggests a frame of that
// size (or of its own size scaled, when the window does not answer) at the
// same top-left.
std::string ChangeDpi(int dpi) {
    HWND dialog = Dialog();
    RECT frame{};
    ::GetWindowRect(dialog, &frame);
    const int now = static_cast<int>(plat::win32::LayoutDpi(dialog));
    SIZE size{::MulDiv(frame.right - frame.left, dpi, now), ::MulDiv(frame.bottom - frame.top, dpi, now)};
    SIZE asked{};
    if (::SendMessageW(dialog, 0x02E4 /* WM_GETDPISCALEDSIZE */, static_cast<WPARAM>(dpi),
                       reinterpret_cast<LPARAM>(&asked)))
        size = asked;
    RECT suggested{frame.left, frame.top, frame.left + size.cx, frame.top + size.cy};
    ::SendMessageW(dialog, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    return Layout();
}

BOOL CALLBACK CountVisible(HWND window, LPARAM count) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == ::GetCurrentProcessId() && ::IsWindowVisible(window)) ++*reinterpret_cast<int*>(count);
    return TRUE;
}

std::string Word(int index) {
    kestran::WordRecord* table = drill.WordTable;
    if (!table || index < 0 || index >= drill.wordCount) return "";
    return table[index].word;
}

std::string State() {
    int windows = 0;
    ::EnumWindows(CountVisible, reinterpret_cast<LPARAM>(&windows));
    // Where typed keys go: the active window and the focused control.
    GUITHREADINFO gui{sizeof gui};
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(Dialog(), nullptr), &gui);
    wchar_t focusClass[64] = {};
    if (gui.hwndFocus) ::GetClassNameW(gui.hwndFocus, focusClass, 64);
    std::string boxText;
    ::EnumWindows(FindBoxText, reinterpret_cast<LPARAM>(&boxText));
    wchar_t folder[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, folder);
    WatchAnswerBox();
    std::ostringstream out;
    out << "{\"windows\":" << windows << ",\"boxText\":\"" << Hex(boxText) << "\",\"folder\":\"" << Hex(Utf8(folder))
        << "\",\"beepingChars\":" << beepingChars << ",\"fineTimer\":" << plat::win32::FineTimerResolution()
        << ",\"mainActive\":" << (gui.hwndActive && gui.hwndActive == Dialog())
        << ",\"focusClass\":\"" << Utf8(focusClass) << "\",\"focusId\":"
        << (gui.hwndFocus ? ::GetDlgCtrlID(gui.hwndFocus) : 0) << ",\"listLoaded\":" << int(drill.listLoaded)
        << ",\"wordCount\":" << drill.wordCount << ",\"scrollX\":" << drill.scrollX
        << ",\"paused\":" << int(drill.paused) << ",\"practiceIndex\":" << drill.practiceIndex
        << ",\"practiceWord\":\"" << Hex(Word(drill.practiceIndex)) << "\",\"practiceHitAnim\":"
        << int(drill.practiceHitAnim) << ",\"testMode\":" << int(drill.testMode)
        << ",\"testIndex\":" << drill.testIndex << ",\"testWord\":\"" << Hex(Word(drill.testIndex))
        << "\",\"testFinished\":" << int(drill.testFinished) << ",\"correctCount\":" << drill.correctCount
        << ",\"wrongCount\":" << drill.wrongCount << ",\"testScore\":" << drill.testScore
        << ",\"resultText\":\"" << Hex(drill.resultText.Get().data()) << "\",\"canvasDevice\":\"" << DeviceName()
        << "\"}";
    return out.str();
}

std::string WritePpm(const std::string& path, const plat::win32::CanvasFrame& frame) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || frame.rgb.empty()) {
        if (file) std::fclose(file);
        return "{\"error\":\"no frame\"}";
    }
    std::fprintf(file, "P6\n%d %d\n255\n", frame.width, frame.height);
    for (std::uint32_t p : frame.rgb) {
        const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                                      static_cast<unsigned char>(p)};
        std::fwrite(rgb, 1, 3, file);
    }
    std::fclose(file);
    return "{\"width\":" + std::to_string(frame.width) + ",\"height\":" + std::to_string(frame.height) + "}";
}

std::string Frame(const std::string& path) {
    plat::win32::ChosenCanvasDevice* device = Device();
    if (!device) return "{\"error\":\"no canvas device\"}";
    plat::win32::CanvasFrame frame = device->LastFrame();
    for (int i = 0; i < 200 && frame.rgb.empty(); ++i) {
        ::Sleep(5);
        frame = device->LastFrame();
    }
    return WritePpm(path, frame);
}

// What GDI drew into the dialog's client area: the background, the buttons
// and the controls (a Direct3D canvas draws into a surface of its own). The
// dialog is moved to the screen's top-left first; of a dialog larger than
// the screen, the part on the screen.
std::string Shot(const std::string& path) {
    HWND dialog = Dialog();
    RECT client{};
    if (!dialog || !::GetClientRect(dialog, &client)) return "{\"error\":\"no dialog\"}";
    ::SetWindowPos(dialog, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ::Sleep(300);
    POINT origin{0, 0};
    ::ClientToScreen(dialog, &origin);
    plat::win32::CanvasFrame shot;
    shot.width = std::min<int>(client.right, ::GetSystemMetrics(SM_CXSCREEN) - origin.x);
    shot.height = std::min<int>(client.bottom, ::GetSystemMetrics(SM_CYSCREEN) - origin.y);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, shot.width, -shot.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC window = ::GetDC(dialog);
    HDC memory = ::CreateCompatibleDC(window);
    HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, shot.width, shot.height, window, 0, 0, SRCCOPY);
    ::GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    if (pixels) shot.rgb.assign(pixels, pixels + static_cast<std::size_t>(shot.width) * shot.height);
    ::SelectObject(memory, previous);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(dialog, window);
    return WritePpm(path, shot);
}

// Tick times, taken on the ticker's own thread as it takes each timer
// message, so that how late this thread wakes does not count.
std::mutex tickMutex;
std::vector<double> tickTimes;
const Clock::time_point tickEpoch = Clock::now();

LRESULT CALLBACK NoteTick(int code, WPARAM removed, LPARAM lParam) {
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && removed == PM_REMOVE && message->message == plat::WM_TIMER &&
        message->hwnd == plat::win32::Hwnd(kestran::TickerWindow.load())) {
        std::lock_guard lock(tickMutex);
        tickTimes.push_back(std::chrono::duration<double, std::milli>(Clock::now() - tickEpoch).count());
    }
    return ::CallNextHookEx(nullptr, code, removed, lParam);
}

// The tick period over the given time: the time from the first tick to the
// last over the periods between them. Each tick is taken after a sleep whose
// length varies by most of a millisecond, so single intervals scatter around
// the period and their median wanders with the scatter's shape; the span
// does not. A busy machine that holds the ticker back past a tick loses
// that tick (the timer does not pile them up): an interval of about two
// periods or more counts as that many. A merely late tick, one long interval
// and one short one, counts as two.
std::string Ticks(int milliseconds) {
    static HHOOK hook = nullptr;
    if (!hook) {
        const DWORD ticker = ::GetWindowThreadProcessId(plat::win32::Hwnd(kestran::TickerWindow.load()), nullptr);
        hook = ::SetWindowsHookExW(WH_GETMESSAGE, NoteTick, nullptr, ticker);
        if (!hook) return "{\"error\":\"no hook on the ticker thread\"}";
    }
    {
        std::lock_guard lock(tickMutex);
        tickTimes.clear();
    }
    ::Sleep(static_cast<DWORD>(milliseconds));
    std::vector<double> times;
    {
        std::lock_guard lock(tickMutex);
        times.swap(tickTimes);
    }
    std::vector<double> intervals;
    for (std::size_t i = 1; i < times.size(); ++i) intervals.push_back(times[i] - times[i - 1]);
    if (intervals.empty()) return "{\"error\":\"no ticks\"}";
    std::vector<double> sorted = intervals;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    long periods = 0;
    for (double t : intervals) periods += std::max(1L, std::lround(t / median - 0.25));
    const long lost = periods - static_cast<long>(intervals.size());
    const double period = (times.back() - times.front()) / static_cast<double>(periods);
    std::ostringstream out;
    out << "{\"ticks\":" << times.size() << ",\"period\":" << period << ",\"median\":" << median
        << ",\"lost\":" << lost << '}';
    return out.str();
}

// Pixels in the animation's cell that are neither the ground nor text: the
// text is drawn in yellow or white, blended into the blue ground at its edges.
int SpritePixels(const plat::win32::CanvasFrame& frame, int cellX) {
    using namespace kestran::canvas;
    int count = 0;
    const int top = static_cast<int>(kHitY);
    for (int y = top; y < top + kAnimCellSize && y < frame.height; ++y)
        for (int x = cellX < 0 ? 0 : cellX; x < cellX + kAnimCellSize && x < frame.width; ++x) {
            const std::uint32_t p = frame.Pixel(x, y);
            const int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
            const bool greyish = (r > g ? r - g : g - r) <= 24;
            const bool textBlend = greyish && (b >= 230 || (r + b > 225 && r + b < 285));
            if (!textBlend) ++count;
        }
    return count;
}

std::string Hit(int milliseconds) {
    plat::win32::ChosenCanvasDevice* device = Device();
    if (!device) return "{\"error\":\"no canvas device\"}";
    // The same count where the word stands before the hit: text alone must
    // stay well below what the animation draws.
    const int before = SpritePixels(device->LastFrame(), drill.scrollX);
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (drill.practiceHitAnim == 0 && Clock::now() < deadline) ::Sleep(1);
    if (drill.practiceHitAnim == 0) return "{\"error\":\"no hit\"}";
    const auto set = Clock::now();
    const int cellX = drill.hitAnimX;
    int most = 0, frames = 0;
    const auto stop = set + std::chrono::seconds(3);
    auto nextSample = set;
    // Frames of the animation that came more than half a 60 Hz refresh late
    // (the busy machine held the render thread back), and by how much in all.
    const auto refresh = std::chrono::microseconds(16667);
    int step = drill.animFrame, late = 0;
    Clock::duration heldBack{};
    auto stepAt = set;
    // Polled every millisecond for the length; the frame is read back less
    // often, as copying it costs more than a millisecond.
    while (drill.practiceHitAnim == 1 && Clock::now() < stop) {
        if (drill.animFrame != step) {
            const auto now = Clock::now();
            if (now - stepAt > refresh * 3 / 2) {
                ++late;
                heldBack += now - stepAt - refresh;
            }
            step = drill.animFrame;
            stepAt = now;
        }
        if (Clock::now() >= nextSample) {
            const int n = SpritePixels(device->LastFrame(), cellX);
            if (n > most) most = n;
            ++frames;
            nextSample = Clock::now() + std::chrono::milliseconds(4);
        }
        ::Sleep(1);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - set).count();
    return "{\"spritePixels\":" + std::to_string(most) + ",\"before\":" + std::to_string(before) +
           ",\"samples\":" + std::to_string(frames) + ",\"seconds\":" + std::to_string(seconds) + ",\"late\":" + std::to_string(late) +
           ",\"heldBack\":" + std::to_string(std::chrono::duration<double>(heldBack).count()) + '}';
}

std::string Book(const std::string& hex) {
    const std::string path = kestran::wordbook::BookPath();
    kestran::wordbook::WaitForBookWrites();
    if (!hex.empty()) {
        std::string bytes;
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        plat::CreateUserDataFolder();
        if (!plat::WriteFileAtomically(path, bytes)) return "{\"error\":\"cannot write the book\"}";
    }
    std::string bytes;
    plat::ReadWholeFile(path, bytes);
    return "{\"path\":\"" + Hex(path) + "\",\"bytes\":\"" + Hex(bytes) + "\"}";
}

std::string Progress() {
    kestran::wordbooks::WaitForProgressWrites();
    std::string bytes;
    plat::ReadWholeFile(kestran::wordbooks::ProgressStore().Path(), bytes);
    return "{\"bytes\":\"" + Hex(bytes) + "\"}";
}

void Serve() {
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string command, argument;
        in >> command >> argument;
        std::string answer;
        if (command == "layout")
            answer = Layout();
        else if (command == "shot")
            answer = Shot(argument);
        else if (command == "dpi")
            answer = ChangeDpi(std::stoi(argument));
        else if (command == "state")
            answer = State();
        else if (command == "frame")
            answer = Frame(argument);
        else if (command == "ticks")
            answer = Ticks(std::stoi(argument));
        else if (command == "hit")
            answer = Hit(std::stoi(argument));
        else if (command == "book")
            answer = Book(argument);
        else if (command == "progress")
            answer = Progress();
        else if (command == "endsession") {
            ::SendMessageW(Dialog(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
            ::SendMessageW(Dialog(), plat::WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
            answer = "{\"error\":\"the program went on after the session ended\"}";
        }
        else
            answer = "{\"error\":\"unknown command\"}";
        std::cout << answer << std::endl;
    }
}

}  // namespace

int main() {
    // From the first frame: a canvas that stays still presents nothing new.
    CanvasService().KeepFramesOfNewDevices(true);
    std::thread(Serve).detach();
    kestran::InstallFeatures();
    plat::win32::RunProgram(&kestran::WinMain);
}
