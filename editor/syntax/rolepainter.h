// How the CSS and JavaScript scanners write their roles: into a small buffer
// that covers the next few thousand positions, handed to the attribute store
// in one sweep when the scan moves past it. Tokens are short and many; one
// store call per token would cost more than the scanning itself. Positions
// the scanner paints nothing over come out with no role and no marker, so a
// rescan also wipes what an earlier reading of the text left there.
#pragma once

#include "editor/syntax/attributestore.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace morvane {

class RolePainter {
public:
    static constexpr std::int64_t kBlock = 4096;

    // Paints from `from` on; positions before `visibleStart` are left alone.
    RolePainter(AttributeStore& store, std::int64_t from, std::int64_t visibleStart)
        : m_store(store), m_start(from), m_visible(visibleStart) {
        m_roles.fill(AttributeStore::kCodeBit);
    }
    RolePainter(const RolePainter&) = delete;
    RolePainter& operator=(const RolePainter&) = delete;

    // The first position the buffer does not cover.
    std::int64_t blockEnd() const { return m_start + kBlock; }

    // Gives [a, b) the role. `a` is never before the buffer's start: the
    // scanners hand over an open token's first part when they flush.
    void paint(std::int64_t a, std::int64_t b, SyntaxRole role) {
        a = std::max(a, m_start);
        if (b <= a)
            return;
        if (b <= m_start + kBlock) {
            std::memset(m_roles.data() + (a - m_start), int(role) | AttributeStore::kCodeBit,
                        std::size_t(b - a));
            return;
        }
        // A long token (a comment, a string over many lines): one store call.
        flushTo(a);
        m_store.paint(std::max(a, m_visible), b, role);
        m_start = b;
    }

    // Hands the roles of [start, pos) to the store; the buffer then starts
    // at `pos`. Nothing is ever painted past the position the scan reached,
    // so nothing past `pos` is lost.
    void flushTo(std::int64_t pos) {
        if (pos <= m_start)
            return;
        const std::int64_t end = std::min(pos, m_start + kBlock);
        const std::int64_t from = std::max(m_start, m_visible);
        if (from < end)
            m_store.paintRoles(from, end, m_roles.data() + (from - m_start));
        // Beyond the buffer nothing was painted: those positions hold no role.
        if (pos > end)
            m_store.paint(std::max(end, m_visible), pos, SyntaxRole::None);
        std::memset(m_roles.data(), AttributeStore::kCodeBit, std::size_t(end - m_start));
        m_start = pos;
    }

private:
    AttributeStore& m_store;
    std::int64_t m_start;
    std::int64_t m_visible;
    std::array<std::uint8_t, kBlock> m_roles;
};

} // namespace morvane
