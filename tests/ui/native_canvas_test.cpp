// The canvas's own X window, on a real (virtual) X server: frames reach the
// screen at the canvas widget's place without the toolkit's thread, exposed
// parts are sent again, a moved widget or a vanished dialog hands the frames
// back to the toolkit, and clicks still reach the widget beneath.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <mutex>

#include "platform/qt/qt_native_canvas.h"

namespace kestran::testing {
namespace {

using plat::qt::NativeCanvas;
using plat::qt::XcbCanvasSurface;

class ClickCountingWidget final : public QWidget {
public:
    using QWidget::QWidget;
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

// A dialog with a canvas widget inside, shown on the X server.
struct Dialog {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    ClickCountingWidget* canvas = new ClickCountingWidget(window.get());

    Dialog() {
        window->resize(320, 160);
        canvas->setGeometry(40, 30, 200, 60);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    std::uint32_t Id() const { return static_cast<std::uint32_t>(window->winId()); }
};

// Reads the server's pixels on a connection of the test's own.
class ScreenReader {
public:
    ScreenReader() : connection_(xcb_connect(nullptr, nullptr)) {}
    ~ScreenReader() { xcb_disconnect(connection_); }

    // The colour at (x, y) of `window`, as the server shows it (RGB).
    std::uint32_t Pixel(std::uint32_t window, int x, int y) {
        auto* reply = xcb_get_image_reply(
            connection_, xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, window, x, y, 1, 1, ~0u), nullptr);
        if (!reply) return 0xDEADu;
        std::uint32_t pixel = 0;
        if (xcb_get_image_data_length(reply) >= 4) std::memcpy(&pixel, xcb_get_image_data(reply), 4);
        std::free(reply);
        return pixel & 0xFFFFFFu;
    }

    // The windows inside `window`, each with whether it is mapped.
    std::vector<std::pair<std::uint32_t, bool>> Children(std::uint32_t window) {
        std::vector<std::pair<std::uint32_t, bool>> found;
        auto* tree = xcb_query_tree_reply(connection_, xcb_query_tree(connection_, window), nullptr);
        if (!tree) return found;
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
            auto* attributes = xcb_get_window_attributes_reply(
                connection_, xcb_get_window_attributes(connection_, children[i]), nullptr);
            found.emplace_back(children[i], attributes && attributes->map_state != XCB_MAP_STATE_UNMAPPED);
            std::free(attributes);
        }
        std::free(tree);
        return found;
    }

private:
    xcb_connection_t* connection_;
};

// Waits, letting the toolkit run, until `done` or two seconds passed.
template <typename Done>
bool Eventually(Done done) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 2000) return false;
        QTest::qWait(10);
    }
    return true;
}

QImage Filled(QSize size, QRgb colour) {
    QImage frame(size, QImage::Format_RGB32);
    frame.fill(colour);
    return frame;
}

class NativeCanvasTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { plat::qt::ChooseCanvasPath(); }
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X server";
    }
    ScreenReader screen;
};

TEST_F(NativeCanvasTest, FramesAndTheirChangedPartsReachTheScreenAtTheWidgetsPlace) {
    Dialog dialog;
    NativeCanvas canvas;
    plat::qt::NoteNativePlace(dialog.canvas, canvas);

    QImage frame = Filled(QSize(200, 60), 0xFFC00000u);
    ASSERT_TRUE(plat::qt::SendToNativeWindow(canvas, frame, QRect()))
        << "a new window gets the whole frame, whatever changed";
    EXPECT_TRUE(Eventually([&] { return screen.Pixel(dialog.Id(), 40, 30) == 0xC00000u; }));
    EXPECT_EQ(screen.Pixel(dialog.Id(), 239, 89), 0xC00000u);
    EXPECT_NE(screen.Pixel(dialog.Id(), 39, 30), 0xC00000u) << "nothing outside the canvas";

    // Only the changed part is sent: paint the rest differently in the
    // frame without saying so, and it must not reach the screen.
    frame.fill(0xFF00A000u);
    for (int y = 10; y < 30; ++y)
        for (int x = 50; x < 80; ++x) frame.setPixel(x, y, 0xFF0000B0u);
    ASSERT_TRUE(plat::qt::SendToNativeWindow(canvas, frame, QRect(50, 10, 30, 20)));
    EXPECT_TRUE(Eventually([&] { return screen.Pixel(dialog.Id(), 40 + 50, 30 + 10) == 0x0000B0u; }));
    EXPECT_EQ(screen.Pixel(dialog.Id(), 40 + 79, 30 + 29), 0x0000B0u);
    EXPECT_EQ(screen.Pixel(dialog.Id(), 40 + 49, 30 + 10), 0xC00000u);
    EXPECT_EQ(screen.Pixel(dialog.Id(), 40 + 80, 30 + 30), 0xC00000u);
}

