// The MOX77 emulator: load a .8xe program and run it whole or step by step.
#include "dialogs.h"
#include "emulator_windows.h"
#include "main_window.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Only the main window ends the program, whatever else is still shown.
    QApplication::setQuitOnLastWindowClosed(false);
    mox::ui::QtDialogs dialogs;
    mox::ui::EmulatorWindows windows(dialogs);
    QObject::connect(&windows.mainWindow(), &mox::ui::MainWindow::closed, &app,
                     &QApplication::quit);
    return QApplication::exec();
}
