// The MOX77 emulator: load a .8xe program and run it whole or step by step.
#include "dialogs.h"
#include "emulator_windows.h"
#include "handoff.h"
#include "main_window.h"

#include <QApplication>
#include <QSettings>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Where the Mode menu's choice is remembered between runs.
    QApplication::setOrganizationName(QStringLiteral("MOX77"));
    QApplication::setApplicationName(QStringLiteral("emulator"));
    // Only the main window ends the program, whatever else is still shown.
    QApplication::setQuitOnLastWindowClosed(false);
    mox::ui::QtDialogs dialogs;
    mox::ui::EmulatorWindows windows(dialogs);
    QObject::connect(&windows.mainWindow(), &mox::ui::MainWindow::closed, &app,
                     &QApplication::quit);
    windows.rememberModeIn(std::make_unique<QSettings>());
    windows.openArguments(QApplication::arguments().mid(1));
    // The editor's Build and Run sends its programs here; a second emulator
    // on the same display leaves them to the first.
    mox::ProgramReceiver receiver;
    QObject::connect(&receiver, &mox::ProgramReceiver::programReceived, &windows.mainWindow(),
                     [&windows](const QString& path) { windows.loadSent(path); });
    receiver.listen(mox::handoffName());
    return QApplication::exec();
}
