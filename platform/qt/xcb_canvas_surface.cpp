#include "platform/qt/xcb_canvas_surface.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

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

}  // namespace

std::unique_ptr<XcbCanvasSurface> XcbCanvasSurface::Open(const std::string& display, std::uint32_t parent,
                                                         const QRect& place) {
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
    return std::unique_ptr<XcbCanvasSurface>(new XcbCanvasSurface(connection, window, gc, geometry->depth));
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
    xcb_disconnect(connection_);
}

void XcbCanvasSurface::Flush() {
    if (xcb_flush(connection_) <= 0 || xcb_connection_has_error(connection_)) broken_ = true;
}

bool XcbCanvasSurface::Put(const QImage& frame, const QRect& area) {
    if (broken_) return false;
    const QRect pixels = area & frame.rect();
    if (pixels.isEmpty() || frame.depth() != 32) return true;
    const std::size_t rowWords = static_cast<std::size_t>(pixels.width());
    const std::size_t rowBytes = rowWords * 4;
    const int rowsPerRequest =
        static_cast<int>(std::max<std::size_t>(1, (maxRequestBytes_ - kPutImageHeaderBytes) / rowBytes));
    for (int top = pixels.top(); top <= pixels.bottom(); top += rowsPerRequest) {
        const int rows = std::min(rowsPerRequest, pixels.bottom() + 1 - top);
        // Rows of the area lie apart in the frame; the request wants them packed.
        rows_.resize(rowWords * static_cast<std::size_t>(rows));
        for (int y = 0; y < rows; ++y)
            std::memcpy(rows_.data() + rowWords * static_cast<std::size_t>(y),
                        reinterpret_cast<const std::uint32_t*>(frame.constScanLine(top + y)) + pixels.left(),
                        rowBytes);
        xcb_put_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, window_, gc_, static_cast<std::uint16_t>(rowWords),
                      static_cast<std::uint16_t>(rows), static_cast<std::int16_t>(pixels.left()),
                      static_cast<std::int16_t>(top), 0, depth_, static_cast<std::uint32_t>(rows_.size() * 4),
                      reinterpret_cast<const std::uint8_t*>(rows_.data()));
    }
    Flush();
    return !broken_;
}

bool XcbCanvasSurface::TakeExposure() {
    bool exposed = false;
    const auto now = std::chrono::steady_clock::now();
    const bool read = now - lastRead_ >= kReadInterval;
    if (read) lastRead_ = now;
    while (xcb_generic_event_t* event = read ? xcb_poll_for_event(connection_) : xcb_poll_for_queued_event(connection_)) {
        switch (event->response_type & 0x7F) {
            case XCB_EXPOSE:
                exposed = true;
                break;
            case XCB_DESTROY_NOTIFY:
                broken_ = true;
                break;
            case 0:  // an error: the window, or its parent, is no more
                broken_ = true;
                break;
            default:
                break;
        }
        std::free(event);
    }
    if (xcb_connection_has_error(connection_)) broken_ = true;
    return exposed && !broken_;
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
