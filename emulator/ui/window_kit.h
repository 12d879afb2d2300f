// Pieces every emulator window is made of: the fixed frame, the one control
// font, the bitmaps, picture controls and the bordered number boxes.
#pragma once

#include "format.h"

#include <QAccessible>
#include <QColor>
#include <QLabel>
#include <QPixmap>
#include <QSize>
#include <cstdint>
#include <optional>

class QAction;
class QLineEdit;
class QMenuBar;

namespace mox::ui {

// The 15-pixel Arial shared by every control that is given a font.
const QFont& controlFont();

// The ground of what an executed word changed, or the next word: a yellow from
// a palette made for colour-blind readers.
inline constexpr QColor litGround(240, 228, 66);

// One of the emulator's bitmaps by its resource number (101 is the icon), at
// its own size in device-independent pixels. On screens scaled above 100 %
// it is the version drawn at twice the size (scale 2), so it stays sharp.
QPixmap bitmap(int id);
QPixmap bitmap(int id, int scale);
// 2 when any screen is scaled above 100 %, else 1.
int pictureScale();

// The datapath drawing among the resources, ready to be opened.
QString datapathDrawingPath();

// Icon 101 at both scales, for every window.
const QIcon& programIcon();

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
// The action carrying a command number, or nullptr.
QAction* findCommand(const QWidget* window, int id);

// A bitmap shown at its own size. The mouse passes through it to the window
// below, which does the hover and click handling.
QLabel* createPicture(QWidget* parent, QPoint at, const QPixmap& picture);

// A picture that works as a button from the keyboard too: Tab reaches it, a
// frame shows the focus, Space or Return activates it, and a screen reader
// reads it as a button by its name. The mouse still passes through it to the
// window below, which does the hover and click handling as before.
class PictureButton : public QLabel {
    Q_OBJECT

public:
    PictureButton(QWidget* parent, QPoint at, const QPixmap& picture, const QString& name);

signals:
    void activated();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// Draws a frame around whichever control of `window` has the focus, once the
// user works with the keyboard; a click hides it again, so the windows look
// as they always did to a mouse user. Call when the controls exist.
void installFocusFrame(QWidget* window);

// What a box stands for, which its accessible name tells.
enum class BoxKind { Register, Cell };

// A bordered box titled "Address: <n>" holding a read-only value field; the
// register boxes and the Memory Map cells are all made of these.
class AddressBox : public QLabel, private QAccessible::ActivationObserver {
public:
    AddressBox(QWidget* parent, QPoint at, BoxKind kind = BoxKind::Cell);
    ~AddressBox() override;

    // `before` is the value an executed word changed, for a lit box; nothing
    // for a plain one. Texts are set only when what they show changes, so
    // that refreshing after every executed word stays cheap.
    void showNumber(std::int32_t address, std::int32_t value, Base base,
                    std::optional<std::int32_t> before = std::nullopt);
    // Lights or puts out the box, leaving its texts as they are.
    void showBefore(std::optional<std::int32_t> before);

    QString valueText() const;
    bool isLit() const { return shownBefore.has_value(); }
    // The tooltip: "was <before>, now <value>" on a lit box, else the whole
    // value, which a long binary number does not show.
    QString hint() const;
    QLineEdit* valueField() const { return field; }
    // A Memory Map slot past the last cell: it shows address 0, value 0.
    void showNoCell(Base base);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The field's accessible name and description: "register ax" or "cell
    // 05", and what a lit box changed.
    void updateAccessibleTexts();
    void accessibilityActiveChanged(bool active) override;
    void showSlot(std::int32_t address, std::int32_t value, Base base,
                  std::optional<std::int32_t> before, bool noCellSlot);

    QLineEdit* field;
    BoxKind kind;
    bool noCell = false;
    // The accessible texts lag behind while no screen reader listens.
    bool accessibleStale = true;
    bool shown = false;
    std::int32_t shownAddress = 0;
    std::int32_t shownValue = 0;
    Base shownBase = Base::Binary;
    std::optional<std::int32_t> shownBefore;
};

} // namespace mox::ui
