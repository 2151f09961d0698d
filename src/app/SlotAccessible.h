// Accessibility of the slot page: the ten slot buttons as push buttons with
// a name, a description and the actions "Press" (left button) and
// "ShowMenu" (right button), the drawing surface as a text with the action
// "Press" (a mouse press on it: it stops the alarm), the page buttons
// described by the page they show, and the main window as a frame named by
// its caption. Assistive tools are told of a change of any of them once,
// when it happens, with the new text; while none listens, nothing is
// computed.
#pragma once

#include <QAccessible>
#include <QAccessibleEvent>
#include <QPointer>
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
    virtual QString surfaceDescription() const = 0;
    virtual QString pageRange() const = 0;   // described by the page buttons
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

    // The page buttons, described by the page range.
    void setPageButtons(QWidget* prev, QWidget* next);

    // The game was shown (true) or the launcher again: the surface, which
    // tells the game, takes the keyboard focus while the game is shown,
    // and the control that had it before gets it back afterwards. Call
    // before the launcher's controls are hidden and after they are shown.
    void gameShown(bool shown);

    // Tells assistive tools the window's caption (the alarm has started).
    static void tellWindowName(QWidget* window);

    // The window is told as a frame named by its caption.
    static void exposeAsFrame(QWidget* window);

    // Which slot button w is (0..9), or -1.
    int indexOf(const QObject* w) const;
    bool isSurface(const QObject* w) const { return w == surface_; }
    QString name(int i) const { return i >= 0 ? texts_.slotName(i) : QString(); }
    QString description(int i) const { return i >= 0 ? texts_.slotDescription(i) : QString(); }
    QString surfaceText() const { return texts_.surfaceText(); }
    QString surfaceDescription() const { return texts_.surfaceDescription(); }

    // Whether an assistive tool listens: QAccessible::isActive, replaced in
    // tests (the offscreen platform has no accessibility bridge).
    static inline bool (*listening)() = &QAccessible::isActive;
    // Where the changes go: QAccessible::updateAccessibility, replaced in tests.
    static inline void (*tell)(QAccessibleEvent*) = &QAccessible::updateAccessibility;
    // The same change once more with the new text itself: the bridge of Qt
    // 6.4 sends name and description changes with the object in place of
    // the text, which screen readers drop. Replaced in tests.
    static void (*tellText)(QObject* o, QAccessible::Event e, const QString& now);

    // The instance whose slot button or surface w is (nullptr: none).
    static SlotAccessibility* owning(const QObject* w);

private:
    QWidget* surface_;
    const std::array<SurfaceWidget*, 10>& buttons_;
    const SlotTexts& texts_;
    std::array<QString, 10> toldNames_;
    std::array<QString, 10> toldDescriptions_;
    QString toldSurface_;
    QString toldPageRange_;
    bool told_ = false;
    bool focusTells_ = false;   // the focus moves: it tells the changes of this frame
    QWidget* pageButtons_[2] = {nullptr, nullptr};
    QPointer<QWidget> focusBeforeGame_;
    QWidget* tabAfter_ = nullptr;
};

// Return and Enter press the focused push button of window, as Space does
// (a plain window has no default button to take them).
void pressButtonsOnReturn(QWidget* window);

}  // namespace sorvel
