#include "JournalSchema.h"

#include "JournalChain.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace JournalSchema {
namespace {

// What a database holds before we touch it.
struct Found {
    bool readable = false;
    QString problem;     // why it is not readable
    QStringList tables;  // every table (SQLite: every object) of the schema in use
    QString application;
    int version = 0;  // 0 without journal_schema
};

Found Inspect(QSqlDatabase &db, Backend backend)
{
    Found found;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    // A read, and the first statement: a file that is not an SQLite database
    // fails here, before anything could be written to it.
    const QString tables =
        backend == Backend::Sqlite
            ? QStringLiteral(
                  "SELECT name FROM sqlite_master WHERE name NOT LIKE 'sqlite\\_%' ESCAPE '\\'")
            : QStringLiteral(
                  "SELECT table_name FROM information_schema.tables "
                  "WHERE table_schema = current_schema()");
    if (!query.exec(tables)) {
        found.problem = query.lastError().text();
        return found;
    }
    while (query.next()) {
        found.tables << query.value(0).toString();
    }
    found.readable = true;
    if (found.tables.contains(QStringLiteral("journal_schema"))) {
        if (!query.exec(QStringLiteral("SELECT application, version FROM journal_schema"))) {
            found.readable = false;
            found.problem = query.lastError().text();
        } else if (query.next()) {
            found.application = query.value(0).toString();
            found.version = query.value(1).toInt();
        }
    }
    return found;
}

// Why the database is left alone, or empty when it can be brought to `target`.
QString Refusal(const Found &found, int target, const QString &where)
{
    if (!found.readable) {
        return QStringLiteral("%1 cannot be read as a journal (%2); it is left as it is")
            .arg(where, found.problem);
    }
    if (!found.tables.isEmpty() && found.application != QLatin1String(kApplication)) {
        QStringList names = found.tables;
        names.sort();
        return QStringLiteral(
                   "%1 holds another application's tables (%2), not a journal of this "
                   "tool; it is left as it is")
            .arg(where, names.mid(0, 5).join(QStringLiteral(", ")));
    }
    if (found.version > target) {
        return QStringLiteral(
                   "%1 is a journal of version %2, newer than this program's %3; it is "
                   "left as it is (update the program)")
            .arg(where)
            .arg(found.version)
            .arg(target);
    }
    return QString();
}

bool Exec(QSqlDatabase &db, const QString &sql, QString *problem,
          const QVariantList &values = QVariantList())
{
    // PostgreSQL prepares no transaction statements: those run unprepared.
    QSqlQuery query(db);
    bool ok = values.isEmpty() ? query.exec(sql) : query.prepare(sql);
    for (const QVariant &value : values) {
        query.addBindValue(value);
    }
    if (!ok || (!values.isEmpty() && !query.exec())) {
        *problem = query.lastError().text();
        return false;
    }
    return true;
}

// Runs the steps after `from` and records the new version, in the caller's transaction.
bool Migrate(QSqlDatabase &db, const QVector<Step> &steps, int from, QString *problem)
{
    for (const Step &step : steps) {
        if (step.to <= from) {
            continue;
        }
        for (const QString &statement : step.statements) {
            if (!Exec(db, statement, problem)) {
                *problem = QStringLiteral("version %1: %2").arg(step.to).arg(*problem);
                return false;
            }
        }
        if (step.after && !step.after(db, problem)) {
            *problem = QStringLiteral("version %1: %2").arg(step.to).arg(*problem);
            return false;
        }
    }
    const int to = steps.last().to;
    return from == 0
               ? Exec(db,
                      QStringLiteral("INSERT INTO journal_schema (application, version) "
                                     "VALUES (?, ?)"),
                      problem, {QLatin1String(kApplication), to})
               : Exec(db, QStringLiteral("UPDATE journal_schema SET version = ?"), problem, {to});
}

QStringList VersionTwo(Backend backend)
{
    QStringList statements{
        QStringLiteral("ALTER TABLE journal_operation ADD COLUMN changed_after_ms BIGINT"),
        QStringLiteral(
            "ALTER TABLE journal_operation ADD COLUMN detected_by TEXT NOT NULL DEFAULT ''"),
        QStringLiteral("ALTER TABLE journal_operation ADD COLUMN hash TEXT NOT NULL DEFAULT ''"),
        // Version 1 stored the service's own computer and users as the
        // who of a change it found: never known, now said so.
        QStringLiteral("UPDATE journal_operation SET detected_by = computer, computer = '', "
                       "os_user = '', login_user = '' WHERE source = 'outside'"),
        QStringLiteral("CREATE TABLE journal_anchor (last_operation_id BIGINT NOT NULL, "
                       "last_entry_id BIGINT NOT NULL, hash TEXT NOT NULL, "
                       "pruned_before_ms BIGINT NOT NULL)"),
    };
    // A program of version 1 that still has the journal open (a window left
    // open through an upgrade) must not add operations without a hash, nor
    // numbers of its own: its inserts fail, and it says so.
    if (backend == Backend::Postgres) {
        // Text under the server's locale sorts in no order a prefix can use.
        statements << QStringLiteral(
                          "CREATE INDEX journal_entry_field_prefix ON journal_entry "
                          "(field COLLATE \"C\", operation_id)")
                   << QStringLiteral("ALTER TABLE journal_operation ALTER COLUMN hash DROP DEFAULT")
                   << QStringLiteral("ALTER TABLE journal_operation ALTER COLUMN id DROP IDENTITY")
                   << QStringLiteral("ALTER TABLE journal_entry ALTER COLUMN id DROP IDENTITY");
    } else {
        statements << QStringLiteral(
            "CREATE TRIGGER journal_operation_hashed BEFORE INSERT ON journal_operation "
            "WHEN NEW.hash = '' BEGIN SELECT RAISE(ABORT, 'an operation without its hash: "
            "the program is older than the journal'); END");
    }
    return statements;
}

// Whole parameter files, each stored once by its hash, and the versions of
// each device that point to them; the operations awaiting confirmation; and
// which service watches which device, to revert what is not confirmed.
QStringList VersionThree(Backend backend, const QString &key)
{
    const QString blob =
        backend == Backend::Sqlite ? QStringLiteral("BLOB") : QStringLiteral("BYTEA");
    return {
        QStringLiteral("CREATE TABLE journal_file (hash TEXT PRIMARY KEY, size INTEGER NOT NULL, "
                       "content %1 NOT NULL)")
            .arg(blob),
        QStringLiteral(
            "CREATE TABLE journal_version (id %1, at_ms BIGINT NOT NULL, "
            "seen_ms BIGINT NOT NULL, device_serial TEXT NOT NULL, device_address TEXT NOT NULL, "
            "device_model TEXT NOT NULL, program TEXT NOT NULL, "
            "computer TEXT NOT NULL, "
            "file_hash TEXT NOT NULL REFERENCES journal_file (hash))")
            .arg(key),
        QStringLiteral("CREATE INDEX journal_version_serial_at "
                       "ON journal_version (device_serial, at_ms)"),
        QStringLiteral("CREATE INDEX journal_version_address_at "
                       "ON journal_version (device_address, at_ms)"),
        QStringLiteral(
            "CREATE TABLE journal_confirmation (operation_id BIGINT PRIMARY KEY "
            "REFERENCES journal_operation (id), device_serial TEXT NOT NULL, "
            "device_address TEXT NOT NULL, deadline_ms BIGINT NOT NULL, "
            "state TEXT NOT NULL CHECK (state IN ('pending', 'reverting', "
            "'confirmed', 'reverted', 'failed')), settled_ms BIGINT, settled_by TEXT NOT NULL "
            "DEFAULT '', revert_operation_id BIGINT, note TEXT NOT NULL DEFAULT '')"),
        QStringLiteral("CREATE TABLE journal_watcher (device_serial TEXT PRIMARY KEY, "
                       "computer TEXT NOT NULL, can_revert INTEGER NOT NULL, "
                       "seen_ms BIGINT NOT NULL)"),
    };
}

}  // namespace

