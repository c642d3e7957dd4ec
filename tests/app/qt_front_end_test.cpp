// The keyboard front end in the real window: toolkit key events go through
// the key table first and reach the answer box only when handed on.
#include <gtest/gtest.h>

#include <QInputMethodQueryEvent>
#include <QKeyEvent>
#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>

#include "tests/app/qt_fixture.h"

namespace kestran {
namespace {

using testing::QtAppTest;

// Presses the given button of the message box once it is up.
void AnswerNextMessageBox(QMessageBox::StandardButton button) {
    QTimer::singleShot(50, [button] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) box->button(button)->click();
    });
}

class QtFrontEnd : public QtAppTest {};

TEST_F(QtFrontEnd, SpaceAcknowledgesFirstThenTypesLikeAnyKey) {
    edit->setText("old");
    QTest::keyClick(edit, Qt::Key_Space);
    EXPECT_EQ(edit->text(), "old") << "held back until the loop hands it on";
    RunLoop();
    EXPECT_EQ(edit->text(), "") << "the first Space acknowledges and types nothing";
    EXPECT_EQ(drill.resultPending, 0);

    QTest::keyClicks(edit, "ab");
    QTest::keyClick(edit, Qt::Key_Space);
    RunLoop();
    EXPECT_EQ(edit->text(), "ab ");
}

TEST_F(QtFrontEnd, CtrlArrowsNudgeAndPlainArrowsMoveTheCursor) {
    drill.resultPending = 0;
    drill.scrollX = 100;
    QTest::keyClicks(edit, "word");
    RunLoop();
    QTest::keyClick(edit, Qt::Key_Left, Qt::ControlModifier);
    RunLoop();
    EXPECT_EQ(drill.scrollX, 98);
    EXPECT_EQ(drill.paused, 1);
    drill.paused = 0;
    QTest::keyClick(edit, Qt::Key_Left);
    QTest::keyClick(edit, Qt::Key_Right, Qt::ControlModifier);
    RunLoop();
    EXPECT_EQ(drill.scrollX, 100);
    QTest::keyClick(edit, Qt::Key_Left);
    RunLoop();
    EXPECT_EQ(drill.scrollX, 100) << "without Ctrl the word stays";
    // Ctrl+Left and Ctrl+Right were handed on too: word jumps to 0 and 4,
    // then a plain Left to 3.
    EXPECT_EQ(edit->cursorPosition(), 3) << "the arrows reached the answer box";
}

TEST_F(QtFrontEnd, AKeyDownPostedByTheProgramTakesNoTypedKeysState) {
    drill.resultPending = 0;
    drill.scrollX = 100;
    // A plain Left posted ahead of a typed Ctrl+Right: only the typed key
    // had Ctrl held, so only it nudges the word.
    plat::PostMessage(answerBox, plat::WM_KEYDOWN, plat::VK_LEFT, 1);
    QTest::keyClick(edit, Qt::Key_Right, Qt::ControlModifier);
    RunLoop();
    EXPECT_EQ(drill.scrollX, 102);
}

TEST_F(QtFrontEnd, AutoRepeatedKeyDownsEachApplyTheirRow) {
    drill.paused = 0;
    for (int i = 0; i < 3; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, QString(), i > 0);
        QApplication::sendEvent(edit, &press);
    }
    RunLoop();
    EXPECT_EQ(drill.paused, 1) << "three key-downs toggle three times";
}

TEST_F(QtFrontEnd, EnterInPracticeEmptiesTheBox) {
    drill.resultPending = 0;
    QTest::keyClicks(edit, "apple");
    QTest::keyClick(edit, Qt::Key_Return);
    RunLoop();
    EXPECT_EQ(edit->text(), "");
}

TEST_F(QtFrontEnd, EscThenCancelChangesNothing) {
    drill.resultPending = 0;
    drill.paused = 1;
    QTest::keyClicks(edit, "ab");
    AnswerNextMessageBox(QMessageBox::Cancel);
    QTest::keyClick(edit, Qt::Key_Escape);
    RunLoop();
    EXPECT_EQ(edit->text(), "ab");
    EXPECT_EQ(drill.paused, 1);
}

TEST_F(QtFrontEnd, ChineseTextInTheBoxIsReadAsGbk) {
    edit->setText(QString::fromUtf8("苹果"));
    char buffer[64];
    EXPECT_EQ(plat::GetDlgItemText(MainDialog, kAnswerBoxId, buffer, sizeof buffer), 4u);
    EXPECT_STREQ(buffer, "\xC6\xBB\xB9\xFB");
    plat::SetDlgItemText(MainDialog, kAnswerBoxId, "\xCF\xE3\xBD\xB6");
    EXPECT_EQ(edit->text(), QString::fromUtf8("香蕉"));
}

TEST_F(QtFrontEnd, NoInputMethodComposesIntoTheBox) {
    // What an input-method plugin (ibus, fcitx) asks the focused widget
    // before it takes the keys for its composition.
    ASSERT_EQ(QApplication::focusWidget(), edit);
    QInputMethodQueryEvent query(Qt::ImEnabled);
    QApplication::sendEvent(edit, &query);
    EXPECT_FALSE(query.value(Qt::ImEnabled).toBool());
}

TEST(QtFrontEndExit, EscThenOkEndsTheProgramWithStatusZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            plat::PosixProcess process;
            plat::Install(plat::Services{&testing::SharedQtWindows(), nullptr, nullptr, nullptr, &process});
            MainDialog = plat::CreateDialog(testing::TestDialogTemplate(), nullptr, nullptr, 0);
            plat::ShowWindow(MainDialog, plat::SW_SHOWNORMAL);
            QWidget* box = plat::qt::WidgetOf(plat::GetDlgItem(MainDialog, kAnswerBoxId));
            box->setFocus();
            AnswerNextMessageBox(QMessageBox::Ok);
            QTest::keyClick(box, Qt::Key_Escape);
            plat::Message m{};
            for (;;) RunLoopOnce(m, false);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace kestran
