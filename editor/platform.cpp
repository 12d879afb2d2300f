#include "platform.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>

namespace mox {

static const QString fileFilter = QStringLiteral("asm (*.asm);;ALL (*)");

namespace {

// File names may hold "<" or "&", which must not turn a message into markup.
QMessageBox::StandardButton showBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                    const QString& text, QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, caption, text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    if (buttons & QMessageBox::Yes)
        box.setDefaultButton(QMessageBox::Yes);
    if (buttons & QMessageBox::Cancel)
        box.setEscapeButton(QMessageBox::Cancel); // the close box too
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

std::optional<QString> chooseFile(QWidget* parent, const QString& folder, bool save) {
    QFileDialog dialog(parent, QString(), folder, fileFilter);
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        // Replacing an existing file without a question is how Save As has
        // always behaved here.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    // The name field starts out holding the pattern of the files it lists.
    dialog.selectFile(QStringLiteral("*.asm"));
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        const QFileInfo chosen(dialog.selectedFiles().constFirst());
        // Save takes whatever is in the name field, a pattern too: that is
        // never a name to write, so the dialog is shown again.
        if (!chosen.fileName().contains(u'*') && !chosen.fileName().contains(u'?'))
            return chosen.filePath();
        dialog.setDirectory(chosen.absolutePath());
        dialog.selectFile(chosen.fileName());
    }
}

} // namespace

EditorDialogs::Answer QtDialogs::ask(const QString& caption, const QString& text) {
    switch (showBox(parent_, QMessageBox::Question, caption, text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

void QtDialogs::inform(const QString& caption, const QString& text) {
    showBox(parent_, QMessageBox::Information, caption, text, QMessageBox::Ok);
}

void QtDialogs::warn(const QString& caption, const QString& text) {
    showBox(parent_, QMessageBox::Warning, caption, text, QMessageBox::Ok);
}

std::optional<QString> QtDialogs::chooseOpenFile(const QString& folder) {
    return chooseFile(parent_, folder, false);
}

std::optional<QString> QtDialogs::chooseSaveFile(const QString& folder) {
    return chooseFile(parent_, folder, true);
}

std::optional<QString> QtDialogs::askText(const QString& caption, const QString& label,
                                          const QString& initial) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(parent_, caption, label, QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<int> QtDialogs::askNumber(const QString& caption, const QString& label, int value,
                                        int minimum, int maximum) {
    bool ok = false;
    const int number =
        QInputDialog::getInt(parent_, caption, label, value, minimum, maximum, 1, &ok);
    if (!ok)
        return std::nullopt;
    return number;
}

QString QtProgramStarter::findProgram(const QString& name, const QStringList& dirs) const {
    return QStandardPaths::findExecutable(name, dirs);
}

QString QtProgramStarter::realProgramName(const QString& path) const {
    return QFileInfo(QFileInfo(path).canonicalFilePath()).fileName();
}

bool QtProgramStarter::startDetached(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}

} // namespace mox
