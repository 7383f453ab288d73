// `morvane upload [--yes] [--dry-run] [--verbose] [SITE]`: the Upload command
// for scripted deploys, without a window. It runs the same publish sequence
// (publish.h) as the window, with the terminal as its user interface.
#pragma once

#include <QStringList>

class QTextStream;

namespace morvane {

// Exit statuses of the command-line upload.
namespace uploadexit {
inline constexpr int Uploaded = 0;      // "Successful upload of all files"
inline constexpr int Failed = 1;        // a transfer, conversion, site or record failure
inline constexpr int Usage = 2;         // unknown option or too many arguments
inline constexpr int NothingToSend = 3; // "Nothing to upload."
inline constexpr int NotConfirmed = 4;  // stopped at the confirmation (--dry-run or not "y")
} // namespace uploadexit

// Runs the command-line upload. `args` are the words after "upload"; the
// confirmation answer is read from `in`; the confirmation text and the status
// lines go to `out`, problems to `err`. `progress`: a one-line progress
// display on `err` (when standard error is a terminal). Needs a
// QCoreApplication (the transfers run on its event loop); needs no display.
int runUploadCommandLine(const QStringList& args, QTextStream& in, QTextStream& out,
                         QTextStream& err, bool progress);
inline int runUploadCommandLine(const QStringList& args, QTextStream& in, QTextStream& out,
                                QTextStream& err) {
    return runUploadCommandLine(args, in, out, err, false);
}

// `morvane trust SITE`: shows the certificate (FTPS) or host key (SFTP) the
// site's server presents, asks y/N on `in`, and on yes pins the certificate
// for the site or adds the key to known_hosts. Exit status 0 trusted (or
// already trusted), 1 failure, 2 usage, 4 not confirmed.
int runTrustCommandLine(const QStringList& args, QTextStream& in, QTextStream& out,
                        QTextStream& err);

// `text` made safe to print on a terminal: control characters (an escape
// sequence hidden in a file name, say) are written as \xNN; line feeds and
// tabs stay.
QString escapeForTerminal(const QString& text);
// The same for a name printed within a line: line feeds and tabs escaped too.
QString escapeNameForTerminal(const QString& name);

} // namespace morvane
