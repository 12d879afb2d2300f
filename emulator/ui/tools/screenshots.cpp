// Renders each of the emulator's windows to a PNG, with a small program loaded
// in step mode and stepped, so the pictures show real contents: the Memory
// Map after a Step that stored into a cell, the execution window after the
// next Step, which changed a register, each with what changed lit. Then the
// student guide's pictures (guide-*), made with the guide's own program: the
// Mode menu open, a Step that changed a register, and the Memory Map in
// binary after a store. Then the keyboard's pictures: each window with the
// focus frame on a control, and Back, with what it brought back lit and its
// hint when nothing is left. Then the datapath window at 1024 x 600: after
// a Step, one phase into the next word (with the focus frame on Phase), and
// on a dark desktop; at its smallest, moved along the timeline, and blanked.
// On a scaled screen (QT_SCALE_FACTOR=2) the names end in @2x. With a zoom
// in percent, only each window zoomed, named zoom<percent>-<window>.
//   mox_screenshots <folder> [zoom]
#include "about_window.h"
#include "address_box.h"
#include "datapath_window.h"
#include "dialogs.h"
#include "emulator_windows.h"
#include "execution_window.h"
#include "instruction_window.h"
#include "main_window.h"
#include "memory_map_window.h"
#include "pictures.h"
#include "screenshot.h"
#include "theme.h"
#include "tool_main.h"
#include "window_frame.h"
#include "zoom.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
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
    return savePicture(window.grab(), folder, name);
}

bool writeProgram(const QString& path, const char* words) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(words) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// The program the guide writes, builds and steps, assembled:
//   load ax, 07 / load bx, 05 / add ax, bx / store ax, 05 / halt
bool guidePictures(const QString& folder, const QString& program) {
    if (!writeProgram(program, "2007210550013005f000")) {
        return false;
    }
    QuietDialogs dialogs(program);
    mox::ui::EmulatorWindows windows(dialogs);
    bool ok = savePicture(grabWithMenu(windows.mainWindow(), "Mode", "Step By Step Exeuction"),
                          folder, "guide-mode-menu");
    windows.mainWindow().onMainCommand(mox::ui::StepByStepCommand);
    windows.runCommand();
    // load ax, 07; load bx, 05; add ax, bx
    for (int i = 0; i < 3; ++i) {
        windows.step();
    }
    ok = save(windows.executionWindow(), folder, "guide-step") && ok;
    // store ax, 05
    windows.step();
    windows.memoryMapWindow().memoryMapCommand(mox::ui::ViewBinaryCommand);
    return save(windows.memoryMapWindow(), folder, "guide-memory-binary") && ok;
}

// The window active and `control` given the focus as Tab gives it, so that
// its frame shows.
void focusByKeyboard(QWidget& window, QWidget* control) {
    window.activateWindow();
    for (int i = 0; i < 100 && !window.isActiveWindow(); ++i) {
        QApplication::processEvents();
    }
    // Taken and given again: a control that has the focus already gets no
    // new focus event.
    control->clearFocus();
    control->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
}

// The window with the tooltip on show laid over it where it stands.
QPixmap grabWithTip(QWidget& window) {
    QPixmap shot = window.grab();
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->inherits("QTipLabel") && top->isVisible()) {
            QPainter painter(&shot);
            painter.drawPixmap(window.mapFromGlobal(top->pos()), top->grab());
        }
    }
    return shot;
}

bool keyboardPictures(const QString& folder, const QString& program) {
    if (!writeProgram(program, "2007210550013005f000")) {
        return false;
    }
    QuietDialogs dialogs(program);
    mox::ui::EmulatorWindows windows(dialogs);
    focusByKeyboard(windows.mainWindow(), windows.mainWindow().runPicture());
    bool ok = save(windows.mainWindow(), folder, "main-focus");

    windows.mainWindow().onMainCommand(mox::ui::StepByStepCommand);
    windows.runCommand();
    mox::ui::ExecutionWindow& execution = windows.executionWindow();
    focusByKeyboard(execution, execution.button("Step"));
    ok = save(execution, folder, "execution-focus") && ok;
    mox::ui::MemoryMapWindow& memoryMap = windows.memoryMapWindow();
    focusByKeyboard(memoryMap, memoryMap.downPicture());
    ok = save(memoryMap, folder, "memory-map-focus") && ok;

    // load ax, 07; load bx, 05; add ax, bx; then the add taken back.
    for (int i = 0; i < 3; ++i) {
        windows.step();
    }
    windows.back();
    ok = save(execution, folder, "execution-back") && ok;
    // Where the offscreen screen holds the whole window, so that the hint is
    // not pushed aside to fit on it.
    execution.move(0, 0);
    windows.back();
    windows.back();
    windows.back();
    ok = savePicture(grabWithTip(execution), folder, "execution-back-nothing-left") && ok;
    return ok;
}

// The guide's program loaded step by step, with its Datapath window shown.
struct GuideRun {
    explicit GuideRun(const QString& program) : dialogs(program), windows(dialogs) {
        windows.mainWindow().onMainCommand(mox::ui::StepByStepCommand);
        windows.runCommand();
        windows.showDatapath();
    }
    QuietDialogs dialogs;
    mox::ui::EmulatorWindows windows;
};

