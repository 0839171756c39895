#pragma once

#include <QString>
#include <QtGlobal>

// Wakes receives that wait on another thread. Once raised, every receive
// that watches it returns at once, until it is cleared. Raise may be called
// from any thread; Clear only by the thread that owns the waits.
class WakeSignal final
{
public:
    WakeSignal();
    ~WakeSignal();

    void Raise();
    void Clear();
    bool IsRaised() const { return Wait(0); }
    // Waits up to `ms`, or less once raised; true when raised.
    bool Wait(int ms) const;
    int Handle() const { return m_fd; }

private:
    Q_DISABLE_COPY(WakeSignal)
    int m_fd = -1;
};

// The one place that makes socket calls. An IPv4 UDP socket; addresses and
// ports are plain numbers in host order (address 127.0.0.1 is 0x7F000001).
class UdpSocket final
{
public:
    struct Peer {
        quint32 address = 0;
        quint16 port = 0;
        bool operator==(const Peer &o) const { return address == o.address && port == o.port; }
        bool operator!=(const Peer &o) const { return !(*this == o); }
    };

    UdpSocket() = default;
    ~UdpSocket();

    bool Open();
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

    // Binds to address:port (port 0 lets the system choose).
    bool Bind(quint32 address, quint16 port);
    // The local port, or 0 when the socket has none yet.
    quint16 LocalPort() const;

    bool SendTo(const Peer &to, const quint8 *data, int size);

    static constexpr int kWoken = -2;

    // Waits up to timeoutMs for one datagram and copies at most `capacity`
    // bytes of it. Returns the datagram's real size (which may exceed
    // `capacity`: the rest is discarded), -1 on time-out or error, or kWoken
    // as soon as `wake` is raised.
    int ReceiveFrom(quint8 *buffer, int capacity, int timeoutMs, Peer *from,
                    const WakeSignal *wake = nullptr);

    // The receive time-out socket option, in milliseconds.
    bool ReceiveTimeout(int *milliseconds) const;
    bool SetReceiveTimeout(int milliseconds);

    // Size of the kernel's receive buffer, as the system reports it.
    int ReceiveBufferSize() const;
    bool SetReceiveBufferSize(int bytes);

private:
    Q_DISABLE_COPY(UdpSocket)
    int m_fd = -1;
};

// Host-order IPv4 address from dotted text, as the C library reads it;
// false for text it cannot read.
bool Ipv4FromText(const QString &text, quint32 *address);
