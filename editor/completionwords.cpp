#include "editor/completionwords.h"

#include "editor/syntax/reservedwords.h"
#include "editor/webcontext.h"

#include <QSet>

#include <algorithm>

namespace morvane::webtext {

namespace {

using Kind = CompletionContext::Kind;

const QStringList& htmlElements() {
    static const QStringList list =
        QStringLiteral(
            "a abbr address area article aside audio b base bdi bdo blockquote body br button "
            "canvas "
            "caption cite code col colgroup data datalist dd del details dfn dialog div dl dt em "
            "embed "
            "fieldset figcaption figure footer form h1 h2 h3 h4 h5 h6 head header hgroup hr html i "
            "iframe img input ins kbd label legend li link main map mark menu meta meter nav "
            "noscript "
            "object ol optgroup option output p param picture pre progress q rp rt ruby s samp "
            "script "
            "search section select slot small source span strong style sub summary sup table tbody "
            "td "
            "template textarea tfoot th thead time title tr track u ul var video wbr")
            .split(u' ');
    return list;
}

const QStringList& globalAttributes() {
    static const QStringList list =
        QStringLiteral("accesskey class contenteditable data- dir draggable hidden id inert lang "
                       "onblur onchange onclick onfocus oninput onkeydown onkeyup onload "
                       "onmouseout onmouseover onsubmit role spellcheck style tabindex title "
                       "translate aria-label aria-hidden")
            .split(u' ');
    return list;
}

// The attributes an element has beside the global ones.
QStringList elementAttributes(const QString& element) {
    static const QHash<QString, QString> table = {
        {QStringLiteral("a"), QStringLiteral("href target rel download hreflang type")},
        {QStringLiteral("img"),
         QStringLiteral("src alt width height srcset sizes loading decoding usemap")},
        {QStringLiteral("link"),
         QStringLiteral("href rel type media sizes crossorigin integrity as")},
        {QStringLiteral("script"),
         QStringLiteral("src type async defer crossorigin integrity nomodule")},
        {QStringLiteral("meta"), QStringLiteral("name content charset http-equiv property")},
        {QStringLiteral("form"),
         QStringLiteral("action method enctype target novalidate autocomplete name")},
        {QStringLiteral("input"),
         QStringLiteral("type name value placeholder required checked disabled readonly min max "
                        "step pattern size maxlength autocomplete autofocus multiple accept "
                        "list form")},
        {QStringLiteral("button"), QStringLiteral("type name value disabled form autofocus")},
        {QStringLiteral("select"), QStringLiteral("name multiple required disabled size form")},
        {QStringLiteral("option"), QStringLiteral("value selected disabled label")},
        {QStringLiteral("textarea"),
         QStringLiteral("name rows cols placeholder required disabled readonly maxlength wrap")},
        {QStringLiteral("label"), QStringLiteral("for form")},
        {QStringLiteral("iframe"),
         QStringLiteral("src width height name allow allowfullscreen loading sandbox srcdoc")},
        {QStringLiteral("video"),
         QStringLiteral("src controls autoplay loop muted poster preload width height")},
        {QStringLiteral("audio"), QStringLiteral("src controls autoplay loop muted preload")},
        {QStringLiteral("source"), QStringLiteral("src type media srcset sizes")},
        {QStringLiteral("td"), QStringLiteral("colspan rowspan headers")},
        {QStringLiteral("th"), QStringLiteral("colspan rowspan headers scope abbr")},
        {QStringLiteral("ol"), QStringLiteral("start reversed type")},
        {QStringLiteral("html"), QStringLiteral("lang xmlns manifest")},
        {QStringLiteral("style"), QStringLiteral("media type")},
    };
    return table.value(element.toLower()).split(u' ', Qt::SkipEmptyParts) + globalAttributes();
}

const QStringList& cssProperties() {
    static const QStringList list =
        QStringLiteral(
            "align-content align-items align-self animation background background-color "
            "background-image background-position background-repeat background-size border "
            "border-bottom border-collapse border-color border-left border-radius border-right "
            "border-style border-top border-width bottom box-shadow box-sizing clear color "
            "column-gap "
            "content cursor display flex flex-basis flex-direction flex-grow flex-shrink flex-wrap "
            "float font font-family font-size font-style font-weight gap grid grid-area "
            "grid-column grid-row grid-template-areas grid-template-columns grid-template-rows "
            "height "
            "justify-content left letter-spacing line-height list-style margin margin-bottom "
            "margin-left margin-right margin-top max-height max-width min-height min-width "
            "object-fit opacity order outline overflow overflow-x overflow-y padding "
            "padding-bottom "
            "padding-left padding-right padding-top position right row-gap text-align "
            "text-decoration text-indent text-shadow text-transform top transform transition "
            "vertical-align visibility white-space width word-break word-wrap z-index")
            .split(u' ');
    return list;
}

const QStringList& cssValues() {
    static const QStringList list =
        QStringLiteral(
            "absolute auto block bold bolder both bottom capitalize center collapse column contain "
            "cover dashed dotted ease ease-in ease-in-out ease-out fixed flex flex-end flex-start "
            "grid hidden important inherit initial inline inline-block inline-flex italic justify "
            "left lighter lowercase middle no-repeat none normal nowrap pointer relative repeat "
            "right row sans-serif scroll serif solid space-around space-between static sticky "
            "stretch top transparent underline uppercase visible wrap")
            .split(u' ');
    return list;
}

const QStringList& phpWords() {
    static const QStringList list = [] {
        QStringList words =
            QStringLiteral(
                "array_filter array_key_exists array_keys array_map array_merge array_pop "
                "array_push array_search array_shift array_slice array_unique array_values "
                "basename "
                "count date define dirname explode file_exists file_get_contents file_put_contents "
                "filter_input filter_var header htmlspecialchars implode in_array include_once "
                "is_array is_numeric is_null isset json_decode json_encode ltrim mail "
                "mb_strlen mb_substr nl2br number_format preg_match preg_replace preg_split "
                "print_r printf require_once round rtrim session_start sort sprintf str_contains "
                "str_replace strpos strtolower strtotime strtoupper substr time trim ucfirst unset "
                "urlencode var_dump")
                .split(u' ');
        for (const auto& [word, cls] : reservedWords())
            words.append(QString::fromLatin1(word.data(), qsizetype(word.size())));
        return words;
    }();
    return list;
}

const QStringList& javaScriptWords() {
    static const QStringList list =
        QStringLiteral(
            "addEventListener async await break case catch class const console continue "
            "createElement default document else export false finally for function "
            "getElementById import innerHTML length let new null querySelector querySelectorAll "
            "return switch this throw true try typeof undefined var while window")
            .split(u' ');
    return list;
}

bool isWordChar(QChar c, bool dash) {
    return c.isLetterOrNumber() || c == u'_' || (dash && c == u'-');
}

// The words of `text` of three characters or more, not counting the one
// that starts at `skip`.
QStringList wordsOf(QStringView text, qsizetype skip, bool dollar) {
    QSet<QString> seen;
    QStringList out;
    for (qsizetype p = 0; p < text.size();) {
        if (!isWordChar(text[p], false) && !(dollar && text[p] == u'$')) {
            ++p;
            continue;
        }
        const qsizetype start = p;
        ++p;
        while (p < text.size() && isWordChar(text[p], false))
            ++p;
        if (start == skip || p - start < 3 || text[start].isDigit())
            continue;
        QString word = text.sliced(start, p - start).toString();
        if (!seen.contains(word)) {
            seen.insert(word);
            out.append(std::move(word));
        }
    }
    return out;
}

} // namespace

CompletionContext completionContextAt(QStringView text, qsizetype caret) {
    caret = std::clamp<qsizetype>(caret, 0, text.size());
    CompletionContext ctx;
    ContextScanner scanner(text);
    // The language is known from where the word starts; find that first
    // with the widest word characters, then narrow by language.
    qsizetype start = caret;
    while (start > 0 && (isWordChar(text[start - 1], true) || text[start - 1] == u'$'))
        --start;
    scanner.advanceTo(start);
    const Language lang = scanner.position() > start ? Language::Html : scanner.language();
    const bool dash = lang == Language::Html || lang == Language::Css;
    const bool dollar = lang == Language::Php;
    qsizetype s = caret;
    while (s > 0 && (isWordChar(text[s - 1], dash) || (dollar && text[s - 1] == u'$')))
        --s;
    ctx.prefixStart = s;
    ctx.prefix = text.sliced(s, caret - s).toString();
    // In a comment or a string of CSS or JavaScript, plain words only.
    if (lang == Language::Css || lang == Language::JavaScript) {
        const qsizetype probe = s < text.size() ? s : s - 1;
        const CodeToken::Kind token = codeTokenAt(text, probe).kind;
        if (token == CodeToken::Kind::Comment || token == CodeToken::Kind::String)
            return ctx;
    }
    switch (lang) {
    case Language::Html:
        if ((s > 0 && text[s - 1] == u'<') ||
            (s > 1 && text[s - 1] == u'/' && text[s - 2] == u'<')) {
            ctx.kind = Kind::ElementName;
        } else if (scanner.inTag() && !scanner.inQuotedValue()) {
            if (scanner.tagName().isEmpty() && !scanner.tagNameDone()) {
                ctx.kind = Kind::ElementName;
            } else {
                ctx.kind = Kind::AttributeName;
                ctx.element = scanner.tagName();
            }
        }
        break;
    case Language::Css: {
        const qsizetype from = std::max<qsizetype>(0, s - 2000);
        qsizetype p = s - 1;
        while (p >= from && text[p] != u'{' && text[p] != u';' && text[p] != u':' &&
               text[p] != u'}')
            --p;
        ctx.kind = p >= from && text[p] == u':' ? Kind::CssValue : Kind::CssProperty;
        break;
    }
    case Language::Php:
        ctx.kind = Kind::Php;
        break;
    case Language::JavaScript:
        ctx.kind = Kind::JavaScript;
        break;
    case Language::HtmlComment:
        break;
    }
    return ctx;
}

QStringList completionsFor(const CompletionContext& context, QStringView text) {
    QStringList pool;
    bool words = true;
    switch (context.kind) {
    case Kind::ElementName:
        pool = htmlElements();
        words = false;
        break;
    case Kind::AttributeName:
        pool = elementAttributes(context.element);
        words = false;
        break;
    case Kind::CssProperty:
        pool = cssProperties();
        words = false;
        break;
    case Kind::CssValue:
        pool = cssValues();
        break;
    case Kind::Php:
        pool = phpWords();
        break;
    case Kind::JavaScript:
        pool = javaScriptWords();
        break;
    case Kind::Words:
        break;
    }
    if (words)
        pool += wordsOf(text, context.prefixStart, context.kind == Kind::Php);
    QStringList out;
    for (const QString& w : std::as_const(pool))
        if (w.startsWith(context.prefix, Qt::CaseInsensitive) && w != context.prefix)
            out.append(w);
    std::sort(out.begin(), out.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

} // namespace morvane::webtext
