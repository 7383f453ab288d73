// Site passwords in the desktop keyring (the freedesktop Secret Service,
// through QtKeychain) instead of the settings file. A site whose password
// is in the keyring carries the key `passwordinkeyring` = "1" and no
// `password`; the keyring entry is named after the account (protocol, user
// and server), so renaming the site keeps it. With no keyring available
// (no session bus, a locked or absent service) the password stays in the
// settings file, as before.
#pragma once

#include "core/sitestore.h"
#include "transfer/passwordrequest.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace morvane {

namespace ftpsitekey {
inline const QString passwordInKeyring = QStringLiteral("passwordinkeyring");
} // namespace ftpsitekey

namespace passwordstore {

// The keyring entry's name for the site's account.
QString account(const Site& site);

// What a keyring failure (a QKeychain::Error) means, in plain words: never
// the service's own text, which names D-Bus objects.
QString describeError(int code);

// Keyring calls; each waits (running a local event loop) for the answer,
// at most two minutes. For the command line, and for the site dialog's OK
// and Delete (keep(), remove()); a transfer and anything shown while the
// window runs ask through request() instead.
bool write(const QString& account, const QString& password, QString* error);
std::optional<QString> read(const QString& account, QString* error);
bool remove(const QString& account);

// The keyring's answer for the site's password, asked through the event
// loop (see PasswordRequest); null when the site holds its password or
// keeps none in the keyring. A keyring that gives nothing (or does not
// answer within two minutes) fails the request with the reason and what to
// do about it.
std::unique_ptr<PasswordRequest> request(const Site& site);

// The site with its password filled in from the keyring when it is kept
// there, waiting for the answer in a local event loop; nullopt with `why`
// when the keyring gives nothing. For the command line, and for the server
// listings and downloads that still run inside their own loop.
std::optional<Site> fetchPassword(const Site& site, QString* why);

// Puts the site's password (the `password` value) where it belongs before
// the site is saved: in the keyring, leaving the site without it, or, with
// no keyring, in the site as before. `previous` (optional) is the site as it
// was stored, whose keyring entry goes when the account changed. Returns
// true when the password went to the keyring (or there is none).
bool keep(Site& site, const Site* previous, QString* why);

// Moves every plain-text password of the list into the keyring; a site
// loses its plain password only once the keyring confirmed it holds it.
// Returns the number of sites changed (to be saved); `why` says why the
// keyring could not take them when some stay.
int migrate(SiteList& sites, QString* why);

// The same move for the window, which must never wait for the keyring (one
// that asks to be unlocked may take minutes, or never answer). Each site's
// password is written, then read back, one site after another, through the
// event loop; `confirmed(account, password)` runs for each one the keyring
// now holds, and the caller then drops it from its own copy. A keyring that
// fails ends the move; one that never answers never confirms. Confirmations
// stop once `context` is gone.
using Confirmed = std::function<void(const QString& account, const QString& password)>;
void migrateInBackground(const SiteList& sites, QObject* context, Confirmed confirmed);

} // namespace passwordstore

} // namespace morvane
