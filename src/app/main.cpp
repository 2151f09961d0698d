// sorvel_p: a small desktop launcher with music, timer and a typing game.
#include <QApplication>
#include <QSocketNotifier>
#include <QStyleFactory>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

#include "app/MainWindow.h"
#include "app/QtTranslation.h"
#include "app/WindowDress.h"
#include "platform/AppPaths.h"
#include "platform/DisplaySession.h"
#include "platform/FontWarmUp.h"
#include "platform/LazyAudio.h"
#include "platform/RealServices.h"
#include "platform/SingleInstance.h"
#include "platform/Surface.h"

namespace {
int g_signalFd[2] = {-1, -1};
// The window while the event loop runs. Qt ends the process with exit()
// when the connection to the display breaks (the X server or compositor
// went away before the launcher was told to close): what a close saves is
// saved then, from the exit handler.
sorvel::MainWindow* g_window = nullptr;

void saveWhenEndedByQt() {
    if (!g_window) return;
    g_window->saveOnLostDisplay();
    // Saved: the process ends here, without the destructors of the
    // libraries' static objects, which would talk to a connection that is
    // gone or race the audio thread that still runs.
    std::_Exit(1);
}

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalFd[0], &c, 1);
}
}  // namespace

int main(int argc, char** argv) {
    // In a Wayland session run on XWayland, so that the window can be placed;
    // what the launched programs inherit stays as it was.
    const std::string qpa =
        sorvel::preferredQtPlatform([](const char* n) { return static_cast<const char*>(std::getenv(n)); });
    if (!qpa.empty()) ::setenv("QT_QPA_PLATFORM", qpa.c_str(), 1);
    // The window is small and redraws 20 times a second: sending its pixels
    // over the connection costs less than the shared-memory path, which
    // waits for the X server before every frame. Only for this process.
    const bool shmSwitchGiven = qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM");
    if (!shmSwitchGiven) qputenv("QT_XCB_NO_MITSHM", "1");
    // Qt's own event loop instead of GLib's: each of the twenty wake-ups a
    // second costs less, and nothing here runs GLib sources of its own.
    // Only for this thread's loop: the variable is gone again below.
    const bool glibSwitchGiven = qEnvironmentVariableIsSet("QT_NO_GLIB");
    if (!glibSwitchGiven) qputenv("QT_NO_GLIB", "1");
    // The font configuration is read beside the connection to the display.
    sorvel::FontWarmUp fonts(sorvel::uiFamilyWishes());
    QApplication app(argc, argv);
    fonts.wait();
    sorvel::useUiFamilySubstitutes(fonts.substitutes());
    if (!glibSwitchGiven) qunsetenv("QT_NO_GLIB");
    // The installed desktop entry's id: docks and Wayland sessions match the
    // window to its menu entry (and icon) by it.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.sorvel_p.sorvel_p"));
    if (!qpa.empty()) ::unsetenv("QT_QPA_PLATFORM");
    if (!shmSwitchGiven) qunsetenv("QT_XCB_NO_MITSHM");
    if (!sorvel::canPlaceWindows(QGuiApplication::platformName().toStdString())) {
        std::fprintf(stderr, "sorvel_p: running on Wayland without X; the window position cannot be restored\n");
    }
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // Qt's own texts (context menus, stock dialogs) in Japanese too.
    sorvel::loadQtTranslation(app);
    // The interface is Japanese: one font for every window, tooltip and box,
    // so that no other font is loaded beside it.
    QApplication::setFont(sorvel::uiFont(12));

    // Portable (everything beside the executable) or installed (the user's
    // files in the XDG data folder).
    const sorvel::AppPaths paths = sorvel::detectAppPaths(QCoreApplication::applicationFilePath().toStdString());
    std::string why;
    if (!sorvel::prepareDataFolder(paths, &why)) std::fprintf(stderr, "sorvel_p: %s; nothing can be saved\n", why.c_str());
    const std::string folder = paths.dataFolder;

    // One instance per data folder; a restart waits for the old one to end.
    sorvel::SingleInstance instance(folder);
    const auto outcome = instance.start(5000);
    if (outcome == sorvel::SingleInstance::Outcome::Raised) return 0;
    if (outcome == sorvel::SingleInstance::Outcome::Busy) {
        std::fprintf(stderr, "sorvel_p: another instance is using %s and does not answer\n", folder.c_str());
        return 1;
    }

    sorvel::SteadyClock clock;
    sorvel::DesktopShell shell;
    sorvel::DesktopBeeper beeper;
    sorvel::QtClipboard clipboard;
    sorvel::NetworkLocalAddress local;
    sorvel::AudioModule audio(paths.moduleFolder, paths.dataFolder);
    sorvel::LazyWavPlayer wav(audio);
    sorvel::LazyMci mci(audio);
    sorvel::AppServices sv{&clock, &shell, &beeper, &clipboard, &local, &wav, &mci, &paths};

    sorvel::MainWindow w(folder, sv);
    sorvel::dressMainWindow(&w);
    w.releaseFolder = [&instance] { instance.release(); };
    instance.listen([&w] {
        if (w.ended()) return false;   // closing: the new start waits for the lock
        w.setWindowState(w.windowState() & ~Qt::WindowMinimized);
        w.show();
        w.raise();
        w.activateWindow();
        return true;
    });

    // SIGTERM, SIGINT and SIGHUP (a logout) close the window normally.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalFd) == 0) {
        auto* notifier = new QSocketNotifier(g_signalFd[1], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [&w] {
            char buf[16];
            [[maybe_unused]] const ssize_t n = ::read(g_signalFd[1], buf, sizeof buf);
            w.close();
            if (w.ended()) QCoreApplication::exit(0);
        });
        struct sigaction sa {};
        sa.sa_handler = onSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        sigaction(SIGTERM, &sa, nullptr);
        sigaction(SIGINT, &sa, nullptr);
        sigaction(SIGHUP, &sa, nullptr);
    }

    w.formLoad();
    g_window = &w;
    std::atexit(saveWhenEndedByQt);
    // The icon is decoded and sent once the first picture shows: the window
    // manager takes it whenever it comes, and every window shares it.
    sorvel::afterFirstPicture(&w, [&w] { sorvel::setApplicationIcon(&w); });
    w.show();
    const int rc = app.exec();
    g_window = nullptr;
    audio.shutdown();
    return rc;
}
