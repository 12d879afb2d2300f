// What the editor knows of the assembly language, all of it taken from the
// assembler's instruction table: the colours of the text, the words offered
// for completion and the tip shown for each mnemonic.
#pragma once

#include <Qsci/qscilexercustom.h>

#include <QString>

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
    // Styles whole lines, and only those Scintilla asks for: what is shown.
    void styleText(int start, int end) override;

    static Style styleOf(std::string_view word);
};

// The mnemonics and register names that begin with prefix and are longer than
// it, sorted and separated by blanks, as Scintilla's completion list takes them.
std::string completionsFor(std::string_view prefix);

// The form, word and effect of a mnemonic, e.g. "load reg, nn", "2rnn",
// "reg = nn"; empty for any other word.
QString instructionTip(std::string_view mnemonic);

} // namespace mox
