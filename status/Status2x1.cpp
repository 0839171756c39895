#include "Status2x1.h"

Status2x1::Status2x1(Session *session, QWidget *parent) : StatusPage(session, true, parent)
{
    m_ui.setupUi(this);
    // Group B's lamps sit seven bits above group A's.
    Bind({{0, m_ui.labelGenlockLost},
          {1, m_ui.labelASystemClocking},
          {2, m_ui.labelAGenlockSwitched},
          {3, m_ui.labelAGPIRelayTriggered},
          {4, m_ui.labelAGPI1Triggered},
          {5, m_ui.labelAGPI2Triggered},
          {6, m_ui.labelARelayBypassed},
          {7, m_ui.labelAOutputSwitched},
          {8, m_ui.labelBSystemClocking},
          {9, m_ui.labelBGenlockSwitched},
          {10, m_ui.labelBGPIRelayTriggered},
          {11, m_ui.labelBGPI1Triggered},
          {12, m_ui.labelBGPI2Triggered},
          {13, m_ui.labelBRelayBypassed},
          {14, m_ui.labelBOutputSwitched},
          {15, m_ui.labelPS1Fail},
          {16, m_ui.labelPS2Fail}});
}
