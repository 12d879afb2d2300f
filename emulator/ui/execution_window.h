// Where a loaded program is watched and driven: its listing, two registers at
// a time, the next word in step mode, and the run buttons.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace mox::ui {

class AddressBox;

class ExecutionWindow : public QWidget {
    Q_OBJECT

public:
    // Both are read at every refresh: the machine's registers and the number
    // base that the Memory Map's View menu chooses.
    ExecutionWindow(const std::array<std::int32_t, 16>& registers, const int& viewMode);

    void refreshRegisters();
    void setProgramListing(const QString& text);
    QString programListingText() const;
    void setNextInstructionText(const QString& text);
    void setNextInstructionVisible(bool visible);
    void setExecuteEnabled(bool enabled);
    void setStepEnabled(bool enabled);

    int registerPage() const { return page; }
    void pageUp();
    void pageDown();

    AddressBox* registerBox(int i) const { return boxes[i]; }
    QPushButton* button(const QString& text) const;
    QLabel* nextInstructionLabel() const { return nextLabel; }
    QPlainTextEdit* programListing() const { return listing; }

signals:
    void executeClicked();
    void stepClicked();
    void instructionClicked();
    void shutDownClicked();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QPushButton* createButton(const QString& text, QPoint at);

    const std::array<std::int32_t, 16>& registers;
    const int& viewMode;
    int page = 0;
    std::array<AddressBox*, 2> boxes{};
    QPushButton* executeButton = nullptr;
    QPushButton* stepButton = nullptr;
    QLabel* nextLabel = nullptr;
    QPlainTextEdit* listing = nullptr;
    QString listingText;
};

} // namespace mox::ui
