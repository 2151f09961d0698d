#include "app/SlotAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QKeyEvent>
#include <QPushButton>
#include <QVariantMap>
#include <QWidget>
#include <algorithm>
#include <vector>

#include "platform/SurfaceWidget.h"

namespace sorvel {

namespace {

std::vector<SlotAccessibility*>& instances() {
    static std::vector<SlotAccessibility*> all;
    return all;
}

// A slot button: its owner is looked up at each call, so that nothing is
// asked of a window that is going away.
class SlotButtonAccessible : public QAccessibleWidget {
public:
    explicit SlotButtonAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        const SlotAccessibility* a = SlotAccessibility::owning(object());
        const int i = a ? a->indexOf(object()) : -1;
        switch (t) {
            case QAccessible::Name: return a ? a->name(i) : QString();
            case QAccessible::Description: return a ? a->description(i) : QString();
            default: return QAccessibleWidget::text(t);
        }
    }

    QStringList actionNames() const override {
        QStringList names{pressAction(), showMenuAction()};
        if (widget()->focusPolicy() != Qt::NoFocus) names << setFocusAction();
        return names;
    }

    // No key bindings are listed: screen readers read them as the slot's
    // shortcut, and Return, Space, Menu and Shift+F10 only act on the slot
    // that has the focus.
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    void doAction(const QString& action) override {
        auto* b = static_cast<SurfaceWidget*>(widget());
        // A hidden button (the game is on) cannot be pressed, as with the
        // mouse; nor can any while a dialog or a question is open.
        const QWidget* modal = QApplication::activeModalWidget();
        const bool blocked = modal && modal != b->window();
        if (b->isHidden() || !b->isEnabled() || !b->onMouseDown || blocked) {
            if (action == setFocusAction()) QAccessibleWidget::doAction(action);
            return;
        }
        if (action == pressAction()) {
            b->onMouseDown(Qt::LeftButton);
        } else if (action == showMenuAction()) {
            b->onMouseDown(Qt::RightButton);
        } else {
            QAccessibleWidget::doAction(action);
        }
    }
};

// The drawing surface: a picture whose name says what it shows; "Press" is
// a mouse press on it (which stops the alarm). A picture, not a label:
// screen readers say the new name of a focused picture (the game's), while
// they pass over every change of a label's.
class SurfaceAccessible : public QAccessibleWidget {
public:
    explicit SurfaceAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Graphic) {}

    QString text(QAccessible::Text t) const override {
        const SlotAccessibility* a = SlotAccessibility::owning(object());
        if (t == QAccessible::Name) return a ? a->surfaceText() : QString();
        if (t == QAccessible::Description) return a ? a->surfaceDescription() : QString();
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString& action) override {
        auto* s = static_cast<SurfaceWidget*>(widget());
        const QWidget* modal = QApplication::activeModalWidget();
        if (action != pressAction() || !s->onMouseDown || (modal && modal != s->window())) return;
        s->onMouseDown(Qt::LeftButton);
    }
};

std::vector<const QObject*>& frames() {
    static std::vector<const QObject*> all;
    return all;
}

QAccessibleInterface* slotPageFactory(const QString&, QObject* o) {
    if (o && std::find(frames().begin(), frames().end(), o) != frames().end()) {
        // A frame, as the window manager shows it: its name is the caption.
        return new QAccessibleWidget(static_cast<QWidget*>(o), QAccessible::Window);
    }
    const SlotAccessibility* a = SlotAccessibility::owning(o);
    if (!a) return nullptr;
    auto* w = static_cast<QWidget*>(o);
    if (a->isSurface(o)) return new SurfaceAccessible(w);
    return new SlotButtonAccessible(w);
}

void tellTool(QObject* o, QAccessible::Event e, const QString& now) {
    QAccessibleEvent ev(o, e);
    SlotAccessibility::tell(&ev);
    SlotAccessibility::tellText(o, e, now);
}

// Sends the AT-SPI property change with the new text on the accessibility
// bus connection that Qt's bridge opened, under the object's own path.
void sendTextOnBus(QObject* o, QAccessible::Event e, const QString& now) {
    const char* property = e == QAccessible::NameChanged          ? "accessible-name"
                           : e == QAccessible::DescriptionChanged ? "accessible-description"
                                                                  : nullptr;
    if (!property || !QAccessible::isActive()) return;
    QDBusConnection bus(QStringLiteral("a11y"));
    if (!bus.isConnected()) return;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(o);
    if (!iface) return;
    const QString path = QStringLiteral("/org/a11y/atspi/accessible/") + QString::number(QAccessible::uniqueId(iface));
    QDBusMessage m = QDBusMessage::createSignal(path, QStringLiteral("org.a11y.atspi.Event.Object"),
                                                QStringLiteral("PropertyChange"));
    m << QString::fromLatin1(property) << 0 << 0 << QVariant::fromValue(QDBusVariant(now)) << QVariantMap();
    bus.send(m);
}

}  // namespace

