#include "UdpSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#include <cerrno>

namespace {
sockaddr_in ToSockaddr(quint32 address, quint16 port)
{
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(address);
    sa.sin_port = htons(port);
    return sa;
}
}  // namespace

WakeSignal::WakeSignal() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeSignal::~WakeSignal()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

void WakeSignal::Raise()
{
    const quint64 one = 1;
    ssize_t written;
    do {
        written = ::write(m_fd, &one, sizeof one);
    } while (written < 0 && errno == EINTR);
}

void WakeSignal::Clear()
{
    quint64 count = 0;
    ssize_t got;
    do {
        got = ::read(m_fd, &count, sizeof count);
    } while (got < 0 && errno == EINTR);
}

bool WakeSignal::Wait(int ms) const
{
    // Without its descriptor (poll skips a negative one) this is a plain pause.
    pollfd pfd = {m_fd, POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&pfd, 1, ms < 0 ? 0 : ms);
    } while (ready < 0 && errno == EINTR);
    return ready > 0 && (pfd.revents & POLLIN);
}

UdpSocket::~UdpSocket()
{
    Close();
}

bool UdpSocket::Open()
{
    Close();
    m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    return m_fd >= 0;
}

void UdpSocket::Close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

bool UdpSocket::Bind(quint32 address, quint16 port)
{
    if (m_fd < 0) {
        return false;
    }
    const sockaddr_in sa = ToSockaddr(address, port);
    return ::bind(m_fd, reinterpret_cast<const sockaddr *>(&sa), sizeof sa) == 0;
}

quint16 UdpSocket::LocalPort() const
{
    sockaddr_in sa = {};
    socklen_t len = sizeof sa;
    if (m_fd < 0 || ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&sa), &len) != 0) {
        return 0;
    }
    return ntohs(sa.sin_port);
}

bool UdpSocket::SendTo(const Peer &to, const quint8 *data, int size)
{
    if (m_fd < 0 || size < 0) {
        return false;
    }
    const sockaddr_in sa = ToSockaddr(to.address, to.port);
    ssize_t sent;
    do {
        sent = ::sendto(m_fd, data, static_cast<size_t>(size), 0,
                        reinterpret_cast<const sockaddr *>(&sa), sizeof sa);
    } while (sent < 0 && errno == EINTR);
    return sent == size;
}

int UdpSocket::ReceiveFrom(quint8 *buffer, int capacity, int timeoutMs, Peer *from,
                           const WakeSignal *wake)
{
    if (m_fd < 0) {
        return -1;
    }
    pollfd pfd[2] = {{m_fd, POLLIN, 0}, {wake ? wake->Handle() : -1, POLLIN, 0}};
    int ready;
    do {
        ready = ::poll(pfd, wake ? 2 : 1, timeoutMs < 0 ? 0 : timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (wake && (pfd[1].revents & POLLIN)) {
        return kWoken;
    }
    if (ready <= 0 || !(pfd[0].revents & POLLIN)) {
        return -1;
    }
    sockaddr_in sa = {};
    socklen_t len = sizeof sa;
    // MSG_TRUNC makes the call report the datagram's real size, so an
    // oversized datagram is seen as such instead of being cut to fit.
    const ssize_t got =
        ::recvfrom(m_fd, buffer, static_cast<size_t>(capacity), MSG_DONTWAIT | MSG_TRUNC,
                   reinterpret_cast<sockaddr *>(&sa), &len);
    if (got < 0) {
        return -1;
    }
    if (from) {
        from->address = ntohl(sa.sin_addr.s_addr);
        from->port = ntohs(sa.sin_port);
    }
    return static_cast<int>(got);
}

bool UdpSocket::ReceiveTimeout(int *milliseconds) const
{
    timeval tv = {};
    socklen_t len = sizeof tv;
    if (m_fd < 0 || ::getsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &tv, &len) != 0) {
        return false;
    }
    *milliseconds = static_cast<int>(tv.tv_sec * 1000 + tv.tv_usec / 1000);
    return true;
}

bool UdpSocket::SetReceiveTimeout(int milliseconds)
{
    timeval tv = {};
    tv.tv_sec = milliseconds / 1000;
    tv.tv_usec = (milliseconds % 1000) * 1000;
    return m_fd >= 0 && ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) == 0;
}

int UdpSocket::ReceiveBufferSize() const
{
    int size = 0;
    socklen_t len = sizeof size;
    if (m_fd < 0 || ::getsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &size, &len) != 0) {
        return -1;
    }
    return size;
}

bool UdpSocket::SetReceiveBufferSize(int bytes)
{
    return m_fd >= 0 && ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes) == 0;
}

bool Ipv4FromText(const QString &text, quint32 *address)
{
    in_addr addr = {};
    if (::inet_pton(AF_INET, text.toLatin1().constData(), &addr) != 1) {
        return false;
    }
    *address = ntohl(addr.s_addr);
    return true;
}
