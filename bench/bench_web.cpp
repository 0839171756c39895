// qvt-monitord's HTTP side as a station's network sees it, against a
// `qvt-devsim --fleet` of 256 switches (and 16 spare):
//  1. 50 slow clients, each sending its request a byte a second and
//     connecting again when cut off, while a scraper GETs /metrics back to
//     back: the scrapes' median, p99 and worst, and any that failed.
//     Target: p99 under 1 s, none failed.
//  2. /metrics plain and gzipped: bytes, and the median scrape with gzip.
//     Target: under 20 ms still.
//  3. HTTPS with basic auth (a second service with --web.config.file): the
//     median scrape beside plain HTTP.
//  4. A reload (SIGHUP) that removes 16 devices and adds 16 others during a
//     notification storm: every notification of the 240 others logged.
// Not a test: run it by hand,
//   build/bin/bench_web [seconds of slow clients]
// with $QVT_BENCH_MONITORD naming another qvt-monitord to measure (an
// older build), and keep docs/PERFORMANCE.md in step with what it prints.

#include "../tests/common/WebFiles.h"
#include "MonitordBench.h"

#include <QCoreApplication>
#include <QProcessEnvironment>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTemporaryDir>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

using namespace MonitordBench;

namespace {
constexpr int kDevices = 256;
constexpr int kSpare = 16;
constexpr int kSlowClients = 50;

QByteArray Config(quint16 httpPort, quint16 notifyPort, const QString &logs, quint32 first,
                  int from, int to, const QByteArray &more = QByteArray())
{
    QByteArray conf = "listen = 127.0.0.1:" + QByteArray::number(httpPort) +
                      "\nnotify-port = " + QByteArray::number(notifyPort) +
                      "\nlogs = " + logs.toUtf8() + "\npoll = 1\nuser = guest\nsnapshot = 0\n" +
                      more;
    for (int k = from; k < to; ++k) {
        conf += "\n[device " + DeviceName(k) +
                "]\naddress = " + LoopbackText(first + quint32(k)).toLatin1() + '\n';
    }
    return conf;
}

bool WriteFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    const bool ok = file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return ok;
}

// One slow client: a byte a second of a request it never finishes, anew
// each time the server cuts it off. `tls`: the request is a TLS record of
// 512 bytes, which the server waits for whole before its handshake goes on.
void SlowClient(quint16 port, bool tls, const std::atomic<bool> &stop, std::atomic<int> &cutOff)
{
    static const char http[] = "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ";
    static const char record[] = {0x16, 0x03, 0x01, 0x02, 0x00, 0};
    const char *request = tls ? record : http;
    const size_t size = tls ? 5 : sizeof http - 1;
    while (!stop) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa = {};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        sa.sin_port = htons(port);
        if (::connect(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0) {
            ::close(fd);
            QThread::msleep(100);
            continue;
        }
        for (size_t i = 0; !stop; ++i) {
            const char byte = i < size ? request[i] : 'x';
            char buffer[512];
            if (::send(fd, &byte, 1, MSG_NOSIGNAL) != 1 ||
                ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT) == 0) {
                ++cutOff;
                break;
            }
            for (int tenth = 0; tenth < 10 && !stop; ++tenth) {
                QThread::msleep(100);
            }
        }
        ::close(fd);
    }
}

// A GET over TLS with basic auth, as Prometheus makes it; its time in ms, or
// -1 when it failed.
double TlsGet(quint16 port, const QList<QSslCertificate> &ca, const QByteArray &credentials)
{
    QElapsedTimer clock;
    clock.start();
    QSslSocket socket;
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    ssl.setCaCertificates(ca);
    socket.setSslConfiguration(ssl);
    socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
    if (!socket.waitForEncrypted(5000)) {
        return -1;
    }
    socket.write(
        "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
        "Accept-Encoding: gzip\r\nAuthorization: Basic " +
        credentials.toBase64() + "\r\n\r\n");
    QByteArray in;
    while (socket.waitForReadyRead(5000)) {
        in += socket.readAll();
    }
    in += socket.readAll();
    return in.startsWith("HTTP/1.1 200") ? double(clock.nsecsElapsed()) / 1e6 : -1;
}

