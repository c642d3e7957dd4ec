// A caret that stops blinking after a while without input, as GNOME's
// default settings have it: a blinking caret repaints part of the dialog
// twice a second for as long as the program is open, which is most of a
// resting program's work.
#pragma once

#include <QObject>
#include <QTimer>

namespace plat::qt {

class CaretRest final : public QObject {
public:
    // Watches the whole application's input from now on.
    explicit CaretRest(int restAfterMs = 10000);
    ~CaretRest() override;

    bool Resting() const { return resting_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Rest();
    void Wake();

    QTimer idle_;
    int flashTime_;  // the user's own blink, given back on input
    bool resting_ = false;
};

}  // namespace plat::qt
