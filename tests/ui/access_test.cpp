// The emulator's windows for keyboard users and screen readers: names, Tab
// order, keys, focus frames, what Back restores, the remembered mode, the
// file argument and the socket the editor hands programs through.
#include "emulator_windows.h"
#include "execution_window.h"
#include "fake_dialogs.h"
#include "handoff.h"
#include "instruction_window.h"
#include "main_window.h"
#include "memory_map_window.h"
#include "window_kit.h"

#include "../accessible_tree.h"
#include "about_window.h"

#include <QAccessible>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QToolTip>
#include <memory>
#include <set>

using namespace mox;
using namespace mox::ui;

namespace {

QAccessibleInterface* accessible(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

QString nameOf(QObject* object) {
    return accessible(object)->text(QAccessible::Name);
}

QString descriptionOf(QObject* object) {
    return accessible(object)->text(QAccessible::Description);
}

// The controls Tab can reach in a window: shown, enabled, taking Tab focus.
std::set<QWidget*> tabStops(QWidget* window) {
    std::set<QWidget*> stops;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->isVisibleTo(window) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) &&
            !w->focusProxy()) {
            stops.insert(w);
        }
    }
    return stops;
}

// The pixels where two grabs of a window differ, as one rectangle.
QRect changedArea(const QImage& a, const QImage& b) {
    QRect area;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y)) {
                area |= QRect(x, y, 1, 1);
            }
        }
    }
    return area;
}

} // namespace

class AccessTest : public QObject {
    Q_OBJECT

private:
    FakeDialogs dialogs;
    std::unique_ptr<EmulatorWindows> windows;
    QTemporaryDir temp;

    ExecutionWindow& execution() { return windows->executionWindow(); }
    MemoryMapWindow& memoryMap() { return windows->memoryMapWindow(); }
    Cpu& cpu() { return windows->machine().cpu; }

    QString writeProgram(const QByteArray& text, const QString& name = QString()) {
        static int count = 0;
        const QString path =
            temp.filePath(name.isEmpty() ? QStringLiteral("p%1.8xe").arg(++count) : name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
            qFatal("cannot write %s", qPrintable(path));
        }
        return path;
    }
    void stepMode() { windows->mainWindow().onMainCommand(StepByStepCommand); }
    void load(const QByteArray& text) {
        dialogs.answers.push_back(writeProgram(text));
        windows->runCommand();
    }
    void activate(QWidget* window) {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }
    // Offset of the marked word in the listing, -1 for none.
    int markedOffset() {
        const auto marks = execution().programListing()->extraSelections();
        return marks.isEmpty() ? -1 : marks.front().cursor.selectionStart();
    }

    struct Snapshot {
        std::array<std::int32_t, 16> registers;
        std::array<std::int32_t, 256> memory;
        std::int32_t pointer;
        QString label;
        int mark;
        bool operator==(const Snapshot&) const = default;
    };
    Snapshot snapshot() {
        return {cpu().registers, cpu().memory, cpu().instructionPointer,
                execution().nextInstructionLabel()->text(), markedOffset()};
    }

private slots:
    void init() {
        dialogs = FakeDialogs();
        windows = std::make_unique<EmulatorWindows>(dialogs);
        // As when a screen reader starts listening: the boxes bring their
        // texts up to date and keep them so.
        QAccessible::setActive(true);
        QVERIFY(QTest::qWaitForWindowExposed(&windows->mainWindow()));
    }
    void cleanup() {
        QAccessible::setActive(false);
        windows.reset();
    }

    void everyWindowIsANamedFrameWithNamedControls() {
        stepMode();
        load("20ff30059001f000");
        windows->instructionWindow().show();
        windows->aboutWindow().show();
        windows->mainWindow().show();
        for (const Window which : {Window::Main, Window::About, Window::Execution,
                                   Window::MemoryMap, Window::Instruction}) {
            QWidget* window = windows->window(which);
            QAccessibleInterface* frame = accessible(window);
            QCOMPARE(frame->role(), QAccessible::Window);
            QCOMPARE(frame->text(QAccessible::Name), window->windowTitle());
            QStringList nameless;
            collectNameless(frame, nameless);
            QVERIFY2(nameless.isEmpty(), qPrintable(window->windowTitle() + ": " +
                                                    nameless.join(QStringLiteral(", "))));
        }
        // What the About picture shows is there to be read.
        QVERIFY(descriptionOf(&windows->aboutWindow())
                    .contains(QStringLiteral("Click or press a key to close")));
    }

