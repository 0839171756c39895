#include "MonitorConfig.h"

#include "MonitorConfigFile.h"
#include "QvtVersion.h"
#include "TextForms.h"

#include <QCommandLineParser>
#include <QDir>
#include <QRegularExpression>

namespace MonitorCheck {
namespace {
// Decimal digits only, so that "+80", " 80" and "0x50" are refused rather
// than read as something else.
bool Port(const QString &text, uint lowest, quint16 *port)
{
    static const QRegularExpression digits(QRegularExpression::anchoredPattern("[0-9]{1,5}"));
    const uint value = text.toUInt();
    if (!digits.match(text).hasMatch() || value < lowest || value > 65535) {
        return false;
    }
    *port = static_cast<quint16>(value);
    return true;
}
}  // namespace

QString Quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString DeviceName(const QString &text)
{
    static const QRegularExpression name(
        QRegularExpression::anchoredPattern("[A-Za-z0-9_-][A-Za-z0-9._-]{0,63}"));
    if (name.match(text).hasMatch()) {
        return QString();
    }
    return QStringLiteral(
               "bad device name %1: 1 to 64 of A-Z a-z 0-9 . _ -, not starting "
               "with \".\"")
        .arg(Quoted(text));
}

QString DeviceAddress(const QString &text, QString *address)
{
    quint32 value = 0;
    if (!ParseAddress(text, &value)) {
        return QStringLiteral("%1 is not an IPv4 address").arg(Quoted(text));
    }
    // "This network", multicast, reserved and broadcast: no device answers
    // there. Loopback stays, for the simulator.
    const quint32 first = value >> 24;
    if (first == 0 || first >= 224) {
        return QStringLiteral("%1 is not a host address").arg(text);
    }
    *address = AddressText(value);
    return QString();
}

QString Listen(const QString &what, const QString &text, QString *address, quint16 *port)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    quint32 value = 0;
    quint16 number = 0;
    if (colon < 0 || !ParseAddress(text.left(colon), &value) ||
        !Port(text.mid(colon + 1), 0, &number)) {
        return QStringLiteral("%1 is IPv4:PORT, the port 0 (any free one) to 65535, not %2")
            .arg(what, Quoted(text));
    }
    *address = AddressText(value);
    *port = number;
    return QString();
}

QString NotifyPort(const QString &what, const QString &text, quint16 *port)
{
    if (Port(text, kMonitorLowestNotifyPort, port)) {
        return QString();
    }
    return QStringLiteral("%1 is a port from %2 to 65535, not %3")
        .arg(what)
        .arg(kMonitorLowestNotifyPort)
        .arg(Quoted(text));
}

namespace {
QString Seconds(const QString &what, const QString &text, double lowest, double highest,
                double *seconds)
{
    // Plain decimals only: no sign, exponent, "inf" or "nan".
    static const QRegularExpression decimal(
        QRegularExpression::anchoredPattern("[0-9]{1,4}(\\.[0-9]{1,6})?"));
    const double value = text.toDouble();
    if (!decimal.match(text).hasMatch() || value < lowest || value > highest) {
        return QStringLiteral("%1 is seconds from %2 to %3, not %4")
            .arg(what)
            .arg(lowest)
            .arg(highest)
            .arg(Quoted(text));
    }
    *seconds = value;
    return QString();
}
}  // namespace

QString Poll(const QString &what, const QString &text, double *seconds)
{
    return Seconds(what, text, kMonitorFastestPoll, kMonitorSlowestPoll, seconds);
}

QString DownAfter(const QString &what, const QString &text, double *seconds)
{
    return Seconds(what, text, kMonitorShortestDownAfter, kMonitorLongestDownAfter, seconds);
}

QString Snapshot(const QString &what, const QString &text, double *minutes)
{
    static const QRegularExpression decimal(
        QRegularExpression::anchoredPattern("[0-9]{1,5}(\\.[0-9]{1,6})?"));
    const double value = text.toDouble();
    if (!decimal.match(text).hasMatch() ||
        (value != 0 && (value < kMonitorShortestSnapshot || value > kMonitorLongestSnapshot))) {
        return QStringLiteral("%1 is minutes from %2 to %3, or 0 for none, not %4")
            .arg(what)
            .arg(kMonitorShortestSnapshot)
            .arg(kMonitorLongestSnapshot)
            .arg(Quoted(text));
    }
    *minutes = value;
    return QString();
}

QString User(const QString &what, const QString &text, int *user)
{
    if (text == QLatin1String("guest") || text == QLatin1String("admin")) {
        *user = text == QLatin1String("guest") ? kMonitorGuest : kMonitorAdmin;
        return QString();
    }
    return QStringLiteral("%1 is guest or admin, not %2").arg(what, Quoted(text));
}

}  // namespace MonitorCheck

namespace {
const char kHelp[] =
    "usage: qvt-monitord [--config FILE] [--listen ADDRESS:PORT] [--notify-port N]\n"
    "                    [--logs DIR] [--user guest|admin] [--poll SECONDS]\n"
    "                    [--down-after SECONDS] [--snapshot MINUTES]\n"
    "                    [--journal LOCATION] [--web.config.file FILE]\n"
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
    "  --device NAME=IPv4   one more device, with the password $QVT_PASSWORD;\n"
    "                       NAME: 1 to 64 of A-Z a-z 0-9 . _ -, not starting\n"
    "                       with \".\"\n"
    "  -h, --help           this help\n"
    "  --version            the version\n"
    "\n"
    "A password is in the file, in a file of its own that the file names, or\n"
    "in $QVT_PASSWORD. A file that holds one must not be readable by other\n"
    "users (its group may read it). Any error stops the start with one line.\n";

const char *const kSingleOptions[] = {"config",  "listen",         "notify-port", "logs",
                                      "user",    "poll",           "down-after",  "snapshot",
                                      "journal", "web.config.file"};

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
        for (int i = 0; i < config->devices.size(); ++i) {
            const MonitorDevice &other = config->devices[i];
            if (other.name == device.name) {
                return where + QStringLiteral("device %1 is already %2")
                                   .arg(MonitorCheck::Quoted(device.name),
                                        i < fromFile ? QStringLiteral("in ") + configPath
                                                     : QStringLiteral("given"));
            }
            if (other.address == device.address) {
                return where + QStringLiteral("address %1 is already device %2's")
                                   .arg(device.address, MonitorCheck::Quoted(other.name));
            }
        }
        if (!env.contains(QStringLiteral("QVT_PASSWORD"))) {
            return where + QStringLiteral("no password: set $QVT_PASSWORD");
        }
        device.password = env.value(QStringLiteral("QVT_PASSWORD"));
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
