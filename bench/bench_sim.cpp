// Round trip of one request to qvt-devsim on loopback: how long the simulated
// device takes to answer, seen from a bare socket. Not a test: run it by hand,
//   build/bin/bench_sim [requests]
// and keep docs/PERFORMANCE.md in step with what it prints.

#include "DeviceSimulator.h"
#include "Message.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
QByteArray Request(quint16 type, quint32 login, quint16 seq, const QByteArray &payload)
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

double Percentile(std::vector<double> v, double q)
{
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(q * (v.size() - 1))];
}
}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(100, atoi(argv[1])) : 20000;

    DeviceSimulator::Options options;
    options.address = QStringLiteral("127.0.9.1");
    options.notify[0] = {0, 0};
    DeviceSimulator device(options);
    if (!device.Start()) {
        std::fprintf(stderr, "cannot start the simulator on 127.0.9.1\n");
        return 1;
    }
    UdpSocket socket;
    socket.Open();
    const UdpSocket::Peer to{0x7F000901, kDevicePort};
    quint8 buffer[2048];

    // Log in once, then time GetAlarmInfo (37-byte payload) as the status page polls it.
    const QByteArray auth = Request(kMsgAuthentication, 0, 1,
                                    QByteArray("\x05"
                                               "admin"
                                               "\x05"
                                               "admin",
                                               12));
    socket.SendTo(to, reinterpret_cast<const quint8 *>(auth.constData()), auth.size());
    UdpSocket::Peer from;
    if (socket.ReceiveFrom(buffer, sizeof buffer, 2000, &from) != 16) {
        std::fprintf(stderr, "login failed\n");
        return 1;
    }
    const quint32 login = ReadU32(buffer + Frame::kHeaderSize);

    std::vector<double> micros;
    micros.reserve(static_cast<size_t>(count));
    QElapsedTimer clock;
    for (int i = 0; i < count + 500; ++i) {
        const QByteArray request =
            Request(kMsgGetAlarmInfo, login, static_cast<quint16>(i + 2), {});
        clock.start();
        socket.SendTo(to, reinterpret_cast<const quint8 *>(request.constData()), request.size());
        if (socket.ReceiveFrom(buffer, sizeof buffer, 2000, &from) < 0) {
            std::fprintf(stderr, "no answer to request %d\n", i);
            return 1;
        }
        if (i >= 500) {  // the first ones warm caches and the scheduler
            micros.push_back(clock.nsecsElapsed() / 1000.0);
        }
    }
    std::printf("GetAlarmInfo round trip to qvt-devsim over loopback, %d requests:\n", count);
    std::printf("  median %.1f us, p90 %.1f us, p99 %.1f us, max %.1f us\n",
                Percentile(micros, 0.5), Percentile(micros, 0.9), Percentile(micros, 0.99),
                Percentile(micros, 1.0));
    return 0;
}
