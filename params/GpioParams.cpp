#include "GpioParams.h"

#include "CfgNetClient.h"

namespace {
const ParamField<GpioParams> kFields[] = {
    {"GPITriggerMode", WireType::U8, &GpioParams::gpiMode},
    {"GPOTriggerMode", WireType::U8, &GpioParams::gpoMode},
};
}  // namespace

namespace GpioModel {

int Read(CfgNetClient &client, GpioParams &values, QString *failure)
{
    GPIOTriggerMode gpi = ActiveLow, gpo = ActiveLow;
    if (client.GetGPIOTriggerMode(gpi, gpo) != 0) {
        *failure = DeviceFailure("GetGPIOTriggerMode", CfgNetClient::LastResult());
        return -1;
    }
    values.gpiMode = gpi;
    values.gpoMode = gpo;
    return 0;
}

int Write(CfgNetClient &client, const GpioParams &values, QString *failure)
{
    if (!Check(values, failure)) {
        return -1;
    }
    if (client.SetGPIOTriggerMode(static_cast<GPIOTriggerMode>(values.gpiMode),
                                  static_cast<GPIOTriggerMode>(values.gpoMode)) != 0) {
        *failure = DeviceFailure("SetGPIOTriggerMode", CfgNetClient::LastResult());
        return -1;
    }
    return 0;
}

std::vector<EditField<GpioParams>> EditFields()
{
    return EditFieldsOf(kFields);
}

void ToDocument(XmlDocument &doc, const GpioParams &values)
{
    WriteFields(doc, kElement, kFields, values);
}

bool FromDocument(const XmlDocument &doc, GpioParams &values, QString *problem)
{
    return ReadFields(doc, kElement, kFields, values, problem);
}

bool Check(const GpioParams &values, QString *problem)
{
    return CheckFields(kElement, kFields, values, problem);
}

}  // namespace GpioModel
