// What the editor knows of the assembly language, all of it taken from the
// assembler's instruction table: the colours of the text, the words offered
// for completion and the tip shown for each mnemonic.
#pragma once

#include <Qsci/qscilexercustom.h>

#include <QString>

#include <string>
#include <string_view>

namespace mox {

class AsmLexer : public QsciLexerCustom {
    Q_OBJECT

public:
    enum Style { Default, Mnemonic, Register, Number, Comment };

    explicit AsmLexer(QObject* parent = nullptr);

    const char* language() const override { return "MOX77 assembly"; }
    QString description(int style) const override;
    QColor defaultColor(int style) const override;
    QColor defaultPaper(int style) const override;
    // Styles whole lines, and only those Scintilla asks for: what is shown.
    void styleText(int start, int end) override;

    static Style styleOf(std::string_view word);
};

struct Completion {
    std::size_t prefixLength = 0; // of the word being typed
    std::string words;            // sorted and separated by blanks; empty for none
};

// What to offer for the word being typed at the end of a line's text before
// the caret: mnemonics for the first word, register names where the
// instruction takes a register; nothing in a comment or for a value, and
// nothing once the word is a whole name already.
Completion completionAt(std::string_view lineBeforeCaret);

// The form, word and effect of a mnemonic, e.g. "load reg, nn", "2rnn",
// "reg = nn"; empty for any other word.
QString instructionTip(std::string_view mnemonic);

} // namespace mox
