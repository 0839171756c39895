#pragma once

// What the commands of qvt-cli share: their streams and options, the session
// with the device, the parameter files. Used only inside cli/.

#include "Cli.h"

#include "CfgNetClient.h"
#include "JournalTypes.h"
#include "ParamsFile.h"
#include "XmlDocument.h"

#include <QCommandLineParser>
#include <QIODevice>

#include <atomic>
#include <memory>

class Journal;

namespace Cli {

class Io;

struct Command {
    const char *name;
    const char *synopsis;
    const char *help;  // what it does and its own options
    int (*run)(Io &io, const QStringList &arguments);
};

// The command of that name, or null.
const Command *FindCommand(const QString &name);
// The options of every command that talks to a device, for its help.
extern const char kDeviceHelp[];

// Set by RequestStop: a monitor ends, an import stops between two parts.
std::atomic<bool> &StopRequested();

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
        : m_command(command), m_device(device)
    {
        m_parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
        m_parser.addOption({{"h", "help"}, "help"});
        if (device) {
            m_parser.addOption({{"a", "address"}, "address", "A"});
            m_parser.addOption(
                {{"u", "user"}, "user", "U", QString::fromLatin1(UserName(kUserAdmin))});
            m_parser.addOption({{"p", "password"}, "password", "P"});
        }
        for (const QCommandLineOption &option : own) {
            m_parser.addOption(option);
        }
    }

    // False with the reason in `error`.
    bool Parse(const QStringList &arguments, QString *error);
    bool Help() const { return m_parser.isSet(QStringLiteral("help")); }
    bool IsSet(const char *name) const { return m_parser.isSet(QLatin1String(name)); }
    QString Value(const char *name) const { return m_parser.value(QLatin1String(name)); }
    // The device's address: --address, else a first operand that is an IPv4
    // address, as network tools take it; empty when neither is given.
    QString Address() const { return m_address; }
    // The operands after the address.
    QStringList Files() const { return m_files; }

    QString HelpText(bool device) const
    {
        return QStringLiteral("usage: %1\n\n%2%3")
            .arg(QLatin1String(m_command.synopsis), QLatin1String(m_command.help),
                 device ? QLatin1String(kDeviceHelp) : QString());
    }

private:
    const Command &m_command;
    const bool m_device;
    QCommandLineParser m_parser;
    QString m_address;
    QStringList m_files;
};

// A logged-in session with the device of the options.
class DeviceLogin
{
public:
    // Checks the address (`address`, else the options'), user and password,
    // logs in and reads the model: 0, or the exit status with its message said.
    int Open(Io &io, const Options &options, const QString &address = QString());

    // The exit status of a failed device operation, with its message: what
    // the parameter layer says of it ("SetGPIOTriggerMode: Failed"), or the
    // operation's name.
    int Failed(Io &io, const QString &failure) const;
    int Failed(Io &io, const char *operation) const;

    QString Address() const { return m_address; }
    int User() const { return m_user; }
    // "AB00012345-00000042", or empty when the device gave no serial block.
    QString SerialText() const;
    // This computer and user, and this device, for the change journal.
    JournalContext Context() const;

    CfgNetClient client;
    int productType = 0;
    QByteArray serial;  // the serial number block read at login

private:
    QString m_address;
    int m_user = 0;
};

// Says why the usage is bad; returns kUsage.
int Usage(Io &io, const QString &why);
// Parses a command's options and answers --help; false when the command
// ends there, with its exit status in `status`.
bool Begin(Io &io, Options &options, const QStringList &arguments, int *status);
// A parameter file (standard input for "-") into `doc`: 0, or the exit
// status with its message said.
int LoadFile(Io &io, const QString &name, XmlDocument &doc);
// The device's parameters as the tool's Export writes them.
int ExportDevice(Io &io, DeviceLogin &session, XmlDocument &doc);

// A --since, --until or --at date, local time: "YYYY-MM-DD" (its start, or
// with `endOfDay` the next day's) or "YYYY-MM-DDTHH:MM[:SS]". Invalid when bad.
QDateTime ParseDate(const QString &text, bool endOfDay);
// Option --`name`'s date as ParseDate reads it, or an invalid one after
// saying why in `status`.
QDateTime TimeOption(Io &io, const char *name, const QString &text, int *status,
                     bool endOfDay = false);
// A time as the journal's lines show it: local, to the second.
QString LocalText(const QDateTime &at);
// --confirm-within's minutes into `minutes` (0 when not given); false after
// saying why in `status`.
bool ConfirmWithin(Io &io, const Options &options, double *minutes, int *status);
// The fields that differ from `before` to `after`, as "path: old -> new"
// lines (or JSON objects), as diff prints them; how many.
int PrintDifferences(Io &io, const XmlDocument &before, const XmlDocument &after, bool json);

// The journal to show or read from: written to when it can be, after this
// computer's spool's entries were moved in; else read-only.
std::unique_ptr<Journal> OpenToShow(Io &io, const QString &location, QString *error);
// Asks on standard error whether to write `changes` values to `address`:
// true for "y" or "yes" on standard input.
bool Agreed(Io &io, int changes, const QString &address);
// The change journal's location: --journal, else $QVT_JOURNAL, else empty
// for the default file.
QString JournalLocation(const Options &options);
// The option that names it, for the commands that use the journal.
QCommandLineOption JournalOption();
// Writes `parts` from `doc` like an import, one line per page, and journals
// the write as `operation`. The exit status is the device's: a journal that
// cannot be written is said on standard error and changes nothing else.
// With `confirmWithinMinutes` above 0 the operation is recorded at once and
// must be confirmed by then, or the service watching the device reverts it.
// Afterwards the file the device holds is stored as a version.
int WriteJournaled(Io &io, DeviceLogin &session, const QVector<ParamPart> &parts,
                   const XmlDocument &doc, const QString &operation, const QString &journal,
                   double confirmWithinMinutes = 0);
// The file the device holds after a write, stored as a version in the
// journal; a journal that cannot take it is said and changes nothing else.
void StoreLeftVersion(Io &io, DeviceLogin &session, const QString &journal);
// Before a write that must be confirmed: a service that may revert watches
// the device and shares the journal; else says why and returns kUsage.
int CheckConfirmable(Io &io, DeviceLogin &session, const QString &journal);

// The commands, each given the arguments after its name.
int Export(Io &io, const QStringList &arguments);
int Import(Io &io, const QStringList &arguments);
int Diff(Io &io, const QStringList &arguments);
int Status(Io &io, const QStringList &arguments);
int Monitor(Io &io, const QStringList &arguments);
int History(Io &io, const QStringList &arguments);
int Restore(Io &io, const QStringList &arguments);
int Confirm(Io &io, const QStringList &arguments);
// history --revert, --at and --diff: the options already parsed.
int Revert(Io &io, const Options &options);
int HistoryAt(Io &io, const Options &options);
int HistoryDiff(Io &io, const Options &options);

}  // namespace Cli
