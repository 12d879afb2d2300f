#include "execution_window.h"

#include "address_box.h"
#include "disassemble.h"
#include "highlights.h"
#include "pictures.h"
#include "presenter_keys.h"
#include "text.h"
#include "theme.h"
#include "window_frame.h"

#include <algorithm>
#include <memory>

#include <QAction>
#include <QCloseEvent>
#include <QHelpEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QToolTip>

namespace mox::ui {

ExecutionWindow::ExecutionWindow(const std::array<std::int32_t, 16>& registers_,
                                 const Highlights& highlights_)
    : registers(registers_), highlights(highlights_) {
    setUpTopLevel(this, "CPUWIN", QStringLiteral("MOX77"), QSize(400, 400));
    move(625, 340);

    // The backdrop covers the upper part; the listing lies on its panel.
    createPicture(this, QPoint(0, 0), 108)->setAccessibleName(QStringLiteral("MOX77 Execution"));
    listing = new QPlainTextEdit(this);
    listing->setGeometry(125, 50, 155, 120);
    listing->setReadOnly(true);
    listing->setTabChangesFocus(true);
    listing->setAccessibleName(QStringLiteral("Program"));
    listing->verticalScrollBar()->setAccessibleName(QStringLiteral("Program lines"));
    listing->setFont(controlFont());
    listing->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    listing->setLineWidth(1);
    listing->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    listing->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Program words have no spaces, so lines break between any two characters.
    listing->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    applyColours();
    listing->viewport()->installEventFilter(this);
    listing->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(listing, &QWidget::customContextMenuRequested, this, &ExecutionWindow::showListingMenu);

    auto* title = new QLabel(QStringLiteral("Registers"), this);
    title->setGeometry(5, 205, 100, 20);
    boxes[0] = new AddressBox(this, QPoint(5, 225), BoxKind::Register);
    boxes[1] = new AddressBox(this, QPoint(5, 285), BoxKind::Register);
    connect(createButton(QStringLiteral("Up"), QPoint(5, 345)), &QPushButton::clicked, this,
            &ExecutionWindow::pageUp);
    connect(createButton(QStringLiteral("Down"), QPoint(80, 345)), &QPushButton::clicked, this,
            &ExecutionWindow::pageDown);
    refreshRegisters();

    stepButton = createButton(QStringLiteral("Step"), QPoint(225, 315));
    QPushButton* instruction = createButton(QStringLiteral("Instruction"), QPoint(310, 315));
    executeButton = createButton(QStringLiteral("Execute"), QPoint(225, 345));
    QPushButton* shutDown = createButton(QStringLiteral("&Shut Down"), QPoint(310, 345));
    connect(stepButton, &QPushButton::clicked, this, &ExecutionWindow::stepClicked);
    connect(instruction, &QPushButton::clicked, this, &ExecutionWindow::instructionClicked);
    connect(executeButton, &QPushButton::clicked, this, &ExecutionWindow::executeClicked);
    connect(shutDown, &QPushButton::clicked, this, &ExecutionWindow::shutDownClicked);

    nextLabel = new QLabel(QStringLiteral("Next Instruction: "), this);
    nextLabel->setGeometry(190, 250, 250, 20);
    createKeys();
    installFocusFrame(this);
}

void ExecutionWindow::createKeys() {
    const auto addKeys = [this](const QString& text, QList<QKeySequence> keys, auto slot) {
        auto* action = new QAction(text, this);
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
        return action;
    };
    // Page Up and Page Down alone are the presenter's.
    addKeys(QStringLiteral("Previous registers"), {QKeySequence(Qt::SHIFT | Qt::Key_PageUp)},
            &ExecutionWindow::pageUp);
    addKeys(QStringLiteral("Next registers"), {QKeySequence(Qt::SHIFT | Qt::Key_PageDown)},
            &ExecutionWindow::pageDown);
    backAction = addKeys(QStringLiteral("Back"),
                         {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::Key_Backspace)},
                         &ExecutionWindow::backRequested);
    datapathAction = addKeys(QStringLiteral("Datapath"), {QKeySequence(Qt::CTRL | Qt::Key_D)},
                             &ExecutionWindow::datapathRequested);
    reloadAction = addKeys(QStringLiteral("Reload"),
                           {QKeySequence(Qt::CTRL | Qt::Key_R), QKeySequence(Qt::Key_F5)},
                           &ExecutionWindow::reloadRequested);

