#include "JournalChain.h"

#include <QCryptographicHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QtEndian>

#include <limits>

namespace JournalChain {

const char kOperationColumns[] =
    "at_ms, utc_offset, computer, os_user, program, program_version, device_serial, "
    "device_address, device_model, login_user, operation, source, changed_after_ms, detected_by";
const char kEntryColumns[] = "field, old_value, new_value, result, result_code";

namespace {

// Each value with its length first, so that no two lists of values hash
// alike; a null is told from an empty text.
void Add(QCryptographicHash &hash, const QVariant &value)
{
    if (value.isNull()) {
        hash.addData("\xff\xff\xff\xff", 4);
        return;
    }
    const QByteArray bytes = value.toString().toUtf8();
    const quint32 size = qToBigEndian(quint32(bytes.size()));
    hash.addData(reinterpret_cast<const char *>(&size), sizeof size);
    hash.addData(bytes);
}

QString Prefixed(const char *columns, const char *table)
{
    return QLatin1String(table) + QLatin1Char('.') +
           QString::fromLatin1(columns).replace(QStringLiteral(", "),
                                                QStringLiteral(", %1.").arg(QLatin1String(table)));
}

// The first value of the first row `sql` gives, null without a row.
bool Scalar(QSqlDatabase &db, const QString &sql, const QVariantList &values, QVariant *result,
            QString *problem)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    bool ok = query.prepare(sql);
    for (const QVariant &value : values) {
        query.addBindValue(value);
    }
    if (!ok || !query.exec()) {
        *problem = query.lastError().text();
        return false;
    }
    *result = query.next() ? query.value(0) : QVariant();
    return true;
}

struct Operation {
    qint64 id = 0;
    QString hash;  // as stored
    QVariantList values;
    QVector<QVariantList> entries;
};

// Gives `visit` each operation with its entries, in order.
template <typename Visit>
bool Walk(QSqlDatabase &db, Visit visit, QString *problem)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    const QString sql =
        QStringLiteral(
            "SELECT o.id, o.hash, %1, e.id, %2 FROM journal_operation o "
            "LEFT JOIN journal_entry e ON e.operation_id = o.id ORDER BY o.id, e.id")
            .arg(Prefixed(kOperationColumns, "o"), Prefixed(kEntryColumns, "e"));
    if (!query.exec(sql)) {
        *problem = query.lastError().text();
        return false;
    }
    constexpr int kEntryAt = 2 + kOperationValues;
    Operation op;
    while (query.next()) {
        const qint64 id = query.value(0).toLongLong();
        if (id != op.id) {
            if (op.id != 0) {
                visit(op);
            }
            op.id = id;
            op.hash = query.value(1).toString();
            op.values.clear();
            for (int i = 0; i < kOperationValues; ++i) {
                op.values << query.value(2 + i);
            }
            op.entries.clear();
        }
        if (!query.value(kEntryAt).isNull()) {
            QVariantList entry;
            for (int i = 0; i < kEntryValues; ++i) {
                entry << query.value(kEntryAt + 1 + i);
            }
            op.entries << entry;
        }
    }
    if (query.lastError().isValid()) {
        *problem = query.lastError().text();
        return false;
    }
    if (op.id != 0) {
        visit(op);
    }
    return true;
}

}  // namespace

QString Hash(const QString &previous, qint64 id, const QVariantList &operation,
             const QVector<QVariantList> &entries)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    Add(hash, previous);
    Add(hash, id);
    for (const QVariant &value : operation) {
        Add(hash, value);
    }
    for (const QVariantList &entry : entries) {
        for (const QVariant &value : entry) {
            Add(hash, value);
        }
    }
    return QString::fromLatin1(hash.result().toHex());
}

bool ReadTail(QSqlDatabase &db, Tail *tail, QString *problem)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    *tail = Tail();
    if (!query.exec(QStringLiteral("SELECT last_operation_id, last_entry_id, hash "
                                   "FROM journal_anchor"))) {
        *problem = query.lastError().text();
        return false;
    }
    if (query.next()) {
        *tail = {query.value(0).toLongLong(), query.value(1).toLongLong(),
                 query.value(2).toString()};
    }
    if (!query.exec(
            QStringLiteral("SELECT id, hash FROM journal_operation ORDER BY id DESC LIMIT 1"))) {
        *problem = query.lastError().text();
        return false;
    }
    if (query.next()) {
        tail->operationId = qMax(tail->operationId, query.value(0).toLongLong());
        tail->hash = query.value(1).toString();
    }
    QVariant entry;
    if (!Scalar(db, QStringLiteral("SELECT MAX(id) FROM journal_entry"), {}, &entry, problem)) {
        return false;
    }
    tail->entryId = qMax(tail->entryId, entry.toLongLong());
    return true;
}

