// Renders each of the emulator's windows to a PNG, with a small program loaded
// in step mode and stepped twice, so the pictures show real contents.
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
    const QString file = QDir(folder).filePath(name + ".png");
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
    if (!file.open(QIODevice::WriteOnly) || file.write("20ff9001300131012a7f5ab0c0a1f000") < 0) {
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
    for (int i = 0; i < 4; ++i) {
        windows.machine().stepInstruction();
    }
    ok = save(windows.executionWindow(), out, "execution") && ok;
    ok = save(windows.memoryMapWindow(), out, "memory-map") && ok;

    windows.instructionWindow().field()->setText("2aff");
    windows.instructionWindow().show();
    ok = save(windows.instructionWindow(), out, "execute-instruction") && ok;
    windows.aboutWindow().show();
    ok = save(windows.aboutWindow(), out, "about") && ok;
    return ok ? 0 : 1;
}
