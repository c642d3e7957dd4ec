// The five image buttons driven message by message: looks, state changes,
// repaint requests and their actions.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "drill/create_child_window.h"
#include "app/main_dialog.h"
#include "drill/drill_state.h"
#include "recording_services.h"
#include "drill/button_visual.h"
#include "ui/buttons.h"
#include "drill/load_word_list.h"

namespace {

using dialog_test::RecordingWindows;
using dialog_test::StubImaging;
using Draw = StubImaging::Draw;
using kestran::ButtonVisual;
using kestran::drill;

int gOpenDialogs = 0;

struct ButtonCase {
    const char* name;
    plat::WindowProc procedure;
    const char* className;
    ButtonVisual* visual;
    kestran::Shared<plat::Window>* handle;
    std::string normal, hover, backdrop;
    int width, height;
    bool opensList;
    bool eraseOnPress;
    // How many times the action has run, seen from its effect.
    std::function<int()> actionRuns;
};

void PrintTo(const ButtonCase& c, std::ostream* os) { *os << c.name << " button"; }

// Each flag flips once per run, so from 0 it reads 1 after one run and 0
// after two; the open button counts its file dialogs.
const std::vector<ButtonCase>& Buttons() {
    static const std::vector<ButtonCase> cases = {
        {"Open", kestran::OpenButtonProc, "b1", &kestran::openButtonVisual, &kestran::OpenButton, "RES\\b11.png",
         "RES\\b12.png", "RES\\bb1.jpg", 76, 38, true, true, [] { return gOpenDialogs; }},
        {"Order", kestran::OrderButtonProc, "b2", &kestran::orderButtonVisual, &kestran::OrderButton, "RES\\b21.png",
         "RES\\b22.png", "RES\\bb2.jpg", 105, 38, false, true, [] { return int(drill.randomOrder); }},
        {"Mode", kestran::ModeButtonProc, "b3", &kestran::modeButtonVisual, &kestran::ModeButton, "RES\\b31.png",
         "RES\\b32.png", "RES\\bb3.jpg", 105, 38, false, false, [] { return int(drill.testMode); }},
        {"Colour", kestran::ColourButtonProc, "b4", &kestran::colourButtonVisual, &kestran::ColourButton,
         "RES\\b41.png", "RES\\b42.png", "RES\\bb4.jpg", 50, 50, false, false, [] { return int(drill.altColours); }},
        {"Effects", kestran::EffectsButtonProc, "b5", &kestran::effectsButtonVisual, &kestran::EffectsButton,
         "RES\\b51.png", "RES\\b52.png", "RES\\bb5.jpg", 50, 50, false, false, [] { return int(drill.effectsOff); }},
    };
    return cases;
}

std::intptr_t IgnoreAll(plat::Window, plat::MessageId, plat::WParam, plat::LParam) { return 0; }

class ImageButton : public ::testing::TestWithParam<ButtonCase> {
protected:
    void SetUp() override {
        const ButtonCase& c = GetParam();
        kestran::ResetDrillStateForTest();
        *c.visual = ButtonVisual{};
        gOpenDialogs = 0;
        backend.windows.openFileAnswer = [](plat::OpenFileRequest&) {
            ++gOpenDialogs;
            return false;
        };
        // Faces deliberately of different heights: the normal face takes the
        // hover face's height.
        imaging.sizes[c.normal] = {static_cast<unsigned>(c.width - 4), static_cast<unsigned>(c.height - 10)};
        imaging.sizes[c.hover] = {static_cast<unsigned>(c.width - 3), static_cast<unsigned>(c.height - 3)};
        imaging.sizes[c.backdrop] = {static_cast<unsigned>(c.width), static_cast<unsigned>(c.height)};
        previous = plat::Install(plat::Services{&windows, &imaging, nullptr, &backend.sound, &backend.process});
        kestran::MainDialog = plat::CreateDialog(kestran::MainDialogTemplate(), nullptr, IgnoreAll, 0);
        kestran::listOpenRequest = plat::OpenFileRequest{};
    }
    void TearDown() override {
        *GetParam().handle = nullptr;
        plat::Install(previous);
        plat::Message m;
        while (plat::PeekMessage(m)) {
        }
    }

    plat::Window Create() {
        const ButtonCase& c = GetParam();
        plat::Window w = kestran::CreateChildWindow(nullptr, c.procedure, c.className, kestran::MainDialog,
                                                    plat::WS_CHILD, 0, 0, c.width, c.height);
        *c.handle = w;
        imaging.loads.clear();
        return w;
    }
    plat::LResult Send(plat::Window w, plat::MessageId m, plat::WParam wp = 0) {
        return GetParam().procedure(w, m, wp, 0);
    }
    std::vector<Draw> Paint(plat::Window w) {
        imaging.draws.clear();
        Send(w, plat::WM_PAINT);
        return imaging.draws;
    }

    Draw BackdropDraw() const {
        const ButtonCase& c = GetParam();
        return {c.backdrop, 0, 0, c.width, c.height};
    }
    Draw HoverDraw(int at) const {
        const ButtonCase& c = GetParam();
        return {c.hover, at, at, c.width - 3, c.height - 3};
    }
    Draw NormalDraw() const {
        const ButtonCase& c = GetParam();
        return {c.normal, 0, 0, c.width - 4, c.height - 3};
    }