bool Verify(QSqlDatabase &db, Check *check, QString *problem)
{
    *check = Check();
    QSqlQuery anchor(db);
    anchor.setForwardOnly(true);
    if (!anchor.exec(QStringLiteral(
            "SELECT last_operation_id, hash, pruned_before_ms FROM journal_anchor"))) {
        *problem = anchor.lastError().text();
        return false;
    }
    QString previous;
    if (anchor.next()) {
        check->anchorId = anchor.value(0).toLongLong();
        previous = anchor.value(1).toString();
        check->prunedBefore = QDateTime::fromMSecsSinceEpoch(anchor.value(2).toLongLong(), Qt::UTC);
    }
    // Each operation against the hash stored before it: an edited one
    // fails itself; one whose hash was rewritten to match fails the next.
    const bool read = Walk(
        db,
        [&](const Operation &op) {
            ++check->operations;
            check->entries += op.entries.size();
            if (check->firstBroken == 0 &&
                Hash(previous, op.id, op.values, op.entries) != op.hash) {
                check->firstBroken = op.id;
            }
            previous = op.hash;
            check->newestId = op.id;
        },
        problem);
    check->newestHash = previous;
    QVariant orphans;
    return read &&
           Scalar(db,
                  QStringLiteral("SELECT COUNT(*) FROM journal_entry e WHERE NOT EXISTS "
                                 "(SELECT 1 FROM journal_operation o "
                                 "WHERE o.id = e.operation_id)"),
                  {}, &orphans, problem) &&
           (check->orphans = orphans.toLongLong(), true);
}

bool HashAll(QSqlDatabase &db, QString *problem)
{
    QVector<QPair<qint64, QString>> hashes;
    QString previous;
    if (!Walk(
            db,
            [&](const Operation &op) {
                previous = Hash(previous, op.id, op.values, op.entries);
                hashes.append({op.id, previous});
            },
            problem)) {
        return false;
    }
    // Many a statement: a station's server may hold many operations, and the
    // migration holds every other program off meanwhile.
    constexpr int kRows = 500;
    for (int first = 0; first < hashes.size(); first += kRows) {
        const int count = qMin(kRows, hashes.size() - first);
        QStringList rows{QStringLiteral("SELECT CAST(? AS BIGINT) AS id, ? AS hash")};
        while (rows.size() < count) {
            rows << QStringLiteral("SELECT CAST(? AS BIGINT), ?");
        }
        QSqlQuery update(db);
        bool ok = update.prepare(
            QStringLiteral("UPDATE journal_operation SET hash = v.hash FROM (%1) AS v "
                           "WHERE journal_operation.id = v.id")
                .arg(rows.join(QStringLiteral(" UNION ALL "))));
        for (int i = first; i < first + count; ++i) {
            update.addBindValue(hashes[i].first);
            update.addBindValue(hashes[i].second);
        }
        if (!ok || !update.exec()) {
            *problem = update.lastError().text();
            return false;
        }
    }
    return true;
}

bool PruneBefore(QSqlDatabase &db, const QDateTime &before, qint64 upTo, Prune *result,
                 QString *problem)
{
    *result = Prune();
    const qint64 ms = before.toMSecsSinceEpoch();
    QVariant first, value;
    if (!Scalar(db, QStringLiteral("SELECT MIN(id) FROM journal_operation WHERE at_ms >= ?"), {ms},
                &first, problem)) {
        return false;
    }
    qint64 cut = first.isNull() ? std::numeric_limits<qint64>::max() : first.toLongLong();
    const bool apply = upTo > 0;
    if (apply) {
        // Never more than was shown: an operation recorded while the user
        // was asked stays.
        cut = qMin(cut, upTo + 1);
    }
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(
            QStringLiteral("SELECT COUNT(*), MAX(id) FROM journal_operation WHERE id < ?"))) {
        *problem = query.lastError().text();
        return false;
    }
    query.addBindValue(cut);
    if (!query.exec() || !query.next()) {
        *problem = query.lastError().text();
        return false;
    }
    result->operations = query.value(0).toLongLong();
    result->lastId = query.value(1).toLongLong();
    query.finish();
    if (!Scalar(db, QStringLiteral("SELECT COUNT(*) FROM journal_entry WHERE operation_id < ?"),
                {cut}, &value, problem)) {
        return false;
    }
    result->entries = value.toLongLong();
    if (!Scalar(db,
                QStringLiteral("SELECT COUNT(*) FROM journal_operation WHERE id >= ? AND "
                               "at_ms < ?"),
                {cut, ms}, &value, problem)) {
        return false;
    }
    result->olderKept = value.toLongLong();
    if (!apply || result->operations == 0) {
        return true;
    }
    QVariant hash, lastEntry;
    const QVector<QPair<QString, QVariantList>> statements{
        {QStringLiteral("DELETE FROM journal_confirmation WHERE operation_id < ?"), {cut}},
        {QStringLiteral("DELETE FROM journal_entry WHERE operation_id < ?"), {cut}},
        {QStringLiteral("DELETE FROM journal_operation WHERE id < ?"), {cut}},
        {QStringLiteral("DELETE FROM journal_anchor"), {}},
        {QStringLiteral("INSERT INTO journal_anchor (last_operation_id, last_entry_id, hash, "
                        "pruned_before_ms) VALUES (?, ?, ?, ?)"),
         {}},
    };
    if (!Scalar(db, QStringLiteral("SELECT hash FROM journal_operation WHERE id = ?"),
                {result->lastId}, &hash, problem) ||
        !Scalar(db, QStringLiteral("SELECT MAX(id) FROM journal_entry WHERE operation_id < ?"),
                {cut}, &lastEntry, problem)) {
        return false;
    }
    for (const auto &statement : statements) {
        const QVariantList values =
            statement.second.isEmpty() && statement.first.contains('?')
                ? QVariantList{result->lastId, lastEntry.toLongLong(), hash.toString(), ms}
                : statement.second;
        if (!Scalar(db, statement.first, values, &value, problem)) {
            return false;
        }
    }
    return true;
}

}  // namespace JournalChain
