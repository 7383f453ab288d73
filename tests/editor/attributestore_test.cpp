// The attribute store: the four operations, edits that move attributes
// along with the text, the restart-point searches, and a long random run
// against a byte-per-position model (edits cross chunk boundaries there).
#include "syntaxtesthelpers.h"

#include <gtest/gtest.h>

#include <random>

using namespace morvane;
using namespace morvane::test;

TEST(AttributeStore, OperationsActOnHalfOpenRangesAndClampToTheText) {
    AttributeStore s;
    s.reset(u"abcdefgh");
    s.apply(1, 4, SyntaxRole::Tag);
    s.mark(2, 6);
    EXPECT_EQ(roles(s), ".TTT....");
    EXPECT_EQ(marks(s), "  ^^^^");
    s.unmark(3, 4);
    EXPECT_EQ(roles(s), ".TTT....");
    EXPECT_EQ(marks(s), "  ^ ^^");
    s.clear(2, 5);
    EXPECT_EQ(roles(s), ".T......");
    EXPECT_EQ(marks(s), "     ^");
    s.apply(-5, 100, SyntaxRole::Php); // out of range parts ignored
    s.apply(6, 6, SyntaxRole::Tag);    // empty range: nothing
    s.apply(7, 3, SyntaxRole::Tag);    // reversed range: nothing
    EXPECT_EQ(roles(s), "pppppppp");
    EXPECT_EQ(marks(s), "     ^");
}

TEST(AttributeStore, EditsMoveAttributesWithTheirText) {
    AttributeStore s;
    s.reset(u"<a>xy<b>");
    s.apply(0, 3, SyntaxRole::Tag);
    s.mark(0, 3);
    s.apply(5, 8, SyntaxRole::Tag);
    s.mark(5, 8);
    s.replace(4, 0, u"QQ"); // typing between x and y
    EXPECT_EQ(roles(s), "TTT...."
                        "TTT");
    EXPECT_EQ(s.lastMarkedLessThan(100), 7);
    s.replace(1, 2, u""); // removing "a>"
    EXPECT_EQ(roles(s), "T....TTT");
    EXPECT_EQ(s.lastMarkedLessThan(4), 0);
    EXPECT_EQ(s.firstLessThan(1, 8), 5);
    s.replace(0, 100, u"plain"); // clamped to the whole text
    EXPECT_EQ(s.size(), 5);
    EXPECT_EQ(roles(s), ".....");
    EXPECT_EQ(s.lastMarkedLessThan(4), -1);
    EXPECT_EQ(s.firstLessThan(0, 5), -1);
}

TEST(AttributeStore, RunsMergeAcrossChunkBoundaries) {
    AttributeStore s;
    std::u16string text(200000, u'x');
    s.reset(text);
    s.apply(100, 150000, SyntaxRole::Comment);
    s.mark(90000, 90001);
    std::vector<std::tuple<std::int64_t, std::int64_t, SyntaxRole, bool>> runs;
    s.forEachRun(0, s.size(), [&](std::int64_t a, std::int64_t n, SyntaxRole r, bool m) {
        runs.emplace_back(a, n, r, m);
    });
    const decltype(runs) expected{{0, 100, SyntaxRole::None, false},
                                  {100, 89900, SyntaxRole::Comment, false},
                                  {90000, 1, SyntaxRole::Comment, true},
                                  {90001, 59999, SyntaxRole::Comment, false},
                                  {150000, 50000, SyntaxRole::None, false}};
    EXPECT_EQ(runs, expected);
}

TEST(AttributeStore, ChangeTrackingReportsRealChangesAndEditEnds) {
    AttributeStore s;
    s.setTrackChanges(true);
    s.reset(std::u16string(100000, u'a'));
    EXPECT_TRUE(s.takeChanges().empty());
    s.clear(0, 100000); // nothing to clear
    EXPECT_TRUE(s.takeChanges().empty());
    s.apply(10, 20, SyntaxRole::Tag);
    s.apply(10, 20, SyntaxRole::Tag); // no change the second time
    s.apply(90000, 90005, SyntaxRole::Php);
    const auto changes = s.takeChanges();
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].start, 10);
    EXPECT_EQ(changes[0].end, 20);
    EXPECT_EQ(changes[1].start, 90000);
    s.replace(500, 3, u"xy");
    const auto edit = s.takeChanges();
    ASSERT_EQ(edit.size(), 1u);
    EXPECT_EQ(edit[0].start, 500);
    EXPECT_EQ(edit[0].end, 502);
}

namespace {

// The obvious representation, to compare the chunked store with.
struct Model {
    std::vector<std::uint8_t> role, mark, lt;
    void replace(std::int64_t pos, std::int64_t removed, const std::u16string& ins) {
        pos = std::clamp<std::int64_t>(pos, 0, std::int64_t(role.size()));
        removed = std::clamp<std::int64_t>(removed, 0, std::int64_t(role.size()) - pos);
        for (auto* v : {&role, &mark, &lt})
            v->erase(v->begin() + pos, v->begin() + pos + removed);
        for (auto* v : {&role, &mark})
            v->insert(v->begin() + pos, ins.size(), 0);
        std::vector<std::uint8_t> l;
        for (char16_t c : ins)
            l.push_back(c == u'<');
        lt.insert(lt.begin() + pos, l.begin(), l.end());
    }
};

} // namespace

