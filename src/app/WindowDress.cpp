#include "app/WindowDress.h"

#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QPalette>
#include <QWidget>
#include <QWindow>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>

namespace sorvel {

QIcon applicationIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString f = QStringLiteral(":/sorvel_p/icons/%1.png").arg(size);
        if (QFile::exists(f)) icon.addFile(f, QSize(size, size));
    }
    return icon;
}

namespace {
// Motif window manager hints (the _MOTIF_WM_HINTS property).
constexpr uint32_t kHintsFunctions = 1, kHintsDecorations = 2;
constexpr uint32_t kFuncMove = 4, kFuncMinimize = 8, kFuncClose = 32;
constexpr uint32_t kDecorBorder = 2, kDecorTitle = 8, kDecorMenu = 16, kDecorMinimize = 32;

void writeMotifHints(QWidget* w) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return;
    xcb_connection_t* c = x11->connection();
    static const char kName[] = "_MOTIF_WM_HINTS";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof kName - 1, kName), nullptr);
    if (!atom) return;
    const uint32_t hints[5] = {kHintsFunctions | kHintsDecorations, kFuncMove | kFuncMinimize | kFuncClose,
                               kDecorBorder | kDecorTitle | kDecorMenu | kDecorMinimize, 0, 0};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(w->winId()), atom->atom, atom->atom,
                        32, 5, hints);
    xcb_flush(c);
    std::free(atom);
}
}  // namespace

void dressMainWindow(QWidget* w) {
    w->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                      Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    const QIcon icon = applicationIcon();
    if (!icon.isNull()) w->setWindowIcon(icon);
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        w->winId();   // the native window, with the hints Qt gives it
        writeMotifHints(w);
    }
}

void paintOwnBackground(QWidget* control) {
    QPalette pal = control->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    control->setPalette(pal);
    control->setBackgroundRole(QPalette::Window);
    control->setAutoFillBackground(true);
}

}  // namespace sorvel
