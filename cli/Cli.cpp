#include "Cli.h"

#include "AlarmCsv.h"
#include "CfgNetClient.h"
#include "DeviceSession.h"
#include "DeviceTables.h"
#include "NoticesServer.h"
#include "ParamField.h"
#include "ParamsFile.h"
#include "SessionState.h"
#include "TextForms.h"
#include "UpdateThread.h"

#include <QCommandLineParser>
#include <QDomElement>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTimer>

#include <atomic>
#include <functional>

namespace Cli {
namespace {

std::atomic<bool> g_stop{false};

const char kProgramHelp[] =
    "usage: qvt-cli COMMAND [OPTIONS]\n"
    "\n"
    "The parameter file, the status and the alarm events of one QVT change-over\n"
    "switch, from a shell. Commands:\n"
    "  export    write the device's parameters as a parameter file\n"
    "  import    write a parameter file's parameters to the device\n"
    "  diff      list the parameters that differ between two files, or a file\n"
    "            and the device\n"
    "  status    identity, versions, network, inputs and active alarms\n"
    "  monitor   print the device's alarm events as they arrive\n"
    "\n"
    "'qvt-cli COMMAND --help' describes a command. Data goes to standard output,\n"
    "messages to standard error. A file named - is standard input or output.\n"
    "\n"
    "Exit status: 0 success, 1 diff found differences, 2 bad usage, 3 device\n"
    "unreachable, 4 wrong user or password, 5 device in update mode, 6 file of\n"
    "another model or failing the check, 7 a device operation failed, 8 a local\n"
    "file or port could not be used.\n";

const char kDeviceHelp[] =
    "  -a, --address A      the device's IPv4 address\n"
    "  -u, --user U         admin (the default) or guest\n"
    "  -p, --password P     the user's password (else $QVT_PASSWORD)\n";

struct Command {
    const char *name;
    const char *synopsis;
    const char *help;  // what it does and its own options
};

const Command kCommands[] = {
    {"export", "qvt-cli export --address A [--user U] --password P [-o FILE]",
     "Reads every parameter of the device and writes the parameter file that the\n"
     "tool's File > Export... writes for the same device, byte for byte.\n"
     "  -o, --output FILE    the file (replaced only once complete); - or none:\n"
     "                       standard output\n"},
    {"import", "qvt-cli import --address A --password P FILE",
     "Checks FILE (- for standard input) like the tool's File > Import...: the\n"
     "device's model, then every value of every page, before anything is written;\n"
     "then writes the pages in the tool's order and prints one line per page.\n"},
    {"diff", "qvt-cli diff FILE1 FILE2 | qvt-cli diff --address A --password P FILE",
     "Prints every parameter whose value differs, as 'path: old -> new': between\n"
     "two files, or between FILE (old) and the live device (new). Exits 1 when\n"
     "something differs, 0 when nothing does.\n"},
    {"status", "qvt-cli status --address A [--user U] --password P [--json]",
     "Prints the device's identity, versions, network settings, inputs with\n"
     "their standards and presence, and every active alarm by name.\n"
     "  --json               one JSON object\n"},
    {"monitor",
     "qvt-cli monitor --address A [--user U] --password P [--port N] [--csv FILE]\n"
     "                [--json] [--count N]",
     "Receives the device's alarm notifications and prints one line per event,\n"
     "in the alarm log's CSV row layout, until interrupted (Ctrl+C). The port is\n"
     "that of the device's notification destination naming this computer, else\n"
     "destination 1's. A lost and a returned connection are events too.\n"
     "  --port N             listen on this port instead\n"
     "  --csv FILE           also append the rows to FILE, written as the alarm\n"
     "                       log writes its files\n"
     "  --json               one JSON object per line instead\n"
     "  --count N            stop after N events\n"},
};

const Command *FindCommand(const QString &name)
{
    for (const Command &command : kCommands) {
        if (name == QLatin1String(command.name)) {
            return &command;
        }
    }
    return nullptr;
}

// The streams of one run.
class Io
{
public:
    Io(QIODevice &input, QIODevice &out, QIODevice &err) : in(input), m_out(out), m_err(err) {}

