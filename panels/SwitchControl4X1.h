#pragma once

#include "SwitchControlPage.h"
#include "ui_SwitchControl4X1.h"

// The one switching group of the 4x1 models.
class SwitchControl4X1 final : public SwitchControlPage
{
    Q_OBJECT

public:
    explicit SwitchControl4X1(CfgNetClient *client, QWidget *parent = nullptr);

    void Retranslate() override { m_ui.retranslateUi(this); }

private:
    Ui::SwitchControl4X1 m_ui;
};
