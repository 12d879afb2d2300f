// Renders the editor to PNGs with real contents: the README's picture (a
// program with two errors marked), and the student guide's (guide-*): its
// program with a typo after Next Error, which puts the assembler's message
// in the status bar, and the mended program with the Assemble menu open; then
// Build and Run's status bar, on the typo and on the mended program handed to
// an emulator.
//   mox_editor_screenshots <folder>
#include "editor_window.h"
#include "handoff.h"
#include "screenshot.h"
#include "tool_main.h"

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <Qsci/qsciscintilla.h>
#include <cstdio>

namespace {

// A fresh window holding `text`, checked at once rather than after the pause.
void show(mox::EditorWindow& view, const char* text) {
    view.show();
    view.editBox()->setText(QString::fromUtf8(text));
    view.checkNow();
}

const char* readmeProgram = "; sum of two numbers, kept in memory\n"
                            "load ax, 1f        ; the first number\n"
                            "load bx, 2a\n"
                            "add ax, bx\n"
                            "store ax, 10       ; memory[10] = ax\n"
                            "lod cx, 3          ; a typo\n"
                            "inc cx\n"
                            "mov dx, 5          ; dx = 5?\n"
                            "halt\n";

// The guide's program, first with a comma missing on line 3.
const char* guideTypo = "; first.asm - my first program\n"
                        "load ax, 07     ; ax = 7\n"
                        "load bx 05      ; bx = 5\n"
                        "add ax, bx      ; ax = ax + bx = 12 (0c)\n"
                        "store ax, 05    ; cell 05 = ax\n"
                        "halt            ; every program needs a halt\n";
const char* guideProgram = "; first.asm - my first program\n"
                           "load ax, 07     ; ax = 7\n"
                           "load bx, 05     ; bx = 5\n"
                           "add ax, bx      ; ax = ax + bx = 12 (0c)\n"
                           "store ax, 05    ; cell 05 = ax\n"
                           "halt            ; every program needs a halt\n";

} // namespace

int main(int argc, char** argv) {
    preferOffscreen();
    QApplication app(argc, argv);
    const QString out = outputFolder(argc, argv, "mox_editor_screenshots");
    if (out.isEmpty()) {
        return 2;
    }
    // The pictures show the editor at its own zoom, not at the user's.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());

    mox::EditorWindow readme;
    show(readme, readmeProgram);
    readme.editBox()->setCursorPosition(3, 7);
    // With a zoom in percent, only the editor zoomed, named zoom<percent>-editor;
    // with dark or high-contrast, the error-marked program in that look.
    if (argc > 2) {
        const QString how = QString::fromLocal8Bit(argv[2]);
        if (how == QLatin1String("dark") || how == QLatin1String("high-contrast")) {
            mox::EditorWindow::windowTheme().choose(how == QLatin1String("dark")
                                                        ? mox::desktop::ThemeChoice::Dark
                                                        : mox::desktop::ThemeChoice::HighContrast);
            show(readme, guideTypo);
            readme.commandAction(mox::cmdNextError)->trigger();
            QApplication::processEvents();
            return savePicture(readme.grab(), out, how + QStringLiteral("-editor")) ? 0 : 1;
        }
        const int percent = how.toInt();
        mox::EditorWindow::windowZoom().setPercent(percent);
        QApplication::processEvents();
        return savePicture(readme.grab(), out, QStringLiteral("zoom%1-editor").arg(percent)) ? 0
                                                                                             : 1;
    }
    bool ok = savePicture(readme.grab(), out, "editor");

    mox::EditorWindow typo;
    show(typo, guideTypo);
    typo.commandAction(mox::cmdNextError)->trigger();
    // The status bar lays its message out on the event loop's next pass.
    QApplication::processEvents();
    ok = savePicture(typo.grab(), out, "guide-editor-error") && ok;

    mox::EditorWindow mended;
    show(mended, guideProgram);
    mended.editBox()->setCursorPosition(5, 4);
    ok = savePicture(grabWithMenu(mended, "&Assemble", "Build"), out, "guide-editor-build") && ok;

    // Build and Run writes beside the source and hands the program to this
    // stand-in for the emulator.
    // The stand-in answers on a thread of its own, as an emulator in
    // another process would, so Build and Run does not wait for it in vain.
    QTemporaryDir work;
    QThread emulatorThread;
    auto* emulator = new mox::ProgramReceiver;
    emulator->moveToThread(&emulatorThread);
    emulatorThread.start();
    QMetaObject::invokeMethod(
        emulator, [&] { emulator->claim(work.filePath("emulator")); },
        Qt::BlockingQueuedConnection);
    mox::EditorWindow run;
    run.setHandoffName(work.filePath("emulator"));
    run.openArgument(work.filePath("first.asm"));
    show(run, guideTypo);
    run.buildAndRun();
    QApplication::processEvents();
    ok = savePicture(run.grab(), out, "editor-build-and-run-error") && ok;
    run.editBox()->setText(QString::fromUtf8(guideProgram));
    run.checkNow();
    run.buildAndRun();
    QApplication::processEvents();
    ok = savePicture(run.grab(), out, "editor-build-and-run") && ok;
    QMetaObject::invokeMethod(
        emulator, [&] { delete emulator; }, Qt::BlockingQueuedConnection);
    emulatorThread.quit();
    emulatorThread.wait();
    return ok ? 0 : 1;
}
