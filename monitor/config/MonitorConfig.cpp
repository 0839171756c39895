#include "MonitorConfig.h"

#include "MonitorChecks.h"
#include "MonitorConfigFile.h"
#include "QvtVersion.h"
#include "TextForms.h"

#include <QCommandLineParser>
#include <QDir>
#include <QRegularExpression>

namespace {
const char kHelp[] =
    "usage: qvt-monitord [--config FILE] [--listen ADDRESS:PORT] [--notify-port N]\n"
    "                    [--logs DIR] [--user guest|admin] [--poll SECONDS]\n"
    "                    [--down-after SECONDS] [--snapshot MINUTES]\n"
    "                    [--journal LOCATION] [--web.config.file FILE]\n"
    "                    [--agentx SOCKET]\n"
    "                    [--device NAME=IPv4]...\n"
    "\n"
    "Watches every QVT change-over switch of a station: logs in to each, reads\n"
    "its status, receives its alarm notifications, keeps its alarm log and\n"
    "serves it all to Prometheus. The devices come from the configuration file's\n"
    "[device NAME] sections, then from --device. The options override the\n"
    "file's global settings.\n"
    "  --config FILE        the configuration file (see monitord.conf.example);\n"
    "                       none is read without this option\n"
    "  --listen A:PORT      where Prometheus scrapes: an IPv4 address, 0.0.0.0\n"
    "                       for every one; port 0 takes a free one, told at\n"
    "                       the start (default 127.0.0.1:9731)\n"
    "  --notify-port N      the UDP port the devices send their notifications\n"
    "                       to, 40000 to 65535 (default 40000)\n"
    "  --logs DIR           the alarm logs, a directory per device (default\n"
    "                       $STATE_DIRECTORY, else $XDG_DATA_HOME/qvt-monitord,\n"
    "                       else ~/.local/share/qvt-monitord)\n"
    "  --user U             guest (the default) or admin: the user of the devices\n"
    "                       that name none of their own\n"
    "  --poll SECONDS       between two status reads of a device, 0.2 to 3600,\n"
    "                       decimals allowed (default 1)\n"
    "  --down-after SECONDS how long a device may leave every poll unanswered\n"
    "                       (and at least two in a row) before it counts as\n"
    "                       lost, 0.1 to 3600 (default 5)\n"
    "  --snapshot MINUTES   between two reads of each device's whole parameter\n"
    "                       file, whose changes made outside the tool go to the\n"
    "                       change journal; decimals allowed, 0 for none\n"
    "                       (default 15)\n"
    "  --journal LOCATION   the change journal: an SQLite file or a\n"
    "                       postgresql://user@host:port/db URL, its password\n"
    "                       from ~/.pgpass or $PGPASSFILE (one in the URL is\n"
    "                       visible to other users; in the file, journal = may\n"
    "                       hold one under the password rule below)\n"
    "                       (default ~/.local/share/qvt-config/journal.sqlite)\n"
    "  --web.config.file FILE\n"
    "                       TLS and passwords for the HTTP side, in the YAML\n"
    "                       file Prometheus's exporters take (tls_server_config,\n"
    "                       basic_auth_users with bcrypt hashes; docs/MONITORD.md);\n"
    "                       one holding hashes follows the password rule below\n"
    "  --agentx SOCKET      serve QVT-MONITOR-MIB as an AgentX subagent of the\n"
    "                       snmpd whose master socket this is (net-snmp's\n"
    "                       default: /var/agentx/master); off when not given\n"
    "  --device NAME=IPv4   one more device, with the password $QVT_PASSWORD;\n"
    "                       NAME: 1 to 64 of A-Z a-z 0-9 . _ -, not starting\n"
    "                       with \".\"\n"
    "  -h, --help           this help\n"
    "  --version            the version\n"
    "\n"
    "A password is in the file, in a file of its own that the file names, or\n"
    "in $QVT_PASSWORD. A file that holds one must not be readable by other\n"
    "users (its group may read it). Any error stops the start with one line.\n";

const char *const kSingleOptions[] = {
    "config",   "listen",  "notify-port",     "logs",  "user", "poll", "down-after",
    "snapshot", "journal", "web.config.file", "agentx"};

MonitorStart Refuse(QString *text, const QString &why)
{
    *text = why;
    return MonitorStart::Refused;
}

MonitorStart Usage(QString *text, const QString &why)
{
    return Refuse(text, why + QStringLiteral(" (see qvt-monitord --help)"));
}

// The global options over the file's settings.
QString ApplyOptions(const QCommandLineParser &parser, int user, const QProcessEnvironment &env,
                     MonitorConfig *config)
{
    const auto given = [&](const char *name) { return parser.isSet(QLatin1String(name)); };
    const auto value = [&](const char *name) { return parser.value(QLatin1String(name)); };
    QString bad;
    if (given("listen")) {
        bad = MonitorCheck::Listen(QStringLiteral("--listen"), value("listen"),
                                   &config->listenAddress, &config->listenPort);
    }
    if (bad.isEmpty() && given("notify-port")) {
        bad = MonitorCheck::NotifyPort(QStringLiteral("--notify-port"), value("notify-port"),
                                       &config->notifyPort);
    }
    if (bad.isEmpty() && given("poll")) {
        bad = MonitorCheck::Poll(QStringLiteral("--poll"), value("poll"), &config->pollSeconds);
    }
    if (bad.isEmpty() && given("down-after")) {
        bad = MonitorCheck::DownAfter(QStringLiteral("--down-after"), value("down-after"),
                                      &config->downAfterSeconds);
    }
    if (bad.isEmpty() && given("snapshot")) {
        bad = MonitorCheck::Snapshot(QStringLiteral("--snapshot"), value("snapshot"),
                                     &config->snapshotMinutes);
    }
    if (given("journal")) {
        config->journal = value("journal");
    }
    if (given("web.config.file")) {
        config->webConfigFile = value("web.config.file");
    }
    if (given("agentx")) {
        config->agentx = value("agentx");
    }
    if (bad.isEmpty() && given("logs") && value("logs").isEmpty()) {
        bad = QStringLiteral("--logs is empty");
    }
    if (user >= 0) {
        config->defaultUser = user;
    }
    const QString state =
        env.value(QStringLiteral("STATE_DIRECTORY")).section(QLatin1Char(':'), 0, 0);
    if (!state.isEmpty()) {
        config->journalSpool = state + QStringLiteral("/journal-spool.sqlite");
    }
    if (given("logs")) {
        config->logsDir = value("logs");
    } else if (config->logsDir.isEmpty()) {
        config->logsDir = MonitorDefaultLogsDir(env);
    }
    return bad;
}

// The --device options, after the file's devices.
QString AddDevices(const QStringList &options, const QProcessEnvironment &env,
                   const QString &configPath, MonitorConfig *config)
{
    const int fromFile = config->devices.size();
    for (const QString &option : options) {
        const QString where = QStringLiteral("--device ") + option + QStringLiteral(": ");
        const int equals = option.indexOf(QLatin1Char('='));
        if (equals < 0) {
            return where + QStringLiteral("expected NAME=IPv4");
        }
        MonitorDevice device;
        device.name = option.left(equals);
        QString bad = MonitorCheck::DeviceName(device.name);
        if (bad.isEmpty()) {
            bad = MonitorCheck::DeviceAddress(option.mid(equals + 1), &device.address);
        }
        if (!bad.isEmpty()) {
            return where + bad;
        }
        const int named = MonitorCheck::NameTaken(config->devices, device.name);
        if (named >= 0) {
            return where + QStringLiteral("device %1 is already %2")
                               .arg(MonitorCheck::Quoted(device.name),
                                    named < fromFile ? QStringLiteral("in ") + configPath
                                                     : QStringLiteral("given"));
        }
        const int addressed = MonitorCheck::AddressTaken(config->devices, device.address);
        if (addressed >= 0) {
            return where +
                   QStringLiteral("address %1 is already device %2's")
                       .arg(device.address, MonitorCheck::Quoted(config->devices[addressed].name));
        }
        if (!MonitorCheck::EnvironmentPassword(env, &device.password)) {
            return where + QStringLiteral("no password: set $QVT_PASSWORD");
        }
        device.user = config->defaultUser;
        config->devices.append(device);
    }
    return QString();
}
}  // namespace

