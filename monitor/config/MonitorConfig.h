#pragma once

// qvt-monitord's configuration: its command line and its configuration file
// (deploy/monitord.conf.example describes the file), checked whole before
// anything starts, so the service never runs half-configured. Qt Core only.
//
// Every refusal is one line. Where it concerns a line of the file it starts
// "FILE:LINE: ", where it concerns the file as a whole "FILE: ", where it
// concerns the command line it names the option. A password never appears
// in one. The program prints it after "qvt-monitord: ", on standard error.

#include "DeviceTypes.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QVector>

// The users a device knows, numbered as the link layer logs them in.
constexpr int kMonitorAdmin = kUserAdmin;
constexpr int kMonitorGuest = kUserGuest;  // read-only, and all that watching needs

// The defaults. 9731 is unassigned to any other service or exporter; 40000
// is the lowest notification port the tool offers and the one the simulator
// sends to out of the box.
constexpr char kMonitorListenAddress[] = "127.0.0.1";
constexpr quint16 kMonitorListenPort = 9731;
constexpr quint16 kMonitorNotifyPort = 40000;
constexpr quint16 kMonitorLowestNotifyPort = 40000;
constexpr double kMonitorPollSeconds = 1;
constexpr double kMonitorFastestPoll = 0.2;
constexpr double kMonitorSlowestPoll = 3600;
// Seconds a device may leave every poll unanswered before it counts as lost
// (and at least two polls in a row): a lossy link to a transmitter site loses
// a poll now and then without the device being gone. Decimals for tests.
constexpr double kMonitorDownAfter = 5;
constexpr double kMonitorShortestDownAfter = 0.1;
constexpr double kMonitorLongestDownAfter = 3600;
// Minutes between two reads of a device's whole parameter file for the change
// journal; 0: none. Decimals allowed, down to 0.01 (0.6 s), for tests.
constexpr double kMonitorSnapshotMinutes = 15;
constexpr double kMonitorShortestSnapshot = 0.01;
constexpr double kMonitorLongestSnapshot = 10080;  // a week

struct MonitorDevice {
    // 1 to 64 of [A-Za-z0-9._-], not starting with '.': its log directory's
    // name and its Prometheus label value. Unique.
    QString name;
    QString address;  // IPv4, dotted decimal without leading zeros; unique
    int user = kMonitorGuest;
    QString password;
};

struct MonitorConfig {
    QString listenAddress = QLatin1String(kMonitorListenAddress);  // IPv4; 0.0.0.0: every one
    quint16 listenPort = kMonitorListenPort;
    quint16 notifyPort = kMonitorNotifyPort;  // 40000 to 65535, as the devices accept
    QString logsDir;                          // absolute, or relative to the working directory
    int defaultUser = kMonitorGuest;
    double pollSeconds = kMonitorPollSeconds;          // 0.2 to 3600
    double downAfterSeconds = kMonitorDownAfter;       // 0.1 to 3600
    double snapshotMinutes = kMonitorSnapshotMinutes;  // 0, or 0.01 to 10080
    QString journal;  // the change journal as Journal::Open takes it; empty: the default
    // Where journal entries wait while the journal cannot take them:
    // $STATE_DIRECTORY/journal-spool.sqlite under systemd; empty: the user's
    // (beside the default journal).
    QString journalSpool;
    // The master agent's AgentX socket to serve QVT-MONITOR-MIB through;
    // empty: no SNMP. A change needs a restart.
    QString agentx;
    // The exporters' web configuration file (TLS, passwords); empty: plain
    // HTTP, no password.
    QString webConfigFile;
    QVector<MonitorDevice> devices;  // at least one
};

enum class MonitorStart {
    Run,      // `out` holds the whole configuration
    Help,     // `text` holds the help, for standard output; exit 0
    Version,  // `text` holds "qvt-monitord X.Y.Z\n"; exit 0
    Refused,  // `text` holds the reason, one line; exit 2
};

// The command line (without the program's name) and, with --config, the
// file. The command line overrides the file's global settings; --user sets
// the user of the file's devices that have none of their own. --device adds
// a device after the file's, logged in as the default user with
// $QVT_PASSWORD. `out` is written only on Run.
MonitorStart ParseMonitorArguments(const QStringList &arguments, const QProcessEnvironment &env,
                                   MonitorConfig *out, QString *text);

// Where the logs go when neither the file nor the command line says:
// $STATE_DIRECTORY (systemd's StateDirectory=, /var/lib/qvt-monitord in the
// unit), else $XDG_DATA_HOME/qvt-monitord, else
// $HOME/.local/share/qvt-monitord, else "logs" in the working directory.
QString MonitorDefaultLogsDir(const QProcessEnvironment &env);

QString MonitorHelpText();
