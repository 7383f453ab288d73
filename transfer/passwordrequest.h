// A site's password being fetched from where it is kept outside the site
// (the desktop keyring) before a job starts. The keyring may take minutes
// to answer (one that asks to be unlocked), or never answer: nothing waits
// for it. The answer comes through the event loop, and whoever started the
// request may stop waiting at any time.
#pragma once

#include "core/sitestore.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace morvane {

class PasswordRequest : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Asks; exactly one of answered() and failed() follows, from the event
    // loop (never from inside start()), unless cancel() comes first.
    virtual void start() = 0;
    // Stops waiting: neither signal comes any more. A late answer is
    // dropped.
    virtual void cancel() = 0;

Q_SIGNALS:
    void answered(const QString& password);
    // `why` is a whole sentence or two for the user.
    void failed(const QString& why);
};

// Makes the request for a site whose password is kept outside it; null
// when the site holds its password (or has none).
using PasswordSource = std::function<std::unique_ptr<PasswordRequest>(const Site& site)>;

} // namespace morvane
