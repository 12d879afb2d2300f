// Every top-level window of the emulator, for tests that walk them all.
#pragma once

#include "datapath_window.h"
#include "emulator_windows.h"

#include <QList>
#include <QWidget>

inline QList<QWidget*> emulatorWindows(const mox::ui::EmulatorWindows& windows) {
    using mox::ui::Window;
    QList<QWidget*> all;
    for (Window which :
         {Window::Main, Window::About, Window::Execution, Window::MemoryMap, Window::Instruction}) {
        all.push_back(windows.window(which));
    }
    all.push_back(&windows.datapathWindow());
    return all;
}
