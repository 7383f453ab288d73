// Planning a job's items and preparing each one's transfer.
#include "transfer/ftplog.h"
#include "transfer/transferjob_p.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace morvane {

using namespace transferjob;

namespace {

int connectionLimit(const Site& site) {
    bool ok = false;
    const int n = site.value(ftpsitekey::maxConnections).trimmed().toInt(&ok, 10);
    if (!ok || n < 1)
        return kDefaultConnections;
    return std::min(n, kMaxConnections);
}

bool siteFlag(const Site& site, const QString& key) {
    return site.value(key).trimmed() == QLatin1String("1");
}

} // namespace

int TransferJob::Impl::addItem(Item item, int waitFor) {
    const int index = int(items.size());
    item.waiting = waitFor >= 0;
    item.folder = waitFor;
    if (waitFor >= 0)
        items[size_t(waitFor)].dependents.push_back(index);
    items.push_back(std::move(item));
    return index;
}

void TransferJob::Impl::makeReady(int index) {
    Item& item = items[size_t(index)];
    item.state = State::Ready;
    const bool followUp = item.owner >= 0;
    ready.insert({followUp ? 0 : 1, index});
}

int TransferJob::Impl::addFollowUp(Step step, int owner) {
    Item item;
    item.step = step;
    item.owner = owner;
    const Item& store = items[size_t(owner)];
    item.key = store.key;
    item.remotePath = store.remotePath;
    item.tempPath = store.tempPath;
    const int index = addItem(std::move(item), -1);
    makeReady(index);
    return index;
}

// Requests every level of a folder chain that is not requested yet; each
// level waits for the one above it. Returns the deepest level's item, or -1.
int TransferJob::Impl::requestFolders(const QStringList& segments) {
    int parent = -1;
    QStringList path;
    for (const QString& segment : segments) {
        path << segment;
        const QString key = kFolderKeyPrefix + ftppath::join(path);
        auto found = folderItems.constFind(key);
        if (found != folderItems.constEnd()) {
            parent = *found;
            continue;
        }
        Item folder;
        folder.step = Step::Folder;
        folder.key = key;
        folder.remotePath = path;
        parent = addItem(std::move(folder), parent);
        folderItems.insert(key, parent);
    }
    return parent;
}

void TransferJob::Impl::plan() {
    const QString serverText = site.server().trimmed();
    const auto siteProtocol = siteprotocol::of(site);
    protocol = siteProtocol.value_or(SiteProtocol::Ftp);
    pinnedKey = site.value(ftpsitekey::tlsPin).trimmed().toLatin1();
    server = FtpServerAddress::parse(serverText, siteprotocol::scheme(protocol));
    credentials = {site.userName(), site.password()};
    limit = connectionLimit(site);
    useTemporaryNames = !siteFlag(site, ftpsitekey::directUpload);
    checkSizes = siteFlag(site, ftpsitekey::sizeCheck);
    if (serverText.isEmpty()) {
        planProblem = QCoreApplication::translate(
            "morvane::TransferJob", "This site has no server. Enter one in Site Properties.");
        return;
    }
    if (!siteProtocol) {
        planProblem = cannotInitiate(
            QStringLiteral(
                "The site's protocol \"%1\" is not known. Choose one in Site Properties.")
                .arg(ftppath::printable(site.value(ftpsitekey::protocol))));
        return;
    }
    // SFTP's size check would need a transfer of its own between the upload
    // and the rename; the server's confirmed close stands for it there.
    if (protocol == SiteProtocol::Sftp)
        checkSizes = false;
    if (!pinnedKey.isEmpty() && !pinnedKey.startsWith("sha256//")) {
        planProblem = cannotInitiate(QStringLiteral(
            "The certificate trusted for this site is stored in a form this program does not "
            "read. Trust the server's certificate again."));
        return;
    }
    if (!server) {
        planProblem = cannotInitiate(
            QCoreApplication::translate("morvane::TransferJob",
                                        "The server name \"%1\" is not a valid FTP address.")
                .arg(ftppath::printable(serverText)));
        return;
    }
    if (mode == Mode::Test) {
        Item listing;
        listing.step = Step::Listing;
        addItem(std::move(listing), -1);
        return;
    }
    QString why;
    const auto base = server->takeServerFolder(site.serverFolder(), &why);
    if (!base) {
        planProblem = cannotInitiate(
            QCoreApplication::translate("morvane::TransferJob",
                                        "The server folder \"%1\" can't be sent: %2.")
                .arg(ftppath::printable(site.serverFolder()), why));
        return;
    }
    requestFolders(*base);
    for (const QString& file : files) {
        if (fileItems.contains(file))
            continue; // listed twice: sent once
        Item store;
        store.step = Step::Store;
        store.key = file;
        QString problem;
        auto segments = ftppath::splitRelativeFile(file, &problem);
        if (segments && ftppath::isTemporaryName(segments->last())) {
            // Uploaded beside the file whose temporary name it has, the two
            // would write the same server file.
            problem = QStringLiteral(
                "The name has the form of the temporary names this program uploads files under "
                "(\".NAME.morvane-upload\"); rename the file to upload it");
            segments.reset();
        }
        int waitFor = -1;
        if (!segments) {
            // Never sent: the name would break the command it goes into, or
            // reach outside the server folder.
            store.state = State::Failed;
            store.error = streamErrorMessage({FtpErrorDomain::BadName, 0, problem, {}, 0});
        } else {
            waitFor = requestFolders(*base + segments->mid(0, segments->size() - 1));
            store.remotePath = *base + *segments;
            if (useTemporaryNames) {
                store.tempPath = store.remotePath;
                store.tempPath.last() = ftppath::temporaryName(segments->last());
            }
            store.localPath = siteFolderLocal + QLatin1Char('/') + file;
            store.large = QFileInfo(store.localPath).size() >= kLargeFile;
        }
        fileItems.insert(file, addItem(std::move(store), waitFor));
    }
}

