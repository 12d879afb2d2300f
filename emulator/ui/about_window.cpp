#include "about_window.h"

#include "pictures.h"
#include "window_frame.h"

#include <QCloseEvent>
#include <QMouseEvent>

namespace mox::ui {

AboutWindow::AboutWindow() {
    setUpTopLevel(this, "CPUABT", QStringLiteral("About this software"), QSize(300, 320));
    QLabel* picture = createPicture(this, QPoint(0, 0), 107);
    picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picture->setLineWidth(1);
    picture->resize(picture->size() + QSize(2, 2));
    // What the picture says, for those who cannot see it.
    picture->setAccessibleName(QStringLiteral("MOX77 Simple Emulator"));
    picture->setAccessibleDescription(
        QStringLiteral("A register machine for learning how a computer runs machine code: 16 "
                       "registers, 256 cells, 15 instructions. zerlant, emulator, editor. Click or "
                       "press a key to close."));
    setAccessibleDescription(picture->accessibleDescription());
    setFocusPolicy(Qt::StrongFocus);
}

void AboutWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) {
        hide();
    }
}

void AboutWindow::keyPressEvent(QKeyEvent*) {
    hide();
}

void AboutWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
}

} // namespace mox::ui
