// Reading an FTP control connection's replies as curl hands them over.
#include "transfer/ftpstream.h"

#include <cctype>

namespace morvane {

std::vector<int> FtpReplies::feed(const char* data, size_t size) {
    std::vector<int> completed;
    m_partial.append(data, qsizetype(size));
    qsizetype nl;
    while ((nl = m_partial.indexOf('\n')) >= 0) {
        QByteArray line = m_partial.left(nl);
        m_partial.remove(0, nl + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        const bool coded = line.size() >= 3 && std::isdigit(uchar(line[0])) &&
                           std::isdigit(uchar(line[1])) && std::isdigit(uchar(line[2]));
        const int code = coded ? line.left(3).toInt() : 0;
        const QString text = QString::fromUtf8(line);
        if (m_multiCode != 0) {
            // Inside a multi-line reply: it ends with its code and a space.
            m_multiLine += QLatin1Char(' ') + (coded && code == m_multiCode ? text.mid(4) : text);
            if (coded && code == m_multiCode && (line.size() == 3 || line[3] == ' ')) {
                complete(code, QString::number(code) + QLatin1Char(' ') + m_multiLine.trimmed());
                completed.push_back(code);
                m_multiCode = 0;
                m_multiLine.clear();
            }
            continue;
        }
        if (!coded)
            continue;
        if (line.size() > 3 && line[3] == '-') {
            m_multiCode = code;
            m_multiLine = text.mid(4);
            continue;
        }
        complete(code, text);
        completed.push_back(code);
    }
    return completed;
}

void FtpReplies::complete(int code, const QString& text) {
    m_lastCode = code;
    ++m_count;
    constexpr size_t kKept = 16;
    if (m_recent.size() == kKept)
        m_recent.erase(m_recent.begin());
    m_recent.push_back({code, text});
    switch (code) {
    case 220:
        m_greeted = true;
        break;
    case 230: // logged in
    case 202: // no password needed
    case 257: // the PWD that follows a login
        m_loggedIn = true;
        break;
    case 226:
    case 250:
        m_confirmed = true;
        break;
    case 350:
        m_renameAccepted = true;
        break;
    case 213: {
        bool ok = false;
        const qint64 n = text.mid(4).trimmed().toLongLong(&ok);
        m_size = ok ? n : -1;
        break;
    }
    default:
        break;
    }
    if (code >= 400) {
        m_errorCode = code;
        m_errorText = text;
    }
}

} // namespace morvane
