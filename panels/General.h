#pragma once

#include "BaseWidget.h"
#include "ui_General.h"

// Read-only identity of the device: model, serial number, running mode,
// versions and network address.
class General final : public BaseWidget
{
    Q_OBJECT

public:
    General(CfgNetClient *client, QWidget *parent = nullptr);

    int RefreshFromDevice() override;
    void SetPageDisabled(bool disabled) override;
    void Retranslate() override { m_ui.retranslateUi(this); }

private:
    // Says in the status bar which read failed; -1.
    int Failed(const char *operation);

    CfgNetClient *m_client;
    Ui::General m_ui;
};
