#include "platform/qt/qt_backend.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

#include "platform/posix/posix_process.h"
#include "platform/qt/qt_canvas.h"
#include "platform/qt/qt_caret_rest.h"
#include "platform/qt/qt_imaging.h"
#include "platform/qt/qt_termination.h"
#include "platform/qt/qt_translations.h"
#include "platform/qt/qt_window_system.h"
#include "platform/qt/sdl_sound.h"

namespace plat::qt {

namespace {

bool HaveDisplay() {
    return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") || std::getenv("QT_QPA_PLATFORM");
}

}  // namespace

void RunProgram(int argc, char** argv, int (*entry)()) {
    PosixProcess process;
    if (!HaveDisplay()) {
        std::fprintf(stderr,
                     "KESTRAN needs a graphical desktop, and none was found (DISPLAY is not set).\n"
                     "Start it from a desktop session, or on a machine without one run:\n"
                     "  xvfb-run -a ./kestran     (and look at it with a VNC viewer or screenshots)\n");
        process.Exit(1);
    }
    // Through shared memory every repaint of the canvas waits for the X
    // server to let go of the last one: a round trip that wakes the
    // toolkit's thread again at each frame. The canvas's changed parts are
    // small enough to send over the connection. A setting of the user's own
    // stands.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
    static QApplication* app = new QApplication(argc, argv);
    app->setApplicationName("KESTRAN");
    app->setApplicationVersion(KESTRAN_VERSION);
    app->setQuitOnLastWindowClosed(false);
    // Lets desktops match the window with its desktop entry.
    QGuiApplication::setDesktopFileName("io.github.kestran.Kestran");
    // OK/Cancel and the file dialog in the desktop's language.
    InstallToolkitTranslations();
    new CaretRest();  // lives as long as the process
    CloseOnTerminationSignals();

    // The services live as long as the process; nothing is torn down.
    Services services;
    services.windows = new QtWindowSystem();
    services.imaging = new QtImaging();
    services.canvas = new QtCanvasGraphics();
    services.sound = new SdlSound();
    services.process = &process;
    Install(services);

    int status = entry();
    process.Exit(status);
}

}  // namespace plat::qt
