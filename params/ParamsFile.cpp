#include "ParamsFile.h"

#include "AgcParams.h"
#include "DetectionParams.h"
#include "DeviceTables.h"
#include "GpioParams.h"
#include "SignalIOParams.h"
#include "SwitchControlParams.h"
#include "SystemAlarmParams.h"
#include "TriggerParams.h"

namespace {
template <class Values, int (*Read)(CfgNetClient &, Values &, QString *),
          void (*ToDocument)(XmlDocument &, const Values &)>
int ExportPart(CfgNetClient &client, XmlDocument &doc, QString *failure)
{
    Values values;
    if (Read(client, values, failure) != 0) {
        return -1;
    }
    ToDocument(doc, values);
    return 0;
}

template <class Values, bool (*FromDocument)(const XmlDocument &, Values &, QString *)>
bool CheckPart(const XmlDocument &doc, QString *problem)
{
    Values values;
    return FromDocument(doc, values, problem);
}

// The dual model's two groups share one SignalIO element.
template <bool Dual>
int ExportSignalIO(CfgNetClient &client, XmlDocument &doc, QString *failure)
{
    for (int group = 0; group < (Dual ? 2 : 1); ++group) {
        SignalIOParams values;
        if (SignalIOModel::Read(client, {group, Dual}, values, failure) != 0) {
            return -1;
        }
        SignalIOModel::ToDocument(doc, {group, Dual}, values);
    }
    return 0;
}

template <bool Dual>
bool CheckSignalIO(const XmlDocument &doc, QString *problem)
{
    for (int group = 0; group < (Dual ? 2 : 1); ++group) {
        SignalIOParams values;
        if (!SignalIOModel::FromDocument(doc, {group, Dual}, values, problem)) {
            return false;
        }
    }
    return true;
}

const ParamPart kSignalIODual = {SignalIOModel::kElement, ExportSignalIO<true>,
                                 CheckSignalIO<true>};
const ParamPart kSignalIO4x1 = {SignalIOModel::kElement, ExportSignalIO<false>,
                                CheckSignalIO<false>};

const ParamPart kAgc = {AgcModel::kElement,
                        ExportPart<AgcParams, AgcModel::Read, AgcModel::ToDocument>,
                        CheckPart<AgcParams, AgcModel::FromDocument>};

const ParamPart kGpio = {GpioModel::kElement,
                         ExportPart<GpioParams, GpioModel::Read, GpioModel::ToDocument>,
                         CheckPart<GpioParams, GpioModel::FromDocument>};

// Switch control: one part per switching group, GroupA and GroupB.
template <int Group>
int ExportSwitchControl(CfgNetClient &client, XmlDocument &doc, QString *failure)
{
    SwitchControlParams values;
    if (SwitchControlModel::Read(client, Group, values, failure) != 0) {
        return -1;
    }
    SwitchControlModel::ToDocument(doc, Group, values);
    return 0;
}

template <int Group>
bool CheckSwitchControl(const XmlDocument &doc, QString *problem)
{
    SwitchControlParams values;
    return SwitchControlModel::FromDocument(doc, Group, values, problem);
}

const ParamPart kSwitchControlA = {SwitchControlModel::kElement, ExportSwitchControl<0>,
                                   CheckSwitchControl<0>};
const ParamPart kSwitchControlB = {SwitchControlModel::kElement, ExportSwitchControl<1>,
                                   CheckSwitchControl<1>};

const ParamPart kTrigger = {TriggerModel::kElement,
                            ExportPart<AlarmTriggers, TriggerModel::Read, TriggerModel::ToDocument>,
                            CheckPart<AlarmTriggers, TriggerModel::FromDocument>};

// System alarms: the dual model's table or the 4x1 models'.
template <bool Dual>
int ExportSystemAlarms(CfgNetClient &client, XmlDocument &doc, QString *failure)
{
    SystemAlarm mask = 0;
    if (SystemAlarmModel::Read(client, mask, failure) != 0) {
        return -1;
    }
    SystemAlarmModel::ToDocument(doc, Dual, mask);
    return 0;
}

template <bool Dual>
bool CheckSystemAlarms(const XmlDocument &doc, QString *problem)
{
    SystemAlarm mask = 0;
    return SystemAlarmModel::FromDocument(doc, Dual, mask, problem);
}

const ParamPart kSystemAlarmsDual = {SystemAlarmModel::kElement, ExportSystemAlarms<true>,
                                     CheckSystemAlarms<true>};
const ParamPart kSystemAlarms4x1 = {SystemAlarmModel::kElement, ExportSystemAlarms<false>,
                                    CheckSystemAlarms<false>};

// Detection: one part per input, filed under the model's groups and inputs.
template <bool Dual, int Input>
int ExportDetection(CfgNetClient &client, XmlDocument &doc, QString *failure)
{
    DetectionParam param;
    if (DetectionModel::Read(client, Input, param, failure) != 0) {
        return -1;
    }
    DetectionModel::ToDocument(doc, {Input, Dual}, param);
    return 0;
}

template <bool Dual, int Input>
bool CheckDetection(const XmlDocument &doc, QString *problem)
{
    DetectionParam param;
    return DetectionModel::FromDocument(doc, {Input, Dual}, param, problem);
}

template <bool Dual>
const ParamPart kDetection[DetectionModel::kInputs] = {
    {DetectionModel::kElement, ExportDetection<Dual, 0>, CheckDetection<Dual, 0>},
    {DetectionModel::kElement, ExportDetection<Dual, 1>, CheckDetection<Dual, 1>},
    {DetectionModel::kElement, ExportDetection<Dual, 2>, CheckDetection<Dual, 2>},
    {DetectionModel::kElement, ExportDetection<Dual, 3>, CheckDetection<Dual, 3>},
};
}  // namespace

QVector<ParamPart> ParamParts(int productType)
{
    // In page-list order. The alarm combination comes before GPIO, and the
    // system alarms and detection after it, once their models exist.
    QVector<ParamPart> parts;
    parts << (IsDual(productType) ? kSignalIODual : kSignalIO4x1);
    parts << kSwitchControlA;
    if (IsDual(productType)) {
        parts << kSwitchControlB;
    }
    if (HasAgc(productType)) {
        parts << kAgc;
    }
    parts << kTrigger;
    parts << kGpio;
    parts << (IsDual(productType) ? kSystemAlarmsDual : kSystemAlarms4x1);
    for (const ParamPart &part : IsDual(productType) ? kDetection<true> : kDetection<false>) {
        parts << part;
    }
    return parts;
}

int ExportParts(CfgNetClient &client, XmlDocument &doc, int productType, QString *failure)
{
    for (const ParamPart &part : ParamParts(productType)) {
        if (part.exportTo(client, doc, failure) != 0) {
            return -1;
        }
    }
    return 0;
}

bool CheckParts(const XmlDocument &doc, int productType, QString *problem)
{
    for (const ParamPart &part : ParamParts(productType)) {
        if (!part.check(doc, problem)) {
            return false;
        }
    }
    return true;
}