QString MonitorHelpText()
{
    return QString::fromLatin1(kHelp);
}

QString MonitorDefaultLogsDir(const QProcessEnvironment &env)
{
    // systemd may list several directories, separated by colons.
    const QString state =
        env.value(QStringLiteral("STATE_DIRECTORY")).section(QLatin1Char(':'), 0, 0);
    if (!state.isEmpty()) {
        return state;
    }
    // A relative XDG_DATA_HOME is invalid and to be ignored.
    const QString data = env.value(QStringLiteral("XDG_DATA_HOME"));
    if (QDir::isAbsolutePath(data)) {
        return data + QStringLiteral("/qvt-monitord");
    }
    const QString home = env.value(QStringLiteral("HOME"));
    if (!home.isEmpty()) {
        return home + QStringLiteral("/.local/share/qvt-monitord");
    }
    return QStringLiteral("logs");
}

MonitorStart ParseMonitorArguments(const QStringList &arguments, const QProcessEnvironment &env,
                                   MonitorConfig *out, QString *text)
{
    QCommandLineParser parser;
    parser.addOption({{"h", "help"}, "help"});
    parser.addOption({"version", "version"});
    for (const char *name : kSingleOptions) {
        parser.addOption({name, name, "value"});
    }
    parser.addOption({"device", "device", "NAME=IPv4"});
    if (!parser.parse(QStringList{QStringLiteral("qvt-monitord")} + arguments)) {
        return Usage(text, parser.errorText());
    }
    if (parser.isSet(QStringLiteral("help"))) {
        *text = MonitorHelpText();
        return MonitorStart::Help;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        *text = QStringLiteral("qvt-monitord %1\n").arg(QLatin1String(kProgramVersion));
        return MonitorStart::Version;
    }
    if (!parser.positionalArguments().isEmpty()) {
        return Usage(text, QStringLiteral("unexpected argument %1")
                               .arg(MonitorCheck::Quoted(parser.positionalArguments().first())));
    }
    for (const char *name : kSingleOptions) {
        if (parser.values(QLatin1String(name)).size() > 1) {
            return Usage(text, QStringLiteral("--%1 is given twice").arg(QLatin1String(name)));
        }
    }

    // --user goes first: it is the user of the file's devices that name
    // none. The other options replace the file's settings after it.
    MonitorConfig config;
    QString bad;
    int userOverride = -1;
    const QString path = parser.value(QStringLiteral("config"));
    if (parser.isSet(QStringLiteral("user"))) {
        bad = MonitorCheck::User(QStringLiteral("--user"), parser.value(QStringLiteral("user")),
                                 &userOverride);
    }
    if (bad.isEmpty() && parser.isSet(QStringLiteral("config")) && path.isEmpty()) {
        bad = QStringLiteral("--config is empty");
    }
    if (bad.isEmpty() && !path.isEmpty()) {
        MergeMonitorConfigFile(path, env, userOverride, &config, &bad);
    }
    if (bad.isEmpty()) {
        bad = ApplyOptions(parser, userOverride, env, &config);
    }
    if (bad.isEmpty()) {
        bad = AddDevices(parser.values(QStringLiteral("device")), env, path, &config);
    }
    if (!bad.isEmpty()) {
        return Refuse(text, bad);
    }
    if (config.devices.isEmpty()) {
        return path.isEmpty() ? Usage(text, QStringLiteral("no device: give --config FILE or "
                                                           "--device NAME=IPv4"))
                              : Refuse(text, path + QStringLiteral(": no device: add a [device "
                                                                   "NAME] section, or give "
                                                                   "--device NAME=IPv4"));
    }
    *out = config;
    return MonitorStart::Run;
}
