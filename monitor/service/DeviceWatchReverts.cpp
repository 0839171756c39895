// The watch's part in --confirm-within: it reverts, between two polls, the
// operations whose deadline passed unconfirmed, as the confirmation keeper
// hands them over.

#include "DeviceWatch.h"

#include "Journal.h"
#include "UnconfirmedRevert.h"

bool DeviceWatch::CanRevert() const
{
    return m_device.user == kMonitorAdmin;
}

void DeviceWatch::RequestRevert(const JournalConfirmation &confirmation)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        // Asked again while the first request waits (the device away): once.
        for (const JournalConfirmation &waiting : m_reverts) {
            if (waiting.operationId == confirmation.operationId) {
                return;
            }
        }
        m_reverts.push_back(confirmation);
    }
    Wake();
}

void DeviceWatch::SetPendingConfirmations(int pending)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_snapshot.pendingConfirmations == pending) {
            return;  // asked every poll: rendered only when it changes
        }
    }
    Publish([pending](DeviceSnapshot &s) { s.pendingConfirmations = pending; });
}

void DeviceWatch::RevertDue()
{
    std::vector<JournalConfirmation> due;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        due.swap(m_reverts);
    }
    if (due.empty()) {
        return;
    }
    QString error;
    std::unique_ptr<Journal> journal = Journal::Open(m_settings.journal, &error);
    const JournalContext context = Context();
    for (const JournalConfirmation &c : due) {
        RevertOutcome outcome;
        if (journal) {
            outcome = RevertUnconfirmed(m_session.Client(), m_session.ProductType(), context,
                                        *journal, m_settings.journal, m_settings.journalSpool, c);
        } else {
            outcome.failure = error;
        }
        if (outcome.done && !outcome.claimed) {
            continue;  // confirmed at the last moment, or another service's
        }
        if (!outcome.done) {
            m_settings.say(QStringLiteral("%1 (%2): operation %3 was not confirmed and could not "
                                          "be reverted yet: %4")
                               .arg(m_device.name, m_device.address)
                               .arg(c.operationId)
                               .arg(outcome.failure),
                           true);
            continue;
        }
        m_settings.say(
            QStringLiteral("%1 (%2): operation %3 was not confirmed by %4: reverted%5")
                .arg(m_device.name, m_device.address)
                .arg(c.operationId)
                .arg(c.deadline.toLocalTime().toString(Qt::ISODate))
                .arg(outcome.revertId > 0 ? QStringLiteral(" as operation %1").arg(outcome.revertId)
                                          : QStringLiteral(" (nothing left to write)")),
            false);
        for (const QString &field : outcome.leftAlone) {
            m_settings.say(QStringLiteral("%1 (%2): not reverted, changed again since: %3")
                               .arg(m_device.name, m_device.address, field),
                           true);
        }
        Publish([](DeviceSnapshot &s) { ++s.confirmationsReverted; });
    }
}
