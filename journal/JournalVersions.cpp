// Journal's versions, confirmations and watchers: whole parameter files by
// time, the operations that undo themselves unless confirmed, and which
// service watches which device.

#include "Journal.h"

#include <QCryptographicHash>
#include <QSqlError>
#include <QVariant>

namespace {
// A prepared statement with its values; false with the database's reason.
bool Run(QSqlQuery &query, const QString &sql, const QVariantList &values, QString *error)
{
    query.setForwardOnly(true);
    bool ok = query.prepare(sql);
    for (const QVariant &value : values) {
        query.addBindValue(value);
    }
    ok = ok && query.exec();
    if (!ok) {
        *error = query.lastError().text().trimmed();
        if (error->isEmpty()) {
            *error = QStringLiteral("the database refused: %1").arg(sql.left(60));
        }
    }
    return ok;
}

qint64 Ms(const QDateTime &at)
{
    return at.toMSecsSinceEpoch();
}

QDateTime Utc(const QVariant &ms)
{
    return ms.isNull() ? QDateTime() : QDateTime::fromMSecsSinceEpoch(ms.toLongLong(), Qt::UTC);
}

QString Hash(const QByteArray &file)
{
    return QString::fromLatin1(QCryptographicHash::hash(file, QCryptographicHash::Sha256).toHex());
}
}  // namespace

bool Journal::StoreVersion(const JournalVersion &version, bool *stored, QString *error)
{
    *stored = false;
    if (m_readOnly || m_version < 3) {
        *error = QStringLiteral("%1 is open only to read").arg(m_where);
        return false;
    }
    const QString hash = Hash(version.file);
    const QString device =
        version.deviceSerial.isEmpty() ? version.deviceAddress : version.deviceSerial;
    if (!Lock(error)) {
        return false;
    }
    QSqlQuery query(m_db);
    bool ok =
        Run(query,
            QStringLiteral("SELECT file_hash, id FROM journal_version WHERE device_serial = ? "
                           "OR (device_serial = '' AND device_address = ?) "
                           "ORDER BY at_ms DESC, id DESC LIMIT 1"),
            {device, device}, error);
    const bool same = ok && query.next() && query.value(0).toString() == hash;
    const qint64 newest = same ? query.value(1).toLongLong() : 0;
    query.finish();
    const qint64 when = Ms(version.when.isValid() ? version.when : QDateTime::currentDateTimeUtc());
    if (ok && same) {
        // Unchanged: all it costs is the time it was last seen.
        ok = Run(query,
                 QStringLiteral("UPDATE journal_version SET seen_ms = ? WHERE id = ? AND "
                                "seen_ms < ?"),
                 {when, newest, when}, error);
    } else if (ok) {
        ok = Run(query,
                 QStringLiteral("INSERT INTO journal_file (hash, size, content) VALUES (?, ?, ?) "
                                "ON CONFLICT (hash) DO NOTHING"),
                 {hash, version.file.size(), qCompress(version.file, 9)}, error) &&
             Run(query,
                 QStringLiteral("INSERT INTO journal_version (at_ms, seen_ms, device_serial, "
                                "device_address, device_model, program, computer, file_hash) "
                                "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                 {when, when, version.deviceSerial, version.deviceAddress, version.deviceModel,
                  version.program, version.computer, hash},
                 error);
    }
    QString ignored;
    if (!ok || !Transaction("COMMIT", error)) {
        Transaction("ROLLBACK", &ignored);
        return false;
    }
    *stored = !same;
    return true;
}

bool Journal::VersionAt(const QString &device, const QDateTime &at, JournalVersion *version,
                        bool *found, QString *error)
{
    *found = false;
    if (m_version < 3) {
        return true;  // a journal from before versions holds none
    }
    QSqlQuery query(m_db);
    // Each side of the OR has its index ending in the time.
    if (!Run(query,
             QStringLiteral(
                 "SELECT v.id, v.at_ms, v.device_serial, v.device_address, "
                 "v.device_model, v.program, v.computer, v.file_hash, f.content, v.seen_ms "
                 "FROM journal_version v JOIN journal_file f ON f.hash = v.file_hash "
                 "WHERE (v.device_serial = ? OR v.device_address = ?) AND v.at_ms <= ? "
                 "ORDER BY v.at_ms DESC, v.id DESC LIMIT 1"),
             {device, device, Ms(at)}, error)) {
        return false;
    }
    if (!query.next()) {
        return true;
    }
    version->id = query.value(0).toLongLong();
    version->when = Utc(query.value(1));
    version->deviceSerial = query.value(2).toString();
    version->deviceAddress = query.value(3).toString();
    version->deviceModel = query.value(4).toString();
    version->program = query.value(5).toString();
    version->computer = query.value(6).toString();
    version->hash = query.value(7).toString();
    version->file = qUncompress(query.value(8).toByteArray());
    version->seen = Utc(query.value(9));
    if (Hash(version->file) != version->hash) {
        *error = QStringLiteral("%1: version %2's file does not match its hash")
                     .arg(m_where)
                     .arg(version->id);
        return false;
    }
    *found = true;
    return true;
}

bool Journal::VersionSizes(qint64 *versions, qint64 *fileBytes, QString *error)
{
    QSqlQuery query(m_db);
    if (!Run(query,
             QStringLiteral("SELECT (SELECT COUNT(*) FROM journal_version), "
                            "(SELECT COALESCE(SUM(LENGTH(content)), 0) FROM journal_file)"),
             {}, error) ||
        !query.next()) {
        return false;
    }
    *versions = query.value(0).toLongLong();
    *fileBytes = query.value(1).toLongLong();
    return true;
}

