// The editor's one window: a plain-text source file, its file commands and
// Build, which saves the file and starts the assembler on it.
#pragma once

#include <QMainWindow>
#include <QString>

#include <memory>

class QAction;
class QPlainTextEdit;

namespace mox {

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
};

class CodeView : public QMainWindow {
    Q_OBJECT

public:
    // Null seams mean the real dialogs and the real process starter.
    explicit CodeView(EditorDialogs* dialogs = nullptr, ProgramStarter* starter = nullptr,
                      QWidget* parent = nullptr);
    ~CodeView() override;

    const QString& fileName() const { return fileName_; }
    bool isModified() const { return modified_; }
    QPlainTextEdit* editBox() const { return editBox_; }
    QAction* commandAction(int id) const;
    // The document as it is saved: lines ended by LF.
    QString documentText() const;
    // Where the assembler is looked for before the search path.
    void setProgramDir(const QString& dir) { programDir_ = dir; }

public slots:
    void newFile();
    void openFile();
    bool saveFile();
    bool saveFileAs();
    void exitEditor();
    void buildProgram();
    void showAbout();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class SaveResult { Saved, Cancelled, Failed };

    void createEditBox();
    void createMenus();
    void updateTitle();
    bool askToSave(const QString& prompt);
    SaveResult save();
    SaveResult saveAs();
    SaveResult writeTo(QString name);
    void textChanged();

    std::unique_ptr<EditorDialogs> ownDialogs_;
    std::unique_ptr<ProgramStarter> ownStarter_;
    EditorDialogs* dialogs_;
    ProgramStarter* starter_;
    QPlainTextEdit* editBox_ = nullptr;
    QString fileName_;
    QString programDir_;
    bool modified_ = false;
    bool latin1_ = false;
};

} // namespace mox
