#include "sourcetext.h"

#include <QStringDecoder>

#include <algorithm>

namespace mox {

std::string stripCarriageReturns(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::copy_if(text.begin(), text.end(), std::back_inserter(out),
                 [](char c) { return c != '\r'; });
    return out;
}

namespace {

// Characters that the edit box takes as a line break (or a frame mark that
// it drops), so a file holding them would come back from a save changed.
bool hasBreakingCharacter(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == 0x2029 || u == 0xfdd0 || u == 0xfdd1)
            return true;
    }
    return false;
}

} // namespace

SourceText decodeSource(std::string_view bytes) {
    const std::string clean = stripCarriageReturns(bytes);
    const QByteArray raw =
        QByteArray::fromRawData(clean.data(), static_cast<qsizetype>(clean.size()));
    // A leading byte order mark is part of the file and must survive a save.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    QString text = utf8.decode(raw);
    // The decoder's error flag misses some malformed input (encoded surrogates,
    // for one), so only a faithful re-encoding proves the bytes were UTF-8. A
    // text that the edit box would break apart is read byte for byte instead.
    if (!utf8.hasError() && text.toUtf8() == raw && !hasBreakingCharacter(text))
        return {std::move(text), false};
    return {QString::fromLatin1(raw), true};
}

std::string encodeSource(const QString& text, bool latin1) {
    if (!latin1) {
        const QByteArray bytes = text.toUtf8();
        return stripCarriageReturns(std::string_view(bytes.constData(), bytes.size()));
    }
    // Characters from the file map back to their own bytes; anything typed
    // that has no single byte goes out as UTF-8 rather than as a question mark.
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    qsizetype i = 0;
    while (i < text.size()) {
        const char16_t c = text.at(i).unicode();
        if (c <= 0xff) {
            if (c != u'\r')
                out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && text.at(end).unicode() > 0xff)
            ++end;
        const QByteArray wide = QStringView(text).sliced(i, end - i).toUtf8();
        out.append(wide.constData(), static_cast<std::size_t>(wide.size()));
        i = end;
    }
    return out;
}

} // namespace mox
