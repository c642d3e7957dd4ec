// A canvas window's own X window, which the drawing thread sends its frames
// to over a connection of its own. The toolkit's thread then takes no part
// in showing a frame: no wake-up, repaint and flush of its own per frame.
//
// The X window is a child of the dialog's, laid exactly over the canvas
// widget. It selects no input, so clicks and pointer motion go on to the
// dialog's window and from there to the canvas widget as before.
#pragma once

#include <QImage>
#include <QRect>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct xcb_connection_t;

namespace plat::qt {

class XcbCanvasSurface {
public:
    // Connects to `display` and maps a child window of `parent` at `place`
    // (device pixels of the parent). Null where frames cannot be sent as
    // they are: a server whose pixels are not 32-bit little-endian true
    // colour, a parent of another depth, or any failure.
    static std::unique_ptr<XcbCanvasSurface> Open(const std::string& display, std::uint32_t parent,
                                                  const QRect& place);
    ~XcbCanvasSurface();
    XcbCanvasSurface(const XcbCanvasSurface&) = delete;
    XcbCanvasSurface& operator=(const XcbCanvasSurface&) = delete;

    // Sends the pixels of `area` (device pixels of `frame`, an RGB32 image
    // the size of the window). False once the window or connection is gone.
    bool Put(const QImage& frame, const QRect& area);
    // Reads what the server said since the last call. True when part of the
    // window was exposed and must be sent again (all of it is, then). The
    // connection is read at most every kReadInterval; a frame of a moving
    // word need not cost a read of its own.
    bool TakeExposure();
    static constexpr std::chrono::milliseconds kReadInterval{50};
    void SetMapped(bool mapped);
    // The window or the connection is gone (the parent destroyed, an error).
    bool Broken() const { return broken_; }

private:
    XcbCanvasSurface(xcb_connection_t* connection, std::uint32_t window, std::uint32_t gc, std::uint8_t depth);
    void Flush();

    xcb_connection_t* connection_;
    std::uint32_t window_;
    std::uint32_t gc_;
    std::uint8_t depth_;
    std::size_t maxRequestBytes_;
    bool mapped_ = true;
    bool broken_ = false;
    std::chrono::steady_clock::time_point lastRead_{};
    std::vector<std::uint32_t> rows_;  // the sent area's rows, packed
};

}  // namespace plat::qt
