#include "GPIO.h"

#include "CfgNetClient.h"
#include "DeviceTables.h"

GPIO::GPIO(CfgNetClient *client, int productType, QWidget *parent)
    : BaseWidget(parent), m_client(client), m_dual(IsDual(productType))
{
    m_ui.setupUi(this);
    connect(m_ui.pushButton, &QPushButton::clicked, this, &GPIO::OnApply);
}

QString GPIO::LevelText(GPIOTriggerMode mode, quint8 status, bool dual)
{
    const int points = dual ? 6 : 5;
    QString text;
    for (int i = 0; i < points; ++i) {
        const bool active = status & (1u << i);
        const bool high = mode == ActiveHigh ? active : !active;
        text += high ? QLatin1Char('H') : QLatin1Char('L');
        // Three spaces between group A and group B on the dual model.
        text += (dual && i == 2) ? QStringLiteral("   ") : QStringLiteral(" ");
    }
    return text;
}

int GPIO::RefreshFromDevice()
{
    emit SendPolling(true);
    return ShowDeviceValues(true);
}

int GPIO::ShowDeviceValues(bool report)
{
    GpioParams values;
    QString failure;
    quint8 gpiStatus = 0, gpoStatus = 0;
    if (GpioModel::Read(*m_client, values, &failure) != 0) {
        if (report) {
            ReportRefreshFailure(failure);
        }
        return -1;
    }
    if (m_client->GetGPIOState(gpiStatus, gpoStatus) != 0) {
        if (report) {
            ReportRefreshFailure(DeviceFailure("GetGPIOState", CfgNetClient::LastResult()));
        }
        return -1;
    }
    const auto gpi = static_cast<GPIOTriggerMode>(values.gpiMode);
    const auto gpo = static_cast<GPIOTriggerMode>(values.gpoMode);
    m_ui.comboBoxGPIMode->setCurrentIndex(gpi);
    m_ui.comboBoxGPOMode->setCurrentIndex(gpo);
    m_baseline.Shown(FromControls());
    OnNotifyGPIOUpdate(gpi, gpo, gpiStatus, gpoStatus);
    return 0;
}

GpioParams GPIO::FromControls() const
{
    GpioParams values;
    values.gpiMode =
        m_ui.comboBoxGPIMode->currentIndex() < 0 ? kNoItem : m_ui.comboBoxGPIMode->currentIndex();
    values.gpoMode =
        m_ui.comboBoxGPOMode->currentIndex() < 0 ? kNoItem : m_ui.comboBoxGPOMode->currentIndex();
    return values;
}

int GPIO::LeavePage()
{
    emit SendPolling(false);
    return 0;
}

void GPIO::OnNotifyGPIOUpdate(GPIOTriggerMode GpiMode, GPIOTriggerMode GpoMode,
                              unsigned char mGpiStatus, unsigned char mGpoStatus)
{
    const bool dual = m_dual;
    m_ui.labelGPILevel->setText(LevelText(GpiMode, mGpiStatus, dual));
    m_ui.labelGPOLevel->setText(LevelText(GpoMode, mGpoStatus, dual));
}

void GPIO::OnApply()
{
    GpioParams values;
    const auto read = [this](GpioParams &device, QString *failure) {
        return GpioModel::Read(*m_client, device, failure);
    };
    if (!EditsOverDevice(m_baseline, FromControls(), read, &values)) {
        return;
    }
    QString failure;
    const int written = GpioModel::Write(*m_client, values, &failure);
    JournalApply(values, written);
    if (written != 0) {
        ReportApplyFailure(failure);
        // The controls must not pretend the device took what was typed.
        ShowDeviceValues(false);
        return;
    }
    m_baseline.Shown(FromControls());
    ReportApplied();
    quint8 gpiStatus = 0, gpoStatus = 0;
    if (m_client->GetGPIOState(gpiStatus, gpoStatus) == 0) {
        OnNotifyGPIOUpdate(static_cast<GPIOTriggerMode>(values.gpiMode),
                           static_cast<GPIOTriggerMode>(values.gpoMode), gpiStatus, gpoStatus);
    }
}

void GPIO::OnTimer()
{
    GPIOTriggerMode gpi = ActiveLow, gpo = ActiveLow;
    quint8 gpiStatus = 0, gpoStatus = 0;
    if (m_client->GetGPIOTriggerMode(gpi, gpo) == 0 &&
        m_client->GetGPIOState(gpiStatus, gpoStatus) == 0) {
        OnNotifyGPIOUpdate(gpi, gpo, gpiStatus, gpoStatus);
    }
}

void GPIO::SetPageDisabled(bool disabled)
{
    m_ui.groupBox->setDisabled(disabled);
    m_ui.pushButton->setDisabled(disabled);
}

void GPIO::ApplyGuestRestrictions()
{
    m_ui.comboBoxGPIMode->setDisabled(true);
    m_ui.comboBoxGPOMode->setDisabled(true);
    m_ui.pushButton->setDisabled(true);
}

void GPIO::LiftGuestRestrictions()
{
    m_ui.comboBoxGPIMode->setEnabled(true);
    m_ui.comboBoxGPOMode->setEnabled(true);
    m_ui.pushButton->setEnabled(true);
}
