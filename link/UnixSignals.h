#pragma once

#include <QObject>

#include <initializer_list>

class QSocketNotifier;

// Unix signals as a Qt signal on the event loop, the way Qt's documentation
// shows ("Calling Qt Functions From Unix Signal Handlers"): the handler only
// writes the signal's number to a socket pair, and a socket notifier reads
// it in the event loop. One instance per process.
class UnixSignals final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(UnixSignals)

public:
    // Catches `numbers` from now on; false when the socket pair or a handler
    // could not be set up (the signals then keep their default action).
    explicit UnixSignals(std::initializer_list<int> numbers, QObject *parent = nullptr);
    // Gives the signals their default action back.
    ~UnixSignals() override;

    bool IsActive() const;

signals:
    void Received(int number);

private:
    void OnReadable();

    QList<int> m_numbers;
    QSocketNotifier *m_notifier = nullptr;
};
