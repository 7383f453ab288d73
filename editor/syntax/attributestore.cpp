#include "editor/syntax/attributestore.h"

#include <sys/mman.h>

#include <algorithm>

namespace morvane {

ByteArena::ByteArena(std::size_t bytes) {
    constexpr std::size_t kHuge = std::size_t(2) << 20;
    const std::size_t size = (bytes + kHuge - 1) / kHuge * kHuge;
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        return;
    madvise(p, size, MADV_HUGEPAGE);
    m_base = static_cast<std::uint8_t*>(p);
    m_size = size;
}

ByteArena::~ByteArena() {
    if (m_base)
        munmap(m_base, m_size);
}

std::uint8_t* ByteArena::take(std::size_t n) {
    if (!m_base || n > m_size - m_used)
        return nullptr;
    std::uint8_t* p = m_base + m_used;
    m_used += n;
    return p;
}

void AttributeStore::reset(std::u16string_view text) {
    m_chunks.clear();
    m_starts.clear();
    m_size = 0;
    m_hint = 0;
    const auto n = std::int64_t(text.size());
    // Large texts get their chunks from one arena; a small one is not worth a
    // mapping of its own.
    std::shared_ptr<ByteArena> arena;
    if (n >= 16 * kChunk)
        arena = std::make_shared<ByteArena>(std::size_t(n));
    m_chunks.reserve(std::size_t((n + kChunk - 1) / kChunk));
    m_starts.reserve(m_chunks.capacity());
    for (std::int64_t s = 0; s < n; s += kChunk) {
        Chunk ch{decltype(Chunk::bytes)(ArenaAllocator<std::uint8_t>(arena))};
        const std::int64_t e = std::min(n, s + kChunk);
        ch.bytes.resize(std::size_t(e - s));
        for (std::int64_t k = s; k < e; ++k) {
            const std::uint8_t b = initialByte(text[std::size_t(k)]);
            ch.bytes[std::size_t(k - s)] = b;
            ch.lessThanCount += b != 0;
        }
        m_chunks.push_back(std::move(ch));
        m_starts.push_back(s);
    }
    m_size = n;
}

std::size_t AttributeStore::chunkIndex(std::int64_t pos) const {
    const std::size_t n = m_chunks.size();
    if (m_hint < n) {
        const std::int64_t s = m_starts[m_hint];
        if (pos >= s && pos < s + std::int64_t(m_chunks[m_hint].bytes.size()))
            return m_hint;
        if (m_hint + 1 < n && pos >= m_starts[m_hint + 1] &&
            pos < m_starts[m_hint + 1] + std::int64_t(m_chunks[m_hint + 1].bytes.size()))
            return m_hint + 1;
    }
    const auto it = std::upper_bound(m_starts.begin(), m_starts.end(), pos);
    if (it == m_starts.begin())
        return 0;
    return std::size_t(it - m_starts.begin()) - 1;
}

void AttributeStore::rebuildStarts(std::size_t from) {
    if (m_chunks.empty()) {
        m_size = 0;
        return;
    }
    if (from == 0) {
        m_starts[0] = 0;
        from = 1;
    }
    for (std::size_t i = from; i < m_chunks.size(); ++i)
        m_starts[i] = m_starts[i - 1] + std::int64_t(m_chunks[i - 1].bytes.size());
    m_size = m_starts.back() + std::int64_t(m_chunks.back().bytes.size());
}

void AttributeStore::splitIfLarge(std::size_t index) {
    Chunk& big = m_chunks[index];
    const auto total = std::int64_t(big.bytes.size());
    if (total <= 2 * kChunk)
        return;
    std::vector<Chunk> pieces;
    for (std::int64_t s = kChunk; s < total; s += kChunk) {
        Chunk ch;
        const std::int64_t e = std::min(total, s + kChunk);
        ch.bytes.assign(big.bytes.begin() + s, big.bytes.begin() + e);
        ch.maybeAttributed = big.maybeAttributed;
        for (std::uint8_t b : ch.bytes)
            ch.lessThanCount += (b & kLessThanBit) != 0;
        pieces.push_back(std::move(ch));
    }
    big.bytes.resize(std::size_t(kChunk));
    big.bytes.shrink_to_fit();
    big.lessThanCount = 0;
    for (std::uint8_t b : big.bytes)
        big.lessThanCount += (b & kLessThanBit) != 0;
    const std::size_t count = pieces.size();
    m_chunks.insert(m_chunks.begin() + std::ptrdiff_t(index) + 1,
                    std::make_move_iterator(pieces.begin()), std::make_move_iterator(pieces.end()));
    m_starts.insert(m_starts.begin() + std::ptrdiff_t(index) + 1, count, 0);
}

void AttributeStore::replace(std::int64_t pos, std::int64_t removed, std::u16string_view inserted) {
    pos = std::clamp<std::int64_t>(pos, 0, m_size);
    removed = std::clamp<std::int64_t>(removed, 0, m_size - pos);
    if (removed == 0 && inserted.empty())
        return;
    m_hint = 0;
    const auto insertedEnd = pos + std::int64_t(inserted.size());
    if (m_chunks.empty()) {
        reset(inserted);
        noteChange(pos, pos);
        noteChange(insertedEnd, insertedEnd);
        return;
    }
    std::size_t first = chunkIndex(pos);
    std::size_t ci = first;
    std::int64_t rest = removed;
    while (rest > 0 && ci < m_chunks.size()) {
        Chunk& ch = m_chunks[ci];
        const std::int64_t off = std::max<std::int64_t>(pos - m_starts[ci], 0);
        const std::int64_t count = std::min(rest, std::int64_t(ch.bytes.size()) - off);
        const auto b = ch.bytes.begin() + off;
        for (auto it = b; it != b + count; ++it)
            ch.lessThanCount -= (*it & kLessThanBit) != 0;
        ch.bytes.erase(b, b + count);
        rest -= count;
        if (ch.bytes.empty()) {
            m_chunks.erase(m_chunks.begin() + std::ptrdiff_t(ci));
            m_starts.erase(m_starts.begin() + std::ptrdiff_t(ci));
        } else {
            ++ci;
        }
    }
    if (m_chunks.empty()) {
        reset(inserted);
        noteChange(pos, pos);
        noteChange(insertedEnd, insertedEnd);
        return;
    }
    first = std::min(first, m_chunks.size() - 1);
    rebuildStarts(first);
    if (!inserted.empty()) {
        ci = chunkIndex(pos);
        Chunk& ch = m_chunks[ci];
        const std::int64_t off = std::min(pos - m_starts[ci], std::int64_t(ch.bytes.size()));
        const auto at = ch.bytes.insert(ch.bytes.begin() + off, inserted.size(), 0);
        for (std::size_t k = 0; k < inserted.size(); ++k) {
            const std::uint8_t b = initialByte(inserted[k]);
            at[std::ptrdiff_t(k)] = b;
            ch.lessThanCount += b != 0;
        }
        splitIfLarge(ci);
        rebuildStarts(std::min(first, ci));
    }
    // Only the blocks at the two ends of an edit can hold formats that no
    // longer fit; the text in between is new and has no attributes yet.
    noteChange(pos, pos);
    noteChange(insertedEnd, insertedEnd);
}

template <bool setsAttributes, bool clears, class Op>
void AttributeStore::modify(std::int64_t a, std::int64_t b, Op op) {
    a = std::max<std::int64_t>(a, 0);
    b = std::min(b, m_size);
    if (a >= b)
        return;
    // The scanners work left to right in small steps: the chunk used last
    // almost always holds the next range.
    std::size_t ci = m_hint;
    if (ci >= m_chunks.size() || a < m_starts[ci] ||
        a >= m_starts[ci] + std::int64_t(m_chunks[ci].bytes.size()))
        ci = chunkIndex(a);
    std::int64_t pos = a;
    while (pos < b && ci < m_chunks.size()) {
        Chunk& ch = m_chunks[ci];
        const std::int64_t cs = m_starts[ci];
        const std::int64_t chunkEnd = cs + std::int64_t(ch.bytes.size());
        const std::int64_t ce = std::min(chunkEnd, b);
        if (setsAttributes || ch.maybeAttributed) {
            std::uint8_t* p = ch.bytes.data() + (pos - cs);
            const std::int64_t n = ce - pos;
            std::uint8_t diff = 0;
            for (std::int64_t k = 0; k < n; ++k) {
                const std::uint8_t o = p[k];
                const std::uint8_t v = op(o);
                p[k] = v;
                diff |= std::uint8_t(o ^ v);
            }
            if (setsAttributes)
                ch.maybeAttributed = true;
            else if (clears && pos == cs && ce == chunkEnd)
                ch.maybeAttributed = false;
            if (diff && m_track)
                noteChange(pos, ce);
        }
        m_hint = ci;
        pos = ce;
        ++ci;
    }
}

void AttributeStore::apply(std::int64_t a, std::int64_t b, SyntaxRole role) {
    const auto r = std::uint8_t(role);
    if (r == 0) {
        modify<false, false>(a, b, [](std::uint8_t o) { return std::uint8_t(o & ~kRoleMask); });
        return;
    }
    modify<true, false>(a, b, [r](std::uint8_t o) { return std::uint8_t((o & ~kRoleMask) | r); });
}

void AttributeStore::applyMarked(std::int64_t a, std::int64_t b, SyntaxRole role) {
    const auto r = std::uint8_t(std::uint8_t(role) | kMarkBit);
    modify<true, false>(a, b, [r](std::uint8_t o) { return std::uint8_t((o & kLessThanBit) | r); });
}

void AttributeStore::paint(std::int64_t a, std::int64_t b, SyntaxRole role) {
    const auto r = std::uint8_t(std::uint8_t(role) | kCodeBit);
    modify<true, false>(a, b, [r](std::uint8_t o) { return std::uint8_t((o & kLessThanBit) | r); });
}

void AttributeStore::paintRoles(std::int64_t a, std::int64_t b, const std::uint8_t* roles) {
    const std::int64_t first = a;
    a = std::max<std::int64_t>(a, 0);
    b = std::min(b, m_size);
    if (a >= b)
        return;
    roles += a - first;
    std::size_t ci = m_hint;
    if (ci >= m_chunks.size() || a < m_starts[ci] ||
        a >= m_starts[ci] + std::int64_t(m_chunks[ci].bytes.size()))
        ci = chunkIndex(a);
    std::int64_t pos = a;
    while (pos < b && ci < m_chunks.size()) {
        Chunk& ch = m_chunks[ci];
        const std::int64_t cs = m_starts[ci];
        const std::int64_t ce = std::min(cs + std::int64_t(ch.bytes.size()), b);
        std::uint8_t* p = ch.bytes.data() + (pos - cs);
        const std::uint8_t* r = roles + (pos - a);
        const std::int64_t n = ce - pos;
        std::uint8_t diff = 0;
        std::uint8_t any = 0;
        for (std::int64_t k = 0; k < n; ++k) {
            const std::uint8_t o = p[k];
            const auto v = std::uint8_t((o & kLessThanBit) | r[k]);
            p[k] = v;
            diff |= std::uint8_t(o ^ v);
            any |= r[k];
        }
        if (any)
            ch.maybeAttributed = true;
        if (diff && m_track)
            noteChange(pos, ce);
        m_hint = ci;
        pos = ce;
        ++ci;
    }
}

void AttributeStore::mark(std::int64_t a, std::int64_t b) {
    modify<true, false>(a, b, [](std::uint8_t o) { return std::uint8_t(o | kMarkBit); });
}

void AttributeStore::clear(std::int64_t a, std::int64_t b) {
    modify<false, true>(a, b, [](std::uint8_t o) { return std::uint8_t(o & kLessThanBit); });
}

void AttributeStore::unmark(std::int64_t a, std::int64_t b) {
    modify<false, false>(a, b, [](std::uint8_t o) { return std::uint8_t(o & ~kMarkBit); });
}

SyntaxRole AttributeStore::roleAt(std::int64_t pos) const {
    if (pos < 0 || pos >= m_size)
        return SyntaxRole::None;
    const std::size_t ci = chunkIndex(pos);
    return SyntaxRole(m_chunks[ci].bytes[std::size_t(pos - m_starts[ci])] & kRoleMask);
}

bool AttributeStore::isMarked(std::int64_t pos) const {
    if (pos < 0 || pos >= m_size)
        return false;
    const std::size_t ci = chunkIndex(pos);
    return m_chunks[ci].bytes[std::size_t(pos - m_starts[ci])] & kMarkBit;
}

bool AttributeStore::isCode(std::int64_t pos) const {
    if (pos < 0 || pos >= m_size)
        return false;
    const std::size_t ci = chunkIndex(pos);
    return m_chunks[ci].bytes[std::size_t(pos - m_starts[ci])] & kCodeBit;
}

bool AttributeStore::isLessThanSign(std::int64_t pos) const {
    if (pos < 0 || pos >= m_size)
        return false;
    const std::size_t ci = chunkIndex(pos);
    return m_chunks[ci].bytes[std::size_t(pos - m_starts[ci])] & kLessThanBit;
}

std::int64_t AttributeStore::lastMarkedLessThan(std::int64_t pos) const {
    pos = std::min(pos, m_size - 1);
    if (pos < 0)
        return -1;
    constexpr std::uint8_t want = kMarkBit | kLessThanBit;
    std::size_t ci = chunkIndex(pos);
    for (;;) {
        const Chunk& ch = m_chunks[ci];
        if (ch.lessThanCount > 0 && ch.maybeAttributed) {
            const std::int64_t cs = m_starts[ci];
            const std::uint8_t* p = ch.bytes.data();
            const std::int64_t top = std::min(pos - cs, std::int64_t(ch.bytes.size()) - 1);
            for (std::int64_t k = top; k >= 0; --k) {
                if ((p[k] & want) == want)
                    return cs + k;
            }
        }
        if (ci == 0)
            return -1;
        --ci;
    }
}

std::int64_t AttributeStore::firstLessThan(std::int64_t from, std::int64_t to) const {
    from = std::max<std::int64_t>(from, 0);
    to = std::min(to, m_size);
    if (from >= to)
        return -1;
    for (std::size_t ci = chunkIndex(from); ci < m_chunks.size() && m_starts[ci] < to; ++ci) {
        const Chunk& ch = m_chunks[ci];
        if (ch.lessThanCount == 0)
            continue;
        const std::int64_t cs = m_starts[ci];
        const std::uint8_t* p = ch.bytes.data();
        const std::int64_t e = std::min(to - cs, std::int64_t(ch.bytes.size()));
        for (std::int64_t k = std::max<std::int64_t>(from - cs, 0); k < e; ++k) {
            if (p[k] & kLessThanBit)
                return cs + k;
        }
    }
    return -1;
}

void AttributeStore::noteChange(std::int64_t a, std::int64_t b) {
    if (!m_track)
        return;
    // Neighbouring changes are merged so one block is rebuilt once per pass.
    constexpr std::int64_t slack = 64;
    if (!m_changes.empty()) {
        Span& last = m_changes.back();
        if (a <= last.end + slack && b >= last.start - slack) {
            last.start = std::min(last.start, a);
            last.end = std::max(last.end, b);
            return;
        }
    }
    m_changes.push_back({a, b});
}

std::vector<AttributeStore::Span> AttributeStore::takeChanges() {
    std::vector<Span> out;
    out.swap(m_changes);
    return out;
}

} // namespace morvane
