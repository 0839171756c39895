#include "SignalIO4X1.h"

SignalIO4X1::SignalIO4X1(CfgNetClient *client, int alignSettleMs, QWidget *parent)
    : SignalIOPage(client, {0, false}, alignSettleMs, parent)
{
    m_ui.setupUi(this);
    Controls controls;
    controls.inputs = {{m_ui.labelIn1Standard, m_ui.labelIn1Phase, m_ui.labelIn1Locked},
                       {m_ui.labelIn2Standard, m_ui.labelIn2Phase, m_ui.labelIn2Locked},
                       {m_ui.labelIn3Standard, m_ui.labelIn3Phase, m_ui.labelIn3Locked},
                       {m_ui.labelIn4Standard, m_ui.labelIn4Phase, m_ui.labelIn4Locked}};
    controls.line = m_ui.spinBoxGenlockPhaseLine;
    controls.pixel = m_ui.spinBoxGenlockPhasePixel;
    controls.follow = m_ui.comboBoxPhaseAlignFollow;
    controls.trigger = m_ui.comboBoxPhaseAlignTrigger;
    controls.mode = m_ui.comboBoxClockingMode;
    controls.clockLocked = m_ui.labelSysClockLock;
    controls.apply = m_ui.pushButtonApply;
    controls.groups = {m_ui.groupBox_3, m_ui.groupBox_4, m_ui.groupBox_5, m_ui.groupBox_6,
                       m_ui.groupBox_9};
    // Follow and trigger stay: without Apply they change nothing.
    controls.guestLocked = {m_ui.spinBoxGenlockPhaseLine,
                            m_ui.spinBoxGenlockPhasePixel,
                            m_ui.comboBoxClockingMode,
                            m_ui.pushButtonApply,
                            m_ui.groupBox_5,
                            m_ui.groupBox_6,
                            m_ui.groupBox_9};
    SetControls(controls);
}

void SignalIO4X1::ShowExtras(const SignalIOParams &values)
{
    m_ui.groupBoxAudioFading->setChecked(values.fadingEnable != 0);
    ShowDeviceValue(m_ui.spinBoxAudioFading, values.fadingDuration);
    m_ui.comboBoxAudioDuplication->setCurrentIndex(int(values.duplication));
    m_ui.comboBoxAuxSource->setCurrentIndex(int(values.auxSource));
}

void SignalIO4X1::TakeExtras(SignalIOParams &values) const
{
    values.fadingEnable = m_ui.groupBoxAudioFading->isChecked() ? 1 : 0;
    values.fadingDuration = m_ui.spinBoxAudioFading->value();
    // No item: the device holds a value the page has none for.
    const int duplication = m_ui.comboBoxAudioDuplication->currentIndex();
    values.duplication = duplication < 0 ? kNoItem : duplication;
    const int aux = m_ui.comboBoxAuxSource->currentIndex();
    values.auxSource = aux < 0 ? kNoItem : aux;
}
