// `morvane compare [SITE]` and `morvane download [--yes] [--dry-run] [SITE]
// [PATH…]`: the site's folder beside its server folder, from a terminal.
#pragma once

#include <QStringList>

class QTextStream;

namespace morvane {

// Exit statuses of `morvane compare`.
namespace compareexit {
inline constexpr int Same = 0;    // every file is the same on both sides
inline constexpr int Differs = 1; // some file is only on one side, or differs
inline constexpr int Trouble = 2; // a usage error, or the comparison could not be made
} // namespace compareexit

// Exit statuses of `morvane download` (those of `morvane upload`).
namespace downloadexit {
inline constexpr int Downloaded = 0;
inline constexpr int Failed = 1; // a failure, or files held back (marked for upload, unsafe names)
inline constexpr int Usage = 2;
inline constexpr int NothingToFetch = 3;
inline constexpr int NotConfirmed = 4; // stopped at the confirmation (--dry-run or not "y")
} // namespace downloadexit

// `args` are the words after the command; answers are read from `in`,
// results go to `out`, problems to `err`. `progress`: a one-line progress
// display on `err` (when standard error is a terminal). Need a
// QCoreApplication; need no display.
int runCompareCommandLine(const QStringList& args, QTextStream& in, QTextStream& out,
                          QTextStream& err);
int runDownloadCommandLine(const QStringList& args, QTextStream& in, QTextStream& out,
                           QTextStream& err, bool progress = false);

class Site;
// `morvane upload --delete`, after the upload: lists the server folder and
// deletes the files that have no counterpart in `siteFolder` (excluded
// names never), then the server folders left empty. Every file is listed
// first; `dryRun` stops there, and without `yes` the answer is read from
// `in`. Returns an exit status of `morvane upload`: 0 deleted (or nothing
// to delete), 1 failure, 4 not confirmed (or dry run). `progress`: the
// one-line progress display on `err`.
int runServerDeletions(const Site& site, const QString& siteFolder, bool dryRun, bool yes,
                       QTextStream& in, QTextStream& out, QTextStream& err, bool progress = false);

} // namespace morvane
