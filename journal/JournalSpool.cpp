#include "JournalSpool.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>

namespace {
QAtomicInteger<quint64> g_spools;
// Operations moved in one transaction of the journal's and the spool's.
constexpr int kMoveBatch = 100;

QJsonValue Nullable(const QString &text)
{
    return text.isNull() ? QJsonValue() : QJsonValue(text);
}

QString FromNullable(const QJsonValue &value)
{
    return value.isNull() ? QString() : value.toString(QStringLiteral(""));
}

// An operation as the spool keeps it: every field, its time to the
// millisecond with the writer's offset.
QByteArray ToJson(const JournalOperation &op)
{
    const JournalContext &c = op.context;
    QJsonArray changes;
    for (const FieldChange &f : op.changes) {
        changes.append(QJsonObject{{"field", f.field},
                                   {"before", Nullable(f.before)},
                                   {"after", Nullable(f.after)},
                                   {"result", ResultText(f.result)},
                                   {"code", f.resultCode}});
    }
    const QDateTime when = op.when.isValid() ? op.when : QDateTime::currentDateTime();
    return QJsonDocument(QJsonObject{{"ms", QString::number(when.toMSecsSinceEpoch())},
                                     {"offset", when.offsetFromUtc()},
                                     {"computer", c.computer},
                                     {"osUser", c.osUser},
                                     {"program", c.program},
                                     {"version", c.programVersion},
                                     {"serial", c.deviceSerial},
                                     {"address", c.deviceAddress},
                                     {"model", c.deviceModel},
                                     {"login", c.loginUser},
                                     {"operation", op.operation},
                                     {"source", SourceText(op.source)},
                                     {"changedAfter",
                                      op.changedAfter.isValid()
                                          ? QString::number(op.changedAfter.toMSecsSinceEpoch())
                                          : QString()},
                                     {"detectedBy", op.detectedBy},
                                     {"changes", changes}})
        .toJson(QJsonDocument::Compact);
}

JournalOperation FromJson(const QByteArray &json)
{
    const QJsonObject o = QJsonDocument::fromJson(json).object();
    JournalOperation op;
    if (!o["ms"].toString().isEmpty()) {
        op.when = QDateTime::fromMSecsSinceEpoch(o["ms"].toString().toLongLong(), Qt::OffsetFromUTC,
                                                 o["offset"].toInt());
    }
    JournalContext &c = op.context;
    c.computer = o["computer"].toString();
    c.osUser = o["osUser"].toString();
    c.program = o["program"].toString();
    c.programVersion = o["version"].toString();
    c.deviceSerial = o["serial"].toString();
    c.deviceAddress = o["address"].toString();
    c.deviceModel = o["model"].toString();
    c.loginUser = o["login"].toString();
    op.operation = o["operation"].toString();
    op.source = SourceFromText(o["source"].toString());
    if (!o["changedAfter"].toString().isEmpty()) {
        op.changedAfter =
            QDateTime::fromMSecsSinceEpoch(o["changedAfter"].toString().toLongLong(), Qt::UTC);
    }
    op.detectedBy = o["detectedBy"].toString();
    if (op.source == JournalSource::Outside && !o.contains("detectedBy")) {
        // Kept by a version that took the finder for the one who changed it.
        op.detectedBy = c.computer;
        c.computer.clear();
        c.osUser.clear();
        c.loginUser.clear();
    }
    for (const QJsonValue &v : o["changes"].toArray()) {
        const QJsonObject f = v.toObject();
        op.changes.append({f["field"].toString(), FromNullable(f["before"]),
                           FromNullable(f["after"]), ResultFromText(f["result"].toString()),
                           f["code"].toInt()});
    }
    return op;
}
}  // namespace

QString JournalSpool::DefaultPath()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return data.isEmpty() ? QString() : data + QStringLiteral("/qvt-config/journal-spool.sqlite");
}

JournalSpool::JournalSpool(const QString &path)
    : m_path(path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath()),
      m_connection(QStringLiteral("qvt_spool_%1").arg(++g_spools))
{}

JournalSpool::~JournalSpool()
{
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool JournalSpool::Open(QString *error)
{
    if (QSqlDatabase::contains(m_connection) &&
        QSqlDatabase::database(m_connection, false).isOpen()) {
        return true;
    }
    if (m_path.isEmpty()) {
        *error = QStringLiteral("there is no spool: this user has no data directory");
        return false;
    }
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath())) {
        *error = QStringLiteral("the spool %1 cannot be made: its directory cannot be created")
                     .arg(m_path);
        return false;
    }
    QSqlDatabase db = QSqlDatabase::contains(m_connection)
                          ? QSqlDatabase::database(m_connection, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(Journal::kBusyTimeoutMs));
    QSqlQuery query(db);
    // synchronous=FULL: a kept operation is on the disk before Keep returns.
    // Write-ahead logging: a move is thousands of small transactions, each
    // of which would otherwise make and remove a rollback file.
    if (!db.open() || !query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) ||
        !query.exec(QStringLiteral("PRAGMA synchronous=FULL")) ||
        !query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS journal_spool ("
                                   "id INTEGER PRIMARY KEY AUTOINCREMENT, "
                                   "journal TEXT NOT NULL, operation TEXT NOT NULL)"))) {
        *error = QStringLiteral("the spool %1 cannot be opened: %2")
                     .arg(m_path, (db.isOpen() ? query.lastError() : db.lastError()).text());
        db.close();
        return false;
    }
    return true;
}

