#pragma once

#include "DeviceTypes.h"
#include "ParamField.h"

class CfgNetClient;

// Which input's detection record, and on which model: the dual model files
// its inputs under two groups of two, the 4x1 models under one group of four.
struct DetectionScope {
    int input;  // 0 to 3
    bool dual;
};

// The detection pages' parameters without widgets: one input's detection
// record (the device's own DetectionParam, whose field types are its wire
// types) read from and written to the device and the parameter file.
namespace DetectionModel {
constexpr char kElement[] = "Alarms";
constexpr int kInputs = 4;

// "GroupA" or "GroupB", and "Input1" to "Input4" (dual: "Input1", "Input2").
QString GroupElement(DetectionScope scope);
QString InputElement(DetectionScope scope);
// "Alarms/Settings/<group>/<input>", below the document element.
QString InputPath(DetectionScope scope);

// Device to record, and back; 0, or -1 with `failure` naming the operation
// and the device's answer.
int Read(CfgNetClient &client, int input, DetectionParam &param, QString *failure);
int Write(CfgNetClient &client, int input, const DetectionParam &param, QString *failure);

// Apply's fields: a value a control cannot show goes back as read, the
// channel masks flag by flag; the region edges always as the page shows them,
// pulled into the input's frame.
std::vector<EditField<DetectionParam>> EditFields();

// Record to the parameter document (parents shared with the other inputs and
// pages are reused), and back with every value present, decimal and fitting
// its field; a "Ch%1Enable" value other than 0 sets its channel.
void ToDocument(XmlDocument &doc, DetectionScope scope, const DetectionParam &param);
bool FromDocument(const XmlDocument &doc, DetectionScope scope, DetectionParam &param,
                  QString *problem);
}  // namespace DetectionModel
