// The emulator's windows on a screen scaled to 200 %: every picture is the one
// drawn at twice the size, shown pixel for pixel at the size and place it has
// at 100 %.
#include "address_box.h"
#include "emulator_windows.h"
#include "execution_window.h"
#include "fake_dialogs.h"
#include "main_window.h"
#include "memory_map_window.h"
#include "pictures.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

using namespace mox;
using namespace mox::ui;

class HiDpiTest : public QObject {
    Q_OBJECT

private slots:
    void picturesAreDrawnForTheScale() {
        QCOMPARE(qApp->devicePixelRatio(), 2.0);
        FakeDialogs dialogs;
        EmulatorWindows windows(dialogs);
        int pictures = 0;
        for (Window w : {Window::Main, Window::About, Window::Execution, Window::MemoryMap,
                         Window::Instruction}) {
            QWidget* window = windows.window(w);
            QCOMPARE(window->windowIcon().pixmap(QSize(32, 32), 2.0).size(), QSize(64, 64));
            for (QLabel* label : window->findChildren<QLabel*>()) {
                const QPixmap shown = label->pixmap();
                if (shown.isNull()) {
                    continue;
                }
                ++pictures;
                QCOMPARE(shown.devicePixelRatio(), 2.0);
                QCOMPARE(shown.size(), label->contentsRect().size() * 2);
            }
        }
        // Backdrops of four windows, Run, About picture, Up and Down.
        QCOMPARE(pictures, 7);
        // The sizes are those of the 100 % pictures.
        QCOMPARE(windows.mainWindow().runPicture()->size(), bitmap(104, 1).size());
        QCOMPARE(windows.memoryMapWindow().upPicture()->size(), bitmap(111, 1).size());

        // On screen, the backdrop is the 2x drawing itself, not the 1x one blown up.
        MainWindow& main = windows.mainWindow();
        const QImage screen =
            main.clientArea()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRect area(0, 0, 2 * main.clientArea()->width(), 2 * 90);
        const QImage drawn = bitmap(102, 2).toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(screen.copy(area), drawn.copy(area));
    }
};

int main(int argc, char** argv) {
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    HiDpiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "hidpi_test.moc"
#include "window_frame.h"
