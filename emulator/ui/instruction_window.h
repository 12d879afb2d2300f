// One field for typing an instruction word; Return executes it.
#pragma once

#include <QLineEdit>
#include <QWidget>

namespace mox::ui {

// Return executes; typed characters and Backspace edit; keys that would move
// the cursor or delete forward do nothing, so the word is edited from its end.
class InstructionEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit InstructionEdit(QWidget* parent);

signals:
    void executeRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

class InstructionWindow : public QWidget {
public:
    InstructionWindow();

    InstructionEdit* field() const { return edit; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    InstructionEdit* edit;
};

} // namespace mox::ui
