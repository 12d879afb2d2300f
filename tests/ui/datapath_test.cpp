// The datapath window: opened from the execution window, lit and told after
// every Step, Back, typed word and full run, Phase and Play, for the keyboard
// and screen readers.
#include "../accessible_tree.h"
#include "../machine_snapshot.h"
#include "address_box.h"
#include "cycle.h"
#include "datapath_parts.h"
#include "datapath_view.h"
#include "datapath_window.h"
#include "emulator_windows.h"
#include "execution_window.h"
#include "fake_dialogs.h"
#include "instruction_window.h"
#include "main_window.h"
#include "memory_map_window.h"
#include "pictures.h"
#include "presenter_keys.h"
#include "window_frame.h"
#include "windows_fixture.h"

#include <QDomDocument>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace mox;
using namespace mox::ui;

namespace {

QAccessibleInterface* accessible(QObject* o) {
    return QAccessible::queryAccessibleInterface(o);
}

void collectIds(const QDomElement& element, QMap<QString, QString>& ids) {
    if (element.hasAttribute("id")) {
        ids.insert(element.attribute("id"), element.tagName());
    }
    for (QDomElement child = element.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        collectIds(child, ids);
    }
}

// A drawing read from the file itself: each id with the kind of element
// that holds it, and the style sheet.
struct Drawing {
    QMap<QString, QString> ids;
    QString style;
};

Drawing readDrawing(const QString& path) {
    QFile file(path);
    QDomDocument document;
    Drawing drawing;
    if (file.open(QIODevice::ReadOnly) && document.setContent(&file)) {
        collectIds(document.documentElement(), drawing.ids);
        drawing.style = document.documentElement().firstChildElement("style").text();
    }
    return drawing;
}

double meanGrey(const QImage& image) {
    double sum = 0;
    for (int y = 0; y < image.height(); y += 3) {
        for (int x = 0; x < image.width(); x += 3) {
            sum += qGray(image.pixel(x, y));
        }
    }
    return sum / ((image.height() + 2) / 3) / ((image.width() + 2) / 3);
}

} // namespace

class DatapathTest : public QObject, WindowsFixture {
    Q_OBJECT

    DatapathWindow& datapath() { return windows->datapathWindow(); }
    DatapathView& view() { return *datapath().view(); }
    void step() { execution().button("Step")->click(); }
    QStringList sentences() {
        return datapath().narration()->toPlainText().split('\n', Qt::SkipEmptyParts);
    }

private slots:
    void init() { openWindows(true); }
    void cleanup() { closeWindows(); }

