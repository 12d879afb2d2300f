#include "instruction_window.h"

#include "window_frame.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace mox::ui {

InstructionEdit::InstructionEdit(QWidget* parent) : QLineEdit(parent) {
    setFont(controlFont());
    setAccessibleName(QStringLiteral("Instruction word"));
}

void InstructionEdit::keyPressEvent(QKeyEvent* event) {
    event->accept();
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit executeRequested();
        return;
    }
    // Cut, copy, paste and undo by their control characters only: with Delete
    // or Insert they are key-downs, which this field ignores.
    const bool editingKey = event->key() == Qt::Key_Delete || event->key() == Qt::Key_Insert;
    const bool clipboard =
        !editingKey && (event->matches(QKeySequence::Cut) || event->matches(QKeySequence::Copy) ||
                        event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Undo));
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    const QString text = event->text();
    const bool typed = plain && !text.isEmpty() && text.at(0).isPrint();
    if ((event->key() == Qt::Key_Backspace && plain) || clipboard || typed) {
        QLineEdit::keyPressEvent(event);
    }
}

InstructionWindow::InstructionWindow() : edit(new InstructionEdit(this)) {
    setUpTopLevel(this, "CPURE", QStringLiteral("Execute Instruction"), QSize(215, 55));
    edit->setGeometry(5, 5, 200, 20);
    installFocusFrame(this);
}

void InstructionWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Typing starts at once, whichever window opened this one.
    activateWindow();
    edit->setFocus(Qt::OtherFocusReason);
}

void InstructionWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
}

} // namespace mox::ui
