#include "CliCommon.h"

#include "DeviceSession.h"
#include "DeviceTables.h"
#include "ParamField.h"
#include "ParamsFile.h"
#include "TextForms.h"

#include <QFile>

namespace Cli {
namespace {
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
}  // namespace

const char kDeviceHelp[] =
    "  A, -a, --address A   the device's IPv4 address: the first operand, or\n"
    "                       anywhere with -a (a file named like an address\n"
    "                       is then ./NAME)\n"
    "  -u, --user U         admin (the default) or guest\n"
    "  -p, --password P     the user's password (else $QVT_PASSWORD)\n";

// In the help of the commands that use the change journal.
#define QVT_JOURNAL_HELP                                                        \
    "  --journal LOCATION   the change journal: an SQLite file or a\n"          \
    "                       postgresql://user@host:port/db URL, its password\n" \
    "                       from ~/.pgpass or $PGPASSFILE (one in the URL is\n" \
    "                       visible to other users); else $QVT_JOURNAL, else\n" \
    "                       ~/.local/share/qvt-config/journal.sqlite\n"

const Command kCommands[] = {
    {"export", "qvt-cli export A [--user U] --password P [-o FILE]",
     "Reads every parameter of the device and writes the parameter file that the\n"
     "tool's File > Export... writes for the same device, byte for byte.\n"
     "  -o, --output FILE    the file (replaced only once complete); - or none:\n"
     "                       standard output\n",
     Export},
    {"import",
     "qvt-cli import A --password P [--journal LOCATION] [--confirm-within MINUTES]\n"
     "               FILE",
     "Checks FILE (- for standard input) like the tool's File > Import...: the\n"
     "device's model, then every value of every page, before anything is written;\n"
     "then writes the pages in the tool's order and prints one line per page.\n"
     "Each changed field goes to the change journal as operation 'import FILE',\n"
     "and the file the device then holds as a version.\n"
     "  --confirm-within M   the change must be confirmed (qvt-cli confirm N)\n"
     "                       within M minutes, else the qvt-monitord watching the\n"
     "                       device and sharing the journal reverts it; refused\n"
     "                       (exit 2) when no such service may revert there\n" QVT_JOURNAL_HELP,
     Import},
    {"diff", "qvt-cli diff FILE1 FILE2 | qvt-cli diff A --password P FILE",
     "Prints every parameter whose value differs, as 'path: old -> new': between\n"
     "two files, or between FILE (old) and the live device (new). Exits 1 when\n"
     "something differs, 0 when nothing does.\n",
     Diff},
    {"status", "qvt-cli status A [--user U] --password P [--json]",
     "Prints the device's identity, versions, network settings, inputs with\n"
     "their standards and presence, and every active alarm by name.\n"
     "  --json               one JSON object\n",
     Status},
    {"monitor",
     "qvt-cli monitor A [--user U] --password P [--port N] [--csv FILE] [--json]\n"
     "                [--count N]",
     "Receives the device's alarm notifications and prints one line per event,\n"
     "in the alarm log's CSV row layout, until interrupted (Ctrl+C). The port is\n"
     "that of the device's notification destination naming this computer, else\n"
     "destination 1's. A lost and a returned connection are events too.\n"
     "  --port N             listen on this port instead\n"
     "  --csv FILE           also append each row to FILE, laid out as the alarm\n"
     "                       log's files: the preamble once when FILE is new,\n"
     "                       then one write a row. Latin-1 while every character\n"
     "                       fits, else UTF-8 with a byte-order mark: a Latin-1\n"
     "                       FILE that gets a row Latin-1 cannot hold is written\n"
     "                       again once, whole, as UTF-8\n"
     "  --json               one JSON object per line instead\n"
     "  --count N            stop after exactly N events\n",
     Monitor},
    {"history",
     "qvt-cli history [--device D] [--since DATE] [--until DATE] [--field PATH]\n"
     "                [--json] [--journal LOCATION]\n"
     "       qvt-cli history --revert ID [--yes] [--force] [-a A] --password P\n"
     "       qvt-cli history --verify | --prune-before DATE [--yes]\n"
     "       qvt-cli history --at TIME | --diff FROM [TO] --device D",
     "Prints the change journal, newest first, one line per changed field: time\n"
     "(local), operation number, device, user, operation, 'field: before ->\n"
     "after' and the result (taken, refused, not reached).\n"
     "  --device D           a device's serial number or address\n"
     "  --since DATE         from DATE on: YYYY-MM-DD (its start) or\n"
     "                       YYYY-MM-DDTHH:MM[:SS], local time\n"
     "  --until DATE         before DATE; a day without a time means the end of\n"
     "                       that day\n"
     "  --field PATH         one field; a PATH ending in / every field below it\n"
     "  --json               one JSON object per line\n"
     "  --revert ID          write back the values operation ID found, to the\n"
     "                       device it wrote to (or A, which must have the same\n"
     "                       serial number), after showing them and asking;\n"
     "                       journaled as 'revert ID'. Network, notification and\n"
     "                       password changes are not reverted. When a later\n"
     "                       operation changed a field it would write, it lists\n"
     "                       each and writes nothing (exit 2)\n"
     "  --yes                do not ask\n"
     "  --force              revert over later changes all the same\n"
     "  --verify             checks each operation's hash, which covers its\n"
     "                       values, its entries and the operation before it;\n"
     "                       names the first operation changed or moved since\n"
     "                       it was recorded and exits 1 (0 when intact). Note\n"
     "                       the newest hash it prints: deleting the newest\n"
     "                       operations is told only by comparing it\n"
     "  --prune-before DATE  deletes the operations recorded before DATE, after\n"
     "                       showing how many and asking; the rest still\n"
     "                       verifies. Refused when --verify fails\n"
     "  --at TIME --device D [-o FILE]\n"
     "                       writes D's parameter file as it was at TIME: its\n"
     "                       newest stored version then, with the journal's\n"
     "                       changes after it applied; exit 5 when the journal\n"
     "                       holds no version of D by then\n"
     "  --diff FROM [TO] --device D\n"
     "                       the fields that differ between the two times (TO\n"
     "                       none: now, read from the device), as diff prints\n"
     "                       them; --json one object per field\n" QVT_JOURNAL_HELP,
     History},
    {"restore", "qvt-cli restore A --password P --to TIME [--yes] [--confirm-within M]",
     "Writes back the parameters the device held at TIME (as history --at gives\n"
     "them): shows each field that changes, asks, and writes only the pages that\n"
     "hold them, journaled as 'restore to TIME'. Network, notification and\n"
     "password settings are never written, and are listed as skipped.\n"
     "  --to TIME            YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS], local time\n"
     "  --yes                do not ask\n"
     "  --confirm-within M   as import's\n" QVT_JOURNAL_HELP,
     Restore},
    {"confirm", "qvt-cli confirm OPERATION [--journal LOCATION]",
     "Confirms a change made with --confirm-within before its deadline, so that\n"
     "it stays.\n" QVT_JOURNAL_HELP,
     Confirm},
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

bool Options::Parse(const QStringList &arguments, QString *error)
{
    if (!m_parser.parse(QStringList{QStringLiteral("qvt-cli")} + arguments)) {
        *error = m_parser.errorText();
        return false;
    }
    m_files = m_parser.positionalArguments();
    m_address = m_device ? m_parser.value(QStringLiteral("address")) : QString();
    quint32 parsed = 0;
    if (m_device && !m_parser.isSet(QStringLiteral("address")) && !m_files.isEmpty() &&
        ParseAddress(m_files.constFirst(), &parsed)) {
        m_address = m_files.takeFirst();
    }
    return true;
}

std::atomic<bool> &StopRequested()
{
    static std::atomic<bool> stop{false};
    return stop;
}

int DeviceLogin::Open(Io &io, const Options &options, const QString &given)
{
    const QString address = given.isEmpty() ? options.Address() : given;
    quint32 parsed = 0;
    if (address.isEmpty() || !ParseAddress(address, &parsed)) {
        return io.Fail(kUsage, address.isEmpty()
                                   ? QStringLiteral("the device's address is needed (A or -a A)")
                                   : QStringLiteral("%1 is not an IPv4 address").arg(address));
    }
    const QString user = options.Value("user");
    if (UserIndex(user) < 0) {
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
    m_user = UserIndex(user);
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
    QByteArray extra;
    if (client.GetProductInfo(code, serial, extra) != 0) {
        return Failed(io, "GetProductInfo");
    }
    productType = static_cast<int>(code);
    return kOk;
}

QString DeviceLogin::SerialText() const
{
    return serial.size() == 8
               ? SerialNumberText(reinterpret_cast<const quint8 *>(serial.constData()))
               : QString();
}

JournalContext DeviceLogin::Context() const
{
    JournalContext context = LocalJournalContext(QStringLiteral("qvt-cli"));
    context.deviceSerial = SerialText();
    context.deviceAddress = m_address;
    context.deviceModel = EnglishModelName(static_cast<quint32>(productType));
    context.loginUser = QString::fromLatin1(UserName(m_user));
    return context;
}

int DeviceLogin::Failed(Io &io, const QString &failure) const
{
    const int result = CfgNetClient::LastResult();
    return io.Fail(result == -1 ? kUnreachable : kDeviceFailed, failure);
}
int DeviceLogin::Failed(Io &io, const char *operation) const
{
    return Failed(io, DeviceFailure(operation, CfgNetClient::LastResult()));
}

int Usage(Io &io, const QString &why)
{
    return io.Fail(kUsage, why + QStringLiteral(" (see qvt-cli --help)"));
}

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

int LoadFile(Io &io, const QString &name, XmlDocument &doc)
{
    QByteArray content;
    if (!ReadInput(io, name, &content)) {
        return kFileError;
    }
    if (!doc.LoadContent(content)) {
        return io.Fail(kBadFile, QStringLiteral("%1 is not a parameter file of this tool: %2")
                                     .arg(name == QLatin1String("-") ? "standard input" : name,
                                          doc.Problem()));
    }
    return kOk;
}

int ExportDevice(Io &io, DeviceLogin &session, XmlDocument &doc)
{
    QString failure;
    if (ExportFile(session.client, doc, session.productType, &failure) != 0) {
        return session.Failed(io, failure);
    }
    return kOk;
}

bool Agreed(Io &io, int changes, const QString &address)
{
    io.Note(QStringLiteral("write these %1 values to %2? [y/N]").arg(changes).arg(address));
    const QByteArray answer = io.in.readLine().trimmed().toLower();
    return answer == "y" || answer == "yes";
}

}  // namespace Cli
