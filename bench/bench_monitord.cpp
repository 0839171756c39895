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

#include "../tests/common/FreeLoopback.h"
#include "BenchCommon.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include <arpa/inet.h>
#include <sys/prctl.h>

#include <csignal>
#include <cstdio>
#include <functional>

namespace {
// Targets on 2 shared cores; up to 256 devices, then up to 1,024.
constexpr double kCpuTarget = 25;  // % of one core, at rest
constexpr double kResidentTargetMiB[2] = {150, 300};
constexpr double kScrapeTargetMs[2] = {20, 50};  // median of /metrics
constexpr double kProbeTargetMs = 2;             // median of /probe
constexpr double kNoticeTargetMs = 50;           // median, notification to /probe
constexpr int kLostTargetMs = 8000;              // a device gone to qvt_up 0
constexpr int kCpuSeconds = 20;
constexpr int kScrapes = 100;
constexpr int kTrials = 50;
constexpr int kPs1Bit = 15;

// A child that ends with the bench, however the bench ends (a crash, a
// signal): the kernel sends it SIGTERM when the bench goes.
class Child final : public QProcess
{
protected:
    void setupChildProcess() override { ::prctl(PR_SET_PDEATHSIG, SIGTERM); }
};

// Ends `process` on the way out of any path: SIGTERM, then SIGKILL.
struct Ender {
    QProcess &process;
    ~Ender()
    {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(8000)) {
                process.kill();
                process.waitForFinished(2000);
            }
        }
    }
};

const char *Verdict(bool met)
{
    return met ? "met" : "MISSED";
}

// Processor seconds the process has used, user and system.
double CpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    stat.open(QIODevice::ReadOnly);
    const QList<QByteArray> fields = stat.readAll().split(')').last().trimmed().split(' ');
    return double(fields.value(11).toLongLong() + fields.value(12).toLongLong()) /
           double(sysconf(_SC_CLK_TCK));
}

// The number of a field of /proc/PID/status ("VmRSS" and "VmHWM" in KiB,
// "Threads"), or -1.
long StatusField(qint64 pid, const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':')) {
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLong();
        }
    }
    return -1;
}

// A TCP port free on 127.0.0.1 now, as the kernel picks one.
quint16 FreeTcpPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof sa;
    quint16 port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&sa), &size) == 0) {
        port = ntohs(sa.sin_port);
    }
    ::close(fd);
    return port;
}

struct Reply {
    int status = 0;  // 0: no answer
    QByteArray body;
    double ms = 0;  // from connect to the last byte of the body
};

// A GET over a plain socket, as a scraper makes it: one connection a
// request, the time taken to the body's last byte.
Reply Get(quint16 port, const QByteArray &path)
{
    Reply reply;
    QElapsedTimer clock;
    clock.start();
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const timeval limit = {5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = htons(port);
    const QByteArray request =
        "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    if (::connect(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0 ||
        ::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) != request.size()) {
        ::close(fd);
        return reply;
    }
    QByteArray in;
    in.reserve(4 << 20);
    char buffer[65536];
    int headEnd = -1;
    qint64 length = -1;
    for (;;) {
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) {
            break;
        }
        in.append(buffer, int(got));
        if (headEnd < 0 && (headEnd = in.indexOf("\r\n\r\n")) >= 0) {
            const int at = in.toLower().indexOf("\r\ncontent-length:");
            if (at >= 0 && at < headEnd) {
                length = in.mid(at + 17, in.indexOf('\r', at + 2) - at - 17).trimmed().toLongLong();
            }
        }
        if (headEnd >= 0 && length >= 0 && in.size() - headEnd - 4 >= length) {
            break;  // the whole body: the time stops here, as a scraper's would
        }
    }
    reply.ms = double(clock.nsecsElapsed()) / 1e6;
    ::close(fd);
    if (headEnd >= 0 && in.startsWith("HTTP/1.")) {
        reply.status = in.mid(9, 3).toInt();
        reply.body = in.mid(headEnd + 4);
    }
    return reply;
}

// The samples of the exposition text whose series starts with `prefix`:
// series text to value text.
QHash<QByteArray, QByteArray> Samples(const QByteArray &text, const QByteArray &prefix)
{
    QHash<QByteArray, QByteArray> out;
    int from = 0;
    while (from < text.size()) {
        int end = text.indexOf('\n', from);
        end = end < 0 ? text.size() : end;
        if (text.at(from) != '#' && end - from > prefix.size() &&
            memcmp(text.constData() + from, prefix.constData(), size_t(prefix.size())) == 0) {
            const int space = text.lastIndexOf(' ', end);
            if (space > from) {
                out.insert(text.mid(from, space - from), text.mid(space + 1, end - space - 1));
            }
        }
        from = end + 1;
    }
    return out;
}

