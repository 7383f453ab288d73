#include "upload/needinguploadrecord.h"

#include "core/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QXmlStreamReader>

#include <cctype>

namespace morvane {

namespace {

// Characters XML 1.0 cannot hold even as references: C0 controls other than
// tab, line feed and carriage return, the noncharacters U+FFFE and U+FFFF,
// and halves of surrogate pairs standing alone. File names may still contain
// them, so they are written as references; on the way back in each such
// reference is turned into a stand-in element (which no real key holds) before
// the XML reader sees it, so that every key reads back exactly.
bool isForbidden(uint c) {
    return (c < 0x20 && c != 0x09 && c != 0x0A && c != 0x0D) || c == 0xFFFE || c == 0xFFFF ||
           (c >= 0xD800 && c <= 0xDFFF);
}

const QLatin1String kStandIn("morvane-char");

void appendEscaped(QByteArray& out, const QString& text) {
    QString buf;
    buf.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar ch = text[i];
        const char16_t c = ch.unicode();
        if (ch.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
            buf += ch;
            buf += text[++i];
            continue;
        }
        switch (c) {
        case u'&':
            buf += QLatin1String("&amp;");
            break;
        case u'<':
            buf += QLatin1String("&lt;");
            break;
        case u'>':
            buf += QLatin1String("&gt;");
            break;
        case u'\r':
            buf += QLatin1String("&#13;");
            break; // raw CR would read back as LF
        default:
            if (isForbidden(c))
                buf += QStringLiteral("&#%1;").arg(int(c));
            else
                buf += ch;
        }
    }
    out += buf.toUtf8();
}

// Replaces references to forbidden characters with stand-in elements so the
// XML reader accepts them.
QByteArray shieldForbiddenReferences(const QByteArray& in) {
    if (!in.contains("&#"))
        return in;
    QByteArray out;
    out.reserve(in.size());
    qsizetype i = 0;
    while (i < in.size()) {
        if (in[i] == '&' && i + 2 < in.size() && in[i + 1] == '#') {
            qsizetype j = i + 2;
            const bool hex = j < in.size() && (in[j] == 'x' || in[j] == 'X');
            if (hex)
                ++j;
            const qsizetype digits = j;
            while (j < in.size() && j - digits < 8 &&
                   (hex ? std::isxdigit(uchar(in[j])) : std::isdigit(uchar(in[j]))))
                ++j;
            if (j < in.size() && in[j] == ';' && j > digits) {
                bool ok = false;
                const uint v = in.mid(digits, j - digits).toUInt(&ok, hex ? 16 : 10);
                if (ok && isForbidden(v)) {
                    out += '<' + QByteArray(kStandIn.data()) + " c=\"" + QByteArray::number(v) +
                           "\"/>";
                    i = j + 1;
                    continue;
                }
            }
        }
        out += in[i++];
    }
    return out;
}

// Reads the text of the current element up to its end tag, turning stand-in
// elements back into their characters. False for any other child element.
bool readText(QXmlStreamReader& xml, QString* text) {
    QString out;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EntityReference:
            out += xml.text();
            break;
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::ProcessingInstruction:
            break;
        case QXmlStreamReader::StartElement: {
            if (xml.name() != kStandIn)
                return false;
            bool ok = false;
            const uint c = xml.attributes().value(QLatin1String("c")).toUInt(&ok);
            if (!ok || !isForbidden(c))
                return false;
            out += QChar(char16_t(c));
            if (xml.readNext() != QXmlStreamReader::EndElement)
                return false;
            break;
        }
        case QXmlStreamReader::EndElement:
            *text = std::move(out);
            return true;
        default:
            return false;
        }
    }
    return false;
}

} // namespace

QByteArray NeedingUploadRecord::serialize(const QMap<QString, QString>& entries) {
    QByteArray out;
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n";
    if (entries.isEmpty()) {
        out += "<dict/>\n";
    } else {
        out += "<dict>\n";
        for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
            out += "\t<key>";
            appendEscaped(out, it.key());
            out += "</key>\n\t<string>";
            appendEscaped(out, it.value());
            out += "</string>\n";
        }
        out += "</dict>\n";
    }
    out += "</plist>\n";
    return out;
}

bool NeedingUploadRecord::parse(const QByteArray& bytes, QMap<QString, QString>* entries) {
    QXmlStreamReader xml(shieldForbiddenReferences(bytes));
    QMap<QString, QString> result;

    // <plist version="1.0"><dict>...</dict></plist>; a bare <dict> root is
    // accepted as well.
    if (!xml.readNextStartElement())
        return false;
    if (xml.name() == QLatin1String("plist")) {
        if (!xml.readNextStartElement())
            return false;
    }
    if (xml.name() != QLatin1String("dict"))
        return false;

    QString pendingKey;
    bool haveKey = false;
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("key")) {
            if (haveKey)
                return false;
            if (!readText(xml, &pendingKey))
                return false;
            haveKey = true;
        } else {
            if (!haveKey)
                return false;
            // Any value marks the file; the program itself only writes "1".
            xml.skipCurrentElement();
            result.insert(pendingKey, QStringLiteral("1"));
            haveKey = false;
        }
        if (xml.hasError())
            return false;
    }
    if (haveKey || xml.hasError())
        return false;
    // The rest of the document must be well formed too (closing tags).
    while (!xml.atEnd())
        xml.readNext();
    if (xml.hasError())
        return false;
    *entries = std::move(result);
    return true;
}

NeedingUploadRecord::LoadResult NeedingUploadRecord::load(QString* setAsidePath) {
    m_entries.clear();
    m_protectFile = false;
    QFile file(m_filePath);
    if (!file.exists())
        return LoadResult::Missing;
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) {
        bytes = file.readAll();
        if (file.error() == QFileDevice::NoError) {
            if (bytes.trimmed().isEmpty())
                return LoadResult::Loaded;
            if (parse(bytes, &m_entries))
                return LoadResult::Loaded;
        }
        file.close();
    }
    m_entries.clear();

    // Keep the unreadable file: it may be repairable by hand, and replacing it
    // at the next write would lose every mark in it.
    QString aside = m_filePath + QStringLiteral(".corrupt");
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = m_filePath + QStringLiteral(".corrupt-%1").arg(n);
    if (QFile::rename(m_filePath, aside)) {
        if (setAsidePath)
            *setAsidePath = aside;
        return LoadResult::SetAside;
    }
    m_protectFile = true;
    return LoadResult::Unreadable;
}

bool NeedingUploadRecord::save(QString* error) const {
    if (m_protectFile) {
        if (error)
            *error = QCoreApplication::translate(
                "morvane::UploadMarks",
                "The existing record could not be read and was kept unchanged.");
        return false;
    }
    // On a first run the data folder may not exist yet. A new record is
    // made private first: the atomic write keeps the mode of what it replaces.
    paths::makePrivateFolder(QFileInfo(m_filePath).absolutePath());
    paths::createPrivateFile(m_filePath);
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray bytes = serialize(m_entries);
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

void NeedingUploadRecord::removePaths(const QStringList& paths) {
    for (const QString& p : paths)
        m_entries.remove(p);
}

} // namespace morvane
