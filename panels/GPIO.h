#pragma once

#include "BaseWidget.h"
#include "GpioParams.h"
#include "ui_GPIO.h"

// Trigger polarity of the GPI inputs and GPO outputs, and their live levels.
class GPIO final : public BaseWidget
{
    Q_OBJECT

public:
    GPIO(CfgNetClient *client, int productType, QWidget *parent = nullptr);

    int RefreshFromDevice() override;
    int LeavePage() override;
    void SetPageDisabled(bool disabled) override;
    void ApplyGuestRestrictions() override;
    void LiftGuestRestrictions() override;
    void Retranslate() override { m_ui.retranslateUi(this); }

    // The electrical level of each point, "H" or "L", from its trigger mode
    // and its active bit: six points (two groups) on the dual model, else five.
    static QString LevelText(GPIOTriggerMode mode, quint8 status, bool dual);

public slots:
    void OnNotifyGPIOUpdate(GPIOTriggerMode GpiMode, GPIOTriggerMode GpoMode,
                            unsigned char mGpiStatus, unsigned char mGpoStatus);
    void OnApply();
    void OnTimer();

private:
    // Reads the modes and the levels into the page; `report`: a failure goes
    // to the status bar.
    int ShowDeviceValues(bool report);
    GpioParams FromControls() const;

    CfgNetClient *m_client;
    bool m_dual;
    Ui::GPIO m_ui;
    Baseline<GpioParams> m_baseline{GpioModel::EditFields()};
};
