// What the window manager and the task list see of the main window: the
// application icon, and a fixed-size window that offers only minimise and
// close. Also the opaque look of the controls that stand on the drawing
// surface.
#pragma once

#include <functional>

class QIcon;
class QWidget;

namespace sorvel {

// The application icon at 16 to 256 pixels, from the program itself (also
// in the portable build); an empty icon when it was built without them.
QIcon applicationIcon();

// Minimise and close only: no maximise, no resize. On X11 the Motif hints
// are written as well, since Qt always offers resizing in them. The icon
// is the application's (set once for every window).
void dressMainWindow(QWidget* w);

// Gives the main window and every later window the application icon. On
// X11 the main window's icon is written one size at a time, so that the
// seven pictures are never held at once.
void setApplicationIcon(QWidget* mainWindow);

// Runs `then` once, from the event loop, right after the window's first
// picture was painted: for what the window manager needs but the first
// picture does not (the icon, decoded and sent in seven sizes).
void afterFirstPicture(QWidget* w, std::function<void()> then);

// A control that is not painted square (a check box) fills its rectangle
// with the button face, so that nothing of what lies under it shows.
void paintOwnBackground(QWidget* control);

}  // namespace sorvel