    void Data(const QByteArray &bytes) { m_out.write(bytes); }
    void Line(const QString &text) { Data(text.toUtf8() + '\n'); }
    // A message for a person: "qvt-cli: ...".
    int Fail(int status, const QString &text)
    {
        m_err.write("qvt-cli: " + text.toUtf8() + '\n');
        return status;
    }
    void Note(const QString &text) { m_err.write("qvt-cli: " + text.toUtf8() + '\n'); }

    QIODevice &in;

private:
    QIODevice &m_out;
    QIODevice &m_err;
};

// The options of one command, parsed the usual way: long options, "--" ends
// them, "-" is a file name.
class Options
{
public:
    Options(const Command &command, bool device, const QList<QCommandLineOption> &own)
        : m_command(command)
    {
        m_parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
        m_parser.addOption({{"h", "help"}, "help"});
        if (device) {
            m_parser.addOption({{"a", "address"}, "address", "A"});
            m_parser.addOption({{"u", "user"}, "user", "U", "admin"});
            m_parser.addOption({{"p", "password"}, "password", "P"});
        }
        for (const QCommandLineOption &option : own) {
            m_parser.addOption(option);
        }
    }

    // False with the reason in `error`.
    bool Parse(const QStringList &arguments, QString *error)
    {
        if (!m_parser.parse(QStringList{QStringLiteral("qvt-cli")} + arguments)) {
            *error = m_parser.errorText();
            return false;
        }
        return true;
    }
    bool Help() const { return m_parser.isSet(QStringLiteral("help")); }
    bool IsSet(const char *name) const { return m_parser.isSet(QLatin1String(name)); }
    QString Value(const char *name) const { return m_parser.value(QLatin1String(name)); }
    QStringList Files() const { return m_parser.positionalArguments(); }

    QString HelpText(bool device) const
    {
        return QStringLiteral("usage: %1\n\n%2%3")
            .arg(QLatin1String(m_command.synopsis), QLatin1String(m_command.help),
                 device ? QLatin1String(kDeviceHelp) : QString());
    }

private:
    const Command &m_command;
    QCommandLineParser m_parser;
};

// A logged-in session with the device of the options.
class Session
{
public:
    // 0, or the exit status with its message said.
    int Open(Io &io, const Options &options)
    {
        const QString address = options.Value("address");
        quint32 parsed = 0;
        if (address.isEmpty() || !ParseAddress(address, &parsed)) {
            return io.Fail(kUsage, address.isEmpty()
                                       ? QStringLiteral("--address is needed")
                                       : QStringLiteral("%1 is not an IPv4 address").arg(address));
        }
        const QString user = options.Value("user");
        if (user != QLatin1String("admin") && user != QLatin1String("guest")) {
            return io.Fail(kUsage, QStringLiteral("--user is admin or guest, not %1").arg(user));
        }
        QString password = options.Value("password");
        if (!options.IsSet("password")) {
            password = qEnvironmentVariable("QVT_PASSWORD");
            if (!qEnvironmentVariableIsSet("QVT_PASSWORD")) {
                return io.Fail(kUsage, QStringLiteral("--password (or $QVT_PASSWORD) is needed"));
            }
        }
        m_address = address;
        m_user = user == QLatin1String("guest") ? 1 : 0;
        switch (DeviceSession::LogIn(client, address, m_user, password)) {
            case DeviceSession::LoginOutcome::LoggedIn:
                break;
            case DeviceSession::LoginOutcome::Unreachable:
                return io.Fail(kUnreachable, QStringLiteral("%1 does not answer").arg(address));
            case DeviceSession::LoginOutcome::Refused:
                return io.Fail(kRefused,
                               QStringLiteral("%1 refused the user or the password").arg(address));
            case DeviceSession::LoginOutcome::Upgrading:
                return io.Fail(
                    kUpgrading,
                    QStringLiteral("%1 is in update mode (its update loader runs)").arg(address));
        }
        quint32 code = 0;
        QByteArray serial, extra;
        if (client.GetProductInfo(code, serial, extra) != 0) {
            return Failed(io, "GetProductInfo");
        }
        productType = static_cast<int>(code);
        return kOk;
    }

