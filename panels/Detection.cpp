#include "Detection.h"

#include "CfgNetClient.h"
#include "DeviceTables.h"

#include <QCheckBox>
#include <QSpinBox>

namespace M = DetectionModel;

namespace {
constexpr int kSetAllEnable = 0;
constexpr int kSetAllDisable = 1;
constexpr int kSetAllNone = 2;  // "--"
// The region boxes' limits in the form: the largest picture.
constexpr int kWidest = 1920;
constexpr int kTallest = 1080;

// A region's edges stay in order: the edge that was not edited follows the
// one that was. `edited` is the lower edge (Left, Top) or the upper one.
void KeepOrder(const QSpinBox *edited, QSpinBox *other, bool editedIsLower)
{
    const bool crossed =
        editedIsLower ? other->value() < edited->value() : other->value() > edited->value();
    if (crossed) {
        other->setValue(edited->value());
    }
}

quint16 Mask(const std::array<QCheckBox *, 16> &boxes)
{
    quint16 mask = 0;
    for (std::size_t k = 0; k < boxes.size(); ++k) {
        mask |= boxes[k]->isChecked() ? quint16(1u << k) : quint16(0);
    }
    return mask;
}

void ShowMask(const std::array<QCheckBox *, 16> &boxes, quint16 mask)
{
    for (std::size_t k = 0; k < boxes.size(); ++k) {
        boxes[k]->setChecked(mask & (1u << k));
    }
}

void CheckAll(const std::array<QCheckBox *, 16> &boxes, QComboBox *setAll, int index)
{
    if (index != kSetAllEnable && index != kSetAllDisable) {
        return;
    }
    for (QCheckBox *box : boxes) {
        box->setChecked(index == kSetAllEnable);
    }
    setAll->setCurrentIndex(kSetAllNone);
}
}  // namespace

Detection::Detection(CfgNetClient *client, int inputIndex, QWidget *parent)
    : BaseWidget(parent), m_client(client), m_input(inputIndex)
{
    m_ui.setupUi(this);
    for (std::size_t k = 0; k < m_lost.size(); ++k) {
        m_lost[k] = findChild<QCheckBox *>(QStringLiteral("checkBoxLostCh%1").arg(k + 1));
        m_silent[k] = findChild<QCheckBox *>(QStringLiteral("checkBoxSilentCh%1").arg(k + 1));
        Q_ASSERT(m_lost[k] && m_silent[k]);
    }
    m_ui.comboBoxLostSetAll->setCurrentIndex(kSetAllNone);
    m_ui.comboBoxSilentSetAll->setCurrentIndex(kSetAllNone);

    connect(m_ui.pushButtonOk, &QPushButton::clicked, this, &Detection::OnOk);
    connect(m_ui.spinBoxVideoBlackLeft, &QSpinBox::editingFinished, this,
            &Detection::OnBlackRegLeftValueChanged);
    connect(m_ui.spinBoxVideoBlackRight, &QSpinBox::editingFinished, this,
            &Detection::OnBlackRegRightValueChanged);
    connect(m_ui.spinBoxVideoBlackTop, &QSpinBox::editingFinished, this,
            &Detection::OnBlackRegTopValueChanged);
    connect(m_ui.spinBoxVideoBlackBottom, &QSpinBox::editingFinished, this,
            &Detection::OnBlackRegButtomValueChanged);
    connect(m_ui.spinBoxVideoFreezeLeft, &QSpinBox::editingFinished, this,
            &Detection::OnFreezeRegLeftValueChanged);
    connect(m_ui.spinBoxVideoFreezeRight, &QSpinBox::editingFinished, this,
            &Detection::OnFreezeRegRightValueChanged);
    connect(m_ui.spinBoxVideoFreezeTop, &QSpinBox::editingFinished, this,
            &Detection::OnFreezeRegTopValueChanged);
    connect(m_ui.spinBoxVideoFreezeBottom, &QSpinBox::editingFinished, this,
            &Detection::OnFreezeRegButtomValueChanged);
    connect(m_ui.comboBoxLostSetAll, qOverload<int>(&QComboBox::activated), this,
            &Detection::OnSetAllAudioLostCh);
    connect(m_ui.comboBoxSilentSetAll, qOverload<int>(&QComboBox::activated), this,
            &Detection::OnSetAllAudioSilentCh);
}

