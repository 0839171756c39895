#include "SwitchControl2X1.h"

SwitchControl2X1::SwitchControl2X1(CfgNetClient *client, int pageIndex, QWidget *parent)
    : SwitchControlPage(client, pageIndex, true, parent)
{
    m_ui.setupUi(this);
    Bind({m_ui.groupBox,
          m_ui.groupBox_2,
          m_ui.groupBox_4,
          m_ui.groupBox_3,
          m_ui.comboBoxManualSwitch,
          m_ui.comboBoxReturnMode,
          m_ui.comboBoxReturnClear,
          m_ui.comboBoxManualCtrl,
          m_ui.comboBoxBypassProtect,
          {m_ui.labelGPI1Trigger, m_ui.labelGPI2Trigger, m_ui.labelGPIRelayTrigger},
          m_ui.labelActiveInput,
          m_ui.labelSwitchingEvent,
          m_ui.pushButtonApply});
}
