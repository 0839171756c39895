#pragma once

#include "Message.h"

#include <QRandomGenerator>
#include <QString>
#include <QtGlobal>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <initializer_list>
#include <set>

// Loopback addresses and UDP ports picked when a test starts, so that test
// programs of several clones or build trees can run at the same time without
// one taking the other's sockets. A pick is probed by binding it, and is never
// handed out twice in one process; the random numbers are seeded per process.

// Whether a socket of `type` (SOCK_DGRAM, SOCK_STREAM) can bind
// `address`:`port` now (the probe is closed again).
inline bool SocketBinds(int type, quint32 address, quint16 port)
{
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(address);
    sa.sin_port = htons(port);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr *>(&sa), sizeof sa) == 0;
    ::close(fd);
    return bound;
}

inline bool UdpBinds(quint32 address, quint16 port)
{
    return SocketBinds(SOCK_DGRAM, address, port);
}

inline QRandomGenerator &LoopbackRandom()
{
    static QRandomGenerator random(QRandomGenerator::system()->generate());
    return random;
}

// A random 127.a.b.c on which every one of `ports` binds (and on the next
// `count` - 1 addresses too, for a fleet). 127.0.0.1 and 127.0.1.1 (the host
// name's address on Debian) are left out: other programs use them. The
// default port is the device's, fixed in the tool's login.
inline quint32 TestLoopback(std::initializer_list<quint16> ports = {kDevicePort}, int count = 1)
{
    static std::set<quint32> given;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        // The first address's last byte stays within 2..254: never a network
        // or broadcast address, nor 127.0.0.1 or 127.0.1.1. A range may run
        // on past .255; it stays in 127/8.
        const quint32 address = 0x7F000000 | (LoopbackRandom().bounded(0xFF00) << 8) |
                                (2 + LoopbackRandom().bounded(253));
        bool free = true;
        for (quint32 a = address; a < address + quint32(count); ++a) {
            free = free && !given.count(a);
            for (quint16 port : ports) {
                free = free && UdpBinds(a, port);
            }
        }
        if (free) {
            for (quint32 a = address; a < address + quint32(count); ++a) {
                given.insert(a);
            }
            return address;
        }
    }
    qFatal("no free loopback address for this test");
}

inline QString LoopbackText(quint32 address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}

inline QString TestAddress(std::initializer_list<quint16> ports = {kDevicePort})
{
    return LoopbackText(TestLoopback(ports));
}

// A UDP port in 40000..65535 free on every address (probed on the
// any-address), as the tool's notification receiver binds it.
inline quint16 FreeUdpPort()
{
    static std::set<quint16> given;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const auto port = static_cast<quint16>(40000 + LoopbackRandom().bounded(25536));
        if (!given.count(port) && UdpBinds(INADDR_ANY, port)) {
            given.insert(port);
            return port;
        }
    }
    qFatal("no free UDP port for this test");
}

// A TCP port in 40000..65535 free on `address`, for a server a test starts.
inline quint16 FreeTcpPort(quint32 address)
{
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const auto port = static_cast<quint16>(40000 + LoopbackRandom().bounded(25536));
        if (SocketBinds(SOCK_STREAM, address, port)) {
            return port;
        }
    }
    qFatal("no free TCP port for this test");
}
