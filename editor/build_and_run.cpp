// The Assemble menu: Build in a terminal, and Build and Run, which assembles
// in place and hands the program to the emulator.
#include "editor_window.h"

#include "build.h"
#include "editor_window_parts.h"
#include "handoff.h"
#include "platform.h"

#include <QFileInfo>
#include <QStatusBar>

#include <algorithm>

namespace mox {

using namespace editor_window;

namespace {

struct Terminal {
    const char* program;
    const char* runOption; // what comes before the command to run
};

// Each of these runs the command after its option directly, without a shell.
constexpr Terminal terminals[] = {
    {"x-terminal-emulator", "-e"},
    {"xterm", "-e"},
    {"gnome-terminal", "--"},
    {"konsole", "-e"},
};

// xterm and its wrappers, which pass xterm's options on.
bool isXterm(const QString& name) {
    return name == QLatin1String("xterm") || name == QLatin1String("uxterm") ||
           name == QLatin1String("lxterm");
}

} // namespace

void EditorWindow::buildProgram() {
    // The assembler starts whatever the save did: after a cancelled Save As it
    // is handed "Untitled.asm", and a failed write has already been reported.
    save();
    QString assembler = starter_->findProgram(QStringLiteral("zerlant"), {programDir_});
    if (assembler.isEmpty())
        assembler = starter_->findProgram(QStringLiteral("zerlant"), {});
    if (assembler.isEmpty()) {
        dialogs_->warn(QStringLiteral("Build"),
                       QStringLiteral("Cannot find the assembler zerlant beside the editor or on "
                                      "the PATH."));
        return;
    }
    for (const Terminal& terminal : terminals) {
        const QString program = starter_->findProgram(QString::fromLatin1(terminal.program), {});
        if (program.isEmpty())
            continue;
        QStringList arguments;
        // A long list of errors stays readable in a named window that scrolls back.
        if (isXterm(starter_->realProgramName(program)))
            arguments << QStringLiteral("-T")
                      << QStringLiteral("zerlant - ") + QFileInfo(fileName_).fileName()
                      << QStringLiteral("-sb") << QStringLiteral("-sl") << QStringLiteral("1000");
        // The path goes as one argument, never through a shell.
        arguments << QString::fromLatin1(terminal.runOption) << assembler << fileName_;
        if (!starter_->startDetached(program, arguments))
            dialogs_->warn(QStringLiteral("Build"), QStringLiteral("Could not start ") + program);
        return;
    }
    dialogs_->warn(QStringLiteral("Build"),
                   QStringLiteral("Cannot find a terminal to run the assembler in (looked for "
                                  "x-terminal-emulator, xterm, gnome-terminal and konsole)."));
}

void EditorWindow::buildAndRun() {
    // Nothing is assembled that is not on disk as shown.
    if (save() != SaveResult::Saved)
        return;
    const BuildResult result = buildFile(localPath(fileName_));
    if (!result.problem.empty()) {
        statusBar()->showMessage(QString::fromLocal8Bit(result.problem));
        return;
    }
    if (!result.errors.empty()) {
        const SourceError& first = result.errors.front();
        const int lastLine = std::max(editBox_->lines() - 1, 0);
        showBuildError(first.line < 0 ? lastLine : int(first.line),
                       QString::fromStdString(first.consoleLine));
        return;
    }
    runInEmulator(QFile::decodeName(QByteArray::fromStdString(result.outputName)));
}

void EditorWindow::showBuildError(int line, const QString& text) {
    moveToLine(*editBox_, line);
    // Stays while the cursor is on the line, as a jump to an error does.
    messageLine_ = line;
    statusBar()->showMessage(text);
}

void EditorWindow::setProgramPath(const QString& path) {
    const QFileInfo info(path);
    programDir_ = info.path();
    programName_ = info.fileName();
}

QString EditorWindow::findEmulator() const {
    // The package installs the pair as mox77-editor and mox77-emulator, the
    // build as editor and emulator. A bare `emulator` anywhere else, or
    // beside a packaged editor in /usr/bin, may be any program at all.
    const QString beside = programName_.startsWith(QStringLiteral("mox77-"))
                               ? QStringLiteral("mox77-emulator")
                               : QStringLiteral("emulator");
    QString emulator = starter_->findProgram(beside, {programDir_});
    if (emulator.isEmpty())
        emulator = starter_->findProgram(QStringLiteral("mox77-emulator"), {});
    return emulator;
}

void EditorWindow::runInEmulator(const QString& program) {
    const QString name = QFileInfo(program).fileName();
    bool silent = false;
    if (!handoff_.socket.isEmpty()) {
        const HandOff handed = handOff(handoff_.socket, program);
        if (handed == HandOff::Delivered) {
            statusBar()->showMessage(
                QStringLiteral("Built %1 and sent it to the emulator").arg(name));
            return;
        }
        silent = handed == HandOff::NoAnswer;
    }
    const QString emulator = findEmulator();
    if (emulator.isEmpty()) {
        statusBar()->showMessage(
            QStringLiteral("Built %1; cannot find the emulator beside the editor or on the PATH")
                .arg(name));
        return;
    }
    if (!starter_->startDetached(emulator, {program})) {
        statusBar()->showMessage(
            QStringLiteral("Built %1; could not start %2").arg(name, emulator));
        return;
    }
    if (silent)
        statusBar()->showMessage(
            QStringLiteral(
                "Built %1; the running emulator did not answer, so a new one was started")
                .arg(name));
    else if (handoff_.socket.isEmpty())
        statusBar()->showMessage(
            QStringLiteral("Built %1 and started the emulator (no hand-over: %2)")
                .arg(name, handoff_.problem));
    else
        statusBar()->showMessage(QStringLiteral("Built %1 and started the emulator").arg(name));
}

} // namespace mox
