// The File menu: New, Open, Save, Save As, and the question before text is
// dropped.
#include "editor_window.h"

#include "editor_window_parts.h"
#include "platform.h"
#include "sourcefile.h"
#include "sourcetext.h"

#include <QDir>
#include <QFileInfo>

namespace mox {

using namespace editor_window;

namespace {

const QString asmExtension = QStringLiteral(".asm");

} // namespace

QString EditorWindow::documentFolder() const {
    if (fileName_ == untitledName)
        return QDir::currentPath();
    return QFileInfo(fileName_).absolutePath();
}

bool EditorWindow::askToSave(const QString& prompt) {
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

void EditorWindow::newFile() {
    if (!askToSave(QStringLiteral("Do you wish to Save current?")))
        return;
    fileName_ = untitledName;
    updateTitle();
    setDocument({});
    checkNow();
}

void EditorWindow::openFile() {
    if (!askToSave(QStringLiteral("Do you wish to save current?")))
        return;
    if (const std::optional<QString> path = dialogs_->chooseOpenFile(documentFolder()))
        loadFile(*path);
}

bool EditorWindow::loadFile(const QString& path) {
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

void EditorWindow::openArgument(const QString& path) {
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

bool EditorWindow::saveFile() {
    return save() == SaveResult::Saved;
}

bool EditorWindow::saveFileAs() {
    return saveAs() == SaveResult::Saved;
}

EditorWindow::SaveResult EditorWindow::save() {
    if (fileName_ == untitledName)
        return saveAs();
    return writeTo(fileName_);
}

EditorWindow::SaveResult EditorWindow::saveAs() {
    const std::optional<QString> path = dialogs_->chooseSaveFile(documentFolder());
    if (!path) {
        updateTitle();
        return SaveResult::Cancelled;
    }
    return writeTo(*path);
}

EditorWindow::SaveResult EditorWindow::writeTo(QString name) {
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

} // namespace mox
