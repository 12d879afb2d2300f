#include "../accessible_tree.h"
#include "../modal_dialog.h"
#include "../receiver_thread.h"
#include "asmlexer.h"
#include "editor_window.h"
#include "handoff.h"
#include "platform.h"

#include <Qsci/qsciscintilla.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QLocalServer>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sys/resource.h>

using mox::EditorWindow;
using Answer = mox::EditorDialogs::Answer;
using Sci = QsciScintilla;

namespace {

// Answers every dialog from queues filled by the test and records what was
// shown; an unexpected question is answered No and shows up in the record.
class FakeDialogs : public mox::EditorDialogs {
public:
    std::deque<Answer> answers;
    std::deque<std::optional<QString>> openPaths;
    std::deque<std::optional<QString>> savePaths;
    std::deque<std::optional<QString>> texts;
    std::deque<std::optional<int>> numbers;
    QStringList questions; // "caption|text"
    QStringList messages;  // "caption|text"
    QStringList folders;   // where each file dialog started
    int openDialogs = 0;
    int saveDialogs = 0;

    Answer ask(const QString& caption, const QString& text) override {
        questions << caption + '|' + text;
        if (answers.empty())
            return Answer::No;
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void inform(const QString& caption, const QString& text) override {
        messages << caption + '|' + text;
    }
    void warn(const QString& caption, const QString& text) override {
        messages << caption + '|' + text;
    }
    std::optional<QString> chooseOpenFile(const QString& folder) override {
        ++openDialogs;
        folders << folder;
        return take(openPaths);
    }
    std::optional<QString> chooseSaveFile(const QString& folder) override {
        ++saveDialogs;
        folders << folder;
        return take(savePaths);
    }
    std::optional<QString> askText(const QString&, const QString&, const QString&) override {
        return take(texts);
    }
    std::optional<int> askNumber(const QString&, const QString&, int, int, int) override {
        return take(numbers);
    }

private:
    template <typename T> static std::optional<T> take(std::deque<std::optional<T>>& queue) {
        if (queue.empty())
            return std::nullopt;
        const std::optional<T> value = queue.front();
        queue.pop_front();
        return value;
    }
};

// A file system of executables given by the test, and a record of starts.
class FakeStarter : public mox::ProgramStarter {
public:
    QStringList pathDirs{QStringLiteral("/usr/local/bin"), QStringLiteral("/usr/bin")};
    std::set<QString> executables;
    std::map<QString, QString> links; // path -> the program it finally runs
    bool startResult = true;
    QStringList startedPrograms;
    QList<QStringList> startedArguments;

    QString findProgram(const QString& name, const QStringList& dirs) const override {
        for (const QString& dir : dirs.isEmpty() ? pathDirs : dirs) {
            const QString path = dir + '/' + name;
            if (executables.count(path))
                return path;
        }
        return {};
    }
    QString realProgramName(const QString& path) const override {
        const auto link = links.find(path);
        return QFileInfo(link == links.end() ? path : link->second).fileName();
    }
    bool startDetached(const QString& program, const QStringList& arguments) override {
        startedPrograms << program;
        startedArguments << arguments;
        return startResult;
    }
};

QByteArray readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll();
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString title(const QString& name) {
    return QStringLiteral("ZERLANT - [Code View] - ") + name;
}

QByteArray bytesOf(const EditorWindow& view) {
    const std::string_view bytes = view.documentBytes();
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Runs the built zerlant on a file and gives its error lines.
QStringList zerlantErrors(const QString& source) {
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral(MOX_BIN_DIR "/zerlant"), {source});
    if (!process.waitForFinished(30000))
        return {QStringLiteral("<zerlant did not finish>")};
    QStringList errors;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n'))
        if (line.startsWith("error on line(") || line.startsWith("fatal error: "))
            errors << QString::fromLatin1(line);
    return errors;
}

// The contrast ratio, as the web's accessibility rules define it, between
// the darkest colour of a picture and its most common one, its ground.
double textContrast(const QImage& image) {
    const auto luminance = [](QRgb rgb) {
        const auto linear = [](int channel) {
            const double c = channel / 255.0;
            return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(qRed(rgb)) + 0.7152 * linear(qGreen(rgb)) +
               0.0722 * linear(qBlue(rgb));
    };
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y) | 0xff000000u];
    if (counts.empty())
        return 0;
    const QRgb ground =
        std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
            return a.second < b.second;
        })->first;
    double darkest = luminance(ground);
    for (const auto& [rgb, count] : counts)
        darkest = std::min(darkest, luminance(rgb));
    return (luminance(ground) + 0.05) / (darkest + 0.05);
}

} // namespace

class EditorWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startsUntitledAndUnmodified();
    void menusKeepTextsOrderAndNumbers();
    void shortcutsReachTheirCommands();
    void editBoxFillsClientArea();
    void tabsStopEveryEightCharacters();
    void tracksModification();
    void savePromptsAndAnswers_data();
    void savePromptsAndAnswers();
    void yesWithoutSaveStopsTheCommand_data();
    void yesWithoutSaveStopsTheCommand();
    void closeBoxAsksBeforeClosing();
    void saveAppendsExtension_data();
    void saveAppendsExtension();
    void saveAsCancelledKeepsState();
    void dialogsStartWhereTheDocumentIs();
    void titleShowsNameAsItIs_data();
    void titleShowsNameAsItIs();
    void saveRewritesUnmodifiedFile();
    void loadsLineEnds_data();
    void loadsLineEnds();
    void roundTripsFileBytes_data();
    void roundTripsFileBytes();
    void roundTripsRandomBytes();
    void openRefusesWhatIsNoFile_data();
    void openRefusesWhatIsNoFile();
    void saveKeepsTheFileWhatItWas();
    void failedSaveKeepsWork_data();
    void failedSaveKeepsWork();
    void failedSaveKeepsOldFile();
    void showsAbout();
    void coloursFromTheInstructionTable();
    void completesAndExplainsMnemonics();
    void marksErrorsInPlace();
    void errorsEqualZerlants();
    void findsAndGoesToLines();
    void zoomIsRemembered();
    void buildStartsAssemblerInTerminal_data();
    void buildStartsAssemblerInTerminal();
    void buildReportsWhatIsMissing_data();
    void buildReportsWhatIsMissing();
    void buildAfterFailedSaveStillStartsAssembler();
    void buildRunsRealAssembler();
    void openArgumentOpensOrNamesTheFile();
    void buildAndRun_data();
    void buildAndRun();
    void theWindowIsReadableAndNamed();
    void messageBoxesShowPlainText_data();
    void messageBoxesShowPlainText();
    void promptCancelledByEscapeOrCloseBox();
    void fileDialogsOfferAsmFirst_data();
    void fileDialogsOfferAsmFirst();

private:
    void trigger(int id);
    void type(const QString& text);
    // Writes the bytes to a file of the test folder and opens it.
    void openFile(const QString& name, const QByteArray& bytes);
    void openBytes(const QByteArray& bytes);
    QString path(const QString& name) const { return dir_->filePath(name); }
    int cursorLine() const;

    QTemporaryDir settingsDir_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<FakeDialogs> dialogs_;
    std::unique_ptr<FakeStarter> starter_;
    std::unique_ptr<EditorWindow> view_;
};

void EditorWindowTest::initTestCase() {
    // Never the user's own settings.
    QCoreApplication::setOrganizationName(QStringLiteral("mox77-test"));
    QCoreApplication::setApplicationName(QStringLiteral("editor-test"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_.path());
    QSettings().clear();
}

void EditorWindowTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    dialogs_ = std::make_unique<FakeDialogs>();
    starter_ = std::make_unique<FakeStarter>();
    view_ = std::make_unique<EditorWindow>(dialogs_.get(), starter_.get());
    view_->setProgramPath(QStringLiteral("/opt/mox/bin/editor"));
    view_->show();
    view_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(view_.get()));
    view_->editBox()->setFocus();
}

void EditorWindowTest::cleanup() {
    view_.reset();
    starter_.reset();
    dialogs_.reset();
    dir_.reset();
}

void EditorWindowTest::trigger(int id) {
    QAction* action = view_->commandAction(id);
    QVERIFY2(action, qPrintable(QString::number(id)));
    action->trigger();
}

void EditorWindowTest::type(const QString& text) {
    const QStringList lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(view_->editBox(), Qt::Key_Return);
        QTest::keyClicks(view_->editBox(), lines[i]);
    }
}

