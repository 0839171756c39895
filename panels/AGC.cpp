#include "AGC.h"

#include "CfgNetClient.h"
#include "VolumeColumnWidget.h"

namespace {
constexpr int kSetAllNone = 3;  // "--"
}

AGC::AGC(CfgNetClient *client, QWidget *parent) : BaseWidget(parent), m_client(client)
{
    m_ui.setupUi(this);
    m_channels = {m_ui.comboBoxCh1,  m_ui.comboBoxCh2,  m_ui.comboBoxCh3,  m_ui.comboBoxCh4,
                  m_ui.comboBoxCh5,  m_ui.comboBoxCh6,  m_ui.comboBoxCh7,  m_ui.comboBoxCh8,
                  m_ui.comboBoxCh9,  m_ui.comboBoxCh10, m_ui.comboBoxCh11, m_ui.comboBoxCh12,
                  m_ui.comboBoxCh13, m_ui.comboBoxCh14, m_ui.comboBoxCh15, m_ui.comboBoxCh16};
    m_ui.comboBoxSetAll->setCurrentIndex(kSetAllNone);
    m_meter = new VolumeColumnWidget(this);
    m_ui.horizontalLayoutAudioMeter->addWidget(m_meter);

    connect(m_ui.spinBoxManualGain, qOverload<int>(&QSpinBox::valueChanged), this,
            &AGC::OnManualGainSpinBoxValueChange);
    connect(m_ui.verticalSliderManualGain, &QSlider::valueChanged, this,
            &AGC::OnManualGainSliderValueChange);
    connect(m_ui.spinBoxTargetLevel, qOverload<int>(&QSpinBox::valueChanged), this,
            &AGC::OnTargetLevelSpinBoxValueChange);
    connect(m_ui.verticalSliderTargetLevel, &QSlider::valueChanged, this,
            &AGC::OnTargetLevelSliderValueChange);
    connect(m_ui.comboBoxGainCtrlMode, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &AGC::OnGainControlMode);
    connect(m_ui.comboBoxSetAll, qOverload<int>(&QComboBox::activated), this,
            &AGC::OnSetAllComboBoxChange);
    connect(m_ui.pushButtonApply, &QPushButton::clicked, this, &AGC::OnApply);
}

int AGC::RefreshFromDevice()
{
    OnTimer();
    emit SendPolling(true);
    return ShowDeviceValues(true);
}

int AGC::ShowDeviceValues(bool report)
{
    AgcParams values;
    QString failure;
    if (AgcModel::Read(*m_client, values, &failure) != 0) {
        if (report) {
            ReportRefreshFailure(failure);
        }
        return -1;
    }
    Show(values);
    UpdateEnabled(m_ui.comboBoxGainCtrlMode->currentIndex());
    return 0;
}

void AGC::Show(const AgcParams &values)
{
    const AgcControls c = AgcModel::ToControls(values);
    m_ui.comboBoxGainCtrlMode->setCurrentIndex(c.gainModeIndex);
    ShowDeviceValue(m_ui.spinBoxManualGain, c.manualGain);
    for (int k = 0; k < AgcParams::kChannels; ++k) {
        m_channels[k]->setCurrentIndex(c.channelIndex[k]);
    }
    ShowDeviceValue(m_ui.spinBoxOutputLimit, c.outputLimit);
    ShowDeviceValue(m_ui.spinBoxTargetLevel, c.targetLevel);
    m_ui.comboBoxLoudSoure->setCurrentIndex(c.loudnessIndex);
    m_ui.comboBoxFreCompensat->setCurrentIndex(c.frequencyIndex);
    m_ui.comboBoxStereoMode->setCurrentIndex(c.stereoIndex);
    ShowDeviceValue(m_ui.spinBoxNoiseThreshold, c.noiseThreshold);
    ShowDeviceValue(m_ui.spinBoxGainRatio, c.gainRatioPercent);
    ShowDeviceValue(m_ui.spinBoxUpperThreshold, c.upperThreshold);
    ShowDeviceValue(m_ui.spinBoxLowerThreshold, c.lowerThreshold);
    m_baseline.Shown(AgcModel::FromControls(Controls()));
}

