// Journal::History: the query behind qvt-cli history, the History window and
// the service's look at what the tool wrote.

#include "Journal.h"

#include <QSqlError>
#include <QSqlRecord>
#include <QVariant>

QVector<JournalEntry> Journal::History(const JournalFilter &filter, QString *error)
{
    // The operations' conditions, then the entries'.
    QString operations = QStringLiteral("1 = 1");
    QVariantList values;
    if (!filter.device.isEmpty()) {
        // Each side of the OR has its index ending in the time.
        operations += QStringLiteral(" AND (o.device_serial = ? OR o.device_address = ?)");
        values << filter.device << filter.device;
    }
    if (filter.since.isValid()) {
        operations += QStringLiteral(" AND o.at_ms >= ?");
        values << filter.since.toMSecsSinceEpoch();
    }
    if (filter.until.isValid()) {
        operations += QStringLiteral(" AND o.at_ms < ?");
        values << filter.until.toMSecsSinceEpoch();
    }
    if (filter.operationId > 0) {
        operations += QStringLiteral(" AND o.id = ?");
        values << filter.operationId;
    }
    QString from = QStringLiteral("journal_operation o");
    if (filter.limit > 0 && filter.field.isEmpty()) {
        // The newest N entries lie in the newest N operations: sorting those
        // beforehand spares sorting every entry of a device's history.
        from = QStringLiteral(
                   "(SELECT * FROM journal_operation o WHERE %1 ORDER BY o.at_ms DESC, "
                   "o.id DESC LIMIT ?) o")
                   .arg(operations);
        operations = QStringLiteral("1 = 1");
        values << filter.limit;
    }
    QString columns =
        QStringLiteral("o.") + QString::fromLatin1(JournalChain::kOperationColumns)
                                   .replace(QStringLiteral(", "), QStringLiteral(", o."));
    if (m_version < 2) {
        // A version-1 journal read where it cannot be migrated.
        columns
            .replace(QStringLiteral("o.changed_after_ms"),
                     QStringLiteral("NULL AS changed_after_ms"))
            .replace(QStringLiteral("o.detected_by"),
                     QStringLiteral("CASE WHEN o.source = 'outside' THEN o.computer ELSE '' END "
                                    "AS detected_by"));
    }
    QString sql = QStringLiteral(
                      "SELECT e.id AS entry_id, e.operation_id, %1, e.field, e.old_value, "
                      "e.new_value, e.result, e.result_code FROM %2 "
                      "JOIN journal_entry e ON e.operation_id = o.id WHERE %3")
                      .arg(columns, from, operations);
    if (!filter.field.isEmpty() && filter.fieldPrefix) {
        // A range of the field index (ordered by code point: SQLite's by
        // bytes, PostgreSQL's collated "C"), then the prefix itself, which
        // alone decides. Not LIKE: its wildcards would need escaping.
        // (Field paths are ASCII; a prefix ending outside it gets no range.)
        if (filter.field.back().unicode() < 0x7f) {
            QString end = filter.field;
            end[end.size() - 1] = QChar(end.back().unicode() + 1);
            const QString field =
                m_postgres ? QStringLiteral("e.field COLLATE \"C\"") : QStringLiteral("e.field");
            sql += QStringLiteral(" AND %1 >= ? AND %1 < ?").arg(field);
            values << filter.field << end;
        }
        sql += QStringLiteral(" AND substr(e.field, 1, ?) = ?");
        values << filter.field.size() << filter.field;
    } else if (!filter.field.isEmpty()) {
        sql += QStringLiteral(" AND e.field = ?");
        values << filter.field;
    }
    sql += QStringLiteral(" ORDER BY o.at_ms DESC, o.id DESC, e.id ASC");
    if (filter.limit > 0) {
        sql += QStringLiteral(" LIMIT ?");
        values << filter.limit;
    }
    QVector<JournalEntry> entries;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    bool ok = query.prepare(sql);
    for (const QVariant &value : values) {
        query.addBindValue(value);
    }
    ok = ok && query.exec();
    if (!ok) {
        if (error) {
            *error = QStringLiteral("%1 cannot be read: %2").arg(m_where, query.lastError().text());
        }
        return entries;
    }
    // Each column by its name, looked up once.
    const QSqlRecord record = query.record();
    const auto column = [&record](const char *name) { return record.indexOf(QLatin1String(name)); };
    const int entryId = column("entry_id"), operationId = column("operation_id"),
              at = column("at_ms"), offset = column("utc_offset"), computer = column("computer"),
              osUser = column("os_user"), program = column("program"),
              version = column("program_version"), serial = column("device_serial"),
              address = column("device_address"), model = column("device_model"),
              login = column("login_user"), operation = column("operation"),
              source = column("source"), after = column("changed_after_ms"),
              detected = column("detected_by"), field = column("field"),
              oldValue = column("old_value"), newValue = column("new_value"),
              result = column("result"), code = column("result_code");
    while (query.next()) {
        JournalEntry e;
        e.id = query.value(entryId).toLongLong();
        e.operationId = query.value(operationId).toLongLong();
        e.when = QDateTime::fromMSecsSinceEpoch(query.value(at).toLongLong(), Qt::UTC);
        e.utcOffsetSeconds = query.value(offset).toInt();
        e.context = {query.value(computer).toString(), query.value(osUser).toString(),
                     query.value(program).toString(),  query.value(version).toString(),
                     query.value(serial).toString(),   query.value(address).toString(),
                     query.value(model).toString(),    query.value(login).toString()};
        e.operation = query.value(operation).toString();
        e.source = SourceFromText(query.value(source).toString());
        if (!query.value(after).isNull()) {
            e.changedAfter =
                QDateTime::fromMSecsSinceEpoch(query.value(after).toLongLong(), Qt::UTC);
        }
        e.detectedBy = query.value(detected).toString();
        e.change = {query.value(field).toString(), query.value(oldValue).toString(),
                    query.value(newValue).toString(),
                    ResultFromText(query.value(result).toString()), query.value(code).toInt()};
        entries.append(e);
    }
    if (error) {
        error->clear();
    }
    return entries;
}
