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
    const QString user = e.source != JournalSource::Outside
                             ? QStringLiteral("%1@%2").arg(c.osUser, c.computer)
                         : e.changedAfter.isValid()
                             ? QStringLiteral("(outside the tool, after %1, found by %2)")
                                   .arg(LocalText(e.changedAfter), e.detectedBy)
                             : QStringLiteral("(outside the tool, found by %1)").arg(e.detectedBy);
    return QStringLiteral("%1  #%2  %3  %4  %5  %6: %7 -> %8  %9")
        .arg(LocalText(e.when))
        .arg(e.operationId)
        .arg(device, user, e.operation, e.change.field, Shown(e.change.before),
             Shown(e.change.after), ResultShown(e.change));
}

// What became of an operation that had to be confirmed.
QString ConfirmationShown(const JournalConfirmation &c)
{
    switch (c.state) {
        case ConfirmState::Pending:
            return c.deadline < QDateTime::currentDateTimeUtc()
                       ? QStringLiteral("(not confirmed by %1: the service's revert is due)")
                             .arg(LocalText(c.deadline))
                       : QStringLiteral("(to confirm by %1)").arg(LocalText(c.deadline));
        case ConfirmState::Reverting:
            return QStringLiteral("(not confirmed: being reverted by %1)").arg(c.settledBy);
        case ConfirmState::Confirmed:
            return QStringLiteral("(confirmed by %1)").arg(c.settledBy);
        case ConfirmState::Reverted:
            return c.revertOperationId > 0
                       ? QStringLiteral("(not confirmed: reverted as #%1)").arg(c.revertOperationId)
                       : QStringLiteral("(not confirmed: nothing left to revert)");
        case ConfirmState::Failed:
            return QStringLiteral("(not confirmed, and not reverted: %1)").arg(c.note);
    }
    return QString();
}

QByteArray EntryJson(const JournalEntry &e, const JournalConfirmation *confirmation)
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
        {"confirmation",
         confirmation == nullptr
             ? QJsonValue()
             : QJsonObject{{"state", ConfirmStateText(confirmation->state)},
                           {"deadline", confirmation->deadline.toString(Qt::ISODateWithMs)},
                           {"revert_operation_id", confirmation->revertOperationId}}},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// Exit 0 when every hash matches, 1 naming the first that does not.
int Verify(Io &io, Journal &journal)
{
    JournalChain::Check check;
    QString error;
    if (!journal.Verify(&check, &error)) {
        return io.Fail(kFileError, error);
    }
    if (check.anchorId > 0) {
        io.Line(QStringLiteral("%1: operations up to #%2, recorded before %3, were pruned")
                    .arg(journal.Where())
                    .arg(check.anchorId)
                    .arg(LocalText(check.prunedBefore)));
    }
    if (check.orphans > 0) {
        io.Note(QStringLiteral("%1: %2 entries belong to no operation: their operations were "
                               "deleted")
                    .arg(journal.Where())
                    .arg(check.orphans));
    }
    if (check.firstBroken > 0) {
        return io.Fail(kDifferent,
                       QStringLiteral("%1: operation #%2 does not match its hash: it, or the "
                                      "order of the operations before it, was changed since "
                                      "it was recorded")
                           .arg(journal.Where())
                           .arg(check.firstBroken));
    }
    if (check.orphans > 0) {
        return kDifferent;
    }
    if (check.operations == 0) {
        io.Line(QStringLiteral("%1: intact: no operations%2")
                    .arg(journal.Where(),
                         check.anchorId > 0 ? QStringLiteral(" since the pruning") : QString()));
        return kOk;
    }
    io.Line(
        QStringLiteral("%1: intact: %2 operations, %3 entries; the newest, #%4, has the hash %5")
            .arg(journal.Where())
            .arg(check.operations)
            .arg(check.entries)
            .arg(check.newestId)
            .arg(check.newestHash));
    return kOk;
}

