#pragma once

#include <QDateTime>
#include <QString>
#include <QVector>

// The change journal's records: who changed what on which switch, when,
// from what to what. Plain values; journal/Journal.h stores and reads them.

// Who wrote, from where, to which device. Every field of an operation shares it.
struct JournalContext {
    QString computer;        // host name of the computer that wrote
    QString osUser;          // operating-system account of the writer
    QString program;         // "qvt-config", "qvt-cli", "qvt-monitord"
    QString programVersion;  // its version
    QString deviceSerial;    // as the device reports it, e.g. "QV00012345-00000042"
    QString deviceAddress;   // the IPv4 address the tool talked to
    QString deviceModel;     // the model's English name
    QString loginUser;       // the device account: "admin"
};

// This computer, this operating-system user, `program` (the application's
// name when empty) and this build's version; the device fields stay empty.
JournalContext LocalJournalContext(const QString &program = QString());

// What became of one write.
enum class JournalResult {
    Taken,       // the device accepted it
    Refused,     // the device refused it (resultCode: its answer)
    NotReached,  // an earlier write of the same operation failed, so it was never sent
};

// Where a change came from.
enum class JournalSource {
    Tool,     // written by this tool
    Outside,  // found by qvt-monitord's snapshot: changed by something else
};

// One field: its path as the parameter file names it
// ("SignalIO/GroupA/QuietSwitching/AudioFadingDuration"; dialogs the same
// way: "Network/IP", "NotificationDest/1/IP", "Password/admin"), its value
// before and after. A null value means the field had none on that side (it
// was missing); an empty one is a value. Changes() gives them with `Taken`;
// the caller sets the result once the device answered.
struct FieldChange {
    QString field;
    QString before;
    QString after;
    JournalResult result = JournalResult::Taken;
    int resultCode = 0;
};

inline bool operator==(const FieldChange &a, const FieldChange &b)
{
    return a.field == b.field && a.before == b.before && a.after == b.after &&
           a.before.isNull() == b.before.isNull() && a.after.isNull() == b.after.isNull() &&
           a.result == b.result && a.resultCode == b.resultCode;
}

// A password change is journaled as a change, never with its value.
inline FieldChange PasswordChange(const QString &user)
{
    return {QStringLiteral("Password/") + user, QString(), QStringLiteral("changed")};
}

// One operation: one page's Apply, one import, one dialog, one manual switch.
// It is written as one transaction: all of its changes or none.
struct JournalOperation {
    QDateTime when;  // when it was written; Record takes the current time when invalid
    JournalContext context;
    QString operation;  // the page or dialog ("Signal I/O", "Network"), or "import FILE"
    JournalSource source = JournalSource::Tool;
    QVector<FieldChange> changes;
    // A change found outside the tool happened after `changedAfter` (the
    // snapshot before the one that found it) and before `when`; its who is
    // unknown, so the context's computer and users stay empty and
    // `detectedBy` names the computer whose snapshot found it.
    QDateTime changedAfter;
    QString detectedBy;
};

// One stored change with its operation's context, as History gives it.
struct JournalEntry {
    qint64 id = 0;
    qint64 operationId = 0;
    QDateTime when;            // UTC
    int utcOffsetSeconds = 0;  // the writer's local offset east of UTC at that time
    JournalContext context;
    QString operation;
    JournalSource source = JournalSource::Tool;
    FieldChange change;
    QDateTime changedAfter;  // UTC; invalid when not known
    QString detectedBy;
};

// Which entries History gives; every member left empty or zero selects all.
struct JournalFilter {
    QString device;   // a serial number or an address
    QDateTime since;  // from this time on (inclusive)
    QDateTime until;  // before this time (exclusive)
    QString field;    // a field's path, or the start of one with fieldPrefix
    bool fieldPrefix = false;
    qint64 operationId = 0;
    int limit = 0;  // at most this many, the newest
};

// A device's whole parameter file as read at one time: by qvt-monitord's
// snapshot, or by qvt-cli after it wrote to the device.
struct JournalVersion {
    qint64 id = 0;
    QDateTime when;  // UTC, when it was read
    QDateTime seen;  // UTC, when it was last found unchanged; set by VersionAt
    QString deviceSerial;
    QString deviceAddress;
    QString deviceModel;
    QString program;
    QString computer;
    QByteArray file;  // as the export writes it
    QString hash;     // SHA-256 of `file`, in hex; set by StoreVersion and VersionAt
};

// An operation the device keeps only when it is confirmed by its deadline;
// else the service that watches the device reverts it.
// Reverting: one service claimed it and is writing the revert; a claim that
// ends neither way (the service stopped) is taken over after a while.
enum class ConfirmState { Pending, Reverting, Confirmed, Reverted, Failed };
struct JournalConfirmation {
    qint64 operationId = 0;
    QString deviceSerial;
    QString deviceAddress;
    QDateTime deadline;  // UTC
    ConfirmState state = ConfirmState::Pending;
    QDateTime settled;  // when it was confirmed or reverted
    QString settledBy;  // who: the confirming user, or the reverting computer
    qint64 revertOperationId = 0;
    QString note;  // what the revert left alone, or why it failed
};
QString ConfirmStateText(ConfirmState state);
ConfirmState ConfirmStateFromText(const QString &text);

// The texts stored for the enums, and back (unknown text: Taken / Tool).
QString ResultText(JournalResult result);
JournalResult ResultFromText(const QString &text);
QString SourceText(JournalSource source);
JournalSource SourceFromText(const QString &text);
