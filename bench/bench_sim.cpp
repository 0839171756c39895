// Round trip of one request to qvt-devsim on loopback: how long the simulated
// device takes to answer, seen from a bare socket. Not a test: run it by hand,
//   build/bin/bench_sim [requests]
// and keep docs/PERFORMANCE.md in step with what it prints.

#include "BenchCommon.h"
#include "DeviceSimulator.h"
#include "Message.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {}  // namespace

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
    const QByteArray auth = RawRequest(kMsgAuthentication, 0, 1,
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
            RawRequest(kMsgGetAlarmInfo, login, static_cast<quint16>(i + 2), {});
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
