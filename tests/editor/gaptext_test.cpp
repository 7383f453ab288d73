// The text kept for the scanners: random edits and reads against a plain
// string, so that a gap moved to the wrong place or a wrong offset shows.
#include "editor/syntax/gaptext.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace morvane {
namespace {

TEST(GapText, EditsAndReadsMatchAPlainString) {
    std::mt19937 rng(11);
    GapText text;
    std::u16string ref = u"<p>hello</p>\n<?php echo 1; ?>";
    text.reset(ref);
    const auto randomText = [&](int max) {
        std::u16string s(size_t(std::uniform_int_distribution<int>(0, max)(rng)), u'x');
        for (char16_t& c : s)
            c = char16_t(u'a' + std::uniform_int_distribution<int>(0, 25)(rng));
        return s;
    };
    for (int i = 0; i < 3000; ++i) {
        const auto n = std::int64_t(ref.size());
        const auto pos = std::uniform_int_distribution<std::int64_t>(0, n)(rng);
        const auto removed = std::uniform_int_distribution<std::int64_t>(
            0, std::min<std::int64_t>(n - pos, 50))(rng);
        // Now and then a large insertion, which has to grow the buffer.
        const std::u16string inserted = randomText(i % 97 == 0 ? 20000 : 8);
        text.replace(pos, removed, inserted);
        ref.replace(size_t(pos), size_t(removed), inserted);
        ASSERT_EQ(text.size(), std::int64_t(ref.size()));

        const auto n2 = std::int64_t(ref.size());
        const auto from = std::uniform_int_distribution<std::int64_t>(0, n2)(rng);
        const auto to = std::uniform_int_distribution<std::int64_t>(from, n2)(rng);
        const char16_t* run = text.contiguous(from, to);
        ASSERT_EQ(std::u16string(run, size_t(to - from)),
                  ref.substr(size_t(from), size_t(to - from)))
            << "edit " << i;
        if (n2 > 0) {
            const auto p = std::uniform_int_distribution<std::int64_t>(0, n2 - 1)(rng);
            ASSERT_EQ(text.at(p), ref[size_t(p)]);
        }
    }
    EXPECT_EQ(text.toString(), ref);
}

TEST(GapText, OutOfRangeArgumentsAreClamped) {
    GapText text;
    text.reset(u"abc");
    text.replace(10, 5, u"d");
    EXPECT_EQ(text.toString(), u"abcd");
    text.replace(-3, 2, u"");
    EXPECT_EQ(text.toString(), u"cd");
    EXPECT_EQ(std::u16string(text.contiguous(-1, 99), 2), u"cd");
    text.reset(u"");
    EXPECT_EQ(text.size(), 0);
    text.contiguous(0, 0);
}

} // namespace
} // namespace morvane
