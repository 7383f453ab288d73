#include "editor/spellchecker.h"

#include "core/encoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <hunspell/hunspell.hxx>

namespace morvane {

QStringList defaultDictionaryFolders() {
    QStringList folders;
    const QString env = qEnvironmentVariable("DICPATH");
    for (const QString& f : env.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        folders << f;
    folders << QStringLiteral("/usr/share/hunspell") << QStringLiteral("/usr/share/myspell")
            << QStringLiteral("/usr/share/myspell/dicts");
    return folders;
}

std::optional<DictionaryFiles> findDictionary(const QString& localeName,
                                              const QStringList& folders) {
    auto exact = [&](const QString& name) -> std::optional<DictionaryFiles> {
        for (const QString& folder : folders) {
            const QString base = folder + QLatin1Char('/') + name;
            if (QFileInfo::exists(base + QStringLiteral(".aff")) &&
                QFileInfo::exists(base + QStringLiteral(".dic")))
                return DictionaryFiles{name, base + QStringLiteral(".aff"),
                                       base + QStringLiteral(".dic")};
        }
        return std::nullopt;
    };
    QString name = localeName;
    name.replace(QLatin1Char('-'), QLatin1Char('_'));
    if (!name.isEmpty() && name != QStringLiteral("C") && name != QStringLiteral("POSIX")) {
        if (auto d = exact(name))
            return d;
        // Another dictionary of the same language ("de_AT" for "de_DE").
        const QString language = name.section(QLatin1Char('_'), 0, 0);
        if (auto d = exact(language))
            return d;
        for (const QString& folder : folders) {
            const QStringList affixes = QDir(folder).entryList(
                {language + QStringLiteral("_*.aff")}, QDir::Files, QDir::Name);
            for (const QString& aff : affixes)
                if (auto d = exact(aff.chopped(4)))
                    return d;
        }
    }
    return exact(QStringLiteral("en_US"));
}

namespace {

bool isWordLetter(QChar c) {
    return c.isLetter() || c.isMark();
}

bool isApostrophe(QChar c) {
    return c == u'\'' || c == u'\u2019';
}

// Characters that join a word to something that is not prose: a digit or
// underscore (identifiers), the signs of addresses, paths and code.
bool joinsCode(QChar c) {
    return c.isDigit() || c == u'_' || c == u'/' || c == u'\\' || c == u'@' || c == u'&' ||
           c == u'#' || c == u'$' || c == u'%' || c == u'=' || c == u'{' || c == u'}' ||
           c == u'<' || c == u'>';
}

} // namespace

std::vector<WordSpan> wordsToCheck(QStringView text) {
    std::vector<WordSpan> out;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        if (!isWordLetter(text[i])) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < n && (isWordLetter(text[i]) ||
                         (isApostrophe(text[i]) && i + 1 < n && isWordLetter(text[i + 1]))))
            ++i;
        const qsizetype end = i;
        const QChar before = start > 0 ? text[start - 1] : QChar(u' ');
        const QChar after = end < n ? text[end] : QChar(u' ');
        bool skip = joinsCode(before) || joinsCode(after);
        // "example.com", "index.html", "www.": a dot right against letters.
        if (before == u'.' && start >= 2 && isWordLetter(text[start - 2]))
            skip = true;
        if (after == u'.' && end + 1 < n && isWordLetter(text[end + 1]))
            skip = true;
        if (after == u':' && end + 2 < n && text[end + 1] == u'/' && text[end + 2] == u'/')
            skip = true; // http://
        if (!skip && end - start > 1)
            out.push_back(WordSpan{start, end - start});
    }
    return out;
}