    // The exit status of a failed device operation, with its message: what
    // the parameter layer says of it ("SetGPIOTriggerMode: Failed"), or the
    // operation's name.
    int Failed(Io &io, const QString &failure) const
    {
        const int result = CfgNetClient::LastResult();
        return io.Fail(result == -1 ? kUnreachable : kWriteFailed, failure);
    }
    int Failed(Io &io, const char *operation) const
    {
        return Failed(io, DeviceFailure(operation, CfgNetClient::LastResult()));
    }

    QString Address() const { return m_address; }
    int User() const { return m_user; }

    CfgNetClient client;
    int productType = 0;

private:
    QString m_address;
    int m_user = 0;
};

int Usage(Io &io, const QString &why)
{
    return io.Fail(kUsage, why + QStringLiteral(" (see qvt-cli --help)"));
}

// Parses a command's options and answers --help; false when the command
// ends there, with its exit status in `status`.
bool Begin(Io &io, Options &options, const QStringList &arguments, int *status)
{
    QString error;
    if (!options.Parse(arguments, &error)) {
        *status = Usage(io, error);
        return false;
    }
    if (options.Help()) {
        io.Data(options.HelpText(true).toUtf8());
        *status = kOk;
        return false;
    }
    return true;
}

// Reads FILE, or standard input for "-"; false with the message said.
bool ReadInput(Io &io, const QString &name, QByteArray *content)
{
    if (name == QLatin1String("-")) {
        *content = io.in.readAll();
        return true;
    }
    QFile file(name);
    if (file.size() > XmlDocument::kMaxFileBytes || !file.open(QIODevice::ReadOnly)) {
        io.Note(QStringLiteral("%1: %2").arg(
            name, file.isOpen() ? QStringLiteral("too large") : file.errorString()));
        return false;
    }
    *content = file.read(XmlDocument::kMaxFileBytes + 1);
    return true;
}

// A parameter file into `doc`: 0, or the exit status with its message said.
int LoadFile(Io &io, const QString &name, XmlDocument &doc)
{
    QByteArray content;
    if (!ReadInput(io, name, &content)) {
        return kFileError;
    }
    if (!doc.LoadContent(content) || doc.Root().tagName() != QLatin1String("configure")) {
        return io.Fail(kBadFile, QStringLiteral("%1 is not a parameter file of this tool")
                                     .arg(name == QLatin1String("-") ? "standard input" : name));
    }
    return kOk;
}

// The device's parameters as the tool's Export writes them.
int ExportDevice(Io &io, Session &session, XmlDocument &doc)
{
    QString failure;
    if (ExportFile(session.client, doc, session.productType, &failure) != 0) {
        return session.Failed(io, failure);
    }
    return kOk;
}

int Export(Io &io, const QStringList &arguments)
{
    Options options(*FindCommand("export"), true, {{{"o", "output"}, "output", "FILE"}});
    int status = kOk;
    if (!Begin(io, options, arguments, &status)) {
        return status;
    }
    if (!options.Files().isEmpty()) {
        return Usage(io, QStringLiteral("export takes no file; give it with -o"));
    }
    Session session;
    XmlDocument doc;
    status = session.Open(io, options);
    if (status == kOk) {
        status = ExportDevice(io, session, doc);
    }
    if (status != kOk) {
        return status;
    }
    const QByteArray bytes = doc.ToBytes();
    const QString output = options.Value("output");
    if (output.isEmpty() || output == QLatin1String("-")) {
        io.Data(bytes);
        return kOk;
    }
    // An existing file is replaced only by a complete one.
    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        return io.Fail(kFileError, QStringLiteral("%1: %2").arg(output, file.errorString()));
    }
    return kOk;
}

int Import(Io &io, const QStringList &arguments)
{
    Options options(*FindCommand("import"), true, {});
    int status = kOk;
    if (!Begin(io, options, arguments, &status)) {
        return status;
    }
    if (options.Files().size() != 1) {
        return Usage(io, QStringLiteral("import takes one file"));
    }
    if (options.Value("user") == QLatin1String("guest")) {
        return Usage(io, QStringLiteral("a guest may not change the device: import as admin"));
    }
    XmlDocument doc;
    status = LoadFile(io, options.Files().constFirst(), doc);
    Session session;
    if (status == kOk) {
        status = session.Open(io, options);
    }
    if (status != kOk) {
        return status;
    }
    const int fileType = FileModel(doc);
    if (fileType != session.productType) {
        return io.Fail(kBadFile,
                       QStringLiteral("The parameter file and the device are mismatched: the "
                                      "file is of product type %1, the device of %2.")
                           .arg(fileType)
                           .arg(session.productType));
    }
    QString problem;
    if (!CheckParts(doc, session.productType, &problem)) {
        return io.Fail(kBadFile, QStringLiteral("nothing was written: %1").arg(problem));
    }
    const QVector<ParamPart> parts = ParamParts(session.productType);
    for (int i = 0; i < parts.size(); ++i) {
        const ParamPart &part = parts[i];
        if (g_stop) {
            return io.Fail(kWriteFailed,
                           QStringLiteral("stopped before %1; the pages before it are written")
                               .arg(QLatin1String(part.page)));
        }
        QString failure;
        if (part.importFrom(session.client, doc, &failure) != 0) {
            io.Line(QStringLiteral("%1: failed").arg(QLatin1String(part.page)));
            const int result = session.Failed(io, failure);
            io.Note(i == 0 ? QStringLiteral("nothing was written")
                           : QStringLiteral("the pages before %1 are written")
                                 .arg(QLatin1String(part.page)));
            return result;
        }
        io.Line(QStringLiteral("%1: written").arg(QLatin1String(part.page)));
    }
    return kOk;
}

// Every value of a parameter file by its element path below the document
// element; a name repeated among siblings is numbered ("Input[2]").
QVector<QPair<QString, QString>> Flatten(const XmlDocument &doc)
{
    QVector<QPair<QString, QString>> values;
    std::function<void(const QDomElement &, const QString &)> walk = [&](const QDomElement &parent,
                                                                         const QString &path) {
        QHash<QString, int> seen;
        for (QDomElement child = parent.firstChildElement(); !child.isNull();
             child = child.nextSiblingElement()) {
            const int n = ++seen[child.tagName()];
            QString name = path + child.tagName();
            if (n > 1) {
                name += QStringLiteral("[%1]").arg(n);
            }
            if (child.firstChildElement().isNull()) {
                values.append({name, child.text()});
            } else {
                walk(child, name + QLatin1Char('/'));
            }
        }
    };
    walk(doc.Root(), QString());
    return values;
}

int Diff(Io &io, const QStringList &arguments)
{
    Options options(*FindCommand("diff"), true, {});
    int status = kOk;
    if (!Begin(io, options, arguments, &status)) {
        return status;
    }
    const QStringList files = options.Files();
    const bool live = options.IsSet("address");
    if (files.size() != (live ? 1 : 2)) {
        return Usage(io, QStringLiteral("diff takes two files, or one file and --address"));
    }
    XmlDocument before, after;
    status = LoadFile(io, files[0], before);
    if (status == kOk && live) {
        Session session;
        status = session.Open(io, options);
        if (status == kOk) {
            status = ExportDevice(io, session, after);
        }
    } else if (status == kOk) {
        status = LoadFile(io, files[1], after);
    }
    if (status != kOk) {
        return status;
    }
    const QVector<QPair<QString, QString>> old = Flatten(before);
    const QVector<QPair<QString, QString>> now = Flatten(after);
    QHash<QString, QString> oldByPath, nowByPath;
    for (const auto &value : old) {
        oldByPath.insert(value.first, value.second);
    }
    for (const auto &value : now) {
        nowByPath.insert(value.first, value.second);
    }
    const QString missing = QStringLiteral("(missing)");
    int differences = 0;
    const auto report = [&](const QString &path, const QString &was, const QString &is) {
        io.Line(QStringLiteral("%1: %2 -> %3").arg(path, was, is));
        ++differences;
    };
    for (const auto &value : old) {
        if (!nowByPath.contains(value.first)) {
            report(value.first, value.second, missing);
        } else if (nowByPath.value(value.first) != value.second) {
            report(value.first, value.second, nowByPath.value(value.first));
        }
    }
    for (const auto &value : now) {
        if (!oldByPath.contains(value.first)) {
            report(value.first, missing, value.second);
        }
    }
    return differences > 0 ? kDifferent : kOk;
}

QString InputName(int input, bool dual)
{
    return dual ? QStringLiteral("%1-Input %2").arg(input < 2 ? 'A' : 'B').arg(input % 2 + 1)
                : QStringLiteral("Input %1").arg(input + 1);
}

// The system alarm of `bit` on the model, or empty where it has none.
QString SystemAlarmName(int bit, bool dual)
{
    static const char *const events[] = {"System Clocking Unlocked", "Genlocking Source Switched",
                                         "GPI Relay Triggered",      "GPI 1 Triggered",
                                         "GPI 2 Triggered",          "Relay Bypassed",
                                         "Output Switched"};
    if (bit == 0) {
        return QStringLiteral("Genlock Lost");
    }
    if (bit == 15 || bit == 16) {
        return QStringLiteral("PS%1 Fail").arg(bit - 14);
    }
    if (bit >= 1 && bit <= 7) {
        const QString name = QLatin1String(events[bit - 1]);
        return dual ? QStringLiteral("Group A ") + name : name;
    }
    if (dual && bit >= 8 && bit <= 14) {
        return QStringLiteral("Group B ") + QLatin1String(events[bit - 8]);
    }
    if (!dual && (bit == 11 || bit == 12)) {
        return QStringLiteral("GPI %1 Triggered").arg(bit - 8);
    }
    return QString();
}

int Status(Io &io, const QStringList &arguments)
{
    Options options(*FindCommand("status"), true, {{"json", "json"}});
    int status = kOk;
    if (!Begin(io, options, arguments, &status)) {
        return status;
    }
    if (!options.Files().isEmpty()) {
        return Usage(io, QStringLiteral("status takes no file"));
    }
    Session session;
    status = session.Open(io, options);
    if (status != kOk) {
        return status;
    }
    CfgNetClient &client = session.client;
    quint32 code = 0;
    QByteArray serial, extra;
    QString pcb, fpga, firmware, ip, mask, gateway;
    quint8 isDefault = 0;
    const QVector<quint8> inputs = {0, 1, 2, 3};
    QVector<VideoStandard> standards;
    QVector<quint8> present;
    QVector<AlarmType> video;
    QVector<quint16> lost, silent;
    SystemAlarm system = 0;
    const char *failed = nullptr;
    if (client.GetProductInfo(code, serial, extra) != 0) {
        failed = "GetProductInfo";
    } else if (client.GetVersion(pcb, fpga, firmware) != 0) {
        failed = "GetVersion";
    } else if (client.GetNetParam(ip, mask, gateway, isDefault) != 0) {
        failed = "GetNetParam";
    } else if (client.GetInputStandards(inputs, standards, present) != 0) {
        failed = "GetInputStandards";
    } else if (client.GetAlarmInfo(inputs, video, lost, silent, system) != 0) {
        failed = "GetAlarmInfo";
    }
    if (failed) {
        return session.Failed(io, failed);
    }
    const bool dual = IsDual(static_cast<int>(code));

    QJsonObject json;
    json.insert("address", session.Address());
    json.insert("model", EnglishModelName(code));
    json.insert("productType", static_cast<qint64>(code));
    json.insert("serial",
                serial.size() == 8
                    ? SerialNumberText(reinterpret_cast<const quint8 *>(serial.constData()))
                    : QString());
    json.insert("versions", QJsonObject{{"pcb", pcb}, {"fpga", fpga}, {"firmware", firmware}});
    json.insert(
        "network",
        QJsonObject{{"ip", ip}, {"mask", mask}, {"gateway", gateway}, {"default", isDefault != 0}});
    QJsonArray inputList;
    for (int i = 0; i < kInputCount; ++i) {
        inputList.append(QJsonObject{
            {"input", InputName(i, dual)},
            {"standard", present.value(i) ? VideoStandardName(standards.value(i), "SDI") : ""},
            {"present", present.value(i) != 0}});
    }
    json.insert("inputs", inputList);
    static const char *const videoNames[] = {"Signal Lost", "Signal Format Error",
                                             "Signal Sync Failed", "Video Black", "Video Frozen"};
    QJsonArray alarms;
    for (int i = 0; i < kInputCount; ++i) {
        for (int bit = 0; bit < 5; ++bit) {
            if (video.value(i) & (1u << bit)) {
                alarms.append(QJsonObject{{"input", InputName(i, dual)},
                                          {"alarm", QLatin1String(videoNames[bit])}});
            }
        }
        const QPair<quint16, const char *> audio[] = {{lost.value(i), "Audio Lost"},
                                                      {silent.value(i), "Audio Silent"}};
        for (const auto &kind : audio) {
            for (int k = 0; k < kAudioChannels; ++k) {
                if (kind.first & (1u << k)) {
                    const QString name =
                        QStringLiteral("%1 Ch%2").arg(QLatin1String(kind.second)).arg(k + 1);
                    alarms.append(QJsonObject{{"input", InputName(i, dual)}, {"alarm", name}});
                }
            }
        }
    }
    for (int bit = 0; bit < kSystemAlarmBits; ++bit) {
        const QString name = SystemAlarmName(bit, dual);
        if ((system & (1u << bit)) && !name.isEmpty()) {
            alarms.append(QJsonObject{{"input", ""}, {"alarm", name}});
        }
    }
    json.insert("alarms", alarms);

    if (options.IsSet("json")) {
        io.Data(QJsonDocument(json).toJson(QJsonDocument::Indented));
        return kOk;
    }
    io.Line(QStringLiteral("Device:   %1 (%2), serial %3, at %4")
                .arg(json["model"].toString())
                .arg(code)
                .arg(json["serial"].toString(), session.Address()));
    io.Line(QStringLiteral("Versions: firmware %1, FPGA %2, PCB %3").arg(firmware, fpga, pcb));
    io.Line(QStringLiteral("Network:  %1 mask %2 gateway %3%4")
                .arg(ip, mask, gateway,
                     isDefault ? QStringLiteral(" (the default settings)") : QString()));
    for (const QJsonValue &input : inputList) {
        const QJsonObject entry = input.toObject();
        io.Line(QStringLiteral("%1: %2").arg(
            entry["input"].toString(), entry["present"].toBool() ? entry["standard"].toString()
                                                                 : QStringLiteral("no signal")));
    }
    io.Line(alarms.isEmpty() ? QStringLiteral("Alarms:   none") : QStringLiteral("Alarms:"));
    for (const QJsonValue &alarm : alarms) {
        const QJsonObject entry = alarm.toObject();
        const QString input = entry["input"].toString();
        io.Line(QStringLiteral("  %1%2").arg(input.isEmpty() ? QString() : input + ": ",
                                             entry["alarm"].toString()));
    }
    return kOk;
}

int Monitor(Io &io, const QStringList &arguments)
{
    Options options(
        *FindCommand("monitor"), true,
        {{"port", "port", "N"}, {"csv", "csv", "FILE"}, {"json", "json"}, {"count", "count", "N"}});
    int status = kOk;
    if (!Begin(io, options, arguments, &status)) {
        return status;
    }
    bool ok = true;
    const uint givenPort = options.IsSet("port") ? options.Value("port").toUInt(&ok) : 0;
    if (!ok || givenPort > 65535 || (options.IsSet("port") && givenPort == 0)) {
        return Usage(io, QStringLiteral("--port is 1 to 65535"));
    }
    const int count = options.IsSet("count") ? options.Value("count").toInt(&ok) : 0;
    if (!ok || count < 0) {
        return Usage(io, QStringLiteral("--count is a number of events"));
    }
    if (!options.Files().isEmpty()) {
        return Usage(io, QStringLiteral("monitor takes no file; give one with --csv"));
    }
    Session session;
    status = session.Open(io, options);
    if (status != kOk) {
        return status;
    }
    CfgNetClient &client = session.client;
    const bool dual = IsDual(session.productType);
    quint16 port = static_cast<quint16>(givenPort);
    if (port == 0) {
        const DeviceSession::NotificationRoute route = DeviceSession::FindNotificationRoute(client);
        if (!route.read) {
            return session.Failed(io, "GetNotificationDest");
        }
        if (!route.listed) {
            io.Note(QStringLiteral("alarm notifications may not arrive: no notification "
                                   "destination of the device names this computer%1; add one "
                                   "with Device > Add Dest IP... in the tool")
                        .arg(route.local.isEmpty() ? QString()
                                                   : QStringLiteral(" (%1)").arg(route.local)));
        }
        port = route.port;
        if (port == 0) {
            return Usage(io, QStringLiteral("the device sends its notifications to no port; "
                                            "give one with --port"));
        }
    }
    // The receiver takes only the logged-in device's datagrams, and names
    // the channels that changed since the device's last word.
    SessionState::SetDeviceAddress(session.Address());
    SessionState::SetProductType(session.productType);
    SessionState::SetUserIndex(session.User());
    SessionState::SetOffline(0);
    QVector<AlarmType> video;
    QVector<quint16> lost, silent;
    SystemAlarm system = 0;
    if (client.GetAlarmInfo({0, 1, 2, 3}, video, lost, silent, system) == 0) {
        AudioMaskMemory::Store(dual, lost, silent);
    }
    AlarmCsv::Preamble preamble;
    AlarmCsv::ReadPreamble(client, preamble);

    RegisterLinkTypes();
    NoticesServer receiver;
    if (!receiver.Start(port)) {
        return io.Fail(kFileError,
                       QStringLiteral("port %1 cannot be opened on this computer").arg(port));
    }
    io.Note(QStringLiteral("listening for %1's alarm events on port %2; Ctrl+C ends")
                .arg(session.Address())
                .arg(port));

    QEventLoop loop;
    int number = 0;
    int result = kOk;
    const QString csv = options.Value("csv");
    const bool json = options.IsSet("json");
    const auto print = [&](const AlarmInfo &info) {
        const QString time = info.time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        const AlarmCsv::Row row = {QString::number(++number), time,      info.input, info.alarmType,
                                   info.alarmStatus,          info.notes};
        if (json) {
            const QJsonObject line{{"number", number},
                                   {"time", time},
                                   {"input", info.input},
                                   {"alarmType", info.alarmType},
                                   {"alarmStatus", info.alarmStatus},
                                   {"notes", info.notes}};
            io.Data(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
        } else {
            io.Data(AlarmCsv::Line(row).toUtf8());
        }
        QString why;
        if (!csv.isEmpty() && !AlarmCsv::Append(csv, preamble, {row}, &why)) {
            io.Note(QStringLiteral("%1 could not be written (%2): row %3 is only on standard "
                                   "output")
                        .arg(csv, why)
                        .arg(number));
            result = kFileError;
        }
        if (count > 0 && number >= count) {
            loop.quit();
        }
    };
    QObject::connect(&receiver, &NoticesServer::NotityAlarmInfo, &loop, print);

    // A device that stops answering is an event too, as in the tool's log.
    UpdateThread monitor(&client);
    bool connectionLost = false;
    QObject::connect(&monitor, &UpdateThread::IsAlive, &loop, [&](bool alive, int) {
        if (alive == !connectionLost) {
            return;
        }
        connectionLost = !alive;
        if (alive) {
            client.Login();
        }
        AlarmInfo info;
        info.time = QDateTime::currentDateTime();
        info.alarmType = QStringLiteral("Connection Lost");
        info.alarmStatus = alive ? QStringLiteral("Cleared") : QStringLiteral("Asserted");
        print(info);
    });
    monitor.Start();

    QTimer stopCheck;
    QObject::connect(&stopCheck, &QTimer::timeout, &loop, [&loop] {
        if (g_stop) {
            loop.quit();
        }
    });
    stopCheck.start(100);
    loop.exec();

    receiver.Stop();
    monitor.Stop();
    client.Close();
    monitor.Join();
    return result;
}

}  // namespace

int Run(const QStringList &arguments, QIODevice &in, QIODevice &out, QIODevice &err)
{
    Io io(in, out, err);
    g_stop = false;
    const QString name = arguments.value(0);
    if (name.isEmpty() || name == QLatin1String("--help") || name == QLatin1String("-h") ||
        name == QLatin1String("help")) {
        io.Data(kProgramHelp);
        return name.isEmpty() ? kUsage : kOk;
    }
    const QStringList rest = arguments.mid(1);
    if (name == QLatin1String("export")) {
        return Export(io, rest);
    }
    if (name == QLatin1String("import")) {
        return Import(io, rest);
    }
    if (name == QLatin1String("diff")) {
        return Diff(io, rest);
    }
    if (name == QLatin1String("status")) {
        return Status(io, rest);
    }
    if (name == QLatin1String("monitor")) {
        return Monitor(io, rest);
    }
    return Usage(io, QStringLiteral("no command %1").arg(name));
}

void RequestStop()
{
    g_stop = true;
}

}  // namespace Cli
