// The dialog and its five buttons as real Qt windows with the program's own
// pictures, driven by toolkit mouse events and checked on the pixels the
// screen shows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "drill/create_child_window.h"
#include "app/main_dialog.h"
#include "app/win_main.h"
#include "drill/drill_state.h"
#include "platform/core/thread_queue.h"
#include "platform/headless/headless_backend.h"
#include "platform/posix/posix_process.h"
#include "platform/qt/qt_bridge.h"
#include "platform/qt/qt_imaging.h"
#include "platform/qt/qt_window_system.h"
#include "temp_folder.h"
#include "drill/button_visual.h"

namespace {

namespace fs = std::filesystem;
using kestran::drill;

constexpr plat::MessageId kSentinel = 0x7FF0;

plat::qt::QtWindowSystem& QtWindows() {
    static auto* windows = new plat::qt::QtWindowSystem();
    return *windows;
}

plat::LResult QuietProc(plat::Window, plat::MessageId, plat::WParam, plat::LParam) { return 0; }

// The largest difference of any channel between two pictures of one size.
int LargestDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return 256;
    QImage x = a.convertToFormat(QImage::Format_RGB32);
    QImage y = b.convertToFormat(QImage::Format_RGB32);
    int worst = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    return worst;
}

class QtDialogWindows : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory("RES");
        for (const auto& entry : fs::directory_iterator(fs::path(KESTRAN_SOURCE_DIR) / "RES"))
            if (entry.path().filename() != "bk.bmp" && entry.is_regular_file())
                fs::copy_file(entry.path(), fs::path("RES") / entry.path().filename());
        LeaveOutAssets();

        kestran::ResetDrillStateForTest();
        for (kestran::ButtonVisual* v : {&kestran::openButtonVisual, &kestran::orderButtonVisual,
                                         &kestran::modeButtonVisual, &kestran::colourButtonVisual,
                                         &kestran::effectsButtonVisual})
            *v = kestran::ButtonVisual{};
        previous = plat::Install(plat::Services{&QtWindows(), &imaging, nullptr, &sound, &process});

        plat::RegisterClass(plat::WindowClass{0, QuietProc, 0, nullptr, "ticker-stand-in"});
        ticker = plat::CreateWindow("ticker-stand-in", "", 0, 0, 0, 0, 0, nullptr);
        kestran::TickerWindow = ticker;
        plat::SetTimer(ticker, 3, 27);

        kestran::CreateMainDialog();
        kestran::RecordStartDirectory();
        kestran::CreateImageButtons();
        dialog = plat::qt::WidgetOf(kestran::MainDialog);
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
        QTest::mouseMove(dialog, QPoint(590, 10));  // the pointer starts away from the buttons
        Settle();
    }
    virtual void LeaveOutAssets() {}
    void TearDown() override {
        plat::CurrentThreadQueue().KillTimersOf(ticker);
        if (dialog) dialog->hide();
        QApplication::processEvents();
        Settle();
        plat::Install(previous);
        kestran::ResetDrillStateForTest();
    }

    // Lets the toolkit deliver its events and the UiThread loop handle every
    // message they became, a few rounds so hover timers get their turn.
    void Settle() {
        for (int round = 0; round < 4; ++round) {
            QTest::qWait(8);
            plat::PostMessage(kestran::MainDialog, kSentinel, 0, 0);
            plat::Message m{};
            while (kestran::RunLoopOnce(m, false) && !(m.message == kSentinel)) {
            }
        }
    }

    // What the screen shows of a rectangle of the dialog's client area.
    QImage Shown(const QRect& r) {
        QApplication::processEvents();
        return dialog->screen()->grabWindow(dialog->winId(), r.x(), r.y(), r.width(), r.height()).toImage();
    }

    // A button's look as its pictures compose it: backdrop, then one face.
    QImage Expected(int n, bool hoverFace, int offset, QSize size) {
        QImage look(size, QImage::Format_ARGB32_Premultiplied);
        look.fill(Qt::black);
        QPainter painter(&look);
        plat::PaintContextObject context{&painter};
        const std::string base = "RES\\b" + std::to_string(n);
        plat::Image backdrop = imaging.LoadImage(("RES\\bb" + std::to_string(n) + ".jpg").c_str());
        plat::Image normal = imaging.LoadImage((base + "1.png").c_str());
        plat::Image hover = imaging.LoadImage((base + "2.png").c_str());
        imaging.DrawImage(&context, backdrop, 0, 0, imaging.ImageWidth(backdrop), imaging.ImageHeight(backdrop));
        plat::Image face = hoverFace ? hover : normal;
        imaging.DrawImage(&context, face, offset, offset, imaging.ImageWidth(face), imaging.ImageHeight(hover));
        painter.end();
        return look;
    }

    QWidget* ButtonWidget(plat::Window w) { return plat::qt::WidgetOf(w); }

    dialog_test::TempFolder folder;
    plat::qt::QtImaging imaging;
    plat::HeadlessSound sound;
    plat::PosixProcess process;
    plat::Services previous;
    plat::Window ticker = nullptr;
    QWidget* dialog = nullptr;
};

