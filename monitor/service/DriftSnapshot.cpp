#include "DriftSnapshot.h"

#include "CfgNetClient.h"
#include "JournalDiff.h"
#include "JournalSpool.h"
#include "JournalWriter.h"
#include "ParamsFile.h"
#include "XmlDocument.h"

#include <QDateTime>
#include <QSet>

namespace {
// Another computer's clock may be a little ahead: its writes just before the
// baseline still count as the tool's.
constexpr qint64 kClockSlackMs = 60000;

qint64 NowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}
}  // namespace

DriftSnapshot::DriftSnapshot(qint64 intervalMs, const QString &journal, const QString &spool,
                             Say say)
    : m_intervalMs(intervalMs), m_location(journal), m_spool(spool), m_say(std::move(say))
{}

DriftSnapshot::~DriftSnapshot() = default;

void DriftSnapshot::StoreVersion()
{
    Journal *journal = m_version.file.isEmpty() ? nullptr : Writer().Current();
    if (!journal) {
        return;  // none waits, or it waits for the journal with the operations
    }
    bool stored = false;
    QString error;
    // A tool that wrote while the parts were read one by one leaves a file
    // that was never on the device as a whole: the next snapshot's stands in.
    JournalFilter during;
    during.device =
        m_version.deviceSerial.isEmpty() ? m_version.deviceAddress : m_version.deviceSerial;
    during.since = m_version.when;
    during.until = m_readEnd;
    during.limit = 1;
    const bool written = !journal->History(during, &error).isEmpty();
    if (written || !error.isEmpty()) {
        m_version = JournalVersion();
        return;
    }
    if (journal->StoreVersion(m_version, &stored, &error)) {
        m_version = JournalVersion();
    } else {
        m_say(QStringLiteral("%1: the version read at %2 is kept for the next try: %3")
                  .arg(m_version.deviceAddress, m_version.when.toLocalTime().toString(Qt::ISODate),
                       error),
              true);
    }
}

void DriftSnapshot::Close()
{
    m_journal.reset();
}

int DriftSnapshot::JournalPending() const
{
    return m_pending;
}

void DriftSnapshot::Step(CfgNetClient &client, int productType, const JournalContext &context)
{
    if (m_intervalMs <= 0 || productType == 0) {
        return;
    }
    if (m_part < 0) {
        if (NowMs() < m_nextMs) {
            return;
        }
        m_part = 0;
        m_startedMs = NowMs();
        m_reading.clear();
    }
    const QVector<ParamPart> parts = ParamParts(productType);
    if (m_part == 0) {
        // The whole read goes into one document, as the export writes it.
        m_document = std::make_unique<XmlDocument>();
        m_document->StartDocument();
        QDomElement root = m_document->Root();
        m_document->AddTextElement(root, QStringLiteral("ModuleType"),
                                   QString::number(productType));
    }
    QString failure;
    if (parts[m_part].exportTo(client, *m_document, &failure) != 0) {
        // Tried again whole at the next interval; the baseline stays.
        if (!m_failed) {
            m_say(QStringLiteral("%1: the snapshot for the change journal failed: %2")
                      .arg(context.deviceAddress, failure),
                  true);
        }
        m_failed = true;
        m_part = -1;
        m_nextMs = NowMs() + m_intervalMs;
        return;
    }
    m_failed = false;
    if (++m_part < parts.size()) {
        return;
    }
    m_part = -1;
    m_reading = FlattenDocument(*m_document);
    m_reading.remove(QStringLiteral("ModuleType"));
    // The newest read replaces one still waiting: the operations between
    // the two wait with the journal too, so nothing is lost for --at.
    // As of the read's start; one with a write during the read is not kept.
    m_version.when = QDateTime::fromMSecsSinceEpoch(m_startedMs, Qt::UTC);
    m_readEnd = QDateTime::currentDateTimeUtc();
    m_version.deviceSerial = context.deviceSerial;
    m_version.deviceAddress = context.deviceAddress;
    m_version.deviceModel = context.deviceModel;
    m_version.program = context.program;
    m_version.computer = context.computer;
    m_version.file = m_document->ToBytes();
    m_document.reset();
    m_nextMs = m_startedMs + m_intervalMs;
    if (m_baseline.isEmpty() || context.deviceSerial != m_serial || productType != m_productType) {
        m_serial = context.deviceSerial;
        m_productType = productType;
        m_say(QStringLiteral("%1: parameters read (%2 fields); changes made outside the tool "
                             "are journaled from now on")
                  .arg(context.deviceAddress)
                  .arg(m_reading.size()),
              false);
    } else if (!Compare(context)) {
        return;
    }
    m_baseline = m_reading;
    m_baselineMs = m_startedMs;
    SettleJournal();
    if (m_journalUp == 1) {
        StoreVersion();
        m_journal.reset();
    }
}

