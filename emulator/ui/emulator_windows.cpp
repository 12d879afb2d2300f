#include "emulator_windows.h"

#include "about_window.h"
#include "datapath_follower.h"
#include "datapath_window.h"
#include "dialogs.h"
#include "disassemble.h"
#include "execution_window.h"
#include "format.h"
#include "instruction_window.h"
#include "main_window.h"
#include "memory_map_window.h"
#include "pictures.h"
#include "theme.h"
#include "window_frame.h"
#include "zoom.h"

#include "files.h"
#include "instruction_set.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QStringList>
#include <QTimer>
#include <algorithm>

namespace mox::ui {

namespace {

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

const QString modeKey = QStringLiteral("mode");

// "ax: was 0, now ff", "cell 05: was 0, now ff", in the shown base.
QString describeChange(const Change& change, Base base) {
    QString where;
    switch (change.where) {
    case Change::Where::Nothing:
        return QStringLiteral("nothing changed");
    case Change::Where::Register:
        where = QLatin1String(registerNames[static_cast<std::size_t>(change.index & 15)]);
        break;
    case Change::Where::Memory:
        where = QStringLiteral("cell %1").arg(change.index, 2, 16, QLatin1Char('0'));
        break;
    }
    return QStringLiteral("%1: was %2, now %3")
        .arg(where, toQString(formatNumber(change.before, base)),
             toQString(formatNumber(change.after, base)));
}

} // namespace

EmulatorWindows::EmulatorWindows(Dialogs& dialogs_)
    : dialogs(dialogs_), main(std::make_unique<MainWindow>()),
      about(std::make_unique<AboutWindow>()),
      execution(std::make_unique<ExecutionWindow>(emulator.cpu.registers, lit)),
      memoryMap(std::make_unique<MemoryMapWindow>(emulator.cpu.memory, lit)),
      instruction(std::make_unique<InstructionWindow>()),
      datapath(std::make_unique<DatapathWindow>()),
      follower(std::make_unique<DatapathFollower>(emulator, *datapath, [this] { step(); })),
      zoomer(std::make_unique<desktop::ZoomController>()),
      themer(std::make_unique<desktop::ThemeController>()) {
    connectWindows();
    // The main window's menu bar shows no more titles than it always had.
    zoomer->add(main.get(), findMenu(main.get(), QStringLiteral("Help")),
                [this] { redrawBitmaps(main.get()); });
    zoomer->add(memoryMap.get(), findMenu(memoryMap.get(), QStringLiteral("View")),
                [this] { redrawBitmaps(memoryMap.get()); });
    zoomer->add(execution.get(), nullptr, [this] { redrawBitmaps(execution.get()); });
    zoomer->add(about.get(), nullptr, [this] { redrawBitmaps(about.get()); });
    zoomer->add(instruction.get());
    zoomer->add(datapath.get());
    addThemes();
    setBase(shownBase);
    main->show();
    setProgramListing("");
}

EmulatorWindows::~EmulatorWindows() = default;

void EmulatorWindows::addThemes() {
    // Beside the zoom entries, in the same two menus.
    themer->add(main.get(), findMenu(main.get(), QStringLiteral("Help")),
                [this] { restyle(main.get()); });
    themer->add(memoryMap.get(), findMenu(memoryMap.get(), QStringLiteral("View")),
                [this] { restyle(memoryMap.get()); });
    themer->add(execution.get(), nullptr, [this] {
        restyle(execution.get());
        execution->applyColours();
    });
    for (QWidget* window :
         std::initializer_list<QWidget*>{about.get(), instruction.get(), datapath.get()}) {
        themer->add(window, nullptr, [window] { restyle(window); });
    }
    // The desktop's own look until the user picks one.
    themer->choose(themer->choice());
}

void EmulatorWindows::connectWindows() {
    QObject::connect(main.get(), &MainWindow::runRequested, main.get(), [this] { runCommand(); });
    QObject::connect(main.get(), &MainWindow::modeChosen, main.get(), [this](ExecutionMode mode) {
        emulator.executionMode = mode;
        if (settings) {
            settings->setValue(modeKey, static_cast<int>(mode));
        }
        showTimeline();
    });
    QObject::connect(main.get(), &MainWindow::aboutRequested, about.get(), &QWidget::show);

    QObject::connect(execution.get(), &ExecutionWindow::executeClicked, execution.get(), [this] {
        fullRun([this] { show(emulator.runText(execution->programListingText().toStdString())); });
    });
    QObject::connect(execution.get(), &ExecutionWindow::stepClicked, execution.get(),
                     [this] { step(); });
    QObject::connect(execution.get(), &ExecutionWindow::instructionClicked, instruction.get(),
                     &QWidget::show);
    QObject::connect(execution.get(), &ExecutionWindow::shutDownClicked, execution.get(),
                     [this] { shutDown(); });
    QObject::connect(execution.get(), &ExecutionWindow::reloadRequested, execution.get(),
                     [this] { reload(); });
    QObject::connect(execution.get(), &ExecutionWindow::datapathRequested, execution.get(),
                     [this] { showDatapath(); });
    QObject::connect(datapath.get(), &DatapathWindow::phaseRequested, datapath.get(),
                     [this] { follower->phase(); });
    QObject::connect(datapath.get(), &DatapathWindow::playTick, datapath.get(),
                     [this] { follower->tick(); });
    QObject::connect(datapath.get(), &DatapathWindow::playingChanged, datapath.get(),
                     [this](bool playing) {
                         if (playing) {
                             follower->startPlay();
                         }
                     });
    QObject::connect(datapath.get(), &DatapathWindow::timelineMoved, datapath.get(),
                     [this](int word) { moveTo(static_cast<std::size_t>(std::max(word, 0))); });
    // The presenter's keys do what Step and Back do; whoever presses them
    // takes over from Play.
    QObject::connect(datapath.get(), &DatapathWindow::stepKeyPressed, datapath.get(), [this] {
        datapath->pause();
        if (execution->button(QStringLiteral("Step"))->isEnabled()) {
            step();
        } else {
            follower->showNoNextWord();
        }
    });
    QObject::connect(datapath.get(), &DatapathWindow::backKeyPressed, datapath.get(), [this] {
        datapath->pause();
        back();
    });
    QObject::connect(datapath.get(), &DatapathWindow::blankKeyPressed, datapath.get(),
                     [this] { toggleBlank(); });
    QObject::connect(execution.get(), &ExecutionWindow::blankRequested, execution.get(), [this] {
        toggleBlank();
        execution->showHint(datapath->isBlanked() ? QStringLiteral("Datapath drawing blanked")
                                                  : QStringLiteral("Datapath drawing shown"));
    });

    // The datapath's numbers follow the base; Clear and Fill forget the
    // words it shows.
    QObject::connect(memoryMap.get(), &MemoryMapWindow::baseChosen, memoryMap.get(),
                     [this](Base base) {
                         setBase(base);
                         refreshAll();
                         follower->follow();
                     });
    // Clear and Fill leave the registers and their texts alone.
    QObject::connect(memoryMap.get(), &MemoryMapWindow::highlightsCleared, execution.get(),
                     &ExecutionWindow::refreshRegisterHighlights);
    QObject::connect(memoryMap.get(), &MemoryMapWindow::clearRequested, memoryMap.get(), [this] {
        emulator.clearMemory();
        follower->follow();
        showTimeline();
    });
    QObject::connect(memoryMap.get(), &MemoryMapWindow::fillRequested, memoryMap.get(), [this] {
        emulator.fillMemory();
        follower->follow();
        showTimeline();
    });
    QObject::connect(execution.get(), &ExecutionWindow::backRequested, execution.get(),
                     [this] { back(); });
    QObject::connect(instruction->field(), &InstructionEdit::executeRequested, instruction->field(),
                     [this] { executeTyped(); });
}

QWidget* EmulatorWindows::window(Window which) const {
    switch (which) {
    case Window::Main:
        return main.get();
    case Window::About:
        return about.get();
    case Window::Execution:
        return execution.get();
    case Window::MemoryMap:
        return memoryMap.get();
    case Window::Instruction:
        return instruction.get();
    }
    return nullptr;
}

void EmulatorWindows::showDatapath() {
    datapath->show();
    follower->follow();
    datapath->raise();
    datapath->activateWindow();
}

void EmulatorWindows::runCommand() {
    if (const auto path = dialogs.openProgramFile()) {
        loadFile(QFile::encodeName(*path).toStdString());
    }
}

void EmulatorWindows::loadFile(const std::string& path) {
    // Play goes through the program it started on, not a new one.
    datapath->pause();
    lastPath = path;
    if (const auto text = readTextFile(path); !text) {
        dialogs.message(nullptr, QStringLiteral("Error:\nCould not read the file"),
                        QStringLiteral("Error!"), Icon::Error);
    } else if (emulator.executionMode == ExecutionMode::FullExecution) {
        fullRun([&] { showLoad(emulator.loadProgram(*text)); });
    } else {
        showLoad(emulator.loadProgram(*text));
    }
    if (!execution->isVisible()) {
        main->raise();
        main->activateWindow();
        return;
    }
    execution->raise();
    execution->activateWindow();
    // Stepping starts at once from the keyboard.
    if (QPushButton* step = execution->button(QStringLiteral("Step")); step->isEnabled()) {
        step->setFocus(Qt::OtherFocusReason);
    }
}

void EmulatorWindows::loadSent(const QString& path) {
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(200, main.get(), [this, path] { loadSent(path); });
        return;
    }
    loadFile(QFile::encodeName(path).toStdString());
}

