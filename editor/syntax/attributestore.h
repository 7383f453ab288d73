// The colouring attributes of an editor's text: for every UTF-16 position the
// colour role (or none) and the markup marker, kept beside the document and
// moved along with every edit. The scanners change it only through apply,
// mark, clear and unmark; the colouring driver asks it for restart points.
//
// Representation: the positions are split into chunks of 32,768 (kChunk), one
// byte per position (role in the low nibble, the marker bit, a bit that says
// the character there is '<', and one that says it is CSS or JavaScript). Edits touch one chunk and
// shift the chunk starts; per-chunk summaries let the searches and the clearing of plain text skip
// whole chunks, so a keystroke in a 30 MB file stays cheap.
#pragma once

#include "editor/syntax/syntaxrole.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace morvane {

// One block of memory that the chunks of a freshly reset store are carved
// from: a single mapping (with huge pages where available) instead of
// hundreds of separate allocations, so loading a large text touches few
// pages. Chunks that later grow move to ordinary allocations.
class ByteArena {
public:
    explicit ByteArena(std::size_t bytes);
    ~ByteArena();
    ByteArena(const ByteArena&) = delete;
    ByteArena& operator=(const ByteArena&) = delete;

    // `n` bytes of the arena, or null when it is used up (or unavailable).
    std::uint8_t* take(std::size_t n);
    bool owns(const void* p) const {
        const auto* b = static_cast<const std::uint8_t*>(p);
        return m_base && b >= m_base && b < m_base + m_size;
    }

private:
    std::uint8_t* m_base = nullptr;
    std::size_t m_size = 0;
    std::size_t m_used = 0;
};

// Allocates from the arena it carries while that has room, else from the
// heap; memory of the arena is given back with the arena itself.
template <class T> struct ArenaAllocator {
    using value_type = T;
    std::shared_ptr<ByteArena> arena;

    ArenaAllocator() = default;
    explicit ArenaAllocator(std::shared_ptr<ByteArena> a) : arena(std::move(a)) {}
    template <class U> ArenaAllocator(const ArenaAllocator<U>& other) : arena(other.arena) {}

    T* allocate(std::size_t n) {
        if (arena) {
            if (std::uint8_t* p = arena->take(n * sizeof(T)))
                return reinterpret_cast<T*>(p);
        }
        return std::allocator<T>().allocate(n);
    }
    void deallocate(T* p, std::size_t n) {
        if (arena && arena->owns(p))
            return;
        std::allocator<T>().deallocate(p, n);
    }
    template <class U> bool operator==(const ArenaAllocator<U>& other) const {
        return arena == other.arena;
    }
};

class AttributeStore {
public:
    struct Span {
        std::int64_t start;
        std::int64_t end;
    };

    AttributeStore() = default;

    std::int64_t size() const { return m_size; }

    // Replaces everything by `text` with no role and no marker anywhere (not
    // recorded as a change: there is nothing to redraw).
    void reset(std::u16string_view text);
    // Mirrors an edit of the text: `removed` positions at `pos` are replaced
    // by `inserted`, which starts with no role and no marker. Out-of-range
    // arguments are clamped.
    void replace(std::int64_t pos, std::int64_t removed, std::u16string_view inserted);

    // The four operations of the scanners, on [a, b); empty or out-of-range
    // parts are ignored.
    void apply(std::int64_t a, std::int64_t b, SyntaxRole role);
    void mark(std::int64_t a, std::int64_t b);
    void clear(std::int64_t a, std::int64_t b);
    void unmark(std::int64_t a, std::int64_t b);
    // apply followed by mark over the same range, in one sweep (the tag and
    // PHP delimiter roles always come with the marker).
    void applyMarked(std::int64_t a, std::int64_t b, SyntaxRole role);
    // The CSS and JavaScript scanners' writes: the role (None included), no
    // marker, and the code flag over [a, b); or over position a + k the role
    // and code flag of roles[k] (a SyntaxRole, or'ed with kCodeBit).
    void paint(std::int64_t a, std::int64_t b, SyntaxRole role);
    void paintRoles(std::int64_t a, std::int64_t b, const std::uint8_t* roles);
    static constexpr std::uint8_t kCodeBit = 0x40;

