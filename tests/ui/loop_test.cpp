// The student's loop, scripted: exercise 02 with a typo, fixed in the editor,
// then every key or switch of window counted up to the first Step that runs
// the mended program in the emulator.
#include "codeview.h"
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

class NoEditorDialogs : public EditorDialogs {
public:
    Answer ask(const QString&, const QString&) override { return Answer::No; }
    void inform(const QString&, const QString&) override {}
    void warn(const QString& caption, const QString& text) override {
        warnings << caption + '|' + text;
    }
    std::optional<QString> chooseOpenFile(const QString&) override { return std::nullopt; }
    std::optional<QString> chooseSaveFile(const QString&) override { return std::nullopt; }
    std::optional<QString> askText(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<int> askNumber(const QString&, const QString&, int, int, int) override {
        return std::nullopt;
    }
    QStringList warnings;
};

// Build's terminal, run without a terminal: zerlant on the file, as it
// would have been started.
class TerminalStarter : public ProgramStarter {
public:
    QString findProgram(const QString& name, const QStringList& dirs) const override {
        if (name == QLatin1String("zerlant") && !dirs.isEmpty()) {
            return QStringLiteral(MOX_BIN_DIR "/zerlant");
        }
        return name == QLatin1String("xterm") ? QStringLiteral("/usr/bin/xterm") : QString();
    }
    QString realProgramName(const QString& path) const override { return path; }
    bool startDetached(const QString& program, const QStringList& arguments) override {
        started << program;
        const qsizetype run = arguments.indexOf(QStringLiteral("-e"));
        if (run < 0) {
            return false;
        }
        QProcess zerlant;
        zerlant.setStandardInputFile(QProcess::nullDevice());
        zerlant.start(arguments.at(run + 1), arguments.mid(run + 2));
        return zerlant.waitForFinished(30000);
    }
    QStringList started;
};

} // namespace

class LoopTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir temp;
    FakeDialogs emulatorDialogs;
    NoEditorDialogs editorDialogs;
    TerminalStarter starter;
    std::unique_ptr<EmulatorWindows> emulator;
    std::unique_ptr<ProgramReceiver> receiver;
    std::unique_ptr<CodeView> editor;
    QString source;
    QString mended;
    int actions = 0;

    // One thing the student does: a key in the window that has the focus.
    void press(const QKeySequence& keys) {
        ++actions;
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus);
        QTest::keySequence(focus, keys);
    }
    // The other: bringing another window to the front.
    void switchTo(QWidget* window) {
        ++actions;
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }
    // The first word of the mended program has run, and only it.
    void verifyFirstStep() {
        const Cpu& cpu = emulator->machine().cpu;
        QCOMPARE(cpu.instructionPointer, 4);
        QFile built(temp.filePath(QStringLiteral("sum.8xe")));
        QVERIFY(built.open(QIODevice::ReadOnly));
        const QByteArray words = built.readAll().toUpper();
        QCOMPARE(emulator->executionWindow().programListingText().toLatin1(), words);
        QCOMPARE(emulator->executionWindow().nextInstructionLabel()->text().toLatin1(),
                 "Next Instruction: " + words.mid(4, 4));
    }

private slots:
    void init() {
        QFile solution(QStringLiteral(MOX_SOURCE_DIR "/examples/exercises/02-sum/solution.asm"));
        QVERIFY(solution.open(QIODevice::ReadOnly));
        mended = QString::fromUtf8(solution.readAll()).replace(QStringLiteral("\r\n"), "\n");
        QString typo = mended;
        const qsizetype add = typo.indexOf(QStringLiteral("add "));
        QVERIFY(add >= 0);
        typo.replace(add, 4, QStringLiteral("ad "));
        source = temp.filePath(QStringLiteral("sum.asm"));
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(typo.toUtf8());
        file.close();

        emulatorDialogs = FakeDialogs();
        emulator = std::make_unique<EmulatorWindows>(emulatorDialogs);
        // Chosen once, in an earlier session.
        emulator->mainWindow().onMainCommand(StepByStepCommand);
        receiver = std::make_unique<ProgramReceiver>();
        QVERIFY(receiver->listen(temp.filePath(QStringLiteral("emulator"))));
        connect(receiver.get(), &ProgramReceiver::programReceived, &emulator->mainWindow(),
                [this](const QString& path) { emulator->loadSent(path); });

        editor = std::make_unique<CodeView>(&editorDialogs, &starter);
        editor->setProgramDir(QStringLiteral(MOX_BIN_DIR));
        editor->setHandoffName(temp.filePath(QStringLiteral("emulator")));
        editor->openArgument(source);
        editor->show();
        editor->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(editor.get()));
        editor->editBox()->setFocus();
        // The typo fixed: where the loop starts.
        editor->editBox()->setText(mended);
        actions = 0;
    }
    void cleanup() {
        editor.reset();
        receiver.reset();
        emulator.reset();
    }

    void buildAndRunThenStep() {
        press(Qt::Key_F5);
        QTRY_VERIFY(emulator->executionWindow().isActiveWindow());
        QCOMPARE(QApplication::focusWidget(), emulator->executionWindow().button("Step"));
        press(Qt::Key_Space);
        verifyFirstStep();
        qInfo("Build and Run: %d actions from the fixed typo to the first Step", actions);
        QVERIFY(actions <= 2);
        QVERIFY(editorDialogs.warnings.isEmpty());
    }

    void buildThenReloadThenStep() {
        // The first try loaded the file, with the typo: a 0-byte listing.
        QFile(temp.filePath(QStringLiteral("sum.8xe"))).open(QIODevice::WriteOnly);
        emulator->loadFile(
            QFile::encodeName(temp.filePath(QStringLiteral("sum.8xe"))).toStdString());
        editor->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(editor.get()));
        editor->editBox()->setFocus();
        actions = 0;

        press(Qt::Key_F7);
        QCOMPARE(starter.started, QStringList{"/usr/bin/xterm"});
        // The terminal waits at its pause; the emulator is one switch away.
        switchTo(&emulator->executionWindow());
        press(QKeySequence(Qt::CTRL | Qt::Key_R));
        QCOMPARE(QApplication::focusWidget(), emulator->executionWindow().button("Step"));
        press(Qt::Key_Space);
        verifyFirstStep();
        qInfo("Build and Reload: %d actions from the fixed typo to the first Step", actions);
    }
};

QTEST_MAIN(LoopTest)
#include "loop_test.moc"
