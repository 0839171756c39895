#include "PartWrite.h"

#include "CfgNetClient.h"
#include "JournalDiff.h"
#include "XmlDocument.h"

namespace {
// The part's fields as the device holds them now; false when a read fails.
bool ReadPart(CfgNetClient &client, const ParamPart &part, QMap<QString, QString> *fields)
{
    XmlDocument doc;
    doc.StartDocument();
    QString failure;
    if (part.exportTo(client, doc, &failure) != 0) {
        return false;
    }
    *fields = FlattenDocument(doc);
    return true;
}

// Of `changes`, those the device does not hold as written are refused.
void Judge(CfgNetClient &client, const ParamPart &part, QVector<FieldChange> &changes,
           int resultCode)
{
    QMap<QString, QString> now;
    const bool read = ReadPart(client, part, &now);
    for (FieldChange &change : changes) {
        if (!read || now.value(change.field) != change.after) {
            change.result = JournalResult::Refused;
            change.resultCode = resultCode;
        }
    }
}

// The fields of `fields` only, as `all` has them.
QMap<QString, QString> Restricted(const QMap<QString, QString> &all,
                                  const QMap<QString, QString> &fields)
{
    QMap<QString, QString> out;
    for (auto i = fields.cbegin(); i != fields.cend(); ++i) {
        out.insert(i.key(), all.value(i.key()));
    }
    return out;
}
}  // namespace

PartsWrite WriteParts(CfgNetClient &client, const QVector<ParamPart> &parts, const XmlDocument &doc,
                      const std::function<bool()> &stop)
{
    PartsWrite result;
    const QMap<QString, QString> file = FlattenDocument(doc);
    QVector<QVector<FieldChange>> changes(parts.size());
    for (int i = 0; i < parts.size(); ++i) {
        QMap<QString, QString> before;
        if (!ReadPart(client, parts[i], &before)) {
            result.status = -1;
            result.failedPart = i;
            result.resultCode = CfgNetClient::LastResult();
            result.failure =
                QStringLiteral("reading %1 before the write").arg(QLatin1String(parts[i].page));
            return result;
        }
        changes[i] = Changes(before, Restricted(file, before));
    }
    for (int i = 0; i < parts.size(); ++i) {
        if (result.status != 0 || (stop && stop())) {
            if (result.status == 0) {
                result.status = -1;
                result.failedPart = i;
                result.failure = QStringLiteral("stopped");
            }
            for (FieldChange &change : changes[i]) {
                change.result = JournalResult::NotReached;
            }
        } else if (parts[i].importFrom(client, doc, &result.failure) != 0) {
            result.status = -1;
            result.failedPart = i;
            result.resultCode = CfgNetClient::LastResult();
            result.wrote = true;
            Judge(client, parts[i], changes[i], result.resultCode);
        } else {
            result.wrote = true;
        }
        result.changes += changes[i];
    }
    return result;
}

QVector<FieldChange> ApplyChanges(CfgNetClient &client, const ParamPart &part, const void *before,
                                  const void *after, int writeStatus, int resultCode)
{
    XmlDocument was, now;
    was.StartDocument();
    now.StartDocument();
    part.toDocument(was, before);
    part.toDocument(now, after);
    QVector<FieldChange> changes = Changes(FlattenDocument(was), FlattenDocument(now));
    if (writeStatus != 0) {
        Judge(client, part, changes, resultCode);
    }
    return changes;
}

bool PartsHolding(CfgNetClient &client, const QVector<ParamPart> &parts,
                  QHash<QString, int> *partOf, QString *failure)
{
    for (int i = 0; i < parts.size(); ++i) {
        XmlDocument alone;
        alone.StartDocument();
        if (parts[i].exportTo(client, alone, failure) != 0) {
            return false;
        }
        for (const auto &value : alone.Values()) {
            partOf->insert(value.first, i);
        }
    }
    return true;
}

QVector<ParamPart> PartsAmong(const QVector<ParamPart> &parts, const QSet<int> &needed)
{
    QVector<ParamPart> among;
    for (int i = 0; i < parts.size(); ++i) {
        if (needed.contains(i)) {
            among.append(parts[i]);
        }
    }
    return among;
}
