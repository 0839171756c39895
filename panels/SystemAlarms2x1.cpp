#include "SystemAlarms2x1.h"

SystemAlarms2x1::SystemAlarms2x1(CfgNetClient *client, QWidget *parent)
    : SystemAlarmsPage(client, parent)
{
    m_ui.setupUi(this);
    Bind(m_ui.groupBox, m_ui.pushButtonApply,
         {{0, m_ui.checkBoxGenlockLost},
          {1, m_ui.checkBoxASystemClock},
          {2, m_ui.checkBoxAGenlockSwitch},
          {3, m_ui.checkBoxAGPIRelay},
          {4, m_ui.checkBoxAGPI1},
          {5, m_ui.checkBoxAGPI2},
          {6, m_ui.checkBoxABypassed},
          {7, m_ui.checkBoxAOutputSwitch},
          {8, m_ui.checkBoxBSystemClock},
          {9, m_ui.checkBoxBGenlockSwitch},
          {10, m_ui.checkBoxBGPIRelay},
          {11, m_ui.checkBoxBGPI1},
          {12, m_ui.checkBoxBGPI2},
          {13, m_ui.checkBoxBBypassed},
          {14, m_ui.checkBoxBOutputSwitch},
          {15, m_ui.checkBoxPS1Fail},
          {16, m_ui.checkBoxPS2Fail}});
}
