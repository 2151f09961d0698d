// sorvel_p: a small desktop launcher with music, timer and a typing game.
#include <QApplication>
#include <QSocketNotifier>
#include <QStyleFactory>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include "app/MainWindow.h"
#include "platform/LazyAudio.h"
#include "platform/RealServices.h"

namespace {
int g_signalFd[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalFd[0], &c, 1);
}
}  // namespace

int main(int argc, char** argv) {
    // The window is small and redraws 20 times a second: sending its pixels
    // over the connection costs less than the shared-memory path, which
    // waits for the X server before every frame. Only for this process.
    const bool shmSwitchGiven = qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM");
    if (!shmSwitchGiven) qputenv("QT_XCB_NO_MITSHM", "1");
    QApplication app(argc, argv);
    if (!shmSwitchGiven) qunsetenv("QT_XCB_NO_MITSHM");
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // The interface is Japanese: one font for every window, tooltip and box,
    // so that no other font is loaded beside it.
    QApplication::setFont(sorvel::uiFont(12));

    std::string folder = QCoreApplication::applicationDirPath().toStdString();
    if (folder.empty() || folder.back() != '/') folder += '/';

    sorvel::SteadyClock clock;
    sorvel::DesktopShell shell;
    sorvel::DesktopBeeper beeper;
    sorvel::QtClipboard clipboard;
    sorvel::NetworkLocalAddress local;
    sorvel::AudioModule audio(folder);
    sorvel::LazyWavPlayer wav(audio);
    sorvel::LazyMci mci(audio);
    sorvel::AppServices sv{&clock, &shell, &beeper, &clipboard, &local, &wav, &mci};

    sorvel::MainWindow w(folder, sv);

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
    w.show();
    const int rc = app.exec();
    audio.shutdown();
    return rc;
}
