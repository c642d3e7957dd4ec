#include "platform/qt/xcb_canvas_surface.h"

#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/qt/shared_pixel_ring.h"

namespace plat::qt {

namespace {

constexpr std::size_t kPutImageHeaderBytes = 24;

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
ReplyPtr<Reply> Owned(Reply* reply) {
    return ReplyPtr<Reply>(reply, &std::free);
}

const xcb_visualtype_t* FindVisual(const xcb_setup_t* setup, xcb_visualid_t id) {
    for (auto screens = xcb_setup_roots_iterator(setup); screens.rem; xcb_screen_next(&screens))
        for (auto depths = xcb_screen_allowed_depths_iterator(screens.data); depths.rem; xcb_depth_next(&depths))
            for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem; xcb_visualtype_next(&visuals))
                if (visuals.data->visual_id == id) return visuals.data;
    return nullptr;
}

// The frames' pixels are 0xffRRGGBB words in memory order of this machine:
// the server must take 32-bit pixels, least significant byte first, with
// red, green and blue where those words have them.
bool TakesFramePixels(const xcb_setup_t* setup, std::uint8_t depth, const xcb_visualtype_t* visual) {
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) return false;
    if (depth != 24 && depth != 32) return false;
    if (!visual || visual->_class != XCB_VISUAL_CLASS_TRUE_COLOR || visual->red_mask != 0xFF0000u ||
        visual->green_mask != 0xFF00u || visual->blue_mask != 0xFFu)
        return false;
    for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem; xcb_format_next(&formats))
        if (formats.data->depth == depth) return formats.data->bits_per_pixel == 32;
    return false;
}

// Rows `top`.. of the area lie apart in the frame; the server wants them
// packed, one after the other.
void PackRows(const QImage& frame, const QRect& pixels, int top, int rows, std::uint8_t* to) {
    const std::size_t rowBytes = static_cast<std::size_t>(pixels.width()) * 4;
    for (int y = 0; y < rows; ++y)
        std::memcpy(to + rowBytes * static_cast<std::size_t>(y),
                    frame.constScanLine(top + y) + static_cast<std::size_t>(pixels.left()) * 4, rowBytes);
}

// Shared memory works only with a server on this machine, reached through
// a local socket (a file descriptor cannot travel over TCP).
bool LocalServer(xcb_connection_t* connection) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    return getsockname(xcb_get_file_descriptor(connection), reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
           address.ss_family == AF_UNIX;
}

}  // namespace

struct XcbCanvasSurface::SharedMemory {
    SharedMemory(std::uint32_t segment, void* mapping) : segment(segment), mapping(mapping) {}
    ~SharedMemory() { munmap(mapping, kSharedBytes); }
    std::uint32_t segment;
    void* mapping;
    std::uint8_t completionEvent = 0;
    SharedPixelRing ring{kSharedBytes};
    std::size_t unreportedBytes = 0;  // sent since the last place with a report
    bool reportNext = false;
};

std::unique_ptr<XcbCanvasSurface> XcbCanvasSurface::Open(const std::string& display, std::uint32_t parent,
                                                         const QRect& place, bool sharedMemory) {
    if (!parent || place.isEmpty()) return nullptr;
    xcb_connection_t* connection = xcb_connect(display.empty() ? nullptr : display.c_str(), nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    auto geometry = Owned(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, parent), nullptr));
    auto attributes =
        Owned(xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, parent), nullptr));
    if (!geometry || !attributes ||
        !TakesFramePixels(xcb_get_setup(connection), geometry->depth,
                          FindVisual(xcb_get_setup(connection), attributes->visual))) {
        xcb_disconnect(connection);
        return nullptr;
    }

    const xcb_window_t window = xcb_generate_id(connection);
    // No background: the server leaves exposed parts alone until the frame
    // is sent again, rather than flashing a colour first.
    const std::uint32_t windowValues[] = {XCB_BACK_PIXMAP_NONE,
                                          XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, parent, static_cast<std::int16_t>(place.x()),
                      static_cast<std::int16_t>(place.y()), static_cast<std::uint16_t>(place.width()),
                      static_cast<std::uint16_t>(place.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXMAP | XCB_CW_EVENT_MASK, windowValues);
    const xcb_gcontext_t gc = xcb_generate_id(connection);
    const std::uint32_t gcValues[] = {0};
    xcb_create_gc(connection, gc, window, XCB_GC_GRAPHICS_EXPOSURES, gcValues);
    xcb_map_window(connection, window);
    xcb_flush(connection);
    std::unique_ptr<XcbCanvasSurface> surface(new XcbCanvasSurface(connection, window, gc, geometry->depth));
    if (sharedMemory) surface->ShareMemory();
    if (surface->Broken()) return nullptr;
    return surface;
}