void EmulatorWindows::back() {
    if (const auto outcome = emulator.back()) {
        show(*outcome);
    } else {
        execution->showHint(QStringLiteral("Nothing left to take back"));
    }
}

void EmulatorWindows::step() {
    show(emulator.stepInstruction());
}

void EmulatorWindows::moveTo(std::size_t word) {
    datapath->pause();
    show(emulator.moveTo(word), datapath.get());
}

void EmulatorWindows::toggleBlank() {
    datapath->setBlanked(!datapath->isBlanked());
}

void EmulatorWindows::showTimeline() {
    const Timeline timeline = emulator.timeline();
    QString unavailable;
    if (emulator.executionMode != ExecutionMode::StepByStep) {
        unavailable = QStringLiteral("Step by step mode only");
    } else if (!timeline.available) {
        unavailable = QStringLiteral("No program loaded");
    }
    datapath->showTimeline(timeline.word, timeline.length, unavailable);
}

void EmulatorWindows::executeTyped() {
    const Outcome outcome =
        emulator.executeTypedInstruction(instruction->field()->text().toStdString());
    show(outcome, instruction.get());
    // Only a word that ran leaves the field, so a refused one can be mended.
    if (!outcome.changes.empty()) {
        instruction->field()->clear();
    }
}

void EmulatorWindows::show(const Outcome& outcome, QWidget* owner) {
    if (inFullRun) {
        for (const Change& change : outcome.changes) {
            refresh(change);
        }
    } else if (!outcome.changes.empty()) {
        // Word by word each lights alone, so a move along the timeline ends
        // lit as its last word would be: only that one is drawn.
        refresh(outcome.changes.back());
    }
    if (outcome.listing) {
        setProgramListing(*outcome.listing);
    }
    if (outcome.controls) {
        showControls(*outcome.controls);
    }
    if (outcome.title) {
        execution->setWindowTitle(toQString(modeTitle(*outcome.title)));
    }
    for (const Message& m : outcome.messages) {
        dialogs.message(owner, toQString(m.text), toQString(m.caption), m.icon);
    }
    if (outcome.nextInstruction) {
        setNextInstructionText(*outcome.nextInstruction);
    }
    showTimeline();
}

