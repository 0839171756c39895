#pragma once

#include "SwitchControlPage.h"
#include "ui_SwitchControl2X1.h"

// One switching group of the dual 2x1 model: `pageIndex` 0 group A, 1 group B.
class SwitchControl2X1 final : public SwitchControlPage
{
    Q_OBJECT

public:
    SwitchControl2X1(CfgNetClient *client, int pageIndex, QWidget *parent = nullptr);

    void Retranslate() override { m_ui.retranslateUi(this); }

private:
    Ui::SwitchControl2X1 m_ui;
};
