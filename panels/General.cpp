#include "General.h"

#include "CfgNetClient.h"
#include "DeviceTables.h"
#include "ParamField.h"
#include "TextForms.h"

General::General(CfgNetClient *client, QWidget *parent) : BaseWidget(parent), m_client(client)
{
    m_ui.setupUi(this);
}

int General::RefreshFromDevice()
{
    quint32 code = 0;
    QByteArray serial, extra;
    if (m_client->GetProductInfo(code, serial, extra) != 0) {
        return Failed("GetProductInfo");
    }
    m_ui.labelModuleType->setText(ModelName(code));
    m_ui.labelDescription->setText(ProductTypeId(code));
    m_ui.labelProductSN->setText(
        serial.size() == 8 ? SerialNumberText(reinterpret_cast<const quint8 *>(serial.constData()))
                           : QString());

    quint32 mode = 255;
    if (m_client->GetWorkMode(mode) != 0) {
        return Failed("GetWorkMode");
    }
    m_ui.labelRunMode->setText(mode != 0 ? tr("UserApp") : tr("Update"));

    QString pcb, fpga, firmware;
    if (m_client->GetVersion(pcb, fpga, firmware) != 0) {
        return Failed("GetVersion");
    }
    m_ui.labelPCBVersion->setText(pcb);
    m_ui.labelFPGAVersion->setText(fpga);
    m_ui.labelFirmwareVersion->setText(firmware);

    QString ip, mask, gateway;
    quint8 isDefault = 0;
    if (m_client->GetNetParam(ip, mask, gateway, isDefault) != 0) {
        return Failed("GetNetParam");
    }
    m_ui.labelIpAddress->setText(ip);
    m_ui.labelSubnetMask->setText(mask);
    m_ui.labelGateway->setText(gateway);
    return 0;
}

int General::Failed(const char *operation)
{
    ReportRefreshFailure(DeviceFailure(operation, CfgNetClient::LastResult()));
    return -1;
}

void General::SetPageDisabled(bool disabled)
{
    m_ui.groupBox->setDisabled(disabled);
    m_ui.groupBox_2->setDisabled(disabled);
    m_ui.groupBox_3->setDisabled(disabled);
}
