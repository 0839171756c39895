#include "JournalHistory.h"

#include "Journal.h"
#include "JournalCsv.h"
#include "MessageBoxes.h"

#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
const char kTimeFormat[] = "yyyy-MM-dd hh:mm:ss";

QDateTimeEdit *TimeEdit(QWidget *parent, const char *name, const QDateTime &at)
{
    auto *edit = new QDateTimeEdit(at, parent);
    edit->setObjectName(QLatin1String(name));
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QLatin1String(kTimeFormat));
    return edit;
}
}  // namespace

JournalHistory::JournalHistory(Journal *journal, const QString &problem, FileChooser choose,
                               QWidget *parent)
    : QDialog(parent), m_journal(journal), m_choose(std::move(choose))
{
    setObjectName(QStringLiteral("JournalHistory"));
    setWindowTitle(tr("History"));
    resize(980, 520);

    m_device = new QLineEdit(this);
    m_device->setObjectName(QStringLiteral("lineEditDevice"));
    m_device->setPlaceholderText(tr("serial number or address"));
    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("lineEditField"));
    m_field->setPlaceholderText(tr("start of the field's path, e.g. SignalIO/GroupA"));
    // From the first entry any tool could have written to the end of
    // tomorrow: all of it until the operator narrows it.
    const QDateTime now = QDateTime::currentDateTime();
    m_since = TimeEdit(this, "dateTimeEditFrom", QDateTime(QDate(2000, 1, 1), QTime(0, 0)));
    m_until = TimeEdit(this, "dateTimeEditTo", QDateTime(now.date().addDays(2), QTime(0, 0)));

    auto *filters = new QFormLayout;
    filters->addRow(tr("Device:"), m_device);
    auto *range = new QHBoxLayout;
    range->addWidget(m_since);
    range->addWidget(new QLabel(tr("to"), this));
    range->addWidget(m_until);
    range->addStretch();
    filters->addRow(tr("Time:"), range);
    filters->addRow(tr("Field:"), m_field);

    m_table = new QTableWidget(0, 8, this);
    m_table->setObjectName(QStringLiteral("tableHistory"));
    m_table->setHorizontalHeaderLabels({tr("Time"), tr("Device"), tr("User"), tr("Operation"),
                                        tr("Field"), tr("Before"), tr("After"), tr("Result")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("labelHistoryStatus"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton *exportButton =
        buttons->addButton(tr("Export CSV..."), QDialogButtonBox::ActionRole);
    exportButton->setObjectName(QStringLiteral("pushButtonExport"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(exportButton, &QPushButton::clicked, this, &JournalHistory::OnExport);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_status);
    layout->addWidget(buttons);

    connect(m_device, &QLineEdit::textChanged, this, &JournalHistory::Reload);
    connect(m_field, &QLineEdit::textChanged, this, &JournalHistory::Reload);
    connect(m_since, &QDateTimeEdit::dateTimeChanged, this, &JournalHistory::Reload);
    connect(m_until, &QDateTimeEdit::dateTimeChanged, this, &JournalHistory::Reload);
    if (!m_journal) {
        m_status->setText(tr("The change journal cannot be read: %1").arg(problem));
        exportButton->setEnabled(false);
        return;
    }
    Reload();
}

JournalFilter JournalHistory::Filter() const
{
    JournalFilter filter;
    filter.device = m_device->text().trimmed();
    filter.since = m_since->dateTime().toUTC();
    filter.until = m_until->dateTime().toUTC();
    filter.field = m_field->text().trimmed();
    filter.fieldPrefix = true;
    filter.limit = kMaxRows;
    return filter;
}

QString JournalHistory::ResultText(const FieldChange &change) const
{
    switch (change.result) {
        case JournalResult::Taken:
            return tr("taken");
        case JournalResult::Refused:
            return tr("refused (%1)").arg(change.resultCode);
        case JournalResult::NotReached:
            return tr("not reached");
    }
    return QString();
}

QString JournalHistory::ConfirmationText(const JournalConfirmation &c) const
{
    switch (c.state) {
        case ConfirmState::Pending:
            return tr("to confirm by %1")
                .arg(c.deadline.toLocalTime().toString(QLatin1String(kTimeFormat)));
        case ConfirmState::Reverting:
            return tr("not confirmed: being reverted");
        case ConfirmState::Confirmed:
            return tr("confirmed by %1").arg(c.settledBy);
        case ConfirmState::Reverted:
            return tr("not confirmed: reverted");
        case ConfirmState::Failed:
            return tr("not confirmed, not reverted: %1").arg(c.note);
    }
    return QString();
}

void JournalHistory::Reload()
{
    if (!m_journal) {
        return;
    }
    QString error;
    m_entries = m_journal->History(Filter(), &error);
    // Operations that undo themselves unless confirmed: what became of each.
    QHash<qint64, JournalConfirmation> confirmations;
    int pending = 0;
    QDateTime firstDeadline;
    for (const JournalConfirmation &c : m_journal->Confirmations(true, &error)) {
        confirmations.insert(c.operationId, c);
        if (c.state == ConfirmState::Pending) {
            ++pending;
            firstDeadline = firstDeadline.isValid() ? qMin(firstDeadline, c.deadline) : c.deadline;
        }
    }
    m_table->setRowCount(0);
    m_table->setRowCount(m_entries.size());
    for (int row = 0; row < m_entries.size(); ++row) {
        const JournalEntry &e = m_entries[row];
        const QString device =
            e.context.deviceSerial.isEmpty()
                ? e.context.deviceAddress
                : QStringLiteral("%1 (%2)").arg(e.context.deviceSerial, e.context.deviceAddress);
        const bool outside = e.source == JournalSource::Outside;
        const auto confirmation = confirmations.constFind(e.operationId);
        const QString operation =
            confirmation == confirmations.cend()
                ? e.operation
                : QStringLiteral("%1 (%2)").arg(e.operation, ConfirmationText(*confirmation));
        const QStringList cells{e.when.toLocalTime().toString(QLatin1String(kTimeFormat)),
                                device,
                                outside ? tr("outside the tool") : e.context.loginUser,
                                operation,
                                e.change.field,
                                e.change.before,
                                e.change.after,
                                ResultText(e.change)};
        for (int column = 0; column < cells.size(); ++column) {
            m_table->setItem(row, column, new QTableWidgetItem(cells[column]));
        }
        // Who at the computer, for the tool tip of the user; for a change
        // made outside the tool, when it happened as near as is known.
        m_table->item(row, 2)->setToolTip(
            !outside ? QStringLiteral("%1@%2, %3 %4")
                           .arg(e.context.osUser, e.context.computer, e.context.program,
                                e.context.programVersion)
            : e.changedAfter.isValid()
                ? tr("Changed between %1 and %2; found by %3 on %4")
                      .arg(e.changedAfter.toLocalTime().toString(QLatin1String(kTimeFormat)),
                           e.when.toLocalTime().toString(QLatin1String(kTimeFormat)),
                           e.context.program, e.detectedBy)
                : tr("Changed before %1; found by %2 on %3")
                      .arg(e.when.toLocalTime().toString(QLatin1String(kTimeFormat)),
                           e.context.program, e.detectedBy));
    }
    m_table->resizeColumnsToContents();
    QString status = !error.isEmpty() ? tr("The change journal cannot be read: %1").arg(error)
                     : m_entries.size() >= kMaxRows
                         ? tr("The newest %1 changes are shown.").arg(kMaxRows)
                         : tr("%n change(s).", nullptr, m_entries.size());
    if (pending > 0) {
        status +=
            QLatin1Char(' ') +
            tr("%n operation(s) await confirmation; the first deadline is %1.", nullptr, pending)
                .arg(firstDeadline.toLocalTime().toString(QLatin1String(kTimeFormat)));
    }
    m_status->setText(status);
}

void JournalHistory::OnExport()
{
    const QString file = m_choose ? m_choose()
                                  : QFileDialog::getSaveFileName(this, tr("Export CSV"),
                                                                 QStringLiteral("history.csv"),
                                                                 tr("CSV files (*.csv)"));
    if (file.isEmpty()) {
        return;
    }
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        out.write(HistoryCsv(m_entries)) < 0 || !out.flush()) {
        Warn(this, tr("The history cannot be written to %1: %2").arg(file, out.errorString()));
        return;
    }
    m_status->setText(tr("%n change(s) exported to %1.", nullptr, m_entries.size()).arg(file));
}
