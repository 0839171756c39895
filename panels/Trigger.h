#pragma once

#include "BaseWidget.h"
#include "TriggerParams.h"
#include "ui_Trigger.h"

class ComboxItemDelegate;
class QMenu;
class QTableWidgetItem;

// The alarm combination page: for each input, which detected alarms take
// part in the device's switching decision (a tick per alarm source) and how
// video and audio alarms combine (the last row).
class Trigger final : public BaseWidget
{
    Q_OBJECT

public:
    // `productType` names the columns: the dual model's groups, or inputs 1-4.
    Trigger(CfgNetClient *client, int productType, QWidget *parent = nullptr);

    int RefreshFromDevice() override;
    void SetPageDisabled(bool disabled) override;
    void ApplyGuestRestrictions() override;
    void LiftGuestRestrictions() override;
    void Retranslate() override;

    // The four entries the table shows, in column order.
    AlarmTriggers Entries() const;
    // The tick menu ("check", "uncheck"), connected to OnMenuAction; the
    // caller shows it and owns it.
    QMenu *CreateTickMenu();

signals:
    // After every Apply the device took: the four entries.
    void SendAlarmTriggerInfo(QVector<alarmTrigger> triggers);

public slots:
    void OnTableWidgetclicked(QTableWidgetItem *item);
    void OnMenuAction(QAction *action);
    void OnOk();

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void BuildTable();
    void SetTitles();
    void ShowEntries(const AlarmTriggers &entries);
    void UpdateEnabled();

    CfgNetClient *m_client;
    const int m_productType;
    Ui::Trigger m_ui;
    QString m_tick;
    Baseline<AlarmTriggers> m_baseline{TriggerModel::EditFields()};
    ComboxItemDelegate *m_combination = nullptr;
    bool m_disabled = false;
    bool m_guest = false;
};