// Scrapes with `scrape` (its time in ms, or -1 when it failed), 100 ms
// apart, for `seconds` beside kSlowClients slow clients of `port`; prints
// the figures after `what`.
void BesideSlowClients(const char *what, quint16 port, bool tls, int seconds,
                       const std::function<double()> &scrape)
{
    std::atomic<bool> stop{false};
    std::atomic<int> cutOff{0};
    std::vector<std::thread> slow;
    for (int i = 0; i < kSlowClients; ++i) {
        slow.emplace_back([&] { SlowClient(port, tls, stop, cutOff); });
    }
    QThread::sleep(2);  // every slow client connected and sending
    std::vector<double> ms;
    int failed = 0;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < seconds * 1000) {
        const double took = scrape();
        failed += took < 0;
        ms.push_back(took < 0 ? 5000 : took);
        QThread::msleep(100);
    }
    stop = true;
    for (std::thread &t : slow) {
        t.join();
    }
    std::printf(
        "%s beside %d slow clients (a byte a second, again when cut off) for %d s: %d "
        "scrapes, median %.1f ms, p99 %.1f ms, worst %.1f ms, %d failed; slow clients "
        "cut off %d times   target p99 < 1 s, none failed: %s\n",
        what, kSlowClients, seconds, int(ms.size()), Median(ms), Percentile(ms, 0.99),
        Percentile(ms, 1), failed, cutOff.load(),
        Verdict(Percentile(ms, 0.99) < 1000 && failed == 0));
}

