// The emulator for keyboard users and screen readers, Back, Reload, the
// remembered mode, the file argument and the socket Build and Run uses.
#include "../accessible_tree.h"
#include "../receiver_thread.h"
#include "about_window.h"
#include "address_box.h"
#include "emulator_windows.h"
#include "execution_window.h"
#include "fake_dialogs.h"
#include "handoff.h"
#include "instruction_window.h"
#include "main_window.h"
#include "memory_map_window.h"
#include "pictures.h"
#include "window_frame.h"
#include "windows_fixture.h"

#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <chrono>
#include <future>
#include <memory>
#include <set>

using namespace mox;
using namespace mox::ui;

namespace {

QAccessibleInterface* accessible(QObject* o) {
    return QAccessible::queryAccessibleInterface(o);
}
QString nameOf(QObject* o) {
    return accessible(o)->text(QAccessible::Name);
}
QString descriptionOf(QObject* o) {
    return accessible(o)->text(QAccessible::Description);
}
QWidget* focused() {
    return QApplication::focusWidget();
}

} // namespace

class AccessTest : public QObject, WindowsFixture {
    Q_OBJECT

    QLineEdit* registerField(int i) { return execution().registerBox(i)->valueField(); }
    QLineEdit* cellField(int i) { return memoryMap().view().cell(i)->valueField(); }

private slots:
    void init() { openWindows(true); }
    void cleanup() { closeWindows(); }

    void everyControlIsNamedForWhatItHolds() {
        QAccessible::setActive(false);
        load("2a7f9001f000", ExecutionMode::StepByStep);
        execution().button("Step")->click();
        cpu().registers[3] = 0x2c;
        cpu().memory[0x12] = 0xab;
        execution().pageDown();
        memoryMap().view().scrollDown();
        memoryMap().memoryMapCommand(ViewDecimalCommand);
        // Whatever happened before, a screen reader arriving reads it now.
        QAccessible::setActive(true);
        windows->instructionWindow().show();
        windows->aboutWindow().show();
        for (QWidget* window :
             {windows->window(Window::Main), windows->window(Window::About),
              windows->window(Window::Execution), windows->window(Window::MemoryMap),
              windows->window(Window::Instruction)}) {
            QCOMPARE(accessible(window)->role(), QAccessible::Window);
            QCOMPARE(nameOf(window), window->windowTitle());
            QStringList nameless;
            collectNameless(accessible(window), nameless);
            QVERIFY2(nameless.isEmpty(), qPrintable(window->windowTitle() + nameless.join(',')));
        }
        const std::pair<QObject*, QString> names[] = {
            {windows->mainWindow().runPicture(), "Run .8xe File"},
            {memoryMap().upPicture(), "Previous cells"},
            {memoryMap().downPicture(), "Next cells"},
            {windows->instructionWindow().field(), "Instruction word"},
            {execution().programListing(), "Program"},
            {registerField(1), "register dx"},
            {cellField(3), "cell 12"},
        };
        for (const auto& [control, name] : names) {
            QCOMPARE(nameOf(control), name);
        }
        QCOMPARE(accessible(windows->mainWindow().runPicture())->role(), QAccessible::Button);
        QCOMPARE(accessible(registerField(1))->text(QAccessible::Value), "44");
        QCOMPARE(descriptionOf(registerField(1)), "number 3");
        QCOMPARE(accessible(cellField(3))->text(QAccessible::Value), "171");
        QCOMPARE(descriptionOf(execution().programListing()), "next word: 9001  inc bx");
        QVERIFY(descriptionOf(&windows->aboutWindow()).contains("Click or press a key to close"));
        while (execution().registerPage() < 10) {
            execution().pageDown();
        }
        QCOMPARE(nameOf(registerField(0)), "register kx");
        QCOMPARE(descriptionOf(registerField(0)), "number 10, changed: was 0, now 127");
    }

    void changesAreAnnouncedWhereTheyWereMade() {
        load("20073005f000", ExecutionMode::StepByStep);
        execution().button("Step")->click();
        QCOMPARE(descriptionOf(execution().button("Step")), "ax: was 0, now 7");
        execution().button("Step")->click();
        QCOMPARE(windows->lastAnnouncement(), "cell 05: was 0, now 7");
        QCOMPARE(descriptionOf(cellField(5)), "changed: was 0, now 7");
        QCOMPARE(descriptionOf(registerField(0)), "number 0");
        windows->instructionWindow().show();
        activate(&windows->instructionWindow());
        QTest::keyClicks(focused(), "9000");
        QTest::keyClick(focused(), Qt::Key_Return);
        QCOMPARE(descriptionOf(windows->instructionWindow().field()), "ax: was 7, now 8");
        windows->back();
        QCOMPARE(windows->lastAnnouncement(), "ax: was 8, now 7");
    }

