// The platform contract: every service the drill, the dialog, the buttons and
// the canvas ask of the operating system, and nothing else.
//
// The drill code calls only the free functions at the bottom of this file.
// They forward to five service objects that a backend installs at start-up:
//
//   WindowSystem    windows, per-thread message queues, timers, keyboard and
//                   mouse, dialog items, painting, message box, open dialog
//   Imaging         picture files, drawing them into a window, BMP writing,
//                   bitmaps and brushes for the dialog background
//   CanvasGraphics  the canvas drawing device: clear, text, sprite, present
//   Sound           asynchronous playing of a WAV file; speech
//   Process         threads, sleep, tick count, working directory, exit
//
// Every call has a direct counterpart among the classic Windows calls
// (GetMessageA, SetTimer, GetDlgItemTextA, GdipDrawImageRectI,
// ID3DXFont::DrawTextA, sndPlaySoundA, ...), so a native backend can fulfil
// the contract call for call. Text crosses the contract as NUL-terminated GBK
// bytes (canvas text may be UTF-8, marked so); paths to the asset folder are
// written with a backslash ("RES\41.wav") and resolved by the backend against
// the working directory of the moment.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "platform/types.h"

namespace plat {

// ---------------------------------------------------------------------------
// Opaque handles. Each backend defines the structs.
struct BrushObject;
struct BitmapObject;
struct ImageObject;
struct PaintContextObject;
struct CanvasDeviceObject;
struct CanvasFontObject;
struct CanvasTextureObject;

using Brush = BrushObject*;
using Bitmap = BitmapObject*;
using Image = ImageObject*;
using PaintContext = PaintContextObject*;

// ---------------------------------------------------------------------------
// Window classes, dialog templates and the open-file request.

struct WindowClass {
    std::uint32_t style = 0;        // CS_* bits
    WindowProc procedure = nullptr;
    int iconResource = 0;           // large and small icon
    Brush background = nullptr;     // erases the client area; null: nothing
    const char* className = nullptr;
};

// Edit: a single-line box for typed English; characters reach it directly,
// never through an input method's composition.
enum class ControlKind { Edit, HorizontalScrollBar };

struct DialogControl {
    int id = 0;
    ControlKind kind = ControlKind::Edit;
    int x = 0, y = 0, width = 0, height = 0;  // dialog units
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
};

struct DialogTemplate {
    // The program file's own template of this number, for a backend that
    // reads resources; the fields below describe the same dialog.
    int resource = 0;
    const char* caption = nullptr;      // GBK
    const char* fontFace = nullptr;     // GBK face name of the dialog font
    int fontPointSize = 0;
    int fontWeight = 0;
    int fontCharset = 0;
    int x = 0, y = 0, width = 0, height = 0;  // dialog units, on the screen
    std::uint32_t style = 0;
    int iconResource = 0;
    const DialogControl* controls = nullptr;  // template order is tab order
    int controlCount = 0;
};

struct OpenFileRequest {
    std::uint32_t structSize = 0;
    Window owner = nullptr;
    const char* filter = nullptr;   // pairs of NUL-terminated texts, ended by an extra NUL
    std::uint32_t filterIndex = 0;  // 1-based
    char* file = nullptr;           // in: initial name; out: the chosen path
    std::uint32_t maxFile = 0;
    const char* defaultExtension = nullptr;
    std::uint32_t flags = 0;
};

// One item of a popup menu.
struct PopupMenuItem {
    const char* text = nullptr;     // GBK
    const char* keyHint = nullptr;  // GBK, shown beside the text ("F3"); null or empty: none
    bool checked = false;           // a check mark before the text
    bool greyed = false;            // shown but cannot be chosen
    bool separatorBefore = false;   // a line between it and the item above
};

// A picture encoder as the imaging library describes it.
struct Guid {
    std::uint8_t bytes[16] = {};
};
struct ImageCodecInfo {
    Guid classId;
    const char16_t* mimeType = nullptr;  // NUL-terminated UTF-16
};

// ---------------------------------------------------------------------------
// Services.

// The window-system calls, written once: each entry gives the result type,
// the name, the parameters, the arguments as passed on, and what the call
// answers when no window system is installed. The service class, the free
// functions and every backend's declarations are made from this list.
//
// Windows. A window belongs to the thread that creates it: its procedure
// runs there and its messages queue there, also when its parent belongs to
// another thread. CreateDialog makes a modeless dialog; the procedure
// receives WM_INITDIALOG before it returns.
// The calling thread's message queue: GetMessage blocks and answers false
// for WM_QUIT; PeekMessage removes and answers false when empty;
// PostQuitMessage posts to the calling thread only. GetMessageAfterSleep
// retrieves what Sleep(sleepMs) then GetMessage would, but may wait once
// for both (a thread woken only by its messages then wakes once per message).
// WaitMessageTimeout waits until a message can be retrieved or the time is
// up and answers whether one can; it removes nothing. WaitForPostedMessage
// waits until a posted message (or a quit) can be retrieved, whatever timers
// fall due meanwhile, and handles messages sent meanwhile; it removes no
// posted message.
// Timers: WM_TIMER goes to the window's owner thread, whichever thread
// armed it; at most one per timer is pending; re-arming replaces the period.
// Input: GetKeyState answers for the key message the calling thread
// retrieved last (high bit set while the key is down).
// Dialog items: called from a thread other than the dialog's owner, the
// request waits until the owner retrieves messages (also inside a modal box
// or the open-file dialog). A backend may answer GetDlgItemText from a copy
// of the text it keeps as the text changes, without the wait.
// Painting: an invalidation brings one WM_PAINT to the window's owner
// thread, whichever thread invalidated it; with erasing, the class brush
// paints first unless the procedure answers a WM_ERASEBKGND the system sends.
// ShowPopupMenu shows the items as a popup menu at the point (x, y) of the
// client area of `at` and answers the index of the item chosen, or -1 when
// the menu was dismissed. `owner` is a window of the calling thread, which
// runs the menu's own loop meanwhile (requests sent to it are served, as in
// a message box); `at` may belong to another thread, whose windows keep
// running. Right-button messages reach a window's owner like the left ones.
#define KESTRAN_WINDOW_CALLS(X)                                                                              \
    X(bool, RegisterClass, (const WindowClass& windowClass), (windowClass), false)                            \
    X(Window, CreateWindow,                                                                                   \
      (const char* className, const char* title, std::uint32_t style, int x, int y, int width, int height,    \
       Window parent),                                                                                        \
      (className, title, style, x, y, width, height, parent), nullptr)                                       \
    X(Window, CreateDialog,                                                                                   \
      (const DialogTemplate& dialogTemplate, Window owner, DialogProc procedure, LParam parameter),           \
      (dialogTemplate, owner, procedure, parameter), nullptr)                                                 \
    X(Window, GetDlgItem, (Window dialog, int controlId), (dialog, controlId), nullptr)                       \
    X(bool, ShowWindow, (Window window, int command), (window, command), false)                               \
    X(LResult, DefWindowProc, (Window window, MessageId message, WParam wParam, LParam lParam),               \
      (window, message, wParam, lParam), 0)                                                                   \
    X(bool, GetMessage, (Message& message), (message), NoWindowSystemQuit(message))                          \
    X(bool, GetMessageAfterSleep, (Message& message, unsigned sleepMs), (message, sleepMs),                   \
      NoWindowSystemSleepThenQuit(message, sleepMs))                                                          \
    X(bool, PeekMessage, (Message& message), (message), false)                                                \
    X(bool, WaitMessageTimeout, (unsigned microseconds), (microseconds), NoWindowSystemWait(microseconds))        \
    X(void, WaitForPostedMessage, (), (), void())                                                             \
    X(void, TranslateMessage, (const Message& message), (message), void())                                    \
    X(LResult, DispatchMessage, (const Message& message), (message), 0)                                       \
    X(void, PostQuitMessage, (int exitCode), (exitCode), void())                                              \
    X(bool, PostMessage, (Window window, MessageId message, WParam wParam, LParam lParam),                    \
      (window, message, wParam, lParam), false)                                                               \
    X(bool, SetTimer, (Window window, std::uintptr_t timerId, unsigned periodMs), (window, timerId, periodMs), \
      false)                                                                                                  \
    X(bool, KillTimer, (Window window, std::uintptr_t timerId), (window, timerId), false)                     \
    X(std::int16_t, GetKeyState, (int virtualKey), (virtualKey), 0)                                           \
    X(bool, TrackMouseEvent, (Window window, unsigned flags, unsigned hoverTimeMs), (window, flags, hoverTimeMs), \
      false)                                                                                                  \
    X(unsigned, GetDlgItemText, (Window dialog, int controlId, char* buffer, int bufferSize),                 \
      (dialog, controlId, buffer, bufferSize), NoWindowSystemText(buffer, bufferSize))                        \
    X(bool, SetDlgItemText, (Window dialog, int controlId, const char* text), (dialog, controlId, text), false) \
    X(bool, SetScrollRange, (Window scrollBar, int bar, int minimum, int maximum, bool redraw),               \
      (scrollBar, bar, minimum, maximum, redraw), false)                                                      \
    X(int, SetScrollPos, (Window scrollBar, int bar, int position, bool redraw),                              \
      (scrollBar, bar, position, redraw), 0)                                                                  \
    X(bool, InvalidateRect, (Window window, bool erase), (window, erase), false)                              \
    X(PaintContext, BeginPaint, (Window window), (window), nullptr)                                           \
    X(void, EndPaint, (Window window, PaintContext context), (window, context), void())                       \
    X(int, MessageBox, (Window owner, const char* text, const char* caption, unsigned type),                  \
      (owner, text, caption, type), 0)                                                                        \
    X(bool, GetOpenFileName, (OpenFileRequest& request), (request), false)                                   \
    X(int, ShowPopupMenu, (Window owner, Window at, int x, int y, const PopupMenuItem* items, int count),    \
      (owner, at, x, y, items, count), -1)

// Declares one call of the list as a pure virtual / an override.
#define KESTRAN_DECLARE_PURE(result, name, params, args, fallback) virtual result name params = 0;
#define KESTRAN_DECLARE_OVERRIDE(result, name, params, args, fallback) result name params override;

class WindowSystem {
public:
    virtual ~WindowSystem() = default;
    KESTRAN_WINDOW_CALLS(KESTRAN_DECLARE_PURE)
};

class Imaging {
public:
    virtual ~Imaging() = default;
    virtual bool Startup() = 0;
    // Always an object, even for a missing file: it then measures 0 x 0 and
    // draws nothing. Null only when no object can be made at all.
    virtual Image LoadImage(const char* path) = 0;
    virtual unsigned ImageWidth(Image image) = 0;
    virtual unsigned ImageHeight(Image image) = 0;
    // The whole picture scaled into the rectangle, alpha-blended.
    virtual void DrawImage(PaintContext context, Image image, int x, int y, int width, int height) = 0;
    virtual void GetImageEncodersSize(unsigned* count, unsigned* bytes) = 0;
    virtual void GetImageEncoders(unsigned count, unsigned bytes, ImageCodecInfo* encoders) = 0;
    virtual bool SaveImage(Image image, const char* path, const Guid& encoder) = 0;
    // A bitmap file at its own size; null when it cannot be loaded.
    virtual Bitmap LoadBitmapFile(const char* path) = 0;
    virtual Brush CreatePatternBrush(Bitmap bitmap) = 0;  // null for a null bitmap
    virtual Brush CreateSolidBrush(ColourRef colour) = 0;
};

enum class DeviceStatus { Ok, Lost, NotReset };

// The canvas drawing device. One per canvas window, used by one thread.
class CanvasDevice {
public:
    virtual ~CanvasDevice() = default;
    virtual DeviceStatus TestCooperativeLevel() = 0;
    // After Lost/NotReset. Fonts and textures made before stay usable: the
    // device keeps what it needs to make them again.
    virtual bool Reset() = 0;
    virtual void Clear(Argb colour) = 0;
    virtual void BeginScene() = 0;
    virtual void EndScene() = 0;
    // Height and width in pixels, weight 0 for don't-care, face as GBK.
    // Falls back to a similar installed face; null only without any font.
    virtual CanvasFontObject* CreateFont(int height, int width, int weight, const char* face) = 0;
    // GBK text of length bytes (-1: up to the NUL), clipped to the rectangle,
    // laid out by the DT_* format bits. Returns the drawn height. With
    // DT_UTF8 in the format the text is UTF-8.
    virtual int DrawText(CanvasFontObject* font, const char* text, int length, const Rect& rect, unsigned format,
                         Argb colour) = 0;
    // How wide the text is on one line in the font, in pixels: where the
    // next text would start. Text as for DrawText (only DT_UTF8 of the
    // format matters). 0 without a font; a device that cannot measure says 0.
    virtual int TextWidth(CanvasFontObject* font, const char* text, int length, unsigned format) {
        (void)font, (void)text, (void)length, (void)format;
        return 0;
    }
    // The picture resized to width x height with a box filter (smoothly
    // when enlarged); pixels equal to colourKey (an ARGB value) become fully
    // transparent. Null on failure.
    virtual CanvasTextureObject* CreateTextureFromFile(const char* path, int width, int height, Argb colourKey) = 0;
    virtual void SpriteBegin() = 0;
    // The source cell unscaled, top-left at (x, y), alpha-blended, modulated by colour.
    virtual void SpriteDraw(CanvasTextureObject* texture, const Rect& source, float x, float y, Argb colour) = 0;
    virtual void SpriteEnd() = 0;
    // The font or picture is not drawn with again (null: nothing): what it
    // holds goes back to the system. A device keeping nothing per object
    // ignores it.
    virtual void ReleaseFont(CanvasFontObject*) {}
    virtual void ReleaseTexture(CanvasTextureObject*) {}
    // Shows the back buffer in the window. Lost when the surface went away
    // (the frame was not shown). A device synchronised to the retrace may
    // return only at the refresh; WaitForRefresh then returns at once.
    virtual DeviceStatus Present() = 0;
    // For a frame that would look the same: nothing new is shown, the frame
    // presented last stays. The device looks after its window here.
    virtual void KeepFrame() {}

