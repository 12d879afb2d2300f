// Pieces every emulator window is made of: the fixed frame, the one control
// font, the bitmaps, picture controls and the bordered number boxes.
#pragma once

#include <QLabel>
#include <QPixmap>
#include <QSize>
#include <cstdint>

class QAction;
class QLineEdit;
class QMenuBar;

namespace mox::ui {

// The 15-pixel Arial shared by every control that is given a font.
const QFont& controlFont();

// One of the emulator's bitmaps by its resource number (101 is the icon).
QPixmap bitmap(int id);

// A fixed-size top-level window with title, close and minimise boxes. `outer`
// is the size with a classic frame; the client area is 6 x 25 smaller.
void setUpTopLevel(QWidget* window, const char* className, const QString& title, QSize outer);

// Puts a menu bar at the top of `window` and returns the client area below it,
// whose coordinates the controls use.
QWidget* addMenuClient(QWidget* window, QMenuBar* menuBar);

// A menu entry that carries its command number.
QAction* addCommand(QMenu* menu, const QString& text, int id);
// The action carrying a command number, or nullptr.
QAction* findCommand(const QWidget* window, int id);

// A bitmap shown at its own size. The mouse passes through it to the window
// below, which does the hover and click handling.
QLabel* createPicture(QWidget* parent, QPoint at, const QPixmap& picture);

// A bordered box titled "Address: <n>" holding a read-only value field; the
// register boxes and the Memory Map cells are all made of these.
class AddressBox : public QLabel {
public:
    AddressBox(QWidget* parent, QPoint at);

    // Texts are set only when what they show changes, so that refreshing after
    // every executed word stays cheap.
    void showNumber(std::int32_t address, std::int32_t value, int viewMode);

    QString valueText() const;

private:
    QLineEdit* field;
    bool shown = false;
    std::int32_t shownAddress = 0;
    std::int32_t shownValue = 0;
    int shownViewMode = 0;
};

} // namespace mox::ui
