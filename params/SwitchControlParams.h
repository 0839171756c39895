#pragma once

#include "Baseline.h"
#include "ParamField.h"

class CfgNetClient;

// One switching group's settings as the device holds them, raw: the forced
// programme input (255 none), the failover return (1 automatic, 2 non-reset),
// the bypass relay's manual control (0 normal, 1 bypass) and bypass protect
// (1 enabled, 0 disabled).
struct SwitchControlParams {
    qint64 manualSwitch = 255;
    qint64 returnMode = 1;
    qint64 manualControl = 0;
    qint64 bypassProtect = 1;
};

// The switch control pages' parameters without widgets. `group` is the
// element of the device's two-entry arrays the values belong to: the dual
// model's group (0 A, 1 B), 0 on the 4x1 models.
namespace SwitchControlModel {
constexpr char kElement[] = "SwitchControl";
constexpr quint8 kNoSelection = 255;

// Device to values. Write sends the selection, then the return method, then
// the relay: on the dual model each after reading the array, so the other
// group's element goes back as read; on the 4x1 models (`bothElements`) the
// same value to both elements. 0, or -1 with the failed operation named.
int Read(CfgNetClient &client, int group, SwitchControlParams &values, QString *failure);
int Write(CfgNetClient &client, int group, bool bothElements, const SwitchControlParams &values,
          QString *failure);

// "GroupA" or "GroupB".
const char *GroupElement(int group);
// Values to SwitchControl/Group?/{SwitchMechanism,Relay}, and back with every
// value present, decimal and fitting its byte.
void ToDocument(XmlDocument &doc, int group, const SwitchControlParams &values);
bool FromDocument(const XmlDocument &doc, int group, SwitchControlParams &values, QString *problem);
bool Check(const SwitchControlParams &values, QString *problem);

// Between the device's values and the pages' combo indexes.
// Manual switch: index 0 "Disabled" is no selection, index k is input k - 1.
// A selection the combo has no item for gives -1 (no current item).
int ManualSwitchIndex(qint64 selection, int inputs);
// Index -1 (nothing shown) gives kNoItem, which Apply never sends.
qint64 SelectionOfIndex(int index);
// 1 -> 0 "Automatic", 2 -> 1 "Non-reset", another method -> -1 (no item).
int ReturnModeIndex(qint64 method);
qint64 MethodOfIndex(int index);
int ManualControlIndex(qint64 manualControl);  // non-zero -> 1 "Bypass"
qint64 ManualControlOfIndex(int index);
int BypassProtectIndex(qint64 bypassProtect);  // 0 -> 1 "Disabled", else 0 "Enabled"
qint64 BypassProtectOfIndex(int index);
// Apply's fields: each written back as read unless its combo was changed.
std::vector<EditField<SwitchControlParams>> EditFields();
}  // namespace SwitchControlModel
