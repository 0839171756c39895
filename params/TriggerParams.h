#pragma once

#include "DeviceTypes.h"
#include "ParamField.h"

#include <QVector>

class CfgNetClient;

// The four inputs' alarm combinations, in device input order.
using AlarmTriggers = QVector<alarmTrigger>;

// The alarm combination page's parameters without widgets: the device's four
// entries, their part of the parameter file, and the table's terms.
namespace TriggerModel {
// SwitchControl/AlarmCombination/Input1..4, beside the switch control pages'
// groups in the same SwitchControl element.
constexpr char kElement[] = "SwitchControl";
constexpr char kCombinationElement[] = "AlarmCombination";

// The table: rows 0-4 the video alarms, 5-20 audio lost, 21-36 audio silent,
// row 37 the combination rule; one column per input.
constexpr int kVideoRows = 5;
constexpr int kFirstLostRow = kVideoRows;
constexpr int kFirstSilentRow = kFirstLostRow + kAudioChannels;
constexpr int kSourceRows = kFirstSilentRow + kAudioChannels;  // 37
constexpr int kCombinationRow = kSourceRows;
constexpr int kRows = kSourceRows + 1;

// The combination rule's values: 0 "Any", 1 "V&A", 2 "None".
constexpr quint32 kCombinationAny = 0;
constexpr quint32 kCombinationVA = 1;
constexpr quint32 kCombinationNone = 2;

// Device to entries and back; 0, or -1 with `failure` naming the operation
// and the device's answer. Write takes exactly four entries.
int Read(CfgNetClient &client, AlarmTriggers &entries, QString *failure);
int Write(CfgNetClient &client, const AlarmTriggers &entries, QString *failure);

// Entries to the parameter document, and back with every value present,
// decimal and fitting its field on the wire.
void ToDocument(XmlDocument &doc, const AlarmTriggers &entries);
bool FromDocument(const XmlDocument &doc, AlarmTriggers &entries, QString *problem);

// Whether source row `row` (0-36) is set in `entry`, and setting it. Only
// bits 0-4 of the video mask have a row: the others are never built.
bool IsTicked(const alarmTrigger &entry, int row);
void SetTicked(alarmTrigger &entry, int row, bool ticked);

// The combo item (0 "Any", 1 "V&A", 2 "None") that shows a device value:
// a value the page does not know shows as no item (-1).
int CombinationIndex(quint32 combination);
// The value of an item; -1 (no item) gives kNoItem, which Apply never sends.
quint32 CombinationOfIndex(int index);
// Apply's fields: per input the three masks flag by flag (the video bits
// without a row go back as the device holds them) and the combination.
std::vector<EditField<AlarmTriggers>> EditFields();
}  // namespace TriggerModel
