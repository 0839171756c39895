#pragma once

#include "SignalIOPage.h"
#include "ui_SignalIO4X1.h"

// The 4x1 models' one group: four inputs, genlock and clocking, and the
// audio fading, audio duplication and AUX output.
class SignalIO4X1 final : public SignalIOPage
{
    Q_OBJECT

public:
    SignalIO4X1(CfgNetClient *client, int alignSettleMs = kAlignSettleMs,
                QWidget *parent = nullptr);

    void Retranslate() override { m_ui.retranslateUi(this); }

protected:
    void ShowExtras(const SignalIOParams &values) override;
    void TakeExtras(SignalIOParams &values) const override;

private:
    Ui::SignalIO4X1 m_ui;
};