TEST_F(QtDialogWindows, TheDialogShowsItsBackgroundPictureWrittenAsABitmap) {
    EXPECT_TRUE(fs::exists("RES/bk.bmp"));
    QImage picture("RES/bk.jpg");
    // The strip above the canvas and the right edge hold no control.
    for (QRect r : {QRect(0, 0, 601, 30), QRect(545, 110, 56, 160)})
        EXPECT_LE(LargestDifference(Shown(r), picture.copy(r)), 2) << "at " << r.x() << "," << r.y();
}

TEST_F(QtDialogWindows, EveryButtonShowsItsNormalLook) {
    struct Place {
        int n;
        QRect rect;
        QRect part;  // what no neighbour covers: the buttons' rectangles overlap
    };
    const Place places[] = {{1, {264, 145, 76, 38}, {7, 0, 64, 38}},
                            {2, {165, 147, 105, 38}, {0, 0, 99, 33}},
                            {3, {335, 147, 105, 38}, {6, 0, 99, 33}},
                            {4, {123, 180, 50, 50}, {0, 0, 50, 50}},
                            {5, {432, 180, 50, 50}, {0, 0, 50, 50}}};
    for (const Place& p : places) {
        QImage expected = Expected(p.n, false, 0, p.rect.size());
        const QRect part = p.part;
        EXPECT_LE(LargestDifference(Shown(part.translated(p.rect.topLeft())), expected.copy(part)), 2)
            << "button " << p.n;
    }
}

TEST_F(QtDialogWindows, TheHoverLookAppearsWhenThePointerRestsAndGoesWhenItLeaves) {
    const QRect rect(123, 180, 50, 50);
    QWidget* button = ButtonWidget(kestran::ColourButton);
    QTest::mouseMove(button, QPoint(25, 25));
    Settle();
    EXPECT_EQ(kestran::colourButtonVisual.visualState, kestran::kLookHover);
    EXPECT_LE(LargestDifference(Shown(rect), Expected(4, true, 0, rect.size())), 2);

    QTest::mouseMove(dialog, QPoint(590, 10));
    Settle();
    EXPECT_EQ(kestran::colourButtonVisual.visualState, kestran::kLookNormal);
    EXPECT_LE(LargestDifference(Shown(rect), Expected(4, false, 0, rect.size())), 2);
}

// A paint that draws nothing must leave the button as it was.
TEST_F(QtDialogWindows, TheHoverLookStaysWhileThePointerMovesOverTheButton) {
    const QRect rect(123, 180, 50, 50);
    QWidget* button = ButtonWidget(kestran::ColourButton);
    QTest::mouseMove(button, QPoint(25, 25));
    Settle();
    QTest::mouseMove(button, QPoint(20, 28));
    Settle();
    EXPECT_TRUE(kestran::colourButtonVisual.hoverDrawn);
    EXPECT_LE(LargestDifference(Shown(rect), Expected(4, true, 0, rect.size())), 2) << "still the hover look";
}

TEST_F(QtDialogWindows, PressingShowsTheShiftedFaceAndReleasingTheNormalLook) {
    const QRect rect(432, 180, 50, 50);
    QWidget* button = ButtonWidget(kestran::EffectsButton);
    QTest::mouseMove(button, QPoint(25, 25));
    Settle();
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(25, 25));
    Settle();
    EXPECT_EQ(drill.effectsOff, 1);
    EXPECT_LE(LargestDifference(Shown(rect), Expected(5, true, 2, rect.size())), 2);

    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(25, 25));
    Settle();
    EXPECT_EQ(drill.effectsOff, 1);
    EXPECT_LE(LargestDifference(Shown(rect), Expected(5, false, 0, rect.size())), 2);
}

