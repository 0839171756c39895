#pragma once

#include "BaseWidget.h"
#include "ui_GPIO.h"

// Trigger polarity of the GPI inputs and GPO outputs, and their live levels.
class GPIO final : public BaseWidget
{
    Q_OBJECT

public:
    GPIO(CfgNetClient *client, QWidget *parent = nullptr);

    int RefreshFromDevice() override;
    int LeavePage() override;
    int ImportParameters() override;
    int ExportParameters() override;
    void SetPageDisabled(bool disabled) override;
    void ApplyGuestRestrictions() override;
    void LiftGuestRestrictions() override;
    void Retranslate() override { m_ui.retranslateUi(this); }

    // The electrical level of each point, "H" or "L", from its trigger mode
    // and its active bit: six points (two groups) on the dual model, else five.
    static QString LevelText(GPIOTriggerMode mode, quint8 status, bool dual);

    // The page's part of the parameter file, without widgets (the import
    // runs on the command worker's thread).
    static int Export(CfgNetClient *client);
    static int Import(CfgNetClient *client);

public slots:
    void OnNotifyGPIOUpdate(GPIOTriggerMode GpiMode, GPIOTriggerMode GpoMode,
                            unsigned char mGpiStatus, unsigned char mGpoStatus);
    void OnApply();
    void OnTimer();

private:
    CfgNetClient *m_client;
    Ui::GPIO m_ui;
};