int EditorWindowTest::cursorLine() const {
    int line = -1;
    int index = -1;
    view_->editBox()->getCursorPosition(&line, &index);
    return line;
}

void EditorWindowTest::openFile(const QString& name, const QByteArray& bytes) {
    QVERIFY(writeBytes(path(name), bytes));
    dialogs_->openPaths.push_back(path(name));
    trigger(mox::cmdOpen);
}

void EditorWindowTest::openBytes(const QByteArray& bytes) {
    openFile("opened.asm", bytes);
    view_->checkNow();
}

void EditorWindowTest::startsUntitledAndUnmodified() {
    QCOMPARE(view_->objectName(), QStringLiteral("CODEVIEW"));
    QCOMPARE(view_->windowTitle(), title("Untitled.asm"));
    QCOMPARE(view_->fileName(), QStringLiteral("Untitled.asm"));
    QVERIFY(!view_->isModified());
    QVERIFY(view_->documentText().isEmpty());
    QVERIFY(!view_->windowIcon().isNull());
    // An empty program lacks its halt.
    QCOMPARE(view_->errorLines(),
             QStringList{"fatal error: application requries a halt instruction"});
}

void EditorWindowTest::menusKeepTextsOrderAndNumbers() {
    QStringList seen;
    std::set<QString> shortcuts;
    std::set<int> ids;
    const QStringList firstMenus{"File", "Assemble", "Help"};
    for (QAction* menuAction : view_->menuBar()->actions()) {
        const bool added = !firstMenus.contains(QString(menuAction->text()).remove('&'));
        seen << menuAction->text();
        for (QAction* item : menuAction->menu()->actions()) {
            if (item->isSeparator()) {
                if (!added)
                    seen << QStringLiteral("-");
                continue;
            }
            QVERIFY2(ids.insert(item->data().toInt()).second, qPrintable(item->text()));
            const QString keys = item->shortcut().toString(QKeySequence::PortableText);
            QVERIFY2(keys.isEmpty() || shortcuts.insert(keys).second, qPrintable(keys));
            if (!added)
                seen << item->text() + '=' + item->data().toString() + ' ' + keys;
        }
    }
    const QStringList expected{"File",
                               "N&ew=40001 Ctrl+N",
                               "-",
                               "Open=40002 Ctrl+O",
                               "Save=40003 Ctrl+S",
                               "Save As..=40004 Ctrl+Shift+S",
                               "-",
                               "E&xit=40005 Ctrl+Q",
                               "&Edit",
                               "&View",
                               "&Assemble",
                               "Build=40006 F7",
                               "Build and &Run=40022 F5",
                               "Help",
                               "About=40007 "};
    QCOMPARE(seen, expected);
}