TEST(AttributeStore, AgreesWithASimpleModelOverRandomEditsAndOperations) {
    std::mt19937 rng(20261208);
    AttributeStore s;
    Model m;
    auto rnd = [&](std::int64_t lo, std::int64_t hi) {
        return std::uniform_int_distribution<std::int64_t>(lo, hi)(rng);
    };
    for (int step = 0; step < 2000; ++step) {
        const auto n = std::int64_t(m.role.size());
        const int what = int(rnd(0, 9));
        std::int64_t a = rnd(-3, n + 3), b = rnd(-3, n + 3);
        if (what <= 2) {
            // Mostly small edits, now and then a big one that splits chunks.
            const std::int64_t len = rnd(0, 1) ? rnd(0, 5) : rnd(0, 120000);
            std::u16string ins(std::size_t(len), u'a');
            for (auto& c : ins)
                c = rnd(0, 7) == 0 ? u'<' : u'x';
            const std::int64_t removed = rnd(0, 1) ? rnd(0, 5) : rnd(0, 100000);
            s.replace(a, removed, ins);
            m.replace(a, removed, ins);
        } else {
            if (a > b)
                std::swap(a, b);
            const std::int64_t lo = std::max<std::int64_t>(a, 0), hi = std::min(b, n);
            for (std::int64_t i = lo; i < hi; ++i) {
                if (what == 3)
                    m.role[std::size_t(i)] = 0, m.mark[std::size_t(i)] = 0;
                else if (what == 4)
                    m.mark[std::size_t(i)] = 1;
                else if (what == 5)
                    m.mark[std::size_t(i)] = 0;
                else
                    m.role[std::size_t(i)] = std::uint8_t(what - 5);
            }
            if (what == 3)
                s.clear(a, b);
            else if (what == 4)
                s.mark(a, b);
            else if (what == 5)
                s.unmark(a, b);
            else
                s.apply(a, b, SyntaxRole(what - 5));
        }
        ASSERT_EQ(s.size(), std::int64_t(m.role.size()));
        if (step % 100 == 0 || s.size() < 300) {
            for (std::int64_t i = 0; i < s.size(); ++i) {
                ASSERT_EQ(int(s.roleAt(i)), m.role[std::size_t(i)]) << "step " << step;
                ASSERT_EQ(s.isMarked(i), m.mark[std::size_t(i)] != 0) << "step " << step;
                ASSERT_EQ(s.isLessThanSign(i), m.lt[std::size_t(i)] != 0) << "step " << step;
            }
        }
        // The searches, at a few random places.
        for (int q = 0; q < 4 && s.size() > 0; ++q) {
            const std::int64_t p = rnd(0, s.size() - 1);
            std::int64_t want = -1;
            for (std::int64_t i = p; i >= 0; --i) {
                if (m.lt[std::size_t(i)] && m.mark[std::size_t(i)]) {
                    want = i;
                    break;
                }
            }
            ASSERT_EQ(s.lastMarkedLessThan(p), want) << "step " << step;
            const std::int64_t to = rnd(p, s.size());
            want = -1;
            for (std::int64_t i = p; i < to; ++i) {
                if (m.lt[std::size_t(i)]) {
                    want = i;
                    break;
                }
            }
            ASSERT_EQ(s.firstLessThan(p, to), want) << "step " << step;
        }
    }
}

TEST(AttributeStore, LargeTextsFromOneArenaEditLikeSmallOnes) {
    // Big enough for reset() to carve the chunks from one arena; edits then
    // grow, split and drop chunks that live there.
    std::mt19937 rng(7);
    auto rnd = [&](std::int64_t lo, std::int64_t hi) {
        return std::uniform_int_distribution<std::int64_t>(lo, hi)(rng);
    };
    std::u16string text(700000, u'x');
    for (std::size_t i = 0; i < text.size(); i += 7)
        text[i] = u'<';
    AttributeStore s;
    s.reset(text);
    Model m;
    m.replace(0, 0, text);
    for (int step = 0; step < 300; ++step) {
        const auto n = std::int64_t(m.role.size());
        const std::int64_t a = rnd(0, n);
        if (step % 3 == 0) {
            std::u16string ins(std::size_t(rnd(0, 70000)), u'<');
            const std::int64_t removed = rnd(0, 70000);
            s.replace(a, removed, ins);
            m.replace(a, removed, ins);
        } else {
            const std::int64_t b = std::min(n, a + rnd(0, 50000));
            s.apply(a, b, SyntaxRole::Comment);
            s.mark(a, std::min(b, a + 3));
            for (std::int64_t i = a; i < b; ++i)
                m.role[std::size_t(i)] = int(SyntaxRole::Comment);
            for (std::int64_t i = a; i < std::min(b, a + 3); ++i)
                m.mark[std::size_t(i)] = 1;
        }
    }
    ASSERT_EQ(s.size(), std::int64_t(m.role.size()));
    for (std::int64_t i = 0; i < s.size(); ++i) {
        ASSERT_EQ(int(s.roleAt(i)), m.role[std::size_t(i)]) << i;
        ASSERT_EQ(s.isMarked(i), m.mark[std::size_t(i)] != 0) << i;
        ASSERT_EQ(s.isLessThanSign(i), m.lt[std::size_t(i)] != 0) << i;
    }
    const AttributeStore copy = s; // copies share the arena safely
    EXPECT_EQ(copy.lastMarkedLessThan(copy.size()), s.lastMarkedLessThan(s.size()));
}
