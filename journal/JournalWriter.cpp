#include "JournalWriter.h"

#include <QFileInfo>

JournalWriter::JournalWriter(const QString &location, Problem problem, const QString &spool)
    : m_location(location),
      m_problem(std::move(problem)),
      m_spool(spool.isEmpty() ? JournalSpool::DefaultPath() : spool)
{}

JournalWriter::~JournalWriter()
{
    Flush();
}

void JournalWriter::SetLocation(const QString &location)
{
    m_journal.reset();
    // What waited for the old journal goes to the new one: the operator
    // moved the journal, often because the old one could not be written.
    QString error;
    if (!m_spool.Retarget(Journal::WhereOf(m_location), Journal::WhereOf(location), &error)) {
        Fail(error);
    }
    m_location = location;
    Flush();
}

bool JournalWriter::Fail(const QString &why)
{
    m_lastError = why;
    if (m_problem) {
        m_problem(why, Pending());
    }
    return false;
}

Journal *JournalWriter::Open(QString *error)
{
    if (!m_journal) {
        m_journal = Journal::Open(m_location, error);
    }
    return m_journal.get();
}

Journal *JournalWriter::Current()
{
    QString error;
    if (!Open(&error)) {
        Fail(error);
    }
    return m_journal.get();
}

bool JournalWriter::Submit(const JournalOperation &op)
{
    for (const FieldChange &change : op.changes) {
        if (change.field.isEmpty() && change.before != change.after) {
            return Fail(QStringLiteral("%1: a change without a field name is not journaled")
                            .arg(op.operation));
        }
    }
    m_pending.enqueue(op);
    // Its time is now, when the device write it records has ended, not when
    // a journal that was away takes it at last.
    if (!m_pending.last().when.isValid()) {
        m_pending.last().when = QDateTime::currentDateTime();
    }
    if (m_pending.size() > kMaxPending) {
        m_pending.dequeue();
        Fail(QStringLiteral("more than %1 operations wait for the journal: the oldest is dropped")
                 .arg(kMaxPending));
    }
    return Flush();
}

bool JournalWriter::Spool(const QString &why)
{
    if (m_pending.isEmpty()) {
        return Fail(why);
    }
    QString error;
    const QVector<JournalOperation> ops(m_pending.cbegin(), m_pending.cend());
    if (!m_spool.Keep(Journal::WhereOf(m_location), ops, &error)) {
        return Fail(QStringLiteral("%1; %2: %3 operation(s) wait in memory")
                        .arg(why, error)
                        .arg(m_pending.size()));
    }
    m_spooled += ops.size();
    m_pending.clear();
    return Fail(why);  // the callers name the spool: Spooled(), SpoolPath()
}

bool JournalWriter::Flush()
{
    if (m_pending.isEmpty()) {
        // Opened only when something waits for it: a journal that is away
        // costs nothing when nothing does.
        QString ignored;
        if (m_spool.Path().isEmpty() || !QFileInfo::exists(m_spool.Path()) ||
            m_spool.Count(Journal::WhereOf(m_location), &ignored) <= 0) {
            return true;
        }
    }
    QString error;
    if (!Open(&error)) {
        return Spool(error);
    }
    int moved = 0;
    const bool all = m_spool.MoveInto(*m_journal, &moved, &error);
    if (!all) {
        // Opened again at the next try: a server's connection may be gone.
        m_journal.reset();
        m_spooled = qMax(m_spooled - moved, 0);
        return Spool(error);
    }
    m_spooled = 0;  // this journal's are all in it now
    while (!m_pending.isEmpty()) {
        if (!m_journal->Record(m_pending.head(), &error)) {
            m_journal.reset();
            return Spool(error);
        }
        m_pending.dequeue();
    }
    m_lastError.clear();
    return true;
}
