// The editor's one window: a source file in a code-editing text area (the
// edit box, edit_box.cpp), its file commands (file_commands.cpp), the
// assembler's errors in place, and Build and Run (build_and_run.cpp).
#pragma once

#include "handoff.h"
#include "theme.h"
#include "zoom.h"

#include <QMainWindow>
#include <QMap>
#include <QString>

#include <memory>
#include <string_view>
#include <utility>

class QAction;
class QLabel;
class QMenu;
class QTimer;
class QsciScintilla;

namespace mox {

class AsmLexer;
class EditorDialogs;
class ProgramStarter;

// Menu command numbers, kept on the actions as their data.
enum CommandId {
    cmdNew = 40001,
    cmdOpen = 40002,
    cmdSave = 40003,
    cmdSaveAs = 40004,
    cmdExit = 40005,
    cmdBuild = 40006,
    cmdAbout = 40007,
    cmdUndo,
    cmdRedo,
    cmdCut,
    cmdCopy,
    cmdPaste,
    cmdSelectAll,
    cmdFind,
    cmdFindNext,
    cmdGoToLine,
    cmdNextError,
    cmdPreviousError,
    cmdZoomIn,
    cmdZoomOut,
    cmdResetZoom,
    cmdBuildAndRun,
};

class EditorWindow : public QMainWindow {
    Q_OBJECT

public:
    // Null seams mean the real dialogs and the real process starter.
    explicit EditorWindow(EditorDialogs* dialogs = nullptr, ProgramStarter* starter = nullptr,
                          QWidget* parent = nullptr);
    ~EditorWindow() override;

    const QString& fileName() const { return fileName_; }
    bool isModified() const { return modified_; }
    QsciScintilla* editBox() const { return editBox_; }
    QAction* commandAction(int id) const;
    // The document's bytes as held: lines ended by LF, zero bytes kept.
    std::string_view documentBytes() const;
    // The same, read as the characters shown.
    QString documentText() const;
    // The live check's errors, exactly as zerlant prints them, in order.
    const QStringList& errorLines() const { return consoleLines_; }
    // The lines marked with an error, counted from 0.
    QList<int> markedLines() const { return errorsByLine_.keys(); }
    // What hovering at a point of the text area shows: the line's errors, or
    // what the instruction under the point does.
    QString hoverText(QPoint point) const;
    QString statusText() const;
    // The one zoom of every editor window, as Zoom In, Zoom Out and Actual
    // Size set it and the settings keep it.
    static desktop::ZoomController& windowZoom();
    // The look every editor window of this program shares.
    static desktop::ThemeController& windowTheme();
    // The editor's own executable: the assembler and the emulator are looked
    // for beside it before the search path.
    void setProgramPath(const QString& path);
    // The socket of the emulator that Build and Run hands its programs to.
    void setHandoffName(const QString& name) { handoff_ = {name, {}}; }
    // `editor FILE.asm`: opened as Open opens it; a file that is not there
    // yet is a new, empty document under that name.
    void openArgument(const QString& path);

public slots:
    void newFile();
    void openFile();
    bool saveFile();
    bool saveFileAs();
    void exitEditor();
    void buildProgram();
    // Saves, assembles as zerlant would, and shows the first error in place;
    // without errors, writes the .8xe and hands it to the emulator.
    void buildAndRun();
    void showAbout();
    // The live check runs a moment after the last change; this runs it now.
    void checkNow();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class SaveResult { Saved, Cancelled, Failed };

    void createEditBox();
    void applyEditBoxColours();
    void createMenus();
    void createStatusBar();
    void addZoom();
    // The text at the window's zoom, on top of what Ctrl+wheel gave it.
    void zoomText();
    void updateTitle();
    void updatePosition();
    void updateMarginWidth();
    bool askToSave(const QString& prompt);
    SaveResult save();
    SaveResult saveAs();
    SaveResult writeTo(QString name);
    void setDocument(std::string_view bytes);
    bool loadFile(const QString& path);
    void showBuildError(int line, const QString& text);
    // The running emulator, or a new one, gets the program.
    void runInEmulator(const QString& program);
    QString findEmulator() const;
    QString documentFolder() const;
    std::string_view textRange(long start, long end) const;
    void textChanged();
    void showErrors();
    // The status bar's message for a line's errors, cleared once it has none.
    void showLineMessage(int line);
    // Where a line's code is: after its indentation, before its comment.
    std::pair<long, long> codeRange(int line) const;
    void jumpToError(bool forward);
    void find();
    void findNext();
    void goToLine();
    void charAdded(int c);
    void showCallTip(long wordStart, std::string_view word);
    void dwellStarted(int position, int x, int y);

    std::unique_ptr<EditorDialogs> ownDialogs_;
    std::unique_ptr<ProgramStarter> ownStarter_;
    EditorDialogs* dialogs_;
    ProgramStarter* starter_;
    QsciScintilla* editBox_ = nullptr;
    AsmLexer* lexer_ = nullptr;
    QTimer* checkTimer_ = nullptr;
    QLabel* errorLabel_ = nullptr;
    QLabel* positionLabel_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QString fileName_;
    QString programDir_;
    QString programName_;
    HandoffPlace handoff_;
    QString findText_;
    QStringList consoleLines_;
    QMap<int, QString> errorsByLine_;
    int marginDigits_ = 0;
    int messageLine_ = -1;
    bool modified_ = false;
};

} // namespace mox
