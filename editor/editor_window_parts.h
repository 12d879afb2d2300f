// What the editor window's parts share: the untitled name, paths for the
// files the editor hands on, and moving to a line.
#pragma once

#include <Qsci/qsciscintilla.h>

#include <QFile>
#include <QString>

#include <string>

namespace mox::editor_window {

using Sci = QsciScintilla;

inline const QString untitledName = QStringLiteral("Untitled.asm");

inline std::string localPath(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

// The cursor at the start of the line, in view, with the focus.
inline void moveToLine(Sci& edit, int line) {
    edit.setCursorPosition(line, 0);
    edit.ensureLineVisible(line);
    edit.setFocus();
}

} // namespace mox::editor_window
