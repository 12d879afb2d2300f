#include "../modal_dialog.h"
#include "codeview.h"
#include "platform.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QWindow>

#include <csignal>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sys/resource.h>

using mox::CodeView;

namespace {

// Answers every dialog from queues filled by the test and records what was
// shown; an unexpected question is answered No and shows up in the record.
class FakeDialogs : public mox::EditorDialogs {
public:
    std::deque<bool> answers;
    std::deque<std::optional<QString>> openPaths;
    std::deque<std::optional<QString>> savePaths;
    QStringList questions; // "caption|text"
    QStringList messages;  // "caption|text"
    int openDialogs = 0;
    int saveDialogs = 0;

    bool askYesNo(const QString& caption, const QString& text) override {
        questions << caption + '|' + text;
        if (answers.empty())
            return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void inform(const QString& caption, const QString& text) override {
        messages << caption + '|' + text;
    }
    void warn(const QString& caption, const QString& text) override {
        messages << caption + '|' + text;
    }
    std::optional<QString> chooseOpenFile() override { return next(openPaths, openDialogs); }
    std::optional<QString> chooseSaveFile() override { return next(savePaths, saveDialogs); }

private:
    static std::optional<QString> next(std::deque<std::optional<QString>>& queue, int& count) {
        ++count;
        if (queue.empty())
            return std::nullopt;
        auto path = queue.front();
        queue.pop_front();
        return path;
    }
};

// A file system of executables given by the test, and a record of starts.
class FakeStarter : public mox::ProgramStarter {
public:
    QStringList pathDirs{QStringLiteral("/usr/local/bin"), QStringLiteral("/usr/bin")};
    std::set<QString> executables;
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

} // namespace

class CodeViewTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsUntitledAndUnmodified();
    void menusKeepTextsOrderAndNumbers();
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
    void titleShowsNameAsItIs_data();
    void titleShowsNameAsItIs();
    void saveRewritesUnmodifiedFile();
    void loadsLineEnds_data();
    void loadsLineEnds();
    void savesEveryLineEndShown();
    void roundTripsFileBytes_data();
    void roundTripsFileBytes();
    void roundTripsRandomBytes();
    void unreadableOpenChangesNothing();
    void failedSaveKeepsWork_data();
    void failedSaveKeepsWork();
    void failedSaveKeepsOldFile();
    void showsAbout();
    void buildStartsAssemblerInTerminal_data();
    void buildStartsAssemblerInTerminal();
    void buildReportsWhatIsMissing_data();
    void buildReportsWhatIsMissing();
    void buildAfterFailedSaveStillStartsAssembler();
    void buildRunsRealAssembler();
    void messageBoxesShowPlainText_data();
    void messageBoxesShowPlainText();
    void fileDialogsOfferAsmFirst_data();
    void fileDialogsOfferAsmFirst();

private:
    void trigger(int id);
    void type(const QString& text);
    QString path(const QString& name) const { return dir_->filePath(name); }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<FakeDialogs> dialogs_;
    std::unique_ptr<FakeStarter> starter_;
    std::unique_ptr<CodeView> view_;
};

void CodeViewTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    dialogs_ = std::make_unique<FakeDialogs>();
    starter_ = std::make_unique<FakeStarter>();
    view_ = std::make_unique<CodeView>(dialogs_.get(), starter_.get());
    view_->setProgramDir(QStringLiteral("/opt/mox/bin"));
    view_->show();
}

void CodeViewTest::cleanup() {
    view_.reset();
    starter_.reset();
    dialogs_.reset();
    dir_.reset();
}

void CodeViewTest::trigger(int id) {
    QAction* action = view_->commandAction(id);
    QVERIFY2(action, qPrintable(QString::number(id)));
    action->trigger();
}

void CodeViewTest::type(const QString& text) {
    const QStringList lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(view_->editBox(), Qt::Key_Return);
        QTest::keyClicks(view_->editBox(), lines[i]);
    }
}

void CodeViewTest::startsUntitledAndUnmodified() {
    QCOMPARE(view_->objectName(), QStringLiteral("CODEVIEW"));
    QCOMPARE(view_->windowTitle(), title("Untitled.asm"));
    QCOMPARE(view_->fileName(), QStringLiteral("Untitled.asm"));
    QVERIFY(!view_->isModified());
    QVERIFY(view_->documentText().isEmpty());
    QVERIFY(!view_->windowIcon().isNull());
}

