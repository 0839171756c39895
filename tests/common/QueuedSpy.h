#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QObject>
#include <QVariant>

// Records a signal's emissions on the test's own thread. QSignalSpy appends
// from whichever thread emits, so reading it while a worker thread emits is a
// data race; this spy is connected queued and only ever touched here.
class QueuedSpy final : public QObject
{
public:
    template <class Sender, class Signal>
    QueuedSpy(const Sender *sender, Signal signal)
    {
        connect(
            sender, signal, this,
            [this](auto... args) { m_calls.append(QVariantList{QVariant::fromValue(args)...}); },
            Qt::QueuedConnection);
    }

    int count() const { return m_calls.size(); }
    const QVariantList &at(int i) const { return m_calls.at(i); }
    const QVariantList &first() const { return m_calls.first(); }
    const QVariantList &last() const { return m_calls.last(); }
    bool isEmpty() const { return m_calls.isEmpty(); }

    // Waits until one more emission has arrived.
    bool wait(int timeoutMs = 5000)
    {
        const int before = count();
        QDeadlineTimer deadline(timeoutMs);
        while (count() == before && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return count() > before;
    }

private:
    QList<QVariantList> m_calls;
};
