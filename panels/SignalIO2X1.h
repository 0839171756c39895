#pragma once

#include "SignalIOPage.h"
#include "ui_SignalIO2X1.h"

// One switching group of the dual model: its two inputs, its genlock phase
// delay, phase alignment and clocking mode.
class SignalIO2X1 final : public SignalIOPage
{
    Q_OBJECT

public:
    SignalIO2X1(CfgNetClient *client, int pageIndex, int alignSettleMs = kAlignSettleMs,
                QWidget *parent = nullptr);

    void Retranslate() override { m_ui.retranslateUi(this); }

private:
    Ui::SignalIO2X1 m_ui;
};
