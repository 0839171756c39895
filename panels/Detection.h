#pragma once

#include "BaseWidget.h"
#include "DetectionParams.h"
#include "ui_Detection.h"

#include <array>

class QCheckBox;
class QSpinBox;

// One input's signal fault detection: which faults the device watches for
// (signal lost, format error, sync failed, black and frozen video, lost and
// silent audio per channel), their levels, regions and trigger and clear
// times. The main window has four, one per input.
class Detection final : public BaseWidget
{
    Q_OBJECT

public:
    Detection(CfgNetClient *client, int inputIndex, QWidget *parent = nullptr);

    int RefreshFromDevice() override;
    int LeavePage() override;
    void SetPageDisabled(bool disabled) override;
    void ApplyGuestRestrictions() override;
    void LiftGuestRestrictions() override;
    void Retranslate() override;

signals:
    // After every Apply of the record that the device took.
    void SendDetectionInfo(int inputIndex, DetectionParam param);

public slots:
    void OnSetRegionMaxValue(QVector<VideoStandard> standard);
    void OnOk();
    void OnBlackRegLeftValueChanged();
    void OnBlackRegRightValueChanged();
    void OnBlackRegTopValueChanged();
    void OnBlackRegButtomValueChanged();
    void OnFreezeRegLeftValueChanged();
    void OnFreezeRegRightValueChanged();
    void OnFreezeRegTopValueChanged();
    void OnFreezeRegButtomValueChanged();
    void OnSetAllAudioLostCh(int index);
    void OnSetAllAudioSilentCh(int index);

private:
    using Channels = std::array<QCheckBox *, 16>;

    void Show(const DetectionParam &param);
    void SetRegionMaxima(int maxX, int maxY);
    DetectionParam FromControls() const;
    // The widgets a disconnect or a guest session disables.
    void UpdateEnabled();

    CfgNetClient *m_client;
    const int m_input;
    Ui::Detection m_ui;
    Channels m_lost{};
    Channels m_silent{};
    bool m_disabled = false;
    bool m_guest = false;
    Baseline<DetectionParam> m_baseline{DetectionModel::EditFields()};
};
