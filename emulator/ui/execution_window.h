// Where a loaded program is watched and driven: its listing, two registers at
// a time, the next word in step mode, and the run buttons.
#pragma once

#include "format.h"

#include <QTextCharFormat>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;

namespace mox::ui {

class AddressBox;
class Highlights;

class ExecutionWindow : public QWidget {
    Q_OBJECT

public:
    // Both are read at every refresh: the machine's registers and which
    // registers the last executed words changed.
    ExecutionWindow(const std::array<std::int32_t, 16>& registers, const Highlights& highlights);

    // The base the Memory Map's View menu chose, from the next refresh on.
    void setBase(Base chosen) { base = chosen; }
    void refreshRegisters();
    // Lights the boxes as the highlights say, rewriting no text.
    void refreshRegisterHighlights();
    void setProgramListing(const QString& text);
    QString programListingText() const;
    void setNextInstructionText(const QString& text);
    void setNextInstructionVisible(bool visible);
    void setExecuteEnabled(bool enabled);
    void setStepEnabled(bool enabled);
    // Marks the four characters from `offset` on in the listing (the word
    // the next Step executes) and scrolls them into view; nothing removes
    // the mark.
    void markWord(std::optional<qsizetype> offset);
    // The listing's ground and the next word's mark in the look in use.
    void applyColours();
    // The listing's word under a point of its viewport, as "2A7F  load kx,
    // 7f"; empty where there is no whole word, and in a text that is no
    // program.
    QString describeWordAt(QPoint viewportPoint) const;

    int registerPage() const { return page; }
    void pageUp();
    void pageDown();
    // A short note by the Step button that goes away by itself, such as
    // nothing being left to take back.
    void showHint(const QString& text);
    // The listing's context menu at a point of its viewport.
    std::unique_ptr<QMenu> listingMenu(QPoint at);

    AddressBox* registerBox(int i) const { return boxes[i]; }
    QPushButton* button(const QString& text) const;
    QLabel* nextInstructionLabel() const { return nextLabel; }
    QPlainTextEdit* programListing() const { return listing; }

signals:
    void executeClicked();
    // The Step button, or Page Down, Right or period while it is enabled.
    void stepClicked();
    void instructionClicked();
    void shutDownClicked();
    // Ctrl+Z, Backspace, Page Up, Left or the listing's menu: take back the
    // last word.
    void backRequested();
    // B: blank the datapath drawing, or show it again.
    void blankRequested();
    // Ctrl+R or F5: load the last file again.
    void reloadRequested();
    // Ctrl+D or the listing's menu: the datapath window.
    void datapathRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPushButton* createButton(const QString& text, QPoint at);
    void createKeys();
    static void colourMark(QTextCharFormat& format);
    void showListingMenu(QPoint at);
    // Where character `offset` of the listing's text stands in the shown
    // document, which may hold line breaks of its own.
    int documentPosition(qsizetype offset) const;
    // The reverse: the character of listingText at a document position, or
    // nothing for a line break put there for showing.
    std::optional<qsizetype> textOffset(int position) const;

    const std::array<std::int32_t, 16>& registers;
    Base base = Base::Hexadecimal;
    const Highlights& highlights;
    int page = 0;
    std::array<AddressBox*, 2> boxes{};
    QPushButton* executeButton = nullptr;
    QPushButton* stepButton = nullptr;
    QAction* backAction = nullptr;
    QAction* reloadAction = nullptr;
    QAction* datapathAction = nullptr;
    QLabel* nextLabel = nullptr;
    QPlainTextEdit* listing = nullptr;
    QString listingText;
    // Only hexadecimal digits: the text is made of words, as a program.
    bool listingIsProgram = true;
    // Offsets in listingText before which a line break was put for showing,
    // and where those breaks stand in the document.
    std::vector<qsizetype> addedBreaks;
    std::vector<int> addedBreakPositions;
};

} // namespace mox::ui