void CodeViewTest::menusKeepTextsOrderAndNumbers() {
    QStringList seen;
    for (QAction* menuAction : view_->menuBar()->actions()) {
        seen << menuAction->text();
        for (QAction* item : menuAction->menu()->actions()) {
            seen << (item->isSeparator() ? QStringLiteral("-")
                                         : item->text() + '=' + item->data().toString());
            QVERIFY(item->shortcut().isEmpty());
        }
    }
    const QStringList expected{"File",       "N&ew=40001",      "-",    "Open=40002",
                               "Save=40003", "Save As..=40004", "-",    "E&xit=40005",
                               "Assemble",   "Build=40006",     "Help", "About=40007"};
    QCOMPARE(seen, expected);
}

void CodeViewTest::editBoxFillsClientArea() {
    QCOMPARE(view_->size(), QSize(634, 455));
    QPlainTextEdit* edit = view_->editBox();
    QCOMPARE(view_->centralWidget(), edit);
    QCOMPARE(edit->geometry().top(), view_->menuBar()->geometry().bottom() + 1);
    QCOMPARE(edit->geometry().bottom(), view_->height() - 1);
    QCOMPARE(edit->width(), view_->width());
    QCOMPARE(edit->lineWrapMode(), QPlainTextEdit::NoWrap);
    QCOMPARE(edit->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(edit->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(edit->font().pixelSize(), 15);
    QVERIFY(QFontInfo(edit->font()).fixedPitch());
    view_->resize(900, 700);
    QCOMPARE(edit->width(), 900);
    QCOMPARE(edit->geometry().bottom(), 699);
}

void CodeViewTest::tabsStopEveryEightCharacters() {
    QPlainTextEdit* edit = view_->editBox();
    edit->setPlainText(QStringLiteral("\tx\n1234567\tx\n12345678x\n12345678\tx"));
    const auto columnLeft = [edit](int block, int column) {
        QTextCursor cursor(edit->document()->findBlockByNumber(block));
        cursor.setPosition(cursor.position() + column);
        return edit->cursorRect(cursor).left();
    };
    const int eighth = columnLeft(2, 8);
    QVERIFY(eighth > columnLeft(2, 7));
    QCOMPARE(columnLeft(0, 1), eighth);
    QCOMPARE(columnLeft(1, 8), eighth);
    QCOMPARE(columnLeft(3, 9), columnLeft(3, 8) + 8 * (eighth - columnLeft(2, 7)));
}

void CodeViewTest::tracksModification() {
    type("load ax, 1");
    QVERIFY(view_->isModified());
    trigger(mox::cmdNew);
    QCOMPARE(dialogs_->questions.size(), 1); // answered No
    QVERIFY(!view_->isModified());
    QVERIFY(view_->documentText().isEmpty());

    // Nothing typed since New: no prompt.
    trigger(mox::cmdNew);
    QCOMPARE(dialogs_->questions.size(), 1);

    QVERIFY(writeBytes(path("a.asm"), "halt\r\n"));
    dialogs_->openPaths.push_back(path("a.asm"));
    trigger(mox::cmdOpen);
    QVERIFY(!view_->isModified());
    trigger(mox::cmdNew);
    QCOMPARE(dialogs_->questions.size(), 1);

    dialogs_->openPaths.push_back(path("a.asm"));
    trigger(mox::cmdOpen);
    type("x");
    QVERIFY(view_->isModified());
    QTest::keyClick(view_->editBox(), Qt::Key_Backspace);
    QVERIFY(view_->isModified()); // undoing by hand does not clear it
    trigger(mox::cmdSave);
    QVERIFY(!view_->isModified());
    QCOMPARE(dialogs_->questions.size(), 1);
}

void CodeViewTest::savePromptsAndAnswers_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<bool>("answer");

    QTest::newRow("new, yes") << int(mox::cmdNew) << "Do you wish to Save current?" << true;
    QTest::newRow("new, no") << int(mox::cmdNew) << "Do you wish to Save current?" << false;
    QTest::newRow("open, yes") << int(mox::cmdOpen) << "Do you wish to save current?" << true;
    QTest::newRow("open, no") << int(mox::cmdOpen) << "Do you wish to save current?" << false;
    QTest::newRow("exit, yes") << int(mox::cmdExit) << "Do you wish to Save before Exit?" << true;
    QTest::newRow("exit, no") << int(mox::cmdExit) << "Do you wish to Save before Exit?" << false;
}

void CodeViewTest::savePromptsAndAnswers() {
    QFETCH(int, command);
    QFETCH(QString, prompt);
    QFETCH(bool, answer);

    QVERIFY(writeBytes(path("other.asm"), "halt\r\n"));
    dialogs_->savePaths.push_back(path("mine.asm"));
    dialogs_->openPaths.push_back(path("other.asm"));
    dialogs_->answers.push_back(answer);
    type("inc ax");
    trigger(command);

    QCOMPARE(dialogs_->questions, QStringList{"Save?|" + prompt});
    QCOMPARE(QFile::exists(path("mine.asm")), answer);
    if (answer)
        QCOMPARE(readBytes(path("mine.asm")), QByteArray("inc ax"));
    QVERIFY(!view_->isModified() || command == mox::cmdExit);
    switch (command) {
    case mox::cmdNew:
        QCOMPARE(view_->windowTitle(), title("Untitled.asm"));
        QVERIFY(view_->documentText().isEmpty());
        break;
    case mox::cmdOpen:
        QCOMPARE(view_->windowTitle(), title(path("other.asm")));
        QCOMPARE(view_->documentText(), QStringLiteral("halt\n"));
        break;
    default:
        QVERIFY(!view_->isVisible());
    }
}

void CodeViewTest::yesWithoutSaveStopsTheCommand_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<bool>("cancelDialog"); // else the write fails
    for (bool cancel : {true, false}) {
        const char* how = cancel ? "cancelled" : "failed";
        QTest::addRow("new, %s", how) << int(mox::cmdNew) << cancel;
        QTest::addRow("open, %s", how) << int(mox::cmdOpen) << cancel;
        QTest::addRow("exit, %s", how) << int(mox::cmdExit) << cancel;
    }
}

