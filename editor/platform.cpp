#include "platform.h"

#include <QFileDialog>
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
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace

bool QtDialogs::askYesNo(const QString& caption, const QString& text) {
    return showBox(parent_, QMessageBox::Question, caption, text,
                   QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void QtDialogs::inform(const QString& caption, const QString& text) {
    showBox(parent_, QMessageBox::Information, caption, text, QMessageBox::Ok);
}

void QtDialogs::warn(const QString& caption, const QString& text) {
    showBox(parent_, QMessageBox::Warning, caption, text, QMessageBox::Ok);
}

std::optional<QString> QtDialogs::chooseOpenFile() {
    QFileDialog dialog(parent_, QString(), QString(), fileFilter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // The name field starts out holding the pattern of the files it lists.
    dialog.selectFile(QStringLiteral("*.asm"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtDialogs::chooseSaveFile() {
    // Replacing an existing file without a question is how Save As has always
    // behaved here. No pattern in the name field: Save would take it as the
    // name of the file to write.
    const QString path = QFileDialog::getSaveFileName(parent_, QString(), QString(), fileFilter,
                                                      nullptr, QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

QString QtProgramStarter::findProgram(const QString& name, const QStringList& dirs) const {
    return QStandardPaths::findExecutable(name, dirs);
}

bool QtProgramStarter::startDetached(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}

} // namespace mox
