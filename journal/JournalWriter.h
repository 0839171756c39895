#pragma once

#include "Journal.h"

#include <QQueue>
#include <QString>

#include <functional>
#include <memory>

// Writes operations to the journal without ever holding up or undoing the
// device writes they describe: an operation that cannot be written now (the
// file cannot be opened, the station's server is down, another writer held
// the file past the busy timeout) waits in memory, in order, and is written
// at the next Submit or Flush, and once more when the writer ends.
//
// At most kMaxPending operations wait; past that the oldest is dropped, and
// the problem callback says so. An operation that could never be written
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

    // `location` as Journal::Open takes it; the journal is opened at the first write.
    explicit JournalWriter(const QString &location = QString(), Problem problem = Problem());
    ~JournalWriter();

    // Writes to `location` from now on, the waiting operations first.
    void SetLocation(const QString &location);

    // Records `op` after those that wait. True when it and all before it are
    // written; otherwise it waits (or, invalid, is refused) and the problem
    // callback hears why.
    bool Submit(const JournalOperation &op);
    // Writes the waiting operations in order, up to the first that fails.
    bool Flush();

    int Pending() const { return m_pending.size(); }
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

    QString m_location;
    Problem m_problem;
    std::unique_ptr<Journal> m_journal;
    QQueue<JournalOperation> m_pending;
    QString m_lastError;
};
