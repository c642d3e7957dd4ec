// The window-system contract on the Qt backend, driven by toolkit events.
#include "tests/contract/window_contract.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "platform/gbk.h"
#include "platform/qt/qt_bridge.h"
#include "platform/qt/qt_window_system.h"

namespace kestran::contract {
namespace {

plat::qt::QtWindowSystem& QtWindows() {
    static auto* windows = new plat::qt::QtWindowSystem();
    return *windows;
}

class QtDriver {
public:
    QtDriver() {
        previous_ = plat::Install(plat::Services{&QtWindows(), nullptr, nullptr, nullptr, &plat::SystemProcess()});
        dialog_ = plat::CreateDialog(MainDialogTemplate(), nullptr, RecordingDialogProc, 0);
        plat::ShowWindow(dialog_, plat::SW_SHOWNORMAL);
        QApplication::processEvents();
    }
    ~QtDriver() {
        if (QWidget* w = plat::qt::WidgetOf(dialog_)) w->hide();
        QApplication::processEvents();
        plat::Install(previous_);
    }

    plat::Window Dialog() const { return dialog_; }

    bool DoubleClick(plat::Window window) {
        QWidget* widget = plat::qt::WidgetOf(window);
        // What the toolkit gets from a real double click: press, release, a
        // second press, the double click, release.
        QTest::mousePress(widget, Qt::LeftButton);
        QTest::mouseRelease(widget, Qt::LeftButton);
        QTest::mousePress(widget, Qt::LeftButton);
        QTest::mouseDClick(widget, Qt::LeftButton);
        QTest::mouseRelease(widget, Qt::LeftButton);
        return true;
    }

    bool ClickScrollBar(plat::Window scrollBar, ScrollPart part) {
        auto* bar = static_cast<QScrollBar*>(plat::qt::WidgetOf(scrollBar));
        bar->triggerAction(part == ScrollPart::RightArrow ? QAbstractSlider::SliderSingleStepAdd
                                                          : QAbstractSlider::SliderPageStepSub);
        return true;
    }

    bool RightClick(plat::Window window) {
        QWidget* widget = plat::qt::WidgetOf(window);
        QTest::mousePress(widget, Qt::RightButton);
        QTest::mouseRelease(widget, Qt::RightButton);
        return true;
    }

    // Reads the open menu as shown, then picks an item with the keyboard
    // or closes the menu with Esc.
    void AnswerNextPopupMenu(std::chrono::milliseconds after, PopupChoice choose) {
        QTimer::singleShot(static_cast<int>(after.count()), [choose] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            std::vector<PopupSeen> seen;
            std::vector<QAction*> actions;
            for (QAction* action : menu->actions()) {
                if (action->isSeparator()) continue;
                const QStringList parts = action->text().split('\t');
                seen.push_back(PopupSeen{plat::Utf8ToGbk(parts.value(0).toStdString()),
                                         plat::Utf8ToGbk(parts.value(1).toStdString()), action->isChecked(),
                                         !action->isEnabled()});
                actions.push_back(action);
            }
            const int choice = choose(seen);
            if (choice >= 0 && choice < static_cast<int>(actions.size())) {
                menu->setActiveAction(actions[choice]);
                QTest::keyClick(menu, Qt::Key_Return);
            } else {
                QTest::keyClick(menu, Qt::Key_Escape);
            }
        });
    }

    void UserClose(plat::Window dialog) { plat::qt::WidgetOf(dialog)->close(); }

    void CloseNextMessageBox(int answer, std::chrono::milliseconds after, std::function<void()> justBefore) {
        QTimer::singleShot(static_cast<int>(after.count()), [answer, justBefore] {
            justBefore();
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                    box->button(answer == plat::IDOK ? QMessageBox::Ok : QMessageBox::Cancel)->click();
        });
    }

private:
    plat::Services previous_;
    plat::Window dialog_ = nullptr;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, WindowContract, QtDriver);

}  // namespace
}  // namespace kestran::contract
