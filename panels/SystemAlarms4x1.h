#pragma once

#include "SystemAlarmsPage.h"
#include "ui_SystemAlarm4x1.h"

// The 4x1 models' system alarm enables: one group with GPI 1 to 4.
class SystemAlarms4x1 final : public SystemAlarmsPage
{
    Q_OBJECT

public:
    explicit SystemAlarms4x1(CfgNetClient *client, QWidget *parent = nullptr);

    void Retranslate() override { m_ui.retranslateUi(this); }

private:
    Ui::SystemAlarm4x1 m_ui;
};
