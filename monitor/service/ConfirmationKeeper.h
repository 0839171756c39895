#pragma once

#include "JournalTypes.h"

#include "WorkerThread.h"

#include <QHash>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class DeviceWatch;
class Journal;

// Keeps the promise of --confirm-within for the devices this service
// watches: at every poll it reads the pending confirmations from the shared
// journal and hands each whose deadline has passed to the watch of its
// device, which reverts it; now and then it tells the journal which devices
// it watches and whether it may revert there, which is what qvt-cli checks
// before it accepts --confirm-within. One thread, one journal connection.
class ConfirmationKeeper final : public WorkerThread
{
public:
    // Calls `visit` with every watch, under the owner's lock.
    using Watches = std::function<void(const std::function<void(DeviceWatch &)> &visit)>;
    using Say = std::function<void(const QString &line, bool warning)>;

    ConfirmationKeeper(const QString &journal, int pollMs, Watches watches, Say say);
    ~ConfirmationKeeper() override;

protected:
    void Step() override;
    void Finished() override;

private:
    const QString m_location;
    const int m_pollMs;
    const Watches m_watches;
    const Say m_say;
    std::unique_ptr<Journal> m_journal;
    qint64 m_nextWatchMs = 0;
    QHash<qint64, qint64> m_requested;  // operation -> when its revert was asked, ms
    bool m_failing = false;             // this episode was said
};