void EditorWindowTest::shortcutsReachTheirCommands() {
    // The text area takes many keys for itself; these must still reach the menu.
    type("halt\nlod ax, 1");
    view_->checkNow();
    dialogs_->savePaths.push_back(path("keys.asm"));
    QTest::keyClick(view_->editBox(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(readBytes(path("keys.asm")), QByteArray("halt\r\nlod ax, 1"));
    QTest::keyClick(view_->editBox(), Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(view_->editBox(), Qt::Key_F8);
    QCOMPARE(cursorLine(), 1);
    dialogs_->numbers.push_back(1);
    QTest::keyClick(view_->editBox(), Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(cursorLine(), 0);
    // F3 with nothing to find yet asks what to find.
    dialogs_->texts.push_back(QStringLiteral("lod"));
    QTest::keyClick(view_->editBox(), Qt::Key_F3);
    QCOMPARE(view_->editBox()->selectedText(), QStringLiteral("lod"));
    QTest::keyClick(view_->editBox(), Qt::Key_Home, Qt::ControlModifier);
    type("x");
    dialogs_->answers.push_back(Answer::Cancel);
    QTest::keyClick(view_->editBox(), Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(dialogs_->questions.size(), 1);
    QTest::keyClick(view_->editBox(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(dialogs_->saveDialogs, 2);
    QTest::keyClick(view_->editBox(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(dialogs_->questions.size(), 2);
    view_->editBox()->zoomTo(3);
    QTest::keyClick(view_->editBox(), Qt::Key_0, Qt::ControlModifier);
    QCOMPARE(view_->editBox()->SendScintilla(Sci::SCI_GETZOOM), 0L);
}

void EditorWindowTest::editBoxFillsClientArea() {
    QCOMPARE(view_->size(), QSize(634, 455));
    Sci* edit = view_->editBox();
    QCOMPARE(view_->centralWidget(), edit);
    QCOMPARE(edit->geometry().top(), view_->menuBar()->geometry().bottom() + 1);
    QCOMPARE(edit->geometry().bottom() + 1, view_->statusBar()->geometry().top());
    QCOMPARE(view_->statusBar()->geometry().bottom(), view_->height() - 1);
    QCOMPARE(edit->width(), view_->width());
    QCOMPARE(edit->wrapMode(), Sci::WrapNone);
    QCOMPARE(edit->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(edit->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QVERIFY(edit->horizontalScrollBar()->isVisible());
    QVERIFY(edit->verticalScrollBar()->isVisible());
    const QFont font = edit->lexer()->font(mox::AsmLexer::Default);
    QCOMPARE(QFontInfo(font).pixelSize(), 15);
    // Every letter as wide as any other, whether or not fontconfig marks the
    // font as fixed (it does not for Noto Sans Mono).
    const QFontMetrics metrics(font);
    QCOMPARE(metrics.horizontalAdvance(QStringLiteral("iiii")),
             metrics.horizontalAdvance(QStringLiteral("WWWW")));
    view_->resize(900, 700);
    QCOMPARE(edit->width(), 900);
}

void EditorWindowTest::tabsStopEveryEightCharacters() {
    Sci* edit = view_->editBox();
    edit->setText(QStringLiteral("\tx\n1234567\tx\n12345678x\n12345678\tx"));
    const auto columnLeft = [edit](int line, int column) {
        const long position = edit->positionFromLineIndex(line, column);
        return edit->SendScintilla(Sci::SCI_POINTXFROMPOSITION, 0UL, position);
    };
    const long eighth = columnLeft(2, 8);
    QVERIFY(eighth > columnLeft(2, 7));
    QCOMPARE(columnLeft(0, 1), eighth);
    QCOMPARE(columnLeft(1, 8), eighth);
    QCOMPARE(columnLeft(3, 9), columnLeft(3, 8) + 8 * (eighth - columnLeft(2, 7)));
}

void EditorWindowTest::tracksModification() {
    type("load ax, 1");
    QVERIFY(view_->isModified());
    trigger(mox::cmdNew);
    QCOMPARE(dialogs_->questions.size(), 1); // answered No
    QVERIFY(!view_->isModified());
    QVERIFY(view_->documentText().isEmpty());

    // Nothing typed since New: no prompt.
    trigger(mox::cmdNew);
    QCOMPARE(dialogs_->questions.size(), 1);

    openFile("a.asm", "halt\r\n");
    QVERIFY(!view_->isModified());
    trigger(mox::cmdNew);
    QCOMPARE(dialogs_->questions.size(), 1);

    dialogs_->openPaths.push_back(path("a.asm"));
    trigger(mox::cmdOpen);
    type("x");
    QVERIFY(view_->isModified());
    trigger(mox::cmdUndo);
    QCOMPARE(view_->documentText(), QStringLiteral("halt\n"));
    QVERIFY(view_->isModified()); // undoing does not clear it
    trigger(mox::cmdSave);
    QVERIFY(!view_->isModified());
    QCOMPARE(dialogs_->questions.size(), 1);
}

void EditorWindowTest::savePromptsAndAnswers_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<Answer>("answer");

    const std::pair<int, const char*> commands[] = {
        {mox::cmdNew, "Do you wish to Save current?"},
        {mox::cmdOpen, "Do you wish to save current?"},
        {mox::cmdExit, "Do you wish to Save before Exit?"}};
    const std::pair<Answer, const char*> answers[] = {
        {Answer::Yes, "yes"}, {Answer::No, "no"}, {Answer::Cancel, "cancel"}};
    for (const auto& [command, prompt] : commands)
        for (const auto& [answer, name] : answers)
            QTest::addRow("%s, %s", prompt, name) << command << prompt << answer;
}

void EditorWindowTest::savePromptsAndAnswers() {
    QFETCH(int, command);
    QFETCH(QString, prompt);
    QFETCH(Answer, answer);

    QVERIFY(writeBytes(path("other.asm"), "inc bx\r\nhalt\r\n"));
    openFile("mine.asm", "halt\r\n");
    dialogs_->openPaths.push_back(path("other.asm"));
    dialogs_->answers.push_back(answer);
    type("inc ax\n");
    trigger(command);

    QCOMPARE(dialogs_->questions, QStringList{"Save?|" + prompt});
    QCOMPARE(readBytes(path("mine.asm")),
             QByteArray(answer == Answer::Yes ? "inc ax\r\nhalt\r\n" : "halt\r\n"));
    if (answer == Answer::Cancel) {
        // Nothing happened: the text, the name and the flag are as they were.
        QCOMPARE(dialogs_->openDialogs, 1);
        QCOMPARE(view_->documentText(), QStringLiteral("inc ax\nhalt\n"));
        QCOMPARE(view_->windowTitle(), title(path("mine.asm")));
        QVERIFY(view_->isModified());
        QVERIFY(view_->isVisible());
        return;
    }
    QVERIFY(!view_->isModified() || command == mox::cmdExit);
    switch (command) {
    case mox::cmdNew:
        QCOMPARE(view_->windowTitle(), title("Untitled.asm"));
        QVERIFY(view_->documentText().isEmpty());
        break;
    case mox::cmdOpen:
        QCOMPARE(view_->windowTitle(), title(path("other.asm")));
        QCOMPARE(view_->documentText(), QStringLiteral("inc bx\nhalt\n"));
        break;
    default:
        QVERIFY(!view_->isVisible());
    }
}

void EditorWindowTest::yesWithoutSaveStopsTheCommand_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<bool>("cancelDialog"); // else the write fails
    for (bool cancel : {true, false}) {
        const char* how = cancel ? "cancelled" : "failed";
        QTest::addRow("new, %s", how) << int(mox::cmdNew) << cancel;
        QTest::addRow("open, %s", how) << int(mox::cmdOpen) << cancel;
        QTest::addRow("exit, %s", how) << int(mox::cmdExit) << cancel;
    }
}

void EditorWindowTest::yesWithoutSaveStopsTheCommand() {
    QFETCH(int, command);
    QFETCH(bool, cancelDialog);

    dialogs_->answers.push_back(Answer::Yes);
    dialogs_->savePaths.push_back(cancelDialog ? std::nullopt
                                               : std::optional(path("missing/dir/prog.asm")));
    type("load ax, 2");
    trigger(command);

    QCOMPARE(dialogs_->saveDialogs, 1);
    QCOMPARE(dialogs_->openDialogs, 0);
    QCOMPARE(dialogs_->messages.size(), cancelDialog ? 0 : 1);
    QCOMPARE(view_->documentText(), QStringLiteral("load ax, 2"));
    QVERIFY(view_->isModified());
    QVERIFY(view_->isVisible());
    QCOMPARE(view_->windowTitle(), title("Untitled.asm"));
}

void EditorWindowTest::closeBoxAsksBeforeClosing() {
    QVERIFY(view_->close()); // nothing typed: no question
    QVERIFY(dialogs_->questions.isEmpty());

    view_->show();
    type("halt");
    dialogs_->answers = {Answer::Yes, Answer::Cancel, Answer::No};
    dialogs_->savePaths.push_back(std::nullopt);
    QVERIFY(!view_->close());
    QCOMPARE(dialogs_->questions, QStringList{"Save?|Do you wish to Save before Exit?"});
    QVERIFY(view_->isVisible());
    QVERIFY(!view_->close());
    QVERIFY(view_->close()); // No discards
    QCOMPARE(dialogs_->questions.size(), 3);
}

void EditorWindowTest::saveAppendsExtension_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");

    QTest::newRow("no extension") << "prog"
                                  << "prog.asm";
    QTest::newRow("already .asm") << "prog.asm"
                                  << "prog.asm";
    QTest::newRow("upper case") << "PROG.ASM"
                                << "PROG.ASM.asm";
    QTest::newRow("inside the name") << "notes.asm.txt"
                                     << "notes.asm.txt";
    QTest::newRow("folder named x.asm") << "x.asm/prog"
                                        << "x.asm/prog";
    QTest::newRow("blanks and quotes") << "my prog's $(x).s"
                                       << "my prog's $(x).s.asm";
}

void EditorWindowTest::saveAppendsExtension() {
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    QVERIFY(QDir(dir_->path()).mkdir("x.asm"));

    type("halt\n");
    dialogs_->savePaths.push_back(path(chosen));
    trigger(mox::cmdSave); // untitled: becomes Save As
    QCOMPARE(dialogs_->saveDialogs, 1);
    QCOMPARE(view_->fileName(), path(written));
    QCOMPARE(view_->windowTitle(), title(path(written)));
    QCOMPARE(readBytes(path(written)), QByteArray("halt\r\n"));
    QVERIFY(!view_->isModified());

    // Named now: Save writes without asking.
    type("inc ax");
    trigger(mox::cmdSave);
    QCOMPARE(dialogs_->saveDialogs, 1);
    QCOMPARE(readBytes(path(written)), QByteArray("halt\r\ninc ax"));
}

void EditorWindowTest::saveAsCancelledKeepsState() {
    openFile("a.asm", "halt\r\n");
    type("x");
    trigger(mox::cmdSaveAs);
    QCOMPARE(dialogs_->saveDialogs, 1);
    QCOMPARE(view_->fileName(), path("a.asm"));
    QVERIFY(view_->isModified());
    QCOMPARE(readBytes(path("a.asm")), QByteArray("halt\r\n"));

    dialogs_->savePaths.push_back(path("b"));
    trigger(mox::cmdSaveAs);
    QCOMPARE(view_->windowTitle(), title(path("b.asm")));
    QCOMPARE(readBytes(path("b.asm")), QByteArray("xhalt\r\n"));
    QCOMPARE(readBytes(path("a.asm")), QByteArray("halt\r\n"));
}

void EditorWindowTest::dialogsStartWhereTheDocumentIs() {
    QVERIFY(QDir(dir_->path()).mkdir("sub"));
    QVERIFY(writeBytes(path("sub/a.asm"), "halt\r\n"));
    dialogs_->openPaths = {path("sub/a.asm"), std::nullopt};
    trigger(mox::cmdOpen);
    trigger(mox::cmdSaveAs);
    trigger(mox::cmdOpen);
    trigger(mox::cmdNew);
    trigger(mox::cmdSaveAs);
    const QString here = QDir::currentPath();
    const QString sub = QFileInfo(path("sub")).absoluteFilePath();
    QCOMPARE(dialogs_->folders, (QStringList{here, sub, sub, here}));
}

void EditorWindowTest::titleShowsNameAsItIs_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("marker") << "a[*]b.asm";
    QTest::newRow("marker twice") << "[*][*].asm";
    QTest::newRow("marker and star") << "[*]*].asm";
    QTest::newRow("brackets") << "[Code View].asm";
}

void EditorWindowTest::titleShowsNameAsItIs() {
    QFETCH(QString, name);
    openFile(name, "halt\r\n");
    QCOMPARE(view_->fileName(), path(name));
    // What the window system is given, after Qt's own title processing.
    QCOMPARE(view_->windowHandle()->title(), title(path(name)));
    type("x");
    QCOMPARE(view_->windowHandle()->title(), title(path(name)));
}

void EditorWindowTest::saveRewritesUnmodifiedFile() {
    openFile("a.asm", "halt\n");
    QVERIFY(writeBytes(path("a.asm"), "changed elsewhere"));
    trigger(mox::cmdSave);
    QCOMPARE(readBytes(path("a.asm")), QByteArray("halt\r\n"));
}

void EditorWindowTest::loadsLineEnds_data() {
    QTest::addColumn<QByteArray>("onDisk");
    QTest::addColumn<QByteArray>("shown");
    QTest::addColumn<QByteArray>("saved");

    QTest::newRow("CR LF") << QByteArray("load ax, ff\r\nhalt\r\n")
                           << QByteArray("load ax, ff\nhalt\n")
                           << QByteArray("load ax, ff\r\nhalt\r\n");
    QTest::newRow("bare LF") << QByteArray("load ax, ff\nhalt") << QByteArray("load ax, ff\nhalt")
                             << QByteArray("load ax, ff\r\nhalt");
    QTest::newRow("stray CR") << QByteArray("inc ax\rinc bx\r\r\nhalt\r")
                              << QByteArray("inc axinc bx\nhalt")
                              << QByteArray("inc axinc bx\r\nhalt");
    QTest::newRow("blank lines") << QByteArray("\n\r\n\n") << QByteArray("\n\n\n")
                                 << QByteArray("\r\n\r\n\r\n");
    QTest::newRow("empty") << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("zero bytes kept")
        << QByteArray("halt\r\n\0junk\0\r\n", 14) << QByteArray("halt\n\0junk\0\n", 12)
        << QByteArray("halt\r\n\0junk\0\r\n", 14);
}

void EditorWindowTest::loadsLineEnds() {
    QFETCH(QByteArray, onDisk);
    QFETCH(QByteArray, shown);
    QFETCH(QByteArray, saved);

    view_->editBox()->setText("previous text");
    dialogs_->answers.push_back(Answer::No);
    openFile("in.asm", onDisk);
    QCOMPARE(bytesOf(*view_), shown);
    QCOMPARE(view_->windowTitle(), title(path("in.asm")));
    QVERIFY(!view_->isModified());
    trigger(mox::cmdSave);
    QCOMPARE(readBytes(path("in.asm")), saved);
}

void EditorWindowTest::roundTripsFileBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("latin1") << QByteArray("; caf\xe9 \xa0\xff\r\nload ax, ff\r\nhalt\r\n");
    QTest::newRow("broken utf8") << QByteArray("; \xc3\xa9 and \xc3 alone\r\nhalt\r\n");
    QTest::newRow("every byte but CR") << [] {
        QByteArray all;
        for (int c = 0; c < 256; ++c)
            if (c != '\r')
                all.append(static_cast<char>(c));
        return all.replace("\n", "\r\n");
    }();
    QTest::newRow("utf8 paragraph separator and frame marks")
        << QByteArray("; \xc3\xa9\xe2\x80\xa9\xef\xb7\x90\xef\xb7\x91\r\nhalt\r\n");
    QTest::newRow("utf8 with BOM and no-break space")
        << QByteArray("\xef\xbb\xbf; \xc2\xa0\xe2\x82\xac\r\nhalt\r\n");
    QTest::newRow("utf8 with characters that look like line ends")
        << QByteArray("; \xc3\xa9 \xe2\x80\xa8 \xe2\x80\xa9 \xef\xb7\x90 \xef\xb7\x91\r\nhalt\r\n");
}

void EditorWindowTest::roundTripsFileBytes() {
    QFETCH(QByteArray, bytes);
    openFile("r.asm", bytes);
    trigger(mox::cmdSave);
    QCOMPARE(readBytes(path("r.asm")), bytes);

    // Typed text joins the file without touching the bytes already there.
    QTest::keyClick(view_->editBox(), Qt::Key_End, Qt::ControlModifier);
    type("inc bx");
    trigger(mox::cmdSave);
    QCOMPARE(readBytes(path("r.asm")), bytes + "inc bx");
}

namespace {

// The bytes a save gives back for a file: every CR gone, every LF as CR LF.
QByteArray withWindowsLineEnds(QByteArray bytes) {
    return bytes.replace("\r", "").replace("\n", "\r\n");
}

// Random file contents: plain bytes (mostly not UTF-8, zero bytes included),
// bytes from a small alphabet rich in line ends and UTF-8 lead bytes, and
// valid UTF-8 from characters that text widgets treat specially.
QByteArray randomContent(std::mt19937& rng) {
    const auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    const int length = pick(200);
    QByteArray bytes;
    switch (pick(3)) {
    case 0:
        for (int i = 0; i < length; ++i)
            bytes.append(static_cast<char>(pick(256)));
        break;
    case 1: {
        static const char alphabet[] = "\r\n \ta;,\0\xc3\xa9\xe2\x80\xa8\xa9\xef\xbb\xbf\xff";
        for (int i = 0; i < length; ++i)
            bytes.append(alphabet[pick(sizeof alphabet - 1)]);
        break;
    }
    default: {
        static const char32_t special[] = {'\r',   '\n',   ' ',    'x',     0xa0,     0x85,
                                           0x2028, 0x2029, 0xfeff, 0xfdd0,  0xfdd1,   0xfffc,
                                           0xfffd, 0xe000, 0xffff, 0x1f600, 0x10ffff, 0x7f};
        QString text;
        for (int i = 0; i < length; ++i) {
            char32_t c = special[pick(std::size(special))];
            if (pick(4) == 0)
                c = static_cast<char32_t>(1 + pick(0xd7ff)); // any character below the surrogates
            text.append(QString::fromUcs4(&c, 1));
        }
        bytes = text.toUtf8();
        break;
    }
    }
    return bytes;
}

} // namespace

void EditorWindowTest::roundTripsRandomBytes() {
    // A fixed seed keeps failures reproducible; MOX_SEED tries other ones.
    const char* seedText = std::getenv("MOX_SEED");
    const unsigned seed =
        seedText ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10)) : 2026;
    std::mt19937 rng(seed);
    // A name that a shell would split or expand, with letters beyond ASCII.
    const QString name = QString::fromUtf8("it's \"my\" prog; $HOME \xc3\xa9t\xc3\xa9.asm");
    for (int round = 0; round < 600; ++round) {
        const QByteArray bytes = randomContent(rng);
        openFile(name, bytes);
        trigger(mox::cmdSave);
        const QByteArray saved = readBytes(path(name));
        QVERIFY2(saved == withWindowsLineEnds(bytes),
                 qPrintable(QStringLiteral("seed %1 round %2: %3 saved as %4")
                                .arg(seed)
                                .arg(round)
                                .arg(QString::fromLatin1(bytes.toHex(' ')),
                                     QString::fromLatin1(saved.toHex(' ')))));
    }
    QVERIFY(dialogs_->questions.isEmpty());
    QVERIFY(dialogs_->messages.isEmpty());
}

void EditorWindowTest::openRefusesWhatIsNoFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << "does-not-exist.asm"
                             << "No such file or directory";
    QTest::newRow("folder") << "folder.asm"
                            << "Is a directory";
    // Opening a FIFO without a writer would wait for ever.
    QTest::newRow("fifo") << "fifo.asm"
                          << "not a regular file";
}

void EditorWindowTest::openRefusesWhatIsNoFile() {
    QFETCH(QString, name);
    QFETCH(QString, reason);
    QVERIFY(QDir(dir_->path()).mkdir("folder.asm"));
    QCOMPARE(::mkfifo(QFile::encodeName(path("fifo.asm")).constData(), 0644), 0);
    type("keep me");
    dialogs_->answers.push_back(Answer::No);
    dialogs_->openPaths.push_back(path(name));
    trigger(mox::cmdOpen);
    QCOMPARE(dialogs_->messages, QStringList{"Open|Could not open " + path(name) + ":\n" + reason});
    QCOMPARE(view_->documentText(), QStringLiteral("keep me"));
    QCOMPARE(view_->fileName(), QStringLiteral("Untitled.asm"));
    QVERIFY(view_->isModified());
}

void EditorWindowTest::saveKeepsTheFileWhatItWas() {
    // Through a link: the link stays and its target gets the text.
    QVERIFY(QDir(dir_->path()).mkdir("real"));
    QVERIFY(writeBytes(path("real/prog.asm"), "halt\r\n"));
    QVERIFY(QFile::link("real/prog.asm", path("link.asm")));
    dialogs_->openPaths.push_back(path("link.asm"));
    trigger(mox::cmdOpen);
    type("inc ax\n");
    trigger(mox::cmdSave);
    QVERIFY(QFileInfo(path("link.asm")).isSymLink());
    QCOMPARE(readBytes(path("real/prog.asm")), QByteArray("inc ax\r\nhalt\r\n"));

    // A read-only file is refused like any failed save, and the text stays.
    QVERIFY(QFile::setPermissions(path("real/prog.asm"),
                                  QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    type("dec ax\n");
    trigger(mox::cmdSave);
    QCOMPARE(dialogs_->messages,
             QStringList{"Save|Could not save " + path("link.asm") + ":\nPermission denied"});
    QVERIFY(view_->isModified());
    QCOMPARE(readBytes(path("real/prog.asm")), QByteArray("inc ax\r\nhalt\r\n"));
}

void EditorWindowTest::failedSaveKeepsWork_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("reason");
    QTest::newRow("folder does not exist") << "no/such/dir.asm"
                                           << "No such file or directory";
    QTest::newRow("target is a folder") << "folder.asm"
                                        << "Is a directory";
}

void EditorWindowTest::failedSaveKeepsWork() {
    QFETCH(QString, target);
    QFETCH(QString, reason);
    QVERIFY(QDir(dir_->path()).mkdir("folder.asm"));

    openFile("a.asm", "halt\r\n");
    type("inc ax\n");
    dialogs_->savePaths.push_back(path(target));
    trigger(mox::cmdSaveAs);

    QCOMPARE(dialogs_->messages.size(), 1);
    const QString message = dialogs_->messages.front();
    QVERIFY2(message.startsWith("Save|") && message.contains(path(target)) &&
                 message.contains(reason),
             qPrintable(message));
    QVERIFY(view_->isModified());
    QCOMPARE(view_->fileName(), path("a.asm"));
    QCOMPARE(view_->windowTitle(), title(path("a.asm")));
    QVERIFY(QFileInfo(path("folder.asm")).isDir());
    QCOMPARE(QDir(dir_->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             (QStringList{"a.asm", "folder.asm"}));
}

// No file may grow past the given size while this lives: such a write fails
// (EFBIG) even for root, instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : oldHandler_(std::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldHandler_)(int);
};

void EditorWindowTest::failedSaveKeepsOldFile() {
    // The longest name the folder allows is no reason to fail; the size
    // limit is.
    const QString longName = QString(251, 'n') + ".asm";
    openFile(longName, "old\r\n");
    type("new ");
    const FileSizeLimit limit(4);
    trigger(mox::cmdSave);
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY(dialogs_->messages.front().contains(longName));
    QVERIFY(view_->isModified());
    QCOMPARE(readBytes(path(longName)), QByteArray("old\r\n"));
    QCOMPARE(QDir(dir_->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 1);

    // Exit then asks, and a failing Yes keeps the window open.
    dialogs_->answers.push_back(Answer::Yes);
    trigger(mox::cmdExit);
    QVERIFY(view_->isVisible());
    QCOMPARE(dialogs_->messages.size(), 2);
}

void EditorWindowTest::showsAbout() {
    trigger(mox::cmdAbout);
    QCOMPARE(dialogs_->messages,
             QStringList{"About|Simple Code Editor\nWritten by Orlenvik\nThis was done really "
                         "quick so you can use something to type the code\nNothing fancy =)\n"});
}

void EditorWindowTest::coloursFromTheInstructionTable() {
    using Style = mox::AsmLexer::Style;
    Sci* edit = view_->editBox();
    edit->setText(QStringLiteral("\tloadm bx, 1F ; load ax, ff\nmove kx, qx"));
    edit->SendScintilla(Sci::SCI_COLOURISE, 0L, -1L);
    const auto styleAt = [edit](int line, int index) {
        return int(
            edit->SendScintilla(Sci::SCI_GETSTYLEAT, edit->positionFromLineIndex(line, index)));
    };
    QCOMPARE(styleAt(0, 0), int(Style::Default));
    QCOMPARE(styleAt(0, 1), int(Style::Mnemonic));
    QCOMPARE(styleAt(0, 5), int(Style::Mnemonic));
    QCOMPARE(styleAt(0, 7), int(Style::Register));
    QCOMPARE(styleAt(0, 11), int(Style::Number));
    QCOMPARE(styleAt(0, 14), int(Style::Comment));
    QCOMPARE(styleAt(0, 18), int(Style::Comment)); // a mnemonic in a comment
    QCOMPARE(styleAt(1, 0), int(Style::Default));  // contains mov, is no mnemonic
    QCOMPARE(styleAt(1, 5), int(Style::Register));
    QCOMPARE(styleAt(1, 9), int(Style::Default));
    // Every style has a colour of its own.
    std::set<QRgb> colours;
    for (int style = Style::Default; style <= Style::Comment; ++style)
        colours.insert(edit->lexer()->color(style).rgb());
    QCOMPARE(colours.size(), std::size_t(Style::Comment) + 1);
}

void EditorWindowTest::completesAndExplainsMnemonics() {
    Sci* edit = view_->editBox();
    const auto offered = [edit] { return edit->SendScintilla(Sci::SCI_AUTOCACTIVE) != 0; };
    type("lo");
    QVERIFY(offered());
    QTest::keyClick(edit, Qt::Key_Down); // load, loadm
    QTest::keyClick(edit, Qt::Key_Tab);
    QCOMPARE(view_->documentText(), QStringLiteral("loadm"));
    QVERIFY(edit->SendScintilla(Sci::SCI_CALLTIPACTIVE));
    QTest::keyClick(edit, Qt::Key_Escape);
    type(" b");
    QVERIFY(offered());
    QTest::keyClick(edit, Qt::Key_Tab);
    type(", a");
    QVERIFY(!offered()); // a value
    // Return ends the line even while something is offered.
    type("\nad");
    QVERIFY(offered());
    type("\n; lo");
    QVERIFY(!offered());
    QCOMPARE(view_->documentText(), QStringLiteral("loadm bx, a\nad\n; lo"));
    // Tab after a whole mnemonic separates; it never turns load into loadm.
    type("\nload\tax");
    QVERIFY(view_->documentText().endsWith("\nload\tax"));
    type("\nstore ");
    QVERIFY(edit->SendScintilla(Sci::SCI_CALLTIPACTIVE));
    // The tip's text must be easy to read: at least 4.5:1 against its ground.
    QWidget* tip = nullptr;
    for (QWidget* child : edit->findChildren<QWidget*>())
        if (child->isWindow() && child->isVisible())
            tip = child;
    QVERIFY(tip);
    const QImage inside = tip->grab(tip->rect().adjusted(2, 2, -2, -2)).toImage(); // no frame
    QVERIFY2(textContrast(inside) >= 4.5, "call tip text too faint");
    // A menu command such as Undo or Next Error takes away what typing opened.
    trigger(mox::cmdUndo);
    QVERIFY(!edit->SendScintilla(Sci::SCI_CALLTIPACTIVE));
    type("\nlo");
    QVERIFY(offered());
    trigger(mox::cmdNextError);
    QVERIFY(!offered());

    const std::pair<const char*, const char*> cases[] = {
        {"\tlo", "load loadm"},
        {"load", ""},
        {"d", ""},
        {"mov a", "ax"},
        {"mov ax, b", "bx"},
        {"store c", "cx"},
        {"store cx, c", ""},
        {"inc p", "px"},
        {"inc px, p", ""},
        {"halt h", ""},
        {"add ax", ""},
        {"; mo", ""},
        {"ax", ""},
    };
    for (const auto& [line, words] : cases)
        QCOMPARE(mox::completionAt(line).words, std::string(words));
    QCOMPARE(mox::instructionTip("load"), QStringLiteral("load reg, nn\nword 2rnn\nreg = nn"));
    QVERIFY(mox::instructionTip("ld").isEmpty());
}

void EditorWindowTest::marksErrorsInPlace() {
    // Two errors: line 2 has no mnemonic, line 4 a value too large.
    openBytes("load ax, 1\r\nlod bx, 2\r\n; note\r\nload cx, 100\r\nhalt\r\n");
    const QStringList expected{"error on line(2):  invalid instruction",
                               "error on line(4):  operand size conflict, value to large for "
                               "register"};
    QCOMPARE(view_->errorLines(), expected);
    QCOMPARE(view_->markedLines(), (QList<int>{1, 3}));
    Sci* edit = view_->editBox();
    QCOMPARE(edit->markersAtLine(1), 1u);
    QCOMPARE(edit->markersAtLine(0), 0u);
    QVERIFY(view_->statusText().startsWith("2 errors | Line 1, Col 1"));

    const auto pointOf = [edit](int line, int index) {
        const long position = edit->positionFromLineIndex(line, index);
        return QPoint(int(edit->SendScintilla(Sci::SCI_POINTXFROMPOSITION, 0UL, position)),
                      int(edit->SendScintilla(Sci::SCI_POINTYFROMPOSITION, 0UL, position)) + 2);
    };
    QCOMPARE(view_->hoverText(pointOf(3, 2)), expected[1]);
    QCOMPARE(view_->hoverText(QPoint(2, pointOf(1, 0).y())), expected[0]); // in the margin
    QCOMPARE(view_->hoverText(pointOf(0, 1)), mox::instructionTip("load"));
    QVERIFY(view_->hoverText(pointOf(2, 3)).isEmpty());

    // F8 and Shift+F8 go round the marked lines.
    const QList<std::pair<int, int>> moves{{mox::cmdNextError, 1},
                                           {mox::cmdNextError, 3},
                                           {mox::cmdNextError, 1},
                                           {mox::cmdPreviousError, 3},
                                           {mox::cmdPreviousError, 1}};
    for (const auto& [command, expectedLine] : moves) {
        trigger(command);
        QCOMPARE(cursorLine(), expectedLine);
    }
    QCOMPARE(view_->statusBar()->currentMessage(), expected[0]);
    // Straight after an edit, before the pause is over, F8 finds the lines
    // where they are now.
    edit->setCursorPosition(0, 0);
    QTest::keyClick(edit, Qt::Key_Return);
    trigger(mox::cmdNextError);
    QCOMPARE(cursorLine(), 2);
    trigger(mox::cmdUndo);

    // Mending a line clears its mark after a short pause.
    edit->setSelection(3, 9, 3, 12);
    QTest::keyClicks(edit, "ff");
    QTRY_COMPARE(view_->errorLines(), QStringList{expected[0]});
    QCOMPARE(view_->markedLines(), QList<int>{1});
    // Mended where a jump left the cursor, the line's message goes too.
    trigger(mox::cmdNextError);
    QCOMPARE(view_->statusBar()->currentMessage(), expected[0]);
    edit->setCursorPosition(1, 2);
    QTest::keyClicks(edit, "a");
    QTRY_VERIFY(view_->errorLines().isEmpty());
    QCOMPARE(view_->statusBar()->currentMessage(), QString());

    // Without a halt the one error is shown on the last line.
    openBytes("load ax, 1\r\n; halt\r\nlod");
    QCOMPARE(view_->errorLines(),
             QStringList{"fatal error: application requries a halt instruction"});
    QCOMPARE(view_->markedLines(), QList<int>{2});
    QCOMPARE(view_->hoverText(pointOf(2, 1)), view_->errorLines().front());
    QVERIFY(view_->statusText().startsWith("1 error |"));

    // What follows a zero byte is kept but, as for zerlant, never assembled.
    openBytes(QByteArray("halt\r\n\0lod\r\n", 12));
    QVERIFY(view_->errorLines().isEmpty());
    QVERIFY(view_->statusText().startsWith("No errors |"));
}

void EditorWindowTest::errorsEqualZerlants() {
    QVERIFY2(QFileInfo(QStringLiteral(MOX_BIN_DIR "/zerlant")).isExecutable(), MOX_BIN_DIR);
    QStringList sources;
    for (const char* folder : {MOX_SOURCE_DIR "/examples", MOX_SOURCE_DIR "/fuzz/corpus/assembly"})
        for (const QFileInfo& file : QDir(QString::fromUtf8(folder)).entryInfoList(QDir::Files))
            sources << file.absoluteFilePath();
    QVERIFY(sources.size() > 20);
    int withErrors = 0;
    for (const QString& source : sources) {
        dialogs_->openPaths.push_back(source);
        dialogs_->savePaths.push_back(path("check.asm"));
        trigger(mox::cmdOpen);
        trigger(mox::cmdSaveAs);
        view_->checkNow();
        QCOMPARE(view_->fileName(), path("check.asm"));
        QVERIFY2(view_->errorLines() == zerlantErrors(path("check.asm")), qPrintable(source));
        withErrors += !view_->errorLines().isEmpty();
        trigger(mox::cmdNew);
    }
    QVERIFY(withErrors > 5);
    QVERIFY(dialogs_->messages.isEmpty());
}

void EditorWindowTest::findsAndGoesToLines() {
    Sci* edit = view_->editBox();
    edit->setText(QStringLiteral("load ax, 1\nHALT\ninc ax\nhalt\n"));
    dialogs_->texts.push_back(QStringLiteral("halt"));
    trigger(mox::cmdFind);
    QCOMPARE(edit->selectedText(), QStringLiteral("HALT"));
    const QList<int> expected{3, 1}; // on, then round the end
    for (int want : expected) {
        trigger(mox::cmdFindNext);
        QCOMPARE(cursorLine(), want);
    }
    dialogs_->texts.push_back(QStringLiteral("store"));
    trigger(mox::cmdFind);
    QCOMPARE(view_->statusBar()->currentMessage(), QStringLiteral("Cannot find \"store\""));

    dialogs_->numbers = {3, std::nullopt};
    trigger(mox::cmdGoToLine);
    QCOMPARE(cursorLine(), 2);
    QTRY_VERIFY(view_->statusText().endsWith("Line 3, Col 1"));
    trigger(mox::cmdGoToLine); // cancelled: stays
    QCOMPARE(cursorLine(), 2);
}

void EditorWindowTest::zoomIsRemembered() {
    // Ctrl+wheel zooms the text alone, and the next window opens so; the
    // View menu zooms whole windows, and Actual Size takes back both.
    Sci* edit = view_->editBox();
    const auto zoom = [](Sci* e) { return e->SendScintilla(Sci::SCI_GETZOOM); };
    trigger(mox::cmdResetZoom);
    QWheelEvent wheel(QPointF(50, 50), edit->viewport()->mapToGlobal(QPointF(50, 50)), {},
                      QPoint(0, 120), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(edit->viewport(), &wheel);
    QCOMPARE(zoom(edit), 1L);
    {
        EditorWindow next(dialogs_.get(), starter_.get());
        QCOMPARE(zoom(next.editBox()), 1L);
    }
    // The window's zoom leaves the text's own alone.
    trigger(mox::cmdZoomIn);
    QCOMPARE(zoom(edit), 1L);
    trigger(mox::cmdResetZoom);
    QCOMPARE(zoom(edit), 0L);
    EditorWindow last(dialogs_.get(), starter_.get());
    QCOMPARE(zoom(last.editBox()), 0L);
}

void EditorWindowTest::buildStartsAssemblerInTerminal_data() {
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("assembler");
    QTest::addColumn<bool>("xterm");

    const QString beside = "/opt/mox/bin/zerlant";
    const QString onPath = "/usr/bin/zerlant";
    QTest::newRow("x-terminal-emulator first")
        << QStringList{"/usr/bin/x-terminal-emulator", "/usr/bin/xterm", beside, onPath}
        << "/usr/bin/x-terminal-emulator"
        << "-e" << beside << false;
    QTest::newRow("x-terminal-emulator that is xterm")
        << QStringList{"/usr/local/bin/x-terminal-emulator", onPath}
        << "/usr/local/bin/x-terminal-emulator"
        << "-e" << onPath << true;
    QTest::newRow("xterm before konsole")
        << QStringList{"/usr/bin/konsole", "/usr/local/bin/xterm", onPath} << "/usr/local/bin/xterm"
        << "-e" << onPath << true;
    QTest::newRow("gnome-terminal takes --")
        << QStringList{"/usr/bin/gnome-terminal", "/usr/bin/konsole", beside}
        << "/usr/bin/gnome-terminal"
        << "--" << beside << false;
    QTest::newRow("konsole") << QStringList{"/usr/bin/konsole", onPath} << "/usr/bin/konsole"
                             << "-e" << onPath << false;
}

void EditorWindowTest::buildStartsAssemblerInTerminal() {
    QFETCH(QStringList, installed);
    QFETCH(QString, program);
    QFETCH(QString, option);
    QFETCH(QString, assembler);
    QFETCH(bool, xterm);
    starter_->executables = {installed.begin(), installed.end()};
    starter_->links = {{"/usr/bin/x-terminal-emulator", "/usr/bin/gnome-terminal"},
                       {"/usr/local/bin/x-terminal-emulator", "/usr/bin/xterm"}};

    // Named, without ".asm", with blanks and shell characters in its path,
    // and unchanged since it was opened.
    QVERIFY(QDir(dir_->path()).mkdir("my dir"));
    const QString name = "my dir/prog; rm -rf ~ $(x)";
    openFile(name, "halt\n");
    const QString source = path(name);
    trigger(mox::cmdBuild);

    QCOMPARE(dialogs_->messages, QStringList());
    QCOMPARE(view_->fileName(), source + ".asm");
    QCOMPARE(readBytes(source + ".asm"), QByteArray("halt\r\n"));
    QCOMPARE(starter_->startedPrograms, QStringList{program});
    QStringList expected{option, assembler, source + ".asm"};
    if (xterm)
        expected =
            QStringList{"-T", "zerlant - prog; rm -rf ~ $(x).asm", "-sb", "-sl", "1000"} + expected;
    QCOMPARE(starter_->startedArguments.front(), expected);

    // Each Build starts another assembler.
    trigger(mox::cmdBuild);
    QCOMPARE(starter_->startedPrograms.size(), 2);
}

void EditorWindowTest::buildReportsWhatIsMissing_data() {
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<bool>("startWorks");
    QTest::addColumn<QString>("message");
    QTest::newRow("no assembler") << QStringList{"/usr/bin/xterm"} << true
                                  << "Cannot find the assembler zerlant";
    QTest::newRow("no terminal") << QStringList{"/usr/bin/zerlant"} << true
                                 << "Cannot find a terminal";
    QTest::newRow("terminal does not start") << QStringList{"/usr/bin/zerlant", "/usr/bin/xterm"}
                                             << false << "Could not start /usr/bin/xterm";
}

void EditorWindowTest::buildReportsWhatIsMissing() {
    QFETCH(QStringList, installed);
    QFETCH(bool, startWorks);
    QFETCH(QString, message);
    starter_->executables = {installed.begin(), installed.end()};
    starter_->startResult = startWorks;

    trigger(mox::cmdBuild); // untitled and cancelled: still goes on
    QCOMPARE(dialogs_->saveDialogs, 1);
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY2(dialogs_->messages.front().startsWith("Build|" + message),
             qPrintable(dialogs_->messages.front()));
    QCOMPARE(starter_->startedPrograms.size(), startWorks ? 0 : 1);
}

void EditorWindowTest::buildAfterFailedSaveStillStartsAssembler() {
    starter_->executables = {"/usr/bin/zerlant", "/usr/bin/konsole"};
    trigger(mox::cmdBuild);
    QCOMPARE(starter_->startedArguments,
             QList<QStringList>{(QStringList{"-e", "/usr/bin/zerlant", "Untitled.asm"})});

    dialogs_->savePaths.push_back(path("no/such/dir/p.asm"));
    trigger(mox::cmdBuild);
    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(starter_->startedArguments.size(), 2);
    QCOMPARE(starter_->startedArguments.back(),
             (QStringList{"-e", "/usr/bin/zerlant", "Untitled.asm"}));
}

void EditorWindowTest::buildRunsRealAssembler() {
    const QString zerlant = QStringLiteral(MOX_BIN_DIR "/zerlant");
#ifdef MOX_HAVE_ZERLANT
    QVERIFY2(QFileInfo(zerlant).isExecutable(), qPrintable(zerlant));
#else
    if (!QFileInfo(zerlant).isExecutable())
        QSKIP("zerlant is not part of this build");
#endif
    starter_->executables = {zerlant, "/usr/bin/konsole"};
    view_->setProgramPath(QStringLiteral(MOX_BIN_DIR "/editor"));

    QFile example(QStringLiteral(MOX_SOURCE_DIR "/examples/hello.asm"));
    QVERIFY(example.open(QIODevice::ReadOnly));
    view_->editBox()->setText(QString::fromUtf8(example.readAll()));
    QVERIFY(QDir(dir_->path()).mkdir("with blank"));
    dialogs_->savePaths.push_back(path("with blank/hello"));
    trigger(mox::cmdBuild);
    QCOMPARE(starter_->startedArguments.size(), 1);
    const QStringList arguments = starter_->startedArguments.front();
    QCOMPARE(arguments.at(1), zerlant);

    // Run what the terminal would have run, without a terminal.
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(arguments.at(1), arguments.mid(2));
    QVERIFY(process.waitForFinished(30000));
    const QByteArray output = process.readAllStandardOutput();
    QVERIFY2(output.contains("now assembling: "), output.constData());
    QCOMPARE(readBytes(path("with blank/hello.8xe")), QByteArray("20ff9001f000"));
}

void EditorWindowTest::messageBoxesShowPlainText_data() {
    QTest::addColumn<int>("kind"); // 0 question, 1 information, 2 warning
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("buttons");
    QTest::newRow("question") << 0 << int(QMessageBox::Question)
                              << int(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QTest::newRow("information") << 1 << int(QMessageBox::Information) << int(QMessageBox::Ok);
    QTest::newRow("warning") << 2 << int(QMessageBox::Warning) << int(QMessageBox::Ok);
}

void EditorWindowTest::messageBoxesShowPlainText() {
    QFETCH(int, kind);
    QFETCH(int, icon);
    QFETCH(int, buttons);
    mox::QtDialogs dialogs(view_.get());
    // A file name that looks like markup must still be shown as it is.
    const QString text = QStringLiteral("Could not save /tmp/<b>x</b> &amp; y.asm:\nreason");
    QString caption;
    QString shownText;
    int shownIcon = -1;
    int shownButtons = 0;
    int format = -1;
    QWidget* parent = nullptr;
    bool yesIsDefault = false;
    whenShown<QMessageBox>([&](QMessageBox* box) {
        caption = box->windowTitle();
        shownText = box->text();
        shownIcon = box->icon();
        shownButtons = int(box->standardButtons());
        format = box->textFormat();
        parent = box->parentWidget();
        if (auto* yes = qobject_cast<QPushButton*>(box->button(QMessageBox::Yes)))
            yesIsDefault = yes->isDefault();
        box->button(box->standardButtons() & QMessageBox::Yes ? QMessageBox::Yes : QMessageBox::Ok)
            ->click();
    });
    switch (kind) {
    case 0:
        QCOMPARE(dialogs.ask(QStringLiteral("Save?"), text), Answer::Yes);
        QVERIFY(yesIsDefault); // Enter answers Yes
        break;
    case 1:
        dialogs.inform(QStringLiteral("Save?"), text);
        break;
    default:
        dialogs.warn(QStringLiteral("Save?"), text);
    }
    QCOMPARE(caption, QStringLiteral("Save?"));
    QCOMPARE(shownText, text);
    QCOMPARE(format, int(Qt::PlainText));
    QCOMPARE(shownIcon, icon);
    QCOMPARE(shownButtons, buttons);
    QCOMPARE(parent, view_.get());
}

void EditorWindowTest::promptCancelledByEscapeOrCloseBox() {
    mox::QtDialogs dialogs(view_.get());
    const std::function<void(QMessageBox*)> ways[] = {
        [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); },
        [](QMessageBox* box) { box->close(); },
        [](QMessageBox* box) { box->button(QMessageBox::No)->click(); },
    };
    const Answer answers[] = {Answer::Cancel, Answer::Cancel, Answer::No};
    for (std::size_t i = 0; i < std::size(ways); ++i) {
        whenShown<QMessageBox>(ways[i]);
        QCOMPARE(dialogs.ask(QStringLiteral("Save?"), QStringLiteral("Do you wish to Save?")),
                 answers[i]);
    }
}

void EditorWindowTest::fileDialogsOfferAsmFirst_data() {
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("caption");
    QTest::newRow("open") << false << "Open";
    QTest::newRow("save") << true << "Save As";
}

void EditorWindowTest::fileDialogsOfferAsmFirst() {
    QFETCH(bool, save);
    QFETCH(QString, caption);
    mox::QtDialogs dialogs(view_.get());
    const QString chosen = path("prog.asm");
    QVERIFY(writeBytes(chosen, "old"));
    QString shownCaption;
    QStringList filters;
    QString selectedFilter;
    QString shownName;
    QString folder;
    bool asksBeforeReplacing = true;
    whenShown<QFileDialog>([&](QFileDialog* dialog) {
        shownCaption = dialog->windowTitle();
        filters = dialog->nameFilters();
        selectedFilter = dialog->selectedNameFilter();
        folder = dialog->directory().absolutePath();
        if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            shownName = edit->text();
        asksBeforeReplacing = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        dialog->selectFile(chosen);
        static_cast<QDialog*>(dialog)->accept();
    });
    const std::optional<QString> result =
        save ? dialogs.chooseSaveFile(dir_->path()) : dialogs.chooseOpenFile(dir_->path());
    QCOMPARE(result, std::optional<QString>(chosen));
    QCOMPARE(shownCaption, caption);
    QCOMPARE(filters, (QStringList{"asm (*.asm)", "ALL (*)"}));
    QCOMPARE(selectedFilter, filters.value(0));
    QCOMPARE(shownName, QStringLiteral("*.asm"));
    QCOMPARE(folder, QFileInfo(dir_->path()).absoluteFilePath());
    if (save)
        QVERIFY(!asksBeforeReplacing);

    // Saving with the pattern itself writes no file named "*.asm"; the
    // dialog stays. (Open refuses it with a message of its own.)
    if (!save)
        return;
    whenShown<QFileDialog>([](QFileDialog* dialog) {
        QTest::keyClick(dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")),
                        Qt::Key_Return);
        QTimer::singleShot(0, dialog, &QFileDialog::reject);
    });
    QCOMPARE(dialogs.chooseSaveFile(dir_->path()), std::nullopt);
}

namespace {

// zerlant itself on a file, as a student would run it: its console lines.
QStringList zerlantSays(const QString& source) {
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral(MOX_BIN_DIR "/zerlant"), {source});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput()).split('\n');
}

} // namespace

void EditorWindowTest::openArgumentOpensOrNamesTheFile() {
    QVERIFY(writeBytes(path("there.asm"), "load ax, 1\r\nhalt\r\n"));
    const QString started = QDir::currentPath();
    QDir::setCurrent(dir_->path());
    for (const QString name : {"there.asm", "new.asm"}) {
        // Relative to the folder the editor started in; no file yet is a new document.
        view_->openArgument(name);
        QCOMPARE(view_->windowTitle(), title(path(name)));
        QCOMPARE(view_->documentText(), name == "new.asm" ? "" : "load ax, 1\nhalt\n");
        type("inc ax\n");
        trigger(mox::cmdSave);
        QVERIFY(readBytes(path(name)).startsWith("inc ax\r\n"));
    }
    QDir::setCurrent(started);
    QCOMPARE(dialogs_->saveDialogs, 0);
}

void EditorWindowTest::buildAndRun_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("folder");  // where the source is saved, under the scratch folder
    QTest::addColumn<QString>("running"); // an emulator already: "", "answers" or "silent"
    QTest::addColumn<QString>("editor");  // the editor's own executable
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("started");
    QTest::addColumn<int>("errorLine"); // -1: none
    const QString sum = "load ax, 07\nload bx, 05\nadd ax, bx\nhalt\n";
    const QString typo = "load ax, 07\nload bx 05\nlod cx, 1\nhalt\n";
    const QString top, none, answers = "answers", silent = "silent", dotted = "course.2024/lab1/";
    const QString built = "/opt/mox/bin/editor", packaged = "/usr/bin/mox77-editor";
    const QStringList both{"/opt/mox/bin/emulator", "/usr/bin/mox77-emulator"};
    const QStringList unrelated{"/usr/bin/emulator"};
    QTest::newRow("a typo") << typo << top << answers << built << both << none << 1;
    QTest::newRow("no halt") << "load ax, 07\ninc ax\n"
                             << top << none << built << both << none << 2;
    QTest::newRow("to the running emulator")
        << sum << top << answers << built << both << none << -1;
    QTest::newRow("beside a folder with a dot")
        << sum << dotted << answers << built << both << none << -1;
    QTest::newRow("starting the one beside")
        << sum << top << none << built << both << both[0] << -1;
    QTest::newRow("starting the package's")
        << sum << top << none << built << QStringList{both[1]} << both[1] << -1;
    QTest::newRow("packaged, beside an unrelated emulator")
        << sum << top << none << packaged << unrelated + QStringList{both[1]} << both[1] << -1;
    QTest::newRow("never a bare emulator on the path")
        << sum << top << none << built << unrelated << none << -1;
    QTest::newRow("one that does not answer is replaced")
        << sum << top << silent << built << both << both[0] << -1;
    QTest::newRow("no emulator anywhere")
        << sum << top << none << built << QStringList{} << none << -1;
}

void EditorWindowTest::buildAndRun() {
    QFETCH(QString, source);
    QFETCH(QString, folder);
    QFETCH(QString, running);
    QFETCH(QString, editor);
    QFETCH(QStringList, installed);
    QFETCH(QString, started);
    QFETCH(int, errorLine);
    ReceiverThread emulator;
    QVERIFY(running != "answers" || emulator.claim(path("emulator")));
    // Takes connections, as a stopped or hung emulator's socket does, and
    // never answers.
    QLocalServer hung;
    QVERIFY(running != "silent" || hung.listen(path("emulator")));
    view_->setHandoffName(path("emulator"));
    view_->setProgramPath(editor);
    starter_->executables = {installed.begin(), installed.end()};
    view_->editBox()->setText(source);
    // Nothing is assembled that is not saved.
    QTest::keyClick(view_->editBox(), Qt::Key_F5);
    QVERIFY(QDir(dir_->path()).entryList({"*.asm", "*.8xe"}, QDir::Files).isEmpty());
    QVERIFY(QDir(dir_->path()).mkpath(folder.isEmpty() ? "." : folder));
    dialogs_->savePaths.push_back(path(folder + "sum.asm"));
    QTest::keyClick(view_->editBox(), Qt::Key_F5);

    const QString output = path(folder + "sum.8xe");
    const QByteArray built = readBytes(output);
    const QStringList zerlant = zerlantSays(path(folder + "sum.asm"));
    const QString message = view_->statusBar()->currentMessage();
    if (errorLine >= 0) {
        QVERIFY(!QFile::exists(output));
        QCOMPARE(cursorLine(), errorLine);
        QCOMPARE(message, zerlant.filter("error").value(0));
    } else {
        // The bytes zerlant writes, which it has just written again.
        QCOMPARE(built, readBytes(output));
        QVERIFY2(message.contains("sum.8xe"), qPrintable(message));
    }
    QCOMPARE(
        QDir(dir_->path()).entryList({"*.8xe"}, QDir::Files),
        QStringList(errorLine < 0 && folder.isEmpty() ? QStringList{"sum.8xe"} : QStringList{}));
    if (running == "answers" && errorLine < 0) {
        QTRY_COMPARE(emulator.received, QStringList{output});
        QVERIFY2(message.contains("sent it to the emulator"), qPrintable(message));
    }
    QCOMPARE(starter_->startedPrograms, started.isEmpty() ? QStringList() : QStringList{started});
    if (!started.isEmpty())
        QCOMPARE(starter_->startedArguments.front(), QStringList{output});
    if (running == "silent")
        QVERIFY2(message.contains("did not answer"), qPrintable(message));
    if (started.isEmpty() && running.isEmpty() && errorLine < 0)
        QVERIFY2(message.contains("cannot find the emulator"), qPrintable(message));
    QVERIFY(dialogs_->messages.isEmpty());
}

void EditorWindowTest::theWindowIsReadableAndNamed() {
    // Line numbers at 4.5:1 at least, by WCAG's measure.
    const auto luminance = [](QColor c) {
        double sum = 0;
        for (const auto& [v, w] :
             {std::pair(c.redF(), 0.2126), {c.greenF(), 0.7152}, {c.blueF(), 0.0722}})
            sum += w * (v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
        return sum + 0.05;
    };
    const auto colour = [this](int message) {
        const long bgr = view_->editBox()->SendScintilla(message, Sci::STYLE_LINENUMBER);
        return QColor(int(bgr & 0xff), int((bgr >> 8) & 0xff), int((bgr >> 16) & 0xff));
    };
    const double fore = luminance(colour(Sci::SCI_STYLEGETFORE));
    const double back = luminance(colour(Sci::SCI_STYLEGETBACK));
    QVERIFY(std::max(fore, back) / std::min(fore, back) >= 4.5);

    QAccessibleInterface* frame = QAccessible::queryAccessibleInterface(view_.get());
    QCOMPARE(frame->role(), QAccessible::Window);
    QCOMPARE(frame->text(QAccessible::Name), view_->windowTitle());
    QStringList nameless;
    collectNameless(frame, nameless);
    QVERIFY2(nameless.isEmpty(), qPrintable(nameless.join(", ")));
    // The Assemble menu opens by its underlined letter.
    QTest::keyClick(view_.get(), Qt::Key_A, Qt::AltModifier);
    QTRY_VERIFY(view_->menuBar()->actions().at(3)->menu()->isVisible());
    view_->menuBar()->actions().at(3)->menu()->hide();
}

QTEST_MAIN(EditorWindowTest)
#include "editor_window_test.moc"
