#include "about_window.h"
#include "address_box.h"
#include "emulator_windows.h"
#include "execution_window.h"
#include "fake_dialogs.h"
#include "instruction_window.h"
#include "main_window.h"
#include "memory_map_window.h"
#include "pictures.h"
#include "window_frame.h"
#include "windows_fixture.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolTip>
#include <algorithm>
#include <memory>

using namespace mox;
using namespace mox::ui;

namespace {

// "title: item, item | title: item" with "-" for a separator and "*" after a
// checked item, so a whole menu bar compares as one string.
QString describeMenus(QWidget* window) {
    QStringList menus;
    for (QAction* top : window->findChild<QMenuBar*>()->actions()) {
        QStringList items;
        for (QAction* item : top->menu()->actions()) {
            if (item->isSeparator()) {
                items << QStringLiteral("-");
                continue;
            }
            items << QStringLiteral("%1=%2%3")
                         .arg(item->text())
                         .arg(item->data().toInt())
                         .arg(item->isChecked() ? QStringLiteral("*") : QString());
        }
        menus << top->text() + QStringLiteral(": ") + items.join(QStringLiteral(", "));
    }
    return menus.join(QStringLiteral(" | "));
}

// 1200 different "load" words: a listing long enough to be broken into
// lines before it is shown.
QByteArray distinctWords() {
    QByteArray words;
    for (int i = 0; i < 1200; ++i) {
        words += QByteArray::number(0x2000 + i, 16);
    }
    return words;
}

bool showsBitmap(const QLabel* label, int id) {
    return label->pixmap().toImage() == bitmap(id).toImage();
}

} // namespace

class WindowsTest : public QObject, WindowsFixture {
    Q_OBJECT

private:
    void click(const QString& button) {
        QPushButton* b = execution().button(button);
        QVERIFY2(b, qPrintable(button));
        QTest::mouseClick(b, Qt::LeftButton);
    }
    QStringList registerTexts() {
        return {execution().registerBox(0)->text(), execution().registerBox(0)->valueText(),
                execution().registerBox(1)->text(), execution().registerBox(1)->valueText()};
    }
    QStringList lastMessage() {
        if (dialogs.messages.empty()) {
            return {};
        }
        const ShownMessage& m = dialogs.messages.back();
        return {m.text, m.caption, m.icon == Icon::Error ? "error" : "information"};
    }
    void typeInstruction(const QString& keys) {
        InstructionEdit* field = windows->instructionWindow().field();
        QTest::keyClicks(field, keys);
        QTest::keyClick(field, Qt::Key_Return);
    }

    // "register <n>" and "cell <n>" for every lit box on show, in order.
    QStringList litBoxes() {
        QStringList lit;
        for (int i = 0; i < 2; ++i) {
            if (execution().registerBox(i)->isLit()) {
                lit << QStringLiteral("register ") + execution().registerBox(i)->text().mid(9);
            }
        }
        for (int i = 0; i < MemoryMapView::cellCount; ++i) {
            if (memoryMap().view().cell(i)->isLit()) {
                lit << QStringLiteral("cell ") + memoryMap().view().cell(i)->text().mid(9);
            }
        }
        return lit;
    }
    // What the tooltip says with the mouse resting on `widget` at `at`.
    QString toolTipAt(QWidget* widget, QPoint at) {
        // A tip put out goes only after a delay, keeping its text meanwhile:
        // one that is still the placeholder was never replaced.
        const QString placeholder = QStringLiteral("(no tooltip)");
        QToolTip::showText(widget->mapToGlobal(at), placeholder, widget);
        QHelpEvent help(QEvent::ToolTip, at, widget->mapToGlobal(at));
        QApplication::sendEvent(widget, &help);
        const QString text = QToolTip::text();
        return text == placeholder ? QString() : text;
    }
    QString toolTipOf(AddressBox* box) { return toolTipAt(box->findChild<QLineEdit*>(), {10, 10}); }

private slots:
    void init() {
        openWindows();
        QVERIFY(QTest::qWaitForWindowExposed(&windows->mainWindow()));
    }
    void cleanup() { closeWindows(); }

    void startsWithOnlyTheMainWindowShown() {
        struct Expected {
            Window window;
            const char* className;
            const char* title;
            QSize client;
            bool visible;
        };
        const Expected table[] = {
            {Window::Main, "CPUEMU", "MOX77 - Simple Emulator", {244, 155}, true},
            {Window::About, "CPUABT", "About this software", {294, 295}, false},
            {Window::Execution, "CPUWIN", "MOX77", {394, 375}, false},
            {Window::MemoryMap, "CPUMEM", "Memory Map", {634, 455}, false},
            {Window::Instruction, "CPURE", "Execute Instruction", {209, 30}, false},
        };
        for (const Expected& e : table) {
            QWidget* w = windows->window(e.window);
            QCOMPARE(w->objectName(), QString(e.className));
            QCOMPARE(w->windowTitle(), QString(e.title));
            QCOMPARE(w->size(), e.client);
            QCOMPARE(w->minimumSize(), w->maximumSize());
            QCOMPARE(w->isVisible(), e.visible);
            QVERIFY(w->windowFlags() & Qt::WindowMinimizeButtonHint);
            QVERIFY(!(w->windowFlags() & Qt::WindowMaximizeButtonHint));
        }
        QCOMPARE(execution().pos(), QPoint(625, 340));
        QCOMPARE(memoryMap().pos(), QPoint(0, 0));
    }

