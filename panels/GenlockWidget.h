#pragma once

#include "BaseWidget.h"
#include "ui_GenlockWidget.h"

// The genlock reference's standard, kept live by the genlock poll.
class GenlockWidget final : public BaseWidget
{
    Q_OBJECT

public:
    GenlockWidget(CfgNetClient *client, QWidget *parent = nullptr);

    int RefreshFromDevice() override;
    int LeavePage() override;
    void SetPageDisabled(bool disabled) override { m_ui.groupBox->setDisabled(disabled); }
    void Retranslate() override { m_ui.retranslateUi(this); }

    // "Not Present", or the standard's name as a genlock reference.
    static QString GenlockText(VideoStandard standard, bool present);

public slots:
    void OnNotifyGenLockUpdate(VideoStandard standard, bool isPresent);
    void OnTimer();

private:
    CfgNetClient *m_client;
    Ui::GenlockWidget m_ui;
};
