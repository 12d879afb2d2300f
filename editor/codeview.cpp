#include "codeview.h"

#include "asmlexer.h"
#include "build.h"
#include "diagnostics.h"
#include "handoff.h"
#include "platform.h"
#include "sourcefile.h"
#include "sourcetext.h"

#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QToolTip>

#include <algorithm>
#include <functional>

// Resources of a static library have to be registered by hand, and only
// outside any namespace.
static void initEditorResources() {
    Q_INIT_RESOURCE(editor);
}

namespace mox {

namespace {

using Sci = QsciScintilla;

const QString untitledName = QStringLiteral("Untitled.asm");
const QString asmExtension = QStringLiteral(".asm");
const QString zoomKey = QStringLiteral("zoom");

// The frame of the window the editor was first drawn in took 6 pixels of the
// width and 25 of the height; the client area keeps the size it had then.
constexpr int clientWidth = 640 - 6;
constexpr int clientHeight = 480 - 25;

constexpr int lineNumberMargin = 0;
constexpr int errorMargin = 1;
constexpr int errorMarker = 0;
constexpr int errorIndicator = 8; // the first indicator free for containers
// Long enough to let a word be typed, short enough to feel immediate.
constexpr int checkPauseMs = 300;

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

// xterm and its wrappers, which pass xterm's options on.
bool isXterm(const QString& name) {
    return name == QLatin1String("xterm") || name == QLatin1String("uxterm") ||
           name == QLatin1String("lxterm");
}

std::string localPath(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

QFont editorFont() {
    // Liberation Mono comes with the toolkit, so the text looks the same on
    // every machine; the desktop's "monospace" may be a font that Qt does not
    // take for fixed-pitch. Without it, the hint finds another.
    QFont font(QStringLiteral("Liberation Mono"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    // Scintilla sizes its fonts in points: 15 pixels at the screen's resolution.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    font.setPointSizeF(15.0 * 72.0 / dpi);
    return font;
}

QString errorCountText(qsizetype count) {
    if (count == 0)
        return QStringLiteral("No errors");
    return count == 1 ? QStringLiteral("1 error") : QStringLiteral("%1 errors").arg(count);
}

int cursorLine(const Sci& edit) {
    int line = 0;
    int index = 0;
    edit.getCursorPosition(&line, &index);
    return line;
}

// The cursor at the start of the line, in view, with the focus.
void moveToLine(Sci& edit, int line) {
    edit.setCursorPosition(line, 0);
    edit.ensureLineVisible(line);
    edit.setFocus();
}

} // namespace

CodeView::CodeView(EditorDialogs* dialogs, ProgramStarter* starter, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), starter_(starter), fileName_(untitledName),
      handoff_(handoffPlace()) {
    setProgramPath(QCoreApplication::applicationFilePath());
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
    createStatusBar();
    resize(clientWidth, clientHeight);
    updateTitle();
    checkNow();
}

CodeView::~CodeView() = default;

void CodeView::createEditBox() {
    editBox_ = new QsciScintilla(this);
    lexer_ = new AsmLexer(editBox_);
    const QFont font = editorFont();
    lexer_->setDefaultFont(font);
    lexer_->setFont(font);
    editBox_->setLexer(lexer_);
    editBox_->setUtf8(true);
    editBox_->setEolMode(Sci::EolUnix);
    editBox_->setWrapMode(Sci::WrapNone);
    editBox_->setTabWidth(8);
    editBox_->setIndentationsUseTabs(true);
    editBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    editBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    editBox_->SendScintilla(Sci::SCI_SETSCROLLWIDTHTRACKING, 1);
    editBox_->SendScintilla(Sci::SCI_SETSCROLLWIDTH, 1);
    editBox_->setCaretLineVisible(true);
    editBox_->setCaretLineBackgroundColor(QColor(0xfff8d8));
    // Scintilla's grey tip text is too faint to read at a glance.
    editBox_->setCallTipsForegroundColor(lexer_->defaultColor(AsmLexer::Default));

    editBox_->setMarginsFont(font);
    editBox_->setMarginsBackgroundColor(QColor(0xececec));
    // Line numbers are read, not decoration: well over 4.5:1 on the margin.
    editBox_->setMarginsForegroundColor(QColor(0x505050));
    editBox_->setMarginType(lineNumberMargin, Sci::NumberMargin);
    editBox_->setMarginType(errorMargin, Sci::SymbolMargin);
    editBox_->setMarginWidth(errorMargin, 14);
    editBox_->setMarginSensitivity(errorMargin, false);
    editBox_->markerDefine(Sci::Circle, errorMarker);
    editBox_->setMarkerBackgroundColor(QColor(0xd01010), errorMarker);
    editBox_->setMarkerForegroundColor(QColor(0x800000), errorMarker);
    editBox_->indicatorDefine(Sci::SquigglePixmapIndicator, errorIndicator);
    editBox_->setIndicatorForegroundColor(QColor(0xe00000), errorIndicator);
    updateMarginWidth();

    editBox_->SendScintilla(Sci::SCI_SETMOUSEDWELLTIME, 400);
    editBox_->SendScintilla(Sci::SCI_AUTOCSETIGNORECASE, 0L);
    editBox_->SendScintilla(Sci::SCI_AUTOCSETAUTOHIDE, 1);
    setCentralWidget(editBox_);
    editBox_->setAccessibleName(QStringLiteral("Source code"));
    editBox_->verticalScrollBar()->setAccessibleName(QStringLiteral("Source lines"));
    editBox_->horizontalScrollBar()->setAccessibleName(QStringLiteral("Source columns"));

    checkTimer_ = new QTimer(this);
    checkTimer_->setSingleShot(true);
    checkTimer_->setInterval(checkPauseMs);
    connect(checkTimer_, &QTimer::timeout, this, &CodeView::checkNow);
    connect(editBox_, &Sci::textChanged, this, &CodeView::textChanged);
    connect(editBox_, &Sci::cursorPositionChanged, this, &CodeView::updatePosition);
    connect(editBox_, &Sci::linesChanged, this, &CodeView::updateMarginWidth);
    connect(editBox_, &Sci::SCN_CHARADDED, this, &CodeView::charAdded);
    editBox_->installEventFilter(this);
    connect(editBox_, &Sci::SCN_AUTOCCOMPLETED, this,
            [this](const char* selection, int position, int, int) {
                showCallTip(position, selection);
            });
    connect(editBox_, &Sci::SCN_DWELLSTART, this, &CodeView::dwellStarted);
    connect(editBox_, &Sci::SCN_DWELLEND, this, [] { QToolTip::hideText(); });
    // Whatever zooms (keys, menu, Ctrl+wheel), the next run starts there.
    connect(editBox_, &Sci::SCN_ZOOM, this, [this] {
        QSettings().setValue(zoomKey, int(editBox_->SendScintilla(Sci::SCI_GETZOOM)));
        marginDigits_ = 0; // the numbers changed size
        updateMarginWidth();
    });
    // Scintilla's own limits, in case the settings were edited by hand.
    editBox_->zoomTo(std::clamp(QSettings().value(zoomKey, 0).toInt(), -10, 20));
}

void CodeView::createMenus() {
    struct Item {
        const char* text; // none for a separator
        int id;
        std::function<void()> command;
        QKeySequence shortcut;
    };
    const auto addItems = [this](QMenu* menu, std::initializer_list<Item> items) {
        for (const Item& item : items) {
            if (!item.text) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(QString::fromLatin1(item.text));
            action->setData(item.id);
            action->setShortcut(item.shortcut);
            connect(action, &QAction::triggered, this, [this, command = item.command] {
                // A list or tip opened by typing belongs to where the caret
                // was; left open, it would float over text that has moved.
                editBox_->SendScintilla(Sci::SCI_AUTOCCANCEL);
                editBox_->SendScintilla(Sci::SCI_CALLTIPCANCEL);
                command();
            });
        }
    };
    const Item separator{nullptr, 0, {}, {}};
    addItems(menuBar()->addMenu(QStringLiteral("File")),
             {{"N&ew", cmdNew, [this] { newFile(); }, QKeySequence(Qt::CTRL | Qt::Key_N)},
              separator,
              {"Open", cmdOpen, [this] { openFile(); }, QKeySequence(Qt::CTRL | Qt::Key_O)},
              {"Save", cmdSave, [this] { saveFile(); }, QKeySequence(Qt::CTRL | Qt::Key_S)},
              {"Save As..", cmdSaveAs, [this] { saveFileAs(); },
               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
              separator,
              {"E&xit", cmdExit, [this] { exitEditor(); }, QKeySequence(Qt::CTRL | Qt::Key_Q)}});
    addItems(
        menuBar()->addMenu(QStringLiteral("&Edit")),
        {{"&Undo", cmdUndo, [this] { editBox_->undo(); }, QKeySequence::Undo},
         {"&Redo", cmdRedo, [this] { editBox_->redo(); }, QKeySequence::Redo},
         separator,
         {"Cu&t", cmdCut, [this] { editBox_->cut(); }, QKeySequence::Cut},
         {"&Copy", cmdCopy, [this] { editBox_->copy(); }, QKeySequence::Copy},
         {"&Paste", cmdPaste, [this] { editBox_->paste(); }, QKeySequence::Paste},
         {"Select &All", cmdSelectAll, [this] { editBox_->selectAll(); }, QKeySequence::SelectAll},
         separator,
         {"&Find...", cmdFind, [this] { find(); }, QKeySequence::Find},
         // Not the platform's Find Next: on GNOME that is Ctrl+G, which would
         // leave both it and Go to Line dead as an ambiguous shortcut.
         {"Find &Next", cmdFindNext, [this] { findNext(); }, QKeySequence(Qt::Key_F3)},
         {"&Go to Line...", cmdGoToLine, [this] { goToLine(); },
          QKeySequence(Qt::CTRL | Qt::Key_G)},
         separator,
         {"Next &Error", cmdNextError, [this] { jumpToError(true); }, QKeySequence(Qt::Key_F8)},
         {"Pre&vious Error", cmdPreviousError, [this] { jumpToError(false); },
          QKeySequence(Qt::SHIFT | Qt::Key_F8)}});
    addItems(menuBar()->addMenu(QStringLiteral("&View")),
             {{"Zoom &In", cmdZoomIn, [this] { editBox_->zoomIn(); }, QKeySequence::ZoomIn},
              {"Zoom &Out", cmdZoomOut, [this] { editBox_->zoomOut(); }, QKeySequence::ZoomOut},
              {"&Reset Zoom", cmdResetZoom, [this] { editBox_->zoomTo(0); },
               QKeySequence(Qt::CTRL | Qt::Key_0)}});
    addItems(
        menuBar()->addMenu(QStringLiteral("&Assemble")),
        {{"Build", cmdBuild, [this] { buildProgram(); }, QKeySequence(Qt::Key_F7)},
         {"Build and &Run", cmdBuildAndRun, [this] { buildAndRun(); }, QKeySequence(Qt::Key_F5)}});
    addItems(menuBar()->addMenu(QStringLiteral("Help")),
             {{"About", cmdAbout, [this] { showAbout(); }, {}}});
}

void CodeView::createStatusBar() {
    errorLabel_ = new QLabel(this);
    positionLabel_ = new QLabel(this);
    statusBar()->addWidget(errorLabel_, 1);
    statusBar()->addPermanentWidget(positionLabel_);
    updatePosition();
}

QAction* CodeView::commandAction(int id) const {
    for (QAction* action : findChildren<QAction*>()) {
        if (action->data().toInt() == id && !action->isSeparator())
            return action;
    }
    return nullptr;
}

std::string_view CodeView::documentBytes() const {
    const auto length = static_cast<std::size_t>(editBox_->SendScintilla(Sci::SCI_GETLENGTH));
    // Scintilla hands out its buffer without copying it.
    const auto* text =
        static_cast<const char*>(editBox_->SendScintillaPtrResult(Sci::SCI_GETCHARACTERPOINTER));
    return {text, length};
}

std::string_view CodeView::textRange(long start, long end) const {
    if (end <= start)
        return {};
    // Only this range is made contiguous, not the whole document.
    const auto* text = reinterpret_cast<const char*>(editBox_->SendScintilla(
        Sci::SCI_GETRANGEPOINTER, static_cast<unsigned long>(start), end - start));
    return {text, static_cast<std::size_t>(end - start)};
}

QString CodeView::documentText() const {
    const std::string_view bytes = documentBytes();
    const auto size = static_cast<qsizetype>(bytes.size());
    return editBox_->isUtf8() ? QString::fromUtf8(bytes.data(), size)
                              : QString::fromLatin1(bytes.data(), size);
}

void CodeView::setDocument(std::string_view bytes) {
    // A file that is not UTF-8 is shown byte for byte as Latin-1; either way
    // the bytes themselves are what Scintilla keeps and what is saved.
    editBox_->setUtf8(isUtf8(bytes));
    editBox_->SendScintilla(Sci::SCI_SETUNDOCOLLECTION, 0L);
    editBox_->SendScintilla(Sci::SCI_CLEARALL);
    editBox_->SendScintilla(Sci::SCI_APPENDTEXT, static_cast<unsigned long>(bytes.size()),
                            bytes.data());
    editBox_->SendScintilla(Sci::SCI_SETUNDOCOLLECTION, 1L);
    editBox_->SendScintilla(Sci::SCI_EMPTYUNDOBUFFER);
    editBox_->SendScintilla(Sci::SCI_GOTOPOS, 0L);
    modified_ = false;
}

QString CodeView::documentFolder() const {
    if (fileName_ == untitledName)
        return QDir::currentPath();
    return QFileInfo(fileName_).absolutePath();
}

void CodeView::updateTitle() {
    // Qt reads "[*]" in a title as the modified marker; doubled, it shows as is.
    QString name = fileName_;
    name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(QStringLiteral("ZERLANT - [Code View] - ") + name);
}

void CodeView::updatePosition() {
    const long position = editBox_->SendScintilla(Sci::SCI_GETCURRENTPOS);
    const long line = editBox_->SendScintilla(Sci::SCI_LINEFROMPOSITION, position);
    // Columns as shown, with tabs expanded.
    const long column = editBox_->SendScintilla(Sci::SCI_GETCOLUMN, position);
    positionLabel_->setText(QStringLiteral("Line %1, Col %2").arg(line + 1).arg(column + 1));
    // An error shown by a jump stays while the cursor is on its line.
    if (messageLine_ >= 0 && line != messageLine_) {
        messageLine_ = -1;
        statusBar()->clearMessage();
    }
}

void CodeView::updateMarginWidth() {
    const int digits = int(QString::number(editBox_->lines()).size());
    if (digits == marginDigits_)
        return;
    marginDigits_ = digits;
    editBox_->setMarginWidth(lineNumberMargin, QString(std::max(digits, 3) + 1, u'9'));
}

QString CodeView::statusText() const {
    return errorLabel_->text() + QStringLiteral(" | ") + positionLabel_->text();
}

void CodeView::textChanged() {
    modified_ = true;
    checkTimer_->start();
}

void CodeView::checkNow() {
    checkTimer_->stop();
    consoleLines_.clear();
    errorsByLine_.clear();
    const int lastLine = std::max(editBox_->lines() - 1, 0);
    for (const SourceError& error : checkSource(documentBytes())) {
        const QString text = QString::fromStdString(error.consoleLine);
        consoleLines_ << text;
        // The missing halt belongs to no line; it is shown where one would go.
        const int line = error.line < 0 ? lastLine : int(error.line);
        QString& shown = errorsByLine_[line];
        shown += (shown.isEmpty() ? QString() : QStringLiteral("\n")) + text;
    }
    showErrors();
}

std::pair<long, long> CodeView::codeRange(int line) const {
    const long lineStart = editBox_->SendScintilla(Sci::SCI_POSITIONFROMLINE, line);
    const long lineEnd = editBox_->SendScintilla(Sci::SCI_GETLINEENDPOSITION, line);
    const long start = editBox_->SendScintilla(Sci::SCI_GETLINEINDENTPOSITION, line);
    // The squiggle runs under the code, not under its indentation or comment.
    std::string_view code = textRange(start, lineEnd);
    code = code.substr(0, code.find(';'));
    const auto last = code.find_last_not_of(" \t");
    if (last == std::string_view::npos)
        return {lineStart, lineEnd};
    return {start, start + long(last) + 1};
}

void CodeView::showErrors() {
    editBox_->markerDeleteAll(errorMarker);
    const long length = editBox_->SendScintilla(Sci::SCI_GETLENGTH);
    editBox_->SendScintilla(Sci::SCI_SETINDICATORCURRENT, errorIndicator);
    editBox_->SendScintilla(Sci::SCI_INDICATORCLEARRANGE, 0L, length);
    for (auto it = errorsByLine_.cbegin(); it != errorsByLine_.cend(); ++it) {
        const int line = it.key();
        editBox_->markerAdd(line, errorMarker);
        const auto [start, end] = codeRange(line);
        editBox_->SendScintilla(Sci::SCI_INDICATORFILLRANGE, start, end - start);
    }
    errorLabel_->setText(errorCountText(consoleLines_.size()));
    errorLabel_->setToolTip(consoleLines_.join(u'\n'));
    // An error shown by a jump must not outlive its mending.
    if (messageLine_ >= 0)
        showLineMessage(messageLine_);
}

void CodeView::showLineMessage(int line) {
    if (!errorsByLine_.contains(line)) {
        messageLine_ = -1;
        statusBar()->clearMessage();
        return;
    }
    messageLine_ = line;
    statusBar()->showMessage(errorsByLine_.value(line).replace(u'\n', QStringLiteral("; ")));
}

void CodeView::jumpToError(bool forward) {
    // Errors found before the last edit would send the cursor to old lines.
    if (checkTimer_->isActive())
        checkNow();
    if (errorsByLine_.isEmpty()) {
        statusBar()->showMessage(QStringLiteral("No errors"), 3000);
        return;
    }
    const int line = cursorLine(*editBox_);
    const QList<int> lines = errorsByLine_.keys();
    int target = 0;
    if (forward) {
        const auto next = std::upper_bound(lines.begin(), lines.end(), line);
        target = next == lines.end() ? lines.front() : *next;
    } else {
        const auto previous = std::lower_bound(lines.begin(), lines.end(), line);
        target = previous == lines.begin() ? lines.back() : *std::prev(previous);
    }
    moveToLine(*editBox_, target);
    showLineMessage(target);
}

void CodeView::find() {
    const std::optional<QString> text =
        dialogs_->askText(QStringLiteral("Find"), QStringLiteral("Find what:"), findText_);
    if (!text || text->isEmpty())
        return;
    findText_ = *text;
    findNext();
}

void CodeView::findNext() {
    if (findText_.isEmpty()) {
        find();
        return;
    }
    // From the cursor on, around the end of the text, in either case.
    if (!editBox_->findFirst(findText_, false, false, false, true))
        statusBar()->showMessage(QStringLiteral("Cannot find \"%1\"").arg(findText_), 4000);
}

void CodeView::goToLine() {
    const std::optional<int> target =
        dialogs_->askNumber(QStringLiteral("Go to Line"), QStringLiteral("Line:"),
                            cursorLine(*editBox_) + 1, 1, std::max(editBox_->lines(), 1));
    if (target)
        moveToLine(*editBox_, *target - 1);
}

void CodeView::charAdded(int c) {
    const long position = editBox_->SendScintilla(Sci::SCI_GETCURRENTPOS);
    const long line = editBox_->SendScintilla(Sci::SCI_LINEFROMPOSITION, position);
    if (c == ' ') {
        // A tip for the mnemonic just typed, when it starts the line.
        const long wordEnd = position - 1;
        const long wordStart = editBox_->SendScintilla(Sci::SCI_WORDSTARTPOSITION, wordEnd, 1L);
        if (wordStart == editBox_->SendScintilla(Sci::SCI_GETLINEINDENTPOSITION, line))
            showCallTip(wordStart, textRange(wordStart, wordEnd));
        return;
    }
    const long lineStart = editBox_->SendScintilla(Sci::SCI_POSITIONFROMLINE, line);
    const Completion completion = completionAt(textRange(lineStart, position));
    if (completion.words.empty()) {
        editBox_->SendScintilla(Sci::SCI_AUTOCCANCEL);
        return;
    }
    editBox_->SendScintilla(Sci::SCI_AUTOCSHOW, static_cast<unsigned long>(completion.prefixLength),
                            completion.words.c_str());
}

bool CodeView::eventFilter(QObject* watched, QEvent* event) {
    // Return always ends the line; Tab takes a completion. A value such as
    // "a" must never turn into "ax" because the line was ended.
    if (watched == editBox_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) &&
            editBox_->SendScintilla(Sci::SCI_AUTOCACTIVE))
            editBox_->SendScintilla(Sci::SCI_AUTOCCANCEL);
    }
    return QMainWindow::eventFilter(watched, event);
}

void CodeView::showCallTip(long wordStart, std::string_view word) {
    const QString tip = instructionTip(word);
    if (!tip.isEmpty())
        editBox_->SendScintilla(Sci::SCI_CALLTIPSHOW, static_cast<unsigned long>(wordStart),
                                tip.toUtf8().constData());
}

QString CodeView::hoverText(QPoint point) const {
    const long x = point.x();
    const long y = point.y();
    const long nearest = editBox_->SendScintilla(Sci::SCI_POSITIONFROMPOINT, x, y);
    const int line = int(editBox_->SendScintilla(Sci::SCI_LINEFROMPOSITION, nearest));
    const long top = editBox_->SendScintilla(
        Sci::SCI_POINTYFROMPOSITION, 0UL, editBox_->SendScintilla(Sci::SCI_POSITIONFROMLINE, line));
    const long height = editBox_->SendScintilla(Sci::SCI_TEXTHEIGHT, line);
    if (y < top || y >= top + height)
        return {};
    // Anywhere on the line, the margins included.
    if (errorsByLine_.contains(line))
        return errorsByLine_.value(line);
    const long position = editBox_->SendScintilla(Sci::SCI_POSITIONFROMPOINTCLOSE, x, y);
    if (position < 0)
        return {};
    const long start = editBox_->SendScintilla(Sci::SCI_WORDSTARTPOSITION, position, 1L);
    const long end = editBox_->SendScintilla(Sci::SCI_WORDENDPOSITION, position, 1L);
    return instructionTip(textRange(start, end));
}

void CodeView::dwellStarted(int, int x, int y) {
    const QString tip = hoverText(QPoint(x, y));
    if (!tip.isEmpty())
        QToolTip::showText(editBox_->viewport()->mapToGlobal(QPoint(x, y)), tip, editBox_);
}

bool CodeView::askToSave(const QString& prompt) {
    if (!modified_)
        return true;
    switch (dialogs_->ask(QStringLiteral("Save?"), prompt)) {
    case EditorDialogs::Answer::Cancel:
        return false;
    case EditorDialogs::Answer::No:
        return true;
    case EditorDialogs::Answer::Yes:
        break;
    }
    // A save that was asked for and did not happen must not cost the text.
    return save() == SaveResult::Saved;
}

void CodeView::newFile() {
    if (!askToSave(QStringLiteral("Do you wish to Save current?")))
        return;
    fileName_ = untitledName;
    updateTitle();
    setDocument({});
    checkNow();
}

void CodeView::openFile() {
    if (!askToSave(QStringLiteral("Do you wish to save current?")))
        return;
    if (const std::optional<QString> path = dialogs_->chooseOpenFile(documentFolder()))
        loadFile(*path);
}

bool CodeView::loadFile(const QString& path) {
    std::string reason;
    const std::optional<std::string> bytes = readSourceFile(localPath(path), &reason);
    if (!bytes) {
        dialogs_->warn(QStringLiteral("Open"), QStringLiteral("Could not open ") + path +
                                                   QStringLiteral(":\n") +
                                                   QString::fromLocal8Bit(reason));
        return false;
    }
    fileName_ = path;
    updateTitle();
    setDocument(stripCarriageReturns(*bytes));
    // Large files are shown first and checked a moment later.
    checkTimer_->start();
    return true;
}

void CodeView::openArgument(const QString& path) {
    // Build hands the name to the assembler, which must find it from any
    // folder.
    const QFileInfo file(path);
    if (file.exists() || file.isSymLink()) {
        loadFile(file.absoluteFilePath());
        return;
    }
    fileName_ = file.absoluteFilePath();
    updateTitle();
    setDocument({});
    checkNow();
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
    const std::optional<QString> path = dialogs_->chooseSaveFile(documentFolder());
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
    if (!saveSourceFile(localPath(name), windowsLineEnds(documentBytes()), &reason)) {
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
        QStringList arguments;
        // A long list of errors stays readable in a named window that scrolls back.
        if (isXterm(starter_->realProgramName(program)))
            arguments << QStringLiteral("-T")
                      << QStringLiteral("zerlant - ") + QFileInfo(fileName_).fileName()
                      << QStringLiteral("-sb") << QStringLiteral("-sl") << QStringLiteral("1000");
        // The path goes as one argument, never through a shell.
        arguments << QString::fromLatin1(terminal.runOption) << assembler << fileName_;
        if (!starter_->startDetached(program, arguments))
            dialogs_->warn(QStringLiteral("Build"), QStringLiteral("Could not start ") + program);
        return;
    }
    dialogs_->warn(QStringLiteral("Build"),
                   QStringLiteral("Cannot find a terminal to run the assembler in (looked for "
                                  "x-terminal-emulator, xterm, gnome-terminal and konsole)."));
}

void CodeView::buildAndRun() {
    // Nothing is assembled that is not on disk as shown.
    if (save() != SaveResult::Saved)
        return;
    const BuildResult result = buildFile(localPath(fileName_));
    if (!result.problem.empty()) {
        statusBar()->showMessage(QString::fromLocal8Bit(result.problem));
        return;
    }
    if (!result.errors.empty()) {
        const SourceError& first = result.errors.front();
        const int lastLine = std::max(editBox_->lines() - 1, 0);
        showBuildError(first.line < 0 ? lastLine : int(first.line),
                       QString::fromStdString(first.consoleLine));
        return;
    }
    runInEmulator(QFile::decodeName(QByteArray::fromStdString(result.outputName)));
}

void CodeView::showBuildError(int line, const QString& text) {
    moveToLine(*editBox_, line);
    // Stays while the cursor is on the line, as a jump to an error does.
    messageLine_ = line;
    statusBar()->showMessage(text);
}

void CodeView::setProgramPath(const QString& path) {
    const QFileInfo info(path);
    programDir_ = info.path();
    programName_ = info.fileName();
}

QString CodeView::findEmulator() const {
    // The package installs the pair as mox77-editor and mox77-emulator, the
    // build as editor and emulator. A bare `emulator` anywhere else, or
    // beside a packaged editor in /usr/bin, may be any program at all.
    const QString beside = programName_.startsWith(QStringLiteral("mox77-"))
                               ? QStringLiteral("mox77-emulator")
                               : QStringLiteral("emulator");
    QString emulator = starter_->findProgram(beside, {programDir_});
    if (emulator.isEmpty())
        emulator = starter_->findProgram(QStringLiteral("mox77-emulator"), {});
    return emulator;
}

void CodeView::runInEmulator(const QString& program) {
    const QString name = QFileInfo(program).fileName();
    bool silent = false;
    if (!handoff_.socket.isEmpty()) {
        const HandOff handed = handOff(handoff_.socket, program);
        if (handed == HandOff::Delivered) {
            statusBar()->showMessage(
                QStringLiteral("Built %1 and sent it to the emulator").arg(name));
            return;
        }
        silent = handed == HandOff::NoAnswer;
    }
    const QString emulator = findEmulator();
    if (emulator.isEmpty()) {
        statusBar()->showMessage(
            QStringLiteral("Built %1; cannot find the emulator beside the editor or on the PATH")
                .arg(name));
        return;
    }
    if (!starter_->startDetached(emulator, {program})) {
        statusBar()->showMessage(
            QStringLiteral("Built %1; could not start %2").arg(name, emulator));
        return;
    }
    if (silent)
        statusBar()->showMessage(
            QStringLiteral(
                "Built %1; the running emulator did not answer, so a new one was started")
                .arg(name));
    else if (handoff_.socket.isEmpty())
        statusBar()->showMessage(
            QStringLiteral("Built %1 and started the emulator (no hand-over: %2)")
                .arg(name, handoff_.problem));
    else
        statusBar()->showMessage(QStringLiteral("Built %1 and started the emulator").arg(name));
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
