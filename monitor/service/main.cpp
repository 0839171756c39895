// qvt-monitord: watches every switch of a station and serves what it sees to
// Prometheus, and journals the changes made to them outside the tool.
// Headless: Qt Core, Network and Sql only.

#include "MonitorConfig.h"
#include "StationMonitor.h"
#include "UnixSignals.h"
#include "WebConfig.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QProcessEnvironment>
#include <QTextStream>

#include <sys/resource.h>
#include <csignal>
#include <cstdio>

namespace {
// Under systemd, standard error goes to the journal, which reads a leading
// "<N>" as the line's priority; on a terminal the lines carry the time.
bool g_journal = false;

void Say(const QString &line, bool warning)
{
    QByteArray out;
    if (g_journal) {
        out = warning ? "<4>" : "<6>";
    } else {
        out = QDateTime::currentDateTime().toString(Qt::ISODate).toLatin1() + ' ';
    }
    out += line.toUtf8() + '\n';
    std::fwrite(out.constData(), 1, size_t(out.size()), stderr);
    std::fflush(stderr);
}

// Each device holds three files (its socket, the socket's wake-up, its
// thread's event dispatcher) and now and then its alarm log file or the
// change journal for a moment; the base is the notification socket, the
// HTTP side's listener and clients, Qt's own and the standard streams.
constexpr rlim_t kFilesPerDevice = 4;
constexpr rlim_t kFilesBase = 128;

// The soft limit on open files raised to the hard one, when it may be (a
// systemd unit sets both with LimitNOFILE= and forbids the call); the limit
// in force.
rlim_t OpenFilesLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return RLIM_INFINITY;
    }
    if (limit.rlim_cur < limit.rlim_max) {
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max;
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0) {
            return raised.rlim_cur;
        }
    }
    return limit.rlim_cur;
}

// The link layer's debugging lines are not the journal's business; warnings
// from Qt are.
void OnQtMessage(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type != QtDebugMsg && type != QtInfoMsg) {
        Say(text, true);
    }
}
}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qvt-monitord"));
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    g_journal = env.contains(QStringLiteral("JOURNAL_STREAM"));
    qInstallMessageHandler(OnQtMessage);

    MonitorConfig config;
    QString text;
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    switch (ParseMonitorArguments(arguments, env, &config, &text)) {
        case MonitorStart::Help:
        case MonitorStart::Version:
            QTextStream(stdout) << text;
            return 0;
        case MonitorStart::Refused:
            QTextStream(stderr) << "qvt-monitord: " << text << '\n';
            return 2;
        case MonitorStart::Run:
            break;
    }

    // Refused now, with the numbers, rather than a failure later when the
    // last devices' threads or sockets cannot be had.
    const rlim_t limit = OpenFilesLimit();
    const rlim_t need = kFilesBase + kFilesPerDevice * rlim_t(config.devices.size());
    if (limit != RLIM_INFINITY && limit < need) {
        const rlim_t allowed = limit > kFilesBase ? (limit - kFilesBase) / kFilesPerDevice : 0;
        QTextStream(stderr) << "qvt-monitord: " << config.devices.size() << " devices need about "
                            << need << " open files, but the limit is " << limit
                            << ", which allows at most " << allowed
                            << " devices; raise it (LimitNOFILE= in the unit, ulimit -n) or "
                               "watch fewer devices here\n";
        return 2;
    }

    // Refused as a bad configuration file is, before anything starts.
    WebConfig web;
    if (!config.webConfigFile.isEmpty() && !ReadWebConfig(config.webConfigFile, &web, &text)) {
        QTextStream(stderr) << "qvt-monitord: " << text << '\n';
        return 2;
    }
    for (const QString &key : web.ignored) {
        Say(QStringLiteral("web configuration file %1: %2 is not applied by qvt-monitord")
                .arg(config.webConfigFile, key),
            true);
    }

    StationMonitor monitor(config, Say, {}, web);
    // SIGTERM and SIGINT end it; SIGHUP (systemctl reload) reads the same
    // command line and file again.
    UnixSignals unixSignals({SIGTERM, SIGINT, SIGHUP});
    QObject::connect(&unixSignals, &UnixSignals::Received, &app, [&](int number) {
        if (number != SIGHUP) {
            QCoreApplication::quit();
            return;
        }
        MonitorConfig next;
        QString why;
        if (ParseMonitorArguments(arguments, env, &next, &why) != MonitorStart::Run) {
            monitor.ReloadFailed(why);
        } else if (limit != RLIM_INFINITY &&
                   limit < kFilesBase + kFilesPerDevice * rlim_t(next.devices.size())) {
            monitor.ReloadFailed(QStringLiteral("%1 devices need more open files than the limit, "
                                                "%2, allows")
                                     .arg(next.devices.size())
                                     .arg(limit));
        } else {
            monitor.Reload(next);
        }
    });
    QString error;
    if (!monitor.Start(&error)) {
        Say(QStringLiteral("cannot start: %1").arg(error), true);
        return 1;
    }
    Say(QStringLiteral("watching %1 device(s); metrics at %6://%2:%3/metrics%7; notifications "
                       "on UDP port %4; alarm logs in %5")
            .arg(config.devices.size())
            .arg(config.listenAddress)
            .arg(monitor.HttpPort())
            .arg(config.notifyPort)
            .arg(config.logsDir)
            .arg(web.tls ? QStringLiteral("https") : QStringLiteral("http"),
                 web.users.isEmpty() ? QString() : QStringLiteral(" (with a password)")),
        false);
    const int status = app.exec();
    monitor.Stop();
    Say(QStringLiteral("stopped; every alarm row written"), false);
    return status;
}
