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

// The edit box turns these into line breaks or shows them as one, so a file
// holding them only comes back unchanged when read byte for byte.
bool hasHiddenLineBreaks(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return u == 0x2028 || u == 0x2029 || u == 0xfdd0 || u == 0xfdd1;
    });
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
    // for one), so only a faithful re-encoding proves the bytes were UTF-8.
    if (!utf8.hasError() && text.toUtf8() == raw && !hasHiddenLineBreaks(text))
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