int SeriesCount(const QByteArray &text)
{
    int count = 0;
    for (const QByteArray &line : text.split('\n')) {
        count += !line.isEmpty() && !line.startsWith('#');
    }
    return count;
}

QByteArray DeviceName(int k)
{
    return QByteArray("dev-") + QByteArray::number(k).rightJustified(3, '0');
}

QByteArray Series(const char *metric, int k, const QByteArray &more = QByteArray())
{
    return QByteArray(metric) + "{device=\"" + DeviceName(k) + '"' + more + '}';
}

// Polls `ready` every 100 ms for up to `ms`; whether it came true.
bool Await(int ms, const std::function<bool()> &ready)
{
    QElapsedTimer clock;
    clock.start();
    while (!ready()) {
        if (clock.elapsed() > ms) {
            return false;
        }
        QThread::msleep(100);
    }
    return true;
}

// The next line the fleet's console answers, waiting up to `ms`.
QByteArray Answer(QProcess &fleet, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!fleet.canReadLine() && clock.elapsed() < ms) {
        fleet.waitForReadyRead(int(std::max<qint64>(1, ms - clock.elapsed())));
    }
    return fleet.canReadLine() ? fleet.readLine().trimmed() : QByteArray();
}

void Send(QProcess &fleet, const QByteArray &line)
{
    fleet.write(line + '\n');
    fleet.waitForBytesWritten(1000);
}

// Rows of every device's alarm logs whose alarm type is `type`.
qint64 CsvRows(const QString &logs, const QByteArray &type)
{
    const QByteArray needle = ',' + type + ',';
    qint64 rows = 0;
    QDirIterator files(logs, {QStringLiteral("*.csv")}, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        file.open(QIODevice::ReadOnly);
        rows += file.readAll().count(needle);
    }
    return rows;
}

// The sum of the events the service counted, from a scrape; -1 without one.
qint64 EventSum(quint16 port, int devices)
{
    const Reply r = Get(port, "/metrics");
    if (r.status != 200) {
        return -1;
    }
    const QHash<QByteArray, QByteArray> events = Samples(r.body, "qvt_alarm_events_total{");
    qint64 sum = 0;
    for (int k = 0; k < devices; ++k) {
        sum += events.value(Series("qvt_alarm_events_total", k)).toLongLong();
    }
    return sum;
}

// The rows of one device's alarm log (today's file) that hold `tail`.
int RowsWith(const QString &logs, int k, const QByteArray &tail)
{
    QFile file(QDir(logs).filePath(QString::fromLatin1(DeviceName(k)) + QLatin1Char('/') +
                                   QDate::currentDate().toString(Qt::ISODate) +
                                   QStringLiteral(".csv")));
    file.open(QIODevice::ReadOnly);
    int rows = 0;
    for (const QByteArray &line : file.readAll().split('\n')) {
        rows += line.contains(tail);
    }
    return rows;
}