std::unique_ptr<StreamInfo> TransferJob::Impl::prepare(const Item& item, FtpError* error) {
    const FtpTransferOptions options{replyTimeout, protocol, pinnedKey};
    auto path = [this](const QStringList& segments) { return ftpCommandPath(*server, segments); };
    QStringList commands;
    switch (item.step) {
    case Step::Listing:
        return prepareListing(*server, credentials, error, options);
    case Step::Folder:
        return prepareStore(*server, item.remotePath, QString(), QString(), credentials, item.key,
                            error, options);
    case Step::Store: {
        auto info =
            prepareStore(*server, useTemporaryNames ? item.tempPath : item.remotePath,
                         item.localPath, siteFolderLocal, credentials, item.key, error, options);
        // A server that does not let a file be overwritten (proftpd's
        // default) refuses to store over the temporary file an earlier try
        // left: that goes first.
        if (info && item.clearTemporaryFirst && useTemporaryNames &&
            protocol != SiteProtocol::Sftp &&
            !ftpBeforeStore(*info, QStringLiteral("*DELE ") + path(item.tempPath), error))
            return nullptr;
        return info;
    }
    case Step::Finish:
        if (protocol == SiteProtocol::Sftp) {
            // An SFTP rename never replaces a file: the live one goes first
            // ("*": there may be none), then the new one takes its name. A
            // folder the job has just made holds no live file: there the
            // rename alone is tried (and the removal follows if it fails).
            if (!inFolderMadeByJob(item))
                commands << QStringLiteral("*rm ") + path(item.remotePath);
            commands << QStringLiteral("rename ") + path(item.tempPath) + QLatin1Char(' ') +
                            path(item.remotePath);
            break;
        }
        // The size is checked before the rename: a damaged upload never
        // takes the live file's place. "*": a server without SIZE is
        // not checked.
        if (checkSizes)
            commands << QStringLiteral("*SIZE ") + path(item.tempPath);
        commands << QStringLiteral("RNFR ") + path(item.tempPath)
                 << QStringLiteral("RNTO ") + path(item.remotePath);
        break;
    case Step::Verify:
        commands << QStringLiteral("*SIZE ") + path(item.remotePath);
        break;
    case Step::Replace:
        // For servers that refuse to rename over an existing file.
        if (protocol == SiteProtocol::Sftp) {
            commands << QStringLiteral("*rm ") + path(item.remotePath)
                     << QStringLiteral("rename ") + path(item.tempPath) + QLatin1Char(' ') +
                            path(item.remotePath);
            break;
        }
        commands << QStringLiteral("DELE ") + path(item.remotePath)
                 << QStringLiteral("RNFR ") + path(item.tempPath)
                 << QStringLiteral("RNTO ") + path(item.remotePath);
        break;
    case Step::Cleanup:
        commands << (protocol == SiteProtocol::Sftp ? QStringLiteral("*rm ")
                                                    : QStringLiteral("*DELE ")) +
                        path(item.tempPath);
        break;
    }
    auto info = ftpCommands(*server, commands, credentials, item.key, error, options);
    if (info && (item.step == Step::Finish || item.step == Step::Verify) && checkSizes)
        info->expectedSize = items[size_t(item.owner)].sentSize;
    return info;
}

bool TransferJob::Impl::inFolderMadeByJob(const Item& followUp) const {
    const int folder = items[size_t(followUp.owner)].folder;
    return folder >= 0 && items[size_t(folder)].created;
}

// A note for a file that failed in a folder the server refused to create,
// when the file's own failure may come from that folder being missing: a
// full disk, a dropped connection or a refused permission in a folder that
// exists have nothing to do with it. A server that said why it refused the
// folder (that it exists already) is taken at its word.
QString TransferJob::Impl::folderNote(const Item& store, const FtpError& storeError) const {
    if (storeError.domain != FtpErrorDomain::FTP ||
        (storeError.code != 550 && storeError.code != 553) ||
        meansNoSpace(storeError.code, storeError.serverReply))
        return QString();
    for (int f = store.folder; f >= 0; f = items[size_t(f)].folder) {
        const Item& folder = items[size_t(f)];
        if (folder.state != State::Failed || !folder.folderError.isError() ||
            folder.folderError.serverReply.contains(QLatin1String("exist"), Qt::CaseInsensitive))
            continue;
        const QString name = ftppath::printable(folder.key.mid(kFolderKeyPrefix.size()));
        const QString reply = folder.folderError.serverReply.trimmed();
        return reply.isEmpty()
                   ? QCoreApplication::translate("morvane::TransferJob",
                                                 "Creating the folder \"%1\" failed.")
                         .arg(name)
                   : QCoreApplication::translate("morvane::TransferJob",
                                                 "Creating the folder \"%1\" was refused: \"%2\"")
                         .arg(name, ftppath::printable(reply));
    }
    return QString();
}

} // namespace morvane
