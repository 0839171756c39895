#include "WindowJournal.h"

#include "BaseWidget.h"
#include "ParamsFile.h"
#include "PartWrite.h"
#include "Settings.h"

WindowJournal::WindowJournal(const QString &location, Say say)
    : m_say(std::move(say)),
      m_context(LocalJournalContext(QStringLiteral("qvt-config"))),
      m_writer(location, [this](const QString &why, int pending) { Problem(why, pending); })
{}

WindowJournal::~WindowJournal()
{
    Flush();
}

QString WindowJournal::StoredLocation()
{
    return Settings().JournalLocation();
}

void WindowJournal::SetDevice(const QString &serial, const QString &address, const QString &model,
                              const QString &loginUser)
{
    m_context.deviceSerial = serial;
    m_context.deviceAddress = address;
    m_context.deviceModel = model;
    m_context.loginUser = loginUser;
}

void WindowJournal::ClearDevice()
{
    SetDevice(QString(), QString(), QString(), QString());
}

void WindowJournal::Record(const QString &operation, const QVector<FieldChange> &changes)
{
    if (changes.isEmpty()) {
        if (m_writer.Pending() > 0) {
            Flush();
        }
        return;
    }
    JournalOperation op;
    op.context = m_context;
    op.operation = operation;
    op.changes = changes;
    if (m_writer.Submit(op) && m_failing) {
        m_failing = false;
        m_say(QString());
    }
}

void WindowJournal::RecordApply(CfgNetClient &client, int productType, PageKey key,
                                const ApplyRecord &record)
{
    ParamPart part{};
    if (FindPart(productType, key, &part) && !record.actionField.isEmpty()) {
        // Before: none, like a password; the device holds no such value.
        FieldChange change{record.actionField, QString(), record.actionDone};
        if (record.writeStatus != 0) {
            change.result = JournalResult::Refused;
            change.resultCode = record.resultCode;
        }
        Record(QString::fromLatin1(part.page), {change});
        return;
    }
    if (!FindPart(productType, key, &part) || record.type == nullptr ||
        *record.type != *part.valuesType || !record.before || !record.after) {
        return;
    }
    Record(QString::fromLatin1(part.page),
           ApplyChanges(client, part, record.before.get(), record.after.get(), record.writeStatus,
                        record.resultCode));
}

void WindowJournal::SetLocation(const QString &location)
{
    m_writer.SetLocation(location);
    Flush();
}

bool WindowJournal::Flush()
{
    const bool written = m_writer.Flush();
    if (written && m_failing) {
        m_failing = false;
        m_say(QString());
    }
    return written;
}

void WindowJournal::Problem(const QString &why, int pending)
{
    m_failing = true;
    // The device was changed either way; what the journal could not take
    // waits in the spool, which outlives the window.
    m_say(tr("The change journal cannot be written (%1): the device was changed; %n "
             "operation(s) wait in the spool %2 and go into the journal as soon as it can be "
             "written.",
             nullptr, pending)
              .arg(why, m_writer.SpoolPath()));
}