void CodeViewTest::yesWithoutSaveStopsTheCommand() {
    QFETCH(int, command);
    QFETCH(bool, cancelDialog);

    dialogs_->answers.push_back(true);
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

void CodeViewTest::closeBoxAsksBeforeClosing() {
    QVERIFY(view_->close()); // nothing typed: no question
    QVERIFY(dialogs_->questions.isEmpty());

    view_->show();
    type("halt");
    dialogs_->answers = {true, false};
    dialogs_->savePaths.push_back(std::nullopt);
    QVERIFY(!view_->close());
    QCOMPARE(dialogs_->questions, QStringList{"Save?|Do you wish to Save before Exit?"});
    QVERIFY(view_->isVisible());
    QVERIFY(view_->close()); // No discards
    QCOMPARE(dialogs_->questions.size(), 2);
}

void CodeViewTest::saveAppendsExtension_data() {
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

void CodeViewTest::saveAppendsExtension() {
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

void CodeViewTest::saveAsCancelledKeepsState() {
    QVERIFY(writeBytes(path("a.asm"), "halt\r\n"));
    dialogs_->openPaths.push_back(path("a.asm"));
    trigger(mox::cmdOpen);
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

void CodeViewTest::titleShowsNameAsItIs_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("marker") << "a[*]b.asm";
    QTest::newRow("marker twice") << "[*][*].asm";
    QTest::newRow("marker and star") << "[*]*].asm";
    QTest::newRow("brackets") << "[Code View].asm";
}

void CodeViewTest::titleShowsNameAsItIs() {
    QFETCH(QString, name);
    QVERIFY(writeBytes(path(name), "halt\r\n"));
    dialogs_->openPaths.push_back(path(name));
    trigger(mox::cmdOpen);
    QCOMPARE(view_->fileName(), path(name));
    // What the window system is given, after Qt's own title processing.
    QCOMPARE(view_->windowHandle()->title(), title(path(name)));
    type("x");
    QCOMPARE(view_->windowHandle()->title(), title(path(name)));
}

void CodeViewTest::saveRewritesUnmodifiedFile() {
    QVERIFY(writeBytes(path("a.asm"), "halt\n"));
    dialogs_->openPaths.push_back(path("a.asm"));
    trigger(mox::cmdOpen);
    QVERIFY(writeBytes(path("a.asm"), "changed elsewhere"));
    trigger(mox::cmdSave);
    QCOMPARE(readBytes(path("a.asm")), QByteArray("halt\r\n"));
}

void CodeViewTest::loadsLineEnds_data() {
    QTest::addColumn<QByteArray>("onDisk");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("saved");

    QTest::newRow("CR LF") << QByteArray("load ax, ff\r\nhalt\r\n") << "load ax, ff\nhalt\n"
                           << QByteArray("load ax, ff\r\nhalt\r\n");
    QTest::newRow("bare LF") << QByteArray("load ax, ff\nhalt") << "load ax, ff\nhalt"
                             << QByteArray("load ax, ff\r\nhalt");
    QTest::newRow("stray CR") << QByteArray("inc ax\rinc bx\r\r\nhalt\r") << "inc axinc bx\nhalt"
                              << QByteArray("inc axinc bx\r\nhalt");
    QTest::newRow("blank lines") << QByteArray("\n\r\n\n") << "\n\n\n"
                                 << QByteArray("\r\n\r\n\r\n");
    QTest::newRow("empty") << QByteArray() << "" << QByteArray();
    QTest::newRow("zero byte ends the text") << QByteArray("halt\n\0junk", 10) << "halt\n"
                                             << QByteArray("halt\r\n");
}

void CodeViewTest::loadsLineEnds() {
    QFETCH(QByteArray, onDisk);
    QFETCH(QString, shown);
    QFETCH(QByteArray, saved);

    QVERIFY(writeBytes(path("in.asm"), onDisk));
    view_->editBox()->setPlainText("previous text");
    dialogs_->openPaths.push_back(path("in.asm"));
    dialogs_->answers.push_back(false);
    trigger(mox::cmdOpen);
    QCOMPARE(view_->documentText(), shown);
    QCOMPARE(view_->editBox()->toPlainText(), shown);
    QCOMPARE(view_->windowTitle(), title(path("in.asm")));
    QVERIFY(!view_->isModified());
    trigger(mox::cmdSave);
    QCOMPARE(readBytes(path("in.asm")), saved);
}

void CodeViewTest::savesEveryLineEndShown() {
    type("load ax, 1");
    QTest::keyClick(view_->editBox(), Qt::Key_Return, Qt::ShiftModifier);
    type("inc ax");
    QTest::keyClick(view_->editBox(), Qt::Key_Enter, Qt::ShiftModifier);
    view_->editBox()->insertPlainText(QStringLiteral("inc bx") + QChar::LineSeparator + "halt");
    QCOMPARE(view_->editBox()->blockCount(), 1); // all one block, shown as four lines
    dialogs_->savePaths.push_back(path("lines.asm"));
    trigger(mox::cmdSave);
    QCOMPARE(readBytes(path("lines.asm")), QByteArray("load ax, 1\r\ninc ax\r\ninc bx\r\nhalt"));
}

void CodeViewTest::roundTripsFileBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("latin1") << QByteArray("; caf\xe9 \xa0\xff\r\nload ax, ff\r\nhalt\r\n");
    QTest::newRow("broken utf8") << QByteArray("; \xc3\xa9 and \xc3 alone\r\nhalt\r\n");
    QTest::newRow("every byte but CR and zero") << [] {
        QByteArray all;
        for (int c = 1; c < 256; ++c)
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

void CodeViewTest::roundTripsFileBytes() {
    QFETCH(QByteArray, bytes);
    QVERIFY(writeBytes(path("r.asm"), bytes));
    dialogs_->openPaths.push_back(path("r.asm"));
    trigger(mox::cmdOpen);
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

// Random file contents without zero bytes: plain bytes (mostly not UTF-8),
// bytes from a small alphabet rich in line ends and UTF-8 lead bytes, and
// valid UTF-8 from characters that text widgets treat specially.
QByteArray randomContent(std::mt19937& rng) {
    const auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    const int length = pick(200);
    QByteArray bytes;
    switch (pick(3)) {
    case 0:
        for (int i = 0; i < length; ++i)
            bytes.append(static_cast<char>(1 + pick(255)));
        break;
    case 1: {
        static const char alphabet[] = "\r\n \ta;,\xc3\xa9\xe2\x80\xa8\xa9\xef\xbb\xbf\xff";
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

void CodeViewTest::roundTripsRandomBytes() {
    // A fixed seed keeps failures reproducible; MOX_SEED tries other ones.
    const char* seedText = std::getenv("MOX_SEED");
    const unsigned seed =
        seedText ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10)) : 2026;
    std::mt19937 rng(seed);
    // A name that a shell would split or expand, with letters beyond ASCII.
    const QString name = path(QString::fromUtf8("it's \"my\" prog; $HOME \xc3\xa9t\xc3\xa9.asm"));
    for (int round = 0; round < 600; ++round) {
        const QByteArray bytes = randomContent(rng);
        QVERIFY(writeBytes(name, bytes));
        dialogs_->openPaths.push_back(name);
        trigger(mox::cmdOpen);
        trigger(mox::cmdSave);
        const QByteArray saved = readBytes(name);
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

void CodeViewTest::unreadableOpenChangesNothing() {
    type("keep me");
    dialogs_->answers.push_back(false);
    dialogs_->openPaths.push_back(path("does-not-exist.asm"));
    trigger(mox::cmdOpen);
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY(dialogs_->messages.front().contains(path("does-not-exist.asm")));
    QCOMPARE(view_->documentText(), QStringLiteral("keep me"));
    QCOMPARE(view_->fileName(), QStringLiteral("Untitled.asm"));
}

void CodeViewTest::failedSaveKeepsWork_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("reason");
    QTest::newRow("folder does not exist") << "no/such/dir.asm"
                                           << "No such file or directory";
    QTest::newRow("target is a folder") << "folder.asm"
                                        << "Is a directory";
}

void CodeViewTest::failedSaveKeepsWork() {
    QFETCH(QString, target);
    QFETCH(QString, reason);
    QVERIFY(QDir(dir_->path()).mkdir("folder.asm"));

    QVERIFY(writeBytes(path("a.asm"), "halt\r\n"));
    dialogs_->openPaths.push_back(path("a.asm"));
    trigger(mox::cmdOpen);
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

void CodeViewTest::failedSaveKeepsOldFile() {
    // The longest name the folder allows is no reason to fail; the size
    // limit is.
    const QString longName = QString(251, 'n') + ".asm";
    QVERIFY(writeBytes(path(longName), "old\r\n"));
    dialogs_->openPaths.push_back(path(longName));
    trigger(mox::cmdOpen);
    type("new ");
    const FileSizeLimit limit(4);
    trigger(mox::cmdSave);
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY(dialogs_->messages.front().contains(longName));
    QVERIFY(view_->isModified());
    QCOMPARE(readBytes(path(longName)), QByteArray("old\r\n"));
    QCOMPARE(QDir(dir_->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 1);

    // Exit then asks, and a failing Yes keeps the window open.
    dialogs_->answers.push_back(true);
    trigger(mox::cmdExit);
    QVERIFY(view_->isVisible());
    QCOMPARE(dialogs_->messages.size(), 2);
}

void CodeViewTest::showsAbout() {
    trigger(mox::cmdAbout);
    QCOMPARE(dialogs_->messages,
             QStringList{"About|Simple Code Editor\nWritten by Orlenvik\nThis was done really "
                         "quick so you can use something to type the code\nNothing fancy =)\n"});
}

void CodeViewTest::buildStartsAssemblerInTerminal_data() {
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("assembler");

    const QString beside = "/opt/mox/bin/zerlant";
    const QString onPath = "/usr/bin/zerlant";
    QTest::newRow("x-terminal-emulator first")
        << QStringList{"/usr/bin/x-terminal-emulator", "/usr/bin/xterm", beside, onPath}
        << "/usr/bin/x-terminal-emulator"
        << "-e" << beside;
    QTest::newRow("xterm before konsole")
        << QStringList{"/usr/bin/konsole", "/usr/local/bin/xterm", onPath} << "/usr/local/bin/xterm"
        << "-e" << onPath;
    QTest::newRow("gnome-terminal takes --")
        << QStringList{"/usr/bin/gnome-terminal", "/usr/bin/konsole", beside}
        << "/usr/bin/gnome-terminal"
        << "--" << beside;
    QTest::newRow("konsole") << QStringList{"/usr/bin/konsole", onPath} << "/usr/bin/konsole"
                             << "-e" << onPath;
}

void CodeViewTest::buildStartsAssemblerInTerminal() {
    QFETCH(QStringList, installed);
    QFETCH(QString, program);
    QFETCH(QString, option);
    QFETCH(QString, assembler);
    starter_->executables = {installed.begin(), installed.end()};

    // Named, without ".asm", with blanks and shell characters in its path,
    // and unchanged since it was opened.
    QVERIFY(QDir(dir_->path()).mkdir("my dir"));
    const QString source = path("my dir/prog; rm -rf ~ $(x)");
    QVERIFY(writeBytes(source, "halt\n"));
    dialogs_->openPaths.push_back(source);
    trigger(mox::cmdOpen);
    trigger(mox::cmdBuild);

    QCOMPARE(dialogs_->messages, QStringList());
    QCOMPARE(view_->fileName(), source + ".asm");
    QCOMPARE(readBytes(source + ".asm"), QByteArray("halt\r\n"));
    QCOMPARE(starter_->startedPrograms, QStringList{program});
    QCOMPARE(starter_->startedArguments.front(), (QStringList{option, assembler, source + ".asm"}));

    // Each Build starts another assembler.
    trigger(mox::cmdBuild);
    QCOMPARE(starter_->startedPrograms.size(), 2);
}

void CodeViewTest::buildReportsWhatIsMissing_data() {
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

void CodeViewTest::buildReportsWhatIsMissing() {
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

void CodeViewTest::buildAfterFailedSaveStillStartsAssembler() {
    starter_->executables = {"/usr/bin/zerlant", "/usr/bin/xterm"};
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

void CodeViewTest::buildRunsRealAssembler() {
    const QString zerlant = QStringLiteral(MOX_BIN_DIR "/zerlant");
#ifdef MOX_HAVE_ZERLANT
    QVERIFY2(QFileInfo(zerlant).isExecutable(), qPrintable(zerlant));
#else
    if (!QFileInfo(zerlant).isExecutable())
        QSKIP("zerlant is not part of this build");
#endif
    starter_->executables = {zerlant, "/usr/bin/xterm"};
    view_->setProgramDir(QStringLiteral(MOX_BIN_DIR));

    QFile example(QStringLiteral(MOX_SOURCE_DIR "/examples/hello.asm"));
    QVERIFY(example.open(QIODevice::ReadOnly));
    view_->editBox()->setPlainText(QString::fromUtf8(example.readAll()));
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

void CodeViewTest::messageBoxesShowPlainText_data() {
    QTest::addColumn<int>("kind"); // 0 question, 1 information, 2 warning
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("buttons");
    QTest::newRow("question") << 0 << int(QMessageBox::Question)
                              << int(QMessageBox::Yes | QMessageBox::No);
    QTest::newRow("information") << 1 << int(QMessageBox::Information) << int(QMessageBox::Ok);
    QTest::newRow("warning") << 2 << int(QMessageBox::Warning) << int(QMessageBox::Ok);
}

void CodeViewTest::messageBoxesShowPlainText() {
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
        QVERIFY(dialogs.askYesNo(QStringLiteral("Save?"), text));
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

void CodeViewTest::fileDialogsOfferAsmFirst_data() {
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("nameField");
    QTest::newRow("open") << false << "Open"
                          << "*.asm";
    // Save would take a pattern there for the name of the file.
    QTest::newRow("save") << true << "Save As"
                          << "";
}

void CodeViewTest::fileDialogsOfferAsmFirst() {
    QFETCH(bool, save);
    QFETCH(QString, caption);
    QFETCH(QString, nameField);
    mox::QtDialogs dialogs(view_.get());
    const QString chosen = path("prog.asm");
    QVERIFY(writeBytes(chosen, "old"));
    QString shownCaption;
    QStringList filters;
    QString selectedFilter;
    QString shownName;
    bool asksBeforeReplacing = true;
    whenShown<QFileDialog>([&](QFileDialog* dialog) {
        shownCaption = dialog->windowTitle();
        filters = dialog->nameFilters();
        selectedFilter = dialog->selectedNameFilter();
        if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            shownName = edit->text();
        asksBeforeReplacing = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        dialog->selectFile(chosen);
        static_cast<QDialog*>(dialog)->accept();
    });
    const std::optional<QString> result =
        save ? dialogs.chooseSaveFile() : dialogs.chooseOpenFile();
    QCOMPARE(result, std::optional<QString>(chosen));
    QCOMPARE(shownCaption, caption);
    QCOMPARE(filters, (QStringList{"asm (*.asm)", "ALL (*)"}));
    QCOMPARE(selectedFilter, filters.value(0));
    QCOMPARE(shownName, nameField);
    if (save)
        QVERIFY(!asksBeforeReplacing);

    whenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    QCOMPARE(save ? dialogs.chooseSaveFile() : dialogs.chooseOpenFile(), std::nullopt);
}

QTEST_MAIN(CodeViewTest)
#include "codeview_test.moc"
