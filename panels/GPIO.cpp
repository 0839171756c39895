#include "GPIO.h"

#include "CfgNetClient.h"
#include "DeviceTables.h"
#include "SessionState.h"
#include "XmlDocument.h"

GPIO::GPIO(CfgNetClient *client, QWidget *parent) : BaseWidget(parent), m_client(client)
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
    emit SendUpdateCmd(GPIOCmd);
    GPIOTriggerMode gpi = ActiveLow, gpo = ActiveLow;
    quint8 gpiStatus = 0, gpoStatus = 0;
    if (m_client->GetGPIOTriggerMode(gpi, gpo) != 0 ||
        m_client->GetGPIOState(gpiStatus, gpoStatus) != 0) {
        return -1;
    }
    m_ui.comboBoxGPIMode->setCurrentIndex(gpi);
    m_ui.comboBoxGPOMode->setCurrentIndex(gpo);
    OnNotifyGPIOUpdate(gpi, gpo, gpiStatus, gpoStatus);
    return 0;
}

int GPIO::LeavePage()
{
    emit SendUpdateCmd(NoCmd);
    return 0;
}

void GPIO::OnNotifyGPIOUpdate(GPIOTriggerMode GpiMode, GPIOTriggerMode GpoMode,
                              unsigned char mGpiStatus, unsigned char mGpoStatus)
{
    const bool dual = IsDual(SessionState::ProductType());
    m_ui.labelGPILevel->setText(LevelText(GpiMode, mGpiStatus, dual));
    m_ui.labelGPOLevel->setText(LevelText(GpoMode, mGpoStatus, dual));
}

void GPIO::OnApply()
{
    const auto gpi = static_cast<GPIOTriggerMode>(m_ui.comboBoxGPIMode->currentIndex());
    const auto gpo = static_cast<GPIOTriggerMode>(m_ui.comboBoxGPOMode->currentIndex());
    quint8 gpiStatus = 0, gpoStatus = 0;
    if (m_client->SetGPIOTriggerMode(gpi, gpo) == 0 &&
        m_client->GetGPIOState(gpiStatus, gpoStatus) == 0) {
        OnNotifyGPIOUpdate(gpi, gpo, gpiStatus, gpoStatus);
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

int GPIO::ExportParameters()
{
    return Export(m_client);
}

int GPIO::ImportParameters()
{
    return Import(m_client);
}

int GPIO::Export(CfgNetClient *client)
{
    GPIOTriggerMode gpi = ActiveLow, gpo = ActiveLow;
    if (client->GetGPIOTriggerMode(gpi, gpo) != 0) {
        return -1;
    }
    XmlDocument &doc = XmlDocument::Instance();
    QDomElement root = doc.Root();
    QDomElement element = doc.CreateElement(QStringLiteral("GPIO"));
    doc.MergeChild(element, root);
    doc.AddTextElement(element, QStringLiteral("GPITriggerMode"), QString::number(gpi));
    doc.AddTextElement(element, QStringLiteral("GPOTriggerMode"), QString::number(gpo));
    return 0;
}

int GPIO::Import(CfgNetClient *client)
{
    XmlDocument &doc = XmlDocument::Instance();
    const QDomElement element = doc.FindElement(doc.ChildNodes(doc.Root()), QStringLiteral("GPIO"));
    const QDomNodeList values = doc.ChildNodes(element);
    const QString gpi = doc.FindElement(values, QStringLiteral("GPITriggerMode")).text();
    const QString gpo = doc.FindElement(values, QStringLiteral("GPOTriggerMode")).text();
    if (doc.IsMissing()) {
        return -1;
    }
    return client->SetGPIOTriggerMode(static_cast<GPIOTriggerMode>(gpi.toInt()),
                                      static_cast<GPIOTriggerMode>(gpo.toInt())) == 0
               ? 0
               : -1;
}
