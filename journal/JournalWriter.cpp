#include "JournalWriter.h"

JournalWriter::JournalWriter(const QString &location, Problem problem)
    : m_location(location), m_problem(std::move(problem))
{}

JournalWriter::~JournalWriter()
{
    Flush();
}

void JournalWriter::SetLocation(const QString &location)
{
    m_journal.reset();
    m_location = location;
    Flush();
}

bool JournalWriter::Fail(const QString &why)
{
    m_lastError = why;
    if (m_problem) {
        m_problem(why, m_pending.size());
    }
    return false;
}

Journal *JournalWriter::Current()
{
    if (!m_journal) {
        QString error;
        m_journal = Journal::Open(m_location, &error);
        if (!m_journal) {
            Fail(error);
        }
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

bool JournalWriter::Flush()
{
    if (m_pending.isEmpty()) {
        return true;
    }
    if (!Current()) {
        return false;
    }
    while (!m_pending.isEmpty()) {
        QString error;
        if (!m_journal->Record(m_pending.head(), &error)) {
            // Opened again at the next try: a server's connection may be gone.
            m_journal.reset();
            return Fail(error);
        }
        m_pending.dequeue();
    }
    m_lastError.clear();
    return true;
}
