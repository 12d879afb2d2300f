// The edit box: the text as bytes, the live check's errors in place, the
// jumps, Find and Go to Line, completion, tips and zoom.
#include "editor_window.h"

#include "asmlexer.h"
#include "diagnostics.h"
#include "editor_window_parts.h"
#include "platform.h"
#include "sourcetext.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QToolTip>

#include <algorithm>

namespace mox {

using namespace editor_window;

namespace {

const QString zoomKey = QStringLiteral("zoom");

constexpr int lineNumberMargin = 0;
constexpr int errorMargin = 1;
constexpr int errorMarker = 0;
constexpr int errorIndicator = 8; // the first indicator free for containers
// Long enough to let a word be typed, short enough to feel immediate.
constexpr int checkPauseMs = 300;

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

} // namespace

void EditorWindow::applyEditBoxColours() {
    const desktop::ThemeColours& look = desktop::colours();
    for (const int style : {AsmLexer::Default, AsmLexer::Mnemonic, AsmLexer::Register,
                            AsmLexer::Number, AsmLexer::Comment}) {
        lexer_->setColor(lexer_->defaultColor(style), style);
        lexer_->setPaper(look.paper, style);
    }
    lexer_->setDefaultPaper(look.paper);
    lexer_->setDefaultColor(look.ink);
    editBox_->setCaretForegroundColor(look.text);
    editBox_->setCaretLineBackgroundColor(look.caretLine);
    // Scintilla's grey tip text is too faint to read at a glance.
    editBox_->setCallTipsForegroundColor(look.ink);
    editBox_->setCallTipsBackgroundColor(look.paper);
    editBox_->setMarginsBackgroundColor(look.margin);
    editBox_->setMarginsForegroundColor(look.marginText);
    editBox_->setMarkerBackgroundColor(look.errorMarker, errorMarker);
    editBox_->setMarkerForegroundColor(look.errorMarkerOutline, errorMarker);
    editBox_->setIndicatorForegroundColor(look.errorUnderline, errorIndicator);
}

void EditorWindow::createEditBox() {
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

    editBox_->setMarginsFont(font);
    editBox_->setMarginType(lineNumberMargin, Sci::NumberMargin);
    editBox_->setMarginType(errorMargin, Sci::SymbolMargin);
    editBox_->setMarginWidth(errorMargin, 14);
    editBox_->setMarginSensitivity(errorMargin, false);
    editBox_->markerDefine(Sci::Circle, errorMarker);
    editBox_->indicatorDefine(Sci::SquigglePixmapIndicator, errorIndicator);
    applyEditBoxColours();
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
    connect(checkTimer_, &QTimer::timeout, this, &EditorWindow::checkNow);
    connect(editBox_, &Sci::textChanged, this, &EditorWindow::textChanged);
    connect(editBox_, &Sci::cursorPositionChanged, this, &EditorWindow::updatePosition);
    connect(editBox_, &Sci::linesChanged, this, &EditorWindow::updateMarginWidth);
    connect(editBox_, &Sci::SCN_CHARADDED, this, &EditorWindow::charAdded);
    editBox_->installEventFilter(this);
    connect(editBox_, &Sci::SCN_AUTOCCOMPLETED, this,
            [this](const char* selection, int position, int, int) {
                showCallTip(position, selection);
            });
    connect(editBox_, &Sci::SCN_DWELLSTART, this, &EditorWindow::dwellStarted);
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

void EditorWindow::zoomText() {
    QFont font = editorFont();
    font.setPointSizeF(font.pointSizeF() * desktop::windowZoom(this) / 100.0);
    lexer_->setDefaultFont(font);
    lexer_->setFont(font);
    editBox_->setMarginsFont(font);
    // The error marks grow with the text they stand beside.
    editBox_->setMarginWidth(errorMargin, desktop::zoomed(this, 14));
    marginDigits_ = 0; // the numbers changed size
    updateMarginWidth();
}

std::string_view EditorWindow::documentBytes() const {
    const auto length = static_cast<std::size_t>(editBox_->SendScintilla(Sci::SCI_GETLENGTH));
    // Scintilla hands out its buffer without copying it.
    const auto* text =
        static_cast<const char*>(editBox_->SendScintillaPtrResult(Sci::SCI_GETCHARACTERPOINTER));
    return {text, length};
}

std::string_view EditorWindow::textRange(long start, long end) const {
    if (end <= start)
        return {};
    // Only this range is made contiguous, not the whole document.
    const auto* text = reinterpret_cast<const char*>(editBox_->SendScintilla(
        Sci::SCI_GETRANGEPOINTER, static_cast<unsigned long>(start), end - start));
    return {text, static_cast<std::size_t>(end - start)};
}

QString EditorWindow::documentText() const {
    const std::string_view bytes = documentBytes();
    const auto size = static_cast<qsizetype>(bytes.size());
    return editBox_->isUtf8() ? QString::fromUtf8(bytes.data(), size)
                              : QString::fromLatin1(bytes.data(), size);
}

void EditorWindow::setDocument(std::string_view bytes) {
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

void EditorWindow::updateMarginWidth() {
    const int digits = int(QString::number(editBox_->lines()).size());
    if (digits == marginDigits_)
        return;
    marginDigits_ = digits;
    editBox_->setMarginWidth(lineNumberMargin, QString(std::max(digits, 3) + 1, u'9'));
}

void EditorWindow::textChanged() {
    modified_ = true;
    checkTimer_->start();
}

void EditorWindow::checkNow() {
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

std::pair<long, long> EditorWindow::codeRange(int line) const {
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

void EditorWindow::showErrors() {
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

void EditorWindow::showLineMessage(int line) {
    if (!errorsByLine_.contains(line)) {
        messageLine_ = -1;
        statusBar()->clearMessage();
        return;
    }
    messageLine_ = line;
    statusBar()->showMessage(errorsByLine_.value(line).replace(u'\n', QStringLiteral("; ")));
}

void EditorWindow::jumpToError(bool forward) {
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

void EditorWindow::find() {
    const std::optional<QString> text =
        dialogs_->askText(QStringLiteral("Find"), QStringLiteral("Find what:"), findText_);
    if (!text || text->isEmpty())
        return;
    findText_ = *text;
    findNext();
}

void EditorWindow::findNext() {
    if (findText_.isEmpty()) {
        find();
        return;
    }
    // From the cursor on, around the end of the text, in either case.
    if (!editBox_->findFirst(findText_, false, false, false, true))
        statusBar()->showMessage(QStringLiteral("Cannot find \"%1\"").arg(findText_), 4000);
}

void EditorWindow::goToLine() {
    const std::optional<int> target =
        dialogs_->askNumber(QStringLiteral("Go to Line"), QStringLiteral("Line:"),
                            cursorLine(*editBox_) + 1, 1, std::max(editBox_->lines(), 1));
    if (target)
        moveToLine(*editBox_, *target - 1);
}

void EditorWindow::charAdded(int c) {
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

bool EditorWindow::eventFilter(QObject* watched, QEvent* event) {
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

void EditorWindow::showCallTip(long wordStart, std::string_view word) {
    const QString tip = instructionTip(word);
    if (!tip.isEmpty())
        editBox_->SendScintilla(Sci::SCI_CALLTIPSHOW, static_cast<unsigned long>(wordStart),
                                tip.toUtf8().constData());
}

QString EditorWindow::hoverText(QPoint point) const {
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

void EditorWindow::dwellStarted(int, int x, int y) {
    const QString tip = hoverText(QPoint(x, y));
    if (!tip.isEmpty())
        QToolTip::showText(editBox_->viewport()->mapToGlobal(QPoint(x, y)), tip, editBox_);
}

} // namespace mox