QVector<Step> Steps(Backend backend)
{
    // SQLite's INTEGER PRIMARY KEY is the row id; PostgreSQL numbers with an identity.
    const QString key = backend == Backend::Sqlite
                            ? QStringLiteral("INTEGER PRIMARY KEY")
                            : QStringLiteral("BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY");
    return {
        {1,
         {QStringLiteral("CREATE TABLE journal_schema (application TEXT NOT NULL, "
                         "version INTEGER NOT NULL)"),
          QStringLiteral(
              "CREATE TABLE journal_operation (id %1, at_ms BIGINT NOT NULL, "
              "utc_offset INTEGER NOT NULL, computer TEXT NOT NULL, os_user TEXT NOT NULL, "
              "program TEXT NOT NULL, program_version TEXT NOT NULL, "
              "device_serial TEXT NOT NULL, device_address TEXT NOT NULL, "
              "device_model TEXT NOT NULL, login_user TEXT NOT NULL, operation TEXT NOT NULL, "
              "source TEXT NOT NULL CHECK (source IN ('tool', 'outside')))")
              .arg(key),
          // History by device and time: a device is named by serial or by
          // address, so each has its own index, ending in the time.
          QStringLiteral("CREATE INDEX journal_operation_serial_at "
                         "ON journal_operation (device_serial, at_ms)"),
          QStringLiteral("CREATE INDEX journal_operation_address_at "
                         "ON journal_operation (device_address, at_ms)"),
          QStringLiteral("CREATE INDEX journal_operation_at ON journal_operation (at_ms)"),
          QStringLiteral("CREATE TABLE journal_entry (id %1, "
                         "operation_id BIGINT NOT NULL REFERENCES journal_operation (id), "
                         "field TEXT NOT NULL CHECK (field <> ''), old_value TEXT, "
                         "new_value TEXT, result TEXT NOT NULL "
                         "CHECK (result IN ('taken', 'refused', 'not reached')), "
                         "result_code INTEGER NOT NULL)")
              .arg(key),
          QStringLiteral("CREATE INDEX journal_entry_operation ON journal_entry (operation_id)"),
          QStringLiteral(
              "CREATE INDEX journal_entry_field ON journal_entry (field, operation_id)")}},
        {2, VersionTwo(backend), JournalChain::HashAll},
        {3, VersionThree(backend, key)},
    };
}

