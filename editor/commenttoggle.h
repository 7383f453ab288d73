// Toggle Comment: comments or uncomments the lines a selection touches, in
// the language at the caret. HTML and CSS wrap the lines in one <!-- --> or
// /* */; JavaScript and PHP put // before each line's code. On a line that
// mixes languages, the // goes where the caret's language starts on that
// line (after "<?php "), so that the page around it stays as it is.
#pragma once

#include <QString>
#include <QStringView>

#include <vector>

namespace morvane {

// One replacement in a text: `removed` characters at `position` give way to
// `inserted`.
struct TextChange {
    qsizetype position = 0;
    qsizetype removed = 0;
    QString inserted;
    bool operator==(const TextChange&) const = default;
};

namespace webtext {

// The changes that toggle the comment of the lines touched by the selection
// [selStart, selEnd] with the caret at `caret`. `text` starts at a line start
// before the selection (the scan of languages begins there) and reaches at
// least to the end of the last touched line; positions are in `text`. The
// changes come last position first, so they can be applied in that order.
std::vector<TextChange> toggleComment(QStringView text, qsizetype selStart, qsizetype selEnd,
                                      qsizetype caret);

} // namespace webtext
} // namespace morvane
