#pragma once

#include "UdpSocket.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QPair>

// A UDP socket that a test scripts datagram by datagram: a device's stand-in,
// a stranger, a notification sender or listener. Bound to `address`:`port`
// (port 0: any free one); unbound with neither, it gets a port at its first
// send.
class TestSocket
{
public:
    explicit TestSocket(quint32 address = 0, quint16 port = 0)
    {
        m_ok = m_socket.Open() && ((address == 0 && port == 0) || m_socket.Bind(address, port));
    }
    bool ok() const { return m_ok; }

    void Send(const UdpSocket::Peer &to, const QByteArray &bytes)
    {
        m_socket.SendTo(to, reinterpret_cast<const quint8 *>(bytes.constData()), bytes.size());
    }
    // One datagram, or an empty array when none came within the wait.
    QByteArray Receive(UdpSocket::Peer *from = nullptr, int waitMs = 5000)
    {
        UdpSocket::Peer sender;
        const int size =
            m_socket.ReceiveFrom(m_buffer, sizeof m_buffer, waitMs, from ? from : &sender);
        return size < 0 ? QByteArray() : QByteArray(reinterpret_cast<char *>(m_buffer), size);
    }
    // Every datagram that arrives within the wait, with its sender.
    QList<QPair<QByteArray, UdpSocket::Peer>> Collect(int waitMs)
    {
        QList<QPair<QByteArray, UdpSocket::Peer>> got;
        QElapsedTimer clock;
        clock.start();
        for (int left = waitMs; left > 0; left = waitMs - int(clock.elapsed())) {
            UdpSocket::Peer from;
            const int size = m_socket.ReceiveFrom(m_buffer, sizeof m_buffer, left, &from);
            if (size >= 0) {
                got.append({QByteArray(reinterpret_cast<char *>(m_buffer), size), from});
            }
        }
        return got;
    }

private:
    UdpSocket m_socket;
    bool m_ok = false;
    quint8 m_buffer[4096];
};
