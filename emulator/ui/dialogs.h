// The modal boxes the emulator shows, behind an interface so that tests can
// answer them without anything blocking.
#pragma once

#include "outcome.h"

#include <QString>
#include <optional>

class QWidget;

namespace mox::ui {

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Returns once the user has pressed OK. A null owner means no owner.
    virtual void message(QWidget* owner, const QString& text, const QString& caption,
                         Icon icon) = 0;
    // The open dialog for program files: the chosen path, or nothing.
    virtual std::optional<QString> openProgramFile() = 0;
};

class QtDialogs : public Dialogs {
public:
    void message(QWidget* owner, const QString& text, const QString& caption, Icon icon) override;
    std::optional<QString> openProgramFile() override;
};

} // namespace mox::ui
