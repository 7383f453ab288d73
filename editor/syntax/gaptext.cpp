#include "editor/syntax/gaptext.h"

#include <algorithm>
#include <cstring>

namespace morvane {

namespace {
// Room left in the gap after an edit, so that typing seldom moves the tail.
constexpr std::int64_t kSpareGap = 4096;
} // namespace

void GapText::reset(std::u16string_view text) {
    m_buffer.assign(text.begin(), text.end());
    m_buffer.resize(text.size() + kSpareGap);
    m_gapStart = std::int64_t(text.size());
    m_gapEnd = std::int64_t(m_buffer.size());
}

void GapText::moveGap(std::int64_t pos) {
    char16_t* b = m_buffer.data();
    const std::int64_t gap = gapLength();
    if (pos < m_gapStart) {
        // The text between pos and the gap moves behind the gap.
        std::memmove(b + pos + gap, b + pos, std::size_t(m_gapStart - pos) * sizeof(char16_t));
    } else if (pos > m_gapStart) {
        std::memmove(b + m_gapStart, b + m_gapEnd,
                     std::size_t(pos - m_gapStart) * sizeof(char16_t));
    }
    m_gapStart = pos;
    m_gapEnd = pos + gap;
}

void GapText::reserveGap(std::int64_t needed) {
    if (gapLength() >= needed)
        return;
    // Grow the buffer and put the new room into the gap: the tail moves back.
    const std::int64_t tail = std::int64_t(m_buffer.size()) - m_gapEnd;
    const std::int64_t grow =
        std::max<std::int64_t>(needed - gapLength() + kSpareGap, std::int64_t(m_buffer.size() / 8));
    m_buffer.resize(m_buffer.size() + std::size_t(grow));
    char16_t* b = m_buffer.data();
    std::memmove(b + m_gapEnd + grow, b + m_gapEnd, std::size_t(tail) * sizeof(char16_t));
    m_gapEnd += grow;
}

void GapText::replace(std::int64_t pos, std::int64_t removed, std::u16string_view inserted) {
    const std::int64_t n = size();
    pos = std::clamp<std::int64_t>(pos, 0, n);
    removed = std::clamp<std::int64_t>(removed, 0, n - pos);
    moveGap(pos);
    m_gapEnd += removed; // the removed units join the gap
    reserveGap(std::int64_t(inserted.size()));
    std::copy(inserted.begin(), inserted.end(), m_buffer.begin() + m_gapStart);
    m_gapStart += std::int64_t(inserted.size());
}

const char16_t* GapText::contiguous(std::int64_t from, std::int64_t to) {
    const std::int64_t n = size();
    from = std::clamp<std::int64_t>(from, 0, n);
    to = std::clamp<std::int64_t>(to, from, n);
    if (m_gapStart > from && m_gapStart < to) {
        // Move the gap to the nearer end of the range.
        if (m_gapStart - from < to - m_gapStart)
            moveGap(from);
        else
            moveGap(to);
    }
    return m_buffer.data() + (from < m_gapStart ? from : from + gapLength());
}

std::u16string GapText::toString() const {
    std::u16string s(m_buffer.begin(), m_buffer.begin() + m_gapStart);
    s.append(m_buffer.begin() + m_gapEnd, m_buffer.end());
    return s;
}

} // namespace morvane
