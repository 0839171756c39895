#pragma once

#include "Journal.h"

#include <QString>
#include <QVector>

// Operations that could not be recorded in the journal when their device
// write ended (its server down, its file locked), kept on this computer in an
// SQLite file of their own, written and synced before the program reports
// the device write as done: they outlive the program. Whichever program next
// opens that journal through a JournalWriter moves them into it, oldest
// first, with their own times. Only a crash between the device write and the
// spool's write loses one.
//
// Each kept operation names its journal (Journal::WhereOf, never a
// password), so one spool serves several journals. Several processes may
// share a spool: operations move in batches of 100, each in one transaction
// of the journal's and one of the spool's, which holds the spool's write lock
// from the batch's read to its removal, so no two programs move one; a crash
// between a batch's recording and its removal leaves that batch to be
// recorded once more (a power failure during a move, the batches whose
// removals had not reached the disk).
//
// Threads: like Journal, one thread opens, uses and ends it.
class JournalSpool final
{
public:
    // ~/.local/share/qvt-config/journal-spool.sqlite, beside the default
    // journal; empty when the user has no data directory.
    static QString DefaultPath();

    explicit JournalSpool(const QString &path);
    ~JournalSpool();
    JournalSpool(const JournalSpool &) = delete;
    JournalSpool &operator=(const JournalSpool &) = delete;

    QString Path() const { return m_path; }

    // Keeps `ops` for the journal `where`, all or none; false with `error`.
    bool Keep(const QString &where, const QVector<JournalOperation> &ops, QString *error);
    // What waits for the journal `from` waits for `to` from now on: the
    // journal was moved. False with `error`.
    bool Retarget(const QString &from, const QString &to, QString *error);
    // How many wait for `where`; -1 with `error` when the spool cannot be read.
    int Count(const QString &where, QString *error);
    // Records what waits for `journal` in it, oldest first, each taken from
    // the spool once recorded; stops at the first that cannot be. True when
    // none is left; `moved` counts those recorded.
    bool MoveInto(Journal &journal, int *moved, QString *error);

private:
    bool Open(QString *error);

    QString m_path;
    QString m_connection;
};