    void opensFromTheExecutionWindowBesideTheFive() {
        load("20ff9001f000", ExecutionMode::StepByStep);
        const QSize executionSize = execution().size();
        QVERIFY(!datapath().isVisible());
        execution().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&execution()));
        QTest::keyClick(&execution(), Qt::Key_D, Qt::ControlModifier);
        QVERIFY(datapath().isVisible());
        QCOMPARE(datapath().windowTitle(), "MOX77 - Datapath");
        QCOMPARE(execution().size(), executionSize);
        QVERIFY(execution().isVisible());

        const auto menu = execution().listingMenu(QPoint(2, 2));
        QCOMPARE(menu->actions().value(0)->text(), "Back");
        QAction* item = menu->actions().value(1);
        QCOMPARE(item->text(), "Datapath");
        datapath().hide();
        item->trigger();
        QVERIFY(datapath().isVisible());

        // Resizable, full screen and back.
        QVERIFY(datapath().minimumSize() != datapath().maximumSize());
        datapath().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&datapath()));
        QTest::keyClick(&datapath(), Qt::Key_F11);
        QVERIFY(datapath().isFullScreen());
        QTest::keyClick(&datapath(), Qt::Key_Escape);
        QVERIFY(!datapath().isFullScreen());
    }

    // Where each class of word takes its value from and puts it: the parts
    // on that road are lit, the others are not, and the bus into the
    // destination carries the value written.
    void aStepLightsWhereTheValueCameFromAndWentTo_data() {
        QTest::addColumn<QByteArray>("program");
        QTest::addColumn<int>("steps");
        QTest::addColumn<QStringList>("litOnes");
        QTest::addColumn<QStringList>("darkOnes");
        QTest::addColumn<QString>("carried");
        QTest::addColumn<QString>("told");
        // load ax, 2a
        QTest::newRow("constant") << QByteArray("202a") << 1
                                  << QStringList{"program",    "ir",  "decoder",
                                                 "bus-ir-alu", "alu", "bus-alu-registers",
                                                 "registers"}
                                  << QStringList{"memory", "bus-memory-registers"}
                                  << "bus-alu-registers-value=2a"
                                  << "ax becomes 2a";
        // load ax, 07; load bx, 05; add ax, bx
        QTest::newRow("two registers")
            << QByteArray("200721055001") << 3
            << QStringList{"registers", "bus-registers-alu", "alu", "bus-alu-registers",
                           "bus-decoder-alu"}
            << QStringList{"memory", "bus-ir-memory", "bus-ir-alu"} << "bus-alu-registers-value=c"
            << "ax becomes c; it was 7";
        // load ax, 07; store ax, 05
        QTest::newRow("store") << QByteArray("20073005") << 2
                               << QStringList{"registers", "bus-registers-memory", "bus-ir-memory",
                                              "memory"}
                               << QStringList{"bus-alu-registers", "bus-memory-registers"}
                               << "bus-registers-memory-value=7"
                               << "memory[5] becomes 7";
        // load ax, 07; store ax, 05; loadm cx, 05
        QTest::newRow("from memory")
            << QByteArray("200730051205") << 3
            << QStringList{"bus-ir-memory", "memory", "bus-memory-registers", "registers"}
            << QStringList{"bus-registers-memory", "bus-alu-registers"}
            << "bus-memory-registers-value=7"
            << "cx becomes 7";
        // inc ax; halt
        QTest::newRow("halt") << QByteArray("9000f000") << 2
                              << QStringList{"program", "ir", "decoder"}
                              << QStringList{"alu", "memory", "bus-alu-registers"} << QString()
                              << "the run stops";
    }
    void aStepLightsWhereTheValueCameFromAndWentTo() {
        QFETCH(QByteArray, program);
        QFETCH(int, steps);
        QFETCH(QStringList, litOnes);
        QFETCH(QStringList, darkOnes);
        QFETCH(QString, carried);
        QFETCH(QString, told);
        cpu().registers.fill(0);
        load(program, ExecutionMode::StepByStep);
        windows->showDatapath();
        for (int i = 0; i < steps; ++i) {
            step();
        }
        const QStringList lit = view().litIds();
        for (const QString& id : litOnes) {
            QVERIFY2(lit.contains(id), qPrintable(id + " is dark; lit: " + lit.join(',')));
        }
        for (const QString& id : darkOnes) {
            QVERIFY2(!lit.contains(id), qPrintable(id + " is lit"));
        }
        if (!carried.isEmpty()) {
            QCOMPARE(view().valueText(carried.section('=', 0, 0)), carried.section('=', 1));
        }
        // The word's four digits in the instruction register.
        const QByteArray last = program.mid((steps - 1) * 4, 4).toUpper();
        QCOMPARE(view().valueText("ir-value"), QString::fromLatin1(last));

        // Five sentences, one per phase, in order, read by a screen reader.
        const QStringList told5 = sentences();
        QCOMPARE(told5.size(), 5);
        const char* phases[] = {"Fetch", "Decode", "Read", "Execute", "Write"};
        for (int i = 0; i < 5; ++i) {
            QVERIFY2(told5[i].startsWith(phases[i]), qPrintable(told5[i]));
        }
        QVERIFY2(told5.join(' ').contains(told), qPrintable(told5.join(' ')));
        QAccessibleInterface* narration = accessible(datapath().narration());
        QCOMPARE(narration->text(QAccessible::Name), "Narration");
        QVERIFY(narration->text(QAccessible::Description).contains(told5.last()));
        QVERIFY(narration->state().readOnly);
        QVERIFY(narration->state().focusable);
        QCOMPARE(narration->textInterface()->text(0, narration->textInterface()->characterCount()),
                 datapath().narration()->toPlainText());
    }

    // Each drawing and the machine's description of a cycle agree on every
    // id: whatever any class of word lights or fills is in the drawing. The
    // one stacked for a narrow screen holds the same ids on the same kinds
    // of element and looks the same, lit or not, in either theme.
    void everyPartTheMachineNamesIsInTheDrawing_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("wide") << datapathDrawingPath();
        QTest::newRow("portrait") << datapathDrawingPath(true);
    }
    void everyPartTheMachineNamesIsInTheDrawing() {
        QFETCH(QString, path);
        const Drawing drawing = readDrawing(path);
        const QStringList ids = drawing.ids.keys();
        QVERIFY2(!ids.isEmpty(), qPrintable(path));
        const Drawing wide = readDrawing(datapathDrawingPath());
        QCOMPARE(drawing.ids, wide.ids);
        QVERIFY(!drawing.style.isEmpty());
        QCOMPARE(drawing.style, wide.style);
        // The table kept beside the drawing names only what the drawing holds.
        for (const datapath::Part& part : datapath::parts) {
            QVERIFY2(ids.contains(QString::fromUtf8(part.id.data(), part.id.size())),
                     part.id.data());
            QVERIFY2(ids.contains(QString::fromUtf8(part.label.data(), part.label.size())),
                     part.label.data());
        }
        std::array<std::int32_t, 16> registers{};
        std::array<std::int32_t, 256> memory{};
        registers[1] = -1;
        for (int opcode = 0; opcode < 16; ++opcode) {
            const std::string word = QString("%1012").arg(opcode, 1, 16).toStdString();
            for (const Origin origin : {Origin{0}, Origin{}}) {
                for (const PhaseView& phase :
                     showCycle(describeCycle(registers, memory, word, origin), Base::Hexadecimal)) {
                    for (std::string_view id : phase.lit) {
                        QVERIFY2(ids.contains(QString::fromUtf8(id.data(), id.size())),
                                 word.c_str());
                    }
                    for (const auto& [id, text] : phase.values) {
                        QVERIFY2(ids.contains(QString::fromUtf8(id.data(), id.size())),
                                 word.c_str());
                    }
                }
            }
        }
    }

    void followsBackTypedWordsAndFullRuns() {
        load("20ff21059001", ExecutionMode::StepByStep);
        windows->showDatapath();
        step();
        step();
        windows->back();
        QCOMPARE(view().valueText("ir-value"), "20FF");
        windows->back();
        QVERIFY(view().litIds().isEmpty());
        QCOMPARE(sentences().size(), 1);

        windows->instructionWindow().field()->setText("2aff");
        emit windows->instructionWindow().field()->executeRequested();
        QCOMPARE(view().valueText("ir-value"), "2AFF");
        QVERIFY(datapath().heading()->text().contains("Typed"));
        // A typed word comes from no program.
        QVERIFY(!view().litIds().contains("program"));

        // A full run shows its last word only.
        load("20ff9001f000", ExecutionMode::FullExecution);
        QCOMPARE(view().valueText("ir-value"), "F000");
        QCOMPARE(sentences().size(), 5);

        // Numbers in the base the Memory Map shows; Clear forgets the words.
        load("20ff", ExecutionMode::StepByStep);
        step();
        QCOMPARE(view().valueText("bus-alu-registers-value"), "ff");
        windows->memoryMapWindow().memoryMapCommand(ViewDecimalCommand);
        QCOMPARE(view().valueText("bus-alu-registers-value"), "255");
        windows->memoryMapWindow().memoryMapCommand(ClearCommand);
        QVERIFY(view().litIds().isEmpty());
    }

    // Made narrow and tall, the window shows the stacked drawing with the
    // same parts lit and the same values; made wide again, the wide one,
    // still showing the same.
    void aNarrowTallWindowStacksTheDrawing() {
        // load ax, 07; store ax, 05; loadm ax, 00
        load("200730051000", ExecutionMode::StepByStep);
        windows->showDatapath();
        datapath().resize(1024, 600);
        step();
        step();
        QApplication::processEvents();
        QVERIFY(!view().isStacked());
        const QStringList lit = view().litIds();
        const QString stored = view().valueText("memory-value");
        QVERIFY(!lit.isEmpty());
        QVERIFY(!stored.isEmpty());
        datapath().resize(datapath().minimumWidth(), 1400);
        QApplication::processEvents();
        QVERIFY(view().isStacked());
        QCOMPARE(view().litIds(), lit);
        QCOMPARE(view().valueText("memory-value"), stored);
        datapath().resize(1024, 600);
        QApplication::processEvents();
        QVERIFY(!view().isStacked());
        QCOMPARE(view().litIds(), lit);
        QCOMPARE(view().valueText("memory-value"), stored);
        datapath().resize(datapath().minimumWidth(), 1400);
        QApplication::processEvents();
        QVERIFY(view().isStacked());
        // The next word lights the stacked drawing as it would the wide one.
        step();
        const QStringList nextLit = view().litIds();
        QVERIFY(nextLit != lit);
        datapath().resize(1024, 600);
        QApplication::processEvents();
        QCOMPARE(view().litIds(), nextLit);
    }

    void phaseWalksTheFivePhasesBeforeTheMachineChanges() {
        load("20ff9001f000", ExecutionMode::StepByStep);
        windows->showDatapath();
        QPushButton* phase = datapath().button("Phase");
        QStringList seen;
        for (int i = 1; i <= 4; ++i) {
            phase->click();
            QCOMPARE(cpu().registers[0], 0);
            QCOMPARE(windows->machine().executedCount(), std::size_t{0});
            QCOMPARE(sentences().size(), i);
            QVERIFY(datapath().heading()->text().contains(QString("%1 of 5").arg(i)));
            const QString lit = view().litIds().join(',');
            QVERIFY2(!seen.contains(lit), qPrintable(lit));
            seen << lit;
            // Announced on the button that was pressed.
            QCOMPARE(accessible(phase)->text(QAccessible::Description), sentences().last());
        }
        QVERIFY(seen[0].contains("program"));
        QVERIFY(seen[1].contains("decoder"));
        phase->click();
        QCOMPARE(cpu().registers[0], 0xff);
        QCOMPARE(sentences().size(), 5);
        QVERIFY(view().litIds().contains("registers"));
        // The next press starts the next word.
        phase->click();
        QVERIFY(datapath().heading()->text().contains("9001"));
        QCOMPARE(sentences().size(), 1);

        // A Step in between walks on with the word after it.
        step();
        phase->click();
        QVERIFY(datapath().heading()->text().contains("F000"));
        QVERIFY(datapath().heading()->text().contains("1 of 5"));

        // In full execution there is no next word to walk.
        load("20ff", ExecutionMode::FullExecution);
        phase->click();
        QCOMPARE(sentences().size(), 1);
        QCOMPARE(cpu().registers[0], 0xff);
    }

    void playReachesTheHaltAndPauses() {
        cpu().registers.fill(0);
        load("9000900090009000f00020ff", ExecutionMode::StepByStep);
        windows->showDatapath();
        datapath().setSpeed(20);
        datapath().button("Play")->click();
        QVERIFY(datapath().isPlaying());
        QTRY_VERIFY_WITH_TIMEOUT(!datapath().isPlaying(), 3000);
        QCOMPARE(cpu().registers[0], 4);
        QCOMPARE(view().valueText("ir-value"), "F000");
        QCOMPARE(dialogs.messages.size(), std::size_t{1});
        QCOMPARE(dialogs.messages[0].caption, ":) all done");
        // Paused, Back takes the words back one by one.
        windows->back();
        QCOMPARE(view().valueText("ir-value"), "9000");
        QCOMPARE(cpu().registers[0], 4);
        windows->back();
        QCOMPARE(cpu().registers[0], 3);

        // A load stops Play; in full execution there is nothing to play.
        datapath().play();
        load("9000", ExecutionMode::FullExecution);
        QVERIFY(!datapath().isPlaying());
        datapath().button("Play")->click();
        QVERIFY(!datapath().isPlaying());
        QCOMPARE(datapath().heading()->text(), "No next word");
    }

    void everyControlWorksFromTheKeyboard() {
        load("20ff9001f000", ExecutionMode::StepByStep);
        windows->showDatapath();
        QStringList nameless;
        collectNameless(accessible(&datapath()), nameless);
        QVERIFY2(nameless.isEmpty(), qPrintable(nameless.join(',')));
        QCOMPARE(accessible(&datapath())->role(), QAccessible::Window);

        datapath().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&datapath()));
        QSet<QString> reached;
        for (int i = 0; i < 12; ++i) {
            QWidget* focus = datapath().focusWidget();
            if (focus) {
                reached << accessible(focus)->text(QAccessible::Name);
            }
            focus = focus ? focus : &datapath();
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        for (const char* name : {"Narration", "Timeline", "Phase", "Play", "Speed"}) {
            QVERIFY2(reached.contains(name), name);
        }

        // Mnemonics, and Pause takes the focus from Play and gives it back.
        QTest::keyClick(&datapath(), Qt::Key_P, Qt::AltModifier);
        QCOMPARE(sentences().size(), 1);
        datapath().button("Play")->setFocus();
        QTest::keyClick(datapath().button("Play"), Qt::Key_Space);
        QVERIFY(datapath().isPlaying());
        QCOMPARE(datapath().focusWidget(), datapath().button("Pause"));
        QTest::keyClick(datapath().button("Pause"), Qt::Key_Space);
        QVERIFY(!datapath().isPlaying());
        QCOMPARE(datapath().focusWidget(), datapath().button("Play"));

        QSlider* speed = datapath().speedSlider();
        speed->setFocus();
        speed->setValue(1);
        QTest::keyClick(speed, Qt::Key_End);
        QCOMPARE(datapath().speed(), 20);
        QVERIFY(accessible(speed)->text(QAccessible::Description).contains("20"));
    }

    // Every word of the run, reached in jumps from either side, leaves the
    // machine and the windows as that many Steps from the load do; only a
    // move onto the halt tells it, in one box.
    void theTimelineGoesToAnyWordAsSteppingThereDoes() {
        load("2007210550013005f00020ff", ExecutionMode::StepByStep);
        windows->showDatapath();
        QSlider* timeline = datapath().timelineSlider();
        const int length = timeline->maximum();
        int at = 0;
        // What the windows show of the word, and what was told of it.
        const auto shownNow = [&](bool told) {
            return QStringList{execution().nextInstructionLabel()->text(),
                               view().valueText("ir-value"), datapath().heading()->text(),
                               told ? windows->lastAnnouncement() : QString()};
        };
        for (const int n : {length, 0, 3, 1, length - 1, 2}) {
            const auto boxes = dialogs.messages.size();
            timeline->setValue(n);
            const bool ontoTheHalt = n == length && at < length;
            QCOMPARE(dialogs.messages.size(), boxes + (ontoTheHalt ? 1 : 0));
            QVERIFY(!ontoTheHalt || (dialogs.messages.back().caption == ":) all done" &&
                                     dialogs.messages.back().owner == &datapath()));
            const MachineSnapshot moved = snapshot(cpu());
            const QStringList shown = shownNow(n > at);
            timeline->setValue(0);
            for (int i = 0; i < n; ++i) {
                step();
            }
            QVERIFY2(snapshot(cpu()) == moved, qPrintable(QString::number(n)));
            QCOMPARE(shownNow(n > at), shown);
            const QString text = QStringLiteral("Word %1 of %2").arg(n).arg(length);
            QCOMPARE(timeline->value(), n);
            QCOMPARE(datapath().timelineText()->text(), text);
            QCOMPARE(accessible(timeline)->text(QAccessible::Description), text);
            at = n;
        }
    }

    // The timeline's keys and the presenter's in both windows, each key left
    // to a focused control that uses it.
    void keysMoveTheRunAndGiveWayToControlsThatUseThem() {
        windows->showDatapath();
        QSlider* timeline = datapath().timelineSlider();
        QCOMPARE(accessible(timeline)->text(QAccessible::Name), "Timeline");
        QVERIFY(!timeline->isEnabled());
        QCOMPARE(datapath().timelineText()->text(), "No program loaded");
        load("200721055001f000", ExecutionMode::StepByStep);
        activate(&datapath());
        QTest::keyClick(&datapath(), Qt::Key_T, Qt::AltModifier);
        QCOMPARE(datapath().focusWidget(), timeline);

        QWidget* stepButton = execution().button("Step");
        QWidget* field = execution().registerBox(0)->valueField();
        QWidget* phase = datapath().button("Phase");
        QSlider* speed = datapath().speedSlider();
        QWidget* narration = datapath().narration();
        const int pace = datapath().speed();
        const struct {
            QWidget* focus;
            Qt::Key key;
            std::size_t word;
        } presses[] = {
            {timeline, Qt::Key_Right, 1},    {timeline, Qt::Key_PageDown, 2},
            {timeline, Qt::Key_Left, 1},     {timeline, Qt::Key_End, 4},
            {timeline, Qt::Key_Home, 0},     {stepButton, Qt::Key_PageDown, 1},
            {stepButton, Qt::Key_Right, 2},  {stepButton, Qt::Key_Period, 3},
            {stepButton, Qt::Key_PageUp, 2}, {stepButton, Qt::Key_Left, 1},
            {field, Qt::Key_Right, 1},       {field, Qt::Key_Left, 1},
            {field, Qt::Key_Period, 2},      {phase, Qt::Key_Right, 3},
            {phase, Qt::Key_Left, 2},        {phase, Qt::Key_End, 4},
            {phase, Qt::Key_Home, 0},        {phase, Qt::Key_Period, 1},
            {speed, Qt::Key_Right, 1},       {speed, Qt::Key_PageDown, 1},
            {narration, Qt::Key_Right, 1},   {narration, Qt::Key_PageDown, 2},
        };
        for (const auto& press : presses) {
            activate(press.focus->window());
            press.focus->setFocus(Qt::TabFocusReason);
            QTest::keyClick(press.focus, press.key);
            QCOMPARE(windows->machine().executedCount(), press.word);
            QCOMPARE(timeline->value(), int(press.word));
        }
        QVERIFY(datapath().speed() != pace);
        // End went onto the halt twice.
        QCOMPARE(dialogs.messages.size(), std::size_t{2});

        // B from either window: the drawing and its story hidden, and said
        // so; the step keys go on beneath until B shows them again.
        for (QWidget* window : {static_cast<QWidget*>(&execution()), phase}) {
            activate(window->window());
            window->setFocus(Qt::TabFocusReason);
            QTest::keyClick(window, Qt::Key_B);
            QVERIFY(datapath().isBlanked());
            QVERIFY(accessible(&view())->text(QAccessible::Description).contains("blanked"));
            QVERIFY(sentences().isEmpty());
            const QImage blank = view().grab().toImage();
            QTest::keyClick(window, Qt::Key_PageDown);
            QCOMPARE(view().grab().toImage(), blank);
            QTest::keyClick(window, Qt::Key_B);
            QVERIFY(!datapath().isBlanked());
            QCOMPARE(sentences().size(), 5);
            QCOMPARE(view().valueText("ir-value"),
                     QString::fromLatin1(windows->machine().lastCycle()->word.data(), 4));
        }

        // Full execution has nothing to step: no box, and a word on why.
        load("20ff", ExecutionMode::FullExecution);
        QCOMPARE(datapath().timelineText()->text(), "Step by step mode only");
        const auto boxes = dialogs.messages.size();
        for (QWidget* focus : {stepButton, phase}) {
            activate(focus->window());
            QTest::keyClick(focus, Qt::Key_PageDown);
        }
        QCOMPARE(dialogs.messages.size(), boxes);
        QCOMPARE(cpu().registers[0], 0xff);
        QVERIFY(accessible(stepButton)->text(QAccessible::Description).contains("step by step"));
        QCOMPARE(datapath().heading()->text(), "No next word");

        // A field being typed in keeps every key.
        QWidget form;
        auto* edit = new QLineEdit(&form);
        int stepped = 0;
        QObject::connect(
            addPresenterKeys(&form, "Step", {Qt::Key_Right, Qt::Key_Period, Qt::Key_B}),
            &QAction::triggered, &form, [&] { ++stepped; });
        form.show();
        activate(&form);
        edit->setFocus();
        QTest::keyClicks(edit, "b.");
        QTest::keyClick(edit, Qt::Key_Left);
        QTest::keyClick(edit, Qt::Key_Right);
        QCOMPARE(edit->text(), "b.");
        QCOMPARE(stepped, 0);
    }

    // At its smallest nothing is cut, squeezed or laid over another control.
    void staysTidyAtItsSmallestSize() {
        load("200721055001f000", ExecutionMode::StepByStep);
        windows->showDatapath();
        datapath().resize(datapath().minimumSize());
        QApplication::processEvents();
        QList<QRect> taken;
        for (QWidget* w : datapath().findChildren<QWidget*>()) {
            if (!w->isVisible() || !(w->focusPolicy() & Qt::TabFocus || qobject_cast<QLabel*>(w))) {
                continue;
            }
            const QRect at(w->mapTo(&datapath(), QPoint(0, 0)), w->size());
            const char* name = w->metaObject()->className();
            QVERIFY2(datapath().rect().contains(at), name);
            QVERIFY2(w->width() >= std::max(w->minimumSizeHint().width(),
                                            qobject_cast<QLabel*>(w) ? w->sizeHint().width() : 0),
                     name);
            for (const QRect& other : taken) {
                QVERIFY2(!at.intersects(other), name);
            }
            taken << at;
        }
        QVERIFY(taken.size() >= 10);
        QVERIFY(view().height() > 100);
    }

    void drawsLitPartsInEitherTheme() {
        load("202a", ExecutionMode::StepByStep);
        windows->showDatapath();
        step();
        const QImage lit = view().grab().toImage();
        windows->back();
        const QImage plain = view().grab().toImage();
        QVERIFY(lit != plain);

        // The drawing's own boxes and lines follow a dark desktop, not only
        // the ground around them.
        QPalette dark = datapath().palette();
        dark.setColor(QPalette::Window, QColor(30, 30, 30));
        dark.setColor(QPalette::Base, QColor(30, 30, 30));
        datapath().setPalette(dark);
        QVERIFY(view().isDark());
        QVERIFY(meanGrey(view().grab().toImage()) < 60);
        datapath().setPalette(QPalette());
        QVERIFY(!view().isDark());
        QVERIFY(meanGrey(view().grab().toImage()) > 200);
    }
};

QTEST_MAIN(DatapathTest)
#include "datapath_test.moc"