JournalWriter &DriftSnapshot::Writer()
{
    if (!m_journal) {
        m_journal = std::make_unique<JournalWriter>(
            m_location,
            [this](const QString &why, int) {
                m_say(QStringLiteral("change journal: %1").arg(why), true);
            },
            m_spool);
    }
    return *m_journal;
}

void DriftSnapshot::SettleJournal()
{
    // What waits is written now; otherwise the journal is only opened, so
    // that its state is known before a change needs it.
    const bool ok = Writer().Flush() && Writer().Current() != nullptr;
    // What waits: in this writer's memory, and in the spool for this journal
    // (also what an earlier run of the service left there).
    QString ignored;
    const int spooled =
        ok ? 0 : JournalSpool(Writer().SpoolPath()).Count(Journal::WhereOf(m_location), &ignored);
    m_pending = Writer().InMemory() + qMax(spooled, Writer().Spooled());
    if (ok && m_journalUp == 0) {
        m_say(QStringLiteral("change journal: %1 can be written again").arg(m_location), false);
    }
    m_journalUp = ok ? 1 : 0;
    // Closed, once the version is stored, until the next snapshot: a
    // thousand devices must not each hold the journal's files.
}

bool DriftSnapshot::Compare(const JournalContext &context)
{
    const QVector<FieldChange> changes = Changes(m_baseline, m_reading);
    if (changes.isEmpty()) {
        return true;
    }
    Journal *journal = Writer().Current();
    if (!journal) {
        m_journalUp = 0;
        m_pending = Writer().Pending();
        return false;  // said
    }
    // Every value the tool wrote since the baseline: a field read while the
    // tool changed it more than once may hold any of them, and is no change
    // from outside.
    JournalFilter filter;
    filter.device = context.deviceSerial.isEmpty() ? context.deviceAddress : context.deviceSerial;
    filter.since = QDateTime::fromMSecsSinceEpoch(m_baselineMs - kClockSlackMs, Qt::UTC);
    QString error;
    QSet<QPair<QString, QString>> written;
    for (const JournalEntry &entry : journal->History(filter, &error)) {
        if (entry.source == JournalSource::Tool && entry.change.result == JournalResult::Taken) {
            written.insert({entry.change.field, entry.change.after});
        }
    }
    if (!error.isEmpty()) {
        m_say(QStringLiteral("change journal: %1").arg(error), true);
        m_journal->Drop();  // opened again at the next snapshot
        m_journalUp = 0;
        m_pending = m_journal->Pending();
        return false;
    }
    // Who changed it is not known: only the device, the interval since the
    // last snapshot, and which computer found it.
    JournalOperation op;
    op.when = QDateTime::currentDateTime();
    op.changedAfter = QDateTime::fromMSecsSinceEpoch(m_baselineMs, Qt::UTC);
    op.detectedBy = context.computer;
    op.context = context;
    op.context.computer.clear();
    op.context.osUser.clear();
    op.context.loginUser.clear();
    op.operation = QStringLiteral("snapshot");
    op.source = JournalSource::Outside;
    for (const FieldChange &change : changes) {
        if (!written.contains({change.field, change.after})) {
            op.changes.append(change);
        }
    }
    if (!op.changes.isEmpty() && !m_journal->Submit(op)) {
        m_pending = m_journal->Pending();  // spooled, or in memory
    }
    return true;
}
