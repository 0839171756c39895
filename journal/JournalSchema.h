#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVector>

// The journal's tables, their version, and the way from each older version
// to the current one. SQLite and PostgreSQL get the same tables; only the
// type of the generated keys is spelled per database.
//
// Version 1:
//   journal_schema    (application, version): one row, ours
//   journal_operation (id, at_ms, utc_offset, computer, os_user, program,
//                      program_version, device_serial, device_address,
//                      device_model, login_user, operation, source)
//     indexes (device_serial, at_ms), (device_address, at_ms), (at_ms)
//   journal_entry     (id, operation_id, field, old_value, new_value, result,
//                      result_code)
//     indexes (operation_id), (field, operation_id)
// Version 2:
//   journal_operation + changed_after_ms (an outside change: not before
//                      then), detected_by (the computer whose snapshot found
//                      it; its who columns are empty), hash (journal/
//                      JournalChain.h), every operation hashed on migration
//   journal_anchor    (last_operation_id, last_entry_id, hash,
//                      pruned_before_ms): where the chain continues after
//                      pruning; no row before any
//   PostgreSQL: index (field COLLATE "C", operation_id) on journal_entry
//   for the field-prefix filter (SQLite's field index compares bytes already)
// Version 3:
//   journal_file      (hash, size, content): a whole parameter file,
//                      zlib-compressed (qCompress), once per SHA-256 of it
//   journal_version   (id, at_ms, device_serial, device_address,
//                      device_model, program, computer, file_hash): a
//                      device's file as read at at_ms
//     indexes (device_serial, at_ms), (device_address, at_ms)
//   journal_confirmation (operation_id, device_serial, device_address,
//                      deadline_ms, state, settled_ms, settled_by,
//                      revert_operation_id, note): an operation reverted
//                      unless confirmed by deadline_ms
//   journal_watcher   (device_serial, computer, can_revert, seen_ms): the
//                      service that watches the device, as it last said
// at_ms is UTC in milliseconds since 1970, utc_offset the writer's local
// offset in seconds: both are plain integers, the same in either database.
namespace JournalSchema {

// What journal_schema.application holds for a journal of this tool.
constexpr char kApplication[] = "qvt-config journal";

enum class Backend { Sqlite, Postgres };

// The statements that take a database from version `to - 1` to `to`. Version
// 2 is added as one more step at the end of Steps(); a database of any older
// version runs the steps it lacks, in one transaction.
struct Step {
    int to = 0;
    QStringList statements;
    // Run after the statements, in the same transaction: what SQL cannot do.
    bool (*after)(QSqlDatabase &db, QString *problem) = nullptr;
};

QVector<Step> Steps(Backend backend);

// The version this program writes: the last step's.
int CurrentVersion();

// Makes `db` a journal at the last version of `steps`: creates the schema in
// a database without tables, migrates one of an older version, leaves one
// at that version as it is. Refuses, changing nothing, a database that is not
// readable as one (a corrupt file), one with tables but not ours, and one of
// a newer version. `where` names the database in the error.
bool Prepare(QSqlDatabase &db, Backend backend, const QVector<Step> &steps, const QString &where,
             QString *error);

// Whether `db` can be read as a journal, changing nothing: ours, of version
// 1 or later. A newer version is read as far as its tables hold what this
// version reads (later versions only add). `where` names it in the error.
bool Readable(QSqlDatabase &db, Backend backend, const QString &where, QString *error);

// The version stored in `db`, 0 without our table, -1 when unreadable.
int StoredVersion(QSqlDatabase &db);

}  // namespace JournalSchema