bool Journal::AddConfirmation(const JournalConfirmation &c, QString *error)
{
    QSqlQuery query(m_db);
    return Run(query,
               QStringLiteral("INSERT INTO journal_confirmation (operation_id, device_serial, "
                              "device_address, deadline_ms, state) VALUES (?, ?, ?, ?, ?)"),
               {c.operationId, c.deviceSerial.isNull() ? "" : c.deviceSerial,
                c.deviceAddress.isNull() ? "" : c.deviceAddress, Ms(c.deadline),
                ConfirmStateText(ConfirmState::Pending)},
               error);
}

QVector<JournalConfirmation> Journal::Confirmations(bool all, QString *error)
{
    QVector<JournalConfirmation> out;
    if (m_version < 3) {
        return out;
    }
    QSqlQuery query(m_db);
    if (!Run(query,
             QStringLiteral("SELECT operation_id, device_serial, device_address, deadline_ms, "
                            "state, settled_ms, settled_by, revert_operation_id, note "
                            "FROM journal_confirmation %1 ORDER BY deadline_ms, operation_id")
                 .arg(all ? QString() : QStringLiteral("WHERE state IN ('pending', 'reverting')")),
             {}, error)) {
        return out;
    }
    while (query.next()) {
        JournalConfirmation c;
        c.operationId = query.value(0).toLongLong();
        c.deviceSerial = query.value(1).toString();
        c.deviceAddress = query.value(2).toString();
        c.deadline = Utc(query.value(3));
        c.state = ConfirmStateFromText(query.value(4).toString());
        c.settled = Utc(query.value(5));
        c.settledBy = query.value(6).toString();
        c.revertOperationId = query.value(7).toLongLong();
        c.note = query.value(8).toString();
        out.append(c);
    }
    return out;
}

bool Journal::Settle(const JournalConfirmation &c, bool *settled, QString *error)
{
    *settled = false;
    const qint64 at = Ms(c.settled.isValid() ? c.settled : QDateTime::currentDateTimeUtc());
    QSqlQuery query(m_db);
    // A confirmation counts only before the deadline: after it, the revert is due.
    if (!Run(query,
             QStringLiteral("UPDATE journal_confirmation SET state = ?, settled_ms = ?, "
                            "settled_by = ?, revert_operation_id = ?, note = ? "
                            "WHERE operation_id = ? AND %1")
                 .arg(c.state == ConfirmState::Confirmed
                          ? QStringLiteral("state = 'pending' AND deadline_ms >= ?")
                          : QStringLiteral("state = 'reverting'")),
             QVariantList{ConfirmStateText(c.state), at, c.settledBy.isNull() ? "" : c.settledBy,
                          c.revertOperationId > 0 ? QVariant(c.revertOperationId) : QVariant(),
                          c.note.isNull() ? "" : c.note, c.operationId} +
                 (c.state == ConfirmState::Confirmed ? QVariantList{at} : QVariantList()),
             error)) {
        return false;
    }
    *settled = query.numRowsAffected() == 1;
    return true;
}

bool Journal::ClaimRevert(qint64 operationId, const QString &by, qint64 staleMs, bool *claimed,
                          QString *error)
{
    *claimed = false;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    QSqlQuery query(m_db);
    if (!Run(query,
             QStringLiteral("UPDATE journal_confirmation SET state = 'reverting', settled_ms = ?, "
                            "settled_by = ? WHERE operation_id = ? AND (state = 'pending' OR "
                            "(state = 'reverting' AND settled_ms < ?))"),
             {now, by, operationId, now - staleMs}, error)) {
        return false;
    }
    *claimed = query.numRowsAffected() == 1;
    return true;
}

bool Journal::Watch(const QStringList &serials, const QString &computer, bool canRevert,
                    QString *error)
{
    if (m_readOnly || m_version < 3) {
        *error = QStringLiteral("%1 is open only to read").arg(m_where);
        return false;
    }
    if (!Transaction("BEGIN", error)) {
        return false;
    }
    QSqlQuery query(m_db);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    bool ok = true;
    for (const QString &serial : serials) {
        ok = ok && Run(query,
                       QStringLiteral("INSERT INTO journal_watcher (device_serial, computer, "
                                      "can_revert, seen_ms) VALUES (?, ?, ?, ?) "
                                      "ON CONFLICT (device_serial) DO UPDATE SET "
                                      "computer = excluded.computer, "
                                      "can_revert = excluded.can_revert, "
                                      "seen_ms = excluded.seen_ms"),
                       {serial, computer, canRevert ? 1 : 0, now}, error);
    }
    QString ignored;
    if (!ok || !Transaction("COMMIT", error)) {
        Transaction("ROLLBACK", &ignored);
        return false;
    }
    return true;
}

bool Journal::Watcher(const QString &serial, QString *computer, bool *canRevert, QDateTime *seen,
                      QString *error)
{
    *seen = QDateTime();
    if (m_version < 3) {
        return true;
    }
    QSqlQuery query(m_db);
    if (!Run(query,
             QStringLiteral("SELECT computer, can_revert, seen_ms FROM journal_watcher "
                            "WHERE device_serial = ?"),
             {serial}, error)) {
        return false;
    }
    if (query.next()) {
        *computer = query.value(0).toString();
        *canRevert = query.value(1).toInt() != 0;
        *seen = Utc(query.value(2));
    }
    return true;
}
