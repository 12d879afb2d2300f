// What the editor needs from the desktop: message boxes, file dialogs, small
// questions and starting programs. Tests put fakes in their place so nothing
// blocks.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace mox {

class EditorDialogs {
public:
    enum class Answer { Yes, No, Cancel };

    virtual ~EditorDialogs() = default;
    // A Yes/No/Cancel question; Escape and the close box answer Cancel.
    virtual Answer ask(const QString& caption, const QString& text) = 0;
    virtual void inform(const QString& caption, const QString& text) = 0;
    virtual void warn(const QString& caption, const QString& text) = 0;
    // The chosen full path, or nothing when the dialog is cancelled. The
    // dialogs start in the given folder.
    virtual std::optional<QString> chooseOpenFile(const QString& folder) = 0;
    virtual std::optional<QString> chooseSaveFile(const QString& folder) = 0;
    // A line of text or a number from the user; nothing when cancelled.
    virtual std::optional<QString> askText(const QString& caption, const QString& label,
                                           const QString& initial) = 0;
    virtual std::optional<int> askNumber(const QString& caption, const QString& label, int value,
                                         int minimum, int maximum) = 0;
};

class ProgramStarter {
public:
    virtual ~ProgramStarter() = default;
    // The full path of an executable called name in one of dirs, or on the
    // search path when dirs is empty; empty when there is none.
    virtual QString findProgram(const QString& name, const QStringList& dirs) const = 0;
    // The file name of the program a path finally runs, once every symbolic
    // link (such as x-terminal-emulator's alternatives) is followed.
    virtual QString realProgramName(const QString& path) const = 0;
    // Starts the program without waiting for it; false when it could not start.
    virtual bool startDetached(const QString& program, const QStringList& arguments) = 0;
};

class QtDialogs : public EditorDialogs {
public:
    explicit QtDialogs(QWidget* parent) : parent_(parent) {}
    Answer ask(const QString& caption, const QString& text) override;
    void inform(const QString& caption, const QString& text) override;
    void warn(const QString& caption, const QString& text) override;
    std::optional<QString> chooseOpenFile(const QString& folder) override;
    std::optional<QString> chooseSaveFile(const QString& folder) override;
    std::optional<QString> askText(const QString& caption, const QString& label,
                                   const QString& initial) override;
    std::optional<int> askNumber(const QString& caption, const QString& label, int value,
                                 int minimum, int maximum) override;

private:
    QWidget* parent_;
};

class QtProgramStarter : public ProgramStarter {
public:
    QString findProgram(const QString& name, const QStringList& dirs) const override;
    QString realProgramName(const QString& path) const override;
    bool startDetached(const QString& program, const QStringList& arguments) override;
};

} // namespace mox
