#include "SwitchControl4X1.h"

SwitchControl4X1::SwitchControl4X1(CfgNetClient *client, QWidget *parent)
    : SwitchControlPage(client, 0, false, parent)
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
          {m_ui.labelGPI1Trigger, m_ui.labelGPI2Trigger, m_ui.labelGPI3Trigger,
           m_ui.labelGPI4Trigger, m_ui.labelGPIRelayTrigger},
          m_ui.labelActiveInput,
          m_ui.labelSwitchingEvent,
          m_ui.pushButton});
}
