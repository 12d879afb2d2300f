// The emulator's five windows around its one machine: creates them, shows the
// main window, and shows what each action on the machine came to.
#pragma once

#include "emulator.h"
#include "format.h"
#include "highlights.h"

#include <QString>
#include <QStringList>
#include <memory>

class QSettings;
class QWidget;

namespace mox::desktop {
class ThemeController;
class ZoomController;
} // namespace mox::desktop

namespace mox::ui {

class AboutWindow;
class DatapathFollower;
class DatapathWindow;
class Dialogs;
class ExecutionWindow;
class InstructionWindow;
class MainWindow;
class MemoryMapWindow;

// The emulator's five top-level windows, by role.
enum class Window { Main, About, Execution, MemoryMap, Instruction };

class EmulatorWindows {
public:
    explicit EmulatorWindows(Dialogs& dialogs);
    ~EmulatorWindows();
    EmulatorWindows(const EmulatorWindows&) = delete;
    EmulatorWindows& operator=(const EmulatorWindows&) = delete;

    Emulator& machine() { return emulator; }
    Base base() const { return shownBase; }

    MainWindow& mainWindow() const { return *main; }
    AboutWindow& aboutWindow() const { return *about; }
    ExecutionWindow& executionWindow() const { return *execution; }
    MemoryMapWindow& memoryMapWindow() const { return *memoryMap; }
    InstructionWindow& instructionWindow() const { return *instruction; }
    // The sixth window, beside the five: how the last word ran.
    DatapathWindow& datapathWindow() const { return *datapath; }
    // Ctrl+D in the execution window: shows the datapath window, up to date.
    void showDatapath();
    QWidget* window(Window which) const;
    // Ctrl+=, Ctrl+- and Ctrl+0 in any window zoom all six.
    desktop::ZoomController& zoom() const { return *zoomer; }
    desktop::ThemeController& theme() const { return *themer; }

    // File > "Run .8xe File" and a click on the Run picture.
    void runCommand();
    // Loads a program as "Run .8xe File" does once it is chosen, in the
    // current mode, and brings its windows to the front.
    void loadFile(const std::string& path);
    // A program the editor sent: loaded as soon as no message box waits for
    // an answer, so that no load starts in the middle of another.
    void loadSent(const QString& path);
    // The Step button, and Phase and Play in the datapath window.
    void step();
    // The execution window's Back: the last executed word taken back, or a
    // hint that there is none.
    void back();
    // The datapath window's timeline: Steps or Backs to `word` of the run,
    // shown as one action.
    void moveTo(std::size_t word);
    // The execution window's Reload: the last file again, as if chosen again.
    void reload();
    // `emulator FILE.8xe`: the first argument is loaded once the event loop
    // runs; none starts as ever.
    void openArguments(const QStringList& arguments);
    // The Mode menu's choice and the zoom are read from and kept in
    // `settings`.
    void rememberModeIn(std::unique_ptr<QSettings> settings);
    // What a screen reader was last told a Step or typed word changed.
    const QString& lastAnnouncement() const { return announcement; }
    // "&Shut Down": back to the main window; the machine keeps its state.
    void shutDown();
    // The execution window's listing, with no word marked.
    void setProgramListing(std::string_view text);

private:
    void connectWindows();
    void addThemes();
    // What an action came to, in the windows: each change, the controls,
    // the title and the listing, then each message in a box owned by
    // `owner` (none: no window), then the next word.
    void show(const Outcome& outcome, QWidget* owner = nullptr);
    // A load: the execution and memory map windows in place of the main one.
    void showLoad(const Outcome& outcome);
    void refresh(const Change& change);
    // Full execution: label hidden, Execute on, Step off; step by step the
    // reverse.
    void showControls(ExecutionMode mode);
    void setNextInstructionText(std::string_view text);
    // The datapath window's timeline, from where the machine stands.
    void showTimeline();
    // B in either window.
    void toggleBlank();
    void executeTyped();
    // Rewrites every number display; what is lit stays lit.
    void refreshAll();
    // A full run (a load in full mode, Execute): everything it changes stays
    // lit together, until the next executed word.
    template <class Run> void fullRun(Run&& run);
    // Tells a screen reader what a Step, Back or typed word changed,
    // through the description of the control that did it.
    void announce(const Change& change, QWidget* source);
    void setMode(ExecutionMode mode);
    // The View menu's choice, passed on to every window that shows numbers.
    void setBase(Base base);

    Dialogs& dialogs;
    Emulator emulator;
    Base shownBase = Base::Hexadecimal;
    Highlights lit;
    bool inFullRun = false;
    std::string lastPath;
    QString announcement;
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<MainWindow> main;
    std::unique_ptr<AboutWindow> about;
    std::unique_ptr<ExecutionWindow> execution;
    std::unique_ptr<MemoryMapWindow> memoryMap;
    std::unique_ptr<InstructionWindow> instruction;
    std::unique_ptr<DatapathWindow> datapath;
    std::unique_ptr<DatapathFollower> follower;
    std::unique_ptr<desktop::ZoomController> zoomer;
    std::unique_ptr<desktop::ThemeController> themer;
};

} // namespace mox::ui