// A memory file handed to the server (MIT-SHM 1.2), read-only on its side.
// Any refusal leaves the pixels going in the requests.
void XcbCanvasSurface::ShareMemory() {
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection_, &xcb_shm_id);
    if (!extension || !extension->present || !LocalServer(connection_)) return;
    auto version = Owned(xcb_shm_query_version_reply(connection_, xcb_shm_query_version(connection_), nullptr));
    if (!version || (version->major_version == 1 && version->minor_version < 2)) return;
    const int fd = memfd_create("kestran-canvas", MFD_CLOEXEC);
    if (fd < 0) return;
    void* mapping = MAP_FAILED;
    if (ftruncate(fd, static_cast<off_t>(kSharedBytes)) == 0)
        mapping = mmap(nullptr, kSharedBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mapping == MAP_FAILED) {
        close(fd);
        return;
    }
    const std::uint32_t segment = xcb_generate_id(connection_);
    // The descriptor goes with the request, which closes it here.
    auto error = Owned(xcb_request_check(connection_, xcb_shm_attach_fd_checked(connection_, segment, fd, 1)));
    if (error || xcb_connection_has_error(connection_)) {
        broken_ = xcb_connection_has_error(connection_) != 0;
        munmap(mapping, kSharedBytes);
        return;
    }
    shared_ = std::make_unique<SharedMemory>(segment, mapping);
    shared_->completionEvent = static_cast<std::uint8_t>(extension->first_event + XCB_SHM_COMPLETION);
}

XcbCanvasSurface::XcbCanvasSurface(xcb_connection_t* connection, std::uint32_t window, std::uint32_t gc,
                                   std::uint8_t depth)
    : connection_(connection),
      window_(window),
      gc_(gc),
      depth_(depth),
      maxRequestBytes_(static_cast<std::size_t>(xcb_get_maximum_request_length(connection)) * 4) {}

XcbCanvasSurface::~XcbCanvasSurface() {
    if (!broken_) xcb_destroy_window(connection_, window_);
    // The server lets go of the memory when the connection ends.
    xcb_disconnect(connection_);
}

void XcbCanvasSurface::Flush() {
    if (xcb_flush(connection_) <= 0 || xcb_connection_has_error(connection_)) broken_ = true;
}

bool XcbCanvasSurface::Put(const QImage& frame, const QRect& area) {
    if (broken_) return false;
    const QRect pixels = area & frame.rect();
    if (pixels.isEmpty() || frame.depth() != 32) return true;
    if (!PutShared(frame, pixels)) PutInRequests(frame, pixels);
    Flush();
    return !broken_;
}