TEST_F(NativeCanvasTest, AHiddenCanvasIsUnmappedAndAnExposedOneIsSentAgain) {
    Dialog dialog;
    NativeCanvas canvas;
    std::mutex frameMutex;
    plat::qt::NoteNativePlace(dialog.canvas, canvas);
    QImage frame = Filled(QSize(200, 60), 0xFFC00000u);
    ASSERT_TRUE(plat::qt::SendToNativeWindow(canvas, frame, frame.rect()));
    ASSERT_EQ(screen.Children(dialog.Id()).size(), 1u);

    plat::qt::ServiceNativeWindow(canvas, false, frameMutex, frame);
    EXPECT_TRUE(Eventually([&] { return !screen.Children(dialog.Id()).at(0).second; }));

    // Shown again: the server exposes the window, and the frame as kept now
    // goes out whole at the next refresh.
    frame.fill(0xFF00A000u);
    EXPECT_TRUE(Eventually([&] {
        plat::qt::ServiceNativeWindow(canvas, true, frameMutex, frame);
        return screen.Pixel(dialog.Id(), 40, 30) == 0x00A000u && screen.Pixel(dialog.Id(), 239, 89) == 0x00A000u;
    }));
    EXPECT_TRUE(screen.Children(dialog.Id()).at(0).second);
}

TEST_F(NativeCanvasTest, AStillCanvasGetsItsWindowAtTheNextRefreshWithTheKeptFrame) {
    Dialog dialog;
    NativeCanvas canvas;
    std::mutex frameMutex;
    const QImage kept = Filled(QSize(200, 60), 0xFF0000B0u);
    plat::qt::ServiceNativeWindow(canvas, true, frameMutex, kept);
    EXPECT_TRUE(screen.Children(dialog.Id()).empty()) << "no window before its place is known";

    plat::qt::NoteNativePlace(dialog.canvas, canvas);
    plat::qt::ServiceNativeWindow(canvas, false, frameMutex, kept);
    EXPECT_TRUE(screen.Children(dialog.Id()).empty()) << "nor for a hidden canvas";
    plat::qt::ServiceNativeWindow(canvas, true, frameMutex, kept);
    ASSERT_EQ(screen.Children(dialog.Id()).size(), 1u);
    EXPECT_TRUE(Eventually([&] { return screen.Pixel(dialog.Id(), 40, 30) == 0x0000B0u; }));
    EXPECT_EQ(screen.Pixel(dialog.Id(), 239, 89), 0x0000B0u);
}

TEST_F(NativeCanvasTest, AMovedWidgetHandsFramesToTheToolkitUntilItsNewPlaceIsKnown) {
    Dialog dialog;
    NativeCanvas canvas;
    plat::qt::NoteNativePlace(dialog.canvas, canvas);
    const QImage frame = Filled(QSize(200, 60), 0xFFC00000u);
    ASSERT_TRUE(plat::qt::SendToNativeWindow(canvas, frame, frame.rect()));

    dialog.canvas->move(80, 70);
    plat::qt::ForgetNativePlace(canvas);
    EXPECT_FALSE(plat::qt::SendToNativeWindow(canvas, frame, frame.rect()));
    EXPECT_TRUE(Eventually([&] { return screen.Children(dialog.Id()).empty(); }))
        << "the window at the old place is gone";

    plat::qt::NoteNativePlace(dialog.canvas, canvas);
    ASSERT_TRUE(plat::qt::SendToNativeWindow(canvas, frame, QRect()));
    EXPECT_TRUE(Eventually([&] { return screen.Pixel(dialog.Id(), 80, 70) == 0xC00000u; }));
    EXPECT_EQ(screen.Pixel(dialog.Id(), 279, 129), 0xC00000u);

    // A frame of another size than the place (the device not yet reset)
    // goes through the toolkit.
    EXPECT_FALSE(plat::qt::SendToNativeWindow(canvas, Filled(QSize(100, 60), 0xFF000000u), QRect()));
}

