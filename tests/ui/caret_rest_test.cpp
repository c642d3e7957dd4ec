// The caret rests after a while without input and blinks again on a key,
// a click or a change of focus; the user's own blink is what comes back.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLineEdit>
#include <QStyleHints>
#include <QTest>

#include "platform/qt/qt_caret_rest.h"

namespace kestran::testing {
namespace {

TEST(CaretRestTest, RestsWhenIdleAndGivesTheUsersBlinkBackOnInput) {
    QStyleHints* hints = QGuiApplication::styleHints();
    hints->setCursorFlashTime(800);
    QLineEdit edit;
    edit.show();
    {
        plat::qt::CaretRest rest(60);
        EXPECT_FALSE(rest.Resting());
        EXPECT_TRUE(QTest::qWaitFor([&] { return rest.Resting(); }, 2000));
        EXPECT_EQ(hints->cursorFlashTime(), 0) << "a resting caret does not blink";

        QTest::keyClick(&edit, Qt::Key_A);
        EXPECT_FALSE(rest.Resting());
        EXPECT_EQ(hints->cursorFlashTime(), 800);
        EXPECT_EQ(edit.text(), "a") << "the key still reaches the box";

        // Input keeps it awake; only a quiet spell rests it again.
        for (int i = 0; i < 4; ++i) {
            QTest::qWait(30);
            QTest::mouseClick(&edit, Qt::LeftButton);
            EXPECT_FALSE(rest.Resting());
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return rest.Resting(); }, 2000));
    }
    EXPECT_EQ(hints->cursorFlashTime(), 800) << "a resting caret is woken when the watch ends";
}

TEST(CaretRestTest, ACaretThatNeverBlinksIsLeftAlone) {
    QStyleHints* hints = QGuiApplication::styleHints();
    hints->setCursorFlashTime(0);
    plat::qt::CaretRest rest(20);
    QTest::qWait(80);
    EXPECT_FALSE(rest.Resting());
    EXPECT_EQ(hints->cursorFlashTime(), 0);
}

}  // namespace
}  // namespace kestran::testing
