#include "platform/qt/qt_termination.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include <QApplication>
#include <QMetaObject>
#include <QWidget>
#include <thread>

#include "platform/qt/qt_widgets.h"

namespace plat::qt {
namespace {

// Longer than the program takes to keep what it must when it ends.
constexpr unsigned kEndWithinSeconds = 4;

int signalPipe[2] = {-1, -1};

// Only what a signal handler may do: the number goes down the pipe.
void OnSignal(int number) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

void CloseTheDialog(int number) {
    bool closing = false;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (dynamic_cast<DialogWidget*>(widget)) {
            closing = true;
            widget->close();  // the dialog's procedure hears WM_CLOSE
        }
    }
    if (!closing) ::_exit(128 + number);
}

void AwaitSignals() {
    unsigned char number = 0;
    while (::read(signalPipe[0], &number, 1) != 1) {
    }
    QMetaObject::invokeMethod(qApp, [number] { CloseTheDialog(number); }, Qt::QueuedConnection);
    ::sleep(kEndWithinSeconds);
    ::_exit(128 + number);
}

}  // namespace

void CloseOnTerminationSignals() {
    if (::pipe2(signalPipe, O_CLOEXEC) != 0) return;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(number, &action, nullptr);
    std::thread(AwaitSignals).detach();
}

}  // namespace plat::qt