namespace {
class ReturnPresses : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() != QEvent::KeyPress) return false;
        const auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() != Qt::Key_Return && k->key() != Qt::Key_Enter) return false;
        auto* b = static_cast<QPushButton*>(o);
        if (!k->isAutoRepeat() && b->isEnabled() && b->isVisible()) b->click();
        return true;
    }
};
}  // namespace

void pressButtonsOnReturn(QWidget* window) {
    auto* f = new ReturnPresses(window);
    for (QPushButton* b : window->findChildren<QPushButton*>()) b->installEventFilter(f);
}

void (*SlotAccessibility::tellText)(QObject*, QAccessible::Event, const QString&) = &sendTextOnBus;

void SlotAccessibility::exposeAsFrame(QWidget* window) {
    frames().push_back(window);
    QObject::connect(window, &QObject::destroyed, [window] {
        auto& all = frames();
        all.erase(std::remove(all.begin(), all.end(), window), all.end());
    });
}

void SlotAccessibility::tellWindowName(QWidget* window) {
    if (!listening()) return;
    tellText(window, QAccessible::NameChanged, window->windowTitle());
}

void SlotAccessibility::setPageButtons(QWidget* prev, QWidget* next) {
    pageButtons_[0] = prev;
    pageButtons_[1] = next;
}

void SlotAccessibility::gameShown(bool shown) {
    focusTells_ = true;
    if (shown) {
        QWidget* f = QApplication::focusWidget();
        focusBeforeGame_ = f && f->window() == surface_->window() ? f : nullptr;
        surface_->setFocusPolicy(Qt::ClickFocus);
        surface_->setFocus(Qt::OtherFocusReason);
        return;
    }
    const bool hadFocus = surface_->hasFocus();
    surface_->setFocusPolicy(Qt::NoFocus);
    if (!hadFocus) return;
    QWidget* back = focusBeforeGame_;
    if (!back || !back->isVisibleTo(surface_->window()) || !back->isEnabled()) back = tabAfter_;
    if (back) back->setFocus(Qt::OtherFocusReason);
}

SlotAccessibility::SlotAccessibility(QWidget* surface, const std::array<SurfaceWidget*, 10>& buttons,
                                     const SlotTexts& texts)
    : surface_(surface), buttons_(buttons), texts_(texts) {
    static const bool installed = [] {
        QAccessible::installFactory(slotPageFactory);
        return true;
    }();
    (void)installed;
    instances().push_back(this);
}

SlotAccessibility::~SlotAccessibility() {
    auto& all = instances();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

int SlotAccessibility::indexOf(const QObject* w) const {
    for (int i = 0; i < 10; ++i) {
        if (buttons_[i] && buttons_[i] == w) return i;
    }
    return -1;
}

SlotAccessibility* SlotAccessibility::owning(const QObject* w) {
    if (!w) return nullptr;
    for (SlotAccessibility* a : instances()) {
        if (a->isSurface(w) || a->indexOf(w) >= 0) return a;
        // A slot button that is being made (shown before the window keeps
        // it) is recognised by its place: a surface widget on the surface.
        if (w->parent() == a->surface_ && dynamic_cast<const SurfaceWidget*>(w)) return a;
    }
    return nullptr;
}

void SlotAccessibility::joinTabOrder(QWidget* after) {
    tabAfter_ = after;
    QWidget* prev = after;
    for (SurfaceWidget* b : buttons_) {
        if (!b) continue;
        b->setFocusPolicy(Qt::TabFocus);
        if (prev) QWidget::setTabOrder(prev, b);
        prev = b;
    }
}

void SlotAccessibility::frameDone() {
    if (!listening()) {
        told_ = false;   // tell everything afresh when a tool comes
        return;
    }
    // The first time, what the tool reads is already current: only record.
    // When the game comes or goes the focus moves, and the tool reads the
    // new texts where it lands.
    const bool first = !told_ || focusTells_;
    focusTells_ = false;
    told_ = true;
    for (int i = 0; i < 10; ++i) {
        SurfaceWidget* b = buttons_[i];
        if (!b) continue;
        QString n = name(i);
        if (n != toldNames_[i]) {
            toldNames_[i] = std::move(n);
            if (!first) tellTool(b, QAccessible::NameChanged, toldNames_[i]);
        }
        QString d = description(i);
        if (d != toldDescriptions_[i]) {
            toldDescriptions_[i] = std::move(d);
            if (!first) tellTool(b, QAccessible::DescriptionChanged, toldDescriptions_[i]);
        }
    }
    QString t = surfaceText();
    if (t != toldSurface_) {
        toldSurface_ = std::move(t);
        if (!first) tellTool(surface_, QAccessible::NameChanged, toldSurface_);
    }
    QString range = texts_.pageRange();
    if (range != toldPageRange_) {
        toldPageRange_ = std::move(range);
        for (QWidget* b : pageButtons_) {
            if (!b) continue;
            b->setAccessibleDescription(toldPageRange_);   // Qt tells the change, without the text
            if (!first) tellText(b, QAccessible::DescriptionChanged, toldPageRange_);
        }
    }
}

}  // namespace sorvel