int Detection::RefreshFromDevice()
{
    emit SendPolling(true);
    DetectionParam param;
    QString failure;
    if (M::Read(*m_client, m_input, param, &failure) != 0) {
        ReportRefreshFailure(failure);
        return -1;
    }
    Show(param);
    return 0;
}

void Detection::Show(const DetectionParam &p)
{
    // The limits of the input's standard when the page was last shown may
    // no longer hold: the widest until the poll brings the input's own.
    SetRegionMaxima(kWidest, kTallest);
    m_ui.groupBoxBlackVideoLost->setChecked(p.lostEnable != 0);
    ShowDeviceValue(m_ui.spinBoxVideoLostTriggerTime, p.lostTriggerTime);
    ShowDeviceValue(m_ui.spinBoxVideoLostClearTime, p.lostClearTime);
    m_ui.groupBoxFormatWrong->setChecked(p.formatEnable != 0);
    ShowDeviceValue(m_ui.spinBoxFormatWrongTriggerTime, p.formatTriggerTime);
    ShowDeviceValue(m_ui.spinBoxFormatWrongClearTime, p.formatClearTime);
    m_ui.groupBoxSyncFailed->setChecked(p.syncEnable != 0);
    ShowDeviceValue(m_ui.spinBoxSyncFailedTriggerTime, p.syncTriggerTime);
    ShowDeviceValue(m_ui.spinBoxSyncFailedClearTime, p.syncClearTime);
    m_ui.groupBoxVideoBlack->setChecked(p.blackEnable != 0);
    ShowDeviceValue(m_ui.spinBoxUpperThreshold, p.blackValue1);
    ShowDeviceValue(m_ui.spinBoxLowerThreshold, p.blackValue2);
    ShowDeviceValue(m_ui.spinBoxVideoBlackDegree, p.blackValue3);
    ShowDeviceValue(m_ui.spinBoxVideoBlackTriggerTime, p.blackTriggerTime);
    ShowDeviceValue(m_ui.spinBoxVideoBlackClearTime, p.blackClearTime);
    m_ui.groupBoxVideoBlackRegion->setChecked(p.blackRegionEnable != 0);
    m_ui.spinBoxVideoBlackLeft->setValue(p.blackRegionLeft);
    m_ui.spinBoxVideoBlackRight->setValue(p.blackRegionRight);
    m_ui.spinBoxVideoBlackTop->setValue(p.blackRegionTop);
    m_ui.spinBoxVideoBlackBottom->setValue(p.blackRegionBottom);
    m_ui.checkBoxBlackInvert->setChecked(p.blackRegionInvert != 0);
    m_ui.groupBoxBlackVideoFreeze->setChecked(p.freezeEnable != 0);
    ShowDeviceValue(m_ui.spinBoxVideoFreezeDiff, p.freezeValue1);
    ShowDeviceValue(m_ui.spinBoxVideoFreezeDegree, p.freezeValue2);
    ShowDeviceValue(m_ui.spinBoxVideoFreezeTriggerTime, p.freezeTriggerTime);
    ShowDeviceValue(m_ui.spinBoxVideoFreezeClearTime, p.freezeClearTime);
    m_ui.groupBoxVideoFreezeRegion->setChecked(p.freezeRegionEnable != 0);
    m_ui.spinBoxVideoFreezeLeft->setValue(p.freezeRegionLeft);
    m_ui.spinBoxVideoFreezeRight->setValue(p.freezeRegionRight);
    m_ui.spinBoxVideoFreezeTop->setValue(p.freezeRegionTop);
    m_ui.spinBoxVideoFreezeBottom->setValue(p.freezeRegionBottom);
    m_ui.checkBoxFrozenInvert->setChecked(p.freezeRegionInvert != 0);
    ShowMask(m_lost, p.audioLostChannels);
    ShowDeviceValue(m_ui.spinBoxAudioLostTriggerTime, p.audioLostTriggerTime);
    ShowDeviceValue(m_ui.spinBoxAudioLostClearTime, p.audioLostClearTime);
    ShowMask(m_silent, p.audioSilentChannels);
    ShowDeviceValue(m_ui.spinBoxAudioSilentThreshold, p.audioSilentThreshold);
    ShowDeviceValue(m_ui.spinBoxAudioSilentTriggerTime, p.audioSilentTriggerTime);
    ShowDeviceValue(m_ui.spinBoxAudioSilentClearTime, p.audioSilentClearTime);
    m_baseline.Shown(FromControls());
}