TEST_F(QtDialogWindows, ADoubleClickChangesTheColourSchemeOnce) {
    QWidget* button = ButtonWidget(kestran::ColourButton);
    QTest::mouseMove(button, QPoint(25, 25));
    Settle();
    // What the toolkit gets from a real double click: press, release, a
    // second press, the double click, release.
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(25, 25));
    QTest::mouseDClick(button, Qt::LeftButton, {}, QPoint(25, 25));  // the second press and the double click
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(25, 25));
    Settle();
    EXPECT_EQ(drill.altColours, 1);
    EXPECT_EQ(drill.clearColour, 0xFF000000u);
}

// The colour button without any of its three pictures.
class ButtonWithoutPictures : public QtDialogWindows {
protected:
    void LeaveOutAssets() override {
        for (const char* name : {"RES/b41.png", "RES/b42.png", "RES/bb4.jpg"}) fs::remove(name);
    }
};

TEST_F(ButtonWithoutPictures, LeavesTheDialogBackgroundInEveryLookAndStillWorks) {
    const QRect rect(123, 180, 50, 50);
    const QImage background = QImage("RES/bk.jpg").copy(rect);
    EXPECT_LE(LargestDifference(Shown(rect), background), 2) << "normal look";
    QWidget* button = ButtonWidget(kestran::ColourButton);
    QTest::mouseMove(button, QPoint(25, 25));
    Settle();
    EXPECT_LE(LargestDifference(Shown(rect), background), 2) << "hover look";
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(25, 25));
    Settle();
    EXPECT_EQ(drill.altColours, 1) << "the click still switches the colours";
    EXPECT_LE(LargestDifference(Shown(rect), background), 2) << "after the click";
}

TEST_F(QtDialogWindows, DraggingTheSliderToTheEndSetsTheFastestSpeed) {
    auto* bar = static_cast<QScrollBar*>(plat::qt::WidgetOf(plat::GetDlgItem(kestran::MainDialog,
                                                                              kestran::kSpeedSliderId)));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->value(), 50);
    const QPoint middle(bar->width() / 2, bar->height() / 2);
    QTest::mousePress(bar, Qt::LeftButton, {}, middle);
    QTest::mouseMove(bar, QPoint(bar->width() - 2, middle.y()));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(bar->width() - 2, middle.y()));
    Settle();

    EXPECT_EQ(bar->value(), 100);
    EXPECT_FALSE(plat::KillTimer(ticker, 3)) << "the start timer is gone";
    // The ticker's timer 1 now runs at 8 ms: right after each of its ticks
    // the next one is due at most 8 ms later (at 27 ms it would be due up to
    // 27 ms later).
    for (int ticks = 0; ticks < 5;) {
        plat::Message m{};
        plat::GetMessage(m);
        if (m.message != plat::WM_TIMER || m.window != ticker) continue;
        EXPECT_EQ(m.wParam, 1u);
        const auto ahead = plat::CurrentThreadQueue().NextTimerDue() - plat::ThreadQueue::Clock::now();
        EXPECT_LE(ahead, std::chrono::milliseconds(8));
        ++ticks;
    }
}

// The speed slider's thumb stands out from its trough as grabbed from the
// widget, wherever it sits, pressed or not; the slider keeps its size.
TEST_F(QtDialogWindows, SliderThumbIsPlainlyVisibleOnItsTrough) {
    auto* bar = static_cast<QScrollBar*>(plat::qt::WidgetOf(plat::GetDlgItem(kestran::MainDialog,
                                                                              kestran::kSpeedSliderId)));
    ASSERT_NE(bar, nullptr);
    auto grey = [](QRgb p) { return (qRed(p) * 299 + qGreen(p) * 587 + qBlue(p) * 114) / 1000; };
    for (int position : {0, 50, 100}) {
        bar->setValue(position);
        bar->setSliderPosition(position);
        Settle();
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.orientation = Qt::Horizontal;
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = bar->sliderPosition();
        option.sliderValue = bar->value();
        option.pageStep = bar->pageStep();
        option.singleStep = bar->singleStep();
        const QRect thumb = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar);
        const QRect groove = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarGroove, bar);
        ASSERT_FALSE(thumb.isEmpty());
        const QImage shot = bar->grab().toImage();
        // The trough: the end of the groove farther from the thumb.
        const int troughX = thumb.center().x() < groove.center().x() ? groove.right() - 3 : groove.left() + 3;
        const int thumbGrey = grey(shot.pixel(thumb.center()));
        const int troughGrey = grey(shot.pixel(troughX, groove.center().y()));
        EXPECT_GE(std::abs(thumbGrey - troughGrey), 60)
            << "position " << position << ": thumb " << thumbGrey << ", trough " << troughGrey;
    }
}

}  // namespace
