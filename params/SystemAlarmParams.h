#pragma once

#include "DeviceTables.h"
#include "DeviceTypes.h"
#include "ParamField.h"

#include <QVector>

class CfgNetClient;

// One enable of a system alarm page: its bit and where its value sits in
// the parameter file (the device's own table).
using SystemAlarmBit = SystemAlarmEntry;

// The system alarm pages' parameters without widgets. Each model has one
// table of its enables, in file order; the mask goes to the file and comes
// back from it through that same table, so the two directions cannot differ.
namespace SystemAlarmModel {
constexpr char kElement[] = "Alarms";

// The dual model's enables (group A's switching events at bits 1-7, group
// B's at 8-14), or the 4x1 models' (one group; GPI 3 and 4 at bits 11 and 12,
// and no bits 8, 9, 10, 13 or 14).
const std::vector<SystemAlarmBit> &Bits(bool dual);
// `mask` with only the bits of the model's table: what its page can build.
SystemAlarm PageMask(bool dual, SystemAlarm mask);

// Apply's one field: the mask, flag by flag, so the bits the page has no box
// for go back as the device holds them.
std::vector<EditField<SystemAlarm>> EditFields();
// Device to mask and back; 0, or -1 with `failure` naming the operation and
// the device's answer.
int Read(CfgNetClient &client, SystemAlarm &mask, QString *failure);
int Write(CfgNetClient &client, SystemAlarm mask, QString *failure);

// Each bit of the table as 0 or 1 under Alarms/Settings/System.
void ToDocument(XmlDocument &doc, bool dual, SystemAlarm mask);
// Sets a bit only for a value of exactly 1 (2 and other numbers clear it);
// an element that is missing or not a decimal number refuses the file.
bool FromDocument(const XmlDocument &doc, bool dual, SystemAlarm &mask, QString *problem);
}  // namespace SystemAlarmModel