    void tabGoesThroughEveryControlAndComesBack() {
        load("20ff", ExecutionMode::StepByStep);
        windows->instructionWindow().show();
        for (QWidget* window :
             {windows->window(Window::Execution), windows->window(Window::MemoryMap),
              windows->window(Window::Instruction)}) {
            activate(window);
            std::set<QWidget*> stops;
            for (QWidget* w : window->findChildren<QWidget*>()) {
                if (w->isVisibleTo(window) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
                    stops.insert(w);
                }
            }
            QWidget* start = focused();
            QList<QWidget*> order;
            do {
                order << focused();
                QTest::keyClick(focused(), Qt::Key_Tab);
            } while (focused() != start && order.size() <= int(stops.size()));
            QCOMPARE(std::set<QWidget*>(order.begin(), order.end()), stops);
            QCOMPARE(order.size(), int(stops.size()));
            if (window == &memoryMap()) {
                // Top to bottom as they stand: Up, the cells row by row, Down.
                QList<QWidget*> expected{memoryMap().upPicture()};
                for (int i = 0; i < MemoryMapView::cellCount; ++i) {
                    expected << cellField(i);
                }
                expected << memoryMap().downPicture();
                QCOMPARE(order, expected);
            }
        }
    }

    void keysAct() {
        load("f000", ExecutionMode::StepByStep);
        const int loads = dialogs.opened;
        const int page = MemoryMapView::pageStep;
        const struct {
            QWidget* target;
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            int registerPage, firstCell, opened;
        } cases[] = {{execution().programListing(), Qt::Key_PageDown, Qt::ShiftModifier, 2, 0, 0},
                     {registerField(0), Qt::Key_PageUp, Qt::ShiftModifier, 0, 0, 0},
                     {cellField(4), Qt::Key_PageDown, {}, 0, page, 0},
                     {memoryMap().downPicture(), Qt::Key_Space, {}, 0, 2 * page, 0},
                     {memoryMap().upPicture(), Qt::Key_Return, {}, 0, page, 0},
                     {windows->mainWindow().runPicture(), Qt::Key_Return, {}, 0, page, 1}};
        for (const auto& c : cases) {
            c.target->window()->show();
            activate(c.target->window());
            c.target->setFocus(Qt::TabFocusReason);
            QTest::keyClick(c.target, c.key, c.modifiers);
            QCOMPARE(execution().registerPage(), c.registerPage);
            QCOMPARE(memoryMap().view().firstAddress(), c.firstCell);
            QCOMPARE(dialogs.opened - loads, c.opened);
        }
    }

