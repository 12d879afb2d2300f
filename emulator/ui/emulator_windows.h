// The emulator's five windows around its one machine: creates them, shows the
// main window, and is the display through which the machine reaches them.
#pragma once

#include "display.h"
#include "emulator.h"
#include "format.h"
#include "highlights.h"

#include <memory>

class QWidget;

namespace mox::ui {

class AboutWindow;
class Dialogs;
class ExecutionWindow;
class InstructionWindow;
class MainWindow;
class MemoryMapWindow;

class EmulatorWindows : public Display {
public:
    explicit EmulatorWindows(Dialogs& dialogs);
    ~EmulatorWindows() override;

    Emulator& machine() { return emulator; }
    int viewMode() const { return view; }

    MainWindow& mainWindow() const { return *main; }
    AboutWindow& aboutWindow() const { return *about; }
    ExecutionWindow& executionWindow() const { return *execution; }
    MemoryMapWindow& memoryMapWindow() const { return *memoryMap; }
    InstructionWindow& instructionWindow() const { return *instruction; }
    QWidget* window(Window which) const;

    // File > "Run .8xe File" and a click on the Run picture.
    void runCommand();
    // "&Shut Down": back to the main window; the machine keeps its state.
    void shutDown();

    void refreshDisplays(const Change& change) override;
    void setWindowVisible(Window window, bool visible) override;
    void setExecutionTitle(std::string_view title) override;
    void setProgramListing(std::string_view text) override;
    void setNextInstructionText(std::string_view text) override;
    void setNextInstructionVisible(bool visible) override;
    void setExecuteEnabled(bool enabled) override;
    void setStepEnabled(bool enabled) override;
    void showMessage(std::string_view text, std::string_view caption, Icon icon,
                     std::optional<Window> owner) override;
    std::optional<std::string> chooseProgramFile() override;
    std::string typedInstruction() override;
    void clearTypedInstruction() override;

private:
    void connectWindows();
    // Rewrites every number display; what is lit stays lit.
    void refreshAll();
    // A full run (a load in full mode, Execute): everything it changes stays
    // lit together, until the next executed word.
    template <class Run> void fullRun(Run&& run);

    Dialogs& dialogs;
    Emulator emulator;
    int view = ViewHex;
    Highlights lit;
    bool inFullRun = false;
    std::unique_ptr<MainWindow> main;
    std::unique_ptr<AboutWindow> about;
    std::unique_ptr<ExecutionWindow> execution;
    std::unique_ptr<MemoryMapWindow> memoryMap;
    std::unique_ptr<InstructionWindow> instruction;
};

} // namespace mox::ui
