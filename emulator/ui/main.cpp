// The MOX77 emulator: load a .8xe program and run it whole or step by step.
#include "desktop_start.h"
#include "dialogs.h"
#include "emulator_windows.h"
#include "handoff.h"
#include "main_window.h"

#include <QApplication>
#include <QFile>
#include <QSettings>

#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    if (const auto status = mox::answerBeforeWindows(
            argc, argv, "[program.8xe]",
            "Opens the MOX77 emulator, loading the program when one is given. When an emulator\n"
            "of yours already runs on this display, the program is handed to it instead.\n")) {
        return *status;
    }
    // The name says where the Mode menu's choice is remembered between runs.
    const auto app = mox::startApplication(argc, argv, "emulator");
    // Only the main window ends the program, whatever else is still shown.
    QApplication::setQuitOnLastWindowClosed(false);

    // The editor's Build and Run sends its programs to one emulator per user
    // and display. Taken before any window is made, so that an emulator
    // started at the same moment finds it at once and hands its file over.
    const QStringList arguments = QApplication::arguments().mid(1);
    mox::ProgramReceiver receiver;
    const mox::HandoffPlace place = mox::handoffPlace();
    if (place.socket.isEmpty()) {
        std::fprintf(stderr, "%s: Build and Run cannot reach this emulator: %s\n", argv[0],
                     QFile::encodeName(place.problem).constData());
    }
    const mox::Start start = mox::startReceiving(receiver, place.socket, arguments.value(0));
    if (start == mox::Start::HandedOver) {
        return 0;
    }
    mox::ui::QtDialogs dialogs;
    mox::ui::EmulatorWindows windows(dialogs);
    QObject::connect(&windows.mainWindow(), &mox::ui::MainWindow::closed, app.get(),
                     &QApplication::quit);
    windows.rememberModeIn(std::make_unique<QSettings>());
    windows.openArguments(arguments);
    QObject::connect(&receiver, &mox::ProgramReceiver::programReceived, &windows.mainWindow(),
                     [&windows](const QString& path) { windows.loadSent(path); });
    return QApplication::exec();
}
