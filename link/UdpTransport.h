#pragma once

#include "Message.h"
#include "UdpSocket.h"

#include <memory>

// Carries one request to the device and waits for its response. Not
// thread-safe: the device client serialises every Exchange with its lock;
// only Interrupt may be called without it.
class UdpTransport final
{
public:
    // `receiveTimeoutMs` above 0 replaces each request's own wait for an
    // answer (2000 ms): a simulated device answers at once, and its callers
    // need not wait seconds to see silence.
    explicit UdpTransport(int receiveTimeoutMs = 0) : m_receiveTimeoutMs(receiveTimeoutMs) {}

    // Creates the socket and stores the device address, and ends an earlier
    // Interrupt. A malformed address is not refused here; every exchange with
    // it fails.
    int Open(const QString &ipText, quint16 port);
    void Close();
    // Ends the exchange in progress at once, and fails every later one
    // without sending, until the next Open. Safe from any thread.
    void Interrupt() { m_wake.Raise(); }
    bool IsOpen() const { return m_socket.IsOpen(); }

    // Sends the request (and resends it up to `retries` times while no answer
    // comes) and parses the device's answer into a new response object.
    // Returns 0, or -1 on any failure; `responseOut` may hold a response either way.
    int Exchange(RequestMsg &request, std::unique_ptr<ResponseMsg> &responseOut, int retries);
    // Whether the last Exchange went out and the device stayed silent
    // through every try (not cut short, not refused before sending).
    bool Unanswered() const { return m_unanswered; }

    // The local port of the current socket, 0 before the first send.
    quint16 LocalPort() const { return m_socket.LocalPort(); }

private:
    Q_DISABLE_COPY(UdpTransport)
    int ReceiveAnswer(const RequestMsg &request, quint8 *buffer, int timeoutMs);

    WakeSignal m_wake;
    UdpSocket m_socket;
    UdpSocket::Peer m_device;
    bool m_deviceValid = false;
    const int m_receiveTimeoutMs;
    bool m_unanswered = false;
};
