#pragma once

#include "ParamField.h"

class CfgNetClient;

// The trigger polarity of the GPI inputs and of the GPO outputs: 0 active
// low, 1 active high (other values are the device's own and kept as they are).
struct GpioParams {
    qint64 gpiMode = 0;
    qint64 gpoMode = 0;
};

// The GPIO page's parameters, without widgets: the page, the import on the
// command worker's thread and the command-line tool all use these.
namespace GpioModel {
constexpr char kElement[] = "GPIO";

// Device to values, and values to device; 0, or -1 with `failure` naming the
// operation and the device's answer.
int Read(CfgNetClient &client, GpioParams &values, QString *failure);
int Write(CfgNetClient &client, const GpioParams &values, QString *failure);

// Values to the parameter document, and back with every value checked.
void ToDocument(XmlDocument &doc, const GpioParams &values);
bool FromDocument(const XmlDocument &doc, GpioParams &values, QString *problem);

// Whether the values fit the message that carries them.
bool Check(const GpioParams &values, QString *problem);
// Apply's fields: a mode the page has no item for goes back as read.
std::vector<EditField<GpioParams>> EditFields();
}  // namespace GpioModel
