#include "SwitchControlParams.h"

#include "CfgNetClient.h"

namespace {
using Values = SwitchControlParams;

const ParamField<Values> kMechanism[] = {
    {"ManualSwitch", WireType::U8, &Values::manualSwitch},
    {"FailoverReturnMode", WireType::U8, &Values::returnMode},
};
const ParamField<Values> kRelay[] = {
    {"ManualControl", WireType::U8, &Values::manualControl},
    {"BypassProtect", WireType::U8, &Values::bypassProtect},
};
constexpr char kMechanismElement[] = "SwitchMechanism";
constexpr char kRelayElement[] = "Relay";

const QVector<quint8> kBothGroups = {0, 1};

QDomElement Merged(XmlDocument &doc, QDomElement &parent, const char *tag)
{
    QDomElement element = doc.CreateElement(QString::fromLatin1(tag));
    doc.MergeChild(element, parent);
    return element;
}

template <std::size_t N>
void WriteGroup(XmlDocument &doc, QDomElement &parent, const char *tag,
                const ParamField<Values> (&fields)[N], const Values &values)
{
    QDomElement element = Merged(doc, parent, tag);
    for (const ParamField<Values> &field : fields) {
        doc.AddTextElement(element, QString::fromLatin1(field.element),
                           QString::number(values.*field.member));
    }
}

template <std::size_t N>
bool ReadGroup(const DocPlace &group, const char *tag, const ParamField<Values> (&fields)[N],
               Values &values, QString *problem)
{
    for (const ParamField<Values> &field : fields) {
        if (!ReadValue(
                group,
                QStringLiteral("%1/%2").arg(QLatin1String(tag), QLatin1String(field.element)),
                field.type, &(values.*field.member), problem)) {
            return false;
        }
    }
    return true;
}

// Element `group` of a two-entry array set to `value`; on the 4x1 models both.
template <class T>
void Put(QVector<T> &array, int group, bool bothElements, qint64 value)
{
    array.resize(kBothGroups.size());
    for (int k = 0; k < array.size(); ++k) {
        if (bothElements || k == group) {
            array[k] = static_cast<T>(value);
        }
    }
}
}  // namespace

namespace SwitchControlModel {

int Read(CfgNetClient &client, int group, SwitchControlParams &values, QString *failure)
{
    QVector<quint8> selection, manual, protect;
    QVector<qint32> method;
    if (client.GetPGMOutputSelect(kBothGroups, selection) != 0) {
        *failure = DeviceFailure("GetPGMOutputSelect", CfgNetClient::LastResult());
        return -1;
    }
    if (client.GetAutoSwitchMethod(kBothGroups, method) != 0) {
        *failure = DeviceFailure("GetAutoSwitchMethod", CfgNetClient::LastResult());
        return -1;
    }
    if (client.GetRelayControl(kBothGroups, manual, protect) != 0) {
        *failure = DeviceFailure("GetRelayControl", CfgNetClient::LastResult());
        return -1;
    }
    values.manualSwitch = selection.value(group);
    values.returnMode = method.value(group);
    values.manualControl = manual.value(group);
    values.bypassProtect = protect.value(group);
    return 0;
}

int Write(CfgNetClient &client, int group, bool bothElements, const SwitchControlParams &values,
          QString *failure)
{
    if (!Check(values, failure)) {
        return -1;
    }
    QVector<quint8> selection, manual, protect;
    QVector<qint32> method;
    // Both arrays are read before the first write, so a failed read leaves
    // the device as it was; the writes keep their order.
    if (!bothElements && client.GetPGMOutputSelect(kBothGroups, selection) != 0) {
        *failure = DeviceFailure("GetPGMOutputSelect", CfgNetClient::LastResult());
        return -1;
    }
    if (!bothElements && client.GetAutoSwitchMethod(kBothGroups, method) != 0) {
        *failure = DeviceFailure("GetAutoSwitchMethod", CfgNetClient::LastResult());
        return -1;
    }
    Put(selection, group, bothElements, values.manualSwitch);
    if (client.SetPGMOutputSelect(kBothGroups, selection) != 0) {
        *failure = DeviceFailure("SetPGMOutputSelect", CfgNetClient::LastResult());
        return -1;
    }
    Put(method, group, bothElements, values.returnMode);
    if (client.SetAutoSwitchMethod(kBothGroups, method) != 0) {
        *failure = DeviceFailure("SetAutoSwitchMethod", CfgNetClient::LastResult());
        return -1;
    }
    if (!bothElements && client.GetRelayControl(kBothGroups, manual, protect) != 0) {
        *failure = DeviceFailure("GetRelayControl", CfgNetClient::LastResult());
        return -1;
    }
    // The relay bytes are flags: any non-zero value is sent as 1.
    Put(manual, group, bothElements, values.manualControl != 0);
    Put(protect, group, bothElements, values.bypassProtect != 0);
    if (client.SetRelayControl(kBothGroups, manual, protect) != 0) {
        *failure = DeviceFailure("SetRelayControl", CfgNetClient::LastResult());
        return -1;
    }
    return 0;
}

const char *GroupElement(int group)
{
    return group == 1 ? "GroupB" : "GroupA";
}

void ToDocument(XmlDocument &doc, int group, const SwitchControlParams &values)
{
    QDomElement root = doc.Root();
    QDomElement page = Merged(doc, root, kElement);
    QDomElement groupElement = Merged(doc, page, GroupElement(group));
    WriteGroup(doc, groupElement, kMechanismElement, kMechanism, values);
    WriteGroup(doc, groupElement, kRelayElement, kRelay, values);
}

bool FromDocument(const XmlDocument &doc, int group, SwitchControlParams &values, QString *problem)
{
    const DocPlace place = Below(
        RootPlace(doc),
        QStringLiteral("%1/%2").arg(QLatin1String(kElement), QLatin1String(GroupElement(group))),
        problem);
    return !place.element.isNull() &&
           ReadGroup(place, kMechanismElement, kMechanism, values, problem) &&
           ReadGroup(place, kRelayElement, kRelay, values, problem);
}

bool Check(const SwitchControlParams &values, QString *problem)
{
    return CheckFields(kMechanismElement, kMechanism, values, problem) &&
           CheckFields(kRelayElement, kRelay, values, problem);
}

int ManualSwitchIndex(qint64 selection, int inputs)
{
    if (selection == kNoSelection) {
        return 0;
    }
    return selection >= 0 && selection < inputs ? int(selection) + 1 : -1;
}

qint64 SelectionOfIndex(int index)
{
    if (index < 0) {
        return kNoItem;
    }
    return index == 0 ? kNoSelection : index - 1;
}

int ReturnModeIndex(qint64 method)
{
    return method == 1 ? 0 : method == 2 ? 1 : -1;
}

qint64 MethodOfIndex(int index)
{
    return index < 0 ? kNoItem : index != 0 ? 2 : 1;
}

std::vector<EditField<SwitchControlParams>> EditFields()
{
    return {MemberField(&Values::manualSwitch), MemberField(&Values::returnMode),
            MemberField(&Values::manualControl), MemberField(&Values::bypassProtect)};
}

int ManualControlIndex(qint64 manualControl)
{
    return manualControl != 0 ? 1 : 0;
}

qint64 ManualControlOfIndex(int index)
{
    return index != 0 ? 1 : 0;
}

int BypassProtectIndex(qint64 bypassProtect)
{
    return bypassProtect == 0 ? 1 : 0;
}

qint64 BypassProtectOfIndex(int index)
{
    return index == 0 ? 1 : 0;
}

}  // namespace SwitchControlModel
