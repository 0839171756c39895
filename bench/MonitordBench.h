#pragma once

// What bench_monitord's runs share: the programs they start, a scraper's
// GET, the exposition text's samples, the fleet's console, the alarm logs.

#include "../tests/common/FreeLoopback.h"
#include "BenchCommon.h"

#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QThread>

#include <arpa/inet.h>
#include <sys/prctl.h>

#include <csignal>
#include <cstdio>
#include <functional>

namespace MonitordBench {

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

inline const char *Verdict(bool met)
{
    return met ? "met" : "MISSED";
}

// Processor seconds the process has used, user and system.
inline double CpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    stat.open(QIODevice::ReadOnly);
    const QList<QByteArray> fields = stat.readAll().split(')').last().trimmed().split(' ');
    return double(fields.value(11).toLongLong() + fields.value(12).toLongLong()) /
           double(sysconf(_SC_CLK_TCK));
}

// The number of a field of /proc/PID/status ("VmRSS" and "VmHWM" in KiB,
// "Threads"), or -1.
inline long StatusField(qint64 pid, const QByteArray &field)
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
inline quint16 FreeTcpPort()
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
// request, the time taken to the body's last byte. `headers`: more lines,
// each ending in CRLF.
inline Reply Get(quint16 port, const QByteArray &path, const QByteArray &headers = QByteArray())
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
        "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" + headers + "\r\n";
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
inline QHash<QByteArray, QByteArray> Samples(const QByteArray &text, const QByteArray &prefix)
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

inline int SeriesCount(const QByteArray &text)
{
    int count = 0;
    for (const QByteArray &line : text.split('\n')) {
        count += !line.isEmpty() && !line.startsWith('#');
    }
    return count;
}

inline QByteArray DeviceName(int k)
{
    return QByteArray("dev-") + QByteArray::number(k).rightJustified(3, '0');
}

inline QByteArray Series(const char *metric, int k, const QByteArray &more = QByteArray())
{
    return QByteArray(metric) + "{device=\"" + DeviceName(k) + '"' + more + '}';
}

// Polls `ready` every 100 ms for up to `ms`; whether it came true.
inline bool Await(int ms, const std::function<bool()> &ready)
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
inline QByteArray Answer(QProcess &fleet, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!fleet.canReadLine() && clock.elapsed() < ms) {
        fleet.waitForReadyRead(int(std::max<qint64>(1, ms - clock.elapsed())));
    }
    return fleet.canReadLine() ? fleet.readLine().trimmed() : QByteArray();
}

// Starts `qvt-devsim --fleet devices` on `first` and up, their notifications
// to 127.0.0.1:notifyPort; false, and said, when it is not ready in 30 s.
inline bool StartFleet(Child &fleet, const QString &bin, quint32 first, int devices,
                       quint16 notifyPort)
{
    fleet.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    fleet.start(bin + "/qvt-devsim",
                {"--address", LoopbackText(first), "--fleet", QString::number(devices), "--notify",
                 QStringLiteral("127.0.0.1:%1").arg(notifyPort)});
    if (!Answer(fleet, 30000).startsWith("ready")) {
        std::fprintf(stderr, "qvt-devsim --fleet %d did not start\n", devices);
        return false;
    }
    return true;
}

inline void Send(QProcess &fleet, const QByteArray &line)
{
    fleet.write(line + '\n');
    fleet.waitForBytesWritten(1000);
}

// Rows of every device's alarm logs whose alarm type is `type`.
inline qint64 CsvRows(const QString &logs, const QByteArray &type)
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
inline qint64 EventSum(quint16 port, int devices)
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
inline int RowsWith(const QString &logs, int k, const QByteArray &tail)
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

// The run on a lossy link (bench_monitord_loss.cpp); its exit status.
int RunLoss(QProcess &fleet, quint16 httpPort, const QString &logs, int devices, int seconds);

}  // namespace MonitordBench
