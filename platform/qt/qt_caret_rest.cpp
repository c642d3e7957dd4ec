#include "platform/qt/qt_caret_rest.h"

#include <QEvent>
#include <QGuiApplication>
#include <QStyleHints>

namespace plat::qt {

CaretRest::CaretRest(int restAfterMs) : flashTime_(QGuiApplication::styleHints()->cursorFlashTime()) {
    idle_.setSingleShot(true);
    idle_.setInterval(restAfterMs);
    connect(&idle_, &QTimer::timeout, this, [this] { Rest(); });
    if (flashTime_ <= 0) return;  // the caret never blinks anyway
    qApp->installEventFilter(this);
    idle_.start();
}

CaretRest::~CaretRest() {
    if (qApp) qApp->removeEventFilter(this);
    Wake();
}

bool CaretRest::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::FocusIn:
        case QEvent::InputMethod:
            Wake();
            idle_.start();
            break;
        default:
            break;
    }
    return false;
}

// The caret stays shown: a flash time of 0 means "do not blink".
void CaretRest::Rest() {
    resting_ = true;
    QGuiApplication::styleHints()->setCursorFlashTime(0);
}

void CaretRest::Wake() {
    if (!resting_) return;
    resting_ = false;
    QGuiApplication::styleHints()->setCursorFlashTime(flashTime_);
}

}  // namespace plat::qt