    void menusCarryTheirCommandNumbers() {
        QCOMPARE(describeMenus(&windows->mainWindow()),
                 "File: Run .8xe File=40001, -, E&xit=40002 | "
                 "Mode: Full Execution=40003*, Step By Step Exeuction=40004 | "
                 "Help: About=40005, -, Zoom In=0, Zoom Out=0, Actual Size=0, -, Theme=0");
        QCOMPARE(
            describeMenus(&memoryMap()),
            "View: View as Binary=40006, View as Decimal=40007, View as H&ex=40008*, -, Zoom In=0, "
            "Zoom Out=0, Actual Size=0, -, Theme=0 | "
            "Mem: Clear=40009, Fill=40010");
    }

    void checkedItemsCarryACheckMarkThatStays() {
        const struct {
            QWidget* window;
            int firstId;
            int lastId;
        } menus[] = {{&windows->mainWindow(), FullExecutionCommand, StepByStepCommand},
                     {&memoryMap(), ViewBinaryCommand, ViewHexCommand}};
        for (const auto& menu : menus) {
            for (int id = menu.firstId; id <= menu.lastId; ++id) {
                QAction* action = findCommand(menu.window, id);
                QVERIFY(action->isCheckable());
                // Menus draw the items of an exclusive group with a radio bullet.
                QVERIFY(!action->actionGroup() || !action->actionGroup()->isExclusive());
                // Choosing the checked item again keeps its mark.
                action->trigger();
                action->trigger();
                for (int other = menu.firstId; other <= menu.lastId; ++other) {
                    QCOMPARE(findCommand(menu.window, other)->isChecked(), other == id);
                }
            }
        }
    }

    void executionWindowStartsBlank() {
        QCOMPARE(registerTexts(), QStringList({"Address: 0", "0", "Address: 1", "0"}));
        QCOMPARE(execution().nextInstructionLabel()->text(), "Next Instruction: ");
        QVERIFY(execution().button("Execute")->isEnabled());
        QVERIFY(execution().button("Step")->isEnabled());
        QCOMPARE(execution().programListing()->toPlainText(), "");
        QCOMPARE(execution().programListing()->geometry(), QRect(125, 50, 155, 120));
        QCOMPARE(execution().button("&Shut Down")->geometry(), QRect(310, 345, 75, 20));
    }

    void memoryCellsStandThreeToARow() {
        for (int k = 0; k < MemoryMapView::cellCount; ++k) {
            AddressBox* cell = memoryMap().view().cell(k);
            QCOMPARE(cell->geometry(), QRect(30 + 175 * (k % 3), 70 + 75 * (k / 3), 150, 50));
            QCOMPARE(cell->text(), "Address: " + QString::number(k, 16));
            QCOMPARE(cell->valueText(), "0");
        }
        QCOMPARE(memoryMap().upPicture()->geometry(), QRect(538, 50, 75, 20));
        QCOMPARE(memoryMap().downPicture()->geometry(), QRect(538, 380, 75, 20));
    }

    void runPictureLightsInsideItsRectangle_data() {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<int>("lit");
        QTest::newRow("left edge of the picture") << QPoint(30, 110) << 0;
        QTest::newRow("first column inside") << QPoint(31, 110) << 1;
        QTest::newRow("last column inside") << QPoint(129, 110) << 1;
        QTest::newRow("right of the rectangle") << QPoint(130, 110) << 0;
        QTest::newRow("row above") << QPoint(60, 98) << 0;
        QTest::newRow("first row inside") << QPoint(60, 99) << 1;
        QTest::newRow("last row inside") << QPoint(60, 121) << 1;
        QTest::newRow("first row below") << QPoint(60, 122) << 0;
        QTest::newRow("bottom of the picture") << QPoint(60, 125) << 0;
        QTest::newRow("far away") << QPoint(200, 20) << 0;
    }
    void runPictureLightsInsideItsRectangle() {
        QFETCH(QPoint, at);
        QFETCH(int, lit);
        MainWindow& main = windows->mainWindow();
        // The mouse reaches the window through the pictures.
        QCOMPARE(main.clientArea()->childAt(at), nullptr);
        QTest::mouseMove(main.clientArea(), at);
        QCOMPARE(main.runPictureState(), lit);
        QVERIFY(showsBitmap(main.runPicture(), lit ? 105 : 104));
        QTest::mouseMove(main.clientArea(), QPoint(200, 20));
        QCOMPARE(main.runPictureState(), 0);
        QCOMPARE(dialogs.opened, 0);
    }

    void runPictureStaysLitUntilDeactivation() {
        MainWindow& main = windows->mainWindow();
        QTest::mouseMove(main.clientArea(), QPoint(60, 110));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(main.clientArea(), &leave);
        QCOMPARE(main.runPictureState(), 1);
        emit qApp->applicationStateChanged(Qt::ApplicationInactive);
        QCOMPARE(main.runPictureState(), 0);
        QVERIFY(showsBitmap(main.runPicture(), 104));
    }

