// Conversions between the bytes of a source file and the text being edited.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace mox {

struct SourceText {
    QString text;
    // The file was not valid UTF-8, or held characters the edit box would
    // turn into line breaks, and was read byte for byte, so it has to be
    // written back the same way to come out unchanged.
    bool latin1 = false;
};

// Lines end with LF on both sides of these conversions; stray CRs are dropped
// on the way in and on the way out.
SourceText decodeSource(std::string_view bytes);
std::string encodeSource(const QString& text, bool latin1);

std::string stripCarriageReturns(std::string_view text);

} // namespace mox