// The area's rows, packed, where the server no longer reads; with no room
// there, what the server has said since is read once before giving up.
bool XcbCanvasSurface::PutShared(const QImage& frame, const QRect& pixels) {
    if (!shared_) return false;
    const std::size_t rowBytes = static_cast<std::size_t>(pixels.width()) * 4;
    const std::size_t bytes = rowBytes * static_cast<std::size_t>(pixels.height());
    std::optional<std::size_t> offset = shared_->ring.Take(bytes);
    if (!offset && bytes <= kSharedBytes) {
        if (ReadEvents(true)) exposurePending_ = true;
        offset = shared_->ring.Take(bytes);
    }
    if (!offset) {
        // Places sent without a report may hold the room: the next one sent
        // asks for a report, which frees them too.
        shared_->reportNext = true;
        return false;
    }
    PackRows(frame, pixels, pixels.top(), pixels.height(), static_cast<std::uint8_t*>(shared_->mapping) + *offset);
    const auto width = static_cast<std::uint16_t>(pixels.width());
    const auto height = static_cast<std::uint16_t>(pixels.height());
    // A place stays taken until the server reports it read. A report covers
    // every place sent before it too, so one is asked for only after a
    // quarter of the memory went out unreported: a frame of a moving word
    // then costs no read of its own.
    const bool report = shared_->reportNext || shared_->unreportedBytes + bytes >= kSharedBytes / 4;
    shared_->reportNext = false;
    shared_->unreportedBytes = report ? 0 : shared_->unreportedBytes + bytes;
    xcb_shm_put_image(connection_, window_, gc_, width, height, 0, 0, width, height,
                      static_cast<std::int16_t>(pixels.left()), static_cast<std::int16_t>(pixels.top()), depth_,
                      XCB_IMAGE_FORMAT_Z_PIXMAP, report ? 1 : 0, shared_->segment,
                      static_cast<std::uint32_t>(*offset));
    ++sharedPuts_;
    return true;
}

void XcbCanvasSurface::PutInRequests(const QImage& frame, const QRect& pixels) {
    const std::size_t rowWords = static_cast<std::size_t>(pixels.width());
    const std::size_t rowBytes = rowWords * 4;
    const int rowsPerRequest =
        static_cast<int>(std::max<std::size_t>(1, (maxRequestBytes_ - kPutImageHeaderBytes) / rowBytes));
    for (int top = pixels.top(); top <= pixels.bottom(); top += rowsPerRequest) {
        const int rows = std::min(rowsPerRequest, pixels.bottom() + 1 - top);
        rows_.resize(rowWords * static_cast<std::size_t>(rows));
        PackRows(frame, pixels, top, rows, reinterpret_cast<std::uint8_t*>(rows_.data()));
        xcb_put_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, window_, gc_, static_cast<std::uint16_t>(rowWords),
                      static_cast<std::uint16_t>(rows), static_cast<std::int16_t>(pixels.left()),
                      static_cast<std::int16_t>(top), 0, depth_, static_cast<std::uint32_t>(rows_.size() * 4),
                      reinterpret_cast<const std::uint8_t*>(rows_.data()));
    }
    ++requestPuts_;
}

bool XcbCanvasSurface::TakeExposure() {
    const auto now = std::chrono::steady_clock::now();
    const bool read = now - lastRead_ >= kReadInterval;
    if (read) lastRead_ = now;
    bool exposed = ReadEvents(read) || exposurePending_;
    exposurePending_ = false;
    return exposed && !broken_;
}

bool XcbCanvasSurface::ReadEvents(bool fromSocket) {
    bool exposed = false;
    while (xcb_generic_event_t* event =
               fromSocket ? xcb_poll_for_event(connection_) : xcb_poll_for_queued_event(connection_)) {
        exposed = Handle(event) || exposed;
        std::free(event);
    }
    if (xcb_connection_has_error(connection_)) broken_ = true;
    return exposed;
}

bool XcbCanvasSurface::Handle(const void* event) {
    const std::uint8_t type = static_cast<const xcb_generic_event_t*>(event)->response_type & 0x7F;
    if (shared_ && type == shared_->completionEvent) {
        shared_->ring.Release(static_cast<const xcb_shm_completion_event_t*>(event)->offset);
        return false;
    }
    switch (type) {
        case XCB_EXPOSE:
            return true;
        case XCB_DESTROY_NOTIFY:
        case 0:  // an error: the window, or its parent, is no more
            broken_ = true;
            return false;
        default:
            return false;
    }
}

void XcbCanvasSurface::SetMapped(bool mapped) {
    if (broken_ || mapped == mapped_) return;
    mapped_ = mapped;
    if (mapped)
        xcb_map_window(connection_, window_);
    else
        xcb_unmap_window(connection_, window_);
    Flush();
}

}  // namespace plat::qt
