#include "UdpTransport.h"

#include <QElapsedTimer>

namespace {
constexpr int kRetryPauseMs = 10;
// Enough for the duplicates and late answers a device leaves behind; a flood
// of datagrams must not keep the exchange (and the client's lock) here.
constexpr int kMaxStaleDatagrams = 64;
}  // namespace

int UdpTransport::Open(const QString &ipText, quint16 port)
{
    m_wake.Clear();
    m_device.port = port;
    m_deviceValid = Ipv4FromText(ipText, &m_device.address);
    return m_socket.Open() ? 0 : -1;
}

void UdpTransport::Close()
{
    m_socket.Close();
}

int UdpTransport::Exchange(RequestMsg &request, std::unique_ptr<ResponseMsg> &responseOut,
                           int retries)
{
    responseOut.reset();
    m_unanswered = false;
    const quint8 *datagram = nullptr;
    const int size = request.Serialize(&datagram);
    if (size < 0 || !m_deviceValid || !m_socket.IsOpen() || m_wake.IsRaised()) {
        return -1;
    }
    // Whatever is already queued (a duplicate or a late answer to an earlier
    // request) cannot be the answer to a request not yet sent.
    quint8 stale[Frame::kMaxSize];
    for (int n = 0; n < kMaxStaleDatagrams; ++n) {
        if (m_socket.ReceiveFrom(stale, sizeof stale, 0, nullptr) < 0) {
            break;
        }
    }
    if (!m_socket.SendTo(m_device, datagram, size)) {
        return -1;
    }

    const int wanted = m_receiveTimeoutMs > 0 ? m_receiveTimeoutMs : request.ReceiveTimeout();
    int timeoutMs = 0;
    if (!m_socket.ReceiveTimeout(&timeoutMs)) {
        return -1;
    }
    if (timeoutMs != wanted) {
        if (!m_socket.SetReceiveTimeout(wanted)) {
            return -1;
        }
        timeoutMs = wanted;
    }

    quint8 buffer[Frame::kMaxSize];
    int received = ReceiveAnswer(request, buffer, timeoutMs);
    while (received == -1 && retries > 0) {
        --retries;
        if (m_wake.Wait(kRetryPauseMs)) {
            return -1;
        }
        if (m_socket.SendTo(m_device, datagram, size)) {
            received = ReceiveAnswer(request, buffer, timeoutMs);
        }
    }
    if (received <= 0) {
        m_unanswered = received == -1;
        return -1;
    }

    responseOut = CreateResponseFor(request.type, buffer, received);
    if (!responseOut || responseOut->Parse(buffer, received) != 0) {
        return -1;
    }

    if (responseOut->sequence != request.sequence) {
        // Answers to earlier requests may still be queued on this port: take a
        // new socket (and so a new local port) so that they never reach us.
        m_socket.Close();
        if (!m_socket.Open()) {
            return -1;
        }
    }
    return 0;
}

// Waits for the device's answer to `request`. Datagrams from anyone but the
// device, and late answers to earlier requests (other sequence and other
// type), are dropped without extending the wait. Returns the size, -1, or
// UdpSocket::kWoken when interrupted.
int UdpTransport::ReceiveAnswer(const RequestMsg &request, quint8 *buffer, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const int remaining = timeoutMs - static_cast<int>(clock.elapsed());
        if (remaining <= 0) {
            return -1;
        }
        UdpSocket::Peer from;
        const int size = m_socket.ReceiveFrom(buffer, Frame::kMaxSize, remaining, &from, &m_wake);
        if (size < 0) {
            return size;
        }
        if (from != m_device) {
            continue;
        }
        if (size > Frame::kMaxSize) {
            return size;  // oversized: Parse refuses it
        }
        if (size >= Frame::kHeaderSize) {
            const quint16 type = ReadU16(buffer + Frame::kTypeOffset);
            const quint16 sequence = ReadU16(buffer + Frame::kSequenceOffset);
            if (type != request.type && sequence != request.sequence) {
                continue;
            }
        }
        return size;
    }
}
