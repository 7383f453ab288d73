#include "upload/serverstate.h"

#include "sites/passwordstore.h"

#include "core/paths.h"
#include "transfer/runtoend.h"
#include "transfer/serverwalk.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace morvane {

namespace {

constexpr QFileDevice::Permissions kPrivate = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

QString timeText(const ServerEntry& e) {
    if (!e.modified.isValid())
        return QStringLiteral("no time");
    const QString format = e.precision >= qint64{24} * 3600 ? QStringLiteral("yyyy-MM-dd")
                           : e.precision >= 60              ? QStringLiteral("yyyy-MM-dd HH:mm")
                                                            : QStringLiteral("yyyy-MM-dd HH:mm:ss");
    return e.modified.toUTC().toString(format) + QStringLiteral(" UTC");
}

// Runs a walk to its end on a local event loop.
bool runWalk(ServerWalk& walk, QString* problem) {
    runToEnd(walk);
    if (!walk.succeeded()) {
        *problem = walk.errorText();
        return false;
    }
    return true;
}

} // namespace

QString ServerState::pathFor(const Site& site, const QString& recordPath) {
    const QByteArray hash =
        QCryptographicHash::hash(site.name().toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return QFileInfo(recordPath).absolutePath() + QStringLiteral("/ServerState-") +
           QString::fromLatin1(hash) + QStringLiteral(".json");
}

void ServerState::load(const Site& site, const QString& recordPath) {
    m_path = pathFor(site, recordPath);
    m_server = site.server().trimmed();
    m_folder = site.serverFolder().trimmed();
    m_files.clear();
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    // A state file is small; one that is not is not this program's.
    if (file.size() > qint64{64} * 1024 * 1024)
        return;
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    if (root.value(QStringLiteral("server")).toString() != m_server ||
        root.value(QStringLiteral("folder")).toString() != m_folder)
        return;
    const QJsonObject files = root.value(QStringLiteral("files")).toObject();
    for (auto it = files.constBegin(); it != files.constEnd(); ++it) {
        const QJsonArray a = it.value().toArray();
        if (a.size() != 3)
            continue;
        ServerEntry e;
        e.name = it.key().section(QLatin1Char('/'), -1);
        e.size = qint64(a[0].toDouble(-1));
        const qint64 secs = qint64(a[1].toDouble(-1));
        if (secs >= 0)
            e.modified = QDateTime::fromSecsSinceEpoch(secs, Qt::UTC);
        e.precision = std::max<qint64>(1, qint64(a[2].toDouble(1)));
        m_files.insert(it.key(), e);
    }
}

bool ServerState::save(QString* problem) const {
    QJsonObject files;
    for (auto it = m_files.constBegin(); it != m_files.constEnd(); ++it) {
        const ServerEntry& e = it.value();
        files.insert(it.key(),
                     QJsonArray{double(e.size),
                                double(e.modified.isValid() ? e.modified.toSecsSinceEpoch() : -1),
                                double(e.precision)});
    }
    QJsonObject root;
    root.insert(QStringLiteral("server"), m_server);
    root.insert(QStringLiteral("folder"), m_folder);
    root.insert(QStringLiteral("files"), files);
    // The data folder may not exist yet (a download before anything else).
    if (!paths::makePrivateFolder(QFileInfo(m_path).absolutePath(), problem))
        return false;
    paths::createPrivateFile(m_path); // 0600 from the first write on
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        *problem = file.errorString();
        return false;
    }
    file.setPermissions(kPrivate);
    file.write(QJsonDocument(root).toJson(QJsonDocument::Compact));
    if (!file.commit()) {
        *problem = file.errorString();
        return false;
    }
    QFile::setPermissions(m_path, kPrivate);
    return true;
}

std::optional<ServerEntry> ServerState::remembered(const QString& path) const {
    auto it = m_files.constFind(path);
    if (it == m_files.constEnd())
        return std::nullopt;
    return *it;
}

void ServerState::remember(const QString& path, const ServerEntry& entry) {
    m_files.insert(path, entry);
}

void ServerState::forget(const QString& path) {
    m_files.remove(path);
}

bool ServerState::changedSince(const ServerEntry& then, const ServerEntry& now) {
    if (then.size >= 0 && now.size >= 0 && then.size != now.size)
        return true;
    if (!then.modified.isValid() || !now.modified.isValid())
        return false;
    const qint64 a = then.modified.toSecsSinceEpoch();
    const qint64 b = now.modified.toSecsSinceEpoch();
    // The spans each time stands for must overlap.
    return !(a < b + std::max<qint64>(1, now.precision) &&
             b < a + std::max<qint64>(1, then.precision));
}

namespace serverstate {

QList<uploadplan::Refusal> conflicts(const ServerState& state, const QStringList& send,
                                     const QMap<QString, ServerEntry>& now) {
    QList<uploadplan::Refusal> out;
    for (const QString& file : send) {
        const auto then = state.remembered(file);
        auto it = now.constFind(file);
        if (!then || it == now.constEnd() || !ServerState::changedSince(*then, *it))
            continue;
        out.append({file, QStringLiteral("it changed on the server since it was last uploaded or "
                                         "downloaded (on the server now: %1 bytes, %2; then: %3 "
                                         "bytes, %4)")
                              .arg(it->size)
                              .arg(timeText(*it))
                              .arg(then->size)
                              .arg(timeText(*then))});
    }
    return out;
}

QStringList foldersOf(const QStringList& files) {
    QStringList out;
    for (const QString& f : files) {
        const qsizetype slash = f.lastIndexOf(QLatin1Char('/'));
        const QString folder = slash < 0 ? QString() : f.left(slash);
        if (!out.contains(folder))
            out << folder;
    }
    return out;
}

bool holdBackConflicts(const Site& site, const QString& recordPath, const QStringList& send,
                       QList<uploadplan::Refusal>* held, QString* problem,
                       QMap<QString, ServerEntry>* serverNow) {
    ServerState state;
    state.load(site, recordPath);
    QStringList known;
    for (const QString& f : send) {
        if (state.remembered(f))
            known << f;
    }
    if (known.isEmpty())
        return true; // nothing remembered of these: uploaded as always
    const std::optional<Site> filled = passwordstore::fetchPassword(site, problem);
    if (!filled)
        return false;
    ServerWalk walk(*filled, Exclusions::forSite(site));
    walk.setOnlyFolders(foldersOf(known));
    if (!runWalk(walk, problem))
        return false;
    *held = conflicts(state, known, walk.files());
    if (serverNow)
        *serverNow = walk.files();
    return true;
}

void forgetBeforeSending(const Site& site, const QString& recordPath, const QStringList& files) {
    ServerState state;
    state.load(site, recordPath);
    bool changed = false;
    for (const QString& f : files) {
        if (state.remembered(f)) {
            state.forget(f);
            changed = true;
        }
    }
    QString problem;
    if (changed)
        state.save(&problem);
}

bool rememberServer(const Site& site, const QString& recordPath, const QStringList& files,
                    QString* problem) {
    if (files.isEmpty())
        return true;
    const std::optional<Site> filled = passwordstore::fetchPassword(site, problem);
    if (!filled)
        return false;
    ServerWalk walk(*filled, Exclusions::forSite(site));
    walk.setOnlyFolders(foldersOf(files));
    if (!runWalk(walk, problem))
        return false;
    ServerState state;
    state.load(site, recordPath);
    for (const QString& f : files) {
        auto it = walk.files().constFind(f);
        if (it != walk.files().constEnd())
            state.remember(f, *it);
        else
            state.forget(f);
    }
    return state.save(problem);
}

} // namespace serverstate

} // namespace morvane
