#pragma once

#include "SystemAlarmsPage.h"
#include "ui_SystemAlarm2x1.h"

// The dual model's system alarm enables: the power supplies and the genlock,
// then each group's switching events.
class SystemAlarms2x1 final : public SystemAlarmsPage
{
    Q_OBJECT

public:
    explicit SystemAlarms2x1(CfgNetClient *client, QWidget *parent = nullptr);

    void Retranslate() override { m_ui.retranslateUi(this); }

private:
    Ui::SystemAlarm2x1 m_ui;
};
