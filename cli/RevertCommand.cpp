// history --revert: the values an operation found, written back to its
// device as one more journaled write.

#include "CliCommon.h"

#include "Journal.h"
#include "JournalDiff.h"
#include "JournalSpool.h"
#include "PartWrite.h"

#include <QDomElement>
#include <QSet>

#include <algorithm>

namespace Cli {
namespace {
// The changes of operations after `id` on the device `serial` to the
// fields `entries` hold, oldest first, as lines for the operator.
bool LaterChanges(const QString &location, const QString &serial, qint64 id, const QDateTime &when,
                  const QSet<QString> &fields, QStringList *lines, QString *error)
{
    std::unique_ptr<Journal> journal = Journal::Open(location, error);
    if (!journal) {
        return false;
    }
    JournalFilter filter;
    filter.device = serial;
    filter.since = when;
    QVector<JournalEntry> found = journal->History(filter, error);
    if (!error->isEmpty()) {
        return false;
    }
    std::reverse(found.begin(), found.end());
    // Later in time; at the same millisecond, recorded after it. An
    // operation that waited in a spool has a higher number than it's time.
    const qint64 at = when.toMSecsSinceEpoch();
    for (const JournalEntry &e : found) {
        const qint64 t = e.when.toMSecsSinceEpoch();
        if ((t > at || (t == at && e.operationId > id)) && fields.contains(e.change.field) &&
            e.change.result == JournalResult::Taken) {
            *lines << QStringLiteral("%1: changed since by #%2 (%3 -> %4)")
                          .arg(e.change.field)
                          .arg(e.operationId)
                          .arg(e.change.before, e.change.after);
        }
    }
    return true;
}
}  // namespace

int Revert(Io &io, const Options &options)
{
    bool ok = false;
    const qint64 id = options.Value("revert").toLongLong(&ok);
    if (!ok || id <= 0) {
        return Usage(io, QStringLiteral("--revert takes an operation's number, not %1")
                             .arg(options.Value("revert")));
    }
    if (UserIndex(options.Value("user")) == kUserGuest) {
        return Usage(io, QStringLiteral("a guest may not change the device: revert as admin"));
    }
    const QString location = JournalLocation(options);
    QString error;
    QVector<JournalEntry> entries;
    {
        std::unique_ptr<Journal> journal = Journal::Open(location, &error);
        if (!journal) {
            return io.Fail(kFileError, error);
        }
        // What waits in this computer's spool is later work the check below
        // must see.
        int moved = 0;
        if (!JournalSpool(JournalSpool::DefaultPath()).MoveInto(*journal, &moved, &error)) {
            return io.Fail(kFileError,
                           QStringLiteral("the spool's entries could not be moved into the "
                                          "journal, so later changes cannot be known: %1")
                               .arg(error));
        }
        JournalFilter filter;
        filter.operationId = id;
        entries = journal->History(filter, &error);
        if (!error.isEmpty()) {
            return io.Fail(kFileError, error);
        }
    }
    if (entries.isEmpty()) {
        return Usage(io, QStringLiteral("the journal has no operation %1").arg(id));
    }
    const JournalContext &was = entries.constFirst().context;
    DeviceLogin session;
    int status = session.Open(io, options,
                              options.Address().isEmpty() ? was.deviceAddress : options.Address());
    if (status != kOk) {
        return status;
    }
    if (session.SerialText() != was.deviceSerial) {
        return io.Fail(kBadFile, QStringLiteral("%1 is %2, operation %3 wrote to %4: nothing "
                                                "was written")
                                     .arg(session.Address(), session.SerialText())
                                     .arg(id)
                                     .arg(was.deviceSerial));
    }
    XmlDocument doc;
    QString failure;
    if (ExportFile(session.client, doc, session.productType, &failure) != 0) {
        return session.Failed(io, failure);
    }
    const QVector<ParamPart> all = ParamParts(session.productType);
    QHash<QString, int> partOf;
    if (!PartsHolding(session.client, ParamParts(session.productType), &partOf, &failure)) {
        return session.Failed(io, failure);
    }
    QSet<int> needed;
    QSet<QString> written;
    int changes = 0;
    for (const JournalEntry &entry : entries) {
        const FieldChange &change = entry.change;
        if (change.result != JournalResult::Taken) {
            continue;  // the device never held its value after
        }
        if (IsDialogField(change.field)) {
            io.Note(QStringLiteral("%1 cannot be reverted from here: skipped").arg(change.field));
            continue;
        }
        const QDomElement element = FindField(doc, change.field);
        if (change.before.isNull() || element.isNull() || !partOf.contains(change.field)) {
            io.Note(QStringLiteral("%1 is not a field the device has both before and now: "
                                   "skipped")
                        .arg(change.field));
            continue;
        }
        if (element.text() == change.before) {
            continue;
        }
        io.Line(QStringLiteral("%1: %2 -> %3").arg(change.field, element.text(), change.before));
        SetFieldText(element, change.before);
        written.insert(change.field);
        needed.insert(partOf.value(change.field));
        ++changes;
    }
    if (changes == 0) {
        io.Note(QStringLiteral("the device already holds what operation %1 found: nothing to "
                               "write")
                    .arg(id));
        return kOk;
    }
    // Later work on the same fields is not overwritten without a word.
    QStringList later;
    if (!LaterChanges(location, was.deviceSerial, id, entries.constFirst().when, written, &later,
                      &error)) {
        return io.Fail(kFileError, error);
    }
    for (const QString &line : later) {
        io.Line(line);
    }
    if (!later.isEmpty() && !options.IsSet("force")) {
        return io.Fail(kUsage, QStringLiteral("later operations changed these fields: nothing was "
                                              "written (--force writes them all the same)"));
    }
    if (!options.IsSet("yes") && !Agreed(io, changes, session.Address())) {
        return io.Fail(kOk, QStringLiteral("nothing was written"));
    }
    const QVector<ParamPart> parts = PartsAmong(all, needed);
    return WriteJournaled(io, session, parts, doc, QStringLiteral("revert %1").arg(id), location);
}

}  // namespace Cli
