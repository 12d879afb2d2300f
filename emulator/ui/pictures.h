// The emulator's bitmaps and the controls made of them: pictures shown at
// their own size, and pictures that work as buttons.
#pragma once

#include <QLabel>
#include <QPixmap>

class QAccessibleInterface;
class QIcon;

namespace mox::ui {

// One of the emulator's bitmaps by its resource number (101 is the icon), at
// its own size in device-independent pixels. On screens scaled above 100 %
// it is the version drawn at twice the size (scale 2), so it stays sharp.
QPixmap bitmap(int id);
QPixmap bitmap(int id, int scale);
// 2 when any screen is scaled above 100 %, else 1.
int pictureScale();
// The bitmap drawn at `percent` of its own size, from its larger versions
// (twice and three times its size), so that a zoomed window's pictures stay
// sharp.
QPixmap zoomedBitmap(int id, int percent);

// Shows bitmap `id` on `label` at the zoom of the label's window; the label
// keeps the number, for redrawBitmaps.
void showBitmap(QLabel* label, int id);
// Every bitmap of `window` drawn again at the window's zoom.
void redrawBitmaps(QWidget* window);

// The datapath drawing among the resources, ready to be opened: read left to
// right, or stacked top to bottom for a narrow window, with the same ids.
QString datapathDrawingPath(bool portrait = false);

// Icon 101 at both scales, for every window.
const QIcon& programIcon();

// A bitmap shown at its own size. The mouse passes through it to the window
// below, which does the hover and click handling.
QLabel* createPicture(QWidget* parent, QPoint at, int id);

// A picture that works as a button from the keyboard too: Tab reaches it, a
// frame shows the focus, Space or Return activates it, and a screen reader
// reads it as a button by its name. The mouse still passes through it to the
// window below, which does the hover and click handling as before.
class PictureButton : public QLabel {
    Q_OBJECT

public:
    PictureButton(QWidget* parent, QPoint at, int id, const QString& name);

signals:
    void activated();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// A picture button as a screen reader sees it: a button that can be pressed.
QAccessibleInterface* accessiblePictureButton(PictureButton* button);

} // namespace mox::ui
