#include "sites/passwordstore.h"

#include "transfer/ftplog.h"
#include "transfer/siteprotocol.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <qt6keychain/keychain.h>

namespace morvane::passwordstore {

namespace {

const QString kService = QStringLiteral("Morvane");
// A keyring that asks to be unlocked waits for the user; the window waits
// with it, but not forever.
constexpr int kTimeoutMs = 120000;

} // namespace

QString describeError(int code) {
    switch (code) {
    case QKeychain::NoError:
        return QString();
    case QKeychain::EntryNotFound:
        return QCoreApplication::translate("PasswordStore",
                                           "The desktop keyring holds no password for this site.");
    case QKeychain::AccessDeniedByUser:
        return QCoreApplication::translate("PasswordStore",
                                           "The desktop keyring was not unlocked.");
    default:
        // No keyring service, no default collection (a desktop that never
        // made one), a locked or broken service: the same to the user.
        return QCoreApplication::translate("PasswordStore",
                                           "The desktop keyring is not available.");
    }
}

namespace {

// Runs a keyring job to its end; false with `error` on failure.
bool run(QKeychain::Job& job, QString* error) {
    job.setAutoDelete(false);
    // Never a plain-text file of QtKeychain's own in place of the keyring.
    job.setInsecureFallback(false);
    QEventLoop loop;
    bool done = false;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
        done = true;
        loop.quit();
    });
    QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);
    job.start();
    if (!done)
        loop.exec();
    if (!done) {
        if (error)
            *error = QCoreApplication::translate("PasswordStore", "The keyring did not answer.");
        return false;
    }
    if (job.error() != QKeychain::NoError) {
        // The keyring's own text ("Object does not exist at path …") is for
        // the log; the user is told what it means.
        qCInfo(lcFtp).noquote() << "keyring error" << int(job.error()) << job.errorString();
        if (error)
            *error = describeError(job.error());
        return false;
    }
    return true;
}

// One background move: a queue of (account, password) pairs worked off one
// job at a time. It lives on its own, not as a child of the caller, so that
// a keyring answering late never reaches a job that was deleted under it;
// it deletes itself when the queue ends or the keyring fails.
class BackgroundMove : public QObject {
public:
    BackgroundMove(QList<std::pair<QString, QString>> pending, QObject* context,
                   Confirmed confirmed)
        : m_pending(std::move(pending)), m_context(context), m_confirmed(std::move(confirmed)) {}

    void next() {
        if (m_pending.isEmpty() || !m_context) {
            deleteLater();
            return;
        }
        const auto entry = m_pending.takeFirst();
        const QString name = entry.first;
        const QString password = entry.second;
        auto* write = new QKeychain::WritePasswordJob(kService, this);
        write->setAutoDelete(false);
        write->setInsecureFallback(false);
        write->setKey(name);
        write->setTextData(password);
        connect(write, &QKeychain::Job::finished, this, [this, write, name, password] {
            write->deleteLater();
            if (write->error() != QKeychain::NoError) {
                deleteLater(); // no keyring: every other site would fail alike
                return;
            }
            readBack(name, password);
        });
        write->start();
    }

private:
    // Only a keyring that gives the password back lets the file lose it.
    void readBack(const QString& name, const QString& password) {
        auto* read = new QKeychain::ReadPasswordJob(kService, this);
        read->setAutoDelete(false);
        read->setInsecureFallback(false);
        read->setKey(name);
        connect(read, &QKeychain::Job::finished, this, [this, read, name, password] {
            read->deleteLater();
            if (read->error() != QKeychain::NoError || read->textData() != password) {
                deleteLater();
                return;
            }
            if (m_context)
                m_confirmed(name, password);
            next();
        });
        read->start();
    }

    QList<std::pair<QString, QString>> m_pending;
    QPointer<QObject> m_context;
    Confirmed m_confirmed;
};

bool inKeyring(const Site& site) {
    return site.value(ftpsitekey::passwordInKeyring) == QLatin1String("1");
}

QString unreadable(const QString& why) {
    return QCoreApplication::translate(
               "PasswordStore", "The site's password could not be read from the desktop "
                                "keyring. %1 Enter the password again in the site's properties.")
        .arg(why);
}

// One read of the keyring through the event loop. The keyring's job owns
// itself and lives until the keyring answers, if ever: deleted earlier, a
// late answer would reach freed memory. The request only listens to it,
// and stops listening when cancelled or deleted.
class KeyringRequest : public PasswordRequest {
public:
    explicit KeyringRequest(QString account) : m_account(std::move(account)) {
        m_timeout.setSingleShot(true);
        m_timeout.setInterval(kTimeoutMs);
        connect(&m_timeout, &QTimer::timeout, this, [this] {
            end();
            Q_EMIT failed(unreadable(
                QCoreApplication::translate("PasswordStore", "The keyring did not answer.")));
        });
    }