int Prune(Io &io, const Options &options)
{
    const QDateTime before = ParseDate(options.Value("prune-before"), false);
    if (!before.isValid()) {
        return Usage(io, QStringLiteral("--prune-before %1: a date is YYYY-MM-DD or "
                                        "YYYY-MM-DDTHH:MM[:SS]")
                             .arg(options.Value("prune-before")));
    }
    QString error;
    std::unique_ptr<Journal> journal = Journal::Open(JournalLocation(options), &error);
    if (!journal) {
        return io.Fail(kFileError, error);
    }
    // What an edit left must not be pruned away unseen.
    const int verified = Verify(io, *journal);
    if (verified != kOk) {
        return io.Fail(verified, QStringLiteral("nothing was pruned"));
    }
    JournalChain::Prune counted;
    if (!journal->Prune(before, 0, &counted, &error)) {
        return io.Fail(kFileError, error);
    }
    if (counted.olderKept > 0) {
        io.Note(QStringLiteral("%1 operations recorded before %2 are kept: they were recorded "
                               "after newer ones (from a spool), and the hashes run in the "
                               "order of recording")
                    .arg(counted.olderKept)
                    .arg(LocalText(before)));
    }
    if (counted.operations == 0) {
        io.Line(QStringLiteral("nothing to prune before %1").arg(LocalText(before)));
        return kOk;
    }
    if (!options.IsSet("yes")) {
        io.Note(QStringLiteral("delete operations #%1 and older: %2 operations, %3 entries "
                               "recorded before %4? [y/N]")
                    .arg(counted.lastId)
                    .arg(counted.operations)
                    .arg(counted.entries)
                    .arg(LocalText(before)));
        const QByteArray answer = io.in.readLine().trimmed().toLower();
        if (answer != "y" && answer != "yes") {
            return io.Fail(kOk, QStringLiteral("nothing was pruned"));
        }
    }
    JournalChain::Prune pruned;
    if (!journal->Prune(before, counted.lastId, &pruned, &error)) {
        return io.Fail(kFileError, error);
    }
    io.Line(QStringLiteral("pruned %1 operations (%2 entries), #%3 and older; the rest verifies "
                           "from #%3's hash")
                .arg(pruned.operations)
                .arg(pruned.entries)
                .arg(pruned.lastId));
    return kOk;
}
}  // namespace