    void runPictureRunsOnReleaseInside() {
        QWidget* client = windows->mainWindow().clientArea();
        QTest::mousePress(client, Qt::LeftButton, {}, QPoint(60, 110));
        QCOMPARE(dialogs.opened, 0);
        QTest::mouseRelease(client, Qt::LeftButton, {}, QPoint(60, 110));
        QCOMPARE(dialogs.opened, 1);
        // Pressed outside, released inside: runs as well.
        QTest::mousePress(client, Qt::LeftButton, {}, QPoint(200, 20));
        QTest::mouseRelease(client, Qt::LeftButton, {}, QPoint(31, 99));
        QCOMPARE(dialogs.opened, 2);
        QTest::mouseClick(client, Qt::LeftButton, {}, QPoint(30, 110));
        QTest::mouseClick(client, Qt::RightButton, {}, QPoint(60, 110));
        QCOMPARE(dialogs.opened, 2);
        // Both opens were cancelled: nothing else happened.
        QVERIFY(windows->mainWindow().isVisible());
        QVERIFY(!execution().isVisible());
        QVERIFY(dialogs.messages.empty());
    }

    void modeMenuMovesTheCheckMark() {
        MainWindow& main = windows->mainWindow();
        QAction* full = findCommand(&main, FullExecutionCommand);
        QAction* step = findCommand(&main, StepByStepCommand);
        const struct {
            QAction* chosen;
            bool fullChecked;
            ExecutionMode mode;
        } table[] = {{step, false, ExecutionMode::StepByStep},
                     {step, false, ExecutionMode::StepByStep},
                     {full, true, ExecutionMode::FullExecution},
                     {full, true, ExecutionMode::FullExecution}};
        for (const auto& row : table) {
            row.chosen->trigger();
            QCOMPARE(full->isChecked(), row.fullChecked);
            QCOMPARE(step->isChecked(), !row.fullChecked);
            QVERIFY(windows->machine().executionMode == row.mode);
        }
    }

    void fullExecutionLoadRunsTheProgram() {
        load("20ff9001f000");
        QVERIFY(!windows->mainWindow().isVisible());
        QVERIFY(execution().isVisible());
        QVERIFY(memoryMap().isVisible());
        QCOMPARE(execution().programListing()->toPlainText(), "20FF9001F000");
        QCOMPARE(execution().windowTitle(), "MOX77 - Full Execution Mode");
        QCOMPARE(registerTexts(), QStringList({"Address: 0", "ff", "Address: 1", "1"}));
        QVERIFY(execution().nextInstructionLabel()->isHidden());
        QVERIFY(execution().button("Execute")->isEnabled());
        QVERIFY(!execution().button("Step")->isEnabled());
        QCOMPARE(lastMessage(), QStringList({"Execution Complete!. . Successful Run!", "Success!",
                                             "information"}));
        QCOMPARE(dialogs.messages.back().owner, nullptr);

        // Execute runs the listing again on what the first run left.
        click("Execute");
        QCOMPARE(registerTexts(), QStringList({"Address: 0", "ff", "Address: 1", "2"}));
        QCOMPARE(dialogs.messages.size(), 2u);
    }

    void fullExecutionRejectsACorruptFile() {
        load("20ff\n");
        QVERIFY(execution().isVisible());
        QCOMPARE(lastMessage(),
                 QStringList({"Error:\nThere 8xe file is courpt!", "Error!", "information"}));
        QCOMPARE(registerTexts(), QStringList({"Address: 0", "0", "Address: 1", "0"}));
    }

    void stepLoadShowsTheNextWordAndSteps() {
        findCommand(&windows->mainWindow(), StepByStepCommand)->trigger();
        load("20ff9001f000");
        QCOMPARE(execution().windowTitle(), "MOX77 - Step by Step Mode");
        QCOMPARE(execution().nextInstructionLabel()->text(), "Next Instruction: 20FF");
        QVERIFY(!execution().nextInstructionLabel()->isHidden());
        QVERIFY(!execution().button("Execute")->isEnabled());
        QVERIFY(execution().button("Step")->isEnabled());
        QCOMPARE(registerTexts(), QStringList({"Address: 0", "0", "Address: 1", "0"}));
        QVERIFY(dialogs.messages.empty());

        const struct {
            const char* next;
            const char* r0;
            const char* r1;
        } steps[] = {{"9001", "ff", "0"}, {"F000", "ff", "1"}, {"20FF", "ff", "1"}};
        for (const auto& s : steps) {
            click("Step");
            QCOMPARE(execution().nextInstructionLabel()->text(),
                     QStringLiteral("Next Instruction: ") + s.next);
            QCOMPARE(registerTexts(), QStringList({"Address: 0", s.r0, "Address: 1", s.r1}));
        }
        QCOMPARE(lastMessage(),
                 QStringList({"Succesful Execution, reseting instruction pointer to the first "
                              "instruction",
                              ":) all done", "information"}));
    }

