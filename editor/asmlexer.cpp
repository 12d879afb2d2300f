#include "asmlexer.h"

#include "instruction_set.h"
#include "text.h"

#include <Qsci/qsciscintilla.h>

#include "theme.h"

#include <QColor>

#include <algorithm>
#include <vector>

namespace mox {

namespace {

bool isWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

const Instruction* instructionNamed(std::string_view word) {
    for (const Instruction& instruction : instructionTable)
        if (instruction.mnemonic == word)
            return &instruction;
    return nullptr;
}

} // namespace

AsmLexer::AsmLexer(QObject* parent) : QsciLexerCustom(parent) {}

QString AsmLexer::description(int style) const {
    switch (style) {
    case Default:
        return QStringLiteral("Default");
    case Mnemonic:
        return QStringLiteral("Mnemonic");
    case Register:
        return QStringLiteral("Register");
    case Number:
        return QStringLiteral("Hexadecimal value");
    case Comment:
        return QStringLiteral("Comment");
    default:
        return {};
    }
}

QColor AsmLexer::defaultColor(int style) const {
    const desktop::ThemeColours& look = desktop::colours();
    switch (style) {
    case Mnemonic:
        return look.mnemonic;
    case Register:
        return look.registerName;
    case Number:
        return look.number;
    case Comment:
        return look.comment;
    default:
        return look.ink;
    }
}

QColor AsmLexer::defaultPaper(int) const {
    return desktop::colours().paper;
}

AsmLexer::Style AsmLexer::styleOf(std::string_view word) {
    // Matched as the assembler matches them: lower case only.
    if (instructionNamed(word))
        return Mnemonic;
    if (std::find(registerNames.begin(), registerNames.end(), word) != registerNames.end())
        return Register;
    return isHexText(word) ? Number : Default;
}

void AsmLexer::styleText(int start, int end) {
    QsciScintilla* sci = editor();
    if (!sci || end <= start)
        return;
    const long line = sci->SendScintilla(QsciScintilla::SCI_LINEFROMPOSITION, start);
    start = static_cast<int>(sci->SendScintilla(QsciScintilla::SCI_POSITIONFROMLINE, line));
    const auto* text = reinterpret_cast<const char*>(
        sci->SendScintilla(QsciScintilla::SCI_GETRANGEPOINTER, start, long(end - start)));
    if (!text)
        return;
    const std::string_view source(text, static_cast<std::size_t>(end - start));
    startStyling(start);
    std::size_t at = 0;
    while (at < source.size()) {
        std::size_t next = at + 1;
        Style style = Default;
        if (source[at] == ';') {
            next = std::min(source.find('\n', at), source.size());
            style = Comment;
        } else if (isWordChar(source[at])) {
            while (next < source.size() && isWordChar(source[next]))
                ++next;
            style = styleOf(source.substr(at, next - at));
        } else {
            while (next < source.size() && !isWordChar(source[next]) && source[next] != ';')
                ++next;
        }
        setStyling(static_cast<int>(next - at), style);
        at = next;
    }
}

Completion completionAt(std::string_view line) {
    if (line.find(';') != std::string_view::npos)
        return {};
    std::size_t start = line.size();
    while (start > 0 && isWordChar(line[start - 1]))
        --start;
    const std::string_view prefix = line.substr(start);
    const std::string_view before = line.substr(0, start);
    std::vector<std::string_view> words;
    bool complete = false;
    const auto offer = [&](std::string_view word) {
        complete = complete || word == prefix;
        if (word.size() > prefix.size() && word.substr(0, prefix.size()) == prefix)
            words.push_back(word);
    };
    const std::size_t first = before.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        // Two letters before offering: one matches too much to help.
        if (prefix.size() >= 2)
            for (const Instruction& instruction : instructionTable)
                offer(instruction.mnemonic);
    } else if (!prefix.empty()) {
        std::size_t end = first;
        while (end < before.size() && isWordChar(before[end]))
            ++end;
        const Instruction* instruction = instructionNamed(before.substr(first, end - first));
        const auto commas = std::count(before.begin() + end, before.end(), ',');
        const OperandClass operands = instruction ? instruction->operands : OperandClass::None;
        const bool takesRegister = (operands == OperandClass::RegisterValue && commas == 0) ||
                                   (operands == OperandClass::TwoRegisters && commas <= 1) ||
                                   (operands == OperandClass::OneRegister && commas == 0);
        if (takesRegister)
            for (std::string_view name : registerNames)
                offer(name);
    }
    // A word that is already whole is left alone: "load" followed by Tab
    // must not become "loadm".
    if (complete)
        words.clear();
    std::sort(words.begin(), words.end());
    Completion completion{prefix.size(), {}};
    for (std::string_view word : words) {
        if (!completion.words.empty())
            completion.words += ' ';
        completion.words += word;
    }
    return completion;
}

QString instructionTip(std::string_view mnemonic) {
    const Instruction* instruction = instructionNamed(mnemonic);
    if (!instruction)
        return {};
    const auto text = [](std::string_view s) {
        return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
    };
    return text(instruction->form) + QStringLiteral("\nword ") + text(instruction->word) +
           QStringLiteral("\n") + text(instruction->effect);
}

} // namespace mox