    void controlsAreNamedForWhatTheyHold() {
        stepMode();
        load("2a7f9001f000");
        QCOMPARE(nameOf(windows->mainWindow().runPicture()), "Run .8xe File");
        QCOMPARE(accessible(windows->mainWindow().runPicture())->role(), QAccessible::Button);
        QCOMPARE(nameOf(memoryMap().upPicture()), "Previous cells");
        QCOMPARE(nameOf(memoryMap().downPicture()), "Next cells");
        QCOMPARE(nameOf(windows->instructionWindow().field()), "Instruction word");
        QCOMPARE(nameOf(execution().programListing()), "Program");
        QCOMPARE(descriptionOf(execution().programListing()), "next word: 2A7F  load kx, 7f");

        cpu().registers[3] = 0x2c;
        windows->machine().display.refreshDisplays({});
        const struct {
            int pages;
            const char* first;
            const char* second;
            const char* secondValue;
            const char* secondNumber;
        } pages[] = {{0, "register ax", "register bx", "0", "number 1"},
                     {1, "register cx", "register dx", "2c", "number 3"},
                     {7, "register ox", "register px", "0", "number 15"}};
        for (const auto& page : pages) {
            while (execution().registerPage() != 0) {
                execution().pageUp();
            }
            for (int i = 0; i < page.pages; ++i) {
                execution().pageDown();
            }
            QLineEdit* second = execution().registerBox(1)->valueField();
            QCOMPARE(nameOf(execution().registerBox(0)->valueField()), page.first);
            QCOMPARE(nameOf(second), page.second);
            QCOMPARE(accessible(second)->text(QAccessible::Value), page.secondValue);
            QCOMPARE(descriptionOf(second), page.secondNumber);
        }

        cpu().memory[0x12] = 0xab;
        memoryMap().view().scrollDown();
        // 0f to 22 on the second page, in hexadecimal whatever the base.
        memoryMap().memoryMapCommand(ViewDecimalCommand);
        QLineEdit* cell = memoryMap().view().cell(3)->valueField();
        QCOMPARE(nameOf(memoryMap().view().cell(0)->valueField()), "cell 0f");
        QCOMPARE(nameOf(cell), "cell 12");
        QCOMPARE(accessible(cell)->text(QAccessible::Value), "171");
        while (memoryMap().view().firstAddress() + MemoryMapView::cellCount <= 256) {
            memoryMap().view().scrollDown();
        }
        QCOMPARE(nameOf(memoryMap().view().cell(MemoryMapView::cellCount - 1)->valueField()),
                 "no cell");
    }

    void aScreenReaderStartedLaterFindsCurrentTexts() {
        QAccessible::setActive(false);
        stepMode();
        load("20fff000");
        execution().button("Step")->click();
        execution().pageDown();
        execution().pageUp();
        QAccessible::setActive(true);
        QLineEdit* ax = execution().registerBox(0)->valueField();
        QCOMPARE(nameOf(ax), "register ax");
        QCOMPARE(descriptionOf(ax), "number 0, changed: was 0, now ff");
    }

