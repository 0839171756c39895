#include "SystemAlarms4x1.h"

SystemAlarms4x1::SystemAlarms4x1(CfgNetClient *client, QWidget *parent)
    : SystemAlarmsPage(client, parent)
{
    m_ui.setupUi(this);
    // Bits 8, 9, 10, 13 and 14 are the dual model's group B: no box here.
    Bind(m_ui.groupBox, m_ui.pushButtonApply,
         {{0, m_ui.checkBoxGenlockLost},
          {1, m_ui.checkBoxSystemClock},
          {2, m_ui.checkBoxGenlockSwitch},
          {3, m_ui.checkBoxGPIRelay},
          {4, m_ui.checkBoxGPI1},
          {5, m_ui.checkBoxGPI2},
          {6, m_ui.checkBoxBypassed},
          {7, m_ui.checkBoxOutputSwitch},
          {11, m_ui.checkBoxGPI3},
          {12, m_ui.checkBoxGPI4},
          {15, m_ui.checkBoxPS1Fail},
          {16, m_ui.checkBoxPS2Fail}});
}
