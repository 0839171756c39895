// The change journal from the command line: the journaled write that import
// and revert share, and history.

#include "CliCommon.h"

#include "JournalSpool.h"
#include "JournalWriter.h"
#include "PartWrite.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

namespace Cli {
namespace {
// A --since or --until date, local time: "YYYY-MM-DD" (its start, or with
// `endOfDay` the next day's) or "YYYY-MM-DDTHH:MM[:SS]". Invalid when bad.
QDateTime ParseDate(const QString &text, bool endOfDay)
{
    const QDate day = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (day.isValid() && text.size() == 10) {
        return QDateTime(endOfDay ? day.addDays(1) : day, QTime(0, 0), Qt::LocalTime);
    }
    for (const char *format : {"yyyy-MM-ddTHH:mm", "yyyy-MM-ddTHH:mm:ss"}) {
        QDateTime at = QDateTime::fromString(text, QLatin1String(format));
        if (at.isValid() && text.size() == int(qstrlen(format))) {
            at.setTimeSpec(Qt::LocalTime);
            return at;
        }
    }
    return QDateTime();
}

QString Shown(const QString &value)
{
    return value.isNull() ? QStringLiteral("(missing)") : value;
}

QString ResultShown(const FieldChange &change)
{
    return change.result == JournalResult::Refused
               ? QStringLiteral("refused (%1)").arg(change.resultCode)
               : ResultText(change.result);
}

QString EntryLine(const JournalEntry &e)
{
    const JournalContext &c = e.context;
    const QString device = c.deviceSerial.isEmpty() ? c.deviceAddress : c.deviceSerial;
    const QString user =
        e.source != JournalSource::Outside ? QStringLiteral("%1@%2").arg(c.osUser, c.computer)
        : e.changedAfter.isValid()
            ? QStringLiteral("(outside the tool, after %1, found by %2)")
                  .arg(e.changedAfter.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                       e.detectedBy)
            : QStringLiteral("(outside the tool, found by %1)").arg(e.detectedBy);
    return QStringLiteral("%1  #%2  %3  %4  %5  %6: %7 -> %8  %9")
        .arg(e.when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
        .arg(e.operationId)
        .arg(device, user, e.operation, e.change.field, Shown(e.change.before),
             Shown(e.change.after), ResultShown(e.change));
}

QByteArray EntryJson(const JournalEntry &e)
{
    const JournalContext &c = e.context;
    const auto value = [](const QString &text) {
        return text.isNull() ? QJsonValue() : QJsonValue(text);
    };
    const QJsonObject object{
        {"id", e.id},
        {"operation_id", e.operationId},
        {"time", e.when.toOffsetFromUtc(e.utcOffsetSeconds).toString(Qt::ISODateWithMs)},
        {"computer", c.computer},
        {"os_user", c.osUser},
        {"program", c.program},
        {"version", c.programVersion},
        {"device_serial", c.deviceSerial},
        {"device_address", c.deviceAddress},
        {"device_model", c.deviceModel},
        {"login_user", c.loginUser},
        {"operation", e.operation},
        {"source", SourceText(e.source)},
        {"changed_after",
         e.changedAfter.isValid()
             ? QJsonValue(
                   e.changedAfter.toOffsetFromUtc(e.utcOffsetSeconds).toString(Qt::ISODateWithMs))
             : QJsonValue()},
        {"detected_by", e.detectedBy},
        {"field", e.change.field},
        {"before", value(e.change.before)},
        {"after", value(e.change.after)},
        {"result", ResultText(e.change.result)},
        {"result_code", e.change.resultCode},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
}  // namespace

QString JournalLocation(const Options &options)
{
    return options.IsSet("journal") ? options.Value("journal")
                                    : qEnvironmentVariable("QVT_JOURNAL");
}

QCommandLineOption JournalOption()
{
    return QCommandLineOption(QStringLiteral("journal"), QStringLiteral("journal"),
                              QStringLiteral("LOCATION"));
}

int WriteJournaled(Io &io, DeviceLogin &session, const QVector<ParamPart> &parts,
                   const XmlDocument &doc, const QString &operation, const QString &journal)
{
    const PartsWrite write =
        WriteParts(session.client, parts, doc, [] { return StopRequested().load(); });
    const int written = write.status == 0 ? parts.size() : write.failedPart;
    for (int i = 0; i < written; ++i) {
        io.Line(QStringLiteral("%1: written").arg(QLatin1String(parts[i].page)));
    }
    int status = kOk;
    if (write.status != 0) {
        const QString page = QLatin1String(parts[write.failedPart].page);
        if (write.failure == QLatin1String("stopped")) {
            status = io.Fail(
                kDeviceFailed,
                QStringLiteral("stopped before %1; the pages before it are written").arg(page));
        } else {
            if (write.wrote) {
                io.Line(QStringLiteral("%1: failed").arg(page));
            }
            status = io.Fail(write.resultCode == -1 ? kUnreachable : kDeviceFailed, write.failure);
            io.Note(written == 0 ? QStringLiteral("nothing was written")
                                 : QStringLiteral("the pages before %1 are written").arg(page));
        }
    }
    if (!write.changes.isEmpty()) {
        JournalOperation op;
        op.context = session.Context();
        op.operation = operation;
        op.changes = write.changes;
        // The device was written either way: the journal only says so or not.
        JournalWriter writer(journal);
        QElapsedTimer clock;
        clock.start();
        bool recorded = writer.Submit(op);
        // A journal that refused at once may only have been busy a moment
        // (another program creating the same file): tried again for a
        // second before the entry is left in the spool. A server that does
        // not answer took its time-out already.
        const bool quick = clock.elapsed() < 1000;
        while (!recorded && quick && clock.elapsed() < 1000) {
            QThread::msleep(100);
            recorded = writer.Flush();
        }
        if (!recorded) {
            io.Note(
                QStringLiteral("the change journal was not written: %1").arg(writer.LastError()));
            if (writer.InMemory() > 0 && status == kOk) {
                // Neither the journal nor the spool took it: it ends with this program.
                status = io.Fail(kFileError, QStringLiteral("the device was changed; its journal "
                                                            "entry could be kept nowhere"));
            } else if (status == kOk) {
                status = io.Fail(kSpooled,
                                 QStringLiteral("the device was changed; the journal entry waits "
                                                "in the spool %1")
                                     .arg(writer.SpoolPath()));
            }
        }
    }
    return status;
}

int History(Io &io, const QStringList &arguments)
{
    Options options(*FindCommand("history"), true,
                    {{"device", "device", "D"},
                     {"since", "since", "DATE"},
                     {"until", "until", "DATE"},
                     {"field", "field", "PATH"},
                     {"json", "json"},
                     {"revert", "revert", "ID"},
                     {"yes", "yes"},
                     {"force", "force"},
                     JournalOption()});
    int status = kOk;
    if (!Begin(io, options, arguments, &status)) {
        return status;
    }
    if (!options.Files().isEmpty()) {
        return Usage(
            io, QStringLiteral("history takes no operand (%1)").arg(options.Files().constFirst()));
    }
    if (options.IsSet("revert")) {
        return Revert(io, options);
    }
    JournalFilter filter;
    filter.device = options.Value("device");
    if (options.IsSet("since")) {
        filter.since = ParseDate(options.Value("since"), false);
        if (!filter.since.isValid()) {
            return Usage(io, QStringLiteral("--since %1: a date is YYYY-MM-DD or "
                                            "YYYY-MM-DDTHH:MM[:SS]")
                                 .arg(options.Value("since")));
        }
    }
    if (options.IsSet("until")) {
        filter.until = ParseDate(options.Value("until"), true);
        if (!filter.until.isValid()) {
            return Usage(io, QStringLiteral("--until %1: a date is YYYY-MM-DD or "
                                            "YYYY-MM-DDTHH:MM[:SS]")
                                 .arg(options.Value("until")));
        }
    }
    filter.field = options.Value("field");
    if (filter.field.endsWith(QLatin1Char('/'))) {
        filter.fieldPrefix = true;
    }
    QString error;
    std::unique_ptr<Journal> journal = Journal::Open(JournalLocation(options), &error);
    if (journal) {
        // Entries that waited in this computer's spool belong in what is shown.
        int moved = 0;
        if (!JournalSpool(JournalSpool::DefaultPath()).MoveInto(*journal, &moved, &error)) {
            io.Note(QStringLiteral("the spool's entries could not be moved into the journal: %1")
                        .arg(error));
        }
    } else {
        // An auditor may read what they may not write, and a journal of a
        // newer version is read as far as this version can.
        QString reading;
        journal = Journal::OpenToRead(JournalLocation(options), &reading);
        if (!journal) {
            return io.Fail(kFileError, QStringLiteral("%1; to read it: %2").arg(error, reading));
        }
    }
    error.clear();
    const QVector<JournalEntry> entries = journal->History(filter, &error);
    if (!error.isEmpty()) {
        return io.Fail(kFileError, error);
    }
    const bool json = options.IsSet("json");
    for (const JournalEntry &entry : entries) {
        if (json) {
            io.Data(EntryJson(entry) + '\n');
        } else {
            io.Line(EntryLine(entry));
        }
    }
    return kOk;
}

}  // namespace Cli