AgcControls AGC::Controls() const
{
    AgcControls c;
    c.gainModeIndex = m_ui.comboBoxGainCtrlMode->currentIndex();
    c.manualGain = m_ui.spinBoxManualGain->value();
    for (int k = 0; k < AgcParams::kChannels; ++k) {
        c.channelIndex[k] = m_channels[k]->currentIndex();
    }
    c.outputLimit = m_ui.spinBoxOutputLimit->value();
    c.targetLevel = m_ui.spinBoxTargetLevel->value();
    c.loudnessIndex = m_ui.comboBoxLoudSoure->currentIndex();
    c.frequencyIndex = m_ui.comboBoxFreCompensat->currentIndex();
    c.stereoIndex = m_ui.comboBoxStereoMode->currentIndex();
    c.noiseThreshold = m_ui.spinBoxNoiseThreshold->value();
    c.gainRatioPercent = m_ui.spinBoxGainRatio->value();
    c.upperThreshold = m_ui.spinBoxUpperThreshold->value();
    c.lowerThreshold = m_ui.spinBoxLowerThreshold->value();
    return c;
}

int AGC::LeavePage()
{
    emit SendPolling(false);
    return 0;
}

void AGC::OnNotifyAGCUpdate(QVector<unsigned short> inputLevel, QVector<unsigned short> outputLevel)
{
    // A short array would leave bars without a level: keep the meter as it was.
    const int channels = VolumeColumnWidget::kBars / 2;
    if (inputLevel.size() < channels || outputLevel.size() < channels) {
        return;
    }
    unsigned short levels[VolumeColumnWidget::kBars];
    std::copy(inputLevel.cbegin(), inputLevel.cbegin() + channels, levels);
    std::copy(outputLevel.cbegin(), outputLevel.cbegin() + channels, levels + channels);
    emit signalsVolumeChanged(levels);
}

void AGC::OnTimer()
{
    QVector<quint16> in, out;
    if (m_client->GetAudioLevel(in, out) == 0) {
        OnNotifyAGCUpdate(in, out);
    }
}

void AGC::OnManualGainSliderValueChange(int value)
{
    m_ui.spinBoxManualGain->setValue(value);
}

void AGC::OnManualGainSpinBoxValueChange(int value)
{
    m_ui.verticalSliderManualGain->setValue(value);
}

void AGC::OnTargetLevelSliderValueChange(int value)
{
    m_ui.spinBoxTargetLevel->setValue(value);
}

void AGC::OnTargetLevelSpinBoxValueChange(int value)
{
    m_ui.verticalSliderTargetLevel->setValue(value);
}

void AGC::OnGainControlMode(int index)
{
    UpdateEnabled(index);
}

void AGC::UpdateEnabled(int gainModeIndex)
{
    const bool editable = !m_disabled && !m_guest;
    m_ui.groupBoxGeneralConfig->setEnabled(editable);
    // The AGC's own settings count only in automatic mode, the manual gain
    // only in manual mode.
    m_ui.groupBoxAGC->setEnabled(editable && gainModeIndex != 1);
    m_ui.spinBoxManualGain->setEnabled(editable && gainModeIndex != 0);
    m_ui.verticalSliderManualGain->setEnabled(editable && gainModeIndex != 0);
    m_ui.groupBoxAudioMeter->setEnabled(!m_disabled);
    m_ui.pushButtonApply->setEnabled(editable);
}

void AGC::OnSetAllComboBoxChange(int index)
{
    if (index < 0 || index >= kSetAllNone) {
        return;
    }
    for (QComboBox *channel : m_channels) {
        channel->setCurrentIndex(index);
    }
    m_ui.comboBoxSetAll->setCurrentIndex(kSetAllNone);
}

void AGC::OnApply()
{
    AgcParams values;
    const auto read = [this](AgcParams &device, QString *failure) {
        return AgcModel::Read(*m_client, device, failure);
    };
    if (!EditsOverDevice(m_baseline, AgcModel::FromControls(Controls()), read, &values)) {
        return;
    }
    QString failure;
    const int written = AgcModel::Write(*m_client, values, &failure);
    JournalApply(values, written);
    if (written != 0) {
        ReportApplyFailure(failure);
        // The controls must not pretend the device took what was typed.
        ShowDeviceValues(false);
        return;
    }
    m_baseline.Shown(AgcModel::FromControls(Controls()));
    ReportApplied();
}

void AGC::SetPageDisabled(bool disabled)
{
    m_disabled = disabled;
    UpdateEnabled(m_ui.comboBoxGainCtrlMode->currentIndex());
}

void AGC::ApplyGuestRestrictions()
{
    m_guest = true;
    UpdateEnabled(m_ui.comboBoxGainCtrlMode->currentIndex());
}

void AGC::LiftGuestRestrictions()
{
    m_guest = false;
    UpdateEnabled(m_ui.comboBoxGainCtrlMode->currentIndex());
}

void AGC::Retranslate()
{
    m_ui.retranslateUi(this);
    m_ui.comboBoxSetAll->setCurrentIndex(kSetAllNone);
    m_meter->update();  // its "Inputs" and "Outputs"
}
