#pragma once

#include "JournalWriter.h"
#include "PageKey.h"

#include <QCoreApplication>
#include <QString>
#include <QVector>

#include <functional>

class CfgNetClient;
struct ApplyRecord;

// The window's change journal: the writer and the context of the session
// (this computer and user, the device and its login), used on the user
// interface thread only. A write that cannot be recorded never stops the
// device write: the operation waits in the writer, and the window's status
// bar says so.
class WindowJournal final
{
    Q_DECLARE_TR_FUNCTIONS(WindowJournal)

public:
    // `say`: why operations wait, for the status bar; empty once they are written.
    using Say = std::function<void(const QString &text)>;
    WindowJournal(const QString &location, Say say);
    ~WindowJournal();

    // The device of the session that logged in; cleared at disconnect.
    void SetDevice(const QString &serial, const QString &address, const QString &model,
                   const QString &loginUser);
    void ClearDevice();
    const JournalContext &Context() const { return m_context; }

    // One operation; nothing is recorded without changes.
    void Record(const QString &operation, const QVector<FieldChange> &changes);
    // A page's Apply: the fields of page `key`'s part that differ, read
    // back from the device when the write failed.
    void RecordApply(CfgNetClient &client, int productType, PageKey key, const ApplyRecord &record);
    // Writes to `location` from now on, what waits first.
    void SetLocation(const QString &location);
    // Writes what waits (at exit); false while it still cannot.
    bool Flush();

    JournalWriter &Writer() { return m_writer; }

    // The location in effect: the setting, or the default journal when empty.
    static QString StoredLocation();

private:
    void Problem(const QString &why, int pending);

    Say m_say;
    JournalContext m_context;
    JournalWriter m_writer;
    bool m_failing = false;  // the last write failed: the next success says so
};
