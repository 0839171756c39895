#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QObject>
#include <QVariant>

#include <memory>
#include <mutex>

// Records a signal's emissions, from whichever thread emits them, under a
// lock of its own. QSignalSpy appends from the emitting thread without one,
// so reading it while a worker emits is a data race; and a queued connection
// hands the arguments over inside Qt, where ThreadSanitizer cannot see the
// lock, so it would report a race that is not there.
class QueuedSpy final : public QObject
{
public:
    template <class Sender, class Signal>
    QueuedSpy(const Sender *sender, Signal signal)
    {
        // The connection belongs to the sender, not to the spy: a spy that
        // goes while a worker is emitting would take the slot from under
        // that emission. The recording touches only the shared state, which
        // outlives the spy; the sender's end (its thread joined) ends it.
        connect(
            sender, signal, sender,
            [state = m_state](auto... args) {
                QVariantList call{QVariant::fromValue(args)...};
                std::lock_guard<std::mutex> lock(state->lock);
                state->calls.append(call);
            },
            Qt::DirectConnection);
    }

    ~QueuedSpy() override
    {
        // Orders every append made so far before the record may go away.
        std::lock_guard<std::mutex> lock(m_state->lock);
    }

    int count() const
    {
        std::lock_guard<std::mutex> lock(m_state->lock);
        return m_state->calls.size();
    }
    QVariantList at(int i) const
    {
        std::lock_guard<std::mutex> lock(m_state->lock);
        return m_state->calls.at(i);
    }
    QVariantList first() const { return at(0); }
    QVariantList last() const
    {
        std::lock_guard<std::mutex> lock(m_state->lock);
        return m_state->calls.last();
    }
    bool isEmpty() const { return count() == 0; }

    // Waits for an emission that no earlier wait() has returned for; one that
    // came before this call counts, so a signal emitted on another thread
    // between the trigger and the wait is not missed.
    bool wait(int timeoutMs = 5000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (count() <= m_seen && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        if (count() <= m_seen) {
            return false;
        }
        m_seen = count();
        return true;
    }

private:
    struct State {
        std::mutex lock;  // guards calls
        QList<QVariantList> calls;
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
    int m_seen = 0;  // emissions already reported by wait()
};
