// The emulator's windows over fake dialogs, as the window tests drive them:
// a new set for every test, and programs written to a folder of its own.
#pragma once

#include "emulator_windows.h"
#include "execution_window.h"
#include "fake_dialogs.h"
#include "main_window.h"
#include "memory_map_window.h"

#include <QAccessible>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>

class WindowsFixture {
protected:
    FakeDialogs dialogs;
    std::unique_ptr<mox::ui::EmulatorWindows> windows;
    QTemporaryDir temp;

    // A new set of windows, as at start-up, with no dialog answered yet;
    // `listening` as when a screen reader has started.
    void openWindows(bool listening = false) {
        windows.reset();
        dialogs = FakeDialogs();
        windows = std::make_unique<mox::ui::EmulatorWindows>(dialogs);
        QAccessible::setActive(listening);
    }
    void closeWindows() {
        QAccessible::setActive(false);
        windows.reset();
    }

    mox::ui::ExecutionWindow& execution() { return windows->executionWindow(); }
    mox::ui::MemoryMapWindow& memoryMap() { return windows->memoryMapWindow(); }
    mox::Cpu& cpu() { return windows->machine().cpu; }

    // `text` in the test's folder under `name`; a new name for every call
    // when none is given, so a Reload reads what was written last.
    QString writeFile(const QByteArray& text, QString name = {}) {
        static int count = 0;
        if (name.isEmpty()) {
            name = QStringLiteral("p%1.8xe").arg(++count);
        }
        QFile file(temp.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
            qFatal("cannot write %s", qPrintable(name));
        }
        return file.fileName();
    }

    // "Run .8xe File" on a new file of `text`, after choosing `mode` in the
    // Mode menu when one is given.
    void load(const QByteArray& text, std::optional<mox::ExecutionMode> mode = std::nullopt) {
        if (mode) {
            windows->mainWindow().onMainCommand(mode == mox::ExecutionMode::StepByStep
                                                    ? mox::ui::StepByStepCommand
                                                    : mox::ui::FullExecutionCommand);
        }
        dialogs.answers.push_back(writeFile(text));
        windows->runCommand();
    }

    void activate(QWidget* window) {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }
};