    void stepLoadOfACorruptFileRefusesToStep() {
        findCommand(&windows->mainWindow(), StepByStepCommand)->trigger();
        load("20ff 9001");
        QVERIFY(execution().isVisible());
        QCOMPARE(execution().programListing()->toPlainText(), "20FF 9001");
        QCOMPARE(execution().windowTitle(), "MOX77");
        QCOMPARE(lastMessage(), QStringList({"Fatal Error:\nInvalid or Corrupt 8XE File", "Error!",
                                             "information"}));
        click("Step");
        QCOMPARE(lastMessage(),
                 QStringList({"You cannot step into a corrupt 8XE", "Sorry no can do", "error"}));
    }

    // The chosen path is read whole, however long; a file that cannot be
    // read is said so and leaves the main window where it is.
    void chosenFilesAreReadWholeOrSaidUnreadable() {
        QString deep = temp.path();
        for (int i = 0; i < 5; ++i) {
            deep += QLatin1Char('/') + QString(60, QLatin1Char('a' + i));
        }
        QVERIFY(QDir().mkpath(deep));
        QFile file(deep + QStringLiteral("/deep.8xe"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("2a01") == 4);
        file.close();
        QVERIFY(file.fileName().size() > 300);
        dialogs.answers.push_back(file.fileName());
        windows->runCommand();
        QCOMPARE(execution().programListing()->toPlainText(), "2A01");

        windows->shutDown();
        const std::size_t shown = dialogs.messages.size();
        dialogs.answers.push_back(temp.filePath(QStringLiteral("missing.8xe")));
        windows->runCommand();
        QCOMPARE(dialogs.messages.size(), shown + 1);
        QCOMPARE(lastMessage(),
                 QStringList({"Error:\nCould not read the file", "Error!", "error"}));
        QVERIFY(windows->mainWindow().isVisible());
        QVERIFY(!execution().isVisible());
    }

    void shutDownReturnsToTheMainWindow() {
        load("2a05");
        click("&Shut Down");
        QVERIFY(windows->mainWindow().isVisible());
        QVERIFY(!execution().isVisible());
        QVERIFY(!memoryMap().isVisible());
        QCOMPARE(execution().programListing()->toPlainText(), "");
        QCOMPARE(execution().windowTitle(), "MOX77 - Full Execution Mode");
        QCOMPARE(cpu().registers[10], 5);
    }

    void spacePressesTheButtonTabReaches() {
        load("2a05");
        activate(&execution());
        // Tab from the listing on: the registers' fields, then Up and Down.
        execution().programListing()->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(QApplication::focusWidget(), execution().button("Down"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(execution().registerPage(), 2);
        QCOMPARE(registerTexts(), QStringList({"Address: 2", "0", "Address: 3", "0"}));
    }

    void longListingsWrapLikeShortOnesAndRunWhole() {
        execution().show();
        QVERIFY(QTest::qWaitForWindowExposed(&execution()));
        QPlainTextEdit* listing = execution().programListing();
        const QString words = QStringLiteral("20FF9001300131012A7F5AB0C0A1E000");
        auto firstLineLength = [&] {
            const QTextBlock block = listing->document()->firstBlock();
            listing->document()->documentLayout()->blockBoundingRect(block);
            return block.layout()->lineAt(0).textLength();
        };
        execution().setProgramListing(words);
        const int natural = firstLineLength();
        QVERIFY(natural > 4 && natural < words.size());

        const QString longText = words + QStringLiteral("9001").repeated(5000);
        execution().setProgramListing(longText);
        QCOMPARE(firstLineLength(), natural);
        QCOMPARE(listing->document()->firstBlock().text(), words.left(natural));
        QCOMPARE(execution().programListingText(), longText);

        cpu().registers[1] = 0;
        click("Execute");
        QCOMPARE(cpu().registers[1], 5001);
    }

    void stepModeMarksTheNextWordInTheListing() {
        QPlainTextEdit* listing = execution().programListing();
        // The marked characters and whether both ends are in view.
        auto mark = [&]() -> QString {
            const auto selections = listing->extraSelections();
            if (selections.isEmpty()) {
                return {};
            }
            QTextCursor cursor = selections.first().cursor;
            const QRect view = listing->viewport()->rect();
            const int end = cursor.position();
            cursor.setPosition(cursor.anchor());
            const bool startSeen = view.contains(listing->cursorRect(cursor).center());
            cursor.setPosition(end);
            const bool endSeen = view.contains(listing->cursorRect(cursor).center());
            const QString text = selections.first().cursor.selectedText().remove(QChar(0x2029));
            return startSeen && endSeen ? text : text + QStringLiteral(" (out of view)");
        };
        findCommand(&windows->mainWindow(), StepByStepCommand)->trigger();
        load("20ff9001f000");
        QVERIFY(QTest::qWaitForWindowExposed(&execution()));
        for (const char* next : {"20FF", "9001", "F000", "20FF", "9001"}) {
            QCOMPARE(mark(), QString(next));
            click("Step");
        }

        // A listing long enough to be broken into lines before it is shown,
        // with every word different: the mark must land on the right one
        // however many breaks stand before it, and be scrolled to.
        const QByteArray words = distinctWords();
        click("&Shut Down");
        load(words);
        for (int i = 0; i < 700; ++i) {
            click("Step");
        }
        QCOMPARE(mark(), QString(words.mid(700 * 4, 4).toUpper()));

        // Full execution marks nothing.
        click("&Shut Down");
        findCommand(&windows->mainWindow(), FullExecutionCommand)->trigger();
        load("20ff9001f000");
        QCOMPARE(mark(), QString());
    }

    void binaryValuesShowTheirLeadingDigits() {
        execution().show();
        QVERIFY(QTest::qWaitForWindowExposed(&execution()));
        findCommand(&memoryMap(), ViewBinaryCommand)->trigger();
        AddressBox* box = execution().registerBox(0);
        auto shown = [&](std::int32_t value) {
            cpu().registers[0] = value;
            execution().refreshRegisters();
            return box->grab().toImage();
        };
        // Thirty-two digits do not fit: values that differ only in their last
        // digit look the same, values that differ in their second do not.
        const QImage oneThenZeros = shown(std::int32_t(0x80000000u));
        QCOMPARE(shown(std::int32_t(0x80000001u)), oneThenZeros);
        QVERIFY(shown(std::int32_t(0xC0000000u)) != oneThenZeros);
        // Also after a value that did fit, and across a change of base.
        shown(5);
        findCommand(&memoryMap(), ViewDecimalCommand)->trigger();
        findCommand(&memoryMap(), ViewBinaryCommand)->trigger();
        QCOMPARE(shown(std::int32_t(0x80000001u)), oneThenZeros);
        // A field the user scrolled to its end, by a click and End, shows its
        // start again at the next refresh, also when its value stayed.
        box->findChild<QLineEdit*>()->end(false);
        QVERIFY(box->grab().toImage() != oneThenZeros);
        QCOMPARE(shown(std::int32_t(0x80000001u)), oneThenZeros);

        // The whole value is in the tooltip.
        QCOMPARE(toolTipOf(box), QStringLiteral("1") + QString(30, '0') + QStringLiteral("1"));
    }

    void stepsAndTypedWordsLightExactlyWhatTheyChanged() {
        findCommand(&windows->mainWindow(), StepByStepCommand)->trigger();
        load("21053103f000");
        QCOMPARE(litBoxes(), QStringList());
        const struct {
            const char* typed; // or a Step
            QStringList lit;
            int box; // register box 0 or 1, or a cell as 2 + its place
            const char* toolTip;
        } table[] = {
            {nullptr, {"register 1"}, 1, "was 0, now 5"},
            {nullptr, {"cell 3"}, 2 + 3, "was 0, now 5"},
            // The halt changes nothing, so nothing stays lit.
            {nullptr, {}, 1, "5"},
            {"9001", {"register 1"}, 1, "was 5, now 6"},
            {"3102", {"cell 2"}, 2 + 2, "was 0, now 6"},
            // The same value again is no change.
            {"3102", {}, 2 + 2, "6"},
            {"0000", {}, 0, "0"},
        };
        for (const auto& row : table) {
            if (row.typed) {
                typeInstruction(row.typed);
            } else {
                click("Step");
            }
            QCOMPARE(litBoxes(), row.lit);
            AddressBox* box = row.box < 2 ? execution().registerBox(row.box)
                                          : memoryMap().view().cell(row.box - 2);
            QCOMPARE(toolTipOf(box), QString(row.toolTip));
        }
    }

    void aFullRunKeepsAllItChangedLit() {
        cpu().registers[1] = 7;
        load("9001900131012002f000");
        QCOMPARE(litBoxes(), QStringList({"register 0", "register 1", "cell 1"}));
        // Twice changed: from before the run to its end.
        QCOMPARE(toolTipOf(execution().registerBox(1)), "was 7, now 9");
        // Execute starts afresh: the same words change the same places.
        cpu().registers[1] = 0;
        click("Execute");
        QCOMPARE(toolTipOf(execution().registerBox(1)), "was 0, now 2");
        QCOMPARE(litBoxes(), QStringList({"register 1", "cell 1"}));
        // What a run changed and put back reads as unchanged: not lit, also
        // when a later word changes it again.
        cpu().memory[1] = 0;
        click("&Shut Down");
        load("9000a0009001a001900131012100"
             "3101f000");
        QCOMPARE(litBoxes(), QStringList({"register 1"}));
        QCOMPARE(toolTipOf(execution().registerBox(1)), "was 2, now 0");

        // Clear and Fill are no executed words: nothing stays lit, a register
        // neither, though they do not rewrite the register boxes.
        for (int command : {FillCommand, ClearCommand}) {
            typeInstruction("9001");
            typeInstruction("3101");
            QCOMPARE(litBoxes(), QStringList({"cell 1"}));
            findCommand(&memoryMap(), command)->trigger();
            QCOMPARE(litBoxes(), QStringList());
            typeInstruction("9001");
            const QStringList shown = registerTexts();
            cpu().registers[1] = 100;
            findCommand(&memoryMap(), command)->trigger();
            QCOMPARE(litBoxes(), QStringList());
            QCOMPARE(toolTipOf(execution().registerBox(1)), shown[3]);
            QCOMPARE(registerTexts(), shown);
            cpu().registers[1] = 0;
        }
    }

    void highlightsFollowPagingAndTheBase() {
        typeInstruction("2e07");
        QCOMPARE(litBoxes(), QStringList());
        for (int page = 0; page < 7; ++page) {
            click("Down");
        }
        QCOMPARE(litBoxes(), QStringList({"register e"}));
        const struct {
            int command;
            const char* toolTip;
            const char* lit;
        } bases[] = {{ViewBinaryCommand, "was 0, now 111", "register 1110"},
                     {ViewDecimalCommand, "was 0, now 7", "register 14"},
                     {ViewHexCommand, "was 0, now 7", "register e"}};
        for (const auto& base : bases) {
            findCommand(&memoryMap(), base.command)->trigger();
            QCOMPARE(litBoxes(), QStringList({base.lit}));
            QCOMPARE(toolTipOf(execution().registerBox(0)), QString(base.toolTip));
        }
        click("Up");
        QCOMPARE(litBoxes(), QStringList());

        // Cell 0x20 stands on the third page, in the third place.
        typeInstruction("3e20");
        QCOMPARE(litBoxes(), QStringList());
        memoryMap().view().scrollDown();
        memoryMap().view().scrollDown();
        QCOMPARE(litBoxes(), QStringList({"cell 20"}));
        QCOMPARE(toolTipOf(memoryMap().view().cell(2)), "was 0, now 7");
        memoryMap().view().scrollUp();
        memoryMap().view().scrollUp();
        QCOMPARE(litBoxes(), QStringList());
    }

    void wordsReadBackAsSource() {
        findCommand(&windows->mainWindow(), StepByStepCommand)->trigger();
        load("2a7f9001f000");
        QLabel* label = execution().nextInstructionLabel();
        QCOMPARE(label->toolTip(), "2A7F  load kx, 7f");
        click("Step");
        QCOMPARE(label->text(), "Next Instruction: 9001");
        QCOMPARE(label->toolTip(), "9001  inc bx");

        QPlainTextEdit* listing = execution().programListing();
        QVERIFY(QTest::qWaitForWindowExposed(&execution()));
        // A point inside the character at `offset` of the text, counting no
        // line break that showing the text added.
        auto pointAt = [&](int offset) {
            QTextDocument* document = listing->document();
            int position = 0;
            for (int seen = -1; position < document->characterCount(); ++position) {
                if (document->characterAt(position) != QChar::ParagraphSeparator &&
                    ++seen == offset) {
                    break;
                }
            }
            QTextCursor cursor(document);
            cursor.setPosition(position);
            const QRect r = listing->cursorRect(cursor);
            return QPoint(r.x() + 2, r.center().y());
        };
        const struct {
            int offset;
            const char* toolTip;
        } hovered[] = {{0, "2A7F  load kx, 7f"},
                       {3, "2A7F  load kx, 7f"},
                       {4, "9001  inc bx"},
                       {11, "F000  halt"}};
        for (const auto& h : hovered) {
            QCOMPARE(toolTipAt(listing->viewport(), pointAt(h.offset)), QString(h.toolTip));
        }
        QCOMPARE(toolTipAt(listing->viewport(), QPoint(140, 110)), QString());

        // A rejected text has no words to read back, also where it has four
        // digits in a row.
        click("&Shut Down");
        load("20ff\n9001f000");
        QCOMPARE(lastMessage().value(0), "Fatal Error:\nInvalid or Corrupt 8XE File");
        for (int offset : {0, 5, 9}) {
            QCOMPARE(toolTipAt(listing->viewport(), pointAt(offset)), QString());
        }

        // Around the first line break of a listing broken before showing.
        const QByteArray words = distinctWords();
        click("&Shut Down");
        load(words);
        const int firstLine = listing->document()->firstBlock().length() - 1;
        QVERIFY(firstLine < 40);
        for (int offset : {firstLine - 1, firstLine, firstLine + 1}) {
            const QString word = QString(words.mid(offset / 4 * 4, 4)).toUpper();
            QCOMPARE(toolTipAt(listing->viewport(), pointAt(offset)),
                     word + QStringLiteral("  load ax, ") + word.right(2).toLower());
        }
    }

    void registerPagesRunFromZeroToFourteen() {
        for (int r = 0; r < 16; ++r) {
            cpu().registers[static_cast<std::size_t>(r)] = r * 17;
        }
        for (int page = 2; page <= 14; page += 2) {
            click("Down");
            QCOMPARE(execution().registerPage(), page);
        }
        QCOMPARE(registerTexts(), QStringList({"Address: e", "ee", "Address: f", "ff"}));
        click("Down");
        QCOMPARE(execution().registerPage(), 14);
        for (int page = 12; page >= 0; page -= 2) {
            click("Up");
            QCOMPARE(execution().registerPage(), page);
        }
        click("Up");
        QCOMPARE(execution().registerPage(), 0);
        QCOMPARE(registerTexts(), QStringList({"Address: 0", "0", "Address: 1", "11"}));
    }

    void upAndDownPicturesLightInsideTheirRectangles_data() {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<bool>("upLit");
        QTest::addColumn<bool>("downLit");
        QTest::newRow("up, left edge") << QPoint(538, 60) << false << false;
        QTest::newRow("up, first column") << QPoint(539, 60) << true << false;
        QTest::newRow("up, last column") << QPoint(612, 60) << true << false;
        QTest::newRow("up, right edge") << QPoint(613, 60) << false << false;
        QTest::newRow("up, top edge") << QPoint(560, 50) << false << false;
        QTest::newRow("up, first row") << QPoint(560, 51) << true << false;
        QTest::newRow("up, last row") << QPoint(560, 69) << true << false;
        QTest::newRow("up, bottom edge") << QPoint(560, 70) << false << false;
        QTest::newRow("down, top edge") << QPoint(560, 380) << false << false;
        QTest::newRow("down, first row") << QPoint(560, 381) << false << true;
        QTest::newRow("down, last row") << QPoint(560, 399) << false << true;
        QTest::newRow("down, bottom edge") << QPoint(560, 400) << false << false;
    }
    void upAndDownPicturesLightInsideTheirRectangles() {
        QFETCH(QPoint, at);
        QFETCH(bool, upLit);
        QFETCH(bool, downLit);
        memoryMap().show();
        QVERIFY(QTest::qWaitForWindowExposed(&memoryMap()));
        QWidget* client = memoryMap().clientArea();
        QTest::mouseMove(client, at);
        QCOMPARE(memoryMap().upLit(), upLit);
        QCOMPARE(memoryMap().downLit(), downLit);
        QVERIFY(showsBitmap(memoryMap().upPicture(), upLit ? 112 : 111));
        QVERIFY(showsBitmap(memoryMap().downPicture(), downLit ? 114 : 113));
        // A click there pages only when it lands inside a rectangle.
        QTest::mouseClick(client, Qt::LeftButton, {}, at);
        QCOMPARE(memoryMap().view().firstAddress(), downLit ? 15 : 0);
        emit qApp->applicationStateChanged(Qt::ApplicationInactive);
        QVERIFY(!memoryMap().upLit());
        QVERIFY(!memoryMap().downLit());
    }

    void memoryPagesRunToTheLastAddress() {
        memoryMap().show();
        QVERIFY(QTest::qWaitForWindowExposed(&memoryMap()));
        QWidget* client = memoryMap().clientArea();
        const QPoint up(570, 60);
        const QPoint down(570, 390);
        QTest::mouseClick(client, Qt::LeftButton, {}, up);
        QCOMPARE(memoryMap().view().firstAddress(), 0);
        cpu().memory[255] = 7;
        for (int page = 1; page <= 18; ++page) {
            QTest::mouseClick(client, Qt::LeftButton, {}, down);
            QCOMPARE(memoryMap().view().firstAddress(), std::min(page * 15, 255));
        }
        MemoryMapView& view = memoryMap().view();
        QCOMPARE(view.cell(0)->text(), "Address: ff");
        QCOMPARE(view.cell(0)->valueText(), "7");
        for (int i = 1; i < MemoryMapView::cellCount; ++i) {
            QCOMPARE(view.cell(i)->text(), "Address: 0");
            QCOMPARE(view.cell(i)->valueText(), "0");
        }
        findCommand(&memoryMap(), ViewBinaryCommand)->trigger();
        QCOMPARE(view.cell(0)->text(), "Address: 11111111");
        QCOMPARE(view.cell(0)->valueText(), "111");
        QCOMPARE(view.cell(1)->text(), "Address: 0");
        QTest::mouseClick(client, Qt::LeftButton, {}, up);
        QCOMPARE(view.firstAddress(), 240);
    }

    void clearFillAndTheViewBase() {
        MemoryMapView& view = memoryMap().view();
        cpu().registers[1] = -1;
        findCommand(&memoryMap(), FillCommand)->trigger();
        struct Row {
            int command;
            const char* cell;
            const char* address14;
            const char* register1;
            Base chosen;
        };
        const Row table[] = {
            {ViewBinaryCommand, "11111111", "Address: 1110", "11111111111111111111111111111111",
             Base::Binary},
            {ViewDecimalCommand, "255", "Address: 14", "-1", Base::Decimal},
            {ViewHexCommand, "ff", "Address: e", "ffffffff", Base::Hexadecimal},
        };
        for (const Row& row : table) {
            findCommand(&memoryMap(), row.command)->trigger();
            QVERIFY(windows->base() == row.chosen);
            for (int id = ViewBinaryCommand; id <= ViewHexCommand; ++id) {
                QCOMPARE(findCommand(&memoryMap(), id)->isChecked(), id == row.command);
            }
            QCOMPARE(view.cell(0)->valueText(), row.cell);
            QCOMPARE(view.cell(14)->valueText(), row.cell);
            QCOMPARE(view.cell(14)->text(), row.address14);
            QCOMPARE(execution().registerBox(1)->valueText(), row.register1);
        }
        findCommand(&memoryMap(), ClearCommand)->trigger();
        for (std::int32_t cell : cpu().memory) {
            QCOMPARE(cell, 0);
        }
        QCOMPARE(view.cell(0)->valueText(), "0");
        QCOMPARE(execution().registerBox(1)->valueText(), "ffffffff");
    }

    void closeBoxesKeepOrHide() {
        load("");
        windows->aboutWindow().show();
        windows->instructionWindow().show();
        QSignalSpy mainClosed(&windows->mainWindow(), &MainWindow::closed);
        for (Window w : {Window::Execution, Window::MemoryMap}) {
            windows->window(w)->close();
            QVERIFY(windows->window(w)->isVisible());
        }
        for (Window w : {Window::About, Window::Instruction}) {
            windows->window(w)->close();
            QVERIFY(!windows->window(w)->isVisible());
        }
        QCOMPARE(mainClosed.count(), 0);
        click("&Shut Down");
        findCommand(&windows->mainWindow(), ExitCommand)->trigger();
        QCOMPARE(mainClosed.count(), 1);
        QVERIFY(!windows->mainWindow().isVisible());
    }

    void aboutGoesAwayAtAClickOrKey() {
        AboutWindow& about = windows->aboutWindow();
        QAction* aboutCommand = findCommand(&windows->mainWindow(), AboutCommand);
        const std::function<void()> dismissals[] = {
            [&] { QTest::mouseClick(&about, Qt::LeftButton, {}, QPoint(150, 150)); },
            [&] { QTest::mouseClick(&about, Qt::RightButton, {}, QPoint(10, 280)); },
            [&] { QTest::keyClick(&about, Qt::Key_Space); },
            [&] { QTest::keyClick(&about, Qt::Key_Escape); },
        };
        for (const auto& dismiss : dismissals) {
            aboutCommand->trigger();
            aboutCommand->trigger();
            QVERIFY(QTest::qWaitForWindowExposed(&about));
            QVERIFY(about.isVisible());
            dismiss();
            QVERIFY(!about.isVisible());
        }
    }

    void typedWordsExecuteOnReturn() {
        load("");
        click("Instruction");
        InstructionWindow& window = windows->instructionWindow();
        QVERIFY(window.isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const size_t before = dialogs.messages.size();

        typeInstruction("2aFF");
        QCOMPARE(cpu().registers[10], 255);
        QCOMPARE(window.field()->text(), "");
        typeInstruction("a000");
        typeInstruction("3000");
        QCOMPARE(memoryMap().view().cell(0)->valueText(), "ffffffff");
        QCOMPARE(registerTexts(), QStringList({"Address: 0", "ffffffff", "Address: 1", "0"}));
        QCOMPARE(dialogs.messages.size(), before);

        const struct {
            const char* typed;
            const char* message;
        } refused[] = {
            {"", "Error:\nInstruction length incorrect (Only 4 Hex Characters)"},
            {"2af", "Error:\nInstruction length incorrect (Only 4 Hex Characters)"},
            {"2afff", "Error:\nInstruction length incorrect (Only 4 Hex Characters)"},
            {"2agf", "Error:\nInstruction Not in Correct Format, requires Only hex digits"},
            {" 2ff", "Error:\nInstruction Not in Correct Format, requires Only hex digits"},
        };
        for (const auto& row : refused) {
            window.field()->clear();
            typeInstruction(row.typed);
            QCOMPARE(lastMessage(), QStringList({row.message, "Error!", "error"}));
            QCOMPARE(dialogs.messages.back().owner, &window);
            QCOMPARE(window.field()->text(), QString(row.typed));
        }
    }

    void onlyCharactersAndBackspaceEditTheField() {
        InstructionEdit* field = windows->instructionWindow().field();
        QTest::keyClicks(field, "2aff");
        for (Qt::Key key :
             {Qt::Key_Left, Qt::Key_Home, Qt::Key_Delete, Qt::Key_Right, Qt::Key_End, Qt::Key_Up}) {
            QTest::keyClick(field, key);
        }
        QCOMPARE(field->cursorPosition(), 4);
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, "e");
        QCOMPARE(field->text(), "2afe");
        QTest::keyClick(field, Qt::Key_Left);
        QTest::keyClick(field, Qt::Key_Delete);
        QCOMPARE(field->text(), "2afe");

        // Delete and Insert stay dead with modifiers too: no cut, no paste.
        QApplication::clipboard()->setText(QStringLiteral("99"));
        const struct {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
        } dead[] = {{Qt::Key_Delete, Qt::ShiftModifier},
                    {Qt::Key_Insert, Qt::ShiftModifier},
                    {Qt::Key_Delete, Qt::ControlModifier},
                    {Qt::Key_Insert, Qt::ControlModifier}};
        for (const auto& k : dead) {
            field->selectAll();
            QTest::keyClick(field, k.key, k.modifiers);
            QCOMPARE(field->text(), "2afe");
            QCOMPARE(QApplication::clipboard()->text(), "99");
        }
        // The control characters of cut and paste still work.
        field->setSelection(2, 2);
        QTest::keyClick(field, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(field->text(), "2a");
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(field->text(), "2afe");
    }

    void typedWordsReachHiddenDisplays() {
        typeInstruction("2103");
        QVERIFY(!execution().isVisible());
        QCOMPARE(execution().registerBox(1)->valueText(), "3");
    }
};

QTEST_MAIN(WindowsTest)
#include "windows_test.moc"
