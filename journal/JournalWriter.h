#pragma once

#include "Journal.h"
#include "JournalSpool.h"

#include <QQueue>
#include <QString>

#include <functional>
#include <memory>

// Writes operations to the journal without ever holding up or undoing the
// device writes they describe: an operation that cannot be written now (the
// file cannot be opened, the station's server is down, another writer held
// the file past the busy timeout) goes to the spool (JournalSpool), synced,
// before Submit returns, so that it outlives this program; every Flush, and
// the first Submit of any program that opens this journal, moves what the
// spool holds for it into it first, in order, with its own times. Only when
// the spool cannot be written either does an operation wait in memory, to
// be tried again at the next Submit or Flush and once more when the writer
// ends.
//
// At most kMaxPending operations wait in memory; past that the oldest is
// dropped, and the problem callback says so. An operation that could never be written
// (a change without a field name) is refused at once rather than kept: it
// would hold up every one after it.
//
// Threads: not thread-safe. Create, use and destroy it in one thread (the
// window's user-interface thread; qvt-cli's main thread): the Journal it
// opens belongs to that thread.
class JournalWriter final
{
public:
    static constexpr int kMaxPending = 10000;
    // Told why operations wait or were dropped; `pending`: how many wait now.
    using Problem = std::function<void(const QString &why, int pending)>;

    // `location` as Journal::Open takes it; the journal is opened at the first
    // write. `spool`: the spool's file (JournalSpool::DefaultPath() when empty).
    explicit JournalWriter(const QString &location = QString(), Problem problem = Problem(),
                           const QString &spool = QString());
    ~JournalWriter();

    // Writes to `location` from now on, the waiting operations first (also
    // those the spool keeps for the old location).
    void SetLocation(const QString &location);
    QString Location() const { return m_location; }

    // Records `op` after those that wait. True when it and all before it are
    // written; otherwise it waits (or, invalid, is refused) and the problem
    // callback hears why.
    bool Submit(const JournalOperation &op);
    // Moves what the spool holds for this journal into it, then writes the
    // operations waiting in memory, in order, up to the first that fails.
    bool Flush();

    // Operations not in the journal: in the spool (as far as this writer
    // knows) and in memory.
    int Pending() const { return m_spooled + m_pending.size(); }
    int Spooled() const { return m_spooled; }
    // Operations that wait in this writer's memory: lost if it ends so.
    int InMemory() const { return m_pending.size(); }
    QString SpoolPath() const { return m_spool.Path(); }
    QString LastError() const { return m_lastError; }
    // The open journal, opened now if need be, to read History; null when it
    // cannot be opened (LastError says why).
    Journal *Current();
    // Closes the journal after a read failed through Current(): the next use
    // opens it again (a server that restarted took the connection along).
    // What waits stays.
    void Drop() { m_journal.reset(); }

private:
    Q_DISABLE_COPY(JournalWriter)

    bool Fail(const QString &why);
    Journal *Open(QString *error);
    // The journal could not take what waits (`why`): into the spool with it.
    bool Spool(const QString &why);

    QString m_location;
    Problem m_problem;
    JournalSpool m_spool;
    int m_spooled = 0;
    std::unique_ptr<Journal> m_journal;
    QQueue<JournalOperation> m_pending;
    QString m_lastError;
};
