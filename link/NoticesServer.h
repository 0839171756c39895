#pragma once

#include "LinkTypes.h"
#include "NoticeMessages.h"
#include "UdpSocket.h"

#include "WorkerThread.h"

#include <QHash>
#include <QObject>
#include <QVector>

#include <atomic>
#include <memory>
#include <mutex>

// The last channel mask of the "Audio Lost" (code 6) and "Audio Silent"
// (code 7) alarms per input of one device, so that a notification can name
// only the channels that changed. The receive thread and the status board
// both write it; one lock guards it.
class AudioMasks final
{
public:
    // Stores `mask` for (code, input 0-3) and returns the mask it replaces.
    quint16 Exchange(quint32 code, int input, quint16 mask);
    // Overwrites the masks of all four inputs with what the device reports.
    void Store(const QVector<quint16> &audioLost, const QVector<quint16> &audioSilent);
    quint16 Get(quint32 code, int input) const;
    void Clear();

private:
    mutable std::mutex m_lock;
    quint16 m_masks[2][4] = {};  // [code 6/7][input 0-3], guarded by m_lock
};

// An input as the alarm log names it: "Input 3", or on the dual model
// "B-Input 1"; empty for an index past the fourth.
QString EventInputName(int input, bool dual);

// Names an alarm notification the way the alarm log keeps it, in English.
// `dual`: the device is the dual 2x1 model; `masks`: that device's memory.
AlarmInfo DescribeNotification(const NotificationMsg &msg, bool dual, AudioMasks &masks);

// One device's share of the notifications: the receiver emits each acceptable
// datagram from that device's address here, on the receive thread, named for
// its model and against its own audio masks.
class NoticeRoute final : public QObject
{
    Q_OBJECT

public:
    explicit NoticeRoute(QObject *parent = nullptr) : QObject(parent) {}
    AudioMasks &Masks() { return m_masks; }

signals:
    void NotityAlarmInfo(AlarmInfo info);

private:
    Q_DISABLE_COPY(NoticeRoute)
    AudioMasks m_masks;
};

class NoticesThread;

// Receives the devices' notification datagrams on one UDP port of the tool
// and hands each acceptable one to the route of the device that sent it.
// Datagrams from an address without a route, malformed ones and empty ones
// are dropped and counted.
class NoticesServer final : public QObject
{
    Q_OBJECT

public:
    explicit NoticesServer(QObject *parent = nullptr);
    ~NoticesServer() override;

    // Binds the port (on every local address) and starts the receive thread.
    bool Start(quint16 port);
    // Moves to another port; the receive thread carries on with the new socket.
    bool Rebind(quint16 port);
    // Stops the receive thread (without waiting for it) and closes the socket.
    // Once it returns, nothing more is emitted until the next Start.
    void Stop();

    // One receive step: waits briefly for one datagram and handles it.
    void ReceiveStep();
    // Handles every datagram that has arrived and waits to be read, at once:
    // for the end of a program that must lose none of them.
    void Drain();

    // The kernel's receive buffer of the notification socket, in bytes.
    int ReceiveBufferSize();

    // Sends the datagrams from `address` to `route`, named for `productType`,
    // in place of the route's earlier address. The route outlives its
    // attachment.
    void Attach(NoticeRoute *route, const QString &address, int productType);
    // Once it returns, `route` receives nothing more: an emission to it that
    // was under way has ended. A slot connected directly must not call it.
    void Detach(NoticeRoute *route);

    enum class Drop { UnknownSender, Malformed, Empty };
    quint64 Dropped(Drop reason) const;

private:
    Q_DISABLE_COPY(NoticesServer)
    bool OpenSocket(quint16 port);
    void Handle(const quint8 *buffer, int size, const UdpSocket::Peer &from);
    void CloseSocket();
    // Runs `change` on the socket once the receive thread has let go of it.
    template <class Change>
    auto HandOver(Change &&change);

    // The receive thread holds m_socketLock for one receive at a time, and
    // backs off while m_handover is set. Start, Stop and Rebind raise
    // m_wakeReceive, which ends a waiting receive at once, so they can
    // close or replace the socket without pulling it from under the receive
    // and without waiting for it (the window calls them).
    std::mutex m_socketLock;
    std::atomic<bool> m_handover{false};
    WakeSignal m_wakeReceive;  // cleared under m_socketLock
    // Held from the look-up of the route to the end of the emission, so that
    // Stop and Detach return only after an emission under way has ended. A
    // slot connected directly must not call them.
    std::mutex m_emitLock;
    bool m_emitting = false;  // guarded by m_emitLock
    struct Route {
        NoticeRoute *route;
        bool dual;
    };
    QHash<quint32, Route> m_routes;  // by the sender's IPv4 address; guarded by m_emitLock
    std::atomic<quint64> m_dropped[3] = {{0}, {0}, {0}};
    UdpSocket m_socket;
    std::unique_ptr<NoticesThread> m_thread;
};

// The receive loop: one receive step after another until stopped.
class NoticesThread final : public WorkerThread
{
    Q_OBJECT

public:
    explicit NoticesThread(NoticesServer *server) : m_server(server) {}
    ~NoticesThread() override;

protected:
    void Step() override { m_server->ReceiveStep(); }

private:
    Q_DISABLE_COPY(NoticesThread)
    NoticesServer *m_server;
};
