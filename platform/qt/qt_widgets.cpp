#include "platform/qt/qt_widgets.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QStyleOptionSlider>
#include <QPainter>
#include <QThread>
#include <QTimer>

#include "platform/core/thread_queue.h"
#include "platform/gbk.h"
#include "platform/qt/qt_slider_style.h"

namespace plat::qt {
namespace {

const char* const kWindowProperty = "kestranWindow";

LParam PointParam(const QPointF& p) {
    auto x = static_cast<std::uint16_t>(static_cast<std::int16_t>(p.x()));
    auto y = static_cast<std::uint16_t>(static_cast<std::int16_t>(p.y()));
    return static_cast<LParam>(x) | (static_cast<LParam>(y) << 16);
}

void Tag(QObject* object, Window window) {
    object->setProperty(kWindowProperty, QVariant::fromValue(reinterpret_cast<quintptr>(window)));
}

}  // namespace

WindowData* DataOf(Window window) { return window ? static_cast<WindowData*>(window->backendData) : nullptr; }

Window WindowOfWidget(QObject* object) {
    for (; object; object = object->parent()) {
        QVariant v = object->property(kWindowProperty);
        if (v.isValid()) return reinterpret_cast<Window>(v.value<quintptr>());
        // A top-level window of the toolkit's own (a message box, the file
        // dialog) is not one of ours, whoever its parent is.
        auto* widget = qobject_cast<QWidget*>(object);
        if (widget && widget->isWindow()) return nullptr;
    }
    return nullptr;
}

bool OwnedByGuiThread(Window window) {
    return window && window->owner && window->owner->Owner() == GuiThreadId();
}

void PostToOwner(Window window, MessageId message, WParam wParam, LParam lParam) {
    if (window && window->owner) window->owner->Post(Message{window, message, wParam, lParam});
}

// --- Custom windows ------------------------------------------------------

CustomWindowWidget::CustomWindowWidget(Window window, QWidget* parent) : QWidget(parent), window_(window) {
    Tag(this, window);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_NoSystemBackground);
    // What a paint leaves out keeps its earlier pixels, as with a class
    // without a background brush: the dialog is not painted beneath first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CustomWindowWidget::paintEvent(QPaintEvent*) {
    WindowData* data = DataOf(window_);
    QPainter painter(this);
    Brush background = window_->windowClass.background;
    if (!OwnedByGuiThread(window_)) {
        // A window drawn by another thread shows the frame it presented
        // last; an exposure also asks its thread for a new one.
        if (!data->repaintingFrame && window_->owner) window_->owner->Invalidate(window_);
        std::lock_guard lock(data->frameMutex);
        if (!data->frame.isNull())
            painter.drawImage(0, 0, data->frame);
        else if (background)
            painter.fillRect(rect(), background->brush);
        return;
    }
    // The procedure paints into the window's own lasting pixels, so what a
    // paint leaves out keeps what was there, as with a class without a
    // background brush.
    const qreal ratio = devicePixelRatioF();
    if (surface_.isNull() || surface_.size() != (QSizeF(size()) * ratio).toSize()) surface_ = FreshSurface(ratio);
    {
        QPainter onSurface(&surface_);
        if (data->eraseNext.exchange(false) && background) onSurface.fillRect(rect(), background->brush);
        PaintContextObject context{&onSurface};
        data->activePaint = &context;
        if (window_->procedure) window_->procedure(window_, WM_PAINT, 0, 0);
        data->activePaint = nullptr;
    }
    painter.drawImage(0, 0, surface_);
}

// A new window shows what lies beneath it in its parent (the dialog's
// background), never black: a button whose pictures are missing then just
// leaves the background.
QImage CustomWindowWidget::FreshSurface(qreal ratio) {
    QImage surface((QSizeF(size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    surface.setDevicePixelRatio(ratio);
    surface.fill(Qt::transparent);
    if (QWidget* parent = parentWidget()) {
        QPainter painter(&surface);
        parent->render(&painter, QPoint(), QRegion(geometry()), QWidget::DrawWindowBackground);
    }
    return surface;
}

void CustomWindowWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        PostToOwner(window_, WM_RBUTTONDOWN, 2, PointParam(event->position()));
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    lastWasPress_ = true;
    PostToOwner(window_, WM_LBUTTONDOWN, 1, PointParam(event->position()));
}

void CustomWindowWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    // The toolkit delivers the second press of a double click before the
    // double click itself; in the message model that press *is* the double
    // click, so it is turned into one while still queued. Without the
    // double-click class style it stays a plain press.
    bool doubleClicks = (window_->windowClass.style & CS_DBLCLKS) != 0;
    if (lastWasPress_) {
        if (doubleClicks && window_->owner) window_->owner->ReplaceNewest(window_, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK);
    } else {
        // Some input paths send the double click without a second press.
        PostToOwner(window_, doubleClicks ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, 1, PointParam(event->position()));
    }
    lastWasPress_ = false;
}

void CustomWindowWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        PostToOwner(window_, WM_RBUTTONUP, 0, PointParam(event->position()));
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    lastWasPress_ = false;
    PostToOwner(window_, WM_LBUTTONUP, 0, PointParam(event->position()));
}

