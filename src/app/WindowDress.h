// What the window manager and the task list see of the main window: the
// application icon, and a fixed-size window that offers only minimise and
// close. Also the opaque look of the controls that stand on the drawing
// surface.
#pragma once

class QIcon;
class QWidget;

namespace sorvel {

// The application icon at 16 to 256 pixels, from the program itself (also
// in the portable build); an empty icon when it was built without them.
QIcon applicationIcon();

// Minimise and close only: no maximise, no resize. On X11 the Motif hints
// are written as well, since Qt always offers resizing in them.
void dressMainWindow(QWidget* w);

// A control that is not painted square (a check box) fills its rectangle
// with the button face, so that nothing of what lies under it shows.
void paintOwnBackground(QWidget* control);

}  // namespace sorvel
