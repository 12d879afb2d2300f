#include "platform.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>

namespace mox {

static const QString fileFilter = QStringLiteral("asm (*.asm);;ALL (*)");

bool QtDialogs::askYesNo(const QString& caption, const QString& text) {
    return QMessageBox::question(parent_, caption, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void QtDialogs::inform(const QString& caption, const QString& text) {
    QMessageBox::information(parent_, caption, text);
}

void QtDialogs::warn(const QString& caption, const QString& text) {
    QMessageBox::warning(parent_, caption, text);
}

std::optional<QString> QtDialogs::chooseOpenFile() {
    const QString path = QFileDialog::getOpenFileName(parent_, QString(), QString(), fileFilter);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

std::optional<QString> QtDialogs::chooseSaveFile() {
    // Replacing an existing file without a question is how Save As has always
    // behaved here.
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
