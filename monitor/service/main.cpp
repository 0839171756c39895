// qvt-monitord: watches every switch of a station and serves what it sees to
// Prometheus, and journals the changes made to them outside the tool.
// Headless: Qt Core, Network and Sql only.

#include "MonitorConfig.h"
#include "StationMonitor.h"
#include "UnixSignals.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QProcessEnvironment>
#include <QTextStream>

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

    UnixSignals ending({SIGTERM, SIGINT});
    QObject::connect(&ending, &UnixSignals::Received, &app, &QCoreApplication::quit);
    StationMonitor monitor(config, Say);
    QString error;
    if (!monitor.Start(&error)) {
        Say(QStringLiteral("cannot start: %1").arg(error), true);
        return 1;
    }
    Say(QStringLiteral("watching %1 device(s); metrics at http://%2:%3/metrics; notifications "
                       "on UDP port %4; alarm logs in %5")
            .arg(config.devices.size())
            .arg(config.listenAddress)
            .arg(monitor.HttpPort())
            .arg(config.notifyPort)
            .arg(config.logsDir),
        false);
    const int status = app.exec();
    monitor.Stop();
    Say(QStringLiteral("stopped; every alarm row written"), false);
    return status;
}
