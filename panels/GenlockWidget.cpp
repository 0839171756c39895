#include "GenlockWidget.h"

#include "CfgNetClient.h"
#include "DeviceTables.h"
#include "ParamField.h"

GenlockWidget::GenlockWidget(CfgNetClient *client, QWidget *parent)
    : BaseWidget(parent), m_client(client)
{
    m_ui.setupUi(this);
}

QString GenlockWidget::GenlockText(VideoStandard standard, bool present)
{
    if (!present) {
        return tr("Not Present");
    }
    return VideoStandardName(standard, QStringLiteral("Genlock"));
}

int GenlockWidget::RefreshFromDevice()
{
    VideoStandard standard = kNoSignal;
    quint8 present = 0;
    if (m_client->GetGenlockState(standard, present) == 0) {
        OnNotifyGenLockUpdate(standard, present != 0);
    } else {
        ReportRefreshFailure(DeviceFailure("GetInputState", CfgNetClient::LastResult()));
    }
    // The poll starts whatever the read gave: it shows the reference once it answers.
    emit SendPolling(true);
    return 0;
}

int GenlockWidget::LeavePage()
{
    emit SendPolling(false);
    return 0;
}

void GenlockWidget::OnNotifyGenLockUpdate(VideoStandard standard, bool isPresent)
{
    m_ui.labelGenlockFormat->setText(GenlockText(standard, isPresent));
}

void GenlockWidget::OnTimer()
{
    VideoStandard standard = kNoSignal;
    quint8 present = 0;
    if (m_client->GetGenlockState(standard, present) == 0) {
        OnNotifyGenLockUpdate(standard, present != 0);
    }
}