    // Display refreshes, on the steady clock. A device that knows its
    // display's refresh overrides these guesses of 60 Hz.
    using RefreshClock = std::chrono::steady_clock;
    // Returns at the next display refresh.
    virtual void WaitForRefresh();
    // The first display refresh after `moment`, on the grid WaitForRefresh keeps.
    virtual RefreshClock::time_point RefreshAfter(RefreshClock::time_point moment);
    virtual RefreshClock::duration RefreshPeriod() const;
    // Whether WaitForRefresh gives the processor away until a refresh (an
    // unpaced offscreen device returns at once).
    virtual bool WaitsForRefresh() const { return true; }
};

class CanvasGraphics {
public:
    virtual ~CanvasGraphics() = default;
    // A device presenting into the window's client area, its size the back
    // buffer's. Null when no device can be made.
    virtual CanvasDevice* CreateDevice(Window window) = 0;
};

// The accents a word can be spoken in.
enum class VoiceAccent { American, British };

class Sound {
public:
    virtual ~Sound() = default;
    // Returns at once; the file is read anew at each call and played in the
    // background. A missing or unreadable file plays the default sound.
    virtual bool PlaySoundAsync(const char* path) = 0;

    // Speech, for the features that speak words; all calls from one thread.
    // Both return at once and cut off the speech still playing. False:
    // nothing will be heard.
    // Mono 16-bit samples at `rate` Hz, copied before the call returns. They
    // wait for a hit sound still playing; a hit sound cuts them off.
    virtual bool PlaySpeechAsync(const std::int16_t* samples, std::size_t count, int rate);
    // The system's own voice of the accent speaks the word (ASCII), where
    // one is installed. False: no such voice; the caller speaks it otherwise.
    virtual bool SpeakWithSystemVoice(const char* word, VoiceAccent accent);
};

class Process {
public:
    virtual ~Process() = default;
    virtual void CreateThread(void (*entry)()) = 0;  // starts at once, never joined
    virtual void Sleep(unsigned milliseconds) = 0;
    virtual std::uint32_t GetTickCount() = 0;          // milliseconds, wraps
    // Copies the directory with its NUL when it fits and returns its length;
    // otherwise leaves the buffer alone and returns the size it needs.
    virtual unsigned GetCurrentDirectory(unsigned bufferSize, char* buffer) = 0;
    virtual bool SetCurrentDirectory(const char* path) = 0;
    [[noreturn]] virtual void Exit(int status) = 0;  // every thread ends at once
};

struct Services {
    WindowSystem* windows = nullptr;
    Imaging* imaging = nullptr;
    CanvasGraphics* canvas = nullptr;
    Sound* sound = nullptr;
    Process* process = nullptr;
};

// Installs the backend; the previous services are returned so tests can put
// them back. A service left null answers every call with "failed" or 0.
Services Install(const Services& services);
const Services& Installed();

// ---------------------------------------------------------------------------
// The calls the drill code makes.

#define KESTRAN_DECLARE_CALL(result, name, params, args, fallback) result name params;
KESTRAN_WINDOW_CALLS(KESTRAN_DECLARE_CALL)
#undef KESTRAN_DECLARE_CALL

bool StartImaging();
Image LoadImage(const char* path);
unsigned ImageWidth(Image image);
unsigned ImageHeight(Image image);
void DrawImage(PaintContext context, Image image, int x, int y, int width, int height);
void GetImageEncodersSize(unsigned* count, unsigned* bytes);
void GetImageEncoders(unsigned count, unsigned bytes, ImageCodecInfo* encoders);
bool SaveImage(Image image, const char* path, const Guid& encoder);
Bitmap LoadBitmapFile(const char* path);
Brush CreatePatternBrush(Bitmap bitmap);
Brush CreateSolidBrush(ColourRef colour);

CanvasDevice* CreateCanvasDevice(Window window);

bool PlaySoundAsync(const char* path);
bool PlaySpeechAsync(const std::int16_t* samples, std::size_t count, int rate);
bool SpeakWithSystemVoice(const char* word, VoiceAccent accent);

void CreateThread(void (*entry)());
void Sleep(unsigned milliseconds);
std::uint32_t GetTickCount();
unsigned GetCurrentDirectory(unsigned bufferSize, char* buffer);
bool SetCurrentDirectory(const char* path);
[[noreturn]] void Exit(int status);

}  // namespace plat