TEST_F(NativeCanvasTest, AVanishedDialogHandsFramesBackToTheToolkit) {
    auto dialog = std::make_unique<Dialog>();
    NativeCanvas canvas;
    plat::qt::NoteNativePlace(dialog->canvas, canvas);
    const QImage frame = Filled(QSize(200, 60), 0xFFC00000u);
    ASSERT_TRUE(plat::qt::SendToNativeWindow(canvas, frame, frame.rect()));

    dialog.reset();  // its X window, and the canvas's inside it, are destroyed
    std::mutex frameMutex;
    EXPECT_TRUE(Eventually([&] {
        plat::qt::ServiceNativeWindow(canvas, true, frameMutex, frame);
        return canvas.surface && canvas.surface->Broken();
    }));
    EXPECT_FALSE(plat::qt::SendToNativeWindow(canvas, frame, frame.rect()));
    EXPECT_EQ(canvas.surface, nullptr);
    EXPECT_EQ(canvas.failedGeneration, canvas.generation) << "that place is not tried again at every frame";
    EXPECT_FALSE(plat::qt::SendToNativeWindow(canvas, frame, frame.rect()));
}

// Pixels go through memory shared with the server where it has room for
// them and in the requests where not (an area larger than that memory, or a
// surface told not to share): the screen shows the same either way.
TEST_F(NativeCanvasTest, AreasReachTheScreenThroughSharedMemoryOrInTheRequests) {
    Dialog dialog;
    const std::string display = qEnvironmentVariable("DISPLAY").toStdString();
    const QRect place(0, 0, 320, 110);  // more pixels than the shared memory holds
    ASSERT_GT(static_cast<std::size_t>(place.width() * place.height() * 4), XcbCanvasSurface::kSharedBytes);
    for (const bool share : {true, false}) {
        SCOPED_TRACE(share ? "sharing memory" : "in the requests");
        auto surface = XcbCanvasSurface::Open(display, dialog.Id(), place, share);
        ASSERT_NE(surface, nullptr);
        EXPECT_EQ(surface->SharesMemory(), share) << "the virtual server offers it";

        QImage frame = Filled(place.size(), 0xFFC00000u);
        ASSERT_TRUE(surface->Put(frame, frame.rect()));
        EXPECT_TRUE(Eventually([&] { return screen.Pixel(dialog.Id(), 319, 109) == 0xC00000u; }));
        EXPECT_EQ(surface->AreasInRequests(), 1u) << "the whole frame does not fit";

        // A run of small areas, many more than the memory holds at once: each
        // waits for room or goes in a request, and none is lost or torn.
        for (int i = 0; i < 200; ++i) {
            const QRgb colour = 0xFF000000u | static_cast<QRgb>(i * 0x010203);
            const QRect area(100 + i % 7, 20 + i % 5, 120, 60);
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x) frame.setPixel(x, y, colour);
            ASSERT_TRUE(surface->Put(frame, area));
        }
        // The last area's corners, and the parts of earlier ones it left.
        const QRgb last = (199 * 0x010203) & 0xFFFFFFu;
        EXPECT_TRUE(Eventually([&] { return screen.Pixel(dialog.Id(), 100 + 199 % 7, 20 + 199 % 5) == last; }));
        EXPECT_EQ(screen.Pixel(dialog.Id(), 100 + 199 % 7 + 119, 20 + 199 % 5 + 59), last);
        EXPECT_EQ(screen.Pixel(dialog.Id(), 100, 20), frame.pixel(100, 20) & 0xFFFFFFu);
        EXPECT_EQ(screen.Pixel(dialog.Id(), 99, 20), 0xC00000u);
        // The memory holds four of these areas: without the server's reports
        // freeing it, no more than those would go through it. How many do
        // depends on how fast the server reads, so the bound is loose.
        EXPECT_EQ(surface->AreasThroughSharedMemory() > 20, share);
        EXPECT_EQ(surface->AreasThroughSharedMemory() + surface->AreasInRequests(), 201u);
    }
}

TEST_F(NativeCanvasTest, ClicksOnTheCanvasReachTheWidgetBeneath) {
    const QString xdotool = QStandardPaths::findExecutable("xdotool");
    if (xdotool.isEmpty()) GTEST_SKIP() << "needs xdotool";
    Dialog dialog;
    NativeCanvas canvas;
    plat::qt::NoteNativePlace(dialog.canvas, canvas);
    ASSERT_TRUE(plat::qt::SendToNativeWindow(canvas, Filled(QSize(200, 60), 0xFFC00000u), QRect()));
    ASSERT_TRUE(Eventually([&] { return screen.Pixel(dialog.Id(), 140, 60) == 0xC00000u; }));

    const QPoint at = dialog.canvas->mapToGlobal(QPoint(100, 30));
    ASSERT_EQ(QProcess::execute(xdotool, {"mousemove", QString::number(at.x()), QString::number(at.y()), "click",
                                          "1"}),
              0);
    EXPECT_TRUE(Eventually([&] { return dialog.canvas->presses == 1; }));
}

}  // namespace
}  // namespace kestran::testing
