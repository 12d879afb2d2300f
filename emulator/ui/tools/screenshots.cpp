// Renders each of the emulator's windows to a PNG, with a small program loaded
// in step mode and stepped, so the pictures show real contents: the Memory
// Map after a Step that stored into a cell, the execution window after the
// next Step, which changed a register, each with what changed lit. On a
// scaled screen (QT_SCALE_FACTOR=2) the names end in @2x.
//   mox_screenshots <folder>
#include "about_window.h"
#include "dialogs.h"
#include "emulator_windows.h"
#include "execution_window.h"
#include "instruction_window.h"
#include "main_window.h"
#include "memory_map_window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {

class QuietDialogs : public mox::ui::Dialogs {
public:
    explicit QuietDialogs(QString path) : path(std::move(path)) {}
    void message(QWidget*, const QString&, const QString&, mox::Icon) override {}
    std::optional<QString> openProgramFile() override { return path; }

private:
    QString path;
};

bool save(QWidget& window, const QString& folder, const QString& name) {
    const QString suffix = qApp->devicePixelRatio() > 1.0 ? "@2x.png" : ".png";
    const QString file = QDir(folder).filePath(name + suffix);
    if (!window.grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: mox_screenshots <folder>\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);

    QTemporaryDir temp;
    const QString program = temp.filePath("demo.8xe");
    QFile file(program);
    if (!file.open(QIODevice::WriteOnly) || file.write("20ff300590012a7f5ab0c0a1f000") < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(program));
        return 1;
    }
    file.close();

    QuietDialogs dialogs(program);
    mox::ui::EmulatorWindows windows(dialogs);
    bool ok = save(windows.mainWindow(), out, "main");
    windows.mainWindow().setRunPictureHighlight(1);
    ok = save(windows.mainWindow(), out, "main-run-lit") && ok;

    windows.mainWindow().onMainCommand(mox::ui::StepByStepCommand);
    windows.runCommand();
    // load ax, ff; store ax, 05
    windows.machine().stepInstruction();
    windows.machine().stepInstruction();
    ok = save(windows.memoryMapWindow(), out, "memory-map") && ok;
    // inc bx
    windows.machine().stepInstruction();
    ok = save(windows.executionWindow(), out, "execution") && ok;

    windows.instructionWindow().field()->setText("2aff");
    windows.instructionWindow().show();
    ok = save(windows.instructionWindow(), out, "execute-instruction") && ok;
    windows.aboutWindow().show();
    ok = save(windows.aboutWindow(), out, "about") && ok;
    return ok ? 0 : 1;
}