    void start() override {
        if (m_job)
            return;
        auto* job = new QKeychain::ReadPasswordJob(kService);
        job->setAutoDelete(true);
        job->setInsecureFallback(false);
        job->setKey(m_account);
        m_job = job;
        connect(job, &QKeychain::Job::finished, this, [this, job] {
            end();
            if (job->error() != QKeychain::NoError) {
                qCInfo(lcFtp).noquote()
                    << "keyring error" << int(job->error()) << job->errorString();
                Q_EMIT failed(unreadable(describeError(job->error())));
                return;
            }
            Q_EMIT answered(job->textData());
        });
        m_timeout.start();
        // Started from the event loop: the answer never comes from inside
        // start(), whatever the keyring backend does.
        QTimer::singleShot(0, job, &QKeychain::Job::start);
    }

    void cancel() override { end(); }

private:
    void end() {
        m_timeout.stop();
        if (m_job)
            disconnect(m_job, nullptr, this, nullptr);
    }

    QString m_account;
    QPointer<QKeychain::Job> m_job;
    QTimer m_timeout;
};

} // namespace

std::unique_ptr<PasswordRequest> request(const Site& site) {
    if (!inKeyring(site) || !site.password().isEmpty())
        return nullptr;
    return std::make_unique<KeyringRequest>(account(site));
}

std::optional<Site> fetchPassword(const Site& site, QString* why) {
    std::unique_ptr<PasswordRequest> asked = request(site);
    if (!asked)
        return site;
    std::optional<Site> out;
    QEventLoop loop;
    QObject::connect(asked.get(), &PasswordRequest::answered, &loop, [&](const QString& password) {
        Site filled = site;
        filled.setValue(sitekey::password, password);
        out = std::move(filled);
        loop.quit();
    });
    QObject::connect(asked.get(), &PasswordRequest::failed, &loop, [&](const QString& problem) {
        if (why)
            *why = problem;
        loop.quit();
    });
    asked->start();
    loop.exec();
    return out;
}

QString account(const Site& site) {
    const auto protocol = siteprotocol::of(site).value_or(SiteProtocol::Ftp);
    return siteprotocol::key(protocol) + QStringLiteral("://") + site.userName() +
           QLatin1Char('@') + site.server().trimmed();
}

bool write(const QString& name, const QString& password, QString* error) {
    QKeychain::WritePasswordJob job(kService);
    job.setKey(name);
    job.setTextData(password);
    return run(job, error);
}

std::optional<QString> read(const QString& name, QString* error) {
    QKeychain::ReadPasswordJob job(kService);
    job.setKey(name);
    if (!run(job, error))
        return std::nullopt;
    return job.textData();
}

bool remove(const QString& name) {
    QKeychain::DeletePasswordJob job(kService);
    job.setKey(name);
    return run(job, nullptr);
}

bool keep(Site& site, const Site* previous, QString* why) {
    const bool wasInKeyring = previous && inKeyring(*previous);
    const bool sameAccount = previous && account(*previous) == account(site);
    const QString password = site.password();
    if (password.isEmpty()) {
        // Kept in the keyring and not touched: nothing to do. Otherwise the
        // site has no password (any more).
        if (wasInKeyring && inKeyring(site) && sameAccount)
            return true;
        if (wasInKeyring)
            remove(account(*previous));
        site.remove(ftpsitekey::passwordInKeyring);
        return true;
    }
    if (wasInKeyring && !sameAccount)
        remove(account(*previous)); // of no use any more
    if (!write(account(site), password, why)) {
        site.remove(ftpsitekey::passwordInKeyring);
        return false; // stays in the settings file
    }
    site.remove(sitekey::password);
    site.setValue(ftpsitekey::passwordInKeyring, QStringLiteral("1"));
    return true;
}

int migrate(SiteList& sites, QString* why) {
    int changed = 0;
    for (Site& site : sites) {
        const QString password = site.password();
        if (password.isEmpty())
            continue;
        if (!write(account(site), password, why))
            return changed; // no keyring: every other site would fail alike
        // Read back: only a keyring that holds it lets the file lose it.
        const auto back = read(account(site), why);
        if (!back || *back != password) {
            if (back && why)
                *why = QCoreApplication::translate("PasswordStore",
                                                   "The keyring did not keep the password.");
            return changed;
        }
        site.remove(sitekey::password);
        site.setValue(ftpsitekey::passwordInKeyring, QStringLiteral("1"));
        ++changed;
    }
    return changed;
}

void migrateInBackground(const SiteList& sites, QObject* context, Confirmed confirmed) {
    QList<std::pair<QString, QString>> pending;
    for (const Site& site : sites)
        if (!site.password().isEmpty())
            pending.append({account(site), site.password()});
    if (pending.isEmpty())
        return;
    // Owned by itself (see BackgroundMove); started from the event loop so
    // that the caller's start-up runs to its end first.
    auto* move = new BackgroundMove(std::move(pending), context, std::move(confirmed));
    QTimer::singleShot(0, move, [move] { move->next(); });
}

} // namespace morvane::passwordstore
