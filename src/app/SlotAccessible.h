// Accessibility of the slot page: the ten slot buttons as push buttons with
// a name, a description and the actions "Press" (left button) and
// "ShowMenu" (right button), and the drawing surface as a text. Assistive
// tools are told of a change of any of them once, when it happens; while
// none listens, nothing is computed.
#pragma once

#include <QAccessible>
#include <QAccessibleEvent>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>


namespace sorvel {

class SurfaceWidget;

// The words the slot page gives assistive tools; the window supplies them.
class SlotTexts {
public:
    virtual ~SlotTexts() = default;
    virtual QString slotName(int index) const = 0;          // slot button 0..9
    virtual QString slotDescription(int index) const = 0;
    virtual QString surfaceText() const = 0;
};

class SlotAccessibility {
public:
    // buttons: the window's slot buttons, read at each use (the array may
    // fill later); surface: the drawing surface that holds them.
    SlotAccessibility(QWidget* surface, const std::array<SurfaceWidget*, 10>& buttons, const SlotTexts& texts);
    ~SlotAccessibility();
    SlotAccessibility(const SlotAccessibility&) = delete;
    SlotAccessibility& operator=(const SlotAccessibility&) = delete;

    // Run after each frame: tells assistive tools of each name, description
    // and text that changed since it was last told. Returns at once while
    // accessibility is off.
    void frameDone();

    // Slot buttons take the keyboard focus by Tab, in page order after
    // `after` (the last page button).
    void joinTabOrder(QWidget* after);

    // Which slot button w is (0..9), or -1.
    int indexOf(const QObject* w) const;
    bool isSurface(const QObject* w) const { return w == surface_; }
    QString name(int i) const { return i >= 0 ? texts_.slotName(i) : QString(); }
    QString description(int i) const { return i >= 0 ? texts_.slotDescription(i) : QString(); }
    QString surfaceText() const { return texts_.surfaceText(); }

    // Whether an assistive tool listens: QAccessible::isActive, replaced in
    // tests (the offscreen platform has no accessibility bridge).
    static inline bool (*listening)() = &QAccessible::isActive;
    // Where the changes go: QAccessible::updateAccessibility, replaced in tests.
    static inline void (*tell)(QAccessibleEvent*) = &QAccessible::updateAccessibility;

    // The instance whose slot button or surface w is (nullptr: none).
    static SlotAccessibility* owning(const QObject* w);

private:
    QWidget* surface_;
    const std::array<SurfaceWidget*, 10>& buttons_;
    const SlotTexts& texts_;
    std::array<QString, 10> toldNames_;
    std::array<QString, 10> toldDescriptions_;
    QString toldSurface_;
    bool told_ = false;
};

}  // namespace sorvel
