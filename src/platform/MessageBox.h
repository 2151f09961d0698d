// Message boxes in the program's language: standard buttons read "OK" and
// "キャンセル" (and so on) without icons, whatever the system locale and
// the desktop theme say.
#pragma once

#include <QMessageBox>

namespace sorvel {

// Renames the standard buttons of `box` and removes their icons. Call it
// after the buttons are set and before the box is shown.
void useJapaneseButtons(QMessageBox& box);

// A modal box with the given icon, title, text and standard buttons; returns
// the button chosen (QMessageBox::NoButton when closed otherwise).
QMessageBox::StandardButton showMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                           const QString& text, QMessageBox::StandardButtons buttons);

}  // namespace sorvel
