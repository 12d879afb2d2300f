#include "dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace mox::ui {

void QtDialogs::message(QWidget* owner, const QString& text, const QString& caption, Icon icon) {
    QMessageBox box(icon == Icon::Error ? QMessageBox::Critical : QMessageBox::Information, caption,
                    text, QMessageBox::Ok, owner);
    box.exec();
}

std::optional<QString> QtDialogs::openProgramFile() {
    const QString path = QFileDialog::getOpenFileName(
        nullptr, QString(), QString(),
        QStringLiteral("8xe (Simple Machine Language) (*.8xe);;ALL (*)"));
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return path;
}

} // namespace mox::ui
