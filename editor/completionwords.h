// What the completion list offers at the caret: HTML element names in a tag
// name, the attributes of the element in a tag, CSS property names and
// common values inside <style>, PHP keywords, constants and functions in
// PHP, and everywhere the words of the text around the caret.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace morvane::webtext {

struct CompletionContext {
    enum class Kind { Words, ElementName, AttributeName, CssProperty, CssValue, Php, JavaScript };
    Kind kind = Kind::Words;
    QString element;           // the tag's element, for attribute names
    qsizetype prefixStart = 0; // where the partly typed word begins
    QString prefix;            // the partly typed word
};

// The context at `caret` of `text` (a window that starts at a line start).
CompletionContext completionContextAt(QStringView text, qsizetype caret);

// The choices for the context, narrowed to those that start with its prefix
// (in any letter case) and differ from it; in alphabetical order, without
// repeats. The words of `text` other than the one being typed are offered too
// where plain words make sense.
QStringList completionsFor(const CompletionContext& context, QStringView text);

} // namespace morvane::webtext
