#include "app/WindowDress.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QIconEngine>
#include <QImage>
#include <QImageReader>
#include <QObject>
#include <QPainter>
#include <QPixmap>
#include <QPalette>
#include <QWidget>
#include <QWindow>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace sorvel {

namespace {
// The icon's pictures are read from their files whenever they are asked
// for and not kept: the window system holds its own copy once it has them,
// so the launcher carries none of the seven pictures while it idles.
class FileIconEngine : public QIconEngine {
public:
    explicit FileIconEngine(QList<QSize> sizes) : sizes_(std::move(sizes)) {}
    QIconEngine* clone() const override { return new FileIconEngine(sizes_); }
    QString key() const override { return QStringLiteral("sorvel_file_icon"); }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override { return sizes_; }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const QSize s = bestFor(size);
        return s.isValid() ? s.scaled(size, Qt::KeepAspectRatio) : QSize();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override {
        const QSize s = bestFor(size);
        if (!s.isValid()) return {};
        // Read as PNG and nothing else: a reader left to guess asks every
        // image plugin, which loads them all.
        QImageReader reader(fileFor(s.width()), "png");
        reader.setAutoDetectImageFormat(false);
        QImage img = reader.read();
        if (img.size() != size) img = img.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        return QPixmap::fromImage(std::move(img));
    }
    void paint(QPainter* p, const QRect& r, QIcon::Mode m, QIcon::State st) override {
        p->drawPixmap(r, pixmap(r.size(), m, st));
    }
    static QString fileFor(int size) { return QStringLiteral(":/sorvel_p/icons/%1.png").arg(size); }

private:
    // The smallest picture at least as large as asked, else the largest
    // (the sizes go from small to large).
    QSize bestFor(const QSize& want) const {
        for (const QSize& s : sizes_)
            if (s.width() >= want.width() && s.height() >= want.height()) return s;
        return sizes_.isEmpty() ? QSize() : sizes_.back();
    }
    QList<QSize> sizes_;
};
}  // namespace

QIcon applicationIcon() {
    QList<QSize> sizes;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        if (QFile::exists(FileIconEngine::fileFor(size))) sizes.append(QSize(size, size));
    }
    if (sizes.isEmpty()) return QIcon();
    return QIcon(new FileIconEngine(std::move(sizes)));
}

namespace {
xcb_connection_t* x11Connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    if (!r) return XCB_ATOM_NONE;
    const xcb_atom_t a = r->atom;
    std::free(r);
    return a;
}

// _NET_WM_ICON: for each size its width, height and ARGB pixels, appended
// picture by picture.
bool writeNetWmIcon(QWidget* w) {
    xcb_connection_t* c = x11Connection();
    if (!c || QGuiApplication::platformName() != QLatin1String("xcb")) return false;
    const xcb_atom_t atom = internAtom(c, "_NET_WM_ICON");
    if (atom == XCB_ATOM_NONE) return false;
    const auto win = static_cast<xcb_window_t>(w->winId());
    bool first = true;
    // The sizes title bars, task bars and window switchers draw; the
    // largest picture (a quarter of a megabyte of pixels, kept in the X
    // server for as long as the window lives) is left to the desktop entry's
    // icon, which docks and menus read.
    for (int size : {16, 24, 32, 48, 64, 128}) {
        QImageReader reader(FileIconEngine::fileFor(size), "png");
        reader.setAutoDetectImageFormat(false);
        QImage img = reader.read();
        if (img.isNull()) continue;
        img.convertTo(QImage::Format_ARGB32);
        const uint32_t head[2] = {static_cast<uint32_t>(img.width()), static_cast<uint32_t>(img.height())};
        xcb_change_property(c, first ? XCB_PROP_MODE_REPLACE : XCB_PROP_MODE_APPEND, win, atom, XCB_ATOM_CARDINAL,
                            32, 2, head);
        for (int y = 0; y < img.height(); ++y)
            xcb_change_property(c, XCB_PROP_MODE_APPEND, win, atom, XCB_ATOM_CARDINAL, 32,
                                static_cast<uint32_t>(img.width()), img.constScanLine(y));
        xcb_flush(c);
        first = false;
    }
    return !first;
}

// Motif window manager hints (the _MOTIF_WM_HINTS property).
constexpr uint32_t kHintsFunctions = 1, kHintsDecorations = 2;
constexpr uint32_t kFuncMove = 4, kFuncMinimize = 8, kFuncClose = 32;
constexpr uint32_t kDecorBorder = 2, kDecorTitle = 8, kDecorMenu = 16, kDecorMinimize = 32;

void writeMotifHints(QWidget* w) {
    xcb_connection_t* c = x11Connection();
    if (!c) return;
    const xcb_atom_t atom = internAtom(c, "_MOTIF_WM_HINTS");
    if (atom == XCB_ATOM_NONE) return;
    const uint32_t hints[5] = {kHintsFunctions | kHintsDecorations, kFuncMove | kFuncMinimize | kFuncClose,
                               kDecorBorder | kDecorTitle | kDecorMenu | kDecorMinimize, 0, 0};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(w->winId()), atom, atom, 32, 5, hints);
    xcb_flush(c);
}
}  // namespace

void dressMainWindow(QWidget* w) {
    w->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                      Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        w->winId();   // the native window, with the hints Qt gives it
        writeMotifHints(w);
    }
}

namespace {
class FirstPicture : public QObject {
public:
    FirstPicture(QWidget* w, std::function<void()> then) : QObject(w), then_(std::move(then)) {}
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint && o == parent() && then_) {
            o->removeEventFilter(this);
            // Queued: the picture reaches the screen before this runs.
            QMetaObject::invokeMethod(this, [this, f = std::move(then_)] {
                deleteLater();
                f();
            }, Qt::QueuedConnection);
            then_ = nullptr;
        }
        return false;
    }

private:
    std::function<void()> then_;
};
}  // namespace

void setApplicationIcon(QWidget* mainWindow) {
    // Written by hand, the main window keeps it: the application icon below
    // is then only read for the windows made later.
    if (mainWindow && writeNetWmIcon(mainWindow)) mainWindow->setAttribute(Qt::WA_SetWindowIcon);
    QApplication::setWindowIcon(applicationIcon());
}

void afterFirstPicture(QWidget* w, std::function<void()> then) {
    w->installEventFilter(new FirstPicture(w, std::move(then)));
}

void paintOwnBackground(QWidget* control) {
    QPalette pal = control->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    control->setPalette(pal);
    control->setBackgroundRole(QPalette::Window);
    control->setAutoFillBackground(true);
}

}  // namespace sorvel
