// What makes a top-level emulator window: the fixed frame, its menus, the
// one control font, the window colours, and a focus frame for keyboard users.
#pragma once

#include <QSize>
#include <QString>

class QAction;
class QFont;
class QMenu;
class QMenuBar;
class QWidget;

namespace mox::ui {

// The 15-pixel Arial shared by every control that is given a font.
const QFont& controlFont();

// A fixed-size top-level window with title, close and minimise boxes. `outer`
// is the size with a classic frame; the client area is 6 x 25 smaller.
void setUpTopLevel(QWidget* window, const char* className, const QString& title, QSize outer);
// A top-level window the user may resize and show full screen, in the
// desktop's own colours.
void setUpResizableTopLevel(QWidget* window, const char* className, const QString& title,
                            QSize size);

// Puts a menu bar at the top of `window` and returns the client area below it,
// whose coordinates the controls use.
QWidget* addMenuClient(QWidget* window, QMenuBar* menuBar);

// A menu entry that carries its command number.
QAction* addCommand(QMenu* menu, const QString& text, int id);
// The menu of `window`'s menu bar with that title, or nullptr.
QMenu* findMenu(const QWidget* window, const QString& title);
// The action carrying a command number, or nullptr.
QAction* findCommand(const QWidget* window, int id);

// Draws a frame around whichever control of `window` has the focus, once the
// user works with the keyboard; a click hides it again, so the windows look
// as they always did to a mouse user. Call when the controls exist.
void installFocusFrame(QWidget* window);

// Paints `window` again in the look now in use: its ground, its value boxes
// and its pictures. The window's own other colours are its to set.
void restyle(QWidget* window);

} // namespace mox::ui
