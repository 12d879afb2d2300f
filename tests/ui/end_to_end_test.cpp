// From source to screen: zerlant assembles an example, the windows load the
// .8xe it wrote and show what the program left in the machine.
#include "address_box.h"
#include "emulator_windows.h"
#include "execution_window.h"
#include "fake_dialogs.h"
#include "main_window.h"
#include "memory_map_window.h"
#include "pictures.h"
#include "window_frame.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace mox::ui;

class EndToEndTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir temp;
    QString program;

    QStringList registerTexts(const ExecutionWindow& execution) {
        return {execution.registerBox(0)->text(), execution.registerBox(0)->valueText(),
                execution.registerBox(1)->text(), execution.registerBox(1)->valueText()};
    }

private slots:
    void initTestCase() {
        const QString zerlant = QStringLiteral(MOX_BIN_DIR "/zerlant");
        if (!QFile::exists(zerlant)) {
            QSKIP("zerlant is not built");
        }
        const QString source = temp.filePath("memory.asm");
        QVERIFY(QFile::copy(QStringLiteral(MOX_SOURCE_DIR "/examples/memory.asm"), source));
        QProcess assembler;
        assembler.setStandardInputFile(QProcess::nullDevice());
        assembler.start(zerlant, {source});
        QVERIFY(assembler.waitForFinished(30000));
        QCOMPARE(assembler.exitCode(), 0);
        program = temp.filePath("memory.8xe");
        QVERIFY2(QFile::exists(program), assembler.readAllStandardOutput().constData());
    }

    void fullExecutionShowsTheResult() {
        FakeDialogs dialogs;
        EmulatorWindows windows(dialogs);
        dialogs.answers.push_back(program);
        QTest::mouseClick(windows.mainWindow().clientArea(), Qt::LeftButton, {}, QPoint(60, 110));

        ExecutionWindow& execution = windows.executionWindow();
        QVERIFY(execution.isVisible());
        QCOMPARE(dialogs.messages.size(), 1u);
        QCOMPARE(dialogs.messages[0].text, "Execution Complete!. . Successful Run!");
        QCOMPARE(registerTexts(execution), QStringList({"Address: 0", "0", "Address: 1", "2a"}));
        execution.button("Down")->click();
        QCOMPARE(registerTexts(execution), QStringList({"Address: 2", "2a", "Address: 3", "0"}));
        QCOMPARE(windows.memoryMapWindow().view().cell(16)->text(), "Address: 10");
        QCOMPARE(windows.memoryMapWindow().view().cell(16)->valueText(), "2a");
    }

    void stepByStepWalksThroughTheWords() {
        FakeDialogs dialogs;
        EmulatorWindows windows(dialogs);
        findCommand(&windows.mainWindow(), StepByStepCommand)->trigger();
        dialogs.answers.push_back(program);
        findCommand(&windows.mainWindow(), RunFileCommand)->trigger();

        ExecutionWindow& execution = windows.executionWindow();
        QCOMPARE(execution.nextInstructionLabel()->text(), "Next Instruction: 202A");
        for (int word = 0; word < 4; ++word) {
            execution.button("Step")->click();
        }
        // load, store, load, loadm: bx holds what ax held before it was cleared.
        QCOMPARE(registerTexts(execution), QStringList({"Address: 0", "0", "Address: 1", "2a"}));
        QVERIFY(dialogs.messages.empty());
    }
};

QTEST_MAIN(EndToEndTest)
#include "end_to_end_test.moc"
