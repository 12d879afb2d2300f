// The student's loop, scripted: exercise 02's solution with a typo fixed in
// the editor, then every key or switch of window counted up to the first
// Step of the mended program in the emulator.
#include "../receiver_thread.h"
#include "editor_window.h"
#include "emulator_windows.h"
#include "execution_window.h"
#include "fake_dialogs.h"
#include "handoff.h"
#include "main_window.h"
#include "platform.h"

#include <Qsci/qsciscintilla.h>

#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace mox;
using namespace mox::ui;

namespace {

// Build's terminal without a terminal: it runs what it was given at once.
class Terminal : public ProgramStarter {
public:
    QString findProgram(const QString& name, const QStringList& dirs) const override {
        return name == "xterm"  ? "/usr/bin/xterm"
               : dirs.isEmpty() ? QString()
                                : QDir(dirs.front()).filePath(name);
    }
    QString realProgramName(const QString& path) const override { return path; }
    bool startDetached(const QString&, const QStringList& arguments) override {
        const qsizetype run = arguments.indexOf("-e");
        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(arguments.at(run + 1), arguments.mid(run + 2));
        return process.waitForFinished(30000);
    }
};

} // namespace

class LoopTest : public QObject {
    Q_OBJECT

    QTemporaryDir temp;
    FakeDialogs dialogs;
    Terminal terminal;
    std::unique_ptr<EmulatorWindows> emulator;
    std::unique_ptr<ReceiverThread> receiver;
    std::unique_ptr<EditorWindow> editor;
    int actions = 0;

    void press(const QKeySequence& keys) {
        ++actions;
        QTest::keySequence(QApplication::focusWidget(), keys);
    }
    void verifyFirstStep() {
        QFile built(temp.filePath("sum.8xe"));
        QVERIFY(built.open(QIODevice::ReadOnly));
        const QString words = QString::fromLatin1(built.readAll()).toUpper();
        QCOMPARE(emulator->executionWindow().programListingText(), words);
        QCOMPARE(emulator->executionWindow().nextInstructionLabel()->text(),
                 "Next Instruction: " + words.mid(4, 4));
    }

private slots:
    void init() {
        QFile solution(MOX_SOURCE_DIR "/examples/exercises/02-sum/solution.asm");
        QVERIFY(solution.open(QIODevice::ReadOnly));
        const QString mended = QString::fromUtf8(solution.readAll());
        QFile typo(temp.filePath("sum.asm"));
        QVERIFY(typo.open(QIODevice::WriteOnly));
        typo.write(QString(mended).replace("add ", "ad ").toUtf8());
        typo.close();

        emulator = std::make_unique<EmulatorWindows>(dialogs);
        emulator->mainWindow().onMainCommand(StepByStepCommand); // an earlier session's
        receiver = std::make_unique<ReceiverThread>();
        QVERIFY(receiver->claim(temp.filePath("emulator")));
        connect(receiver->receiver, &ProgramReceiver::programReceived, &emulator->mainWindow(),
                [this](const QString& path) { emulator->loadSent(path); });
        // The emulator shows an earlier build, and the editor the typo.
        QFile earlier(temp.filePath("sum.8xe"));
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("f000") == 4);
        earlier.close();
        emulator->loadFile(QFile::encodeName(temp.filePath("sum.8xe")).toStdString());
        editor = std::make_unique<EditorWindow>(nullptr, &terminal);
        editor->setProgramPath(MOX_BIN_DIR "/editor");
        editor->setHandoffName(temp.filePath("emulator"));
        editor->openArgument(typo.fileName());
        editor->show();
        editor->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(editor.get()));
        editor->editBox()->setText(mended); // fixed: the loop starts here
        actions = 0;
    }
    void cleanup() {
        editor.reset();
        receiver.reset();
        emulator.reset();
    }

    void buildAndRun() {
        press(Qt::Key_F5);
        QTRY_VERIFY(emulator->executionWindow().isActiveWindow());
        press(Qt::Key_Space); // on Step, where the load left the focus
        verifyFirstStep();
        qInfo("Build and Run: %d actions from the fixed typo to the first Step", actions);
        QVERIFY(actions <= 2);
    }

    void buildAndReload() {
        press(Qt::Key_F7);
        // The terminal stays at its pause; the emulator is one switch away.
        ++actions;
        emulator->executionWindow().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&emulator->executionWindow()));
        press(QKeySequence("Ctrl+R"));
        press(Qt::Key_Space);
        verifyFirstStep();
        qInfo("Build and Reload: %d actions from the fixed typo to the first Step", actions);
        QVERIFY(actions <= 4);
    }
};

QTEST_MAIN(LoopTest)
#include "loop_test.moc"
