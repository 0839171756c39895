#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QVariantList>
#include <QVector>

// Tamper evidence for the journal: each operation carries a SHA-256 over
// its values and its entries' and over the operation before it (by number).
// A value edited by hand, an entry added, moved or deleted, an operation
// deleted or renumbered changes a hash that no longer matches; an edit that
// also rewrites the hashes must rewrite every later one. Operations pruned
// away leave an anchor: the last pruned operation's number and hash, which
// the first one kept continues from.
//
// What it cannot tell: the newest operations deleted together with nothing
// after them, or the whole chain rewritten by someone with write access.
// --verify prints the newest hash, so an auditor who notes it can tell later.
namespace JournalChain {

// The columns an operation's hash covers, in this order: Journal writes
// them so and --verify reads them so.
extern const char kOperationColumns[];
constexpr int kOperationValues = 14;
extern const char kEntryColumns[];
constexpr int kEntryValues = 5;

// The hash, in hex, of an operation's number, its stored values
// (kOperationColumns) and its entries' (kEntryColumns, in their order),
// after `previous`.
QString Hash(const QString &previous, qint64 id, const QVariantList &operation,
             const QVector<QVariantList> &entries);

// Where the next operation continues the chain: the newest operation's (or
// the anchor's, when every operation was pruned) number and hash, and the
// highest entry number. In the writer's transaction.
struct Tail {
    qint64 operationId = 0;
    qint64 entryId = 0;
    QString hash;
};
bool ReadTail(QSqlDatabase &db, Tail *tail, QString *problem);

struct Check {
    qint64 operations = 0;
    qint64 entries = 0;
    qint64 firstBroken = 0;  // the first operation whose content or place changed; 0: none
    qint64 orphans = 0;      // entries that belong to no operation
    qint64 newestId = 0;
    QString newestHash;
    qint64 anchorId = 0;  // operations up to this one were pruned; 0: none
    QDateTime prunedBefore;
    bool Intact() const { return firstBroken == 0 && orphans == 0; }
};
// Reads every operation in order and checks each hash, in the caller's
// transaction (one snapshot: a prune meanwhile would look like an edit).
// False only when the journal cannot be read.
bool Verify(QSqlDatabase &db, Check *check, QString *problem);

// Gives every operation its hash, in order: a journal that had none.
bool HashAll(QSqlDatabase &db, QString *problem);

struct Prune {
    qint64 operations = 0;  // deleted (or that would be)
    qint64 entries = 0;
    qint64 lastId = 0;     // the newest of them
    qint64 olderKept = 0;  // older than the date but recorded after a newer one: kept
};
// Deletes the operations recorded before `before`, up to the first one at
// or after it (a later one that is older, moved in from a spool, stays, as
// the chain runs by number) and never past `upTo`, and leaves the anchor.
// With `upTo` 0, only counts. In the caller's write transaction.
bool PruneBefore(QSqlDatabase &db, const QDateTime &before, qint64 upTo, Prune *result,
                 QString *problem);

}  // namespace JournalChain