qint64 EventsOf(const QHash<QByteArray, QByteArray> &events, int k)
{
    return events.value(Series("qvt_alarm_events_total", k)).toLongLong();
}
}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int slowSeconds = argc > 1 ? std::max(5, atoi(argv[1])) : 30;
    const QString bin = QCoreApplication::applicationDirPath();
    const QString program =
        qEnvironmentVariable("QVT_BENCH_MONITORD", bin + QStringLiteral("/qvt-monitord"));
    QTemporaryDir dir;
    const QString logs = dir.filePath(QStringLiteral("logs"));
    const quint32 first = TestLoopback({kDevicePort}, kDevices + kSpare);
    const quint16 notifyPort = FreeUdpPort();
    const quint16 httpPort = FreeTcpPort();
    const QString confPath = dir.filePath(QStringLiteral("monitord.conf"));
    if (!WriteFile(confPath, Config(httpPort, notifyPort, logs, first, 0, kDevices))) {
        return 1;
    }

    Child fleet;
    Ender endFleet{fleet};
    fleet.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    fleet.start(bin + QStringLiteral("/qvt-devsim"),
                {QStringLiteral("--address"), LoopbackText(first), QStringLiteral("--fleet"),
                 QString::number(kDevices + kSpare), QStringLiteral("--notify"),
                 QStringLiteral("127.0.0.1:%1").arg(notifyPort)});
    if (!Answer(fleet, 30000).startsWith("ready")) {
        std::fprintf(stderr, "qvt-devsim --fleet did not start\n");
        return 1;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QVT_PASSWORD"), QStringLiteral("guest"));
    env.remove(QStringLiteral("JOURNAL_STREAM"));
    Child monitor;
    Ender endMonitor{monitor};
    monitor.setProcessEnvironment(env);
    monitor.setStandardErrorFile(dir.filePath(QStringLiteral("monitord.log")));
    monitor.start(program, {QStringLiteral("--config"), confPath});
    const auto upCount = [&](quint16 port) {
        int up = 0;
        for (const QByteArray &v : Samples(Get(port, "/metrics").body, "qvt_up{")) {
            up += v == "1";
        }
        return up;
    };
    if (!Await(60000, [&] { return upCount(httpPort) == kDevices; })) {
        std::fprintf(stderr, "not every device up within 60 s\n");
        return 1;
    }
    std::printf("%s watching %d simulated switches\n", qPrintable(program), kDevices);

    // 1. Slow clients beside a scraper.
    BesideSlowClients("1. /metrics", httpPort, false, slowSeconds, [httpPort] {
        const Reply r = Get(httpPort, "/metrics");
        return r.status == 200 ? r.ms : -1.0;
    });
    std::fflush(stdout);

    // 2. gzip.
    {
        std::vector<double> plainMs, gzipMs;
        int plainBytes = 0, gzipBytes = 0;
        for (int i = 0; i < 50; ++i) {
            const Reply plain = Get(httpPort, "/metrics");
            const Reply gzipped = Get(httpPort, "/metrics", "Accept-Encoding: gzip\r\n");
            plainMs.push_back(plain.ms);
            gzipMs.push_back(gzipped.ms);
            plainBytes = plain.body.size();
            gzipBytes = gzipped.body.size();
        }
        std::printf(
            "2. /metrics at %d devices: %d bytes plain, %d gzipped (%.1f %%); median "
            "scrape plain %.1f ms, gzipped %.1f ms   target gzipped < 20 ms: %s\n",
            kDevices, plainBytes, gzipBytes, 100.0 * gzipBytes / std::max(1, plainBytes),
            Median(plainMs), Median(gzipMs), Verdict(Median(gzipMs) < 20));
    }
    std::fflush(stdout);

    // 3. HTTPS with basic auth, from a second service on the same fleet.
    {
        const QString tls = WebFiles::MakeCertificates(dir.path(), QStringLiteral("127.0.0.1"));
        const QString web = WebFiles::WriteConfig(dir.path(), "prometheus", "bench-secret");
        const quint16 tlsPort = FreeTcpPort();
        const QString tlsConf = dir.filePath(QStringLiteral("tls.conf"));
        Child secure;
        Ender endSecure{secure};
        if (tls.isEmpty() && !web.isEmpty() &&
            WriteFile(tlsConf, Config(tlsPort, FreeUdpPort(), dir.filePath(QStringLiteral("logs2")),
                                      first, 0, kDevices, "web-config-file = " + web.toUtf8()))) {
            secure.setProcessEnvironment(env);
            secure.setStandardErrorFile(dir.filePath(QStringLiteral("secure.log")));
            secure.start(program, {QStringLiteral("--config"), tlsConf});
        }
        const QList<QSslCertificate> ca =
            QSslCertificate::fromPath(dir.filePath(QStringLiteral("ca.crt")));
        std::vector<double> tlsMs, plainMs;
        const bool up =
            Await(60000, [&] { return TlsGet(tlsPort, ca, "prometheus:bench-secret") > 0; });
        for (int i = 0; up && i < 50; ++i) {
            const double ms = TlsGet(tlsPort, ca, "prometheus:bench-secret");
            if (ms > 0) {
                tlsMs.push_back(ms);
            }
            plainMs.push_back(Get(httpPort, "/metrics", "Accept-Encoding: gzip\r\n").ms);
        }
        if (tlsMs.empty()) {
            std::printf("3. HTTPS: no scrape answered (%s)\n", qPrintable(tls));
        } else {
            std::printf(
                "3. HTTPS with basic auth, gzipped, %d scrapes: median %.1f ms, worst "
                "%.1f ms; plain HTTP gzipped beside it: median %.1f ms\n",
                int(tlsMs.size()), Median(tlsMs), Percentile(tlsMs, 1), Median(plainMs));
            // The same slow clients against the HTTPS port, their request a
            // TLS record sent a byte a second.
            BesideSlowClients("   HTTPS", tlsPort, true, slowSeconds,
                              [&] { return TlsGet(tlsPort, ca, "prometheus:bench-secret"); });
        }
    }
    std::fflush(stdout);

    // 4. A reload during a storm: devices 0-15 go, 256-271 come.
    {
        const QHash<QByteArray, QByteArray> before =
            Samples(Get(httpPort, "/metrics").body, "qvt_alarm_events_total{");
        Send(fleet, "storm 500 6");
        QThread::msleep(2000);
        QElapsedTimer clock;
        clock.start();
        WriteFile(confPath, Config(httpPort, notifyPort, logs, first, kSpare, kDevices + kSpare));
        ::kill(pid_t(monitor.processId()), SIGHUP);
        const QByteArray storm = Answer(fleet, 60000);
        const qint64 sent =
            storm.startsWith("ok sent ") ? storm.split(' ').value(2).toLongLong() : -1;
        // Each of the 240 kept got every flip the storm made on it.
        const int total = kDevices + kSpare;
        int short240 = 0;
        qint64 missing = 0;
        Await(15000, [&] {
            const QHash<QByteArray, QByteArray> after =
                Samples(Get(httpPort, "/metrics").body, "qvt_alarm_events_total{");
            short240 = 0;
            missing = 0;
            for (int k = kSpare; k < kDevices; ++k) {
                const qint64 flips = sent / total + (k < sent % total ? 1 : 0);
                const qint64 got = EventsOf(after, k) - EventsOf(before, k);
                short240 += got < flips;
                missing += std::max<qint64>(0, flips - got);
            }
            return short240 == 0;
        });
        const bool added = Await(30000, [&] { return upCount(httpPort) == kDevices; });
        std::printf(
            "4. reload during a storm ('%s'): 16 removed, 16 added (%s up %.1f s after "
            "the SIGHUP); the 240 kept: %d short of a notification, %lld missing   "
            "target none: %s\n",
            storm.constData(), added ? "all" : "NOT all", double(clock.elapsed()) / 1000, short240,
            missing, Verdict(sent > 0 && short240 == 0));
    }
    Send(fleet, "quit");
    fleet.waitForFinished(5000);
    return 0;
}
