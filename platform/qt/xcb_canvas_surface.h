// A canvas window's own X window, which the drawing thread sends its frames
// to over a connection of its own. The toolkit's thread then takes no part
// in showing a frame: no wake-up, repaint and flush of its own per frame.
//
// The X window is a child of the dialog's, laid exactly over the canvas
// widget. It selects no input, so clicks and pointer motion go on to the
// dialog's window and from there to the canvas widget as before.
//
// On a server of this machine the pixels go through memory shared with it
// (MIT-SHM): a frame costs a short request instead of its pixels written to
// the socket. Elsewhere, and for an area the shared memory has no room for
// at the moment, they go in the request as before.
#pragma once

#include <QImage>
#include <QRect>

#include <chrono>
#include <cstddef>
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
    // `sharedMemory` false: pixels always go in the requests.
    static std::unique_ptr<XcbCanvasSurface> Open(const std::string& display, std::uint32_t parent,
                                                  const QRect& place, bool sharedMemory = true);
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
    // Whether the server took the shared memory; and how many areas went
    // through it and how many in requests, for the tests.
    bool SharesMemory() const { return shared_ != nullptr; }
    std::size_t AreasThroughSharedMemory() const { return sharedPuts_; }
    std::size_t AreasInRequests() const { return requestPuts_; }
    // Bytes of shared memory the frames' areas pass through.
    static constexpr std::size_t kSharedBytes = 128 * 1024;

private:
    XcbCanvasSurface(xcb_connection_t* connection, std::uint32_t window, std::uint32_t gc, std::uint8_t depth);
    void Flush();
    void ShareMemory();
    bool PutShared(const QImage& frame, const QRect& pixels);
    void PutInRequests(const QImage& frame, const QRect& pixels);
    // Reads what the server sent; true when part of the window was exposed.
    bool ReadEvents(bool fromSocket);
    bool Handle(const void* event);  // an xcb event

    xcb_connection_t* connection_;
    std::uint32_t window_;
    std::uint32_t gc_;
    std::uint8_t depth_;
    std::size_t maxRequestBytes_;
    bool mapped_ = true;
    bool broken_ = false;
    std::chrono::steady_clock::time_point lastRead_{};
    std::vector<std::uint32_t> rows_;  // the sent area's rows, packed

    // The shared memory: the server's name for it, where it is mapped here,
    // and which parts of it the server may still be reading.
    struct SharedMemory;
    std::unique_ptr<SharedMemory> shared_;
    bool exposurePending_ = false;  // read while looking for room
    std::size_t sharedPuts_ = 0;
    std::size_t requestPuts_ = 0;
};

}  // namespace plat::qt
