#include <QApplication>
#include "app/SlotAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
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

    QStringList keyBindingsForAction(const QString& action) const override {
        if (action == pressAction()) return {QStringLiteral("Return"), QStringLiteral("Space")};
        if (action == showMenuAction()) return {QStringLiteral("Menu"), QStringLiteral("Shift+F10")};
        return QAccessibleWidget::keyBindingsForAction(action);
    }

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

// The drawing surface: a text that says what the surface shows.
class SurfaceAccessible : public QAccessibleWidget {
public:
    explicit SurfaceAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const SlotAccessibility* a = SlotAccessibility::owning(object());
            return a ? a->surfaceText() : QString();
        }
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* slotPageFactory(const QString&, QObject* o) {
    const SlotAccessibility* a = SlotAccessibility::owning(o);
    if (!a) return nullptr;
    auto* w = static_cast<QWidget*>(o);
    if (a->isSurface(o)) return new SurfaceAccessible(w);
    return new SlotButtonAccessible(w);
}

void tellTool(QObject* o, QAccessible::Event e) {
    QAccessibleEvent ev(o, e);
    SlotAccessibility::tell(&ev);
}

}  // namespace

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
    const bool first = !told_;
    told_ = true;
    for (int i = 0; i < 10; ++i) {
        SurfaceWidget* b = buttons_[i];
        if (!b) continue;
        QString n = name(i);
        if (n != toldNames_[i]) {
            toldNames_[i] = std::move(n);
            if (!first) tellTool(b, QAccessible::NameChanged);
        }
        QString d = description(i);
        if (d != toldDescriptions_[i]) {
            toldDescriptions_[i] = std::move(d);
            if (!first) tellTool(b, QAccessible::DescriptionChanged);
        }
    }
    QString t = surfaceText();
    if (t != toldSurface_) {
        toldSurface_ = std::move(t);
        if (!first) tellTool(surface_, QAccessible::NameChanged);
    }
}

}  // namespace sorvel