// The guide's program: after its add, then the store walked to its read
// phase, then the same on a dark desktop.
bool datapathPictures(const QString& folder, const QString& program) {
    if (!writeProgram(program, "2007210550013005f000")) {
        return false;
    }
    GuideRun run(program);
    mox::ui::EmulatorWindows& windows = run.windows;
    mox::ui::DatapathWindow& datapath = windows.datapathWindow();
    datapath.resize(1024, 600);
    // load ax, 07; load bx, 05; add ax, bx
    for (int i = 0; i < 3; ++i) {
        windows.step();
    }
    QApplication::processEvents();
    bool ok = save(datapath, folder, "datapath");
    // store ax, 05: fetch, decode, read
    for (int i = 0; i < 3; ++i) {
        emit datapath.phaseRequested();
    }
    ok = save(datapath, folder, "datapath-phase") && ok;
    focusByKeyboard(datapath, datapath.button("Phase"));
    ok = save(datapath, folder, "datapath-focus") && ok;
    windows.step();
    windows.theme().choose(mox::desktop::ThemeChoice::Dark);
    QApplication::processEvents();
    ok = save(datapath, folder, "datapath-dark") && ok;
    windows.theme().choose(mox::desktop::ThemeChoice::Light);
    return ok;
}

// The guide's program moved along the timeline at the window's smallest
// size, with the focus frame on the timeline; then the drawing blanked.
bool presenterPictures(const QString& folder, const QString& program) {
    if (!writeProgram(program, "2007210550013005f000")) {
        return false;
    }
    GuideRun run(program);
    mox::ui::EmulatorWindows& windows = run.windows;
    mox::ui::DatapathWindow& datapath = windows.datapathWindow();
    datapath.resize(datapath.minimumSize());
    // add ax, bx
    datapath.timelineSlider()->setValue(3);
    focusByKeyboard(datapath, datapath.timelineSlider());
    bool ok = save(datapath, folder, "datapath-small");
    datapath.resize(datapath.minimumWidth(), 1000);
    QApplication::processEvents();
    ok = save(datapath, folder, "datapath-narrow") && ok;
    datapath.resize(1024, 600);
    datapath.setBlanked(true);
    QApplication::processEvents();
    return save(datapath, folder, "datapath-blank") && ok;
}

} // namespace

int main(int argc, char** argv) {
    preferOffscreen();
    QApplication app(argc, argv);
    const QString out = outputFolder(argc, argv, "mox_screenshots");
    if (out.isEmpty()) {
        return 2;
    }

    QTemporaryDir temp;
    const QString program = temp.filePath("demo.8xe");
    if (!writeProgram(program, "20ff300590012a7f5ab0c0a1f000")) {
        return 1;
    }

    QuietDialogs dialogs(program);
    mox::ui::EmulatorWindows windows(dialogs);
    // mox_screenshots OUT PERCENT|dark|high-contrast: every window at that
    // zoom or in that look, the run two words in.
    if (argc > 2) {
        const QString how = QString::fromLocal8Bit(argv[2]);
        QString prefix = QStringLiteral("zoom%1-").arg(how);
        if (how == QLatin1String("dark") || how == QLatin1String("high-contrast")) {
            windows.theme().choose(how == QLatin1String("dark")
                                       ? mox::desktop::ThemeChoice::Dark
                                       : mox::desktop::ThemeChoice::HighContrast);
            prefix = how + QLatin1Char('-');
        } else {
            windows.zoom().setPercent(how.toInt());
        }
        windows.mainWindow().onMainCommand(mox::ui::StepByStepCommand);
        windows.runCommand();
        windows.step();
        windows.step();
        windows.instructionWindow().show();
        windows.aboutWindow().show();
        windows.showDatapath();
        QApplication::processEvents();
        bool shot = true;
        for (QWidget* window : {static_cast<QWidget*>(&windows.mainWindow()),
                                static_cast<QWidget*>(&windows.executionWindow()),
                                static_cast<QWidget*>(&windows.memoryMapWindow()),
                                static_cast<QWidget*>(&windows.instructionWindow()),
                                static_cast<QWidget*>(&windows.aboutWindow()),
                                static_cast<QWidget*>(&windows.datapathWindow())}) {
            shot = save(*window, out, prefix + window->objectName()) && shot;
        }
        return shot ? 0 : 1;
    }
    bool ok = save(windows.mainWindow(), out, "main");
    windows.mainWindow().setRunPictureHighlight(1);
    ok = save(windows.mainWindow(), out, "main-run-lit") && ok;

    windows.mainWindow().onMainCommand(mox::ui::StepByStepCommand);
    windows.runCommand();
    // load ax, ff; store ax, 05
    windows.step();
    windows.step();
    ok = save(windows.memoryMapWindow(), out, "memory-map") && ok;
    // inc bx
    windows.step();
    ok = save(windows.executionWindow(), out, "execution") && ok;

    windows.instructionWindow().field()->setText("2aff");
    windows.instructionWindow().show();
    ok = save(windows.instructionWindow(), out, "execute-instruction") && ok;
    windows.aboutWindow().show();
    ok = save(windows.aboutWindow(), out, "about") && ok;

    ok = guidePictures(out, temp.filePath("first.8xe")) && ok;
    ok = keyboardPictures(out, temp.filePath("keys.8xe")) && ok;
    ok = datapathPictures(out, temp.filePath("datapath.8xe")) && ok;
    ok = presenterPictures(out, temp.filePath("presenter.8xe")) && ok;
    return ok ? 0 : 1;
}
