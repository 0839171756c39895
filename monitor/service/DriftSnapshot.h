#pragma once

#include "JournalTypes.h"

#include <QMap>
#include <QString>

#include <functional>
#include <memory>

class CfgNetClient;
class JournalWriter;
class XmlDocument;

// Reads a device's whole parameter file every so often, one part per call
// so that the alarm polling between two calls is never held up for long,
// and journals each value that changed since the last whole read and that
// no tool wrote through the journal meanwhile: changes made outside the
// tool (the front panel, another program). The first read after the start,
// or of another unit, is only the baseline. Each whole read is also kept as
// a version of the device's file, when it differs from the last one kept.
//
// Threads: the watch thread's alone; its journal is opened on that thread,
// so Close() must run there too.
class DriftSnapshot final
{
public:
    using Say = std::function<void(const QString &line, bool warning)>;

    // `intervalMs` 0: never.
    DriftSnapshot(qint64 intervalMs, const QString &journal, const QString &spool, Say say);
    ~DriftSnapshot();

    // Reads the next part when a read is due or under way; `context` names
    // the device (its serial number tells another unit at the same address).
    void Step(CfgNetClient &client, int productType, const JournalContext &context);
    void Close();

    // The journal as this device's snapshots last found it: 1 it could be
    // read and written, 0 it could not, -1 not tried yet; and the operations
    // that wait in memory for it.
    int JournalUp() const { return m_journalUp; }
    int JournalPending() const;

private:
    Q_DISABLE_COPY(DriftSnapshot)

    // False when the journal cannot tell what the tool wrote: the baseline stays.
    bool Compare(const JournalContext &context);
    // Writes what waits for the journal, or opens it to see that it can be;
    // closes it when nothing waits.
    void SettleJournal();
    JournalWriter &Writer();
    // Stores the last whole read as a version, or keeps it for the next try.
    void StoreVersion();

    const qint64 m_intervalMs;
    const QString m_location;
    const QString m_spool;
    const Say m_say;
    std::unique_ptr<JournalWriter> m_journal;

    qint64 m_nextMs = 0;  // when the next read starts
    int m_part = -1;      // the part to read next; -1: no read under way
    qint64 m_startedMs = 0;
    QMap<QString, QString> m_reading;         // the read under way
    std::unique_ptr<XmlDocument> m_document;  // the same, as the export writes it
    JournalVersion m_version;                 // read and not yet stored; file empty: none
    QDateTime m_readEnd;                      // when the read of m_version ended
    QMap<QString, QString> m_baseline;
    qint64 m_baselineMs = 0;  // when the baseline's read started
    QString m_serial;         // whose baseline it is
    int m_productType = 0;
    bool m_failed = false;  // a failed read was said
    int m_journalUp = -1;
    int m_pending = 0;  // operations not in the journal, as last counted
};
