// qvt-monitord watching a whole simulated station: a `qvt-devsim --fleet`
// process and the service as processes of their own, the service polling
// every device once a second as guest. Measures the service's processor time
// and memory at rest, a /metrics scrape, a notification's way to /probe, and
// a notification storm counted against the events the service logged; or,
// with --loss, a long run on a lossy link (every device loses a tenth of its
// answers) with alarms raised and cleared and one device taken offline. Not
// a test: run it by hand,
//   build/bin/bench_monitord [devices] [notifications a second] [seconds]
//   build/bin/bench_monitord --loss [devices] [seconds]
// and keep docs/PERFORMANCE.md in step with what it prints.

#include "MonitordBench.h"

#include <QCoreApplication>
#include <QProcessEnvironment>
#include <QTemporaryDir>

using namespace MonitordBench;

namespace {
// Targets on 2 shared cores; up to 256 devices, then up to 1,024.
constexpr double kCpuTarget = 25;  // % of one core, at rest
constexpr double kResidentTargetMiB[2] = {150, 300};
constexpr double kScrapeTargetMs[2] = {20, 50};  // median of /metrics
constexpr double kProbeTargetMs = 2;             // median of /probe
constexpr double kNoticeTargetMs = 50;           // median, notification to /probe
constexpr int kCpuSeconds = 20;
constexpr int kScrapes = 100;
constexpr int kTrials = 50;
constexpr int kPs1Bit = 15;

void PrintMs(const char *what, const std::vector<double> &ms, double target)
{
    std::printf("%-44s median %7.2f ms  p95 %7.2f ms  worst %7.2f ms", what, Median(ms),
                Percentile(ms, 0.95), Percentile(ms, 1));
    if (target > 0) {
        std::printf("   target < %g ms: %s", target, Verdict(Median(ms) < target));
    }
    std::printf("\n");
}
}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool loss = argc > 1 && QByteArray(argv[1]) == "--loss";
    if (loss) {
        --argc;
        ++argv;
    }
    const int devices = argc > 1 ? std::clamp(atoi(argv[1]), 1, 1024) : loss ? 16 : 256;
    const int rate = loss ? 0 : argc > 2 ? std::max(1, atoi(argv[2])) : 1000;
    const int seconds = loss ? (argc > 2 ? std::max(30, atoi(argv[2])) : 600)
                             : (argc > 3 ? std::max(1, atoi(argv[3])) : 10);
    const int big = devices > 256 ? 1 : 0;
    const QString bin = QCoreApplication::applicationDirPath();
    QTemporaryDir dir;
    const QString logs = dir.filePath(QStringLiteral("logs"));
    const quint32 first = TestLoopback({kDevicePort}, devices);
    const quint16 notifyPort = FreeUdpPort();
    const quint16 httpPort = FreeTcpPort();

    // The configuration as a station would write it; the password comes
    // from the environment.
    QByteArray conf = "listen = 127.0.0.1:" + QByteArray::number(httpPort) +
                      "\nnotify-port = " + QByteArray::number(notifyPort) +
                      "\nlogs = " + logs.toUtf8() + "\npoll = 1\nuser = guest\n";
    for (int k = 0; k < devices; ++k) {
        conf += "\n[device " + DeviceName(k) +
                "]\naddress = " + LoopbackText(first + quint32(k)).toLatin1() + '\n';
    }
    QFile confFile(dir.filePath(QStringLiteral("monitord.conf")));
    if (!confFile.open(QIODevice::WriteOnly) || confFile.write(conf) != conf.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(confFile.fileName()));
        return 1;
    }
    confFile.close();
    confFile.setPermissions(QFile::ReadOwner | QFile::WriteOwner);

    Child fleet;
    Ender endFleet{fleet};
    fleet.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    fleet.start(bin + QStringLiteral("/qvt-devsim"),
                {QStringLiteral("--address"), LoopbackText(first), QStringLiteral("--fleet"),
                 QString::number(devices), QStringLiteral("--notify"),
                 QStringLiteral("127.0.0.1:%1").arg(notifyPort)});
    const QByteArray ready = Answer(fleet, 30000);
    if (!ready.startsWith("ready")) {
        std::fprintf(stderr, "qvt-devsim --fleet %d did not start\n", devices);
        return 1;
    }

    Child monitor;
    Ender endMonitor{monitor};
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QVT_PASSWORD"), QStringLiteral("guest"));
    env.remove(QStringLiteral("JOURNAL_STREAM"));
    monitor.setProcessEnvironment(env);
    const QString monitorLog = dir.filePath(QStringLiteral("monitord.log"));
    monitor.setStandardOutputFile(monitorLog);
    monitor.setStandardErrorFile(monitorLog);
    QElapsedTimer clock;
    clock.start();
    monitor.start(bin + QStringLiteral("/qvt-monitord"),
                  {QStringLiteral("--config"), confFile.fileName()});
    const qint64 pid = monitor.processId();
    const auto tellLog = [&] {
        QFile log(monitorLog);
        log.open(QIODevice::ReadOnly);
        std::fprintf(stderr, "qvt-monitord said:\n%s\n", log.readAll().right(3000).constData());
    };

    // Ready: every device logged in, answering, and sending its
    // notifications to the service.
    const bool allUp = Await(60000, [&] {
        const Reply r = Get(httpPort, "/metrics");
        if (r.status != 200) {
            return false;
        }
        int up = 0, routed = 0;
        for (const QByteArray &v : Samples(r.body, "qvt_up{")) {
            up += v == "1";
        }
        for (const QByteArray &v : Samples(r.body, "qvt_notification_route_ok{")) {
            routed += v == "1";
        }
        return up == devices && routed == devices;
    });
    if (!allUp) {
        std::fprintf(stderr, "qvt-monitord: not every device up and routed within 60 s\n");
        tellLog();
        return 1;
    }
    const double readyS = double(clock.elapsed()) / 1000;
    if (loss) {
        const int status = RunLoss(fleet, httpPort, logs, devices, seconds);
        Send(fleet, "quit");
        fleet.waitForFinished(5000);
        return status;
    }

    // At rest: polls only.
    QThread::sleep(2);
    double cpu = CpuSeconds(pid), fleetCpu = CpuSeconds(fleet.processId());
    clock.restart();
    QThread::sleep(kCpuSeconds);
    const double wall = double(clock.elapsed()) / 1000;
    const double restCpu = (CpuSeconds(pid) - cpu) * 100 / wall;
    const double fleetRestCpu = (CpuSeconds(fleet.processId()) - fleetCpu) * 100 / wall;
    const double residentMiB = double(StatusField(pid, "VmRSS")) / 1024;
    const long threads = StatusField(pid, "Threads");
    const int openFiles = int(
        QDir(QStringLiteral("/proc/%1/fd").arg(pid)).entryList(QDir::Files | QDir::System).size());

    // Scrapes, each a connection of its own as Prometheus makes them.
    std::vector<double> scrapeMs, probeMs;
    QByteArray body;
    for (int i = 0; i < kScrapes; ++i) {
        const Reply r = Get(httpPort, "/metrics");
        if (r.status != 200) {
            std::fprintf(stderr, "/metrics answered %d\n", r.status);
            return 1;
        }
        scrapeMs.push_back(r.ms);
        body = r.body;
    }
    Reply probe;
    for (int i = 0; i < kScrapes; ++i) {
        probe = Get(httpPort, "/probe?target=" + DeviceName(i % devices));
        probeMs.push_back(probe.ms);
    }

    // The console alone: a status read, command to answer.
    std::vector<double> consoleMs;
    for (int i = 0; i < 20; ++i) {
        clock.restart();
        Send(fleet, "@" + QByteArray::number(i % devices) + " status");
        Answer(fleet, 2000);
        consoleMs.push_back(double(clock.nsecsElapsed()) / 1e6);
    }

    // Notification to /probe: power supply 1 fails on a device drawn at
    // random, after an idle drawn at random so that the notification falls
    // anywhere in the device's poll period.
    std::vector<double> noticeMs;
    for (int trial = 0; trial < kTrials; ++trial) {
        const int k = int(LoopbackRandom().bounded(devices));
        const QByteArray path = "/probe?target=" + DeviceName(k);
        const QByteArray ps1 = Series("qvt_system_alarm", k, ",alarm=\"PS1 Fail\"");
        const auto shows = [&](const char *value) {
            const Reply r = Get(httpPort, path);
            return Samples(r.body, "qvt_system_alarm{").value(ps1) == value;
        };
        QThread::msleep(LoopbackRandom().bounded(300));
        clock.restart();
        Send(fleet, "@" + QByteArray::number(k) + " system " + QByteArray::number(kPs1Bit) + " on");
        bool seen = false;
        while (!(seen = shows("1")) && clock.elapsed() < 3000) {
        }
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        const QByteArray said = Answer(fleet, 2000);
        if (!seen || !said.startsWith("ok")) {
            std::fprintf(stderr, "trial %d, device %d: '%s', %s within 3 s\n", trial, k,
                         said.constData(), seen ? "seen" : "not seen");
            tellLog();
            return 1;
        }
        noticeMs.push_back(ms);
        Send(fleet,
             "@" + QByteArray::number(k) + " system " + QByteArray::number(kPs1Bit) + " off");
        Answer(fleet, 2000);
        if (!Await(3000, [&] { return shows("0"); })) {
            std::fprintf(stderr, "device %d: PS1 Fail not cleared within 3 s\n", k);
            return 1;
        }
    }

    // The storm: every notification must become one logged event.
    const qint64 eventsBefore = EventSum(httpPort, devices);
    const qint64 ps2RowsBefore = CsvRows(logs, "PS2 Fail");
    const qint64 lostRowsBefore = CsvRows(logs, "Connection Lost");
    cpu = CpuSeconds(pid);
    fleetCpu = CpuSeconds(fleet.processId());
    clock.restart();
    Send(fleet, "storm " + QByteArray::number(rate) + ' ' + QByteArray::number(seconds));
    const QByteArray storm = Answer(fleet, seconds * 1000 + 60000);
    const double stormS = double(clock.elapsed()) / 1000;
    const double stormCpu = (CpuSeconds(pid) - cpu) * 100 / stormS;
    const double fleetStormCpu = (CpuSeconds(fleet.processId()) - fleetCpu) * 100 / stormS;
    const qint64 sent = storm.startsWith("ok sent ") ? storm.split(' ').value(2).toLongLong() : -1;
    if (sent < 0) {
        std::fprintf(stderr, "storm: '%s'\n", storm.constData());
        return 1;
    }
    // Received once the count reaches what was sent, or stops moving for 3 s.
    clock.restart();
    qint64 received = 0, last = -1;
    QElapsedTimer still;
    still.start();
    while (clock.elapsed() < 30000) {
        received = EventSum(httpPort, devices) - eventsBefore;
        if (received >= sent) {
            break;
        }
        if (received != last) {
            last = received;
            still.restart();
        } else if (still.elapsed() > 3000) {
            break;
        }
        QThread::msleep(50);
    }
    const double settleMs = double(clock.elapsed());
    const qint64 ps2Rows = CsvRows(logs, "PS2 Fail") - ps2RowsBefore;
    const qint64 lostRows = CsvRows(logs, "Connection Lost") - lostRowsBefore;
    // Each device's PS2 Fail, as the service shows it, agrees with the
    // number of flips the fleet made on it.
    const Reply after = Get(httpPort, "/metrics");
    const QHash<QByteArray, QByteArray> system = Samples(after.body, "qvt_system_alarm{");
    const QHash<QByteArray, QByteArray> dropped =
        Samples(after.body, "qvt_notifications_dropped_total{");
    int disagree = 0;
    for (int k = 0; k < devices; ++k) {
        const qint64 flips = sent / devices + (k < sent % devices ? 1 : 0);
        const QByteArray want = flips % 2 ? "1" : "0";
        disagree += system.value(Series("qvt_system_alarm", k, ",alarm=\"PS2 Fail\"")) != want;
    }

    const double afterMiB = double(StatusField(pid, "VmRSS")) / 1024;
    const double peakMiB = double(StatusField(pid, "VmHWM")) / 1024;
    Send(fleet, "quit");
    fleet.waitForFinished(5000);
    monitor.terminate();
    const bool stopped = monitor.waitForFinished(10000) && monitor.exitCode() == 0;

    std::printf("qvt-monitord watching qvt-devsim --fleet %d (%s), poll 1 s, guest:\n", devices,
                qPrintable(LoopbackText(first)));
    std::printf("  every device up and routed %.1f s after the start; %ld threads, %d open files\n",
                readyS, threads, openFiles);
    std::printf("At rest, over %.0f s:\n", wall);
    std::printf("  service's CPU        %6.2f %% of one core   target < %g %%: %s\n", restCpu,
                kCpuTarget, Verdict(restCpu < kCpuTarget));
    std::printf("  service's resident   %6.1f MiB            target < %g MiB: %s\n", residentMiB,
                kResidentTargetMiB[big], Verdict(residentMiB < kResidentTargetMiB[big]));
    std::printf("  fleet's CPU          %6.2f %% of one core\n", fleetRestCpu);
    std::printf("Scrapes (%d each, a connection each):\n", kScrapes);
    PrintMs("  /metrics", scrapeMs, kScrapeTargetMs[big]);
    std::printf("    %d bytes, %d series\n", body.size(), SeriesCount(body));
    PrintMs("  /probe?target=NAME", probeMs, kProbeTargetMs);
    std::printf("    %d bytes, %d series\n", probe.body.size(), SeriesCount(probe.body));
    std::printf("Notification to /probe (%d trials, '@K system 15 on' to PS1 Fail 1):\n", kTrials);
    PrintMs("  console write to value seen", noticeMs, kNoticeTargetMs);
    PrintMs("  of which the console's round trip, about", consoleMs, 0);
    std::printf("Storm of %d a second for %d s ('%s'):\n", rate, seconds, storm.constData());
    std::printf(
        "  sent %lld, events counted %lld (%lld lost), %lld PS2 Fail rows, %lld "
        "Connection Lost rows; counted within %.0f ms of the storm's end\n",
        sent, received, sent - received, ps2Rows, lostRows, settleMs);
    std::printf(
        "  dropped by the service: %s unknown sender, %s malformed; PS2 Fail states "
        "disagreeing with the flips: %d\n",
        dropped.value("qvt_notifications_dropped_total{reason=\"unknown_sender\"}").constData(),
        dropped.value("qvt_notifications_dropped_total{reason=\"malformed\"}").constData(),
        disagree);
    std::printf("  service's CPU during the storm %.2f %%, fleet's %.2f %% of one core\n", stormCpu,
                fleetStormCpu);
    std::printf("  service's resident after it %.1f MiB, peak since the start %.1f MiB\n", afterMiB,
                peakMiB);
    std::printf("  none lost: %s\n", Verdict(received == sent && ps2Rows == sent && lostRows == 0));
    std::printf("qvt-monitord stopped with status 0 on SIGTERM: %s\n", stopped ? "yes" : "NO");
    return 0;
}