    // A remote's next key presses Step, as long as Step may be pressed.
    connect(addPresenterKeys(this, QStringLiteral("Step"),
                             {QKeySequence(Qt::Key_PageDown), QKeySequence(Qt::Key_Right),
                              QKeySequence(Qt::Key_Period)}),
            &QAction::triggered, this, [this] {
                if (stepButton->isEnabled()) {
                    emit stepClicked();
                } else {
                    showHint(QStringLiteral("Step is for a program loaded in step by step mode"));
                }
            });
    connect(addPresenterKeys(this, QStringLiteral("Back"),
                             {QKeySequence(Qt::Key_PageUp), QKeySequence(Qt::Key_Left)}),
            &QAction::triggered, this, &ExecutionWindow::backRequested);
    connect(addPresenterKeys(this, QStringLiteral("Blank"), {QKeySequence(Qt::Key_B)}),
            &QAction::triggered, this, &ExecutionWindow::blankRequested);
}

std::unique_ptr<QMenu> ExecutionWindow::listingMenu(QPoint at) {
    // Copy and Select All stay; Back, Datapath and Reload come first.
    std::unique_ptr<QMenu> menu(listing->createStandardContextMenu(at));
    QAction* first = menu->actions().value(0);
    menu->insertAction(first, backAction);
    menu->insertAction(first, datapathAction);
    menu->insertAction(first, reloadAction);
    menu->insertSeparator(first);
    return menu;
}

void ExecutionWindow::showListingMenu(QPoint at) {
    listingMenu(at)->exec(listing->viewport()->mapToGlobal(at));
}

void ExecutionWindow::showHint(const QString& text) {
    QToolTip::showText(stepButton->mapToGlobal(QPoint(0, stepButton->height())), text, stepButton);
    // Read out as well: a tooltip that appears on its own is not announced.
    stepButton->setAccessibleDescription(text);
}

QPushButton* ExecutionWindow::createButton(const QString& text, QPoint at) {
    auto* button = new QPushButton(text, this);
    button->setGeometry(at.x(), at.y(), 75, 20);
    button->setFont(controlFont());
    button->setAutoDefault(false);
    return button;
}

QPushButton* ExecutionWindow::button(const QString& text) const {
    for (QPushButton* b : findChildren<QPushButton*>()) {
        if (b->text() == text) {
            return b;
        }
    }
    return nullptr;
}

void ExecutionWindow::refreshRegisters() {
    boxes[0]->showNumber(page, registers[page], base, highlights.registerBefore(page));
    boxes[1]->showNumber(page + 1, registers[page + 1], base, highlights.registerBefore(page + 1));
}

void ExecutionWindow::refreshRegisterHighlights() {
    boxes[0]->showBefore(highlights.registerBefore(page));
    boxes[1]->showBefore(highlights.registerBefore(page + 1));
}

void ExecutionWindow::pageUp() {
    if (page > 0) {
        page -= 2;
        refreshRegisters();
    }
}

void ExecutionWindow::pageDown() {
    if (page <= 13) {
        page += 2;
        refreshRegisters();
    }
}

namespace {

// Wrapping one paragraph of hundreds of thousands of characters takes the text
// layout minutes; a long listing is cut into lines of what fits beforehand,
// which it then lays out lazily, a screenful at a time.
constexpr qsizetype longListing = 4096;

QString wrapListing(const QString& text, const QPlainTextEdit& view,
                    std::vector<qsizetype>& addedBreaks) {
    const QFontMetricsF metrics(view.font());
    const qreal width = view.contentsRect().width() - view.verticalScrollBar()->sizeHint().width() -
                        2 * view.document()->documentMargin() - 2;
    QString wrapped;
    wrapped.reserve(text.size() + text.size() / 8);
    qreal line = 0;
    for (QChar c : text) {
        if (c == QLatin1Char('\n')) {
            line = 0;
        } else {
            const qreal advance = metrics.horizontalAdvance(c);
            if (line > 0 && line + advance > width) {
                addedBreaks.push_back(wrapped.size() - static_cast<qsizetype>(addedBreaks.size()));
                wrapped += QLatin1Char('\n');
                line = 0;
            }
            line += advance;
        }
        wrapped += c;
    }
    return wrapped;
}

} // namespace

void ExecutionWindow::setProgramListing(const QString& text) {
    // The listing is read-only, so what it holds is exactly what was set here.
    listingText = text;
    listingIsProgram = isHexText(text.toLatin1().toStdString());
    addedBreaks.clear();
    listing->setPlainText(text.size() < longListing ? text
                                                    : wrapListing(text, *listing, addedBreaks));
    addedBreakPositions.clear();
    for (const qsizetype offset : addedBreaks) {
        addedBreakPositions.push_back(documentPosition(offset) - 1);
    }
}