// Every device loses a tenth of its answers for `seconds`; /metrics is read
// every second. Meanwhile a signal loss is raised and cleared on a device
// drawn at random every 3 s, and halfway through the last device goes
// offline for 20 s. Nothing may read as lost but that device, which must be
// seen lost within kLostTargetMs and found again; every alarm must be in the
// log, once.
int RunLoss(QProcess &fleet, quint16 httpPort, const QString &logs, int devices, int seconds)
{
    const int gone = devices - 1;
    const QByteArray goneUp = Series("qvt_up", gone);
    Send(fleet, "@* fault drop 10");
    if (!Answer(fleet, 2000).startsWith("ok")) {
        std::fprintf(stderr, "the fleet refused the drop fault\n");
        return 1;
    }
    QHash<QByteArray, int> raised;  // "k|i|status" to times
    QElapsedTimer clock;
    clock.start();
    qint64 nextScrape = 0, nextAlarm = 3000, offlineAt = -1, lostMs = -1, foundMs = -1;
    int scrapes = 0, downSamples = 0, failures = 0;
    std::vector<double> scrapeMs;
    QList<QPair<int, int>> standing;  // alarms raised, to be cleared
    while (clock.elapsed() < seconds * 1000 || !standing.isEmpty()) {
        const qint64 now = clock.elapsed();
        if (now >= nextScrape) {
            nextScrape += 1000;
            const Reply r = Get(httpPort, "/metrics");
            ++scrapes;
            scrapeMs.push_back(r.ms);
            const QHash<QByteArray, QByteArray> up = Samples(r.body, "qvt_up{");
            for (auto i = up.cbegin(); i != up.cend(); ++i) {
                downSamples += i.key() != goneUp && i.value() == "0";
            }
            const QHash<QByteArray, QByteArray> polls = Samples(r.body, "qvt_poll_failures_total{");
            failures = 0;
            for (const QByteArray &v : polls) {
                failures += v.toInt();
            }
        }
        if (offlineAt < 0 && now >= seconds * 500) {
            Send(fleet, "@" + QByteArray::number(gone) + " offline 20");
            Answer(fleet, 2000);
            offlineAt = clock.elapsed();
        }
        if (offlineAt >= 0 && foundMs < 0) {
            const Reply r = Get(httpPort, "/probe?target=" + DeviceName(gone));
            const QByteArray up = Samples(r.body, "qvt_up{").value(goneUp);
            if (lostMs < 0 && up == "0") {
                lostMs = clock.elapsed() - offlineAt;
            } else if (lostMs >= 0 && up == "1") {
                foundMs = clock.elapsed() - offlineAt;
            }
        }
        if (now >= nextAlarm) {
            nextAlarm += 3000;
            for (const auto &alarm : standing) {
                Send(fleet, "@" + QByteArray::number(alarm.first) + " alarm " +
                                QByteArray::number(alarm.second) + " signal-lost off");
                Answer(fleet, 2000);
                ++raised[QByteArray::number(alarm.first) + '|' + QByteArray::number(alarm.second) +
                         "|Cleared"];
            }
            standing.clear();
            if (now < seconds * 1000) {
                const int k = int(LoopbackRandom().bounded(gone));
                const int input = 1 + int(LoopbackRandom().bounded(4));
                Send(fleet, "@" + QByteArray::number(k) + " alarm " + QByteArray::number(input) +
                                " signal-lost on");
                Answer(fleet, 2000);
                standing.append({k, input});
                ++raised[QByteArray::number(k) + '|' + QByteArray::number(input) + "|Asserted"];
            }
        }
        QThread::msleep(offlineAt >= 0 && foundMs < 0 ? 20 : 50);
    }
    Send(fleet, "@* fault clear");
    Answer(fleet, 2000);
    QThread::sleep(5);  // the last clearances' rows
    int falseLost = 0, missing = 0, doubled = 0;
    for (int k = 0; k < devices; ++k) {
        falseLost += k == gone ? 0 : RowsWith(logs, k, ",Connection Lost,Asserted,");
    }
    for (auto i = raised.cbegin(); i != raised.cend(); ++i) {
        const QList<QByteArray> key = i.key().split('|');
        const int rows =
            RowsWith(logs, key[0].toInt(), ",Input " + key[1] + ",Signal Lost," + key[2] + ',');
        missing += std::max(0, i.value() - rows);
        doubled += std::max(0, rows - i.value());
    }
    const int goneLost = RowsWith(logs, gone, ",Connection Lost,Asserted,");
    const int goneBack = RowsWith(logs, gone, ",Connection Lost,Cleared,");
    int alarms = 0;
    for (const int n : raised) {
        alarms += n;
    }
    std::printf("qvt-monitord, %d devices each losing 10 %% of its answers, %d s, poll 1 s:\n",
                devices, seconds);
    std::printf(
        "  /metrics read %d times (median %.2f ms): qvt_up 0 seen %d times on the %d "
        "devices never taken offline; %d polls left unanswered in all\n",
        scrapes, Median(scrapeMs), downSamples, devices - 1, failures);
    std::printf("  Connection Lost rows of those devices: %d   target 0: %s\n", falseLost,
                Verdict(falseLost == 0 && downSamples == 0));
    std::printf(
        "  signal-lost raised and cleared through the console: %d; rows missing %d, "
        "doubled %d: %s\n",
        alarms, missing, doubled, Verdict(missing == 0 && doubled == 0));
    std::printf(
        "  %s offline for 20 s: qvt_up 0 after %lld ms (target < %d ms: %s), 1 again "
        "after %lld ms; %d Connection Lost row(s), %d cleared\n",
        DeviceName(gone).constData(), lostMs, kLostTargetMs,
        Verdict(lostMs >= 0 && lostMs < kLostTargetMs), foundMs, goneLost, goneBack);
    return 0;
}

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