bool JournalSpool::Keep(const QString &where, const QVector<JournalOperation> &ops, QString *error)
{
    if (!Open(error)) {
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    bool ok = query.exec(QStringLiteral("BEGIN IMMEDIATE")) &&
              query.prepare(
                  QStringLiteral("INSERT INTO journal_spool (journal, operation) VALUES (?, ?)"));
    for (const JournalOperation &op : ops) {
        query.addBindValue(where);
        query.addBindValue(QString::fromUtf8(ToJson(op)));
        ok = ok && query.exec();
    }
    QSqlQuery end(db);
    ok = ok && end.exec(QStringLiteral("COMMIT"));
    if (!ok) {
        *error = QStringLiteral("the spool %1 cannot be written: %2")
                     .arg(m_path, query.lastError().text() + end.lastError().text());
        end.exec(QStringLiteral("ROLLBACK"));
    }
    return ok;
}

bool JournalSpool::Retarget(const QString &from, const QString &to, QString *error)
{
    if (m_path.isEmpty() || !QFileInfo::exists(m_path) || from == to) {
        return true;
    }
    if (!Open(error)) {
        return false;
    }
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("UPDATE journal_spool SET journal = ? WHERE journal = ?"));
    query.addBindValue(to);
    query.addBindValue(from);
    if (!query.exec()) {
        *error = QStringLiteral("the spool %1 cannot be written: %2")
                     .arg(m_path, query.lastError().text());
        return false;
    }
    return true;
}

int JournalSpool::Count(const QString &where, QString *error)
{
    if (m_path.isEmpty() || !QFileInfo::exists(m_path)) {
        return 0;
    }
    if (!Open(error)) {
        return -1;
    }
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.prepare(QStringLiteral("SELECT count(*) FROM journal_spool WHERE journal = ?"))) {
        *error = query.lastError().text();
        return -1;
    }
    query.addBindValue(where);
    if (!query.exec() || !query.next()) {
        *error =
            QStringLiteral("the spool %1 cannot be read: %2").arg(m_path, query.lastError().text());
        return -1;
    }
    return query.value(0).toInt();
}

bool JournalSpool::MoveInto(Journal &journal, int *moved, QString *error)
{
    *moved = 0;
    if (m_path.isEmpty() || !QFileInfo::exists(m_path)) {
        return true;  // nothing was ever kept
    }
    if (!Open(error)) {
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    // Removals need not reach the disk before the next one: one lost by a
    // power failure only records an operation twice, never loses one; a
    // program that stops leaves them in the system's cache. Keep syncs.
    QSqlQuery pragma(db);
    pragma.exec(QStringLiteral("PRAGMA synchronous=OFF"));
    struct Restore {
        QSqlQuery &pragma;
        ~Restore() { pragma.exec(QStringLiteral("PRAGMA synchronous=FULL")); }
    } restore{pragma};
    // A batch a transaction: it is taken from the spool in the same
    // transaction of the spool's that read it, right after the journal took
    // it in one transaction of its own, so a move cut short records at most
    // the batch in flight twice, and no other program moves it meanwhile.
    for (;;) {
        QSqlQuery lock(db);
        if (!lock.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
            *error = QStringLiteral("the spool %1 cannot be locked: %2")
                         .arg(m_path, lock.lastError().text());
            return false;
        }
        QSqlQuery select(db);
        select.prepare(QStringLiteral("SELECT id, operation FROM journal_spool WHERE journal = ? "
                                      "ORDER BY id LIMIT %1")
                           .arg(kMoveBatch));
        select.addBindValue(journal.Where());
        bool ok = select.exec();
        QVector<JournalOperation> batch;
        qint64 last = 0;
        while (ok && select.next()) {
            last = select.value(0).toLongLong();
            batch.append(FromJson(select.value(1).toString().toUtf8()));
        }
        if (!ok) {
            *error = select.lastError().text();
        }
        select.finish();
        if (ok && !batch.isEmpty()) {
            QSqlQuery remove(db);
            remove.prepare(
                QStringLiteral("DELETE FROM journal_spool WHERE journal = ? AND id <= ?"));
            remove.addBindValue(journal.Where());
            remove.addBindValue(last);
            ok = journal.RecordAll(batch, error);
            if (ok && !remove.exec()) {
                *error = remove.lastError().text();
                ok = false;
            }
        }
        if (!ok) {
            lock.exec(QStringLiteral("ROLLBACK"));
            return false;
        }
        if (!lock.exec(QStringLiteral("COMMIT"))) {
            *error = QStringLiteral("the spool %1 cannot be written: %2")
                         .arg(m_path, lock.lastError().text());
            lock.exec(QStringLiteral("ROLLBACK"));
            return false;
        }
        if (batch.isEmpty()) {
            return true;
        }
        *moved += batch.size();
    }
}