void EmulatorWindows::showLoad(const Outcome& outcome) {
    main->hide();
    execution->show();
    memoryMap->show();
    show(outcome);
}

void EmulatorWindows::reload() {
    if (!lastPath.empty()) {
        loadFile(lastPath);
    }
}

void EmulatorWindows::openArguments(const QStringList& arguments) {
    if (arguments.isEmpty()) {
        return;
    }
    // From the event loop: a message box of the load must not keep the
    // editor's socket unanswered, or Build and Run starts a second emulator.
    const std::string path = QFile::encodeName(arguments.constFirst()).toStdString();
    QTimer::singleShot(0, main.get(), [this, path] { loadFile(path); });
}

void EmulatorWindows::rememberModeIn(std::unique_ptr<QSettings> store) {
    settings = std::move(store);
    zoomer->rememberIn(settings.get());
    themer->rememberIn(settings.get());
    // Anything but step by step, such as a value from another version, is
    // full execution, the Mode menu's start.
    const int kept =
        settings->value(modeKey, static_cast<int>(ExecutionMode::FullExecution)).toInt();
    setMode(kept == static_cast<int>(ExecutionMode::StepByStep) ? ExecutionMode::StepByStep
                                                                : ExecutionMode::FullExecution);
}

void EmulatorWindows::setMode(ExecutionMode mode) {
    main->onMainCommand(mode == ExecutionMode::StepByStep ? StepByStepCommand
                                                          : FullExecutionCommand);
}