std::unique_ptr<SpellChecker> SpellChecker::open(const DictionaryFiles& dictionary,
                                                 const QString& personalListPath, QString* error) {
    if (!QFileInfo(dictionary.affix).isReadable() || !QFileInfo(dictionary.words).isReadable()) {
        if (error)
            *error = QObject::tr("The dictionary files of %1 cannot be read.").arg(dictionary.name);
        return nullptr;
    }
    auto engine = std::make_unique<Hunspell>(QFile::encodeName(dictionary.affix).constData(),
                                             QFile::encodeName(dictionary.words).constData());
    QString encoding = QString::fromLatin1(engine->get_dict_encoding());
    if (encoding.isEmpty() || !encoding::isSupported(encoding))
        encoding = encoding::kUtf8;
    std::unique_ptr<SpellChecker> checker(
        new SpellChecker(std::move(engine), dictionary.name, encoding, personalListPath));
    // Without a word list (missing or unreadable) every word is unknown.
    if (!checker->m_engine->spell(std::string("the")) &&
        !checker->m_engine->spell(std::string("a"))) {
        if (error)
            *error = QObject::tr("The dictionary %1 holds no words.").arg(dictionary.name);
        return nullptr;
    }
    QFile list(personalListPath);
    if (list.open(QIODevice::ReadOnly)) {
        const QStringList words =
            QString::fromUtf8(list.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString& w : words) {
            const QString word = w.trimmed();
            if (word.isEmpty() || checker->m_personal.contains(word))
                continue;
            checker->m_personal << word;
            checker->m_engine->add(checker->toDictionary(word).toStdString());
        }
    }
    return checker;
}

SpellChecker::SpellChecker(std::unique_ptr<Hunspell> engine, QString name, QString encoding,
                           QString personalPath)
    : m_engine(std::move(engine)), m_name(std::move(name)), m_encoding(std::move(encoding)),
      m_personalPath(std::move(personalPath)) {}

SpellChecker::~SpellChecker() = default;

QByteArray SpellChecker::toDictionary(QStringView word) const {
    QByteArray bytes;
    if (m_encoding == encoding::kUtf8 || !encoding::encode(m_encoding, word, &bytes))
        bytes = word.toUtf8();
    return bytes;
}

QString SpellChecker::fromDictionary(const std::string& word) const {
    const QByteArrayView bytes(word.data(), qsizetype(word.size()));
    QString out;
    if (m_encoding == encoding::kUtf8 || !encoding::decode(m_encoding, bytes, &out))
        out = QString::fromUtf8(bytes);
    return out;
}

bool SpellChecker::isCorrect(QStringView word) const {
    const QString key = word.toString();
    const auto it = m_cache.constFind(key);
    if (it != m_cache.constEnd())
        return *it;
    // Typographic apostrophes are spelt as plain ones in the dictionaries.
    QString plain = key;
    plain.replace(QChar(u'\u2019'), QLatin1Char('\''));
    const bool ok = m_engine->spell(toDictionary(plain).toStdString());
    if (m_cache.size() > 200000)
        m_cache.clear();
    m_cache.insert(key, ok);
    return ok;
}

QStringList SpellChecker::suggestions(const QString& word, int max) const {
    QStringList out;
    QString plain = word;
    plain.replace(QChar(u'\u2019'), QLatin1Char('\''));
    for (const std::string& s : m_engine->suggest(toDictionary(plain).toStdString())) {
        if (out.size() >= max)
            break;
        out << fromDictionary(s);
    }
    return out;
}

bool SpellChecker::addToPersonalList(const QString& word, QString* error) {
    const QString w = word.trimmed();
    if (w.isEmpty())
        return true;
    if (!m_personal.contains(w)) {
        m_personal << w;
        m_engine->add(toDictionary(w).toStdString());
    }
    m_cache.clear();
    Q_EMIT wordsChanged();

    QDir().mkpath(QFileInfo(m_personalPath).absolutePath());
    QSaveFile out(m_personalPath);
    if (!out.open(QIODevice::WriteOnly)) {
        if (error)
            *error = out.errorString();
        return false;
    }
    QByteArray bytes;
    for (const QString& p : m_personal)
        bytes += p.toUtf8() + '\n';
    out.write(bytes);
    if (!out.commit()) {
        if (error)
            *error = out.errorString();
        return false;
    }
    return true;
}

} // namespace morvane
