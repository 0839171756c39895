// The device link's own cost, against qvt-devsim on loopback. Not a test: run
//   build/bin/bench_link [requests]
// and keep docs/PERFORMANCE.md in step with what it prints.
//  1. GetAlarmInfo through CfgNetClient against the same request from a bare
//     socket: medians and their ratio.
//  2. One status poll: the seven transactions the status page's poll makes.
//  3. Notifications: how many a second the receiver takes before the kernel
//     starts to drop datagrams.

#include "BenchCommon.h"
#include "CfgNetClient.h"
#include "DeviceSimulator.h"
#include "Message.h"
#include "NoticesServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <vector>

namespace {
const QString kDevice = QStringLiteral("127.0.9.2");
constexpr quint16 kNotifyPort = 40902;

double ClientRoundTrip(CfgNetClient &client, int count)
{
    std::vector<double> micros;
    QVector<AlarmType> video;
    QVector<quint16> lost, silent;
    SystemAlarm system = 0;
    const QVector<quint8> map = {0, 1, 2, 3};
    QElapsedTimer clock;
    for (int i = 0; i < count + 500; ++i) {
        clock.start();
        if (client.GetAlarmInfo(map, video, lost, silent, system) != 0) {
            return -1;
        }
        if (i >= 500) {
            micros.push_back(clock.nsecsElapsed() / 1000.0);
        }
    }
    return Median(micros);
}

// The seven transactions of one status poll, as the worker makes them.
double StatusPass(CfgNetClient &client, int passes)
{
    std::vector<double> micros;
    QElapsedTimer clock;
    for (int i = 0; i < passes; ++i) {
        clock.start();
        DetectionParam param;
        for (int input = 0; input < 4; ++input) {
            client.GetDetectionParam(input, param);
        }
        SystemAlarm enables = 0;
        client.GetSystemAlarmParam(enables);
        QVector<alarmTrigger> triggers;
        client.GetAutoSwitchTrigger(triggers);
        QVector<AlarmType> video;
        QVector<quint16> lost, silent;
        SystemAlarm system = 0;
        client.GetAlarmInfo({0, 1, 2, 3}, video, lost, silent, system);
        micros.push_back(clock.nsecsElapsed() / 1000.0);
    }
    return Median(micros);
}
}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1000, atoi(argv[1])) : 20000;

    DeviceSimulator::Options options;
    options.address = kDevice;
    options.notify[0] = {0x7F000001, kNotifyPort};
    DeviceSimulator device(options);
    if (!device.Start()) {
        std::fprintf(stderr, "cannot start the simulator on %s\n", qPrintable(kDevice));
        return 1;
    }
    CfgNetClient client;
    client.Open(kDevice, kDevicePort);
    client.SetUser(0, QStringLiteral("admin"));
    if (client.Login() != 0) {
        std::fprintf(stderr, "login failed\n");
        return 1;
    }

    const std::vector<double> bareSamples = BareAlarmInfoRoundTrips(0x7F000902, count);
    if (bareSamples.empty()) {
        std::fprintf(stderr, "the bare socket got no answer\n");
        return 1;
    }
    const double bare = Median(bareSamples);
    const double viaClient = ClientRoundTrip(client, count);
    std::printf("GetAlarmInfo round trip, median of %d:\n", count);
    std::printf("  bare socket     %.1f us\n", bare);
    std::printf("  CfgNetClient    %.1f us  (ratio %.2f, +%.0f %%)\n", viaClient, viaClient / bare,
                100.0 * (viaClient / bare - 1.0));
    std::printf("status poll (7 transactions), median of 2000: %.1f us\n",
                StatusPass(client, 2000));

    // Notifications: the simulator floods at rising rates; count what arrives.
    NoticeRoute route;
    NoticesServer server;
    server.Attach(&route, kDevice, 50002);
    std::atomic<int> received{0};
    QObject::connect(
        &route, &NoticeRoute::NotityAlarmInfo, &server, [&received](AlarmInfo) { ++received; },
        Qt::DirectConnection);
    server.Start(kNotifyPort);
    std::printf("Notifications (receive buffer %d bytes):\n", server.ReceiveBufferSize());
    for (int rate : {2000, 10000, 50000, 100000, 200000, 400000}) {
        const int sent = std::min(rate, 100000);  // about half a second to one second of them
        received = 0;
        device.Command(QStringLiteral("flood %1 %2").arg(sent).arg(rate));
        QElapsedTimer clock;
        clock.start();
        int last = -1;
        while (received != last || clock.elapsed() < 1000 * sent / rate + 300) {
            last = received;
            QThread::msleep(200);
        }
        std::printf("  %6d/s: %6d of %6d received (%.2f %% lost)\n", rate, received.load(), sent,
                    100.0 * (sent - received) / sent);
    }
    server.Stop();
    return 0;
}
