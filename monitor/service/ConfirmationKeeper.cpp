#include "ConfirmationKeeper.h"

#include "DeviceWatch.h"
#include "Journal.h"

#include <QDateTime>

#include <algorithm>

namespace {
constexpr qint64 kWatchEveryMs = 10000;
// A revert asked for and still pending (the device away) is asked again.
constexpr qint64 kAskAgainMs = 30000;
}  // namespace

ConfirmationKeeper::ConfirmationKeeper(const QString &journal, int pollMs, Watches watches, Say say)
    : m_location(journal), m_pollMs(pollMs), m_watches(std::move(watches)), m_say(std::move(say))
{}

ConfirmationKeeper::~ConfirmationKeeper()
{
    Stop();
    Join();
}

void ConfirmationKeeper::Finished()
{
    m_journal.reset();  // its connection belongs to this thread
}

void ConfirmationKeeper::Step()
{
    QString error;
    if (!m_journal) {
        m_journal = Journal::Open(m_location, &error);
    }
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    QVector<JournalConfirmation> pending;
    bool ok = m_journal != nullptr;
    if (ok && now >= m_nextWatchMs) {
        QStringList revertible, readOnly;
        m_watches([&](DeviceWatch &watch) {
            const QString serial = watch.Snapshot().serial;
            if (!serial.isEmpty()) {
                (watch.CanRevert() ? revertible : readOnly) << serial;
            }
        });
        const QString computer = LocalJournalContext().computer;
        ok = m_journal->Watch(revertible, computer, true, &error) &&
             m_journal->Watch(readOnly, computer, false, &error);
        m_nextWatchMs = now + kWatchEveryMs;
    }
    if (ok) {
        pending = m_journal->Confirmations(false, &error);
        ok = error.isEmpty();
    }
    if (!ok) {
        if (!m_failing) {
            m_say(QStringLiteral("change journal: the confirmations cannot be read, so no "
                                 "unconfirmed change is reverted meanwhile: %1")
                      .arg(error),
                  true);
        }
        m_failing = true;
        m_journal.reset();  // opened again at the next step
        Pause(qMax(m_pollMs, 5000));
        return;
    }
    if (m_failing) {
        m_say(QStringLiteral("change journal: the confirmations can be read again"), false);
        m_failing = false;
    }
    m_watches([&](DeviceWatch &watch) {
        const QString serial = watch.Snapshot().serial;
        int waiting = 0;
        for (const JournalConfirmation &c : pending) {
            if (c.deviceSerial != serial || serial.isEmpty()) {
                continue;
            }
            ++waiting;
            const auto asked = m_requested.constFind(c.operationId);
            if (c.deadline.toMSecsSinceEpoch() < now && watch.CanRevert() &&
                (asked == m_requested.cend() || now - *asked > kAskAgainMs)) {
                m_requested.insert(c.operationId, now);
                watch.RequestRevert(c);
            }
        }
        watch.SetPendingConfirmations(waiting);
    });
    // What is no longer pending needs no memory of its request.
    for (auto i = m_requested.begin(); i != m_requested.end();) {
        const qint64 id = i.key();
        const bool still =
            std::any_of(pending.cbegin(), pending.cend(),
                        [id](const JournalConfirmation &c) { return c.operationId == id; });
        i = still ? std::next(i) : m_requested.erase(i);
    }
    Pause(m_pollMs);
}