DetectionParam Detection::FromControls() const
{
    DetectionParam p;
    p.lostEnable = m_ui.groupBoxBlackVideoLost->isChecked();
    p.lostTriggerTime = quint32(m_ui.spinBoxVideoLostTriggerTime->value());
    p.lostClearTime = quint32(m_ui.spinBoxVideoLostClearTime->value());
    p.formatEnable = m_ui.groupBoxFormatWrong->isChecked();
    p.formatTriggerTime = quint32(m_ui.spinBoxFormatWrongTriggerTime->value());
    p.formatClearTime = quint32(m_ui.spinBoxFormatWrongClearTime->value());
    p.syncEnable = m_ui.groupBoxSyncFailed->isChecked();
    p.syncTriggerTime = quint32(m_ui.spinBoxSyncFailedTriggerTime->value());
    p.syncClearTime = quint32(m_ui.spinBoxSyncFailedClearTime->value());
    p.blackEnable = m_ui.groupBoxVideoBlack->isChecked();
    p.blackValue1 = quint16(m_ui.spinBoxUpperThreshold->value());
    p.blackValue2 = quint16(m_ui.spinBoxLowerThreshold->value());
    p.blackValue3 = quint16(m_ui.spinBoxVideoBlackDegree->value());
    p.blackTriggerTime = quint32(m_ui.spinBoxVideoBlackTriggerTime->value());
    p.blackClearTime = quint32(m_ui.spinBoxVideoBlackClearTime->value());
    p.blackRegionEnable = m_ui.groupBoxVideoBlackRegion->isChecked();
    p.blackRegionLeft = quint16(m_ui.spinBoxVideoBlackLeft->value());
    p.blackRegionRight = quint16(m_ui.spinBoxVideoBlackRight->value());
    p.blackRegionTop = quint16(m_ui.spinBoxVideoBlackTop->value());
    p.blackRegionBottom = quint16(m_ui.spinBoxVideoBlackBottom->value());
    p.blackRegionInvert = m_ui.checkBoxBlackInvert->isChecked();
    p.freezeEnable = m_ui.groupBoxBlackVideoFreeze->isChecked();
    p.freezeValue1 = quint16(m_ui.spinBoxVideoFreezeDiff->value());
    p.freezeValue2 = quint8(m_ui.spinBoxVideoFreezeDegree->value());
    p.freezeTriggerTime = quint32(m_ui.spinBoxVideoFreezeTriggerTime->value());
    p.freezeClearTime = quint32(m_ui.spinBoxVideoFreezeClearTime->value());
    p.freezeRegionEnable = m_ui.groupBoxVideoFreezeRegion->isChecked();
    p.freezeRegionLeft = quint16(m_ui.spinBoxVideoFreezeLeft->value());
    p.freezeRegionRight = quint16(m_ui.spinBoxVideoFreezeRight->value());
    p.freezeRegionTop = quint16(m_ui.spinBoxVideoFreezeTop->value());
    p.freezeRegionBottom = quint16(m_ui.spinBoxVideoFreezeBottom->value());
    p.freezeRegionInvert = m_ui.checkBoxFrozenInvert->isChecked();
    p.audioLostChannels = Mask(m_lost);
    p.audioLostTriggerTime = quint32(m_ui.spinBoxAudioLostTriggerTime->value());
    p.audioLostClearTime = quint32(m_ui.spinBoxAudioLostClearTime->value());
    p.audioSilentChannels = Mask(m_silent);
    p.audioSilentThreshold = m_ui.spinBoxAudioSilentThreshold->value();
    p.audioSilentTriggerTime = quint32(m_ui.spinBoxAudioSilentTriggerTime->value());
    p.audioSilentClearTime = quint32(m_ui.spinBoxAudioSilentClearTime->value());
    return p;
}

int Detection::LeavePage()
{
    emit SendPolling(false);
    return 0;
}

void Detection::OnSetRegionMaxValue(QVector<VideoStandard> standard)
{
    // Without an entry for this input the limits stay as they are.
    if (m_input < 0 || m_input >= standard.size()) {
        return;
    }
    int maxX = 0, maxY = 0;
    RegionLimits(VideoStandardName(standard[m_input], QStringLiteral("SDI")), maxX, maxY);
    SetRegionMaxima(maxX, maxY);
}

