#include "codeview.h"

#include "platform.h"
#include "sourcetext.h"
#include "text.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextDocument>

#include <functional>

// Resources of a static library have to be registered by hand, and only
// outside any namespace.
static void initEditorResources() {
    Q_INIT_RESOURCE(editor);
}

namespace mox {

namespace {

const QString untitledName = QStringLiteral("Untitled.asm");
const QString asmExtension = QStringLiteral(".asm");

// The frame of the window the editor was first drawn in took 6 pixels of the
// width and 25 of the height; the client area keeps the size it had then.
constexpr int clientWidth = 640 - 6;
constexpr int clientHeight = 480 - 25;

struct Terminal {
    const char* program;
    const char* runOption; // what comes before the command to run
};

// Each of these runs the command after its option directly, without a shell.
constexpr Terminal terminals[] = {
    {"x-terminal-emulator", "-e"},
    {"xterm", "-e"},
    {"gnome-terminal", "--"},
    {"konsole", "-e"},
};

std::string localPath(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

} // namespace

CodeView::CodeView(EditorDialogs* dialogs, ProgramStarter* starter, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), starter_(starter), fileName_(untitledName),
      programDir_(QCoreApplication::applicationDirPath()) {
    if (!dialogs_) {
        ownDialogs_ = std::make_unique<QtDialogs>(this);
        dialogs_ = ownDialogs_.get();
    }
    if (!starter_) {
        ownStarter_ = std::make_unique<QtProgramStarter>();
        starter_ = ownStarter_.get();
    }
    initEditorResources();
    setObjectName(QStringLiteral("CODEVIEW"));
    setWindowIcon(QIcon(QStringLiteral(":/editor/editor.xpm")));
    createEditBox();
    createMenus();
    resize(clientWidth, clientHeight);
    updateTitle();
}

CodeView::~CodeView() = default;

void CodeView::createEditBox() {
    editBox_ = new QPlainTextEdit(this);
    editBox_->setLineWrapMode(QPlainTextEdit::NoWrap);
    editBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    editBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(15);
    editBox_->setFont(font);
    // Tab stops every eight characters, where the classic edit control has them.
    editBox_->setTabStopDistance(8 * QFontMetricsF(editBox_->font()).horizontalAdvance(u' '));
    setCentralWidget(editBox_);
    connect(editBox_, &QPlainTextEdit::textChanged, this, &CodeView::textChanged);
}

void CodeView::createMenus() {
    struct Item {
        const char* text; // none for a separator
        int id;
        std::function<void()> command;
    };
    const auto addItems = [this](QMenu* menu, std::initializer_list<Item> items) {
        for (const Item& item : items) {
            if (!item.text) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(QString::fromLatin1(item.text));
            action->setData(item.id);
            connect(action, &QAction::triggered, this, item.command);
        }
    };
    addItems(menuBar()->addMenu(QStringLiteral("File")),
             {{"N&ew", cmdNew, [this] { newFile(); }},
              {nullptr, 0, {}},
              {"Open", cmdOpen, [this] { openFile(); }},
              {"Save", cmdSave, [this] { saveFile(); }},
              {"Save As..", cmdSaveAs, [this] { saveFileAs(); }},
              {nullptr, 0, {}},
              {"E&xit", cmdExit, [this] { exitEditor(); }}});
    addItems(menuBar()->addMenu(QStringLiteral("Assemble")),
             {{"Build", cmdBuild, [this] { buildProgram(); }}});
    addItems(menuBar()->addMenu(QStringLiteral("Help")),
             {{"About", cmdAbout, [this] { showAbout(); }}});
}

QAction* CodeView::commandAction(int id) const {
    for (QAction* action : findChildren<QAction*>()) {
        if (action->data().toInt() == id && !action->isSeparator())
            return action;
    }
    return nullptr;
}

QString CodeView::documentText() const {
    // toPlainText() would turn no-break spaces into blanks and so change the
    // file's bytes; the raw text keeps them.
    QString text = editBox_->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    // Shift+Return puts a line separator, which looks like any other line end.
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

void CodeView::updateTitle() {
    // Qt reads "[*]" in a title as the modified marker; doubled, it shows as is.
    QString name = fileName_;
    name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(QStringLiteral("ZERLANT - [Code View] - ") + name);
}

void CodeView::textChanged() {
    modified_ = true;
}

bool CodeView::askToSave(const QString& prompt) {
    if (!modified_ || !dialogs_->askYesNo(QStringLiteral("Save?"), prompt))
        return true;
    // A save that was asked for and did not happen must not cost the text.
    return save() == SaveResult::Saved;
}

void CodeView::newFile() {
    if (!askToSave(QStringLiteral("Do you wish to Save current?")))
        return;
    fileName_ = untitledName;
    updateTitle();
    editBox_->clear();
    latin1_ = false;
    modified_ = false;
}

void CodeView::openFile() {
    if (!askToSave(QStringLiteral("Do you wish to save current?")))
        return;
    const std::optional<QString> path = dialogs_->chooseOpenFile();
    if (!path)
        return;
    const std::optional<std::string> bytes = readTextFile(localPath(*path));
    if (!bytes) {
        dialogs_->warn(QStringLiteral("Open"), QStringLiteral("Could not read ") + *path);
        return;
    }
    SourceText source = decodeSource(*bytes);
    fileName_ = *path;
    updateTitle();
    editBox_->setPlainText(source.text);
    latin1_ = source.latin1;
    modified_ = false;
}

bool CodeView::saveFile() {
    return save() == SaveResult::Saved;
}

bool CodeView::saveFileAs() {
    return saveAs() == SaveResult::Saved;
}

CodeView::SaveResult CodeView::save() {
    if (fileName_ == untitledName)
        return saveAs();
    return writeTo(fileName_);
}

CodeView::SaveResult CodeView::saveAs() {
    const std::optional<QString> path = dialogs_->chooseSaveFile();
    if (!path) {
        updateTitle();
        return SaveResult::Cancelled;
    }
    return writeTo(*path);
}

CodeView::SaveResult CodeView::writeTo(QString name) {
    // Case-sensitive and anywhere in the path, as users of PROG.ASM know.
    if (!name.contains(asmExtension))
        name += asmExtension;
    std::string reason;
    if (!writeTextFile(localPath(name), encodeSource(documentText(), latin1_), &reason)) {
        dialogs_->warn(QStringLiteral("Save"), QStringLiteral("Could not save ") + name +
                                                   QStringLiteral(":\n") +
                                                   QString::fromLocal8Bit(reason));
        return SaveResult::Failed;
    }
    fileName_ = name;
    modified_ = false;
    updateTitle();
    return SaveResult::Saved;
}

void CodeView::exitEditor() {
    close();
}

void CodeView::closeEvent(QCloseEvent* event) {
    if (askToSave(QStringLiteral("Do you wish to Save before Exit?")))
        event->accept();
    else
        event->ignore();
}

void CodeView::buildProgram() {
    // The assembler starts whatever the save did: after a cancelled Save As it
    // is handed "Untitled.asm", and a failed write has already been reported.
    save();
    QString assembler = starter_->findProgram(QStringLiteral("zerlant"), {programDir_});
    if (assembler.isEmpty())
        assembler = starter_->findProgram(QStringLiteral("zerlant"), {});
    if (assembler.isEmpty()) {
        dialogs_->warn(QStringLiteral("Build"),
                       QStringLiteral("Cannot find the assembler zerlant beside the editor or on "
                                      "the PATH."));
        return;
    }
    for (const Terminal& terminal : terminals) {
        const QString program = starter_->findProgram(QString::fromLatin1(terminal.program), {});
        if (program.isEmpty())
            continue;
        // The path goes as one argument, never through a shell.
        const QStringList arguments{QString::fromLatin1(terminal.runOption), assembler, fileName_};
        if (!starter_->startDetached(program, arguments))
            dialogs_->warn(QStringLiteral("Build"), QStringLiteral("Could not start ") + program);
        return;
    }
    dialogs_->warn(QStringLiteral("Build"),
                   QStringLiteral("Cannot find a terminal to run the assembler in (looked for "
                                  "x-terminal-emulator, xterm, gnome-terminal and konsole)."));
}

void CodeView::showAbout() {
    dialogs_->inform(QStringLiteral("About"),
                     QStringLiteral("Simple Code Editor\n"
                                    "Written by Orlenvik\n"
                                    "This was done really quick so you can use something to type "
                                    "the code\n"
                                    "Nothing fancy =)\n"));
}

} // namespace mox