void EmulatorWindows::setBase(Base base) {
    shownBase = base;
    memoryMap->showBase(base);
    execution->setBase(base);
    follower->setBase(base);
}

template <class Run> void EmulatorWindows::fullRun(Run&& run) {
    lit.clear();
    refreshAll();
    inFullRun = true;
    run();
    inFullRun = false;
    // The last word only: drawing every word of a run would only slow it.
    follower->follow();
}

void EmulatorWindows::shutDown() {
    datapath->pause();
    execution->hide();
    memoryMap->hide();
    main->show();
    setProgramListing("");
}

void EmulatorWindows::refresh(const Change& change) {
    // A Step or a typed word shows what it changed alone.
    if (!inFullRun) {
        lit.clear();
        announce(change, instruction->isActiveWindow() ? static_cast<QWidget*>(instruction->field())
                                                       : execution->button(QStringLiteral("Step")));
    }
    switch (change.where) {
    case Change::Where::Register:
        lit.lightRegister(change.index, change.before, change.after);
        break;
    case Change::Where::Memory:
        lit.lightCell(change.index, change.before, change.after);
        break;
    case Change::Where::Nothing:
        break;
    }
    refreshAll();
    if (!inFullRun) {
        follower->follow();
    }
}

void EmulatorWindows::announce(const Change& change, QWidget* source) {
    announcement = describeChange(change, shownBase);
    source->setAccessibleDescription(announcement);
}

void EmulatorWindows::refreshAll() {
    memoryMap->view().refresh();
    execution->refreshRegisters();
}

void EmulatorWindows::setProgramListing(std::string_view text) {
    execution->setProgramListing(toQString(text));
    execution->markWord(std::nullopt);
}

void EmulatorWindows::setNextInstructionText(std::string_view text) {
    execution->setNextInstructionText(toQString(text));
    // The label's tooltip reads the word it shows back as source.
    const std::string_view word = emulator.cpu.nextInstructionText();
    const QString described = word.size() == 4 ? toQString(describeWord(word)) : QString();
    execution->nextInstructionLabel()->setToolTip(described);
    execution->programListing()->setAccessibleDescription(
        described.isEmpty() ? QString() : QStringLiteral("next word: ") + described);
    // Only step mode shows the next word, and the listing then holds the
    // program being stepped.
    execution->markWord(emulator.cpu.instructionPointer);
}

void EmulatorWindows::showControls(ExecutionMode mode) {
    const bool full = mode == ExecutionMode::FullExecution;
    execution->setNextInstructionVisible(!full);
    if (full) {
        execution->markWord(std::nullopt);
        execution->programListing()->setAccessibleDescription(QString());
    }
    execution->setExecuteEnabled(full);
    execution->setStepEnabled(!full);
}

} // namespace mox::ui