    SyntaxRole roleAt(std::int64_t pos) const;
    bool isMarked(std::int64_t pos) const;
    bool isLessThanSign(std::int64_t pos) const;
    // Whether the CSS or JavaScript scanner painted the position last (its
    // text is code, not prose, even where it has no role).
    bool isCode(std::int64_t pos) const;

    // The last position at or before `pos` that holds a marked '<', or -1.
    std::int64_t lastMarkedLessThan(std::int64_t pos) const;
    // The first '<' in [from, to), or -1.
    std::int64_t firstLessThan(std::int64_t from, std::int64_t to) const;

    // Calls f(start, length, role, marked) for every maximal run in [from, to)
    // of positions sharing role and marker state, including unattributed runs.
    template <class F> void forEachRun(std::int64_t from, std::int64_t to, F&& f) const;

    // Change tracking for the display: while on, every operation that really
    // changes something records the span it touched, and every edit records
    // the positions at its two ends (where old formats may no longer fit).
    void setTrackChanges(bool on) { m_track = on; }
    std::vector<Span> takeChanges();

private:
    static constexpr std::uint8_t kRoleMask = 0x0F;
    static constexpr std::uint8_t kMarkBit = 0x10;
    static constexpr std::uint8_t kLessThanBit = 0x20;
    static constexpr std::int64_t kChunk = 32768;

    struct Chunk {
        std::vector<std::uint8_t, ArenaAllocator<std::uint8_t>> bytes;
        std::int64_t lessThanCount = 0;
        // False only while no position of the chunk can hold a role or marker.
        bool maybeAttributed = false;
    };

    // Applies `op` to every byte of [a, b). `setsAttributes`: the op may add a
    // role or marker; `clears`: it removes both (whole chunks become clean).
    template <bool setsAttributes, bool clears, class Op>
    void modify(std::int64_t a, std::int64_t b, Op op);
    std::size_t chunkIndex(std::int64_t pos) const;
    void rebuildStarts(std::size_t from);
    void splitIfLarge(std::size_t index);
    void noteChange(std::int64_t a, std::int64_t b);
    static std::uint8_t initialByte(char16_t c) { return c == u'<' ? kLessThanBit : 0; }

    std::vector<Chunk> m_chunks;
    std::vector<std::int64_t> m_starts; // start position of each chunk
    std::int64_t m_size = 0;
    mutable std::size_t m_hint = 0; // last chunk used; the scanners go left to right
    bool m_track = false;
    std::vector<Span> m_changes;
};

template <class F>
void AttributeStore::forEachRun(std::int64_t from, std::int64_t to, F&& f) const {
    if (from < 0)
        from = 0;
    if (to > m_size)
        to = m_size;
    if (from >= to)
        return;
    std::size_t ci = chunkIndex(from);
    std::int64_t runStart = from;
    std::uint8_t runKey = 0;
    bool haveRun = false;
    std::int64_t pos = from;
    while (pos < to && ci < m_chunks.size()) {
        const Chunk& ch = m_chunks[ci];
        const std::int64_t cs = m_starts[ci];
        const std::int64_t ce = std::min<std::int64_t>(cs + std::int64_t(ch.bytes.size()), to);
        const std::uint8_t* p = ch.bytes.data();
        if (!ch.maybeAttributed) {
            if (haveRun && runKey != 0) {
                f(runStart, pos - runStart, SyntaxRole(runKey & kRoleMask),
                  (runKey & kMarkBit) != 0);
                haveRun = false;
            }
            if (!haveRun) {
                runStart = pos;
                runKey = 0;
                haveRun = true;
            }
            pos = ce;
        } else {
            for (; pos < ce; ++pos) {
                const std::uint8_t key = p[pos - cs] & (kRoleMask | kMarkBit);
                if (!haveRun) {
                    runStart = pos;
                    runKey = key;
                    haveRun = true;
                } else if (key != runKey) {
                    f(runStart, pos - runStart, SyntaxRole(runKey & kRoleMask),
                      (runKey & kMarkBit) != 0);
                    runStart = pos;
                    runKey = key;
                }
            }
        }
        ++ci;
    }
    if (haveRun && pos > runStart)
        f(runStart, pos - runStart, SyntaxRole(runKey & kRoleMask), (runKey & kMarkBit) != 0);
}

} // namespace morvane
