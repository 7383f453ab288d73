#include "editor/syntax/checkpoints.h"

#include <algorithm>

namespace morvane {

namespace {
auto byPos = [](const Checkpoints::Point& p, std::int64_t pos) { return p.pos < pos; };
}

void Checkpoints::reset(bool html) {
    m_points.clear();
    m_html = html;
    m_trusted = html ? kNever : 0;
    m_resume = 0;
    m_dirtyEnd = 0;
}

void Checkpoints::edited(std::int64_t pos, std::int64_t removed, std::int64_t added) {
    const std::int64_t delta = added - removed;
    const std::int64_t removedEnd = pos + removed;
    auto shift = [&](std::int64_t x) {
        if (x <= pos)
            return x;
        return x >= removedEnd ? x + delta : pos;
    };
    if (m_html) {
        m_points.erase(std::lower_bound(m_points.begin(), m_points.end(), pos + 1, byPos),
                       m_points.end());
        return;
    }
    // A point at `pos` keeps its state: that depends on the text before it.
    auto first = std::lower_bound(m_points.begin(), m_points.end(), pos + 1, byPos);
    auto last = std::lower_bound(first, m_points.end(), removedEnd, byPos);
    const auto kept = m_points.erase(first, last);
    for (auto it = kept; it != m_points.end(); ++it)
        it->pos += delta;
    const bool pending = m_dirtyEnd > m_trusted;
    m_resume = shift(m_resume);
    m_dirtyEnd = std::max(pending ? shift(m_dirtyEnd) : 0, pos + added);
    m_trusted = std::min(m_trusted, pos);
}

const Checkpoints::Point* Checkpoints::restartPoint(std::int64_t limit) const {
    limit = std::min(limit, m_trusted);
    auto it = std::lower_bound(m_points.begin(), m_points.end(), limit + 1, byPos);
    if (it == m_points.begin())
        return nullptr;
    return &*(it - 1);
}

Checkpoints::Recorder::Recorder(Checkpoints& owner, std::int64_t scanStart, std::int64_t stopFrom)
    : m_owner(owner), m_scanStart(scanStart), m_stopFrom(stopFrom), m_lastSaved(scanStart) {
    const auto& pts = owner.m_points;
    m_cursor =
        std::size_t(std::lower_bound(pts.begin(), pts.end(), scanStart + 1, byPos) - pts.begin());
    aimNext(scanStart);
}

void Checkpoints::Recorder::aimNext(std::int64_t pos) {
    next = m_lastSaved + kSpacing;
    const auto& pts = m_owner.m_points;
    // The old points are where a rescan may meet its earlier self.
    if (m_stopFrom != kNever && m_cursor < pts.size() && pts[m_cursor].pos > pos)
        next = std::min(next, pts[m_cursor].pos);
}

bool Checkpoints::Recorder::atRestartPoint(std::int64_t pos, const ScanState& state) {
    const auto& pts = m_owner.m_points;
    while (m_cursor < pts.size() && pts[m_cursor].pos < pos)
        ++m_cursor;
    const bool old = m_cursor < pts.size() && pts[m_cursor].pos == pos;
    if (old && pos >= m_stopFrom && pos > m_owner.m_dirtyEnd && pos > m_owner.m_trusted &&
        pos <= m_owner.m_resume && pts[m_cursor].state == state) {
        m_converged = true;
        return true;
    }
    if (old || pos - m_lastSaved >= kSpacing) {
        m_new.push_back(Point{pos, state});
        m_lastSaved = pos;
    }
    aimNext(pos);
    return false;
}

void Checkpoints::Recorder::finish(std::int64_t end) {
    auto& pts = m_owner.m_points;
    // A scan that converged keeps the old point where it stopped.
    auto first = std::lower_bound(pts.begin(), pts.end(), m_scanStart + 1, byPos);
    auto last = std::lower_bound(first, pts.end(), m_converged ? end : end + 1, byPos);
    const auto at = pts.erase(first, last);
    pts.insert(at, m_new.begin(), m_new.end());
    m_new.clear();
    Checkpoints& o = m_owner;
    if (m_scanStart > o.m_trusted)
        return; // restarted after the trusted text: trusts nothing new
    if (m_converged) {
        o.m_trusted = std::max(o.m_trusted, o.m_resume);
    } else {
        o.m_trusted = std::max(o.m_trusted, end);
        o.m_resume = std::max(o.m_resume, o.m_trusted);
    }
}

} // namespace morvane
