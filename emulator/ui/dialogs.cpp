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
    QFileDialog dialog;
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(
        {QStringLiteral("8xe (Simple Machine Language) (*.8xe)"), QStringLiteral("ALL (*)")});
    dialog.selectFile(QStringLiteral("*.8xe"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

} // namespace mox::ui
