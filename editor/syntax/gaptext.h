// The text of an editor kept beside its document for the scanners, as one
// buffer with a gap where the last edit was: an edit moves the gap there (a
// short move while the user types in one place) and a scan closes the gap
// over the range it reads, so the scanners read the text in place instead of
// copying it out of the document for every pass.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

class GapText {
public:
    std::int64_t size() const { return std::int64_t(m_buffer.size() - gapLength()); }

    // Replaces everything by `text`.
    void reset(std::u16string_view text);
    // Replaces `removed` code units at `pos` by `inserted` (arguments
    // clamped to the text).
    void replace(std::int64_t pos, std::int64_t removed, std::u16string_view inserted);

    // The code units of [from, to) as one run of memory, valid until the
    // next change (the gap is moved out of the range first).
    const char16_t* contiguous(std::int64_t from, std::int64_t to);

    char16_t at(std::int64_t pos) const {
        return m_buffer[std::size_t(pos < m_gapStart ? pos : pos + gapLength())];
    }
    std::u16string toString() const;

private:
    std::int64_t gapLength() const { return m_gapEnd - m_gapStart; }
    void moveGap(std::int64_t pos);
    void reserveGap(std::int64_t needed);

    std::vector<char16_t> m_buffer;
    std::int64_t m_gapStart = 0;
    std::int64_t m_gapEnd = 0;
};

} // namespace morvane
