#include "Trigger.h"

#include "CfgNetClient.h"
#include "ComboxItemDelegate.h"
#include "DeviceTables.h"
#include "NoticeMessages.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QHeaderView>
#include <QMenu>

namespace M = TriggerModel;

Trigger::Trigger(CfgNetClient *client, int productType, QWidget *parent)
    : BaseWidget(parent), m_client(client), m_productType(productType)
{
    m_ui.setupUi(this);
    BuildTable();
    connect(m_ui.tableWidgetSource, &QTableWidget::itemDoubleClicked, this,
            &Trigger::OnTableWidgetclicked);
    connect(m_ui.pushButtonOk, &QPushButton::clicked, this, &Trigger::OnOk);
}

void Trigger::BuildTable()
{
    QTableWidget *table = m_ui.tableWidgetSource;
    m_tick = QString(QChar(0x221A));
    table->setRowCount(M::kRows);
    table->setColumnCount(kInputCount);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    for (int row = 0; row < M::kRows; ++row) {
        for (int column = 0; column < kInputCount; ++column) {
            auto *item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            if (row == M::kCombinationRow) {
                item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);
                item->setText(tr("Any"));
            } else {
                item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
                item->setText(m_tick);
            }
            table->setItem(row, column, item);
        }
    }
    m_combination = new ComboxItemDelegate(this);
    table->setItemDelegateForRow(M::kCombinationRow, m_combination);
    SetTitles();
    // Every row in view: the page scrolls in the window, not the table.
    table->setMinimumHeight(table->horizontalHeader()->sizeHint().height() +
                            table->verticalHeader()->length() + 2 * table->frameWidth());
}

void Trigger::SetTitles()
{
    QTableWidget *table = m_ui.tableWidgetSource;
    QStringList columns;
    for (int column = 0; column < kInputCount; ++column) {
        if (IsDual(m_productType)) {
            columns << (column < 2 ? tr("A-Input %1").arg(column + 1)
                                   : tr("B-Input %1").arg(column - 1));
        } else {
            columns << tr("Input %1").arg(column + 1);
        }
    }
    table->setHorizontalHeaderLabels(columns);
    QStringList rows;
    // The video rows read as the alarm log names the alarms.
    for (int bit = 0; bit < M::kVideoRows; ++bit) {
        rows << QCoreApplication::translate("NoticesServer", VideoAlarmName(bit));
    }
    for (int channel = 1; channel <= kAudioChannels; ++channel) {
        rows << tr("Audio Lost Ch%1").arg(channel);
    }
    for (int channel = 1; channel <= kAudioChannels; ++channel) {
        rows << tr("Audio Silent Ch%1").arg(channel);
    }
    rows << tr("Combination");
    table->setVerticalHeaderLabels(rows);
    m_combination->items = QStringList{tr("Any"), tr("V&A"), tr("None")};
}

void Trigger::Retranslate()
{
    // The combination cells hold item texts: they follow the language too.
    const AlarmTriggers entries = Entries();
    m_ui.retranslateUi(this);
    SetTitles();
    for (int column = 0; column < kInputCount; ++column) {
        const int rule = M::CombinationIndex(entries[column].TriggerCombination);
        m_ui.tableWidgetSource->item(M::kCombinationRow, column)
            ->setText(m_combination->items.value(rule));
    }
}

AlarmTriggers Trigger::Entries() const
{
    const QTableWidget *table = m_ui.tableWidgetSource;
    AlarmTriggers entries(kInputCount);
    for (int column = 0; column < kInputCount; ++column) {
        alarmTrigger &entry = entries[column];
        entry.VideoAlarmMask = 0;
        entry.AudioLostAlarmMask = 0;
        entry.AudioSilentAlarmMask = 0;
        for (int row = 0; row < M::kSourceRows; ++row) {
            M::SetTicked(entry, row, !table->item(row, column)->text().isEmpty());
        }
        // Compared with the items in the current language; an empty cell
        // shows a device value without an item.
        const QString rule = table->item(M::kCombinationRow, column)->text();
        entry.TriggerCombination = M::CombinationOfIndex(m_combination->items.indexOf(rule));
    }
    return entries;
}

void Trigger::ShowEntries(const AlarmTriggers &entries)
{
    QTableWidget *table = m_ui.tableWidgetSource;
    for (int column = 0; column < kInputCount && column < entries.size(); ++column) {
        for (int row = 0; row < M::kSourceRows; ++row) {
            table->item(row, column)
                ->setText(M::IsTicked(entries[column], row) ? m_tick : QString());
        }
        const int rule = M::CombinationIndex(entries[column].TriggerCombination);
        table->item(M::kCombinationRow, column)->setText(m_combination->items.value(rule));
    }
}

void Trigger::OnTableWidgetclicked(QTableWidgetItem *item)
{
    // The combination row is edited with its combo box.
    if (!item || item->row() == M::kCombinationRow) {
        return;
    }
    item->setText(item->text().isEmpty() ? m_tick : QString());
}

QMenu *Trigger::CreateTickMenu()
{
    auto *menu = new QMenu(m_ui.tableWidgetSource);
    // The action says what it does in its data: some desktops add shortcut
    // marks to menu texts, so the text is no test of which one was chosen.
    menu->addAction(tr("check"))->setData(true);
    menu->addSeparator();
    menu->addAction(tr("uncheck"))->setData(false);
    connect(menu, &QMenu::triggered, this, &Trigger::OnMenuAction);
    return menu;
}

void Trigger::contextMenuEvent(QContextMenuEvent *event)
{
    if (m_guest || !m_ui.tableWidgetSource->isEnabled()) {
        return;
    }
    QMenu *menu = CreateTickMenu();
    menu->exec(QCursor::pos());
    event->accept();
    delete menu;
}

void Trigger::OnMenuAction(QAction *action)
{
    const bool check =
        action->data().isValid() ? action->data().toBool() : action->text() == tr("check");
    for (QTableWidgetItem *item : m_ui.tableWidgetSource->selectedItems()) {
        if (item->row() != M::kCombinationRow) {
            item->setText(check ? m_tick : QString());
        }
    }
}

int Trigger::RefreshFromDevice()
{
    AlarmTriggers entries;
    QString failure;
    if (M::Read(*m_client, entries, &failure) != 0) {
        ReportRefreshFailure(failure);
        return -1;
    }
    ShowEntries(entries);
    m_baseline.Shown(Entries());
    return 0;
}

void Trigger::OnOk()
{
    AlarmTriggers entries;
    const auto read = [this](AlarmTriggers &device, QString *failure) {
        return M::Read(*m_client, device, failure);
    };
    if (!EditsOverDevice(m_baseline, Entries(), read, &entries)) {
        return;
    }
    QString failure;
    const int written = M::Write(*m_client, entries, &failure);
    JournalApply(entries, written);
    if (written != 0) {
        // The table keeps the user's edits, to be applied again.
        ReportApplyFailure(failure);
        return;
    }
    m_baseline.Shown(Entries());
    ReportApplied();
    emit SendAlarmTriggerInfo(entries);
}

void Trigger::UpdateEnabled()
{
    m_ui.groupBox->setDisabled(m_disabled || m_guest);
    m_ui.pushButtonOk->setDisabled(m_disabled || m_guest);
}

void Trigger::SetPageDisabled(bool disabled)
{
    m_disabled = disabled;
    UpdateEnabled();
}

void Trigger::ApplyGuestRestrictions()
{
    m_guest = true;
    UpdateEnabled();
}

void Trigger::LiftGuestRestrictions()
{
    m_guest = false;
    UpdateEnabled();
}
