// The bytes of a source file on disk and the text the editor holds differ
// only in their line ends: CR LF on disk, LF in the editor.
#pragma once

#include <string>
#include <string_view>

namespace mox {

// Each CR LF becomes LF and a stray CR disappears; every other byte, zero
// bytes included, stays as it is.
std::string stripCarriageReturns(std::string_view bytes);

// Every line end the editor shows (LF, CR LF or a lone CR) becomes CR LF.
std::string windowsLineEnds(std::string_view text);

// Strict UTF-8: no overlong forms, no encoded surrogates, nothing above
// U+10FFFF. Text that is not UTF-8 is shown byte for byte as Latin-1.
bool isUtf8(std::string_view bytes);

} // namespace mox
