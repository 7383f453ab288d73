// Randomised checks of the scanners: random texts built from the characters
// that matter to HTML and PHP (plus NUL, lone surrogates and wide letters),
// random windows and visible starts, random attributes left by earlier
// passes. The scanners must match a direct, character-by-character reading
// of the algorithm (which skips nothing), stay inside their window and never
// read outside the characters they are given (the sanitizer build checks the
// latter). Seeded and bounded, so CI runs it, ASan+UBSan included.
#include "syntaxtesthelpers.h"

#include "referencescanner.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

using namespace morvane;
using namespace morvane::test;

namespace {

std::u16string randomText(std::mt19937& rng, std::size_t n) {
    static const std::u16string pieces[] = {u"<",
                                            u">",
                                            u"?",
                                            u"!",
                                            u"-",
                                            u"=",
                                            u"'",
                                            u"\"",
                                            u"\\",
                                            u"/",
                                            u"*",
                                            u" ",
                                            u"\n",
                                            u"\t",
                                            u"$",
                                            u"_",
                                            u"a",
                                            u"b",
                                            u"1",
                                            u";",
                                            u"#",
                                            u"<?php ",
                                            u"?>",
                                            u"<!--",
                                            u"-->",
                                            u"<<<EOT\n",
                                            u"EOT;\n",
                                            u"<<<'X'\n",
                                            u"X\n",
                                            u"echo",
                                            u"NULL",
                                            u"PHP_EOL",
                                            u"é",
                                            u"\u3000",
                                            u"\u00a0",
                                            std::u16string(1, u'\0'),
                                            std::u16string(1, char16_t(0xD800)),
                                            std::u16string(1, char16_t(0xDC00)),
                                            u"<a href=",
                                            u"</p>",
                                            u"//",
                                            u"/*",
                                            u"*/"};
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    std::u16string t;
    while (t.size() < n)
        t += pieces[pick(rng)];
    t.resize(n);
    return t;
}

} // namespace

TEST(RandomScans, MatchTheAlgorithmReadCharacterByCharacter) {
    std::mt19937 rng(0x5eed);
    auto rnd = [&](std::int64_t lo, std::int64_t hi) {
        return std::uniform_int_distribution<std::int64_t>(lo, hi)(rng);
    };
    for (int round = 0; round < 4000; ++round) {
        const std::u16string text =
            randomText(rng, std::size_t(rnd(0, round % 10 == 0 ? 3000 : 200)));
        const auto n = std::int64_t(text.size());
        // Earlier passes left arbitrary attributes behind.
        AttributeStore store;
        store.reset(text);
        Ref ref{std::vector<int>(text.size(), 0), std::vector<bool>(text.size(), false)};
        for (int k = 0; k < 5 && n > 0; ++k) {
            const std::int64_t a = rnd(0, n), b = rnd(a, n);
            const auto role = SyntaxRole(rnd(0, kSyntaxRoleCount - 1));
            store.apply(a, b, role);
            ref.apply(a, b, role);
            if (rnd(0, 1)) {
                store.mark(a, b);
                ref.markR(a, b);
            }
        }
        const std::int64_t start = rnd(0, n);
        const std::int64_t stop = rnd(start, n);
        const std::int64_t vis = rnd(start - 2, stop + 2);
        // The scanner gets only the window's characters, in a buffer of
        // exactly that size, so a read outside it trips the sanitizer.
        const auto len = std::size_t(stop - start);
        auto window = std::make_unique<char16_t[]>(len ? len : 1);
        std::copy(text.begin() + start, text.begin() + stop, window.get());
        scanHtml(ScanWindow{window.get(), start, start, stop, vis}, store);
        refHtml(text, start, stop, vis, ref);
        for (std::int64_t i = 0; i < n; ++i) {
            ASSERT_EQ(int(store.roleAt(i)), ref.role[std::size_t(i)])
                << "round " << round << " position " << i << " window " << start << ".." << stop
                << " visible " << vis;
            ASSERT_EQ(store.isMarked(i), ref.mark[std::size_t(i)])
                << "round " << round << " position " << i;
        }
    }
}

TEST(RandomScans, LongAndDeeplyUnterminatedInputsFinish) {
    // Thousands of nested or unterminated constructs, and one long line.
    const std::u16string cases[] = {
        std::u16string(20000, u'<'),
        [] {
            std::u16string t;
            for (int i = 0; i < 5000; ++i)
                t += u"<a href='";
            return t;
        }(),
        [] {
            std::u16string t;
            for (int i = 0; i < 5000; ++i)
                t += u"<!--<?php /* <<<E\n";
            return t;
        }(),
        [] {
            std::u16string t;
            for (int i = 0; i < 5000; ++i)
                t += u"<?php '";
            return t;
        }(),
        std::u16string(5 << 20, u'x') + u"<p" + std::u16string(5 << 20, u'y'), // 10 MB, one line
    };
    for (const auto& text : cases) {
        const AttributeStore s = scanWhole(text);
        EXPECT_EQ(s.size(), std::int64_t(text.size()));
    }
}