std::optional<qsizetype> ExecutionWindow::textOffset(int position) const {
    const auto before =
        std::lower_bound(addedBreakPositions.begin(), addedBreakPositions.end(), position);
    if (before != addedBreakPositions.end() && *before == position) {
        return std::nullopt;
    }
    return position - (before - addedBreakPositions.begin());
}

QString ExecutionWindow::describeWordAt(QPoint point) const {
    // The character under the point lies between the nearest cursor position
    // and its neighbour on the same line.
    const QTextCursor nearest = listing->cursorForPosition(point);
    int position = nearest.position();
    if (point.x() < listing->cursorRect(nearest).x()) {
        --position;
    }
    if (position < 0 || position + 1 >= listing->document()->characterCount()) {
        return {};
    }
    QTextCursor from(listing->document());
    from.setPosition(position);
    QTextCursor to(listing->document());
    to.setPosition(position + 1);
    const QRect left = listing->cursorRect(from);
    const QRect right = listing->cursorRect(to);
    if (left.top() != right.top() || point.x() < left.x() || point.x() >= right.x() ||
        point.y() < left.top() || point.y() > left.bottom()) {
        return {};
    }
    const auto offset = textOffset(position);
    // A rejected text never runs; cut into fours, it would show words that
    // straddle its line breaks.
    if (!offset || !listingIsProgram) {
        return {};
    }
    const QString word = listingText.mid(*offset / 4 * 4, 4);
    if (word.size() != 4) {
        return {};
    }
    return QString::fromStdString(describeWord(word.toStdString()));
}

bool ExecutionWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == listing->viewport() && event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString text = describeWordAt(help->pos());
        if (text.isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(help->globalPos(), text, listing->viewport());
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

int ExecutionWindow::documentPosition(qsizetype offset) const {
    const auto before = std::upper_bound(addedBreaks.begin(), addedBreaks.end(), offset);
    return static_cast<int>(offset + (before - addedBreaks.begin()));
}

void ExecutionWindow::markWord(std::optional<qsizetype> offset) {
    if (!offset || *offset < 0 || *offset >= listingText.size()) {
        listing->setExtraSelections({});
        return;
    }
    const qsizetype last = std::min(*offset + 4, listingText.size()) - 1;
    QTextCursor cursor(listing->document());
    cursor.setPosition(documentPosition(last) + 1);
    // The end first, then the start: the whole word comes into view.
    listing->setTextCursor(cursor);
    listing->ensureCursorVisible();
    cursor.setPosition(documentPosition(*offset));
    listing->setTextCursor(cursor);
    listing->ensureCursorVisible();
    cursor.setPosition(documentPosition(last) + 1, QTextCursor::KeepAnchor);

    QTextEdit::ExtraSelection mark;
    mark.cursor = cursor;
    // The lit boxes' yellow, and an underline for those who see no colour.
    // Not bold: wider digits would break the lines differently.
    colourMark(mark.format);
    mark.format.setFontUnderline(true);
    listing->setExtraSelections({mark});
}

void ExecutionWindow::colourMark(QTextCharFormat& format) {
    format.setBackground(desktop::colours().lit);
    format.setForeground(desktop::colours().mark);
}

void ExecutionWindow::applyColours() {
    QPalette listingPalette = listing->palette();
    listingPalette.setColor(QPalette::Base, desktop::colours().ground);
    listingPalette.setColor(QPalette::Text, desktop::colours().text);
    listing->setPalette(listingPalette);
    QList<QTextEdit::ExtraSelection> marks = listing->extraSelections();
    for (QTextEdit::ExtraSelection& mark : marks) {
        colourMark(mark.format);
    }
    listing->setExtraSelections(marks);
}

QString ExecutionWindow::programListingText() const {
    return listingText;
}

void ExecutionWindow::setNextInstructionText(const QString& text) {
    nextLabel->setText(text);
}

void ExecutionWindow::setNextInstructionVisible(bool visible) {
    nextLabel->setVisible(visible);
}

void ExecutionWindow::setExecuteEnabled(bool enabled) {
    executeButton->setEnabled(enabled);
}

void ExecutionWindow::setStepEnabled(bool enabled) {
    stepButton->setEnabled(enabled);
}

void ExecutionWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
}

} // namespace mox::ui