    plat::HeadlessBackend backend;
    RecordingWindows windows{backend.windows};
    StubImaging imaging;
    plat::Services previous;
};

TEST_P(ImageButton, CreationLoadsTheThreePicturesAndPreparesTheOpenRequest) {
    const ButtonCase& c = GetParam();
    plat::Window w = kestran::CreateChildWindow(nullptr, c.procedure, c.className, kestran::MainDialog,
                                                plat::WS_CHILD, 0, 0, c.width, c.height);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(imaging.loads, (std::vector<std::string>{c.normal, c.hover, c.backdrop}));
    EXPECT_EQ(kestran::listOpenRequest.structSize, 88u);
    EXPECT_EQ(kestran::listOpenRequest.owner, kestran::MainDialog.load());
    EXPECT_EQ(kestran::listOpenRequest.file, drill.listPath);
    EXPECT_EQ(c.visual->visualState, kestran::kLookNormal);
    EXPECT_FALSE(c.visual->hoverDrawn);
}

TEST_P(ImageButton, TheNormalLookIsTheBackdropWithTheNormalFaceAtTheHoverFacesHeight) {
    plat::Window w = Create();
    EXPECT_EQ(Paint(w), (std::vector<Draw>{BackdropDraw(), NormalDraw()}));
}

TEST_P(ImageButton, TheHoverLookIsDrawnOncePerVisit) {
    const ButtonCase& c = GetParam();
    plat::Window w = Create();

    EXPECT_EQ(Send(w, plat::WM_MOUSEHOVER), 0);
    EXPECT_EQ(c.visual->visualState, kestran::kLookHover);
    ASSERT_EQ(windows.invalidations.size(), 1u);
    EXPECT_EQ(windows.invalidations[0].window, w);
    EXPECT_FALSE(windows.invalidations[0].erase);
    EXPECT_EQ(Paint(w), (std::vector<Draw>{BackdropDraw(), HoverDraw(0)}));
    EXPECT_TRUE(c.visual->hoverDrawn);

    Send(w, plat::WM_MOUSEHOVER);
    EXPECT_TRUE(Paint(w).empty()) << "a second hover notice repaints nothing";

    windows.Forget();
    EXPECT_EQ(Send(w, plat::WM_MOUSELEAVE), 0);
    EXPECT_EQ(c.visual->visualState, kestran::kLookNormal);
    EXPECT_FALSE(c.visual->hoverDrawn);
    ASSERT_EQ(windows.invalidations.size(), 1u);
    EXPECT_FALSE(windows.invalidations[0].erase);
    EXPECT_EQ(Paint(w), (std::vector<Draw>{BackdropDraw(), NormalDraw()}));

    Send(w, plat::WM_MOUSEHOVER);
    EXPECT_EQ(Paint(w), (std::vector<Draw>{BackdropDraw(), HoverDraw(0)})) << "the next visit draws it again";
}

TEST_P(ImageButton, PressingRunsTheActionOnceAndShowsThePressedLook) {
    const ButtonCase& c = GetParam();
    plat::Window w = Create();
    Send(w, plat::WM_MOUSEHOVER);
    Paint(w);
    windows.Forget();

    std::vector<int> statesAtRepaint;
    windows.onInvalidate = [&](plat::Window target, bool) {
        if (target == w) statesAtRepaint.push_back(c.visual->visualState);
    };
    EXPECT_EQ(Send(w, plat::WM_LBUTTONDOWN), 0);
    windows.onInvalidate = nullptr;

    EXPECT_EQ(c.actionRuns(), 1);
    EXPECT_EQ(c.visual->visualState, kestran::kLookPressed);
    std::vector<RecordingWindows::Invalidation> own;
    for (const auto& i : windows.invalidations)
        if (i.window == w) own.push_back(i);
    ASSERT_EQ(own.size(), 1u) << "one repaint request for the press";
    EXPECT_EQ(own[0].erase, c.eraseOnPress);
    EXPECT_EQ(statesAtRepaint, std::vector<int>{kestran::kLookPressed}) << "pressed before the repaint is asked for";

    const int offset = c.opensList ? 0 : 2;
    EXPECT_EQ(Paint(w), (std::vector<Draw>{BackdropDraw(), HoverDraw(offset)}));
    EXPECT_TRUE(c.visual->hoverDrawn);
}

TEST_P(ImageButton, ReleasingReturnsToTheNormalLookExceptOnTheOpenButton) {
    const ButtonCase& c = GetParam();
    plat::Window w = Create();
    Send(w, plat::WM_MOUSEHOVER);
    Paint(w);
    Send(w, plat::WM_LBUTTONDOWN);
    Paint(w);
    windows.Forget();

    Send(w, plat::WM_LBUTTONUP);
    if (c.opensList) {
        EXPECT_EQ(c.visual->visualState, kestran::kLookPressed);
        EXPECT_TRUE(windows.invalidations.empty());
        EXPECT_EQ(windows.defaultHandled, std::vector<plat::MessageId>{plat::WM_LBUTTONUP});
    } else {
        EXPECT_EQ(c.visual->visualState, kestran::kLookNormal);
        ASSERT_EQ(windows.invalidations.size(), 1u);
        EXPECT_FALSE(windows.invalidations[0].erase);
        EXPECT_TRUE(windows.defaultHandled.empty());
        EXPECT_EQ(Paint(w), (std::vector<Draw>{BackdropDraw(), NormalDraw()}));
    }

    // The pointer still rests on the button: the hover look was drawn this
    // visit, so the open button keeps its hover look and the others stay
    // normal, until the pointer leaves and comes back.
    Send(w, plat::WM_MOUSEHOVER);
    EXPECT_TRUE(Paint(w).empty());
    Send(w, plat::WM_MOUSELEAVE);
    Paint(w);
    Send(w, plat::WM_MOUSEHOVER);
    EXPECT_EQ(Paint(w), (std::vector<Draw>{BackdropDraw(), HoverDraw(0)}));
    EXPECT_EQ(c.actionRuns(), 1);
}

TEST_P(ImageButton, ADoubleClickRunsTheActionOnce) {
    const ButtonCase& c = GetParam();
    plat::Window w = Create();
    Send(w, plat::WM_LBUTTONDOWN);
    Send(w, plat::WM_LBUTTONUP);
    Send(w, plat::WM_LBUTTONDBLCLK);
    Send(w, plat::WM_LBUTTONUP);
    EXPECT_EQ(c.actionRuns(), 1);
    EXPECT_EQ(windows.defaultHandled.front(), c.opensList ? plat::WM_LBUTTONUP : plat::WM_LBUTTONDBLCLK);
}

TEST_P(ImageButton, EveryMoveArmsHoverAndLeaveTrackingAtOneMillisecond) {
    plat::Window w = Create();
    Send(w, plat::WM_MOUSEMOVE);
    Send(w, plat::WM_MOUSEMOVE);
    ASSERT_EQ(windows.trackings.size(), 2u);
    for (const auto& t : windows.trackings) {
        EXPECT_EQ(t.window, w);
        EXPECT_EQ(t.flags, plat::TME_HOVER | plat::TME_LEAVE);
        EXPECT_EQ(t.hoverTimeMs, 1u);
    }
}

TEST_P(ImageButton, EscAndDestructionEndTheLoopOtherKeysAreSwallowed) {
    plat::Window w = Create();
    plat::Message m;
    EXPECT_EQ(Send(w, plat::WM_KEYDOWN, 'A'), 0);
    EXPECT_FALSE(plat::PeekMessage(m));
    EXPECT_TRUE(windows.defaultHandled.empty());

    EXPECT_EQ(Send(w, plat::WM_KEYDOWN, plat::VK_ESCAPE), 0);
    ASSERT_TRUE(plat::PeekMessage(m));
    EXPECT_EQ(m.message, plat::WM_QUIT);
    EXPECT_EQ(m.wParam, 0u);

    EXPECT_EQ(Send(w, plat::WM_DESTROY), 0);
    ASSERT_TRUE(plat::PeekMessage(m));
    EXPECT_EQ(m.message, plat::WM_QUIT);
}

TEST_P(ImageButton, OtherMessagesGoToDefaultHandling) {
    plat::Window w = Create();
    Send(w, plat::WM_TIMER);
    Send(w, plat::WM_CHAR, 'x');
    EXPECT_EQ(windows.defaultHandled, (std::vector<plat::MessageId>{plat::WM_TIMER, plat::WM_CHAR}));
}

TEST_P(ImageButton, PicturesThatCannotBeMadeAreSkippedAndTheOthersStillPaint) {
    const ButtonCase& c = GetParam();
    imaging.unmakeable = {c.hover};
    plat::Window w = Create();
    // Without a hover face the normal face keeps its own height.
    EXPECT_EQ(Paint(w), (std::vector<Draw>{BackdropDraw(), Draw{c.normal, 0, 0, c.width - 4, c.height - 10}}));
    Send(w, plat::WM_MOUSEHOVER);
    EXPECT_EQ(Paint(w), std::vector<Draw>{BackdropDraw()});
    Send(w, plat::WM_LBUTTONDOWN);
    EXPECT_EQ(Paint(w), std::vector<Draw>{BackdropDraw()});
    EXPECT_EQ(c.actionRuns(), 1) << "the button still works";
}

TEST_P(ImageButton, AMissingHoverFileLeavesTheNormalFaceVisible) {
    const ButtonCase& c = GetParam();
    imaging.sizes.erase(c.hover);  // loads, but measures 0 x 0
    plat::Window w = Create();
    EXPECT_EQ(Paint(w), (std::vector<Draw>{BackdropDraw(), Draw{c.normal, 0, 0, c.width - 4, c.height - 10}}));
}

INSTANTIATE_TEST_SUITE_P(AllFive, ImageButton, ::testing::ValuesIn(Buttons()),
                         [](const ::testing::TestParamInfo<ButtonCase>& info) { return std::string(info.param.name); });

}  // namespace
