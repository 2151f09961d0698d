// Short message boxes of the main window.
#pragma once

class QWidget;

namespace sorvel {

// Tells the user that a chosen file cannot be kept because its name holds
// a double quote or a line break, which the data files cannot store.
// Modal; returns when the user presses OK.
void warnUnstorableName(QWidget* parent);

}  // namespace sorvel
