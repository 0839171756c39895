// A qvt-devsim fleet as a monitoring service sees it: the processor time the
// fleet takes idle, then while every device is polled once a second (five
// requests each) and the fleet storms alarm notifications. Not a test: run it
// by hand,
//   build/bin/bench_fleet [devices] [notifications a second] [seconds]
// and keep docs/PERFORMANCE.md in step with what it prints.

#include "../tests/common/FreeLoopback.h"
#include "BenchCommon.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <atomic>
#include <cstdio>
#include <thread>

namespace {
// Processor seconds the process has used, user and system.
double CpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    stat.open(QIODevice::ReadOnly);
    const QList<QByteArray> fields = stat.readAll().split(')').last().trimmed().split(' ');
    return double(fields.value(11).toLongLong() + fields.value(12).toLongLong()) /
           double(sysconf(_SC_CLK_TCK));
}

// Counts datagrams on `socket` (answers whose result is 0, or any) until `stop`.
void Count(UdpSocket &socket, bool answers, const std::atomic<bool> &stop, std::atomic<int> &count)
{
    quint8 buffer[2048];
    UdpSocket::Peer from;
    while (!stop) {
        const int size = socket.ReceiveFrom(buffer, sizeof buffer, 100, &from);
        if (size >= Frame::kMinSize && (!answers || ReadU32(buffer + Frame::kLoginIdOffset) == 0)) {
            ++count;
        }
    }
}
}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int devices = argc > 1 ? std::clamp(atoi(argv[1]), 1, 1024) : 256;
    const int rate = argc > 2 ? std::max(1, atoi(argv[2])) : 1000;
    const int seconds = argc > 3 ? std::max(1, atoi(argv[3])) : 10;
    const quint32 first = TestLoopback({kDevicePort}, devices);
    const quint16 port = FreeUdpPort();
    UdpSocket notes, polls;
    notes.Open();
    notes.Bind(0x7F000001, port);
    notes.SetReceiveBufferSize(4 << 20);
    polls.Open();
    polls.SetReceiveBufferSize(4 << 20);

    QProcess fleet;
    fleet.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    fleet.start(QCoreApplication::applicationDirPath() + QStringLiteral("/qvt-devsim"),
                {QStringLiteral("--address"), LoopbackText(first), QStringLiteral("--fleet"),
                 QString::number(devices), QStringLiteral("--notify"),
                 QStringLiteral("127.0.0.1:%1").arg(port)});
    if (!fleet.waitForReadyRead(20000) || !fleet.readLine().startsWith("ready")) {
        std::fprintf(stderr, "qvt-devsim --fleet %d did not start\n", devices);
        return 1;
    }
    QThread::sleep(2);
    double cpu = CpuSeconds(fleet.processId());
    QThread::sleep(10);
    const double idle = (CpuSeconds(fleet.processId()) - cpu) * 10;  // % over 10 s

    std::vector<quint32> logins;
    quint8 buffer[2048];
    UdpSocket::Peer from;
    for (int k = 0; k < devices; ++k) {
        const QByteArray auth = RawAdminLogin();
        polls.SendTo({first + quint32(k), kDevicePort},
                     reinterpret_cast<const quint8 *>(auth.constData()), auth.size());
        if (polls.ReceiveFrom(buffer, sizeof buffer, 2000, &from) != 16) {
            std::fprintf(stderr, "no login on device %d\n", k);
            return 1;
        }
        logins.push_back(ReadU32(buffer + Frame::kHeaderSize));
    }

    std::atomic<bool> stop{false};
    std::atomic<int> answered{0}, received{0};
    std::thread answers(Count, std::ref(polls), true, std::cref(stop), std::ref(answered));
    std::thread notifications(Count, std::ref(notes), false, std::cref(stop), std::ref(received));
    fleet.write(QStringLiteral("storm %1 %2\n").arg(rate).arg(seconds).toUtf8());
    cpu = CpuSeconds(fleet.processId());
    QElapsedTimer clock;
    clock.start();
    const quint16 kinds[] = {kMsgGetAlarmInfo, kMsgGetInputState, kMsgGetGPIOState, kMsgGetWorkMode,
                             kMsgGetProductInfo};
    int sent = 0;
    for (int second = 0; second < seconds; ++second) {
        for (int k = 0; k < devices; ++k) {
            for (const quint16 kind : kinds) {
                const QByteArray r = RawRequest(kind, logins[size_t(k)], quint16(++sent), {});
                polls.SendTo({first + quint32(k), kDevicePort},
                             reinterpret_cast<const quint8 *>(r.constData()), r.size());
            }
        }
        QThread::msleep(quint64(std::max<qint64>(0, (second + 1) * 1000 - clock.elapsed())));
    }
    fleet.waitForReadyRead(10000);
    const QByteArray storm = fleet.readLine().trimmed();
    const double busy = (CpuSeconds(fleet.processId()) - cpu) * 100000 / double(clock.elapsed());
    QThread::msleep(500);
    stop = true;
    answers.join();
    notifications.join();
    fleet.write("quit\n");
    fleet.waitForFinished(5000);

    std::printf("qvt-devsim --fleet %d, share of one core:\n", devices);
    std::printf("  idle over 10 s                      %6.2f %%\n", idle);
    std::printf("  polled and storming over %2d s       %6.2f %%\n", seconds, busy);
    std::printf("polls: %d requests, %d answered\n", sent, answered.load());
    std::printf("storm of %d a second: '%s', %d received\n", rate, storm.constData(),
                received.load());
    return 0;
}
