#pragma once

#include "AgcParams.h"
#include "BaseWidget.h"
#include "ui_AGC.h"

#include <array>

class VolumeColumnWidget;

// Automatic gain control of the programme audio (4x1 AGC model only): the
// channels' adjust modes, automatic or manual gain, the limiter, the AGC's
// own settings, and a live meter of the 16 input and 16 output channels.
class AGC final : public BaseWidget
{
    Q_OBJECT

public:
    AGC(CfgNetClient *client, QWidget *parent = nullptr);

    int RefreshFromDevice() override;
    int LeavePage() override;
    void SetPageDisabled(bool disabled) override;
    void ApplyGuestRestrictions() override;
    void LiftGuestRestrictions() override;
    void Retranslate() override;

    VolumeColumnWidget *Meter() const { return m_meter; }

signals:
    // The meter's kBars levels: inputs 1 to 16, then outputs 1 to 16.
    void signalsVolumeChanged(unsigned short *levels);

public slots:
    void OnNotifyAGCUpdate(QVector<unsigned short> inputLevel, QVector<unsigned short> outputLevel);
    void OnTimer();
    void OnManualGainSliderValueChange(int value);
    void OnManualGainSpinBoxValueChange(int value);
    void OnTargetLevelSliderValueChange(int value);
    void OnTargetLevelSpinBoxValueChange(int value);
    void OnGainControlMode(int index);
    void OnSetAllComboBoxChange(int index);
    void OnApply();

private:
    // Reads the device's values into the controls; `report`: a failure goes
    // to the status bar.
    int ShowDeviceValues(bool report);
    void Show(const AgcParams &values);
    AgcControls Controls() const;
    // The enabled state of every control from the page's state, the user and
    // the gain mode shown.
    void UpdateEnabled(int gainModeIndex);

    CfgNetClient *m_client;
    Ui::AGC m_ui;
    VolumeColumnWidget *m_meter;
    std::array<QComboBox *, AgcParams::kChannels> m_channels;
    bool m_disabled = false;
    bool m_guest = false;
    Baseline<AgcParams> m_baseline{AgcModel::EditFields()};
};
