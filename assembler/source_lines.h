// Cuts raw source bytes, handed over in chunks of any size, into the lines of
// the prepared text: read as text (CR LF is LF), ended at the first zero byte,
// comments removed. A big source then never has to be held whole.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace mox {

class SourceLines {
public:
    // Calls onLine(index, line) for every line the chunk completes, index
    // counted from 0. onLine returns false to stop; feed then returns false,
    // as it does once a zero byte has ended the text.
    template <class OnLine> bool feed(std::string_view chunk, OnLine&& onLine) {
        if (ended_)
            return false;
        const char* const bytes = chunk.data();
        std::size_t lineStart = 0;
        // Where the line's text ends: at its comment, or at its end.
        std::size_t textEnd = 0;
        // Only line feeds, semicolons and zero bytes matter; they are found
        // for 64 bytes at a time, as lines are too short for a library search
        // per line to pay.
        for (std::size_t block = 0; block < chunk.size(); block += 64) {
            for (std::uint64_t marks = marksAt(chunk, block); marks != 0; marks &= marks - 1) {
                const std::size_t at = block + static_cast<std::size_t>(std::countr_zero(marks));
                const char c = bytes[at];
                if (c == ';') {
                    if (!inComment_)
                        textEnd = at;
                    inComment_ = true;
                    continue;
                }
                if (!inComment_)
                    textEnd = at;
                if (c == '\0') {
                    carry_.append(bytes + lineStart, bytes + textEnd);
                    ended_ = true;
                    return false;
                }
                bool go = true;
                if (carry_.empty()) {
                    go = emit(std::string_view(bytes + lineStart, textEnd - lineStart), onLine);
                } else {
                    carry_.append(bytes + lineStart, bytes + textEnd);
                    go = emit(carry_, onLine);
                    carry_.clear();
                }
                if (!go) {
                    ended_ = true;
                    return false;
                }
                lineStart = at + 1;
                textEnd = lineStart;
            }
        }
        carry_.append(bytes + lineStart, bytes + (inComment_ ? textEnd : chunk.size()));
        return true;
    }

    // The text after the last line feed is a line too.
    template <class OnLine> void finish(OnLine&& onLine) {
        if (!finished_)
            onLine(index_, std::string_view(carry_));
        finished_ = true;
    }

private:
    template <class OnLine> bool emit(std::string_view line, OnLine& onLine) {
        // A CR right before the LF belongs to the line end; one before a
        // comment or another CR stays in the line.
        if (!inComment_ && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        inComment_ = false;
        const bool go = onLine(index_++, line);
        // A stop before the end must not give the last line later.
        finished_ = !go;
        return go;
    }

    // Bit k is set when byte block + k is a line feed, a semicolon or a zero
    // byte.
    static std::uint64_t marksAt(std::string_view chunk, std::size_t block) {
        const char* const p = chunk.data() + block;
        const std::size_t n = std::min<std::size_t>(64, chunk.size() - block);
#if defined(__SSE2__)
        if (n == 64) {
            std::uint64_t marks = 0;
            for (int k = 0; k < 4; ++k) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
                const __m128i hit =
                    _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n')),
                                              _mm_cmpeq_epi8(v, _mm_set1_epi8(';'))),
                                 _mm_cmpeq_epi8(v, _mm_setzero_si128()));
                marks |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(hit)))
                         << (16 * k);
            }
            return marks;
        }
#endif
        std::uint64_t marks = 0;
        for (std::size_t k = 0; k < n; ++k)
            if (p[k] == '\n' || p[k] == ';' || p[k] == '\0')
                marks |= std::uint64_t{1} << k;
        return marks;
    }

    std::string carry_; // the comment-free part of a line cut by a chunk end
    std::int64_t index_ = 0;
    bool inComment_ = false;
    bool ended_ = false;
    bool finished_ = false;
};

} // namespace mox
