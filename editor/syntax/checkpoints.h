// Scanner states saved at restart points (line starts, and points after a
// `;` or `}` in long lines) inside CSS and JavaScript, so that a
// pass can restart in the middle of a stylesheet or a script (which hold no
// marked '<' to restart at), and can stop as soon as it meets, after an edit,
// a restart point whose state is the one saved there before: everything past
// it is coloured as it was.
//
// Trust: colours and points up to trusted() are right. An edit lowers it to
// the edit's position; points after the edit keep their old states and are
// only compared with (never restarted from) until a scan has passed them.
// Between trusted() and resumeEnd() lies text that was right before the
// latest edits: a scan that meets an old state there, past every edit,
// trusts everything up to resumeEnd() again.
#pragma once

#include "editor/syntax/scanstate.h"

#include <cstdint>
#include <limits>
#include <vector>

namespace morvane {

class Checkpoints {
public:
    struct Point {
        std::int64_t pos;
        ScanState state;
    };
    // The least distance between two saved points.
    static constexpr std::int64_t kSpacing = 4096;
    static constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();

    // Forgets every point; nothing is trusted. In HTML (`html`), points lie
    // only inside <style> and <script> elements and are as trustworthy as the
    // marked '<' the driver restarts at: an edit drops every point after it,
    // and every point left may be restarted from.
    void reset(bool html = false);
    // Mirrors an edit of the text: `removed` positions at `pos` replaced by
    // `added` new ones.
    void edited(std::int64_t pos, std::int64_t removed, std::int64_t added);

    std::int64_t trusted() const { return m_trusted; }
    std::int64_t resumeEnd() const { return m_resume; }
    // The last trusted point at or before `limit`, or null.
    const Point* restartPoint(std::int64_t limit) const;
    const std::vector<Point>& points() const { return m_points; }

    // Receives the restart points of one scan that begins at `scanStart` (a
    // trusted point, the start of the text, or for HTML a marked '<').
    // With `stopFrom` given, the scan stops at the first point at or
    // after it whose saved state matches.
    class Recorder : public CheckpointSink {
    public:
        Recorder(Checkpoints& owner, std::int64_t scanStart, std::int64_t stopFrom = kNever);
        bool atRestartPoint(std::int64_t pos, const ScanState& state) override;
        // The scan ended at `end`: its points replace the ones it passed.
        void finish(std::int64_t end);
        bool converged() const { return m_converged; }

    private:
        void aimNext(std::int64_t pos);

        Checkpoints& m_owner;
        std::int64_t m_scanStart;
        std::int64_t m_stopFrom;
        std::size_t m_cursor; // the first old point not yet passed
        std::int64_t m_lastSaved;
        std::vector<Point> m_new;
        bool m_converged = false;
    };

private:
    std::vector<Point> m_points; // sorted by position
    bool m_html = false;
    std::int64_t m_trusted = 0;
    std::int64_t m_resume = 0;
    std::int64_t m_dirtyEnd = 0; // the end of the furthest edit since
};

} // namespace morvane