    void changesAreDescribedAndAnnounced() {
        stepMode();
        load("20073005f000");
        activate(&execution());
        QCOMPARE(QApplication::focusWidget(), execution().button("Step"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QLineEdit* ax = execution().registerBox(0)->valueField();
        QCOMPARE(descriptionOf(ax), "number 0, changed: was 0, now 7");
        QCOMPARE(windows->lastAnnouncement(), "ax: was 0, now 7");
        QVERIFY(descriptionOf(execution().button("Step")).contains("ax: was 0, now 7"));

        execution().button("Step")->click();
        QCOMPARE(descriptionOf(memoryMap().view().cell(5)->valueField()), "changed: was 0, now 7");
        QCOMPARE(descriptionOf(ax), "number 0");
        QCOMPARE(windows->lastAnnouncement(), "cell 05: was 0, now 7");

        windows->instructionWindow().show();
        activate(&windows->instructionWindow());
        QTest::keyClicks(windows->instructionWindow().field(), "9000");
        QTest::keyClick(windows->instructionWindow().field(), Qt::Key_Return);
        QCOMPARE(windows->lastAnnouncement(), "ax: was 7, now 8");
        QCOMPARE(descriptionOf(windows->instructionWindow().field()), "ax: was 7, now 8");

        activate(&execution());
        QTest::keyClick(&execution(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(windows->lastAnnouncement(), "ax: was 8, now 7");
    }

    void tabReachesEveryControlAndComesBack() {
        stepMode();
        load("20ff");
        windows->instructionWindow().show();
        for (QWidget* window :
             {static_cast<QWidget*>(&execution()), static_cast<QWidget*>(&memoryMap()),
              static_cast<QWidget*>(&windows->instructionWindow())}) {
            activate(window);
            const std::set<QWidget*> stops = tabStops(window);
            QVERIFY(!stops.empty());
            QWidget* start = QApplication::focusWidget();
            QVERIFY2(start && stops.count(start), window->objectName().toLatin1());
            std::set<QWidget*> seen;
            QWidget* now = start;
            for (std::size_t i = 0; i < stops.size(); ++i) {
                seen.insert(now);
                QTest::keyClick(now, Qt::Key_Tab);
                now = QApplication::focusWidget();
                QVERIFY(now);
            }
            QCOMPARE(now, start);
            QCOMPARE(seen, stops);
            QTest::keyClick(now, Qt::Key_Backtab);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), start);
        }
        // The main window's one control.
        execution().button("&Shut Down")->click();
        activate(&windows->mainWindow());
        QTest::keyClick(&windows->mainWindow(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), windows->mainWindow().runPicture());
    }

    void memoryMapTabsTopToBottom() {
        load("f000");
        activate(&memoryMap());
        memoryMap().upPicture()->setFocus(Qt::TabFocusReason);
        QList<QWidget*> order;
        for (int i = 0; i < MemoryMapView::cellCount + 2; ++i) {
            order << QApplication::focusWidget();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(order.front(), memoryMap().upPicture());
        for (int i = 0; i < MemoryMapView::cellCount; ++i) {
            QCOMPARE(order[i + 1], memoryMap().view().cell(i)->valueField());
        }
        QCOMPARE(order.back(), memoryMap().downPicture());
    }

    void keysAct_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("registerPage");
        QTest::addColumn<int>("firstCell");
        QTest::addRow("PgDn in the execution window")
            << "execution" << int(Qt::Key_PageDown) << 0 << 2 << 0;
        QTest::addRow("PgDn on the listing") << "listing" << int(Qt::Key_PageDown) << 0 << 2 << 0;
        QTest::addRow("PgDn on a register") << "register" << int(Qt::Key_PageDown) << 0 << 2 << 0;
        QTest::addRow("PgUp at the first page")
            << "execution" << int(Qt::Key_PageUp) << 0 << 0 << 0;
        QTest::addRow("PgDn in the Memory Map")
            << "memory" << int(Qt::Key_PageDown) << 0 << 0 << MemoryMapView::pageStep;
        QTest::addRow("PgDn on a cell")
            << "cell" << int(Qt::Key_PageDown) << 0 << 0 << MemoryMapView::pageStep;
        QTest::addRow("Space on Next cells")
            << "down" << int(Qt::Key_Space) << 0 << 0 << MemoryMapView::pageStep;
        QTest::addRow("Return on Next cells")
            << "down" << int(Qt::Key_Return) << 0 << 0 << MemoryMapView::pageStep;
        QTest::addRow("Space on Previous cells") << "up" << int(Qt::Key_Space) << 0 << 0 << 0;
    }
    void keysAct() {
        QFETCH(QString, where);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, registerPage);
        QFETCH(int, firstCell);
        load("f000");
        const std::map<QString, QWidget*> targets = {
            {"execution", &execution()},
            {"listing", execution().programListing()},
            {"register", execution().registerBox(0)->valueField()},
            {"memory", &memoryMap()},
            {"cell", memoryMap().view().cell(4)->valueField()},
            {"down", memoryMap().downPicture()},
            {"up", memoryMap().upPicture()},
        };
        QWidget* target = targets.at(where);
        activate(target->window());
        target->setFocus(Qt::TabFocusReason);
        QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(execution().registerPage(), registerPage);
        QCOMPARE(memoryMap().view().firstAddress(), firstCell);
    }

    void underlinedLettersAndPicturesAct() {
        load("f000");
        activate(&execution());
        QTest::keyClick(&execution(), Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(windows->mainWindow().isVisible());
        QVERIFY(!execution().isVisible());

        activate(&windows->mainWindow());
        windows->mainWindow().runPicture()->setFocus(Qt::TabFocusReason);
        const int opened = dialogs.opened;
        QTest::keyClick(windows->mainWindow().runPicture(), Qt::Key_Return);
        QCOMPARE(dialogs.opened, opened + 1);
        // A screen reader presses it as a button.
        accessible(windows->mainWindow().runPicture())
            ->actionInterface()
            ->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(dialogs.opened, opened + 2);
    }

    void theModeMenuOpensFromTheKeyboard() {
        MainWindow& main = windows->mainWindow();
        activate(&main);
        auto* bar = main.findChild<QMenuBar*>();
        // Alt alone goes to the menu bar; arrows and Return choose.
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &main,
                        Qt::Key_Alt);
        QTRY_VERIFY(bar->activeAction());
        QTest::keyClick(bar, Qt::Key_Right);
        QCOMPARE(bar->activeAction()->text(), "Mode");
        QTest::keyClick(bar, Qt::Key_Down);
        QMenu* mode = bar->activeAction()->menu();
        QTRY_VERIFY(mode->isVisible());
        for (int i = 0; i < 3 && (!mode->activeAction() ||
                                  mode->activeAction()->data().toInt() != StepByStepCommand);
             ++i) {
            QTest::keyClick(mode, Qt::Key_Down);
        }
        QTest::keyClick(mode, Qt::Key_Return);
        QTRY_COMPARE(windows->machine().executionMode, int(StepByStep));
    }

    void focusGoesWhereTypingStarts() {
        stepMode();
        load("20ff9001f000");
        QTRY_COMPARE(QApplication::focusWidget(), execution().button("Step"));
        execution().button("Instruction")->click();
        QVERIFY(QTest::qWaitForWindowActive(&windows->instructionWindow()));
        QCOMPARE(QApplication::focusWidget(), windows->instructionWindow().field());
    }

    void focusFrameShowsForTheKeyboardOnly() {
        load("f000");
        activate(&memoryMap());
        QWidget* cell = memoryMap().view().cell(0)->valueField();
        QTest::mouseClick(cell, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), cell);
        const QImage clicked = memoryMap().grab().toImage();
        memoryMap().view().cell(4)->valueField()->setFocus(Qt::MouseFocusReason);
        QTest::mouseClick(memoryMap().view().cell(4)->valueField(), Qt::LeftButton);
        QCOMPARE(memoryMap().grab().toImage(), clicked);

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* next = QApplication::focusWidget();
        QCOMPARE(next, memoryMap().view().cell(5)->valueField());
        const QRect box(next->parentWidget()->mapTo(&memoryMap(), QPoint(0, 0)),
                        next->parentWidget()->size());
        const QRect frame = changedArea(clicked, memoryMap().grab().toImage());
        // Around the focused cell's box, a little outside it, and nowhere else.
        QVERIFY2(frame.contains(box), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                     .arg(frame.x())
                                                     .arg(frame.y())
                                                     .arg(frame.width())
                                                     .arg(frame.height())));
        QVERIFY(box.adjusted(-6, -6, 6, 6).contains(frame));
    }

    void reloadLoadsTheLastFileAgain() {
        stepMode();
        const QString path = writeProgram("20ff9001f000", QStringLiteral("again.8xe"));
        dialogs.answers.push_back(path);
        windows->runCommand();
        execution().button("Step")->click();
        writeProgram("2105f000", QStringLiteral("again.8xe"));
        for (const QKeySequence& key :
             {QKeySequence(Qt::CTRL | Qt::Key_R), QKeySequence(Qt::Key_F5)}) {
            activate(&execution());
            QTest::keySequence(&execution(), key);
            QCOMPARE(execution().programListingText(), "2105F000");
            QCOMPARE(execution().nextInstructionLabel()->text(), "Next Instruction: 2105");
        }
        QCOMPARE(dialogs.opened, 1);
    }

    void backRestoresWhatTheWordsChanged_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("by");
        QTest::addRow("two Steps, by Ctrl+Z") << "steps"
                                              << "ctrl+z";
        QTest::addRow("two Steps, by Backspace on a register") << "steps"
                                                               << "backspace";
        QTest::addRow("two Steps, from the listing's menu") << "steps"
                                                            << "menu";
        QTest::addRow("a typed word") << "typed"
                                      << "ctrl+z";
        QTest::addRow("a full run") << "full"
                                    << "ctrl+z";
    }
    void backRestoresWhatTheWordsChanged() {
        QFETCH(QString, how);
        QFETCH(QString, by);
        const QByteArray program = "20073005910190012a7ff000";
        if (how != "full") {
            stepMode();
        }
        load(program);
        std::vector<Snapshot> states{snapshot()};
        if (how == "steps") {
            for (int i = 0; i < 2; ++i) {
                execution().button("Step")->click();
                states.push_back(snapshot());
            }
        } else if (how == "typed") {
            windows->instructionWindow().field()->setText("2a33");
            windows->machine().executeTypedInstruction();
            states.push_back(snapshot());
        } else {
            // The load ran all six words; before them, everything was 0.
            states.front().registers.fill(0);
            states.front().memory.fill(0);
            states.push_back(snapshot());
        }
        const auto takeBack = [&] {
            if (by == "menu") {
                const auto menu = execution().listingMenu(QPoint(5, 5));
                QAction* first = menu->actions().value(0);
                QVERIFY(first && first->text() == "Back");
                first->trigger();
            } else if (by == "backspace") {
                QWidget* field = execution().registerBox(1)->valueField();
                field->setFocus();
                QTest::keyClick(field, Qt::Key_Backspace);
            } else {
                QTest::keyClick(&execution(), Qt::Key_Z, Qt::ControlModifier);
            }
        };
        activate(&execution());
        const std::size_t messages = dialogs.messages.size();
        const std::size_t words = windows->machine().executedCount();
        QVERIFY(words >= states.size() - 1);
        for (std::size_t taken = 0; taken < words; ++taken) {
            takeBack();
        }
        const Snapshot restored = snapshot();
        const Snapshot& first = states.front();
        QCOMPARE(restored.registers, first.registers);
        QCOMPARE(restored.memory, first.memory);
        if (how == "steps") {
            QCOMPARE(restored, first);
        }
        QCOMPARE(dialogs.messages.size(), messages);

        // With nothing left: a hint by the Step button, no message box.
        takeBack();
        QCOMPARE(QToolTip::text(), "Nothing left to take back");
        QCOMPARE(dialogs.messages.size(), messages);
        QCOMPARE(snapshot(), restored);
    }

    void backLightsWhatCameBackAndMovesTheMark() {
        stepMode();
        load("20ff30059001f000");
        execution().button("Step")->click();
        const int markAfterOne = markedOffset();
        execution().button("Step")->click();
        execution().button("Step")->click();
        QVERIFY(markedOffset() > markAfterOne);
        // inc bx taken back: bx lit with the value it had, the mark on 9001.
        windows->back();
        QCOMPARE(execution().nextInstructionLabel()->text(), "Next Instruction: 9001");
        QVERIFY(execution().registerBox(1)->isLit());
        QCOMPARE(execution().registerBox(1)->valueText(), "0");
        QCOMPARE(execution().registerBox(1)->hint(), "was 1, now 0");
        QVERIFY(!execution().registerBox(0)->isLit());
        // store ax, 05 taken back: the cell lit, the register out.
        windows->back();
        QVERIFY(memoryMap().view().cell(5)->isLit());
        QCOMPARE(memoryMap().view().cell(5)->hint(), "was ff, now 0");
        QVERIFY(!execution().registerBox(1)->isLit());
        QCOMPARE(markedOffset(), markAfterOne);
    }

    void clearAndFillEndWhatBackCanTakeBack() {
        stepMode();
        load("20ff9001f000");
        execution().button("Step")->click();
        memoryMap().memoryMapCommand(FillCommand);
        QCOMPARE(cpu().memory[200], 255);
        QVERIFY(!windows->machine().canGoBack());
        windows->back();
        QCOMPARE(cpu().registers[0], 0xff);
        QCOMPARE(QToolTip::text(), "Nothing left to take back");
    }

    void theModeIsRemembered() {
        const QString file = temp.filePath(QStringLiteral("settings.ini"));
        windows->rememberModeIn(std::make_unique<QSettings>(file, QSettings::IniFormat));
        QCOMPARE(windows->machine().executionMode, int(FullExecution));
        findCommand(&windows->mainWindow(), StepByStepCommand)->trigger();
        windows.reset();

        windows = std::make_unique<EmulatorWindows>(dialogs);
        windows->rememberModeIn(std::make_unique<QSettings>(file, QSettings::IniFormat));
        QCOMPARE(windows->machine().executionMode, int(StepByStep));
        QVERIFY(findCommand(&windows->mainWindow(), StepByStepCommand)->isChecked());
        QVERIFY(!findCommand(&windows->mainWindow(), FullExecutionCommand)->isChecked());
    }

    void theFileArgumentIsLoadedInTheCurrentMode() {
        windows->openArguments({});
        QVERIFY(windows->mainWindow().isVisible());
        QVERIFY(!execution().isVisible());

        stepMode();
        windows->openArguments({writeProgram("2aff f000"), QStringLiteral("ignored.8xe")});
        QVERIFY(execution().isVisible());
        QCOMPARE(execution().programListingText(), "2AFF F000");
        QCOMPARE(lastMessage(), QStringLiteral("Fatal Error:\nInvalid or Corrupt 8XE File"));

        windows->mainWindow().onMainCommand(FullExecutionCommand);
        windows->openArguments({writeProgram("2aff")});
        QCOMPARE(cpu().registers[10], 0xff);
        QCOMPARE(dialogs.opened, 0);
    }

    void programsArriveOverTheSocket() {
        const QString name = temp.filePath(QStringLiteral("handoff"));
        QVERIFY(!handOff(name, QStringLiteral("/nowhere.8xe")));
        // A socket left behind by an emulator that crashed is taken over.
        QFile stale(name);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        ProgramReceiver receiver;
        QVERIFY(receiver.listen(name));
        ProgramReceiver second;
        QVERIFY(!second.listen(name));

        QSignalSpy received(&receiver, &ProgramReceiver::programReceived);
        const QString path = temp.filePath(QStringLiteral("two words ä.8xe"));
        QVERIFY(handOff(name, path));
        QVERIFY(handOff(name, path + QStringLiteral("2")));
        QTRY_COMPARE(received.size(), 2);
        QCOMPARE(received[0][0].toString(), path);
        QCOMPARE(received[1][0].toString(), path + QStringLiteral("2"));
    }

    void aSentProgramWaitsForAnOpenMessageBox() {
        stepMode();
        const QString path = writeProgram("20fff000");
        QWidget modal;
        modal.setWindowModality(Qt::ApplicationModal);
        modal.show();
        QVERIFY(QTest::qWaitForWindowExposed(&modal));
        windows->loadSent(path);
        QVERIFY(!execution().isVisible());
        modal.hide();
        QTRY_VERIFY(execution().isVisible());
        QCOMPARE(execution().programListingText(), "20FFF000");
    }

private:
    QString lastMessage() {
        return dialogs.messages.empty() ? QString() : dialogs.messages.back().text;
    }
};

QTEST_MAIN(AccessTest)
#include "access_test.moc"
