#pragma once

// Helpers shared by the benchmarks.

#include "Message.h"
#include "UdpSocket.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <vector>

// A request datagram built by hand, so that the bare-socket figures owe
// nothing to the tool's own message classes.
inline QByteArray RawRequest(quint16 type, quint32 login, quint16 seq, const QByteArray &payload)
{
    QByteArray d(Frame::kHeaderSize, '\0');
    auto *p = reinterpret_cast<quint8 *>(d.data());
    WriteU16(p, static_cast<quint16>(payload.size() + 10));
    p[2] = 1;
    WriteU16(p + 3, type);
    WriteU32(p + 5, login);
    WriteU16(p + 9, seq);
    d += payload;
    d.append(
        static_cast<char>(~ByteSum(reinterpret_cast<const quint8 *>(d.constData()), d.size())));
    return d;
}

// The admin's login (admin/admin) as a bare datagram.
inline QByteArray RawAdminLogin()
{
    return RawRequest(kMsgAuthentication, 0, 1,
                      QByteArray("\x05"
                                 "admin"
                                 "\x05"
                                 "admin",
                                 12));
}

// The value at quantile q (0 to 1) of the samples.
inline double Percentile(std::vector<double> v, double q)
{
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(q * static_cast<double>(v.size() - 1))];
}

inline double Median(const std::vector<double> &v)
{
    return Percentile(v, 0.5);
}

// Round trips of GetAlarmInfo from a bare socket to the device at `device`
// (host-order address), after logging in as admin/admin and 500 warm-up
// requests, in microseconds; empty when the device does not answer.
inline std::vector<double> BareAlarmInfoRoundTrips(quint32 device, int count)
{
    UdpSocket socket;
    socket.Open();
    const UdpSocket::Peer to{device, kDevicePort};
    quint8 buffer[2048];
    UdpSocket::Peer from;
    const QByteArray auth = RawAdminLogin();
    socket.SendTo(to, reinterpret_cast<const quint8 *>(auth.constData()), auth.size());
    if (socket.ReceiveFrom(buffer, sizeof buffer, 2000, &from) != 16) {
        return {};
    }
    const quint32 login = ReadU32(buffer + Frame::kHeaderSize);
    std::vector<double> micros;
    micros.reserve(static_cast<size_t>(count));
    QElapsedTimer clock;
    for (int i = 0; i < count + 500; ++i) {
        const QByteArray request =
            RawRequest(kMsgGetAlarmInfo, login, static_cast<quint16>(i + 2), {});
        clock.start();
        socket.SendTo(to, reinterpret_cast<const quint8 *>(request.constData()), request.size());
        if (socket.ReceiveFrom(buffer, sizeof buffer, 2000, &from) < 0) {
            return {};
        }
        if (i >= 500) {  // the first ones warm caches and the scheduler
            micros.push_back(static_cast<double>(clock.nsecsElapsed()) / 1000.0);
        }
    }
    return micros;
}

// This process's resident memory in KiB (VmRSS), or -1.
inline long ResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLong();
        }
    }
    return -1;
}

// The longest gap between the ticks of a 1 ms timer on the user-interface
// thread: how long the window could not react to anything.
class StallMeter final
{
public:
    StallMeter()
    {
        m_tick.setTimerType(Qt::PreciseTimer);
        m_tick.setInterval(1);
        QObject::connect(&m_tick, &QTimer::timeout, [this] { Tick(); });
    }
    // Runs `start` from the event loop and keeps the loop going until
    // `done`; returns the longest stall meanwhile, in milliseconds.
    double Measure(const std::function<void()> &start, const std::function<bool()> &done)
    {
        m_worst = 0;
        m_clock.start();
        m_last = 0;
        m_tick.start();
        QEventLoop loop;
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, [&] {
            if (done()) {
                loop.quit();
            }
        });
        check.start(2);
        QTimer::singleShot(0, start);
        loop.exec();
        m_tick.stop();
        Tick();
        return m_worst;
    }

private:
    void Tick()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_worst = std::max(m_worst, static_cast<double>(now - m_last) / 1e6);
        m_last = now;
    }

    QTimer m_tick;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    double m_worst = 0;
};