std::unique_ptr<Journal> OpenToShow(Io &io, const QString &location, QString *error)
{
    std::unique_ptr<Journal> journal = Journal::Open(location, error);
    if (journal) {
        // Entries that waited in this computer's spool belong in what is shown.
        int moved = 0;
        if (!JournalSpool(JournalSpool::DefaultPath()).MoveInto(*journal, &moved, error)) {
            io.Note(QStringLiteral("the spool's entries could not be moved into the journal: %1")
                        .arg(*error));
        }
        error->clear();
        return journal;
    }
    // An auditor may read what they may not write, and a journal of a
    // newer version is read as far as this version can.
    QString reading;
    journal = Journal::OpenToRead(location, &reading);
    if (!journal) {
        *error = QStringLiteral("%1; to read it: %2").arg(*error, reading);
    }
    return journal;
}

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
                   const XmlDocument &doc, const QString &operation, const QString &journal,
                   double confirmWithinMinutes)
{
    const PartsWrite write =
        WriteParts(session.client, parts, doc, [] { return StopRequested().load(); });
    const int written = write.status == 0 ? parts.size() : write.failedPart;
    for (int i = 0; i < written; ++i) {
        io.Line(QStringLiteral("%1: written").arg(QLatin1String(parts[i].page)));
    }
    int status = kOk;
    bool journalReached = true;
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
        qint64 id = 0;
        QString error;
        // A change to confirm needs its number now: recorded directly, not
        // through the spool, which gives none.
        bool recorded = confirmWithinMinutes > 0 && writer.Flush() && writer.Current() &&
                        writer.Current()->Record(op, &error, &id);
        if (confirmWithinMinutes > 0) {
            JournalConfirmation confirmation;
            confirmation.operationId = id;
            confirmation.deviceSerial = op.context.deviceSerial;
            confirmation.deviceAddress = op.context.deviceAddress;
            confirmation.deadline =
                QDateTime::currentDateTimeUtc().addMSecs(qRound64(confirmWithinMinutes * 60000));
            if (recorded && writer.Current()->AddConfirmation(confirmation, &error)) {
                io.Line(QStringLiteral("operation %1 must be confirmed by %2, else the service "
                                       "watching %3 reverts it: qvt-cli confirm %1")
                            .arg(id)
                            .arg(LocalText(confirmation.deadline))
                            .arg(session.Address()));
            } else {
                // Asked for a safety net and given none: not a success.
                const QString why = QStringLiteral(
                                        "the change could not be put up for "
                                        "confirmation (%1): it stays on the device "
                                        "unless reverted by hand")
                                        .arg(recorded ? error : writer.LastError() + error);
                if (status == kOk) {
                    status = io.Fail(kFileError, why);
                } else {
                    io.Note(why);
                }
            }
        }
        if (!recorded) {
            recorded = writer.Submit(op);
        }
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
            journalReached = false;
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
    // A journal that did not take the change would not take the version
    // either: the spool's entry is what says it.
    if (write.wrote && journalReached) {
        StoreLeftVersion(io, session, journal);
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
                     {"verify", "verify"},
                     {"prune-before", "prune-before", "DATE"},
                     {"at", "at", "TIME"},
                     {"diff", "diff", "FROM"},
                     {{"o", "output"}, "output", "FILE"},
                     JournalOption()});
    int status = kOk;
    if (!Begin(io, options, arguments, &status)) {
        return status;
    }
    if (options.IsSet("at")) {
        return HistoryAt(io, options);
    }
    if (options.IsSet("diff")) {
        return HistoryDiff(io, options);
    }
    if (!options.Files().isEmpty()) {
        return Usage(
            io, QStringLiteral("history takes no operand (%1)").arg(options.Files().constFirst()));
    }
    if (options.IsSet("revert")) {
        return Revert(io, options);
    }
    if (options.IsSet("prune-before")) {
        return Prune(io, options);
    }
    JournalFilter filter;
    filter.device = options.Value("device");
    if (options.IsSet("since") &&
        !(filter.since = TimeOption(io, "since", options.Value("since"), &status)).isValid()) {
        return status;
    }
    if (options.IsSet("until") &&
        !(filter.until = TimeOption(io, "until", options.Value("until"), &status, true))
             .isValid()) {
        return status;
    }
    filter.field = options.Value("field");
    if (filter.field.endsWith(QLatin1Char('/'))) {
        filter.fieldPrefix = true;
    }
    QString error;
    std::unique_ptr<Journal> journal = OpenToShow(io, JournalLocation(options), &error);
    if (!journal) {
        return io.Fail(kFileError, error);
    }
    if (options.IsSet("verify")) {
        return Verify(io, *journal);
    }
    error.clear();
    const QVector<JournalEntry> entries = journal->History(filter, &error);
    if (!error.isEmpty()) {
        return io.Fail(kFileError, error);
    }
    QHash<qint64, JournalConfirmation> confirmations;
    const QVector<JournalConfirmation> all = journal->Confirmations(true, &error);
    if (!error.isEmpty()) {
        io.Note(
            QStringLiteral("what became of the changes to confirm cannot be read: %1").arg(error));
    }
    for (const JournalConfirmation &c : all) {
        confirmations.insert(c.operationId, c);
        if (c.state == ConfirmState::Pending &&
            (filter.device.isEmpty() || filter.device == c.deviceSerial ||
             filter.device == c.deviceAddress)) {
            io.Note(QStringLiteral("operation %1 on %2 awaits confirmation until %3: qvt-cli "
                                   "confirm %1")
                        .arg(c.operationId)
                        .arg(c.deviceAddress, LocalText(c.deadline)));
        }
    }
    const bool json = options.IsSet("json");
    for (const JournalEntry &entry : entries) {
        const auto c = confirmations.constFind(entry.operationId);
        if (json) {
            io.Data(EntryJson(entry, c == confirmations.cend() ? nullptr : &*c) + '\n');
        } else if (c == confirmations.cend()) {
            io.Line(EntryLine(entry));
        } else {
            io.Line(EntryLine(entry) + QStringLiteral("  ") + ConfirmationShown(*c));
        }
    }
    return kOk;
}

}  // namespace Cli
