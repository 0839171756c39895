#include "UnconfirmedRevert.h"

#include "JournalDiff.h"
#include "JournalWriter.h"
#include "ParamsFile.h"
#include "PartWrite.h"
#include "XmlDocument.h"

#include <QSet>

namespace {
// A claim left this long (its service stopped mid-way) is taken over.
constexpr qint64 kStaleClaimMs = 120000;

RevertOutcome Revert(CfgNetClient &client, int productType, const JournalContext &context,
                     Journal &journal, const QString &location, const QString &spool,
                     const JournalConfirmation &confirmation)
{
    RevertOutcome outcome;
    JournalFilter filter;
    filter.operationId = confirmation.operationId;
    const QVector<JournalEntry> entries = journal.History(filter, &outcome.failure);
    if (!outcome.failure.isEmpty()) {
        return outcome;
    }
    XmlDocument doc;
    const QVector<ParamPart> all = ParamParts(productType);
    QHash<QString, int> partOf;
    if (ExportFile(client, doc, productType, &outcome.failure) != 0 ||
        !PartsHolding(client, all, &partOf, &outcome.failure)) {
        return outcome;
    }
    QSet<int> needed;
    for (const JournalEntry &entry : entries) {
        const FieldChange &change = entry.change;
        if (change.result != JournalResult::Taken || change.before.isNull() ||
            IsDialogField(change.field)) {
            continue;
        }
        const QDomElement element = FindField(doc, change.field);
        if (element.isNull() || !partOf.contains(change.field)) {
            outcome.leftAlone << QStringLiteral("%1 (no longer a field)").arg(change.field);
        } else if (element.text() != change.after) {
            // Someone changed it again since: theirs stands.
            outcome.leftAlone << QStringLiteral("%1 (now %2)").arg(change.field, element.text());
        } else {
            SetFieldText(element, change.before);
            needed.insert(partOf.value(change.field));
        }
    }
    const QVector<ParamPart> parts = PartsAmong(all, needed);
    if (parts.isEmpty()) {
        outcome.done = true;
        return outcome;
    }
    const PartsWrite write = WriteParts(client, parts, doc);
    if (!write.changes.isEmpty()) {
        JournalOperation op;
        op.context = context;
        op.operation = QStringLiteral("not confirmed: revert of #%1").arg(confirmation.operationId);
        op.changes = write.changes;
        QString error;
        if (!journal.Record(op, &error, &outcome.revertId)) {
            // The device is written: the entry must not be lost, nor the
            // next snapshot take the values for a change made outside.
            JournalWriter writer(location, JournalWriter::Problem(), spool);
            if (!writer.Submit(op) && writer.InMemory() > 0) {
                outcome.failure =
                    QStringLiteral("written, but journaled nowhere: %1").arg(writer.LastError());
            }
        }
    }
    if (write.status != 0) {
        outcome.failure = write.failure;
        return outcome;
    }
    outcome.done = outcome.failure.isEmpty();
    return outcome;
}
}  // namespace

RevertOutcome RevertUnconfirmed(CfgNetClient &client, int productType,
                                const JournalContext &context, Journal &journal,
                                const QString &location, const QString &spool,
                                const JournalConfirmation &confirmation)
{
    const QString by = QStringLiteral("qvt-monitord@%1").arg(context.computer);
    RevertOutcome claim;
    if (!journal.ClaimRevert(confirmation.operationId, by, kStaleClaimMs, &claim.claimed,
                             &claim.failure) ||
        !claim.claimed) {
        claim.done = claim.failure.isEmpty();  // confirmed meanwhile, or another's
        return claim;
    }
    RevertOutcome outcome =
        Revert(client, productType, context, journal, location, spool, confirmation);
    outcome.claimed = true;
    JournalConfirmation settled = confirmation;
    settled.settled = QDateTime::currentDateTimeUtc();
    settled.settledBy = by;
    if (!outcome.done) {
        // Back to pending, to be tried again at the next request.
        settled.state = ConfirmState::Pending;
        bool released = false;
        QString ignored;
        journal.Settle(settled, &released, &ignored);
        return outcome;
    }
    settled.state = ConfirmState::Reverted;
    settled.revertOperationId = outcome.revertId;
    settled.note = outcome.leftAlone.join(QStringLiteral("; "));
    bool changed = false;
    QString error;
    if (!journal.Settle(settled, &changed, &error)) {
        outcome.done = false;
        outcome.failure =
            QStringLiteral("reverted, but the confirmation could not be settled: %1").arg(error);
    }
    return outcome;
}
