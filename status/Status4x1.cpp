#include "Status4x1.h"

Status4x1::Status4x1(Session *session, QWidget *parent) : StatusPage(session, false, parent)
{
    m_ui.setupUi(this);
    // Bits 8 to 10 mean nothing on these models; GPI 3 and 4 follow at 11 and 12.
    Bind({{0, m_ui.labelGenlockLost},
          {1, m_ui.labelSystemClocking},
          {2, m_ui.labelGenlockSwitched},
          {3, m_ui.labelGPIRelayTriggered},
          {4, m_ui.labelGPI1Triggered},
          {5, m_ui.labelGPI2Triggered},
          {6, m_ui.labelRelayBypassed},
          {7, m_ui.labelOutputSwitched},
          {11, m_ui.labelGPI3Triggered},
          {12, m_ui.labelGPI4Triggered},
          {15, m_ui.labelPS1Fail},
          {16, m_ui.labelPS2Fail}});
}