void CustomWindowWidget::mouseMoveEvent(QMouseEvent* event) {
    PostToOwner(window_, WM_MOUSEMOVE, 0, PointParam(event->position()));
    WindowData* data = DataOf(window_);
    if (data->trackHover && data->hoverTimer) data->hoverTimer->start(static_cast<int>(data->hoverTimeMs));
}

// The canvas's own X window lies where the widget was; the drawing thread
// lets it go, and the next frame through the toolkit finds the new place.
void CustomWindowWidget::moveEvent(QMoveEvent*) {
    if (WindowData* data = DataOf(window_)) ForgetNativePlace(data->native);
}
void CustomWindowWidget::resizeEvent(QResizeEvent*) {
    if (WindowData* data = DataOf(window_)) ForgetNativePlace(data->native);
}

void CustomWindowWidget::leaveEvent(QEvent*) {
    WindowData* data = DataOf(window_);
    if (data->hoverTimer) data->hoverTimer->stop();
    data->trackHover = false;
    if (data->trackLeave) {
        data->trackLeave = false;
        PostToOwner(window_, WM_MOUSELEAVE, 0, 0);
    }
}

// --- Dialog ----------------------------------------------------------------

DialogWidget::DialogWidget(Window window) : QWidget(nullptr), window_(window) {
    Tag(this, window);
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void DialogWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    std::intptr_t result =
        window_->dialogProcedure ? window_->dialogProcedure(window_, WM_CTLCOLORDLG, 0, 0) : 0;
    auto* brush = reinterpret_cast<Brush>(result);
    if (brush) {
        painter.setBrushOrigin(0, 0);
        painter.fillRect(rect(), brush->brush);
    } else {
        painter.fillRect(rect(), palette().window());
    }
}

void DialogWidget::closeEvent(QCloseEvent* event) {
    // Closing is a message to the dialog procedure, which decides; the
    // window itself is never destroyed by it.
    event->ignore();
    if (window_->dialogProcedure) window_->dialogProcedure(window_, WM_CLOSE, 0, 0);
}

void DialogWidget::changeEvent(QEvent* event) {
    // As the system tells a dialog it became the active window or stopped being it.
    if (event->type() == QEvent::ActivationChange && window_->dialogProcedure)
        window_->dialogProcedure(window_, WM_ACTIVATE, isActiveWindow() ? 1 : WA_INACTIVE, 0);
    QWidget::changeEvent(event);
}

// --- Controls ----------------------------------------------------------------

EditWidget::EditWidget(Window window, QWidget* parent) : QLineEdit(parent) {
    Tag(this, window);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setInputMethodHints(Qt::ImhLatinOnly | Qt::ImhNoPredictiveText);
    // A copy other threads can read without waking this one.
    connect(this, &QLineEdit::textChanged, this, [window](const QString& text) {
        std::string gbk = Utf8ToGbk(text.toStdString());
        std::lock_guard lock(window->textMutex);
        window->text = std::move(gbk);
    });
}

QVariant EditWidget::inputMethodQuery(Qt::InputMethodQuery query) const {
    // A line edit answers this itself, whatever its input-method attribute.
    if (query == Qt::ImEnabled) return false;
    return QLineEdit::inputMethodQuery(query);
}

ScrollBarWidget::ScrollBarWidget(Window window, QWidget* parent) : QScrollBar(Qt::Horizontal, parent), window_(window) {
    Tag(this, window);
    setFocusPolicy(Qt::NoFocus);
    setTracking(false);
    connect(this, &QAbstractSlider::actionTriggered, this, [this](int action) {
        Window owner = window_->parent;
        auto send = [&](int code, int pos) {
            PostToOwner(owner, WM_HSCROLL, MakeWParam(static_cast<std::uint16_t>(code), static_cast<std::uint16_t>(pos)),
                        reinterpret_cast<LParam>(window_));
        };
        switch (action) {
            case SliderSingleStepAdd: send(SB_LINERIGHT, 0); break;
            case SliderSingleStepSub: send(SB_LINELEFT, 0); break;
            case SliderPageStepAdd: send(SB_PAGERIGHT, 0); break;
            case SliderPageStepSub: send(SB_PAGELEFT, 0); break;
            case SliderMove: send(SB_THUMBTRACK, sliderPosition()); return;
            default: return;
        }
        // Arrows and the trough do not move the thumb by themselves.
        setSliderPosition(position_);
    });
    connect(this, &QAbstractSlider::sliderReleased, this, [this] {
        Window owner = window_->parent;
        int pos = sliderPosition();
        PostToOwner(owner, WM_HSCROLL, MakeWParam(SB_THUMBPOSITION, static_cast<std::uint16_t>(pos)),
                    reinterpret_cast<LParam>(window_));
        PostToOwner(owner, WM_HSCROLL, MakeWParam(SB_ENDSCROLL, 0), reinterpret_cast<LParam>(window_));
        // Back where the program last put it, until it says otherwise.
        QSignalBlocker block(this);
        setValue(position_);
        setSliderPosition(position_);
    });
}

void ScrollBarWidget::paintEvent(QPaintEvent* event) {
    QScrollBar::paintEvent(event);
    QStyleOptionSlider option;
    initStyleOption(&option);
    PaintVisibleThumb(*this, option);
}

void ScrollBarWidget::SetPosition(int position) {
    position_ = position;
    QSignalBlocker block(this);
    if (!isSliderDown()) {
        setValue(position);
        setSliderPosition(position);
    }
}

}  // namespace plat::qt
