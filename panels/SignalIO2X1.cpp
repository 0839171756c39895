#include "SignalIO2X1.h"

SignalIO2X1::SignalIO2X1(CfgNetClient *client, int pageIndex, int alignSettleMs, QWidget *parent)
    : SignalIOPage(client, {pageIndex, true}, alignSettleMs, parent)
{
    m_ui.setupUi(this);
    Controls controls;
    controls.inputs = {{m_ui.labelIn1Standard, m_ui.labelIn1Phase, m_ui.labelIn1Locked},
                       {m_ui.labelIn2Standard, m_ui.labelIn2Phase, m_ui.labelIn2Locked}};
    controls.line = m_ui.spinBoxGenlockPhaseLine;
    controls.pixel = m_ui.spinBoxGenlockPhasePixel;
    controls.follow = m_ui.comboBoxPhaseAlignFollow;
    controls.trigger = m_ui.comboBoxPhaseAlignTrigger;
    controls.mode = m_ui.comboBoxClockingMode;
    controls.clockLocked = m_ui.labelSysClockLock;
    controls.apply = m_ui.pushButtonApply;
    controls.groups = {m_ui.groupBox_3, m_ui.groupBox_4};
    // Follow and trigger stay: without Apply they change nothing.
    controls.guestLocked = {m_ui.spinBoxGenlockPhaseLine, m_ui.spinBoxGenlockPhasePixel,
                            m_ui.comboBoxClockingMode, m_ui.pushButtonApply};
    SetControls(controls);
}