void Detection::SetRegionMaxima(int maxX, int maxY)
{
    // A value above its new maximum takes the maximum (QSpinBox does so).
    for (QSpinBox *x : {m_ui.spinBoxVideoBlackLeft, m_ui.spinBoxVideoBlackRight,
                        m_ui.spinBoxVideoFreezeLeft, m_ui.spinBoxVideoFreezeRight}) {
        x->setMaximum(maxX);
    }
    for (QSpinBox *y : {m_ui.spinBoxVideoBlackTop, m_ui.spinBoxVideoBlackBottom,
                        m_ui.spinBoxVideoFreezeTop, m_ui.spinBoxVideoFreezeBottom}) {
        y->setMaximum(maxY);
    }
}

void Detection::OnOk()
{
    DetectionParam param;
    const auto read = [this](DetectionParam &device, QString *failure) {
        return M::Read(*m_client, m_input, device, failure);
    };
    if (!EditsOverDevice(m_baseline, FromControls(), read, &param)) {
        return;
    }
    QString failure;
    const int written = M::Write(*m_client, m_input, param, &failure);
    JournalApply(param, written);
    if (written != 0) {
        // The user's values stay in the controls, to be applied again.
        ReportApplyFailure(failure);
        return;
    }
    m_baseline.Shown(FromControls());
    emit SendDetectionInfo(m_input, param);
    ReportApplied();
}

void Detection::OnBlackRegLeftValueChanged()
{
    KeepOrder(m_ui.spinBoxVideoBlackLeft, m_ui.spinBoxVideoBlackRight, true);
}

void Detection::OnBlackRegRightValueChanged()
{
    KeepOrder(m_ui.spinBoxVideoBlackRight, m_ui.spinBoxVideoBlackLeft, false);
}

void Detection::OnBlackRegTopValueChanged()
{
    KeepOrder(m_ui.spinBoxVideoBlackTop, m_ui.spinBoxVideoBlackBottom, true);
}

void Detection::OnBlackRegButtomValueChanged()
{
    KeepOrder(m_ui.spinBoxVideoBlackBottom, m_ui.spinBoxVideoBlackTop, false);
}

void Detection::OnFreezeRegLeftValueChanged()
{
    KeepOrder(m_ui.spinBoxVideoFreezeLeft, m_ui.spinBoxVideoFreezeRight, true);
}

void Detection::OnFreezeRegRightValueChanged()
{
    KeepOrder(m_ui.spinBoxVideoFreezeRight, m_ui.spinBoxVideoFreezeLeft, false);
}

void Detection::OnFreezeRegTopValueChanged()
{
    KeepOrder(m_ui.spinBoxVideoFreezeTop, m_ui.spinBoxVideoFreezeBottom, true);
}

void Detection::OnFreezeRegButtomValueChanged()
{
    KeepOrder(m_ui.spinBoxVideoFreezeBottom, m_ui.spinBoxVideoFreezeTop, false);
}

void Detection::OnSetAllAudioLostCh(int index)
{
    CheckAll(m_lost, m_ui.comboBoxLostSetAll, index);
}

void Detection::OnSetAllAudioSilentCh(int index)
{
    CheckAll(m_silent, m_ui.comboBoxSilentSetAll, index);
}

void Detection::UpdateEnabled()
{
    const bool editable = !m_disabled && !m_guest;
    for (QWidget *w : {static_cast<QWidget *>(m_ui.groupBoxBlackVideoLost),
                       static_cast<QWidget *>(m_ui.groupBoxAudioLost),
                       static_cast<QWidget *>(m_ui.groupBoxBlackAudioSilent),
                       static_cast<QWidget *>(m_ui.groupBoxBlackVideoFreeze),
                       static_cast<QWidget *>(m_ui.groupBoxFormatWrong),
                       static_cast<QWidget *>(m_ui.groupBoxSyncFailed),
                       static_cast<QWidget *>(m_ui.groupBoxVideoBlack),
                       static_cast<QWidget *>(m_ui.pushButtonOk)}) {
        w->setEnabled(editable);
    }
}

void Detection::SetPageDisabled(bool disabled)
{
    m_disabled = disabled;
    UpdateEnabled();
}

void Detection::ApplyGuestRestrictions()
{
    m_guest = true;
    UpdateEnabled();
}

void Detection::LiftGuestRestrictions()
{
    m_guest = false;
    UpdateEnabled();
}

void Detection::Retranslate()
{
    m_ui.retranslateUi(this);
    m_ui.comboBoxLostSetAll->setCurrentIndex(kSetAllNone);
    m_ui.comboBoxSilentSetAll->setCurrentIndex(kSetAllNone);
}