    void focusIsWhereTheNextKeyActsAndFramedForTheKeyboard() {
        load("20ff9001f000", ExecutionMode::StepByStep);
        QTRY_COMPARE(focused(), execution().button("Step"));
        QTest::keyClick(focused(), Qt::Key_Space);
        QCOMPARE(cpu().registers[0], 0xff);
        execution().button("Instruction")->click();
        QVERIFY(QTest::qWaitForWindowActive(&windows->instructionWindow()));
        QCOMPARE(focused(), windows->instructionWindow().field());
        activate(&execution());
        QTest::keyClick(&execution(), Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(windows->mainWindow().isVisible());

        // No frame after a click; after Tab one around the focused box.
        load("f000", ExecutionMode::StepByStep);
        activate(&memoryMap());
        QTest::mouseClick(cellField(4), Qt::LeftButton);
        const QImage clicked = memoryMap().grab().toImage();
        QTest::keyClick(focused(), Qt::Key_Tab);
        const QImage tabbed = memoryMap().grab().toImage();
        QRect changed;
        for (int y = 0; y < clicked.height(); ++y) {
            for (int x = 0; x < clicked.width(); ++x) {
                if (clicked.pixel(x, y) != tabbed.pixel(x, y)) {
                    changed |= QRect(x, y, 1, 1);
                }
            }
        }
        QWidget* box = cellField(5)->parentWidget();
        const QRect boxRect(box->mapTo(&memoryMap(), QPoint()), box->size());
        QVERIFY(changed.contains(boxRect));
        QVERIFY(boxRect.adjusted(-6, -6, 6, 6).contains(changed));
    }

    void backRestoresWhatTheWordsChanged_data() {
        QTest::addColumn<QString>("wordsAndKey");
        for (const char* row :
             {"steps ctrl+z", "steps backspace", "steps menu", "typed ctrl+z", "full ctrl+z"}) {
            QTest::newRow(row) << row;
        }
    }
    void backRestoresWhatTheWordsChanged() {
        QFETCH(QString, wordsAndKey);
        const QString words = wordsAndKey.section(' ', 0, 0);
        const QString by = wordsAndKey.section(' ', 1);
        load("20ff300590012a7ff000",
             words == "full" ? ExecutionMode::FullExecution : ExecutionMode::StepByStep);
        const auto state = [this] {
            const auto marks = execution().programListing()->extraSelections();
            return std::tuple(cpu().registers, cpu().memory, cpu().instructionPointer,
                              execution().nextInstructionLabel()->text(),
                              marks.isEmpty() ? -1 : marks.front().cursor.selectionStart());
        };
        auto before = state();
        if (words == "steps") {
            for (int i = 0; i < 3; ++i) {
                execution().button("Step")->click();
            }
        } else if (words == "typed") {
            windows->instructionWindow().field()->setText("2a33");
            emit windows->instructionWindow().field()->executeRequested();
        } else {
            std::get<0>(before).fill(0);
            std::get<1>(before).fill(0);
        }
        activate(&execution());
        const std::size_t messages = dialogs.messages.size();
        for (std::size_t n = windows->machine().executedCount(); n > 0; --n) {
            if (by == "menu") {
                QAction* back = execution().listingMenu(QPoint(2, 2))->actions().value(0);
                QCOMPARE(back->text(), "Back");
                back->trigger();
            } else if (by == "backspace") {
                registerField(1)->setFocus();
                QTest::keyClick(focused(), Qt::Key_Backspace);
            } else {
                QTest::keyClick(&execution(), Qt::Key_Z, Qt::ControlModifier);
            }
            if (n == 1 && words == "steps") {
                // The first word taken back: ax lit with what came back.
                QCOMPARE(execution().registerBox(0)->hint(), "was ff, now 0");
            }
        }
        if (words == "full") {
            QCOMPARE(std::get<0>(state()), std::get<0>(before));
            QCOMPARE(std::get<1>(state()), std::get<1>(before));
        } else {
            QVERIFY(state() == before);
        }
        windows->back();
        QCOMPARE(QToolTip::text(), "Nothing left to take back");
        QCOMPARE(dialogs.messages.size(), messages);
    }

    void reloadModeAndArgumentLoadAsChosenFiles() {
        const QString file = temp.filePath("settings.ini");
        windows->rememberModeIn(std::make_unique<QSettings>(file, QSettings::IniFormat));
        QVERIFY(windows->machine().executionMode == ExecutionMode::FullExecution);
        windows->mainWindow().onMainCommand(StepByStepCommand);
        windows = std::make_unique<EmulatorWindows>(dialogs);
        windows->rememberModeIn(std::make_unique<QSettings>(file, QSettings::IniFormat));
        QVERIFY(findCommand(&windows->mainWindow(), StepByStepCommand)->isChecked());

        windows->openArguments({});
        QVERIFY(!execution().isVisible());
        windows->openArguments({writeFile("20fff000", "arg.8xe"), "ignored"});
        QTRY_COMPARE(execution().nextInstructionLabel()->text(), "Next Instruction: 20FF");
        writeFile("2105f000", "arg.8xe");
        for (const QKeySequence& key : {QKeySequence("Ctrl+R"), QKeySequence(Qt::Key_F5)}) {
            execution().button("Step")->click();
            activate(&execution());
            QTest::keySequence(&execution(), key);
            QCOMPARE(execution().nextInstructionLabel()->text(), "Next Instruction: 2105");
        }
        QCOMPARE(dialogs.opened, 0);
    }

    void programsArriveOverTheSocket() {
        const QString name = temp.filePath("emulator");
        QCOMPARE(handOff(name, "/nowhere.8xe"), HandOff::NoEmulator);
        // Left behind by one that crashed: taken over; a live one is kept.
        writeFile("", "emulator");
        ReceiverThread emulator;
        QVERIFY(emulator.claim(name));
        QVERIFY(!ProgramReceiver().claim(name));
        // A line feed is part of a name like any other character.
        const QStringList paths{temp.filePath("two words ä.8xe"), temp.filePath("a\nb.8xe"),
                                temp.filePath("a\n")};
        for (const QString& path : paths)
            QCOMPARE(handOff(name, path), HandOff::Delivered);
        QTRY_COMPARE(emulator.received, paths);
    }

    void theSocketAnswersWhileTheFirstArgumentsMessageWaits() {
        // As main starts: the argument first, then the socket.
        struct Answering : FakeDialogs {
            QString name;
            bool answered = false;
            void message(QWidget* owner, const QString& text, const QString& caption,
                         mox::Icon icon) override {
                // From elsewhere, while a real message box would run its own
                // event loop, as this one does.
                auto handed = std::async(std::launch::async,
                                         [this] { return handOff(name, "/nowhere.8xe"); });
                while (handed.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
                    QCoreApplication::processEvents();
                answered = handed.get() == HandOff::Delivered;
                FakeDialogs::message(owner, text, caption, icon);
            }
        } answering;
        answering.name = temp.filePath("emulator");
        windows = std::make_unique<EmulatorWindows>(answering);
        windows->openArguments({writeFile("20fff000", "arg.8xe")});
        ProgramReceiver receiver;
        QVERIFY(receiver.claim(answering.name));
        QTRY_COMPARE(answering.messages.size(), std::size_t{1});
        QCOMPARE(answering.messages[0].text, "Execution Complete!. . Successful Run!");
        QVERIFY(answering.answered);
        windows.reset();
    }

    void f10OpensTheFirstMenu() {
        for (QWidget* window :
             {windows->window(Window::Main), windows->window(Window::MemoryMap)}) {
            window->show();
            activate(window);
            QTest::keyClick(window, Qt::Key_F10);
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            QCOMPARE(menu->title(), window == &memoryMap() ? "View" : "File");
            menu->close();
        }
    }
};

QTEST_MAIN(AccessTest)
#include "access_test.moc"
