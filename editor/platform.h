// What the editor needs from the desktop: message boxes, file dialogs and
// starting programs. Tests put fakes in their place so nothing blocks.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace mox {

class EditorDialogs {
public:
    virtual ~EditorDialogs() = default;
    // A Yes/No question; true for Yes.
    virtual bool askYesNo(const QString& caption, const QString& text) = 0;
    virtual void inform(const QString& caption, const QString& text) = 0;
    virtual void warn(const QString& caption, const QString& text) = 0;
    // The chosen full path, or nothing when the dialog is cancelled.
    virtual std::optional<QString> chooseOpenFile() = 0;
    virtual std::optional<QString> chooseSaveFile() = 0;
};

class ProgramStarter {
public:
    virtual ~ProgramStarter() = default;
    // The full path of an executable called name in one of dirs, or on the
    // search path when dirs is empty; empty when there is none.
    virtual QString findProgram(const QString& name, const QStringList& dirs) const = 0;
    // Starts the program without waiting for it; false when it could not start.
    virtual bool startDetached(const QString& program, const QStringList& arguments) = 0;
};

class QtDialogs : public EditorDialogs {
public:
    explicit QtDialogs(QWidget* parent) : parent_(parent) {}
    bool askYesNo(const QString& caption, const QString& text) override;
    void inform(const QString& caption, const QString& text) override;
    void warn(const QString& caption, const QString& text) override;
    std::optional<QString> chooseOpenFile() override;
    std::optional<QString> chooseSaveFile() override;

private:
    QWidget* parent_;
};

class QtProgramStarter : public ProgramStarter {
public:
    QString findProgram(const QString& name, const QStringList& dirs) const override;
    bool startDetached(const QString& program, const QStringList& arguments) override;
};

} // namespace mox