int CurrentVersion()
{
    return Steps(Backend::Sqlite).last().to;
}

int StoredVersion(QSqlDatabase &db)
{
    const Found found = Inspect(
        db, db.driverName() == QLatin1String("QPSQL") ? Backend::Postgres : Backend::Sqlite);
    return found.readable ? found.version : -1;
}

bool Readable(QSqlDatabase &db, Backend backend, const QString &where, QString *error)
{
    const Found found = Inspect(db, backend);
    *error = Refusal(found, found.version, where);
    if (error->isEmpty() && found.version < 1) {
        *error = QStringLiteral("%1 holds no journal yet").arg(where);
    }
    return error->isEmpty();
}

bool Prepare(QSqlDatabase &db, Backend backend, const QVector<Step> &steps, const QString &where,
             QString *error)
{
    const int target = steps.last().to;
    Found found = Inspect(db, backend);
    *error = Refusal(found, target, where);
    if (!error->isEmpty()) {
        return false;
    }
    if (found.version == target) {
        return true;
    }
    // New or older: one program creates or migrates at a time, and looks
    // again once it holds the lock, as another may have done it meanwhile.
    QString problem;
    const bool locked =
        backend == Backend::Sqlite
            ? Exec(db, QStringLiteral("BEGIN IMMEDIATE"), &problem)
            : Exec(db, QStringLiteral("BEGIN"), &problem) &&
                  Exec(db, QStringLiteral("SELECT pg_advisory_xact_lock(5165842735)"), &problem);
    bool done = false;
    if (locked) {
        found = Inspect(db, backend);
        *error = Refusal(found, target, where);
        const bool current = found.version == target;
        done = error->isEmpty() && (current || (Migrate(db, steps, found.version, &problem) &&
                                                Exec(db, QStringLiteral("COMMIT"), &problem)));
        if (!done || current) {
            QString ignored;
            Exec(db, QStringLiteral("ROLLBACK"), &ignored);
        }
    }
    if (!done && error->isEmpty()) {
        *error =
            QStringLiteral("%1: the journal's tables could not be %2: %3")
                .arg(where,
                     found.version == 0 ? QStringLiteral("created") : QStringLiteral("migrated"),
                     problem);
    }
    return done;
}

}  // namespace JournalSchema
