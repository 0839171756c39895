// qvt-monitord's SNMP subagent at station size: a `qvt-devsim --fleet`, a
// net-snmp snmpd as master agent with its AgentX socket in a temporary
// folder, an snmptrapd as its trap sink, and the service, each a process of
// its own, the service polling every device once a second as guest. Not a
// test: run it by hand,
//   build/bin/bench_snmp [devices]
// (default 256) and keep docs/PERFORMANCE.md in step with what it prints.
//  1. snmpwalk of qvtDeviceTable (target: under 1 s).
//  2. snmpwalk of qvtActiveAlarmTable with 1,000 and more active alarms.
//  3. From a notification datagram (a power supply failing on a switch
//     drawn at random) to the trap snmptrapd prints (target: under 100 ms
//     at the median).
//  4. The service's processor time at rest and a /metrics scrape with the
//     subagent on, then the same with a service without it.

#include "MonitordBench.h"

#include <QCoreApplication>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace MonitordBench;

namespace {
constexpr int kWalks = 10;
constexpr int kTrials = 50;
constexpr int kPs1Bit = 15;
constexpr int kCpuSeconds = 20;

QString Program(const QString &name)
{
    return QStandardPaths::findExecutable(name, {"/usr/sbin", "/usr/bin"});
}

struct Walked {
    double ms = 0;
    int lines = 0;
};

Walked Walk(const QString &mibs, const QString &agent, const QString &object)
{
    QProcess walk;
    QElapsedTimer clock;
    clock.start();
    walk.start(Program("snmpwalk"),
               {"-v2c", "-c", "public", "-M", mibs, "-m", "QVT-MONITOR-MIB", agent, object});
    walk.waitForFinished(60000);
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    return {ms, int(walk.readAllStandardOutput().count('\n'))};
}

void PrintMs(const char *what, const std::vector<double> &ms, double target)
{
    std::printf("%-52s median %8.1f ms  worst %8.1f ms", what, Median(ms), Percentile(ms, 1));
    if (target > 0) {
        std::printf("   target < %g ms: %s", target, Verdict(Median(ms) < target));
    }
    std::printf("\n");
}

// The service's CPU at rest (% of one core) and its /metrics scrapes.
std::pair<double, std::vector<double>> AtRest(qint64 pid, quint16 httpPort)
{
    QThread::sleep(2);
    const double cpu = CpuSeconds(pid);
    QElapsedTimer clock;
    clock.start();
    QThread::sleep(kCpuSeconds);
    const double rest = (CpuSeconds(pid) - cpu) * 100 * 1000 / double(clock.elapsed());
    std::vector<double> scrapes;
    for (int i = 0; i < 50; ++i) {
        scrapes.push_back(Get(httpPort, "/metrics").ms);
    }
    return {rest, scrapes};
}
}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int devices = argc > 1 ? std::clamp(atoi(argv[1]), 1, 1024) : 256;
    for (const char *tool : {"snmpd", "snmptrapd", "snmpwalk"}) {
        if (Program(tool).isEmpty()) {
            std::fprintf(stderr, "%s is not installed (Debian packages snmpd snmptrapd snmp)\n",
                         tool);
            return 1;
        }
    }
    const QString bin = QCoreApplication::applicationDirPath();
    const QString source = QStringLiteral(QVT_SOURCE_DIR);
    const QString mibs = source + "/tests/monitor/data/smi:" + source + "/deploy/snmp";
    QTemporaryDir dir;
    const quint32 first = TestLoopback({kDevicePort}, devices);
    const quint16 notifyPort = FreeUdpPort();
    const quint16 snmpPort = FreeUdpPort(), trapPort = FreeUdpPort();
    const QString agent = QStringLiteral("127.0.0.1:%1").arg(snmpPort);
    const QString socket = dir.filePath("agentx.sock");

    QFile snmpdConf(dir.filePath("snmpd.conf"));
    snmpdConf.open(QIODevice::WriteOnly);
    snmpdConf.write(QStringLiteral("agentaddress udp:127.0.0.1:%1\nmaster agentx\n"
                                   "agentXSocket %2\nrocommunity public 127.0.0.0/8\n"
                                   "trap2sink 127.0.0.1:%3 public\n")
                        .arg(snmpPort)
                        .arg(socket)
                        .arg(trapPort)
                        .toUtf8());
    snmpdConf.close();
    QFile trapConf(dir.filePath("snmptrapd.conf"));
    trapConf.open(QIODevice::WriteOnly);
    trapConf.write("disableAuthorization yes\n");
    trapConf.close();
    QProcessEnvironment snmpEnv = QProcessEnvironment::systemEnvironment();
    snmpEnv.insert("SNMP_PERSISTENT_DIR", dir.filePath("snmp-state"));
    Child snmpd, snmptrapd;
    Ender endSnmpd{snmpd}, endTrapd{snmptrapd};
    snmpd.setProcessEnvironment(snmpEnv);
    snmpd.start(Program("snmpd"), {"-f", "-Lf", dir.filePath("snmpd.log"), "-C", "-c",
                                   snmpdConf.fileName(), "-M", mibs, "-m", "QVT-MONITOR-MIB"});
    // snmptrapd prints each trap on standard output as it takes it.
    snmptrapd.setProcessEnvironment(snmpEnv);
    snmptrapd.start(Program("snmptrapd"),
                    {"-f", "-Lo", "-C", "-c", trapConf.fileName(), "-M", mibs, "-m",
                     "QVT-MONITOR-MIB", QStringLiteral("udp:127.0.0.1:%1").arg(trapPort)});
    if (!Await(10000, [&] { return QFile::exists(socket); })) {
        std::fprintf(stderr, "snmpd did not start\n");
        return 1;
    }

    Child fleet;
    Ender endFleet{fleet};
    if (!StartFleet(fleet, bin, first, devices, notifyPort)) {
        return 1;
    }

    // The service, with the subagent and then without.
    const auto startService = [&](Child &monitor, bool snmp, quint16 httpPort) {
        QByteArray conf = "listen = 127.0.0.1:" + QByteArray::number(httpPort) +
                          "\nnotify-port = " + QByteArray::number(notifyPort) +
                          "\nlogs = " + dir.filePath("logs").toUtf8() +
                          "\npoll = 1\nuser = guest\nsnapshot = 0\n";
        if (snmp) {
            conf += "agentx = " + socket.toUtf8() + '\n';
        }
        for (int k = 0; k < devices; ++k) {
            conf += "\n[device " + DeviceName(k) +
                    "]\naddress = " + LoopbackText(first + quint32(k)).toLatin1() + '\n';
        }
        QFile file(dir.filePath(snmp ? "snmp.conf" : "plain.conf"));
        file.open(QIODevice::WriteOnly);
        file.write(conf);
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QVT_PASSWORD", "guest");
        monitor.setProcessEnvironment(env);
        monitor.setStandardOutputFile(dir.filePath("monitord.log"));
        monitor.setStandardErrorFile(dir.filePath("monitord.log"));
        monitor.start(bin + "/qvt-monitord", {"--config", file.fileName()});
        return Await(60000, [&] {
            int up = 0;
            for (const QByteArray &v : Samples(Get(httpPort, "/metrics").body, "qvt_up{")) {
                up += v == "1";
            }
            return up == devices;
        });
    };
    const quint16 httpPort = FreeTcpPort();
    Child monitor;
    Ender endMonitor{monitor};
    if (!startService(monitor, true, httpPort) || !Await(10000, [&] {
            return Get(httpPort, "/metrics").body.contains("\nqvt_agentx_connected 1\n");
        })) {
        std::fprintf(stderr, "qvt-monitord: not every device up, or no AgentX, in time\n");
        return 1;
    }
    std::printf("%d devices, the service polling each once a second\n\n", devices);

    std::vector<double> deviceWalks;
    int deviceLines = 0;
    for (int i = 0; i < kWalks; ++i) {
        const Walked w = Walk(mibs, agent, "qvtDeviceTable");
        deviceWalks.push_back(w.ms);
        deviceLines = w.lines;
    }
    PrintMs(qPrintable(QStringLiteral("snmpwalk qvtDeviceTable (%1 values)").arg(deviceLines)),
            deviceWalks, 1000);

    // Trap latency: the fleet's console to snmptrapd's line.
    std::vector<double> trapMs;
    snmptrapd.readAllStandardOutput();
    QElapsedTimer clock;
    for (int trial = 0; trial < kTrials; ++trial) {
        const int k = int(LoopbackRandom().bounded(devices));
        const QByteArray name = "STRING: " + DeviceName(k) + '\t';
        for (const char *state : {"on", "off"}) {
            const QByteArray wanted = state[1] == 'n' ? "qvtAlarmRaised" : "qvtAlarmCleared";
            snmptrapd.waitForReadyRead(20);
            snmptrapd.readAllStandardOutput();  // what an earlier trial left
            QByteArray seen;
            clock.restart();
            Send(fleet, "@" + QByteArray::number(k) + " system " + QByteArray::number(kPs1Bit) +
                            ' ' + state);
            while (clock.elapsed() < 3000 &&
                   !(seen.contains(wanted) && seen.contains(name) && seen.contains("PS1"))) {
                snmptrapd.waitForReadyRead(5);
                seen += snmptrapd.readAllStandardOutput();
            }
            if (state[1] == 'n') {
                trapMs.push_back(double(clock.nsecsElapsed()) / 1e6);
            }
            Answer(fleet, 100);
        }
    }
    PrintMs("notification to trap at snmptrapd", trapMs, 100);

    // 1,000 and more active alarms: every input of every device black.
    const int active = std::min(4 * devices, 1024);
    for (int input = 1; input <= 4 && (input - 1) * devices < active; ++input) {
        Send(fleet, "@* alarm " + QByteArray::number(input) + " video-black on");
        for (int k = 0; k < devices; ++k) {
            Answer(fleet, 2000);
        }
    }
    Await(30000, [&] { return Walk(mibs, agent, "qvtActiveAlarmName").lines >= active; });
    std::vector<double> alarmWalks;
    Walked alarms;
    for (int i = 0; i < kWalks; ++i) {
        alarms = Walk(mibs, agent, "qvtActiveAlarmTable");
        alarmWalks.push_back(alarms.ms);
    }
    PrintMs(qPrintable(
                QStringLiteral("snmpwalk qvtActiveAlarmTable (%1 alarms)").arg(alarms.lines / 4)),
            alarmWalks, 0);

    const auto on = AtRest(monitor.processId(), httpPort);
    monitor.terminate();
    monitor.waitForFinished(10000);
    const quint16 plainPort = FreeTcpPort();
    Child plain;
    Ender endPlain{plain};
    if (!startService(plain, false, plainPort)) {
        std::fprintf(stderr, "qvt-monitord without SNMP: not every device up in time\n");
        return 1;
    }
    const auto off = AtRest(plain.processId(), plainPort);
    std::printf("\n%-52s %8s %8s\n", "", "on", "off");
    std::printf("%-52s %7.1f%% %7.1f%%\n", "service CPU at rest (% of one core)", on.first,
                off.first);
    std::printf("%-52s %6.2fms %6.2fms\n", "/metrics scrape, median", Median(on.second),
                Median(off.second));
    Send(fleet, "quit");
    fleet.waitForFinished(5000);
    return 0;
}
