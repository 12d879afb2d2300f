// The real message box and open dialog, answered from inside their own modal
// loops.
#include "../modal_dialog.h"
#include "dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace mox;
using namespace mox::ui;

class DialogsTest : public QObject {
    Q_OBJECT

private slots:
    void messageBoxesShowCaptionTextAndIcon_data() {
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("expected");
        QTest::newRow("information") << int(Icon::Information) << int(QMessageBox::Information);
        QTest::newRow("error") << int(Icon::Error) << int(QMessageBox::Critical);
    }
    void messageBoxesShowCaptionTextAndIcon() {
        QFETCH(int, icon);
        QFETCH(int, expected);
        QtDialogs dialogs;
        QWidget owner;
        QString title;
        QString text;
        int shownIcon = -1;
        QMessageBox::StandardButtons buttons;
        QWidget* parent = nullptr;
        whenShown<QMessageBox>([&](QMessageBox* box) {
            title = box->windowTitle();
            text = box->text();
            shownIcon = box->icon();
            buttons = box->standardButtons();
            parent = box->parentWidget();
            box->button(QMessageBox::Ok)->click();
        });
        dialogs.message(&owner, QStringLiteral("Error:\nThere 8xe file is courpt!"),
                        QStringLiteral("Error!"), static_cast<Icon>(icon));
        QCOMPARE(title, "Error!");
        QCOMPARE(text, "Error:\nThere 8xe file is courpt!");
        QCOMPARE(shownIcon, expected);
        QCOMPARE(buttons, QMessageBox::Ok);
        QCOMPARE(parent, &owner);
    }

    void openDialogOffersProgramFilesFirst() {
        QtDialogs dialogs;
        QStringList filters;
        QString selectedFilter;
        QString fileName;
        whenShown<QFileDialog>([&](QFileDialog* dialog) {
            filters = dialog->nameFilters();
            if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                fileName = edit->text();
            }
            selectedFilter = dialog->selectedNameFilter();
            dialog->reject();
        });
        QCOMPARE(dialogs.openProgramFile(), std::nullopt);
        QCOMPARE(filters, QStringList({"8xe (Simple Machine Language) (*.8xe)", "ALL (*)"}));
        QCOMPARE(selectedFilter, filters.value(0));
        QCOMPARE(fileName, "*.8xe");
    }

    void openDialogReturnsTheChosenFile() {
        const QString path = QStringLiteral(MOX_SOURCE_DIR "/examples/hello.asm");
        QtDialogs dialogs;
        whenShown<QFileDialog>([&](QFileDialog* dialog) {
            dialog->selectFile(path);
            static_cast<QDialog*>(dialog)->accept();
        });
        QCOMPARE(dialogs.openProgramFile(), std::optional<QString>(path));
    }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
