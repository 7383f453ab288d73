// Spelling, widget-free: finding an installed Hunspell dictionary for the
// user's language, checking and correcting words, the user's own word list
// (kept in the data folder), and picking out of a piece of prose the words
// worth checking.
#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <optional>
#include <vector>

class Hunspell;

namespace morvane {

struct DictionaryFiles {
    QString name; // "en_US"
    QString affix;
    QString words;
};

// The folders searched for dictionaries: those in $DICPATH, then the
// system's Hunspell and MySpell folders.
QStringList defaultDictionaryFolders();
// The dictionary for `localeName` ("de_DE", "pt_BR"): that exact one, else
// another of the same language, else en_US; nothing when none is installed.
std::optional<DictionaryFiles> findDictionary(const QString& localeName,
                                              const QStringList& folders);

// A word of prose to check: its place in the text handed in.
struct WordSpan {
    qsizetype start = 0;
    qsizetype length = 0;
    friend bool operator==(const WordSpan&, const WordSpan&) = default;
};

// The words of `text` worth checking: runs of letters (with apostrophes
// inside, as in "don't"); names that are plainly not prose are passed
// over: words joined to digits or underscores, entity names (&amp;), and the
// parts of addresses, paths and file names.
std::vector<WordSpan> wordsToCheck(QStringView text);

class SpellChecker : public QObject {
    Q_OBJECT
public:
    // Opens `dictionary` with the personal word list at `personalListPath`
    // (a missing list is an empty one). Nothing (and `error`) when the
    // dictionary cannot be loaded.
    static std::unique_ptr<SpellChecker> open(const DictionaryFiles& dictionary,
                                              const QString& personalListPath,
                                              QString* error = nullptr);
    ~SpellChecker() override;

    QString dictionaryName() const { return m_name; }
    bool isCorrect(QStringView word) const;
    QStringList suggestions(const QString& word, int max = 8) const;

    // Accepts `word` from now on and adds it to the personal word list on
    // disk. False (with `error`) when the list could not be written; the word
    // is accepted for this session all the same.
    bool addToPersonalList(const QString& word, QString* error = nullptr);
    QStringList personalWords() const { return m_personal; }

Q_SIGNALS:
    // Words are judged differently from now on (a word was added).
    void wordsChanged();

private:
    SpellChecker(std::unique_ptr<Hunspell> engine, QString name, QString encoding,
                 QString personalPath);
    QByteArray toDictionary(QStringView word) const;
    QString fromDictionary(const std::string& word) const;

    std::unique_ptr<Hunspell> m_engine;
    QString m_name;
    QString m_encoding;
    QString m_personalPath;
    QStringList m_personal;
    mutable QHash<QString, bool> m_cache;
};

} // namespace morvane
